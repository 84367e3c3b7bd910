#include "web/standalone_html_win.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <stdexcept>

#include "core/file_io_win.h"
#include "core/handles_win.h"

namespace tavrel::win {
namespace {

// Whether the final path `file` lies below the final path `folder`. Final paths hold no "." or
// ".." and name each folder one way, so a comparison of their texts decides.
bool is_below(const std::wstring& file, const std::wstring& folder) {
  const std::wstring prefix = folder.ends_with(L'\\') ? folder : folder + L'\\';
  return file.size() > prefix.size() && file.starts_with(prefix);
}

std::optional<std::string> read_through(HANDLE file, std::uint64_t size) {
  std::string bytes(size, '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    if (!ReadFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got,
                  nullptr)) {
      throw std::runtime_error("Cannot read image");
    }
    if (got == 0) return std::nullopt;  // shrank while being read
    done += got;
  }
  return bytes;
}

std::optional<std::string> read_image_inside(const std::filesystem::path& file,
                                             const std::wstring& folder) {
  UniqueFile handle(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!handle || GetFileType(handle.get()) != FILE_TYPE_DISK ||
      !GetFileInformationByHandle(handle.get(), &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
      !is_below(final_path(handle.get()), folder)) {
    return std::nullopt;
  }
  const std::uint64_t size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  if (size > kMaxEmbeddedImageBytes) return std::nullopt;
  return read_through(handle.get(), size);
}

}  // namespace

ImageFileReader final_path_image_reader(const std::filesystem::path& folder) {
  const UniqueFile handle(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  std::wstring final_folder = handle ? final_path(handle.get()) : std::wstring();
  if (final_folder.empty()) {
    return [](const std::filesystem::path&) { return std::optional<std::string>(); };
  }
  return [folder, final_folder](const std::filesystem::path& name) {
    return read_image_inside(folder / name, final_folder);
  };
}

std::string build_standalone_html(const App& app, const std::string& markdown,
                                  const std::filesystem::path& base_folder) {
  StandalonePageInput input{executable_path().parent_path() / L"renderer",
                            app.profile_dir,
                            app.vietnamese,
                            markdown,
                            base_folder,
                            {}};
  if (!base_folder.empty()) input.read_image = final_path_image_reader(base_folder);
  return build_standalone_page(input);
}

}  // namespace tavrel::win
