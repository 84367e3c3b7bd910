#include "ui/tab_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/workspace_scan.h"
#include "test_support.h"

using namespace tavrel::win;
namespace fs = std::filesystem;
using tavrel::test::TempDir;

namespace {

void touch(const fs::path& root, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    const fs::path path = root / fs::path(name).make_preferred();
    fs::create_directories(path.parent_path());
    tavrel::test::write_bytes(path, "x");
  }
}

// The scan below `root`, relative to it and with "/" between the parts.
std::vector<std::string> scan(const fs::path& root, std::size_t limit = 100) {
  std::vector<std::string> out;
  for (const fs::path& file : scan_workspace_files(root, limit)) {
    out.push_back(file.lexically_relative(root).generic_string());
  }
  return out;
}

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
  EXPECT_EQ(tab_label(L"", true, true), L"* Ch\u01B0a \u0111\u1EB7t t\u00EAn");
}

TEST(TabDrag, MovesTheDraggedTabToTheTarget) {
  // The moves themselves are played through the tab strip; here: the same tab, no tab or a tab
  // past the end changes nothing.
  std::vector<char> tabs = {'A', 'B', 'C', 'D'};
  EXPECT_FALSE(drag_tab_over(tabs, 1, 1).moved);
  for (int target : {-1, 4}) EXPECT_EQ(drag_tab_over(tabs, 1, target).drag_tab, 1);
  EXPECT_EQ(std::string(tabs.begin(), tabs.end()), "ABCD");
  // A tab closed during the drag ends it; a stale index must not reach past the end.
  std::vector<std::unique_ptr<int>> owned;
  owned.push_back(std::make_unique<int>(1));
  owned.push_back(std::make_unique<int>(2));
  const TabDragStep step = drag_tab_over(owned, 2, 0);
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
  // a, é (2 bytes), !, ệ (3 bytes), ?, 😀 (4 bytes, 2 units), .
  const std::string text = "a\xC3\xA9!\xE1\xBB\x87?\xF0\x9F\x98\x80.";
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
  fs::path root = dir.path();
  const std::vector<fs::path> files = {root / "a" / "b" / "y.md", root / "a" / "x.md",
                                       root / "c" / "b" / "w.txt", root / "z.png"};
  const WorkspaceTree tree = tree_of(root, files, {});
  EXPECT_EQ(describe(tree), ">a/ a>b/ b>y.md#1 a>x.md#2 >c/ c>b/ b>w.txt#3 >z.png#4");
  EXPECT_EQ(tree.nodes[tree.nodes[6].parent].text, L"b");
  EXPECT_EQ(tree.nodes[tree.nodes[5].parent].text, L"c");  // the two b are distinct items
  EXPECT_EQ(tree.file_paths, files);
  // Files outside the root get no item; a root spelled with dots still matches.
  root = dir / "work";
  EXPECT_EQ(
      describe(tree_of(root, {dir / "outside.md", root / "in.md", root / ".." / "outside.md"}, {})),
      ">in.md#1");
  EXPECT_TRUE(build_workspace_tree({root / "in.md"}, fs::path()).nodes.empty());
  EXPECT_EQ(describe(tree_of(root, {root / "sub" / "in.md"}, root / "sub" / "..")),
            ">sub/ sub>in.md#1");
#ifndef _WIN32  // a link leading outside stays where the scan found it
  fs::create_symlink(dir / "outside.md", root / "sub" / "link.md");
  EXPECT_EQ(describe(build_workspace_tree({root / "sub" / "link.md"}, root)),
            ">sub/ sub>link.md#1");
#endif
}

TEST(WorkspaceTree, ImagesInAnyLetterCase) {
  for (const char* name : {"photo.PNG", "b.JPEG", "d.JpG"}) EXPECT_TRUE(is_image_file(name));
  for (const char* name : {"photo.gif", ".png", "photo.png.md", "a.jpe"}) {
    EXPECT_FALSE(is_image_file(name)) << name;
  }
}

