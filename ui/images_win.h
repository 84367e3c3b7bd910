#pragma once
// Images into documents: by the Image command, by drop and by paste.
#include <windows.h>

#include <filesystem>

namespace tavrel::win {

// The class id of GDI+'s encoder for `mime` (for example "image/png"); throws
// std::runtime_error "Image encoder unavailable" when there is none. GDI+ must be running.
CLSID find_encoder_clsid(const wchar_t* mime);

// A "image-<local time>[-n].png" in `folder` that does not exist yet; a file-system error while
// asking throws std::filesystem::filesystem_error "exists".
std::filesystem::path make_image_file_name(const std::filesystem::path& folder);

}  // namespace tavrel::win
