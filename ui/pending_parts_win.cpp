// Placeholders for the operations the main window, the layout and the program entry call into
// but which belong to subsystems that are not built yet (documents, recovery, workspace scan,
// rendering, theme, menus, toolbar, tabs, editors, shortcuts, find bar, emoji, images, links,
// painting, file association, web preview, self-test and benchmark).
//
// None of them pretends to do its work: each does nothing, or the least that keeps the window
// sound (a paint that validates, a drop handle that is freed, a timer that stops), and reports
// what it could not do where a caller would otherwise take silence for success. This file is
// replaced bit by bit as those subsystems land.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <stdexcept>

#include "ui/main_window_win.h"
#include "ui/pending_parts_win.h"

namespace tavrel::win {

// --- Documents, recovery and workspace -------------------------------------------------------

// Nothing can be opened before documents exist.
bool App::open_path(const std::filesystem::path&) { return false; }
void App::new_document(std::string) {}
void App::select_document(size_t) {}
// Without the save question a modified document must not be dropped silently: keep it.
bool App::confirm_save_changes(Document* document) { return document == nullptr || !document->modified; }
void App::restore_recovery() {}
void App::save_recovery() {}
void App::auto_save_documents() {}
void App::scan_workspace() {}
std::string welcome_markdown(bool) { return {}; }

// --- Rendering and background jobs -----------------------------------------------------------

void App::request_render() {}
// No job can be pending yet, so the poll timer stops at once.
void App::poll_jobs() { KillTimer(main_window, timer_poll_jobs); }

// --- Theme, menus, toolbar, tabs, outline, painting ------------------------------------------

void App::apply_theme() {}
void App::theme_edit_box(HWND) {}
// The colours Windows gives an edit box, until the theme supplies its own.
HBRUSH App::on_ctl_color(HDC dc) {
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  return GetSysColorBrush(COLOR_WINDOW);
}
void App::install_menu_hook() {}
void remove_menu_hook() {}
void App::build_menu() {}
void App::on_command(int) {}
void App::rebuild_toolbar() {}
void App::draw_toolbar_item(NMCUSTOMDRAW&) {}
void App::rebuild_tabs() {}
void App::goto_outline_entry(int) {}
LRESULT CALLBACK tabs_subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                    DWORD_PTR) {
  return DefSubclassProc(window, message, wparam, lparam);
}
// Before the theme exists the client area shows the system window colour; the paint must still
// validate the area or WM_PAINT would come back forever.
void App::paint_panes() {
  PAINTSTRUCT paint{};
  const HDC dc = BeginPaint(main_window, &paint);
  RECT client{};
  GetClientRect(main_window, &client);
  FillRect(dc, &client, background_brush ? background_brush : GetSysColorBrush(COLOR_WINDOW));
  EndPaint(main_window, &paint);
}
void App::paint_menu_bar_rule() {}
bool App::draw_item(const DRAWITEMSTRUCT&) { return false; }
bool App::measure_item(MEASUREITEMSTRUCT&) { return false; }
void App::refresh_association_icon() {}

// --- Editors, keys, find bar, emoji, images, links -------------------------------------------

// The bare control at its id and with its style; configuring it (limits, event mask, text mode,
// colours, fonts, wrapping, subclass) belongs to the editor subsystem.
HWND App::create_rich_edit(bool preview) {
  DWORD style = WS_CHILD | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
  if (preview) style |= ES_READONLY;
  const int id = preview ? ctl_preview : first_editor_id + static_cast<int>(documents.size());
  const HWND edit = CreateWindowExW(0, L"RICHEDIT50W", preview ? L"Markdown preview" : L"Markdown editor",
                                    style, 0, 0, 0, 0, main_window,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (edit == nullptr) throw std::runtime_error("Cannot create RichEdit control");
  return edit;
}
bool App::handle_shortcut(const MSG&) { return false; }
void App::find_next() {}
void App::replace_matches(bool) {}
void App::accept_emoji_completion() {}
void App::insert_image_link(const std::filesystem::path&) {}
// The drop handle belongs to us once delivered; free it even though nothing is opened yet.
void App::on_drop_files(HDROP drop) { DragFinish(drop); }
void App::open_link(const std::wstring&) {}

// --- Web preview -----------------------------------------------------------------------------

void web_start(App&) {}
void web_update_bounds(App&) {}
bool web_focus(App&) { return false; }

// --- Test modes ------------------------------------------------------------------------------

// A self-test run must never report success for checks that do not exist.
void App::run_self_tests() { throw std::runtime_error("The self-test suite is not built yet"); }
void App::write_benchmark_report() {}

}  // namespace tavrel::win
