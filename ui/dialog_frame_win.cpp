// The shared frame of the modal dialogs. While one runs the main window is disabled and the
// main loop's shortcut dispatcher is not consulted; whatever way the dialog ends (accept, Escape,
// the close box, WM_QUIT, an exception while the page is built) the owner comes back enabled and
// the dialog window is destroyed.
#include "ui/dialog_frame_win.h"

#include <commctrl.h>
#include <dwmapi.h>
#include <uxtheme.h>

#include <exception>

#include "core/text_convert.h"
#include "ui/palette.h"
#include "web/web_host_win.h"

namespace tavrel::win {
namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME;

struct KindInfo {
  uint32_t kind;
  const wchar_t* english;
  const wchar_t* vietnamese;
  int client_height;  // DIP; every dialog is 620 wide
};

constexpr KindInfo kKinds[] = {
    {cmd_quick_open, L"Quick open", L"Tìm nhanh tài liệu", 460},
    {cmd_recent_pinned, L"Recent & pinned", L"Gần đây & đã ghim", 460},
    {cmd_document_history, L"Document history", L"Lịch sử tài liệu", 460},
    {cmd_emoji, L"Insert emoji", L"Chèn biểu tượng cảm xúc", 460},
    {kDialogCopyCode, L"Copy code", L"Sao chép mã", 460},
    {cmd_settings, L"Settings", L"Cài đặt", 516},
    {cmd_keyboard_shortcuts, L"Keyboard shortcuts", L"Phím tắt", 460},
    {cmd_licenses, L"Licenses", L"Giấy phép", 460},
    {cmd_about, L"About Tavrel", L"Giới thiệu Tavrel", 290},
};

const KindInfo* kind_info(uint32_t kind) {
  for (const KindInfo& info : kKinds) {
    if (info.kind == kind) return &info;
  }
  return nullptr;
}

// Owns a running dialog: the main window is disabled while it lives; on the way out, however
// it is taken, the owner is enabled again before the dialog goes, so activation returns to it.
class ModalScope {
 public:
  ModalScope(App& app, HWND dialog) : app_(app), dialog_(dialog) {
    EnableWindow(app.main_window, FALSE);
  }
  ~ModalScope() {
    EnableWindow(app_.main_window, TRUE);
    dialog_.reset();
    SetForegroundWindow(app_.main_window);
  }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

