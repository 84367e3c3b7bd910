// The main window: its creation with the child controls, the small operations every part of the
// program uses on it (scaling, the status text, the title, the warning box), and the window
// procedure, which finds the App behind the window and hands each message to its one handler.
// Every handler runs under one exception guard, so a failure becomes the warning box and the
// message still gets its default answer.
#include "ui/main_window_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <stdexcept>
#include <vector>

#include "core/recovery_win.h"
#include "core/session_guard_win.h"
#include "core/text_convert.h"
#include "ui/tab_model.h"
#include "ui/tabs_win.h"
#include "ui/theme_win.h"
#include "ui/window_handlers_win.h"
#include "web/web_host_win.h"

namespace tavrel::win {
namespace {

constexpr int kInitialWidth = 1280;  // not scaled: the window has no DPI before it exists
constexpr int kInitialHeight = 850;

void register_main_class(App& app) {
  app.app_icon = LoadIconW(app.instance, MAKEINTRESOURCEW(kAppIconResource));
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = main_window_proc;
  window_class.hInstance = app.instance;
  window_class.hIcon = app.app_icon;
  window_class.hIconSm = app.app_icon;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kMainWindowClass;
  RegisterClassExW(&window_class);  // a second registration in one process fails harmlessly
}

HWND create_child(const App& app, const wchar_t* window_class, const wchar_t* text, DWORD style,
                  int id) {
  return CreateWindowExW(0, window_class, text, style, 0, 0, 0, 0, app.main_window,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), app.instance, nullptr);
}

void create_toolbar(App& app) {
  const DWORD style = WS_CHILD | WS_VISIBLE | TBSTYLE_LIST | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                      CCS_NODIVIDER | CCS_NOPARENTALIGN | CCS_NORESIZE;
  app.toolbar = create_child(app, TOOLBARCLASSNAMEW, L"Formatting", style, ctl_toolbar);
  SendMessageW(app.toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(app.toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DOUBLEBUFFER);
}

void create_document_tabs(App& app) {
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | TCS_OWNERDRAWFIXED |
                      TCS_FIXEDWIDTH | TCS_FOCUSNEVER;
  app.tab_control = create_child(app, WC_TABCONTROLW, L"Documents", style, ctl_document_tabs);
  SetWindowSubclass(app.tab_control, tabs_subclass_proc, 1, reinterpret_cast<DWORD_PTR>(&app));
}

void create_side_panes(App& app) {
  const DWORD tree_style = WS_CHILD | WS_TABSTOP | TVS_HASBUTTONS | TVS_LINESATROOT |
                           TVS_SHOWSELALWAYS | TVS_FULLROWSELECT;
  app.workspace_tree =
      create_child(app, WC_TREEVIEWW, L"Workspace", tree_style, ctl_workspace_tree);
  const DWORD list_style = WS_CHILD | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_OWNERDRAWFIXED |
                           LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT;
  app.outline_list = create_child(app, L"LISTBOX", L"Outline", list_style, ctl_outline_list);
}

void create_find_row(App& app) {
  const DWORD edit_style = WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL;
  app.find_edit = create_child(app, L"EDIT", L"", edit_style, ctl_find_edit);
  app.theme_edit_box(app.find_edit);
  app.replace_edit = create_child(app, L"EDIT", L"", edit_style, ctl_replace_edit);
  app.theme_edit_box(app.replace_edit);

  const DWORD check_style = WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX;
  app.match_case_button = create_child(app, L"BUTTON", L"Aa", check_style, ctl_match_case);
  app.regex_button = create_child(app, L"BUTTON", L".*", check_style, ctl_regex);

  const DWORD button_style = WS_CHILD | WS_TABSTOP | BS_OWNERDRAW;
  create_child(app, L"BUTTON", L"\u2193", button_style, ctl_find_next);
  create_child(app, L"BUTTON", L"1 \u2194 1", button_style, ctl_replace_one);
  create_child(app, L"BUTTON", L"All \u2194", button_style, ctl_replace_all);
  create_child(app, L"BUTTON", L"\u00D7", button_style, ctl_close_find);
}

}  // namespace

void App::create_window() {
  register_main_class(*this);
  const HWND window =
      CreateWindowExW(WS_EX_ACCEPTFILES, kMainWindowClass, L"Tavrel",
                      WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                      kInitialWidth, kInitialHeight, nullptr, nullptr, instance, this);
  main_window = window;  // WM_NCCREATE set it already; a failed creation must not leave it behind
  if (!window) throw std::runtime_error("Cannot create Tavrel window");

  refresh_association_icon();
  if (const UINT window_dpi = GetDpiForWindow(main_window)) dpi = static_cast<int32_t>(window_dpi);
  create_controls();
  apply_theme();
  build_menu();
  rebuild_toolbar();
  layout_panes();
  if (!workspace_root.empty()) scan_workspace();
}

// The creation order is the keyboard order of the controls.
void App::create_controls() {
  create_toolbar(*this);
  create_document_tabs(*this);
  create_side_panes(*this);
  status_bar =
      create_child(*this, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, ctl_status_bar);
  preview_edit = create_rich_edit(true);
  create_find_row(*this);
}

int App::scale(int value) const { return MulDiv(value, dpi, 96); }

void App::set_status(std::wstring text) {
  status_text = std::move(text);
  invalidate_status();
}

void App::invalidate_status() { InvalidateRect(status_bar, nullptr, TRUE); }

void App::update_title() {
  if (documents.empty()) return;
  const Document& document = *documents.at(active_document);
  std::wstring title = document.modified ? L"* " : L"";
  title += document_name(document.path, vietnamese);
  title += L" - Tavrel";
  SetWindowTextW(main_window, title.c_str());
  invalidate_status();
}

// The text may come from anywhere (file names, parser messages); showing it must never fail.
void App::show_error(const std::exception& error) {
  const wchar_t* title = vietnamese ? L"Tavrel - Kh\u00F4ng th\u1EC3 ho\u00E0n t\u1EA5t"
                                    : L"Tavrel - Could not complete action";
  MessageBoxW(main_window, to_wide_lenient(error.what()).c_str(), title, MB_ICONWARNING);
}

void release_main_window(App& app) {
  const HWND window = app.main_window;
  if (window == nullptr || !IsWindow(window)) return;
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  app.closing = true;
  DestroyWindow(window);
  app.main_window = nullptr;
}

namespace {

void attach_app(HWND window, LPARAM lparam) {
  const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
  auto* app = static_cast<App*>(create->lpCreateParams);
  if (app == nullptr) return;
  app->main_window = window;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(app));
}

App* attached_app(HWND window) {
  return reinterpret_cast<App*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT on_destroy() {
  PostQuitMessage(0);
  return 0;
}

LRESULT on_size(App& app) {
  app.layout_panes();
  return 0;
}

LRESULT on_activate(App& app, const WindowMessage& message) {
  if (LOWORD(message.wparam) == WA_INACTIVE) {
    app.remember_focus();
  } else if (HIWORD(message.wparam) == 0) {  // not minimised
    app.restore_focus();
  }
  return 0;
}

LRESULT on_set_focus(App& app) {
  app.restore_focus();
  return 0;
}

LRESULT on_paint(App& app) {
  app.paint_panes();
  return 0;
}

// Asks for every document in tab order; the first refusal keeps the window, the settings and
// every recovery file. Only once all documents may go are their recovery files removed. A save
// from the question may close another, unmodified tab (one that showed the same file), so the
// documents are asked for as they were listed at the start.
LRESULT on_close(App& app) {
  std::vector<const Document*> listed;
  for (const auto& document : app.documents) listed.push_back(document.get());
  for (const Document* document : listed) {
    const std::optional<size_t> open = app.tab_of(document);
    if (open && !app.confirm_save_changes(app.documents[*open].get())) return 0;
  }
  app.save_settings();
  for (const auto& document : app.documents) app.remove_recovery_file(*document);
  app.closing = true;
  DestroyWindow(app.main_window);
  return 0;
}

// Only the recovery snapshots: no question and no warning box may hold up the log-off.
LRESULT on_query_end_session(App& app) {
  save_recovery_at_session_end(app);
  return TRUE;
}

// Once more when the end is certain: an edit made while another program held the log-off up is
// in the snapshot too.
LRESULT on_end_session(App& app, const WindowMessage& message) {
  if (message.wparam) save_recovery_at_session_end(app);
  return 0;
}

LRESULT on_setting_change(App& app) {
  if (app.theme == 0) {
    app.apply_theme();
    app.build_menu();
  }
  return 0;
}

LRESULT on_min_max_info(App& app, const WindowMessage& message) {
  auto* info = reinterpret_cast<MINMAXINFO*>(message.lparam);
  const Size minimum = minimum_window_size(app.dpi);
  info->ptMinTrackSize = POINT{minimum.width, minimum.height};
  return 0;
}

LRESULT on_draw_item(App& app, const WindowMessage& message) {
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(message.lparam);
  return app.draw_item(*item) ? TRUE : message.default_result();
}

LRESULT on_measure_item(App& app, const WindowMessage& message) {
  auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(message.lparam);
  return app.measure_item(*item) ? TRUE : message.default_result();
}

LRESULT on_copy_data(App& app, const WindowMessage& message) {
  return receive_forwarded_arguments(app, reinterpret_cast<const COPYDATASTRUCT*>(message.lparam));
}

LRESULT on_non_client_paint(App& app, const WindowMessage& message) {
  const LRESULT result = message.default_result();
  app.paint_menu_bar_rule();
  return result;
}

LRESULT on_edit_colors(App& app, const WindowMessage& message) {
  return reinterpret_cast<LRESULT>(app.on_ctl_color(reinterpret_cast<HDC>(message.wparam)));
}

// List boxes, buttons and statics sit on the window background. Before the first theme there is
// no brush to answer with, and the system colours stay.
LRESULT on_pane_colors(App& app, const WindowMessage& message) {
  if (app.background_brush == nullptr) return message.default_result();
  const auto dc = reinterpret_cast<HDC>(message.wparam);
  SetBkColor(dc, app.palette[palette_background]);
  SetTextColor(dc, app.palette[palette_text]);
  return reinterpret_cast<LRESULT>(app.background_brush);
}

LRESULT on_enter_menu_loop(App& app, const WindowMessage& message) {
  app.install_menu_hook();
  return message.default_result();
}

LRESULT on_exit_menu_loop(const WindowMessage& message) {
  remove_menu_hook();
  return message.default_result();
}

LRESULT on_drop_files(App& app, const WindowMessage& message) {
  app.on_drop_files(reinterpret_cast<HDROP>(message.wparam));
  return 0;
}

LRESULT on_dpi_changed(App& app, const WindowMessage& message) {
  app.dpi = HIWORD(message.wparam);
  const auto* suggested = reinterpret_cast<const RECT*>(message.lparam);
  SetWindowPos(app.main_window, nullptr, suggested->left, suggested->top,
               suggested->right - suggested->left, suggested->bottom - suggested->top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  app.apply_theme();
  app.rebuild_toolbar();
  app.layout_panes();
  return 0;
}

LRESULT dispatch(App& app, const WindowMessage& message) {
  switch (message.id) {
    case WM_DESTROY:
      return on_destroy();
    case WM_SIZE:
      return on_size(app);
    case WM_ACTIVATE:
      return on_activate(app, message);
    case WM_SETFOCUS:
      return on_set_focus(app);
    case WM_PAINT:
      return on_paint(app);
    case WM_CLOSE:
      return on_close(app);
    case WM_QUERYENDSESSION:
      return on_query_end_session(app);
    case WM_ENDSESSION:
      return on_end_session(app, message);
    case WM_ERASEBKGND:
      return 1;  // painting covers the whole client area
    case WM_SETTINGCHANGE:
      return on_setting_change(app);
    case WM_GETMINMAXINFO:
      return on_min_max_info(app, message);
    case WM_DRAWITEM:
      return on_draw_item(app, message);
    case WM_MEASUREITEM:
      return on_measure_item(app, message);
    case WM_COPYDATA:
      return on_copy_data(app, message);
    case WM_NOTIFY:
      return on_notify_message(app, message);
    case WM_NCPAINT:
    case WM_NCACTIVATE:
      return on_non_client_paint(app, message);
    case WM_COMMAND:
      return on_command_message(app, message);
    case WM_TIMER:
      return on_timer_message(app, message);
    case WM_CTLCOLOREDIT:
      return on_edit_colors(app, message);
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      return on_pane_colors(app, message);
    case WM_LBUTTONDOWN:
      return on_splitter_press(app, message);
    case WM_MOUSEMOVE:
      return on_splitter_move(app, message);
    case WM_LBUTTONUP:
      return on_splitter_release(app, message);
    case WM_CAPTURECHANGED:
      return on_capture_lost(app, message);
    case WM_ENTERMENULOOP:
      return on_enter_menu_loop(app, message);
    case WM_EXITMENULOOP:
      return on_exit_menu_loop(message);
    case WM_DROPFILES:
      return on_drop_files(app, message);
    case WM_DPICHANGED:
      return on_dpi_changed(app, message);
    default:
      return message.default_result();
  }
}

}  // namespace

LRESULT CALLBACK main_window_proc(HWND window, UINT id, WPARAM wparam, LPARAM lparam) {
  if (id == WM_NCCREATE) attach_app(window, lparam);
  App* app = attached_app(window);
  if (app == nullptr) return DefWindowProcW(window, id, wparam, lparam);
  const WindowMessage message{window, id, wparam, lparam};
  try {
    return dispatch(*app, message);
  } catch (const std::exception& error) {
    app->show_error(error);
    return message.default_result();
  }
}

void run_loop_message(App& app, const MSG& message) {
  if (app.handle_shortcut(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

}  // namespace tavrel::win
