// Applies the computed layout to the child windows in one deferred batch, drags the split bar,
// and remembers and restores the focused child across deactivation.
#include <windows.h>
#include <windowsx.h>
#include <richedit.h>

#include <vector>

#include "ui/layout.h"
#include "ui/main_window_win.h"
#include "ui/window_handlers_win.h"
#include "web/web_host_win.h"

namespace tavrel::win {
namespace {

struct PendingMove {
  HWND window;
  Rect rect;
  UINT flags;
};

Rect to_rect(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

// Adds a move for `window` unless it already is where and as visible as it should be.
void collect_window_position(HWND main_window, std::vector<PendingMove>& moves, HWND window,
                             const PanePlacement& target) {
  if (window == nullptr) return;
  RECT current{};
  GetWindowRect(window, &current);
  MapWindowPoints(nullptr, main_window, reinterpret_cast<POINT*>(&current), 2);
  const bool visible = (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
  const std::optional<WindowMove> plan = plan_window_move(to_rect(current), visible, target);
  if (!plan) return;
  UINT flags = SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOCOPYBITS;
  if (!plan->move) flags |= SWP_NOMOVE;
  if (!plan->resize) flags |= SWP_NOSIZE;
  if (plan->visibility == VisibilityChange::Show) flags |= SWP_SHOWWINDOW;
  if (plan->visibility == VisibilityChange::Hide) flags |= SWP_HIDEWINDOW;
  moves.push_back(PendingMove{window, target.rect.value_or(to_rect(current)), flags});
}

HWND pane_window(const App& app, Pane pane) {
  switch (pane) {
    case Pane::Toolbar:
      return app.toolbar;
    case Pane::DocumentTabs:
      return app.tab_control;
    case Pane::WorkspaceTree:
      return app.workspace_tree;
    case Pane::OutlineList:
      return app.outline_list;
    case Pane::FindEdit:
      return app.find_edit;
    case Pane::ReplaceEdit:
      return app.replace_edit;
    case Pane::MatchCase:
      return app.match_case_button;
    case Pane::Regex:
      return app.regex_button;
    case Pane::Preview:
      return app.preview_edit;
    case Pane::StatusBar:
      return app.status_bar;
    case Pane::WebHost:
      return app.web && app.web_host ? app.web_host : nullptr;
    case Pane::ActiveEditor:
      return nullptr;  // every editor, see collect_editor_positions
    default:
      return GetDlgItem(app.main_window, pane_control_id(pane));  // find-bar buttons
  }
}

// The active editor takes the editor placement; every other editor is only hidden where it is.
void collect_editor_positions(const App& app, std::vector<PendingMove>& moves,
                              const PanePlacement& target) {
  if (app.documents.empty()) return;
  const HWND active = app.documents.at(app.active_document)->editor;
  const PanePlacement hidden{std::nullopt, false};
  for (const auto& document : app.documents) {
    collect_window_position(app.main_window, moves, document->editor,
                            document->editor == active ? target : hidden);
  }
}

bool defer_all(const std::vector<PendingMove>& moves) {
  HDWP batch = BeginDeferWindowPos(static_cast<int>(moves.size()));
  for (const PendingMove& m : moves) {
    if (batch == nullptr) return false;
    batch = DeferWindowPos(batch, m.window, nullptr, m.rect.left, m.rect.top, m.rect.width(),
                           m.rect.height(), m.flags);
  }
  return batch != nullptr && EndDeferWindowPos(batch);
}

void apply_moves(const std::vector<PendingMove>& moves) {
  if (moves.empty() || defer_all(moves)) return;
  for (const PendingMove& m : moves) {
    SetWindowPos(m.window, nullptr, m.rect.left, m.rect.top, m.rect.width(), m.rect.height(),
                 m.flags);
  }
}

void redraw_shown(const std::vector<PendingMove>& moves) {
  for (const PendingMove& m : moves) {
    if (GetWindowLongW(m.window, GWL_STYLE) & WS_VISIBLE) {
      RedrawWindow(m.window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    }
  }
}

// A window that can take the focus back: still there, inside the main window, enabled, and shown
// together with every parent up to the main window.
bool can_take_focus(HWND main_window, HWND window) {
  if (window == nullptr || !IsWindow(window) || !IsChild(main_window, window) ||
      !IsWindowEnabled(window)) {
    return false;
  }
  for (HWND w = window; w != nullptr && w != main_window; w = GetParent(w)) {
    if ((GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) == 0) return false;
  }
  return true;
}

}  // namespace

LayoutInput layout_input(const App& app) {
  RECT client{};
  GetClientRect(app.main_window, &client);
  LayoutInput input;
  input.width = client.right - client.left;
  input.height = client.bottom - client.top;
  input.dpi = app.dpi;
  input.sidebar = app.sidebar;
  input.outline = app.outline;
  input.distraction_free = app.distraction_free;
  input.view_mode = app.view_mode;
  input.split_percent = app.split_percent;
  input.find_bar_visible = app.find_bar_visible;
  input.find_replace_mode = app.find_replace_mode;
  input.web_host_exists = app.web != nullptr && app.web_host != nullptr;
  input.web_preview = app.web_preview;
  return input;
}

void App::layout_panes() {
  if (main_window == nullptr || toolbar == nullptr) return;
  const Layout layout = compute_layout(layout_input(*this));
  std::vector<PendingMove> moves;
  for (size_t i = 0; i < kPaneCount; ++i) {
    const auto pane = static_cast<Pane>(i);
    if (pane == Pane::ActiveEditor) {
      collect_editor_positions(*this, moves, layout.at(pane));
    } else {
      collect_window_position(main_window, moves, pane_window(*this, pane), layout.at(pane));
    }
  }
  apply_moves(moves);
  if (!documents.empty())
    pad_editor_rect(documents.at(active_document)->editor, kEditorTextInset, true);
  pad_editor_rect(preview_edit, kPreviewTextInset, false);
  web_update_bounds(*this);
  redraw_shown(moves);
  InvalidateRect(main_window, nullptr, FALSE);
}

void App::pad_editor_rect(HWND edit, int side, bool bottom) {
  if (edit == nullptr) return;
  RECT client{};
  GetClientRect(edit, &client);
  const Rect padded = padded_text_rect(to_rect(client), side, bottom, dpi);
  RECT wanted{padded.left, padded.top, padded.right, padded.bottom};
  RECT current{};
  SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&current));
  if (!EqualRect(&current, &wanted))
    SendMessageW(edit, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&wanted));
}

void App::remember_focus() {
  const HWND focus = GetFocus();
  if (focus == nullptr || !IsChild(main_window, focus)) return;
  saved_focus = focus;
  saved_focus_web = web_host != nullptr && (focus == web_host || IsChild(web_host, focus));
}

void App::restore_focus() {
  if (!IsWindowEnabled(main_window) || IsIconic(main_window) || documents.empty() || closing)
    return;
  if (saved_focus_web) {
    if (can_take_focus(main_window, web_host) && web_focus(*this)) return;
  } else if (can_take_focus(main_window, saved_focus)) {
    SetFocus(saved_focus);
    return;
  }
  if (view_mode == 3) {
    web_focus(*this);
  } else {
    SetFocus(documents.at(active_document)->editor);
  }
}

LRESULT on_splitter_press(App& app, const WindowMessage& message) {
  if (splitter_hit(layout_input(app), GET_X_LPARAM(message.lparam))) {
    app.splitter_drag = true;
    SetCapture(app.main_window);
  }
  return 0;
}

LRESULT on_splitter_move(App& app, const WindowMessage& message) {
  if (!app.splitter_drag) return 0;
  app.split_percent = split_percent_at(layout_input(app), GET_X_LPARAM(message.lparam));
  app.layout_panes();
  return 0;
}

LRESULT on_splitter_release(App& app, const WindowMessage&) {
  if (!app.splitter_drag) return 0;
  app.splitter_drag = false;
  ReleaseCapture();
  return 0;
}

// Another window took the mouse (a menu, a box, switching programs) before the button came up:
// the drag is over, or the split would follow the mouse with no button held.
LRESULT on_capture_lost(App& app, const WindowMessage& message) {
  app.splitter_drag = false;
  return message.default_result();
}

}  // namespace tavrel::win