 private:
  App& app_;
  UniqueWindow dialog_;
};

RECT dialog_rect(const App& app, int client_height) {
  RECT rect{0, 0, app.scale(620), app.scale(client_height)};
  AdjustWindowRectExForDpi(&rect, kDialogStyle, FALSE, kDialogExStyle, static_cast<UINT>(app.dpi));
  RECT main{};
  GetWindowRect(app.main_window, &main);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const int x = main.left + ((main.right - main.left) - width) / 2;
  const int y = main.top + ((main.bottom - main.top) - height) / 2;
  return RECT{x, y, x + width, y + height};
}

HWND create_dialog_window(DialogState& state, const KindInfo& info) {
  App& app = *state.app;
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = dialog_window_proc;
  window_class.hInstance = app.instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kDialogClass;
  RegisterClassW(&window_class);  // fails harmlessly once the class exists
  const RECT rect = dialog_rect(app, info.client_height);
  return CreateWindowExW(kDialogExStyle, kDialogClass, dialog_title(state), kDialogStyle, rect.left,
                         rect.top, rect.right - rect.left, rect.bottom - rect.top, app.main_window,
                         nullptr, app.instance, &state);
}

bool is_button(HWND window) {
  wchar_t name[33] = {};
  GetClassNameW(window, name, 33);
  return _wcsicmp(name, L"BUTTON") == 0;
}

void accept_reporting(DialogState& state) {
  try {
    state.app->dialog_accept(state);
  } catch (const std::exception& error) {
    state.app->show_error(error);
  }
}

// Escape and Enter belong to the dialog before any control sees them. True: taken.
bool take_dialog_key(DialogState& state, const MSG& message) {
  if (message.wParam == VK_ESCAPE) {
    state.done = true;
    return true;
  }
  if (message.wParam != VK_RETURN) return false;
  if (state.text_view != nullptr && message.hwnd == state.text_view) return false;
  const HWND focus = GetFocus();
  if (focus != nullptr && is_button(focus)) {
    SendMessageW(focus, BM_CLICK, 0, 0);
  } else {
    accept_reporting(state);
  }
  return true;
}

void run_modal_loop(DialogState& state) {
  MSG message{};
  while (!state.done) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));  // the main loop must end too
      return;
    }
    if (got == -1) return;
    if (message.message == WM_KEYDOWN && take_dialog_key(state, message)) continue;
    if (!IsDialogMessageW(state.dialog, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

void restore_editor_focus(App& app) {
  if (app.view_mode == 3) {
    web_focus(app);
  } else if (!app.documents.empty() && app.active_document < app.documents.size()) {
    SetFocus(app.documents[app.active_document]->editor);
  }
}

void set_dark_title_bar(const DialogState& state) {
  const BOOL dark = state.app->dark ? TRUE : FALSE;
  DwmSetWindowAttribute(state.dialog, 20 /* DWMWA_USE_IMMERSIVE_DARK_MODE */, &dark, sizeof(dark));
}

// --- Window procedure ------------------------------------------------------------------------

LRESULT erase_background(const DialogState& state, HDC dc) {
  RECT client{};
  GetClientRect(state.dialog, &client);
  FillRect(
      dc, &client,
      state.app->background_brush ? state.app->background_brush : GetSysColorBrush(COLOR_WINDOW));
  return 1;
}

LRESULT control_colours(const DialogState& state, UINT message, HDC dc, HWND control) {
  App& app = *state.app;
  wchar_t name[16] = {};
  GetClassNameW(control, name, 16);
  if (message == WM_CTLCOLOREDIT ||
      (message == WM_CTLCOLORSTATIC && _wcsicmp(name, L"EDIT") == 0)) {
    return reinterpret_cast<LRESULT>(app.on_ctl_color(dc));
  }
  SetTextColor(dc, app.palette[palette_text]);
  SetBkColor(dc, app.palette[palette_background]);
  return reinterpret_cast<LRESULT>(app.background_brush ? app.background_brush
                                                        : GetSysColorBrush(COLOR_WINDOW));
}

LRESULT draw_button(const DialogState& state, const DRAWITEMSTRUCT& item) {
  const App& app = *state.app;
  const bool accent = item.CtlID == dlg_primary && state.kind != cmd_about;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const COLORREF fill = pressed  ? app.palette[palette_accent_fill]
                        : accent ? app.palette[palette_accent]
                                 : app.palette[palette_pane];
  UniqueBrush fill_brush(CreateSolidBrush(fill));
  FillRect(item.hDC, &item.rcItem, fill_brush.get());
  const COLORREF frame = (item.itemState & ODS_FOCUS) ? app.palette[palette_accent]
                         : app.dark                   ? RGB(61, 70, 84)
                                                      : RGB(200, 207, 215);
  UniqueBrush frame_brush(CreateSolidBrush(frame));
  FrameRect(item.hDC, &item.rcItem, frame_brush.get());
  const COLORREF text_colour = (accent && !pressed)
                                   ? (app.dark ? RGB(48, 27, 14) : RGB(255, 255, 255))
                                   : app.palette[palette_text];
  wchar_t text[128] = {};
  GetWindowTextW(item.hwndItem, text, 128);
  const HGDIOBJ old_font = SelectObject(item.hDC, app.ui_font);
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, text_colour);
  RECT rect = item.rcItem;
  DrawTextW(item.hDC, text, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(item.hDC, old_font);
  return 1;
}

LRESULT on_dialog_command(DialogState& state, WPARAM wparam) {
  const int id = LOWORD(wparam);
  const int code = HIWORD(wparam);
  if (id == dlg_primary) {
    state.app->dialog_accept(state);
  } else if (id == dlg_secondary) {
    state.done = true;
  } else if (id == dlg_search && code == EN_CHANGE) {
    dialog_refill_list(state);
  } else if (id == dlg_list && code == LBN_DBLCLK) {
    state.app->dialog_accept(state);
  } else if (id == dlg_list && code == LBN_SELCHANGE && state.kind == cmd_keyboard_shortcuts) {
    show_selected_shortcut(state);
  } else if (id == dlg_about_link && code == BN_CLICKED) {
    open_about_link(state);
  }
  return 0;
}

LRESULT dispatch_dialog(DialogState& state, HWND window, UINT message, WPARAM wparam,
                        LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return erase_background(state, reinterpret_cast<HDC>(wparam));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      return control_colours(state, message, reinterpret_cast<HDC>(wparam),
                             reinterpret_cast<HWND>(lparam));
    case WM_CLOSE:
      state.done = true;
      return 0;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (item.CtlType != ODT_BUTTON) break;
      return draw_button(state, item);
    }
    case WM_COMMAND:
      return on_dialog_command(state, wparam);
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

LRESULT CALLBACK dialog_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* state =
        static_cast<DialogState*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    if (state != nullptr) {
      state->dialog = window;
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    }
  }
  auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (state == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  try {
    return dispatch_dialog(*state, window, message, wparam, lparam);
  } catch (const std::exception& error) {
    MessageBoxW(window, to_wide_lenient(error.what()).c_str(), L"Tavrel", MB_ICONWARNING);
    return 0;
  }
}

const wchar_t* dialog_title(const DialogState& state) {
  const KindInfo* info = kind_info(state.kind);
  if (info == nullptr) return L"";
  return ui_text(*state.app, info->english, info->vietnamese);
}

HWND dialog_create_control(DialogState& state, const wchar_t* class_name, const wchar_t* text,
                           DWORD style, int id, int x, int y, int width, int height) {
  App& app = *state.app;
  if (_wcsicmp(class_name, L"STATIC") == 0) style |= SS_NOPREFIX;
  const HWND control =
      CreateWindowExW(0, class_name, text, style | WS_CHILD | WS_VISIBLE, app.scale(x),
                      app.scale(y), app.scale(width), app.scale(height), state.dialog,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), app.instance, nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(app.ui_font), TRUE);
  SetWindowTheme(control, app.dark ? L"DarkMode_Explorer" : L"Explorer", nullptr);
  if (_wcsicmp(class_name, L"EDIT") == 0) app.theme_edit_box(control);
  return control;
}

