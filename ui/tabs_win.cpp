// The document tab strip: one tab per open document, refilled whole after every change of the
// list, painted by the main window's owner-draw code, and driven by the mouse through the tab
// control's subclass: a press selects a tab and starts a drag, a press in the close zone or a
// middle click closes it, and dragging moves the held document along the strip.
//
// The control's own click handling never runs: selection goes through App::select_document so
// the editor, the title and the preview follow at once.
#include "ui/tabs_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <string>

#include "core/app_win.h"
#include "ui/main_window_win.h"
#include "ui/tab_model.h"
#include "ui/theme_win.h"

namespace tavrel::win {
namespace {

// The tab under a point of the control's client area, or -1.
int tab_at(HWND tabs, LPARAM point) {
  TCHITTESTINFO hit{};
  hit.pt = POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
  return static_cast<int>(SendMessageW(tabs, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

RECT tab_rect(HWND tabs, int index) {
  RECT rect{};
  SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
  return rect;
}

void paint_tabs(App& app, HWND tabs) {
  PaintScope scope(tabs);
  const HDC dc = scope.dc();
  SetDCBrushColor(dc, app.palette[palette_pane]);
  RECT client = scope.client();
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  // The count is read again after every item: drawing may run code that changes the strip.
  for (int i = 0; i < static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0)); ++i) {
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_TAB;
    item.CtlID = ctl_document_tabs;
    item.itemID = static_cast<UINT>(i);
    item.hwndItem = tabs;
    item.hDC = dc;
    item.rcItem = tab_rect(tabs, i);
    SendMessageW(app.main_window, WM_DRAWITEM, ctl_document_tabs, reinterpret_cast<LPARAM>(&item));
  }
}

LRESULT on_press(App& app, HWND tabs, UINT message, WPARAM wparam, LPARAM lparam) {
  const int index = tab_at(tabs, lparam);
  if (index < 0) return DefSubclassProc(tabs, message, wparam, lparam);
  if (GET_X_LPARAM(lparam) > tab_rect(tabs, index).right - app.scale(kTabCloseZone)) {
    app.close_document(static_cast<size_t>(index));
    return 0;
  }
  app.drag_tab = index;
  SetCapture(tabs);
  app.select_document(static_cast<size_t>(index));
  return 0;
}

// The held document moves to the tab under the cursor. The held index is checked against the
// list as it is now (a tab may have closed during the drag, for example from a save question),
// and the document is moved rather than exchanged, so tabs the cursor skipped keep their order.
void on_drag(App& app, HWND tabs, WPARAM wparam, LPARAM lparam) {
  if (app.drag_tab < 0 || (wparam & MK_LBUTTON) == 0) return;
  const int from = app.drag_tab;
  const int target = tab_at(tabs, lparam);
  const TabDragStep step = drag_tab_over(app.documents, from, target);
  if (step.moved) {
    app.active_document = index_after_move(app.active_document, static_cast<size_t>(from),
                                           static_cast<size_t>(target));
    app.drag_tab = step.drag_tab;
    app.rebuild_tabs();
  } else if (step.drag_tab < 0) {
    app.drag_tab = -1;
    if (GetCapture() == tabs) ReleaseCapture();
  }
}

LRESULT on_middle_release(App& app, HWND tabs, LPARAM lparam) {
  const int index = tab_at(tabs, lparam);
  if (index >= 0) app.close_document(static_cast<size_t>(index));
  return 0;
}

LRESULT handle(App& app, HWND tabs, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the paint fills everything
    case WM_PAINT:
      paint_tabs(app, tabs);
      return 0;
    case WM_LBUTTONDOWN:
      return on_press(app, tabs, message, wparam, lparam);
    case WM_MOUSEMOVE:
      on_drag(app, tabs, wparam, lparam);
      break;
    case WM_LBUTTONUP:
      app.drag_tab = -1;
      ReleaseCapture();
      break;
    case WM_CAPTURECHANGED:
      app.drag_tab = -1;  // capture taken away without a button release
      break;
    case WM_MBUTTONUP:
      return on_middle_release(app, tabs, lparam);
    default:
      break;
  }
  return DefSubclassProc(tabs, message, wparam, lparam);
}

}  // namespace

void App::rebuild_tabs() {
  if (tab_control == nullptr) return;
  const RedrawGuard quiet(tab_control);
  SendMessageW(tab_control, TCM_DELETEALLITEMS, 0, 0);
  for (size_t i = 0; i < documents.size(); ++i) {
    std::wstring label = tab_label(documents[i]->path, documents[i]->modified, vietnamese);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = label.data();
    SendMessageW(tab_control, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageW(tab_control, TCM_SETITEMSIZE, 0, MAKELPARAM(scale(kTabWidth), scale(kTabHeight)));
  SendMessageW(tab_control, TCM_SETCURSEL, active_document, 0);
  InvalidateRect(tab_control, nullptr, TRUE);
}

// Runs inside the control's window procedure: nothing may escape into the system. A failure of a
// document operation shows the warning box as the main window's handlers do.
LRESULT CALLBACK tabs_subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR, DWORD_PTR reference) {
  auto* app = reinterpret_cast<App*>(reference);
  if (app == nullptr) return DefSubclassProc(window, message, wparam, lparam);
  try {
    return handle(*app, window, message, wparam, lparam);
  } catch (const std::exception& error) {
    app->show_error(error);
    return 0;
  }
}

}  // namespace tavrel::win
