#include "core/workspace_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support.h"

using namespace tavrel::win;
namespace fs = std::filesystem;
using tavrel::test::TempDir;

namespace {

void touch(const fs::path& path) {
  fs::create_directories(path.parent_path());
  tavrel::test::write_bytes(path, "x");
}

std::vector<fs::path> relative_to(const fs::path& root, const std::vector<fs::path>& files) {
  std::vector<fs::path> out;
  for (const fs::path& file : files) out.push_back(file.lexically_relative(root));
  return out;
}

}  // namespace

TEST(WorkspaceScan, ListsMarkdownTextAndImagesInAnyLetterCase) {
  TempDir dir;
  for (const char* name : {"a.MD", "b.Markdown", "c.TXT", "d.pdf", "e.PNG", "f.jpeg", "g.Jpg",
                           ".md", "noext", "h.md.bak", "i.gif", "j.markdown~"}) {
    touch(dir / name);
  }
  fs::create_directories(dir / "folder.md");
  std::vector<fs::path> expected = {"a.MD", "b.Markdown", "c.TXT", "e.PNG", "f.jpeg", "g.Jpg"};
  EXPECT_EQ(relative_to(dir.path(), scan_workspace_files(dir.path(), 100)), expected);
}

TEST(WorkspaceScan, SkipsDotFoldersAndBuildOutputAtAnyDepthButNotOtherCases) {
  TempDir dir;
  for (const char* name :
       {".git/x.md", "node_modules/pkg/readme.md", "build/out.md", "dist/site.md",
        ".hidden/deep/n.md", "docs/node_modules/m.md", "docs/.cache/c.md"}) {
    touch(dir / name);
  }
  for (const char* name :
       {"docs/guide.md", "docs/dist.md", "builds/kept.md", "docs/sub/deep.txt"}) {
    touch(dir / name);
  }
  std::vector<fs::path> expected = {"builds/kept.md", "docs/dist.md", "docs/guide.md",
                                    "docs/sub/deep.txt"};
  for (fs::path& path : expected) path.make_preferred();
  EXPECT_EQ(relative_to(dir.path(), scan_workspace_files(dir.path(), 100)), expected);

  // In a tree of its own: on Windows "Build" and "build" are one folder.
  TempDir other;
  touch(other / "Build/kept.md");
  touch(other / "Dist/kept.md");
  std::vector<fs::path> kept = {"Build/kept.md", "Dist/kept.md"};
  for (fs::path& path : kept) path.make_preferred();
  EXPECT_EQ(relative_to(other.path(), scan_workspace_files(other.path(), 100)), kept);
}

TEST(WorkspaceScan, SortsComponentByComponentAndCaseSensitively) {
  TempDir dir;
  for (const char* name : {"sub-x.md", "sub/c.md", "a.md", "B.md", "sub/A.md"}) touch(dir / name);
  std::vector<fs::path> files = scan_workspace_files(dir.path(), 100);
  std::vector<fs::path> expected = {dir / "B.md", dir / "a.md", dir.path() / "sub" / "A.md",
                                    dir.path() / "sub" / "c.md", dir / "sub-x.md"};
  EXPECT_EQ(files, expected);
}

TEST(WorkspaceScan, NamesTheCodePageCannotSpellAreListedAndDoNotEndTheScan) {
  TempDir dir;
  touch(dir.path() / fs::path(u8"ghi chú tiếng Việt.md"));
  touch(dir / "z.md");
#ifdef _WIN32
  const fs::path odd = dir.path() / fs::path(L"bad\xD800name.md");
#else
  const fs::path odd = dir.path() / fs::path("bad\xFFname.md");
#endif
  std::error_code error;
  touch(odd);
  const bool odd_exists = fs::exists(odd, error);
  std::vector<fs::path> files = scan_workspace_files(dir.path(), 100);
  EXPECT_EQ(files.size(), odd_exists ? 3u : 2u);
  EXPECT_NE(std::find(files.begin(), files.end(), dir / "z.md"), files.end());
  EXPECT_NE(std::find(files.begin(), files.end(), dir.path() / fs::path(u8"ghi chú tiếng Việt.md")),
            files.end());
}

