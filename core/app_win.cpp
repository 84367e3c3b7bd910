#include "core/app_win.h"

#include <shellapi.h>
#include <shlobj.h>

#include "core/file_io_win.h"
#include "core/profile.h"
#include "core/settings.h"
#include "core/text_convert.h"
#include "ui/theme_win.h"

namespace tavrel::win {
namespace {

std::filesystem::path default_profile_dir() {
  PWSTR folder = nullptr;
  std::filesystem::path dir;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder))) {
    dir = std::filesystem::path(folder) / L"Tavrel";
  } else {
    dir = std::filesystem::temp_directory_path() / L"Tavrel";
  }
  CoTaskMemFree(folder);  // also required after a failed call
  return dir;
}

std::filesystem::path settings_path(const App& app) { return app.profile_dir / L"settings.json"; }

// The typed settings have the same names in the App and in the settings record, so one copy
// serves loading and saving.
template <typename To, typename From>
void copy_typed_settings(To& to, const From& from) {
  to.vietnamese = from.vietnamese;
  to.update_url = from.update_url;
  to.theme = from.theme;
  to.font_size = from.font_size;
  to.sidebar = from.sidebar;
  to.outline = from.outline;
  to.auto_save = from.auto_save;
  to.auto_save_seconds = from.auto_save_seconds;
  to.word_wrap = from.word_wrap;
  to.sync_scroll = from.sync_scroll;
  to.split_percent = from.split_percent;
  to.view_mode = from.view_mode;
  to.vim = from.vim;
  to.emacs = from.emacs;
}

}  // namespace

std::vector<std::wstring> command_line_arguments() {
  int count = 0;
  LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> args;
  if (!list) return args;
  args.assign(list, list + count);
  LocalFree(list);
  return args;
}

App::App(HINSTANCE instance_handle, bool smoke_test_mode)
    : App(instance_handle, smoke_test_mode, command_line_arguments()) {}

App::App(HINSTANCE instance_handle, bool smoke_test_mode,
         const std::vector<std::wstring>& arguments)
    : instance(instance_handle), smoke_test(smoke_test_mode) {
  ProfileChoice choice =
      choose_profile_dir(default_profile_dir(), arguments, smoke_test,
                         std::filesystem::temp_directory_path(), GetCurrentProcessId());
  profile_dir = choice.dir;
  custom_profile = choice.custom;
  create_profile_folders(profile_dir);
  load_settings();
}

App::~App() {
  remove_menu_hook();  // the hook's record points at this App
  // A task still running holds nothing of ours, but its result must not outlive us unseen.
  if (render_future.valid()) render_future.wait();
  if (scan_future.valid()) scan_future.wait();
  DeleteObject(ui_font);
  DeleteObject(editor_font);
  DeleteObject(ui_bold_font);
  DeleteObject(background_brush);
  DeleteObject(surface_brush);
}

void App::load_settings() {
  settings = nlohmann::json::object();
  try {
    std::error_code ec;
    if (std::filesystem::exists(settings_path(*this), ec))
      settings = parse_settings_text(read_text_file(settings_path(*this)));
  } catch (const std::exception&) {
    // An unreadable file starts from the defaults; the next save replaces it.
    settings = nlohmann::json::object();
  }
  SettingsValues values = repair_settings(settings);
  copy_typed_settings(*this, values);
  if (values.has_workspace) {
    std::error_code ec;
    workspace_root = std::filesystem::path(to_wide_lenient(values.workspace));
    if (!std::filesystem::is_directory(workspace_root, ec)) workspace_root.clear();
  }
}

void App::save_settings() {
  if (smoke_test) return;
  SettingsValues values;
  copy_typed_settings(values, *this);
  values.workspace = to_utf8(workspace_root.wstring());
  store_settings(settings, values);
  write_file_atomic(settings_path(*this), dump_settings(settings));
}

void App::add_recent(const std::filesystem::path& path) {
  add_recent_entry(settings, to_utf8(path.wstring()));
}

}  // namespace tavrel::win
