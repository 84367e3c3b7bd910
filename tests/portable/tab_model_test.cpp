#include "ui/tab_model.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "test_support.h"

using namespace tavrel::win;
namespace fs = std::filesystem;
using tavrel::test::TempDir;

namespace {

// A tree flattened to "parent>text" lines (files with their item data), in insertion order.
std::vector<std::string> describe(const WorkspaceTree& tree) {
  std::vector<std::string> lines;
  for (const WorkspaceTreeNode& node : tree.nodes) {
    std::string parent =
        node.parent == kNoParent
            ? ""
            : std::string(tree.nodes[node.parent].text.begin(), tree.nodes[node.parent].text.end());
    std::string text(node.text.begin(), node.text.end());  // ASCII names only
    lines.push_back(parent + ">" + text +
                    (node.folder ? "/" : "#" + std::to_string(tree_item_data(node))));
  }
  return lines;
}

void touch(const fs::path& path) {
  fs::create_directories(path.parent_path());
  tavrel::test::write_bytes(path, "x");
}

}  // namespace

TEST(TabLabels, FileNameUntitledAndModifiedMark) {
  EXPECT_EQ(tab_label(L"C:\\Notes\\plan.md", false, false), L"plan.md");
  EXPECT_EQ(tab_label(L"C:/Notes/plan.md", true, false), L"* plan.md");
  EXPECT_EQ(tab_label(L"C:plan.md", false, false), L"plan.md");
  EXPECT_EQ(tab_label(L"", false, false), L"Untitled");
  EXPECT_EQ(tab_label(L"", true, false), L"* Untitled");
  EXPECT_EQ(tab_label(L"", true, true), L"* Ch\u01B0a \u0111\u1EB7t t\u00EAn");
}

TEST(TabDrag, MovesTheDraggedTabToTheTarget) {
  std::vector<char> tabs = {'A', 'B', 'C', 'D'};
  // The cursor jumps from the first tab straight to the third: B keeps its place before C.
  TabDragStep step = drag_tab_over(tabs, 0, 2);
  EXPECT_EQ(tabs, (std::vector<char>{'B', 'C', 'A', 'D'}));
  EXPECT_EQ(step.drag_tab, 2);
  EXPECT_TRUE(step.moved);
  step = drag_tab_over(tabs, 2, 0);
  EXPECT_EQ(tabs, (std::vector<char>{'A', 'B', 'C', 'D'}));
  EXPECT_EQ(step.drag_tab, 0);
}

TEST(TabDrag, FirstTabAcrossTheThirdStepByStep) {
  std::vector<char> tabs = {'A', 'B', 'C'};
  int drag = 0;
  for (int over : {1, 2}) drag = drag_tab_over(tabs, drag, over).drag_tab;
  EXPECT_EQ(tabs, (std::vector<char>{'B', 'C', 'A'}));
  EXPECT_EQ(drag, 2);
}

TEST(TabDrag, SameTabOrNoTabChangesNothing) {
  std::vector<char> tabs = {'A', 'B'};
  EXPECT_FALSE(drag_tab_over(tabs, 1, 1).moved);
  EXPECT_EQ(drag_tab_over(tabs, 1, -1).drag_tab, 1);
  EXPECT_EQ(drag_tab_over(tabs, 1, 2).drag_tab, 1);
  EXPECT_EQ(tabs, (std::vector<char>{'A', 'B'}));
}

TEST(TabDrag, TabClosedDuringTheDragEndsIt) {
  // Documents are owned through pointers; a stale index must not reach past the end.
  std::vector<std::unique_ptr<int>> tabs;
  tabs.push_back(std::make_unique<int>(1));
  tabs.push_back(std::make_unique<int>(2));
  const TabDragStep step = drag_tab_over(tabs, 2, 0);
  EXPECT_EQ(step.drag_tab, -1);
  EXPECT_FALSE(step.moved);
  EXPECT_EQ(*tabs[0], 1);
  EXPECT_EQ(*tabs[1], 2);
  EXPECT_EQ(drag_tab_over(tabs, -1, 0).drag_tab, -1);
}

