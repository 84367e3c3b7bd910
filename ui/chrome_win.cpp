// The pieces that make standard Windows chrome follow the palette: buffered painting and
// batched redraws, the hook that frames popup menus, and the flat padded find-bar edit boxes
// with the colours they answer to WM_CTLCOLOREDIT.
//
// Everything here runs inside window procedures and hooks called by Windows, so nothing in it
// may throw.
#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>

#include "ui/paint_win.h"
#include "ui/theme_win.h"

namespace tavrel::win {
namespace {

// What the UI thread keeps for its chrome: whether buffered painting was started (so that it is
// stopped again when the thread ends) and the popup-menu hook with the App it serves.
struct ChromeRecord {
  bool buffered_paint_tried = false;
  bool buffered_paint_ready = false;
  HHOOK menu_hook = nullptr;
  App* hook_app = nullptr;

  ChromeRecord() = default;
  ChromeRecord(const ChromeRecord&) = delete;
  ChromeRecord& operator=(const ChromeRecord&) = delete;
  ~ChromeRecord() {
    if (menu_hook != nullptr) UnhookWindowsHookEx(menu_hook);
    if (buffered_paint_ready) BufferedPaintUnInit();
  }
};

ChromeRecord& chrome_record() {
  thread_local ChromeRecord record;
  return record;
}

bool buffered_paint_available() {
  ChromeRecord& record = chrome_record();
  if (!record.buffered_paint_tried) {
    record.buffered_paint_tried = true;
    record.buffered_paint_ready = SUCCEEDED(BufferedPaintInit());
  }
  return record.buffered_paint_ready;
}

RECT window_rect_at_origin(HWND window) {
  RECT bounds{};
  GetWindowRect(window, &bounds);
  OffsetRect(&bounds, -bounds.left, -bounds.top);
  return bounds;
}

void frame_with_colour(HDC dc, const RECT& bounds, COLORREF colour) {
  const COLORREF previous = SetDCBrushColor(dc, colour);
  FrameRect(dc, &bounds, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  SetDCBrushColor(dc, previous);
}

bool is_popup_menu(HWND window) {
  wchar_t name[33] = {};
  GetClassNameW(window, name, 33);
  return lstrcmpW(name, L"#32768") == 0;
}

void paint_menu_frame(HWND window, HDC given, const App& app) {
  if (app.background_brush == nullptr) return;  // no theme yet: the system frame stays
  const HDC dc = given != nullptr ? given : GetWindowDC(window);
  if (dc == nullptr) return;
  draw_window_frame(dc, window_rect_at_origin(window), app.palette[palette_border],
                    app.background_brush, 2);
  if (given == nullptr) ReleaseDC(window, dc);
}

int ui_font_pixel_height(HWND edit, const App& app) {
  const HDC dc = GetDC(edit);
  if (dc == nullptr) return 0;
  const HGDIOBJ previous = app.ui_font != nullptr ? SelectObject(dc, app.ui_font) : nullptr;
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  if (previous != nullptr) SelectObject(dc, previous);
  ReleaseDC(edit, dc);
  return metrics.tmHeight;
}

LRESULT edit_box_calc_size(HWND edit, WPARAM wparam, LPARAM lparam, const App& app) {
  RECT* proposed = wparam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam)->rgrc[0]
                          : reinterpret_cast<RECT*>(lparam);
  const Rect client =
      edit_box_client_rect(Rect{proposed->left, proposed->top, proposed->right, proposed->bottom},
                           ui_font_pixel_height(edit, app), app.dpi);
  *proposed = RECT{client.left, client.top, client.right, client.bottom};
  return 0;
}

void edit_box_paint_frame(HWND edit, const App& app) {
  const HDC dc = GetWindowDC(edit);
  if (dc == nullptr) return;
  RECT window{};
  GetWindowRect(edit, &window);
  RECT client{};
  GetClientRect(edit, &client);
  MapWindowPoints(edit, nullptr, reinterpret_cast<POINT*>(&client), 2);
  OffsetRect(&client, -window.left, -window.top);
  ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);

  const RECT bounds = window_rect_at_origin(edit);
  const EditFieldColours colours = edit_field_colours(current_theme(app), GetFocus() == edit);
  fill_colour(dc, bounds, colours.background);
  frame_with_colour(dc, bounds, colours.frame);
  ReleaseDC(edit, dc);
}

}  // namespace

ThemeChoice current_theme(const App& app) {
  ThemeChoice choice;
  for (size_t i = 0; i < kPaletteSize; ++i) choice.palette[i] = app.palette[i];
  choice.dark = app.dark;
  choice.high_contrast = app.high_contrast;
  return choice;
}

void draw_window_frame(HDC dc, RECT bounds, COLORREF outer, HBRUSH inner, int inner_frames) {
  frame_with_colour(dc, bounds, outer);
  for (int i = 0; i < inner_frames; ++i) {
    InflateRect(&bounds, -1, -1);
    FrameRect(dc, &bounds, inner);
  }
}

