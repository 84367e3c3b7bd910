#include "web/standalone_html_win.h"

#include <windows.h>

#include "core/file_io_win.h"
#include "web/standalone_html.h"

namespace tavrel::win {

std::string build_standalone_html(const App& app, const std::string& markdown,
                                  const std::filesystem::path& base_folder) {
  return build_standalone_page({executable_path().parent_path() / L"renderer", app.profile_dir,
                                app.vietnamese, markdown, base_folder});
}

}  // namespace tavrel::win
