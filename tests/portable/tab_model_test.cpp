#include "ui/tab_model.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

using namespace tavrel::win;
namespace fs = std::filesystem;
using tavrel::test::TempDir;

namespace {

// A tree flattened to "parent>text" entries (files with their item data), in insertion order.
std::string describe(const WorkspaceTree& tree) {
  std::ostringstream out;
  for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
    const WorkspaceTreeNode& node = tree.nodes[i];
    EXPECT_TRUE(node.parent == kNoParent || node.parent < i);  // parents come first
    const std::wstring parent = node.parent == kNoParent ? L"" : tree.nodes[node.parent].text;
    out << (i == 0 ? "" : " ") << std::string(parent.begin(), parent.end()) << ">"
        << std::string(node.text.begin(), node.text.end());
    if (node.folder) {
      out << "/";
    } else {
      out << "#" << tree_item_data(node);
    }
  }
  return out.str();
}

WorkspaceTree tree_of(const fs::path& root, const std::vector<fs::path>& files,
                      const fs::path& given_root) {
  for (const fs::path& file : files) {
    fs::create_directories(file.parent_path());
    tavrel::test::write_bytes(file, "x");
  }
  return build_workspace_tree(files, given_root.empty() ? root : given_root);
}

}  // namespace

TEST(TabLabels, FileNameUntitledAndModifiedMark) {
  EXPECT_EQ(tab_label(L"C:\\Notes\\plan.md", false, false), L"plan.md");
  EXPECT_EQ(tab_label(L"C:/Notes/plan.md", true, false), L"* plan.md");
  EXPECT_EQ(tab_label(L"C:plan.md", false, false), L"plan.md");
  EXPECT_EQ(tab_label(L"", false, false), L"Untitled");
  EXPECT_EQ(tab_label(L"", true, true), L"* Ch\u01B0a \u0111\u1EB7t t\u00EAn");
}

TEST(TabDrag, MovesTheDraggedTabToTheTarget) {
  std::vector<char> tabs = {'A', 'B', 'C', 'D'};
  // The cursor jumps from the first tab straight to the third: B keeps its place before C.
  TabDragStep step = drag_tab_over(tabs, 0, 2);
  EXPECT_EQ(std::string(tabs.begin(), tabs.end()), "BCAD");
  EXPECT_TRUE(step.drag_tab == 2 && step.moved);
  step = drag_tab_over(tabs, 2, 0);
  EXPECT_EQ(std::string(tabs.begin(), tabs.end()), "ABCD");
  EXPECT_EQ(step.drag_tab, 0);
  // The same tab, no tab or a tab past the end changes nothing.
  EXPECT_FALSE(drag_tab_over(tabs, 1, 1).moved);
  EXPECT_EQ(drag_tab_over(tabs, 1, -1).drag_tab, 1);
  EXPECT_EQ(drag_tab_over(tabs, 1, 4).drag_tab, 1);
  EXPECT_EQ(std::string(tabs.begin(), tabs.end()), "ABCD");
  // A tab closed during the drag ends it; a stale index must not reach past the end.
  std::vector<std::unique_ptr<int>> owned;
  owned.push_back(std::make_unique<int>(1));
  owned.push_back(std::make_unique<int>(2));
  step = drag_tab_over(owned, 2, 0);
  EXPECT_TRUE(step.drag_tab == -1 && !step.moved && *owned[0] == 1 && *owned[1] == 2);
  EXPECT_EQ(drag_tab_over(owned, -1, 0).drag_tab, -1);
  EXPECT_EQ(drag_tab_over(owned, 1, 0).drag_tab, 0);
}

TEST(TabDrag, ActiveIndexFollowsItsDocument) {
  // Moving tab 1 to 3 in A B C D E gives A C D B E; moving 3 to 1 again gives A B C D E.
  for (std::size_t index = 0; index < 5; ++index) {
    std::vector<std::size_t> tabs = {0, 1, 2, 3, 4};
    move_entry(tabs, 1, 3);
    const std::size_t there = index_after_move(index, 1, 3);
    EXPECT_EQ(tabs[there], index);
    move_entry(tabs, 3, 1);
    EXPECT_EQ(tabs[index_after_move(there, 3, 1)], index);
  }
}

