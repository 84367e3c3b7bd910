#include "core/file_io_win.h"

#include <atomic>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "core/fs_error.h"
#include "core/handles_win.h"

namespace tavrel::win {
namespace {

constexpr wchar_t kTempPrefix[] = L"~tvr";
constexpr wchar_t kTempSuffix[] = L".tmp";
// "~tvr" + 8 hex digits of the counter + "-" + 8 of the process id + ".tmp": the same length
// whatever the document is called, so a name near the file system's limit still gets one.
constexpr size_t kTempNameLength = 25;
// A name is taken only by a file a killed process of the same id left; the next number is free.
constexpr int kTempAttempts = 16;
constexpr char kCannotReplace[] = "Cannot replace destination; original file preserved";

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

void append_hex(std::wstring& out, uint32_t value) {
  for (int shift = 28; shift >= 0; shift -= 4) out += L"0123456789abcdef"[(value >> shift) & 0xF];
}

bool parse_hex(std::wstring_view digits, uint32_t& value) {
  value = 0;
  for (wchar_t c : digits) {
    int digit = c >= L'0' && c <= L'9' ? c - L'0' : c >= L'a' && c <= L'f' ? c - L'a' + 10 : -1;
    if (digit < 0) return false;
    value = value << 4 | static_cast<uint32_t>(digit);
  }
  return true;
}

// The process id a temporary name of ours records; nothing for every other name.
std::optional<DWORD> temp_owner(std::wstring_view name) {
  uint32_t number = 0, owner = 0;
  if (name.size() != kTempNameLength || !name.starts_with(kTempPrefix) || name[12] != L'-' ||
      !name.ends_with(kTempSuffix) || !parse_hex(name.substr(4, 8), number) ||
      !parse_hex(name.substr(13, 8), owner)) {
    return std::nullopt;
  }
  return owner;
}

// Text of `path` up to and with its last separator: the folder a name is put beside.
std::wstring folder_of(const std::wstring& path) {
  size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

// Follows every link: a handle to the file itself, or to the folder when the path names one.
UniqueFile open_attributes(const std::filesystem::path& path) {
  return UniqueFile(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// What a save writes over: the file the path finally names once links are followed, so the
// edit reaches the real file and a link stays a link.
struct SaveTarget {
  std::wstring path;
  DWORD attributes = INVALID_FILE_ATTRIBUTES;  // nothing there yet
  bool exists() const { return attributes != INVALID_FILE_ATTRIBUTES; }
};

SaveTarget resolve_target(const std::filesystem::path& target) {
  UniqueFile file = open_attributes(target);
  BY_HANDLE_FILE_INFORMATION info{};
  // Present but not to be opened (a link whose file is gone): the save lands on the name itself.
  if (!file || !GetFileInformationByHandle(file.get(), &info))
    return {target.wstring(), GetFileAttributesW(target.c_str())};
  std::wstring resolved = final_path(file.get());
  return {resolved.empty() ? target.wstring() : resolved, info.dwFileAttributes};
}

void check_replaceable(const SaveTarget& target) {
  if (!target.exists()) return;
  if (target.attributes & FILE_ATTRIBUTE_DIRECTORY) throw std::runtime_error(kCannotReplace);
  // Replacing would succeed where the folder allows it, silently defeating the user's protection.
  if (target.attributes & FILE_ATTRIBUTE_READONLY)
    throw std::runtime_error("Cannot replace a read-only file; original file preserved");
}

// A temporary file is still owned while the process its name records runs and started no later
// than the file was last written: a process that took over the id of a killed one started after.
bool owner_running(DWORD process_id, const FILETIME& written) {
  UniqueHandle process(
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, process_id));
  if (!process) return GetLastError() != ERROR_INVALID_PARAMETER;  // denied: runs, not ours
  if (WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) return false;
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(process.get(), &created, &exited, &kernel, &user)) return true;
  return CompareFileTime(&created, &written) <= 0;
}

// Removes temporary files of ours that a killed save left in `folder`. The exclusive open that
// deletes on close fails while anyone has the file open, so a writer the process check cannot
// see (another machine sharing the folder) keeps its file while writing it.
void remove_stale_temporaries(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  std::wstring pattern = folder + kTempPrefix + L"*" + kTempSuffix;
  UniqueFind search(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0));
  if (!search) return;
  do {
    std::optional<DWORD> owner = temp_owner(found.cFileName);
    if (!owner || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        owner_running(*owner, found.ftLastWriteTime)) {
      continue;
    }
    UniqueFile doomed(CreateFileW((folder + found.cFileName).c_str(), DELETE, 0, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  } while (FindNextFileW(search.get(), &found));
}

// The access rights of a file as one self-relative block; empty when they cannot be read.
std::vector<char> access_rights(const std::wstring& path) {
  DWORD size = 0;
  GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
  std::vector<char> rights(size);
  if (size == 0 ||
      !GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, rights.data(), size, &size)) {
    return {};
  }
  return rights;
}

// Gives the new content what made the target what it was: its attributes and, where they differ
// from what a new file there gets, its access rights. Best effort: a save must not fail only
// because, say, the rights of someone else's file cannot be read; it then gets the folder's.
void carry_over(const SaveTarget& target, const std::wstring& temp) {
  SetFileAttributesW(temp.c_str(),
                     (target.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED)) |
                         FILE_ATTRIBUTE_ARCHIVE);
  std::vector<char> rights = access_rights(target.path);
  if (!rights.empty() && rights != access_rights(temp))
    SetFileSecurityW(temp.c_str(), DACL_SECURITY_INFORMATION, rights.data());
}

// Puts the written temporary file in the target's place in one step. ReplaceFileW would carry
// the target's metadata over itself, but it works by two renames (it even reports states with
// the original moved away and the new text not yet in place, and Wine deletes the original
// before moving the new file in), so a kill between them leaves nothing under the document's
// name; MOVEFILE_REPLACE_EXISTING never does. A hard link is split either way: the other names
// keep the old text. Only rewriting the file in place would reach them, and a save killed or
// failing half-way would then leave a truncated file, which the replacement exists to prevent.
void put_in_place(const SaveTarget& target, const std::wstring& temp) {
  if (target.exists()) carry_over(target, temp);
  DWORD flags = MOVEFILE_WRITE_THROUGH | (target.exists() ? MOVEFILE_REPLACE_EXISTING : 0);
  if (MoveFileExW(temp.c_str(), target.path.c_str(), flags)) return;
  DeleteFileW(temp.c_str());
  throw std::runtime_error(kCannotReplace);
}

// The whole write. `next_name` gives the temporary name to try for the resolved target; a name
// that exists already is skipped up to `attempts` times and never touched.
void write_atomic(const std::filesystem::path& target, const std::string& bytes,
                  const std::function<std::wstring(const std::wstring&)>& next_name, int attempts) {
  SaveTarget resolved = resolve_target(target);
  check_replaceable(resolved);
  std::wstring temp;
  UniqueFile file;
  for (int attempt = 0; attempt < attempts && !file; ++attempt) {
    temp = next_name(resolved.path);
    file.reset(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (!file) throw std::runtime_error("Cannot create temporary file");
  bool written = write_and_flush(file.get(), bytes);
  file.reset();
  if (!written) {
    DeleteFileW(temp.c_str());
    throw std::runtime_error("Cannot flush document to disk");
  }
  put_in_place(resolved, temp);
  remove_stale_temporaries(folder_of(resolved.path));
}

}  // namespace

// Where the handle finally leads ("\\?\C:\..."), links followed; empty when the system cannot say.
std::wstring final_path(HANDLE file) {
  DWORD size = GetFinalPathNameByHandleW(file, nullptr, 0, FILE_NAME_NORMALIZED);
  if (size == 0) return {};
  std::wstring buffer(size, L'\0');
  DWORD length = GetFinalPathNameByHandleW(file, buffer.data(), size, FILE_NAME_NORMALIZED);
  if (length == 0 || length >= size) return {};
  buffer.resize(length);
  return buffer;
}

std::wstring window_text(HWND window) {
  int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
  GetWindowTextW(window, buffer.data(), length + 1);
  return std::wstring(buffer.data());  // stops at the first NUL
}

std::wstring next_temp_name(const std::filesystem::path& target) {
  std::wstring name = folder_of(target.wstring()) + kTempPrefix;
  append_hex(name, static_cast<uint32_t>(++temp_counter));
  name += L'-';
  append_hex(name, GetCurrentProcessId());
  return name + kTempSuffix;
}

void write_file_atomic_via(const std::filesystem::path& target, const std::string& bytes,
                           const std::wstring& temp_name) {
  write_atomic(
      target, bytes, [&](const std::wstring&) { return temp_name; }, 1);
}

void write_file_atomic(const std::filesystem::path& target, const std::string& bytes) {
  write_atomic(
      target, bytes, [](const std::wstring& path) { return next_temp_name(path); }, kTempAttempts);
}

// The time of the file a link leads to, which is the file saves change.
int64_t file_write_time(const std::filesystem::path& path) {
  FILETIME written{};
  UniqueFile file = open_attributes(path);
  BY_HANDLE_FILE_INFORMATION info{};
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (file && GetFileInformationByHandle(file.get(), &info)) {
    written = info.ftLastWriteTime;
  } else if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    written = data.ftLastWriteTime;
  } else {
    throw_fs_error("last_write_time", path, last_error());
  }
  ULARGE_INTEGER value;
  value.LowPart = written.dwLowDateTime;
  value.HighPart = written.dwHighDateTime;
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

std::filesystem::path executable_path() {
  std::vector<wchar_t> buffer(32768);
  const DWORD length =
      GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  return std::filesystem::path(std::wstring(buffer.data(), length));
}

}  // namespace tavrel::win
