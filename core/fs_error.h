#pragma once
// File-system failures carry the name of the operation that failed, so the text shown to the user
// says what was attempted.
#include <filesystem>
#include <system_error>

namespace tavrel::win {

[[noreturn]] inline void throw_fs_error(const char* operation, const std::filesystem::path& path,
                                        std::error_code ec) {
  throw std::filesystem::filesystem_error(operation, path, ec);
}

}  // namespace tavrel::win