// --- Painting helpers ------------------------------------------------------------------------

PaintScope::PaintScope(HWND window) : window_(window) {
  const bool buffered = buffered_paint_available();
  const HDC paint_dc = BeginPaint(window_, &paint_);
  GetClientRect(window_, &client_);
  target_ = paint_dc;
  if (buffered && paint_dc != nullptr) {
    HDC memory = nullptr;
    buffer_ = BeginBufferedPaint(paint_dc, &client_, BPBF_COMPATIBLEBITMAP, nullptr, &memory);
    if (buffer_ != nullptr && memory != nullptr) target_ = memory;
  }
}

PaintScope::~PaintScope() {
  if (buffer_ != nullptr) EndBufferedPaint(buffer_, TRUE);
  EndPaint(window_, &paint_);
}

bool is_shown(HWND window) { return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

RedrawGuard::RedrawGuard(HWND window) : window_(window) {
  if (window_ == nullptr || !is_shown(window_)) return;
  SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
  active_ = true;
}

RedrawGuard::~RedrawGuard() {
  if (window_ == nullptr) return;
  InvalidateRect(window_, nullptr, TRUE);
  if (!active_) return;
  SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
}

// --- Popup menu frames -----------------------------------------------------------------------

void App::install_menu_hook() {
  ChromeRecord& record = chrome_record();
  record.hook_app = this;
  if (record.menu_hook == nullptr) {
    record.menu_hook =
        SetWindowsHookExW(WH_CALLWNDPROC, menu_hook_proc, nullptr, GetCurrentThreadId());
  }
}

void remove_menu_hook() {
  ChromeRecord& record = chrome_record();
  if (record.menu_hook != nullptr) UnhookWindowsHookEx(record.menu_hook);
  record.menu_hook = nullptr;
  record.hook_app = nullptr;
}

LRESULT CALLBACK menu_hook_proc(int code, WPARAM wparam, LPARAM lparam) {
  App* app = chrome_record().hook_app;
  if (code >= 0 && app != nullptr) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lparam);
    const UINT message = call->message;
    if ((message == WM_CREATE || message == WM_WINDOWPOSCHANGING || message == WM_NCPAINT) &&
        is_popup_menu(call->hwnd)) {
      // Subclassing the same window again only refreshes the reference data.
      SetWindowSubclass(call->hwnd, menu_frame_subclass_proc, 1, reinterpret_cast<DWORD_PTR>(app));
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

LRESULT CALLBACK menu_frame_subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                          UINT_PTR, DWORD_PTR app) {
  switch (message) {
    case WM_NCPAINT:
    case WM_PAINT:
    case WM_PRINT: {
      const LRESULT result = DefSubclassProc(window, message, wparam, lparam);
      const HDC given = message == WM_PRINT ? reinterpret_cast<HDC>(wparam) : nullptr;
      paint_menu_frame(window, given, *reinterpret_cast<const App*>(app));
      return result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, menu_frame_subclass_proc, 1);
      return DefSubclassProc(window, message, wparam, lparam);
    default:
      return DefSubclassProc(window, message, wparam, lparam);
  }
}

// --- Find-bar edit boxes ---------------------------------------------------------------------

void App::theme_edit_box(HWND edit) {
  if (edit == nullptr) return;
  const LONG_PTR style = GetWindowLongPtrW(edit, GWL_STYLE);
  SetWindowLongPtrW(edit, GWL_STYLE, style | WS_BORDER);
  SetWindowSubclass(edit, edit_box_subclass_proc, 1, reinterpret_cast<DWORD_PTR>(this));
  SetWindowPos(edit, nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

LRESULT CALLBACK edit_box_subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR, DWORD_PTR app_data) {
  const App& app = *reinterpret_cast<const App*>(app_data);
  switch (message) {
    case WM_NCCALCSIZE:
      return edit_box_calc_size(window, wparam, lparam, app);
    case WM_NCPAINT:
      edit_box_paint_frame(window, app);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE: {
      const LRESULT result = DefSubclassProc(window, message, wparam, lparam);
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
      return result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, edit_box_subclass_proc, 1);
      return DefSubclassProc(window, message, wparam, lparam);
    default:
      return DefSubclassProc(window, message, wparam, lparam);
  }
}

HBRUSH App::on_ctl_color(HDC dc) {
  if (background_brush == nullptr) {
    // Before the first theme: the colours Windows gives an edit box.
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return GetSysColorBrush(COLOR_WINDOW);
  }
  const EditFieldColours colours = edit_field_colours(current_theme(*this), false);
  SetTextColor(dc, palette[palette_text]);
  SetBkColor(dc, colours.background);
  SetDCBrushColor(dc, colours.background);
  return static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
}

}  // namespace tavrel::win
