#pragma once
// GDI+ for the process: started once, on first use, for the toolbar's pictures, pasted images
// and image exports alike; and the encoders it offers.
#include <windows.h>
#include <objidl.h>
// GDI+'s headers use the min and max macros that NOMINMAX keeps out of windows.h.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

namespace tavrel::win {

// Starts GDI+ once for the process; it is shut down at exit. False when it could not start.
bool ensure_gdiplus();

// The class id of GDI+'s encoder for `mime` (for example "image/png"); throws
// std::runtime_error "Image encoder unavailable" when there is none. GDI+ must be running.
CLSID find_encoder_clsid(const wchar_t* mime);

}  // namespace tavrel::win
