#include "ui/gdiplus_win.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace tavrel::win {
namespace {

ULONG_PTR gdiplus_token = 0;

void shutdown_gdiplus() {
  if (gdiplus_token != 0) Gdiplus::GdiplusShutdown(gdiplus_token);
  gdiplus_token = 0;
}

}  // namespace

bool ensure_gdiplus() {
  static std::once_flag once;
  std::call_once(once, [] {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&gdiplus_token, &input, nullptr) == Gdiplus::Ok) {
      std::atexit(shutdown_gdiplus);
    } else {
      gdiplus_token = 0;
    }
  });
  return gdiplus_token != 0;
}

CLSID find_encoder_clsid(const wchar_t* mime) {
  UINT count = 0;
  UINT bytes = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &bytes) == Gdiplus::Ok && bytes > 0) {
    std::vector<std::uint8_t> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, bytes, codecs) == Gdiplus::Ok) {
      for (UINT i = 0; i < count; ++i) {
        if (std::wcscmp(codecs[i].MimeType, mime) == 0) return codecs[i].Clsid;
      }
    }
  }
  throw std::runtime_error("Image encoder unavailable");
}

}  // namespace tavrel::win
