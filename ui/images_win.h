#pragma once
// Images into documents: by the Image command, by drop and by paste; and text onto the clipboard.
#include <windows.h>

#include <filesystem>
#include <string>

namespace tavrel::win {

// A "image-<local time>[-n].png" in `folder` that does not exist yet; a file-system error while
// asking throws std::filesystem::filesystem_error "exists".
std::filesystem::path make_image_file_name(const std::filesystem::path& folder);

// Puts `text` on the clipboard as Unicode text; false when the memory or the clipboard could not
// be had (the clipboard is then left as it was, or emptied at worst).
bool copy_text_to_clipboard(HWND owner, const std::wstring& text);

}  // namespace tavrel::win
