#include "core/app_win.h"

#include <shellapi.h>
#include <shlobj.h>

#include "core/file_io_win.h"
#include "core/profile.h"
#include "core/settings.h"
#include "core/text_convert.h"

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

App::App(HINSTANCE instance_handle, bool smoke_test_mode, const std::vector<std::wstring>& arguments)
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
  vietnamese = values.vietnamese;
  update_url = values.update_url;
  theme = values.theme;
  font_size = values.font_size;
  sidebar = values.sidebar;
  outline = values.outline;
  auto_save = values.auto_save;
  auto_save_seconds = values.auto_save_seconds;
  word_wrap = values.word_wrap;
  sync_scroll = values.sync_scroll;
  split_percent = values.split_percent;
  view_mode = values.view_mode;
  vim = values.vim;
  emacs = values.emacs;
  if (values.has_workspace) {
    std::error_code ec;
    workspace_root = std::filesystem::path(to_wide_lenient(values.workspace));
    if (!std::filesystem::is_directory(workspace_root, ec)) workspace_root.clear();
  }
}

void App::save_settings() {
  if (smoke_test) return;
  SettingsValues values;
  values.vietnamese = vietnamese;
  values.update_url = update_url;
  values.theme = theme;
  values.font_size = font_size;
  values.sidebar = sidebar;
  values.outline = outline;
  values.auto_save = auto_save;
  values.auto_save_seconds = auto_save_seconds;
  values.word_wrap = word_wrap;
  values.sync_scroll = sync_scroll;
  values.split_percent = split_percent;
  values.view_mode = view_mode;
  values.workspace = to_utf8(workspace_root.wstring());
  values.vim = vim;
  values.emacs = emacs;
  store_settings(settings, values);
  write_file_atomic(settings_path(*this), dump_settings(settings));
}

void App::add_recent(const std::filesystem::path& path) {
  add_recent_entry(settings, to_utf8(path.wstring()));
}

}  // namespace tavrel::win
