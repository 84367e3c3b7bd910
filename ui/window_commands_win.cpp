// WM_COMMAND, WM_NOTIFY and WM_TIMER of the main window: edits of the active editor, the find
// bar, commands, tabs, the workspace tree, preview links, toolbar drawing and the timers.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <string>
#include <vector>

#include "core/file_io_win.h"
#include "ui/editor_swap_win.h"
#include "ui/main_window_win.h"
#include "ui/preview_nav_win.h"
#include "ui/tab_model.h"
#include "ui/window_handlers_win.h"

namespace tavrel::win {
namespace {

bool is_active_editor(const App& app, HWND control) {
  return !app.documents.empty() && control == app.documents.at(app.active_document)->editor;
}

void on_find_bar_command(App& app, int id, int code) {
  switch (id) {
    case ctl_emoji_popup:
      if (code == LBN_DBLCLK) app.accept_emoji_completion();
      break;
    case ctl_outline_list:
      if (code == LBN_SELCHANGE) {
        app.goto_outline_entry(
            static_cast<int>(SendMessageW(app.outline_list, LB_GETCURSEL, 0, 0)));
      }
      break;
    case ctl_find_next:
      app.find_next();
      break;
    case ctl_replace_one:
    case ctl_replace_all:
      app.replace_matches(id == ctl_replace_all);
      break;
    case ctl_close_find:
      app.find_bar_visible = false;
      app.layout_panes();
      break;
    default:
      break;  // the other controls below the command range notify nothing we act on
  }
}

// The path behind the tree's caret item; nothing for folders and for an item that cannot be read.
const std::filesystem::path* caret_tree_path(const App& app) {
  const auto item =
      reinterpret_cast<HTREEITEM>(SendMessageW(app.workspace_tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (item == nullptr) return nullptr;
  TVITEMW tree_item{};
  tree_item.mask = TVIF_PARAM;
  tree_item.hItem = item;
  if (!SendMessageW(app.workspace_tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tree_item)))
    return nullptr;
  if (tree_item.lParam < 1) return nullptr;
  const auto index = static_cast<size_t>(tree_item.lParam - 1);
  if (index >= app.workspace_tree_paths.size()) return nullptr;  // a tree older than the list
  return &app.workspace_tree_paths[index];
}

// Images count in any letter case of their extension, as the scan lists them. The path is
// copied: an error box's message loop can refill the tree and the list the caret item points into.
void open_tree_item(App& app) {
  const std::filesystem::path* caret_path = caret_tree_path(app);
  if (caret_path == nullptr) return;
  const std::filesystem::path path = *caret_path;
  if (is_image_file(path)) {
    app.insert_image_link(path);
  } else {
    app.open_path(path);
  }
}

LRESULT on_toolbar_draw(App& app, const WindowMessage& message) {
  auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(message.lparam);
  switch (draw->dwDrawStage) {
    case CDDS_PREPAINT:
      FillRect(draw->hdc, &draw->rc, app.background_brush);
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      app.draw_toolbar_item(*draw);
      return CDRF_SKIPDEFAULT;
    default:
      return message.default_result();
  }
}

// Without a written error the self-test passed; a failure that cannot even be written is shown
// in the warning box by the window procedure, and the run stays open.
void finish_self_test(App& app) {
  KillTimer(app.main_window, timer_self_test);
  int code = 0;
  try {
    app.run_self_tests();
  } catch (const std::exception& error) {
    write_file_atomic(app.profile_dir / L"test-error.txt", error.what());
    code = 2;
  }
  app.closing = true;
  DestroyWindow(app.main_window);
  PostQuitMessage(code);
}

}  // namespace

LRESULT on_command_message(App& app, const WindowMessage& message) {
  const int id = LOWORD(message.wparam);
  const int code = HIWORD(message.wparam);
  const auto control = reinterpret_cast<HWND>(message.lparam);
  if (code == EN_CHANGE && control == app.editor_holding_text) app.editor_holding_text = nullptr;
  if (code == EN_CHANGE && is_active_editor(app, control)) {
    // A change the program holds back from the document's edits is a recolouring, or a text it
    // puts in and reports itself.
    if (!app.suppress_change) note_editor_change(*app.current_document());
    app.on_document_edited();
  } else if (id < first_command_id) {
    on_find_bar_command(app, id, code);
  } else if (control == nullptr || control == app.toolbar || code == 0) {
    // Menu items and toolbar buttons; editors (ids from 200) notify with a code and are not
    // commands.
    app.on_command(id);
  }
  return 0;
}

LRESULT on_notify_message(App& app, const WindowMessage& message) {
  const auto* header = reinterpret_cast<const NMHDR*>(message.lparam);
  if (header == nullptr) return message.default_result();
  const HWND from = header->hwndFrom;
  const UINT code = header->code;
  if (from == app.tab_control && code == TCN_SELCHANGE) {
    app.select_document(static_cast<size_t>(SendMessageW(app.tab_control, TCM_GETCURSEL, 0, 0)));
    return 0;
  }
  if (from == app.workspace_tree && (code == NM_DBLCLK || code == NM_RETURN)) {
    open_tree_item(app);
    return 0;
  }
  if (code == EN_SELCHANGE) {
    app.invalidate_status();  // caret line and column
    return 0;
  }
  if (code == EN_LINK && from == app.preview_edit) {
    follow_preview_link(app, *reinterpret_cast<const ENLINK*>(message.lparam));
    return 0;
  }
  if (from == app.toolbar && code == NM_CUSTOMDRAW) return on_toolbar_draw(app, message);
  if (from == app.workspace_tree && code == NM_CUSTOMDRAW) return on_tree_draw(app, message);
  return message.default_result();
}

LRESULT on_timer_message(App& app, const WindowMessage& message) {
  const UINT_PTR id = message.wparam;
  switch (id) {
    case timer_poll_jobs:
      app.poll_jobs();  // stops its timer itself once nothing is pending
      break;
    case timer_render:
      KillTimer(app.main_window, id);
      app.request_render();
      break;
    case timer_recovery:
      KillTimer(app.main_window, id);
      app.save_recovery();
      app.auto_save_documents();
      break;
    case timer_save_settings:
      KillTimer(app.main_window, id);
      app.save_settings();
      break;
    case timer_benchmark:
      KillTimer(app.main_window, id);
      app.write_benchmark_report();
      break;
    case timer_self_test:
      finish_self_test(app);
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace tavrel::win
