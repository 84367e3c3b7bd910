#pragma once
// File-system failures carry the name of the operation that failed, and their text begins with
// it ("file_size: No such file or directory [C:\notes.md]"), so the text shown to the user says
// what was attempted rather than the library's generic heading.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include "core/text_convert.h"

namespace tavrel::win {

// A path as UTF-8 for a message; a name that is not valid UTF-16 (legal on NTFS) still shows,
// with U+FFFD in place of what cannot be decoded.
inline std::string display_path(const std::filesystem::path& path) {
  const auto& native = path.native();
  if constexpr (sizeof(native[0]) == 1) {
    return std::string(native.begin(), native.end());
  } else {
    return utf16_to_utf8_lenient(std::u16string(native.begin(), native.end()));
  }
}

class FileSystemError : public std::filesystem::filesystem_error {
 public:
  FileSystemError(const char* operation, const std::filesystem::path& path, std::error_code ec)
      : std::filesystem::filesystem_error(operation, path, ec),
        text_(std::string(operation) + ": " + ec.message() + " [" + display_path(path) + "]") {}

  // The runtime_error keeps its text shared, so copying the exception never throws.
  const char* what() const noexcept override { return text_.what(); }

 private:
  std::runtime_error text_;
};

[[noreturn]] inline void throw_fs_error(const char* operation, const std::filesystem::path& path,
                                        std::error_code ec) {
  throw FileSystemError(operation, path, ec);
}

}  // namespace tavrel::win