// Markdown, text and images in any letter case; dot folders and build output skipped at any
// depth (in their own letter case only); sorted component by component, case-sensitively.
TEST(WorkspaceScan, ListsSkipsAndSorts) {
  TempDir dir;
  touch(dir.path(), {"a.MD", "b.Markdown", "c.TXT", "d.pdf", "e.PNG", "f.jpeg", ".md", "noext",
                     "h.md.bak", "i.gif", "k.mdx", "..md", "B.md"});
  touch(dir.path(), {".git/x.md", "node_modules/pkg/readme.md", "build/out.md", "dist/site.md",
                     "docs/node_modules/m.md", "docs/.cache/c.md", "docs/guide.md", "docs/dist.md",
                     "builds/kept.md", "docs/sub/deep.txt", "docs-x.md"});
  fs::create_directories(dir / "folder.md");
  EXPECT_EQ(scan(dir.path()),
            (std::vector<std::string>{"..md", "B.md", "a.MD", "b.Markdown", "builds/kept.md",
                                      "c.TXT", "docs/dist.md", "docs/guide.md", "docs/sub/deep.txt",
                                      "docs-x.md", "e.PNG", "f.jpeg"}));
  TempDir other;  // in a tree of its own: on Windows "Build" and "build" are one folder
  touch(other.path(), {"Build/kept.md", "Dist/kept.md", "Node_Modules/kept.md"});
  EXPECT_EQ(scan(other.path()).size(), 3u);
  for (const char* name : {"buil", "dis", "buildx"}) EXPECT_FALSE(is_skipped_folder(name)) << name;
  for (const char* name : {".markdown", "x.", "x.jpe", "x.m", "md"}) {
    EXPECT_FALSE(is_listed_file(name)) << name;
  }
}

TEST(WorkspaceScan, NamesTheCodePageCannotSpellAreListedAndDoNotEndTheScan) {
  TempDir dir;
  const fs::path vietnamese = dir.path() / fs::path(u8"ghi chú tiếng Việt.md");
  tavrel::test::write_bytes(vietnamese, "x");
  touch(dir.path(), {"z.md"});
#ifdef _WIN32
  const fs::path odd = dir.path() / fs::path(L"bad\xD800name.md");
#else
  const fs::path odd = dir.path() / fs::path("bad\xFFname.md");
#endif
  tavrel::test::write_bytes(odd, "x");
  std::error_code error;
  const std::vector<fs::path> files = scan_workspace_files(dir.path(), 100);
  EXPECT_EQ(files.size(), fs::exists(odd, error) ? 3u : 2u);
  EXPECT_NE(std::find(files.begin(), files.end(), dir / "z.md"), files.end());
  EXPECT_NE(std::find(files.begin(), files.end(), vietnamese), files.end());
}

TEST(WorkspaceScan, StopsAtTheLimitWithSortedDistinctPaths) {
  TempDir dir;
  touch(dir.path(), {".git/a.md", "node_modules/a.md", "build/a.md", "dist/a.md", "top.txt"});
  for (int i = 0; i < 100; ++i) {
    touch(dir.path(), {"part" + std::to_string(i / 25) + "/n" + std::to_string(10 + i) + ".md"});
  }
  for (const std::size_t limit : {std::size_t{1}, std::size_t{3}, std::size_t{100}}) {
    const std::vector<std::string> files = scan(dir.path(), limit);
    ASSERT_EQ(files.size(), limit);
    EXPECT_TRUE(std::is_sorted(files.begin(), files.end()));
    EXPECT_EQ(std::adjacent_find(files.begin(), files.end()), files.end());
    for (const std::string& file : files) {
      EXPECT_TRUE(file == "top.txt" || file.starts_with("part")) << file;
    }
  }
  EXPECT_EQ(scan(dir.path(), 102).size(), 101u);
  // Missing roots, a file as root, a zero limit; results for another folder.
  for (const fs::path& root : {dir / "missing", dir / "top.txt", fs::path()}) {
    EXPECT_TRUE(scan(root).empty());
  }
  EXPECT_TRUE(scan(dir.path(), 0).empty());
  const fs::path first = fs::path("work") / "first";
  EXPECT_EQ(decide_scan_result(first, first), ScanDecision::Apply);
  EXPECT_EQ(decide_scan_result(first, fs::path("work") / "second"), ScanDecision::DropAndRescan);
  EXPECT_EQ(decide_scan_result(first, fs::path()), ScanDecision::Drop);
}
