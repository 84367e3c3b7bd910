#include "web/standalone_html_win.h"

#include <windows.h>

#include <vector>

#include "web/standalone_html.h"

namespace tavrel::win {

std::filesystem::path app_folder() {
  std::vector<wchar_t> buffer(32768);
  const DWORD length =
      GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  return std::filesystem::path(std::wstring(buffer.data(), length)).parent_path();
}

std::string build_standalone_html(const App& app, const std::string& markdown,
                                  const std::filesystem::path& base_folder) {
  return build_standalone_page(
      {app_folder() / L"renderer", app.profile_dir, app.vietnamese, markdown, base_folder});
}

}  // namespace tavrel::win