TEST(TabDrag, ActiveIndexFollowsItsDocument) {
  // Moving tab 1 to 3 in A B C D E gives A C D B E.
  EXPECT_EQ(index_after_move(1, 1, 3), 3u);  // B
  EXPECT_EQ(index_after_move(2, 1, 3), 1u);  // C
  EXPECT_EQ(index_after_move(3, 1, 3), 2u);  // D
  EXPECT_EQ(index_after_move(0, 1, 3), 0u);
  EXPECT_EQ(index_after_move(4, 1, 3), 4u);
  // And back: moving tab 3 to 1 in A C D B E gives A B C D E.
  EXPECT_EQ(index_after_move(3, 3, 1), 1u);
  EXPECT_EQ(index_after_move(1, 3, 1), 2u);
  EXPECT_EQ(index_after_move(2, 3, 1), 3u);
  EXPECT_EQ(index_after_move(4, 3, 1), 4u);
}

TEST(OutlineRows, IndentTwoSpacesPerLevelBelowOne) {
  Heading heading;
  heading.text = "Gi\xE1\xBB\x9Bi thi\xE1\xBB\x87u";
  heading.level = 1;
  EXPECT_EQ(outline_row_text(heading), L"Gi\u1EDBi thi\u1EC7u");
  heading.level = 3;
  EXPECT_EQ(outline_row_text(heading), L"    Gi\u1EDBi thi\u1EC7u");
  heading.level = 6;
  EXPECT_EQ(outline_row_text(heading).find_first_not_of(L' '), 10u);
}

TEST(OutlineRows, OddLevelsAndBytesStillGiveARow) {
  Heading heading;
  heading.text = "A";
  heading.level = 0;  // would otherwise underflow to billions of spaces
  EXPECT_EQ(outline_row_text(heading), L"A");
  heading.level = 40;
  EXPECT_EQ(outline_row_text(heading), L"          A");
  heading.level = 1;
  heading.text = "bad \xC3";
  EXPECT_EQ(outline_row_text(heading), L"bad \uFFFD");
}

TEST(OutlinePosition, CountsUtf16Units) {
  const std::string text =
      "a\xC3\xA9"
      "b\xE1\xBB\x87"
      "c\xF0\x9F\x98\x80"
      "d";
  // a(1) é(2 bytes) b(1) ệ(3 bytes) c(1) 😀(4 bytes, 2 units) d
  EXPECT_EQ(utf16_position(text, 0), 0u);
  EXPECT_EQ(utf16_position(text, 3), 2u);   // before b
  EXPECT_EQ(utf16_position(text, 7), 4u);   // before c
  EXPECT_EQ(utf16_position(text, 8), 5u);   // before 😀
  EXPECT_EQ(utf16_position(text, 12), 7u);  // before d
  EXPECT_EQ(utf16_position(text, 13), 8u);  // the end
}

TEST(OutlinePosition, InsideACharacterBacksOffToItsStart) {
  const std::string text =
      "a\xC3\xA9"
      "b\xE1\xBB\x87"
      "c\xF0\x9F\x98\x80"
      "d";
  EXPECT_EQ(utf16_position(text, 2), 1u);
  EXPECT_EQ(utf16_position(text, 5), 3u);
  EXPECT_EQ(utf16_position(text, 6), 3u);
  EXPECT_EQ(utf16_position(text, 9), 5u);
  EXPECT_EQ(utf16_position(text, 11), 5u);
}

TEST(OutlinePosition, BeyondTheTextIsItsEnd) {
  EXPECT_EQ(utf16_position("ab\n\xC3\xA9", 1000), 4u);
  EXPECT_EQ(utf16_position("", 5), 0u);
  EXPECT_EQ(utf16_position("abc", UINT64_MAX), 3u);
}