// Two spaces per level below one, levels taken within 1..6, text that is no UTF-8 repaired.
TEST(OutlineRows, IndentTwoSpacesPerLevelWithinOneToSix) {
  const auto row = [](int level, const std::string& text) {
    Heading heading;
    heading.text = text;
    heading.level = level;
    return outline_row_text(heading);
  };
  EXPECT_EQ(row(1, "Gi\xE1\xBB\x9Bi"), L"Gi\u1EDBi");
  EXPECT_EQ(row(3, "A"), L"    A");
  EXPECT_EQ(row(0, "A"), L"A");  // would otherwise underflow to billions of spaces
  EXPECT_EQ(row(40, "bad \xC3"), L"          bad \uFFFD");
}

TEST(OutlinePosition, CountsUtf16UnitsAndBacksOffInsideACharacter) {
  // a, é (2 bytes), b, ệ (3 bytes), c, 😀 (4 bytes, 2 units), d
  const std::string text =
      "a\xC3\xA9"
      "b\xE1\xBB\x87"
      "c\xF0\x9F\x98\x80"
      "d";
  const std::size_t expected[] = {0, 1, 1, 2, 3, 3, 3, 4, 5, 5, 5, 5, 7, 8, 8};
  for (std::size_t offset = 0; offset < std::size(expected); ++offset) {
    EXPECT_EQ(utf16_position(text, offset), expected[offset]) << offset;
  }
  EXPECT_EQ(utf16_position("", 5), 0u);
  EXPECT_EQ(utf16_position("\x80x", 0), 0u);  // a stray continuation byte at the start
  EXPECT_EQ(utf16_position("abc", UINT64_MAX), 3u);
}

TEST(WorkspaceTree, FoldersInOrderOfTheirFirstFileAndReused) {
  TempDir dir;
  const fs::path root = dir.path();
  const std::vector<fs::path> files = {root / "a" / "b" / "y.md", root / "a" / "x.md",
                                       root / "c" / "b" / "w.txt", root / "z.png"};
  const WorkspaceTree tree = tree_of(root, files, {});
  EXPECT_EQ(describe(tree), ">a/ a>b/ b>y.md#1 a>x.md#2 >c/ c>b/ b>w.txt#3 >z.png#4");
  EXPECT_EQ(tree.nodes[tree.nodes[6].parent].text, L"b");
  EXPECT_EQ(tree.nodes[tree.nodes[5].parent].text, L"c");  // the two b are distinct items
  EXPECT_EQ(tree.file_paths, files);
}

TEST(WorkspaceTree, FilesOutsideTheRootGetNoItem) {
  TempDir dir;
  const fs::path root = dir / "work";
  EXPECT_EQ(
      describe(tree_of(root, {dir / "outside.md", root / "in.md", root / ".." / "outside.md"}, {})),
      ">in.md#1");
  EXPECT_TRUE(build_workspace_tree({root / "in.md"}, fs::path()).nodes.empty());
  // A root spelled with dots still matches.
  EXPECT_EQ(describe(tree_of(root, {root / "sub" / "in.md"}, root / "sub" / "..")),
            ">sub/ sub>in.md#1");
#ifndef _WIN32  // a link leading outside stays where the scan found it
  fs::create_symlink(dir / "outside.md", root / "sub" / "link.md");
  EXPECT_EQ(describe(build_workspace_tree({root / "sub" / "link.md"}, root)),
            ">sub/ sub>link.md#1");
#endif
}

TEST(WorkspaceTree, ImagesInAnyLetterCase) {
  for (const char* name : {"photo.png", "photo.PNG", "a.Jpg", "b.JPEG", "c.jpeg", "d.JpG"}) {
    EXPECT_TRUE(is_image_file(fs::path("C:") / name)) << name;
  }
  for (const char* name : {"notes.md", "photo.gif", "png", ".png", "photo.png.md", "a.jpe"}) {
    EXPECT_FALSE(is_image_file(fs::path(name))) << name;
  }
}