TEST(WorkspaceScan, MissingOrUnreadableRootsGiveAnEmptyList) {
  TempDir dir;
  EXPECT_TRUE(scan_workspace_files(dir / "missing", 100).empty());
  touch(dir / "file.md");
  EXPECT_TRUE(scan_workspace_files(dir / "file.md", 100).empty());
  EXPECT_TRUE(scan_workspace_files(dir.path(), 0).empty());
  EXPECT_TRUE(scan_workspace_files(fs::path(), 100).empty());
}

namespace {

// A tree of `folders` x `per_folder` listed files plus one, beside skipped folders holding
// listed files too. Hard links to one file are much cheaper to make than separate files.
void make_tree(const fs::path& root, int folders, int per_folder) {
  for (const char* name : {".git/a.md", "node_modules/a.md", "build/a.md", "dist/a.md"}) {
    touch(root / name);
  }
  const fs::path source = root / "source.bin";
  touch(source);
  for (int folder = 0; folder < folders; ++folder) {
    const fs::path part = root / ("part" + std::to_string(100 + folder));
    fs::create_directories(part);
    for (int i = 0; i < per_folder; ++i) {
      const fs::path target = part / ("n" + std::to_string(10000 + i) + ".md");
      std::error_code error;
      fs::create_hard_link(source, target, error);
      if (error) tavrel::test::write_bytes(target, "");
    }
  }
  touch(root / "top.txt");
}

void expect_limited_listing(const fs::path& root, const std::vector<fs::path>& files,
                            std::size_t limit) {
  ASSERT_EQ(files.size(), limit);
  EXPECT_TRUE(std::is_sorted(files.begin(), files.end()));
  EXPECT_EQ(std::adjacent_find(files.begin(), files.end()), files.end());
  for (const fs::path& file : files) {
    const fs::path first = *file.lexically_relative(root).begin();
    ASSERT_TRUE(first == "top.txt" || first.native().rfind(fs::path("part").native(), 0) == 0)
        << file;
  }
}

}  // namespace

#ifndef _WIN32
TEST(WorkspaceScan, StopsAtTheLimitWithTwentyThousandAndOneFiles) {
  TempDir dir;
  make_tree(dir.path(), 20, 1000);
  const WorkspaceScan scan = scan_job(dir.path());
  EXPECT_EQ(scan.root, dir.path());
  expect_limited_listing(dir.path(), scan.files, kWorkspaceFileLimit);
}
#endif

// Creating 20,001 files costs over ten seconds under Wine; the same walk with a smaller tree and
// limit runs on every platform, and the in-process window tests cover the full count there.
TEST(WorkspaceScan, StopsAtALimitOneBelowTheFileCount) {
  TempDir dir;
  make_tree(dir.path(), 4, 250);
  expect_limited_listing(dir.path(), scan_workspace_files(dir.path(), 1000), 1000);
}

TEST(WorkspaceScan, ASmallLimitGivesExactlyThatManySortedPaths) {
  TempDir dir;
  for (int i = 0; i < 10; ++i) touch(dir / ("f" + std::to_string(i) + ".md"));
  std::vector<fs::path> files = scan_workspace_files(dir.path(), 3);
  EXPECT_EQ(files.size(), 3u);
  EXPECT_TRUE(std::is_sorted(files.begin(), files.end()));
}

TEST(WorkspaceScan, NameRules) {
  EXPECT_TRUE(is_skipped_folder(".git"));
  EXPECT_TRUE(is_skipped_folder(".x"));
  EXPECT_TRUE(is_skipped_folder("node_modules"));
  EXPECT_FALSE(is_skipped_folder("Node_Modules"));
  EXPECT_FALSE(is_skipped_folder("distribution"));
  EXPECT_FALSE(is_skipped_folder("docs"));
  EXPECT_TRUE(is_listed_file("x.JPEG"));
  EXPECT_TRUE(is_listed_file("..md"));
  EXPECT_FALSE(is_listed_file(".markdown"));
  EXPECT_FALSE(is_listed_file("x."));
  EXPECT_FALSE(is_listed_file("x.mdx"));
}

TEST(WorkspaceScan, AResultForAnotherFolderIsDroppedAndTheCurrentOneRescanned) {
  const fs::path first = fs::path("work") / "first";
  const fs::path second = fs::path("work") / "second";
  EXPECT_EQ(decide_scan_result(first, first), ScanDecision::Apply);
  EXPECT_EQ(decide_scan_result(first, second), ScanDecision::DropAndRescan);
  EXPECT_EQ(decide_scan_result(first, fs::path()), ScanDecision::Drop);
}