TEST(WorkspaceTree, FoldersInOrderOfTheirFirstFile) {
  TempDir dir;
  const fs::path root = dir.path();
  const std::vector<fs::path> files = {root / "a" / "x.md", root / "a" / "b" / "y.md",
                                       root / "z.md"};
  for (const fs::path& file : files) touch(file);
  const WorkspaceTree tree = build_workspace_tree(files, root);
  EXPECT_EQ(describe(tree),
            (std::vector<std::string>{">a/", "a>x.md#1", "a>b/", "b>y.md#2", ">z.md#3"}));
  EXPECT_EQ(tree.file_paths, files);
}

TEST(WorkspaceTree, SortedScanResultAndFoldersReused) {
  TempDir dir;
  const fs::path root = dir.path();
  const std::vector<fs::path> files = {root / "a" / "b" / "y.md", root / "a" / "x.md",
                                       root / "c" / "b" / "w.txt", root / "z.png"};
  for (const fs::path& file : files) touch(file);
  const WorkspaceTree tree = build_workspace_tree(files, root);
  EXPECT_EQ(describe(tree), (std::vector<std::string>{">a/", "a>b/", "b>y.md#1", "a>x.md#2", ">c/",
                                                      "c>b/", "b>w.txt#3", ">z.png#4"}));
  // The two folders named b are distinct items under their own parents.
  EXPECT_EQ(tree.nodes[tree.nodes[6].parent].text, L"b");
  EXPECT_EQ(tree.nodes[tree.nodes[5].parent].text, L"c");
  for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
    if (tree.nodes[i].parent != kNoParent) {
      EXPECT_LT(tree.nodes[i].parent, i);
    }
  }
}

TEST(WorkspaceTree, FilesOutsideTheRootGetNoItem) {
  TempDir dir;
  const fs::path root = dir / "work";
  touch(root / "in.md");
  touch(dir / "outside.md");
  const WorkspaceTree tree =
      build_workspace_tree({dir / "outside.md", root / "in.md", root / ".." / "outside.md"}, root);
  EXPECT_EQ(describe(tree), std::vector<std::string>{">in.md#1"});
  EXPECT_TRUE(build_workspace_tree({root / "in.md"}, fs::path()).nodes.empty());
}

TEST(WorkspaceTree, RootGivenWithDotsStillMatches) {
  TempDir dir;
  const fs::path root = dir / "work";
  touch(root / "sub" / "in.md");
  const WorkspaceTree tree = build_workspace_tree({root / "sub" / "in.md"}, root / "sub" / "..");
  EXPECT_EQ(describe(tree), (std::vector<std::string>{">sub/", "sub>in.md#1"}));
}

#ifndef _WIN32
TEST(WorkspaceTree, LinkLeadingOutsideStaysWhereTheScanFoundIt) {
  TempDir dir;
  const fs::path root = dir / "work";
  touch(dir / "elsewhere" / "real.md");
  fs::create_directories(root / "docs");
  fs::create_symlink(dir / "elsewhere" / "real.md", root / "docs" / "link.md");
  const WorkspaceTree tree = build_workspace_tree({root / "docs" / "link.md"}, root);
  EXPECT_EQ(describe(tree), (std::vector<std::string>{">docs/", "docs>link.md#1"}));
}
#endif

TEST(WorkspaceTree, ImagesInAnyLetterCase) {
  for (const char* name : {"photo.png", "photo.PNG", "a.Jpg", "b.JPEG", "c.jpeg", "d.JpG"}) {
    EXPECT_TRUE(is_image_file(fs::path("C:") / name)) << name;
  }
  for (const char* name : {"notes.md", "photo.gif", "png", ".png", "photo.png.md", "a.jpe"}) {
    EXPECT_FALSE(is_image_file(fs::path(name))) << name;
  }
}