void dialog_build_page(DialogState& state) {
  set_dark_title_bar(state);
  if (state.kind == cmd_about) {
    dialog_build_about(state);
    return;
  }
  const App& app = *state.app;
  dialog_create_control(state, L"STATIC", dialog_title(state), 0, dlg_primary, 26, 24, 560, 30);
  constexpr DWORD kButton = WS_TABSTOP | BS_OWNERDRAW;
  state.primary_button = dialog_create_control(state, L"BUTTON", ui_text(app, L"Close", L"Đóng"),
                                               kButton, dlg_primary, 482, 400, 112, 34);
  state.secondary_button = dialog_create_control(state, L"BUTTON", ui_text(app, L"Cancel", L"Hủy"),
                                                 kButton, dlg_secondary, 358, 400, 112, 34);
  ShowWindow(state.secondary_button, SW_HIDE);
  switch (state.kind) {
    case cmd_quick_open:
    case cmd_recent_pinned:
    case cmd_document_history:
      build_file_list_page(state);
      break;
    case cmd_settings:
      build_settings_page(state);
      break;
    case cmd_keyboard_shortcuts:
      build_shortcuts_page(state);
      break;
    case cmd_licenses:
      build_licenses_page(state);
      break;
    case cmd_emoji:
      build_emoji_page(state);
      break;
    case kDialogCopyCode:
      build_copy_code_page(state);
      break;
    default:
      break;
  }
}

int dialog_message(const DialogState& state, const std::wstring& text, UINT type) {
  const App& app = *state.app;
  if (app.message_box) return app.message_box(state.dialog, text, L"Tavrel", type);
  return MessageBoxW(state.dialog, text.c_str(), L"Tavrel", type);
}

void dialog_fill_list(HWND list, const std::vector<std::wstring>& rows) {
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const std::wstring& row : rows)
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
  if (!rows.empty()) SendMessageW(list, LB_SETCURSEL, 0, 0);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

int dialog_list_row(const DialogState& state) {
  if (state.list == nullptr) return -1;
  return static_cast<int>(SendMessageW(state.list, LB_GETCURSEL, 0, 0));
}

void App::run_dialog(uint32_t kind) {
  const KindInfo* info = kind_info(kind);
  if (info == nullptr || main_window == nullptr) return;
  DialogState state;
  state.app = this;
  state.kind = kind;
  const HWND dialog = create_dialog_window(state, *info);
  if (dialog == nullptr) return;
  {
    ModalScope scope(*this, dialog);
    dialog_build_page(state);
    ShowWindow(dialog, SW_SHOW);
    run_modal_loop(state);
  }
  restore_editor_focus(*this);
}

void App::dialog_accept(DialogState& state) {
  switch (state.kind) {
    case cmd_quick_open:
    case cmd_recent_pinned:
    case cmd_document_history:
      accept_file_list(state);
      break;
    case cmd_settings:
      accept_settings(state);
      break;
    case cmd_keyboard_shortcuts:
      accept_shortcut(state);
      break;
    case cmd_emoji:
      accept_emoji(state);
      break;
    case kDialogCopyCode:
      accept_copy_code(state);
      break;
    default:  // Licenses and About: accept closes
      state.done = true;
      break;
  }
}

}  // namespace tavrel::win
