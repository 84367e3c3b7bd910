#include "core/file_io_win.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <vector>

#include "core/fs_error.h"
#include "core/handles_win.h"

namespace tavrel::win {
namespace {

std::atomic<uint64_t> temp_counter{0};

std::error_code last_error() {
  return std::error_code(static_cast<int>(GetLastError()), std::system_category());
}

// Writes all bytes and flushes them; false on any shortfall.
bool write_and_flush(HANDLE file, const std::string& bytes) {
  if (bytes.size() > 0xFFFFFFFFull) return false;
  DWORD written = 0;
  if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    return false;
  }
  return FlushFileBuffers(file) != 0;
}

}  // namespace

std::wstring window_text(HWND window) {
  int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
  GetWindowTextW(window, buffer.data(), length + 1);
  return std::wstring(buffer.data());  // stops at the first NUL
}

std::wstring next_temp_name(const std::filesystem::path& target) {
  uint64_t number = ++temp_counter;
  auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
  return target.wstring() + L".tavrel-" + std::to_wstring(number) + L"-" +
         std::to_wstring(nanoseconds) + L".tmp";
}

void write_file_atomic_via(const std::filesystem::path& target, const std::string& bytes,
                           const std::wstring& temp_name) {
  UniqueFile file(CreateFileW(temp_name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  // The name may belong to someone else's file: only a file this call created is removed.
  if (!file) throw std::runtime_error("Cannot create temporary file");
  bool written = write_and_flush(file.get(), bytes);
  file.reset();
  if (!written) {
    DeleteFileW(temp_name.c_str());
    throw std::runtime_error("Cannot flush document to disk");
  }
  if (!MoveFileExW(temp_name.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temp_name.c_str());
    throw std::runtime_error("Cannot replace destination; original file preserved");
  }
}

void write_file_atomic(const std::filesystem::path& target, const std::string& bytes) {
  write_file_atomic_via(target, bytes, next_temp_name(target));
}

int64_t file_write_time(const std::filesystem::path& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
    throw_fs_error("last_write_time", path, last_error());
  ULARGE_INTEGER value;
  value.LowPart = data.ftLastWriteTime.dwLowDateTime;
  value.HighPart = data.ftLastWriteTime.dwHighDateTime;
  return static_cast<int64_t>(value.QuadPart);
}

std::filesystem::path absolute_normal(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  if (ec) throw_fs_error("absolute", path, ec);
  return absolute.lexically_normal().make_preferred();
}

std::string encode_document_bytes(const Document& document) {
  return encode_text_bytes(document.text, document.crlf, document.encoding);
}

Document load_document(const std::filesystem::path& path) {
  Document document;
  document.path = absolute_normal(path).wstring();
  document.text = read_text_file(path, &document.encoding, &document.crlf);
  document.disk_time = file_write_time(path);
  return document;
}

void write_document(Document& document, const std::filesystem::path& target, bool save_as) {
  std::filesystem::path absolute = absolute_normal(target);
  if (!save_as && absolute == std::filesystem::path(document.path)) {
    std::error_code ec;
    bool exists = std::filesystem::exists(absolute, ec);
    if (ec) throw_fs_error("exists", absolute, ec);
    if (exists && file_write_time(absolute) != document.disk_time)
      throw std::runtime_error(
          "The file changed outside Tavrel. Save a copy to preserve both versions.");
  }
  write_file_atomic(absolute, encode_document_bytes(document));
  document.path = absolute.wstring();
  document.disk_time = file_write_time(absolute);
  document.modified = false;
}

}  // namespace tavrel::win
