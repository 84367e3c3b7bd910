// The Settings page: auto-save, its idle delay and the update source, and where the profile
// lives. Nothing changes until every field passes.
#include <windows.h>

#include <string>

#include "core/file_io_win.h"
#include "core/text_convert.h"
#include "ui/dialog_frame_win.h"
#include "ui/settings_input.h"

namespace tavrel::win {
namespace {

constexpr int ctl_note = 2;  // a plain label: it sends no command
constexpr int ctl_auto_save = 12;
constexpr int ctl_seconds = 13;
constexpr int ctl_source = 15;
constexpr int ctl_profile = 5;

void add_label(DialogState& state, const wchar_t* english, const wchar_t* vietnamese, int id, int y,
               int width, int height) {
  dialog_create_control(state, L"STATIC", ui_text(*state.app, english, vietnamese), 0, id, 26, y,
                        width, height);
}

void add_fields(DialogState& state) {
  App& app = *state.app;
  state.auto_save_check = dialog_create_control(
      state, L"BUTTON",
      ui_text(app, L"Automatically save existing files", L"Tự động lưu các file đã có đường dẫn"),
      WS_TABSTOP | BS_AUTOCHECKBOX, ctl_auto_save, 26, 112, 568, 32);
  SendMessageW(state.auto_save_check, BM_SETCHECK, app.auto_save ? BST_CHECKED : BST_UNCHECKED, 0);
  add_label(state, L"Save after idle (seconds)", L"Lưu sau khi dừng gõ (giây)", 3, 162, 360, 30);
  state.seconds_edit = dialog_create_control(
      state, L"EDIT", std::to_wstring(app.auto_save_seconds).c_str(),
      WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL, ctl_seconds, 446, 160, 148, 32);
  add_label(state,
            L"Crash recovery is always enabled.\nUse View > Appearance for themes and View > "
            L"Language for English / Vietnamese.",
            L"Khôi phục sau sự cố luôn được bật.\nChọn Hiển thị > Giao diện để đổi màu và Hiển "
            L"thị > Ngôn ngữ để đổi Anh / Việt.",
            4, 208, 568, 62);
  add_label(state, L"Update source (HTTPS)", L"Nguồn cập nhật (HTTPS)", 14, 282, 568, 24);
  state.input_edit =
      dialog_create_control(state, L"EDIT", to_wide_lenient(app.update_url).c_str(),
                            WS_TABSTOP | ES_AUTOHSCROLL, ctl_source, 26, 312, 568, 34);
  SendMessageW(state.input_edit, EM_LIMITTEXT, 16384, 0);
  add_label(state, L"Preferences and recent files", L"Cài đặt và tệp gần đây", 16, 366, 568, 24);
  dialog_create_control(state, L"EDIT", app.profile_dir.c_str(), ES_READONLY | ES_AUTOHSCROLL,
                        ctl_profile, 26, 396, 568, 34);
}

}  // namespace

void build_settings_page(DialogState& state) {
  const App& app = *state.app;
  add_label(state, L"Documents stay on this computer.", L"Tài liệu được lưu trên máy của bạn.",
            ctl_note, 66, 568, 30);
  add_fields(state);
  // The settings page is taller: its buttons sit below the profile folder.
  const int top = app.scale(458);
  SetWindowPos(state.primary_button, nullptr, app.scale(482), top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(state.secondary_button, nullptr, app.scale(358), top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowTextW(state.primary_button, ui_text(app, L"Save", L"Lưu"));
  ShowWindow(state.secondary_button, SW_SHOW);
  SetFocus(state.auto_save_check);
}

void accept_settings(DialogState& state) {
  App& app = *state.app;
  const std::string url = to_utf8(window_text(state.input_edit));
  const SettingsCheck check = check_settings_input(url, to_utf8(window_text(state.seconds_edit)));
  if (check.problem == SettingsProblem::UpdateUrl) {
    dialog_message(
        state, ui_text(app, L"Enter a valid HTTPS update URL.", L"Nhập URL cập nhật HTTPS hợp lệ."),
        MB_OK);
    SetFocus(state.input_edit);
    return;
  }
  if (check.problem == SettingsProblem::Delay) {
    dialog_message(state,
                   ui_text(app, L"Use a value from 2 to 120 seconds.", L"Nhập từ 2 đến 120 giây."),
                   MB_OK);
    return;
  }
  app.auto_save = SendMessageW(state.auto_save_check, BM_GETCHECK, 0, 0) == BST_CHECKED;
  app.auto_save_seconds = check.seconds;
  app.update_url = url;
  app.save_settings();
  state.done = true;
}

}  // namespace tavrel::win
