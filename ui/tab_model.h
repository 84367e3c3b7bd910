#pragma once
// What the tab strip, the outline list and the workspace tree show, worked out apart from the
// controls: tab labels and drag moves, outline row texts and caret positions, and the folder and
// file items of the tree.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "render/markdown_model.h"

namespace tavrel::win {

// --- Tabs --------------------------------------------------------------------------------------

// The name a document goes by in its tab, the title bar and the save question: the file name of
// its path (the text after the last "\" or "/", or after a drive such as "C:"), or "Untitled"
// ("Chưa đặt tên") without a path.
std::wstring document_name(std::wstring_view path, bool vietnamese);

// The label of a document's tab: its name, with "* " in front while it is modified.
std::wstring tab_label(std::wstring_view path, bool modified, bool vietnamese);

// Where the entry at `index` ends up when the entry at `from` is moved to `to` and the entries
// between shift by one.
std::size_t index_after_move(std::size_t index, std::size_t from, std::size_t to);

// Moves the entry at `from` to `to`, shifting the entries between by one place.
template <typename T>
void move_entry(std::vector<T>& entries, std::size_t from, std::size_t to) {
  const auto first = entries.begin();
  if (from < to) {
    std::rotate(first + from, first + from + 1, first + to + 1);
  } else if (to < from) {
    std::rotate(first + to, first + from, first + from + 1);
  }
}

// The state of a tab drag after the cursor passed over a tab.
struct TabDragStep {
  int drag_tab = -1;   // the dragged tab's index now; -1 when the drag has ended
  bool moved = false;  // the list changed (the tab strip needs rebuilding)
};

// One mouse move of a tab drag over the tab `target` (-1 when over no tab). The dragged tab is
// moved to the target's place, so the tabs it passes keep their order even when the cursor skips
// some. A dragged index that no longer names a tab (a tab closed during the drag) ends the drag
// without touching the list.
template <typename T>
TabDragStep drag_tab_over(std::vector<T>& tabs, int dragged, int target) {
  const std::size_t count = tabs.size();
  if (dragged < 0 || static_cast<std::size_t>(dragged) >= count) return {-1, false};
  if (target < 0 || static_cast<std::size_t>(target) >= count || target == dragged)
    return {dragged, false};
  move_entry(tabs, static_cast<std::size_t>(dragged), static_cast<std::size_t>(target));
  return {target, true};
}

// --- Outline -----------------------------------------------------------------------------------

// (level - 1) x 2 spaces, then the heading text in UTF-16. Levels outside 1..6 are taken as the
// nearest of them, and text that is not UTF-8 shows U+FFFD, so a row can always be built.
std::wstring outline_row_text(const Heading& heading);

// The editor position (UTF-16 units) of a UTF-8 byte offset into `text`: offsets past the end
// give the end, and an offset inside a multi-byte character (a heading offset from an older
// render) backs off to the character's first byte. Never throws.
std::size_t utf16_position(std::string_view text, std::uint64_t offset);

// --- Workspace tree ----------------------------------------------------------------------------

inline constexpr std::size_t kNoParent = static_cast<std::size_t>(-1);

// One item of the tree, in insertion order: every item comes after its parent.
struct WorkspaceTreeNode {
  std::wstring text;               // the path component shown
  std::size_t parent = kNoParent;  // index of the parent node; kNoParent for a top-level item
  bool folder = false;
  std::size_t file_index = 0;  // files: index into WorkspaceTree::file_paths
};

struct WorkspaceTree {
  std::vector<WorkspaceTreeNode> nodes;
  std::vector<std::filesystem::path> file_paths;  // the scanned path behind each file node
};

// The tree of a scan result: each file below `root`, under folder items for the folders of its
// path relative to the root. Folders come in the order of their first file, files in scan order;
// folders without listed files get no item and the root itself has none. A file whose canonical
// path cannot be worked out is left out; one whose canonical path leads outside the root (a link)
// is shown where the scan found it.
WorkspaceTree build_workspace_tree(const std::vector<std::filesystem::path>& files,
                                   const std::filesystem::path& root);

// Item data of a tree node: its file index plus one; 0 for a folder.
std::intptr_t tree_item_data(const WorkspaceTreeNode& node);

// True for ".png", ".jpg" and ".jpeg" in any ASCII letter case, as the scan lists them.
bool is_image_file(const std::filesystem::path& path);

}  // namespace tavrel::win
