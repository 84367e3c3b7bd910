#include "core/app_win.h"

#include <shellapi.h>
#include <shlobj.h>

#include <optional>
#include <system_error>
#include <utility>

#include "core/file_io_win.h"
#include "core/fs_error.h"
#include "core/profile.h"
#include "core/recovery.h"
#include "core/settings.h"
#include "core/text_convert.h"
#include "ui/theme_win.h"
#include "web/web_host_win.h"

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
  // Only the self-test profile lives in the temporary folder; asking for it otherwise would let
  // a %TMP% that names a missing folder stop every start.
  const std::filesystem::path temp_dir =
      smoke_test ? std::filesystem::temp_directory_path() : std::filesystem::path();
  ProfileChoice choice = choose_profile_dir(default_profile_dir(), arguments, smoke_test, temp_dir,
                                            GetCurrentProcessId());
  profile_dir = choice.dir;
  custom_profile = choice.custom;
  if (smoke_test) remove_leftover_profile(profile_dir);
  create_profile_folders(profile_dir);
  load_settings();
  load_keybindings();
}

App::~App() {
  remove_menu_hook();  // the hook's record points at this App
  web_stop(*this);
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
  std::error_code ec;
  if (std::filesystem::exists(settings_path(*this), ec)) {
    std::optional<nlohmann::json> parsed;
    try {
      parsed = read_settings_object(read_text_file(settings_path(*this)));
    } catch (const std::exception&) {
      // Unreadable counts as unparsable: defaults now, the file kept before it is replaced.
    }
    settings_unreadable = !parsed;
    if (parsed) settings = std::move(*parsed);
    // The window does not exist yet; the status bar shows the text once it is painted.
    if (settings_unreadable)
      status_text = L"settings.json could not be read; the default settings are in use";
  }
  SettingsValues values = repair_settings(settings);
  copy_typed_settings(*this, values);
  if (values.has_workspace) {
    workspace_root = std::filesystem::path(to_wide_lenient(values.workspace));
    if (!std::filesystem::is_directory(workspace_root, ec)) workspace_root.clear();
  }
}

namespace {

// A settings.json that could not be read may be one typo away from the user's settings and key
// bindings; it is kept beside before the first save replaces it.
void keep_unreadable_settings(App& app) {
  const std::filesystem::path file = settings_path(app);
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) {
    std::filesystem::path bad = file;
    bad += L".bad";
    if (!CopyFileW(file.c_str(), bad.c_str(), FALSE))
      throw_fs_error("copy_file", bad,
                     std::error_code(static_cast<int>(GetLastError()), std::system_category()));
    app.set_status(app.vietnamese
                       ? L"settings.json kh\u00F4ng \u0111\u1ECDc \u0111\u01B0\u1EE3c "
                         L"\u0111\u00E3 \u0111\u01B0\u1EE3c gi\u1EEF l\u1EA1i l\u00E0 "
                         L"settings.json.bad"
                       : L"The settings.json that could not be read was kept as settings.json.bad");
  }
  app.settings_unreadable = false;
}

}  // namespace

void App::save_settings() {
  if (smoke_test) return;
  try {
    SettingsValues values;
    copy_typed_settings(values, *this);
    values.workspace = to_utf8(workspace_root.wstring());
    store_settings(settings, values);
    const std::string text = dump_settings(settings);
    if (settings_unreadable) keep_unreadable_settings(*this);
    write_file_atomic(settings_path(*this), text);
    clear_background_failure("settings");
  } catch (const std::exception& error) {
    report_background_failure("settings",
                              (vietnamese ? L"Kh\u00F4ng l\u01B0u \u0111\u01B0\u1EE3c c\u00E0i "
                                            L"\u0111\u1EB7t: "
                                          : L"Settings could not be saved: ") +
                                  to_wide_lenient(error.what()));
  }
}

// A name with an unpaired surrogate is a legal file name but has no UTF-8 form for the settings
// file; such a file is simply not remembered.
void App::add_recent(const std::filesystem::path& path) {
  if (!is_utf16_storable(path.native())) return;
  add_recent_entry(settings, to_utf8(path.wstring()));
}

// Failures that come while the status bar still shows earlier ones are added to them: a pause on
// a full disk fails the recovery snapshot and then the history snapshot, and the second must not
// hide the first.
void App::report_background_failure(const std::string& cause, const std::wstring& text) {
  const auto [entry, added] = background_failures.try_emplace(cause, text);
  if (!added && entry->second == text) return;
  entry->second = text;
  const bool still_shown = !background_status.empty() && status_text == background_status;
  set_status(still_shown ? status_text + L" | " + text : text);
  background_status = status_text;
}

void App::clear_background_failure(const std::string& cause) { background_failures.erase(cause); }

}  // namespace tavrel::win
