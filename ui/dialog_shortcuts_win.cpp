// The Keyboard shortcuts page: one user shortcut for any menu command, stored in the settings
// member "keybindings" as normalised key text -> command id.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "core/file_io_win.h"
#include "core/text_convert.h"
#include "ui/dialog_frame_win.h"
#include "ui/settings_input.h"

namespace tavrel::win {
namespace {

constexpr int ctl_hint = 2;
constexpr int ctl_shortcut = 14;

const wchar_t* assign_text(const App& app) { return ui_text(app, L"Assign", L"Gán phím"); }

void fill_actions(DialogState& state) {
  std::vector<std::wstring> rows;
  for (const auto& item : state.app->menu_items) {
    if (item->top_level || item->separator || item->id < static_cast<uint32_t>(cmd_new)) continue;
    rows.push_back(item->text.substr(0, item->text.find(L'\t')));
    state.row_commands.push_back(item->id);
  }
  dialog_fill_list(state.list, rows);
}

}  // namespace

void build_shortcuts_page(DialogState& state) {
  const App& app = *state.app;
  dialog_create_control(
      state, L"STATIC",
      ui_text(app, L"Select an action and enter a shortcut, such as Ctrl+Shift+B.",
              L"Chọn thao tác và nhập phím tắt, ví dụ Ctrl+Shift+B."),
      0, ctl_hint, 26, 64, 568, 28);
  state.list = dialog_create_control(state, L"LISTBOX", L"",
                                     LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
                                     dlg_list, 26, 104, 568, 228);
  state.input_edit = dialog_create_control(state, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL,
                                           ctl_shortcut, 26, 348, 568, 32);
  SendMessageW(state.input_edit, EM_SETCUEBANNER, TRUE,
               reinterpret_cast<LPARAM>(L"Ctrl+Shift+B | Ctrl+Alt+S | F9"));
  SetWindowTextW(state.primary_button, assign_text(app));
  SetWindowTextW(state.secondary_button, ui_text(app, L"Close", L"Đóng"));
  ShowWindow(state.secondary_button, SW_SHOW);
  fill_actions(state);
  show_selected_shortcut(state);
  SetFocus(state.list);
}

void show_selected_shortcut(DialogState& state) {
  const int row = dialog_list_row(state);
  if (row < 0 || static_cast<size_t>(row) >= state.row_commands.size()) return;
  const int command = static_cast<int>(state.row_commands[static_cast<size_t>(row)]);
  SetWindowTextW(state.input_edit, user_shortcut_of(state.app->keybindings, command).c_str());
  SetWindowTextW(state.primary_button, assign_text(*state.app));
}

void accept_shortcut(DialogState& state) {
  App& app = *state.app;
  const int row = dialog_list_row(state);
  if (row < 0 || static_cast<size_t>(row) >= state.row_commands.size()) return;
  const std::wstring key = normalise_shortcut(window_text(state.input_edit));
  if (!shortcut_accepted(key)) {
    dialog_message(state,
                   ui_text(app, L"Use Ctrl, Alt or a function key (F1-F24).",
                           L"Dùng Ctrl, Alt hoặc phím chức năng (F1-F24)."),
                   MB_OK);
    return;
  }
  assign_keybinding(app.settings, to_utf8(key),
                    static_cast<int>(state.row_commands[static_cast<size_t>(row)]));
  app.load_keybindings();  // the dispatcher follows the settings object at once
  app.save_settings();
  SetWindowTextW(state.input_edit, key.c_str());
  SetWindowTextW(state.primary_button, ui_text(app, L"Assigned ✓", L"Đã gán ✓"));
}

}  // namespace tavrel::win
