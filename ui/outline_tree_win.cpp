// The two side lists: the outline, one row per heading of the last applied render with the jump
// from a row to its heading in the editor and the native preview; and the workspace tree, the
// files of the last scan under folder items for their folders relative to the workspace folder.
//
// A heading's offset comes from a render that may be older than the text in the editor; an
// offset that now falls inside a multi-byte character backs off to that character's start,
// and one past the end goes to the end, so a jump never fails.
//
// Item data of a tree file is its index in App::workspace_tree_paths plus one; folders carry 0.
// Folders start collapsed and keep the order of their first file.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

#include <string>
#include <vector>

#include "core/app_win.h"
#include "core/text_convert.h"
#include "ui/editor_win.h"
#include "ui/preview_nav_win.h"
#include "ui/tab_model.h"
#include "ui/theme_win.h"

namespace tavrel::win {
void App::refresh_outline() {
  if (outline_list == nullptr) return;
  const RedrawGuard quiet(outline_list);
  SendMessageW(outline_list, LB_RESETCONTENT, 0, 0);
  for (const Heading& heading : rendered.headings) {
    const std::wstring row = outline_row_text(heading);
    SendMessageW(outline_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
  }
  InvalidateRect(outline_list, nullptr, TRUE);
}

void App::goto_outline_entry(int index) {
  if (index < 0 || static_cast<size_t>(index) >= rendered.headings.size() || documents.empty())
    return;
  show_heading(*this, static_cast<size_t>(index));
}

void App::fill_workspace_tree() {
  if (workspace_tree == nullptr) return;
  const RedrawGuard quiet(workspace_tree);
  SendMessageW(workspace_tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  workspace_tree_paths.clear();

  WorkspaceTree tree = build_workspace_tree(workspace_files, workspace_root);
  std::vector<HTREEITEM> items(tree.nodes.size(), nullptr);
  for (size_t i = 0; i < tree.nodes.size(); ++i) {
    WorkspaceTreeNode& node = tree.nodes[i];
    TVINSERTSTRUCTW insert{};
    insert.hParent = node.parent == kNoParent ? TVI_ROOT : items[node.parent];
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = node.text.data();
    insert.item.lParam = tree_item_data(node);
    items[i] = reinterpret_cast<HTREEITEM>(
        SendMessageW(workspace_tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  }
  workspace_tree_paths = std::move(tree.file_paths);
}

}  // namespace tavrel::win
