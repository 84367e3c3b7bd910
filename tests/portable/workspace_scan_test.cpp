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

}  // namespace

TEST(WorkspaceScan, ListsMarkdownTextAndImagesInAnyLetterCase) {
  TempDir dir;
  touch(dir.path(), {"a.MD", "b.Markdown", "c.TXT", "d.pdf", "e.PNG", "f.jpeg", "g.Jpg", ".md",
                     "noext", "h.md.bak", "i.gif", "j.markdown~", "k.mdx", "..md"});
  fs::create_directories(dir / "folder.md");
  EXPECT_EQ(scan(dir.path()), (std::vector<std::string>{"..md", "a.MD", "b.Markdown", "c.TXT",
                                                        "e.PNG", "f.jpeg", "g.Jpg"}));
}

TEST(WorkspaceScan, SkipsDotFoldersAndBuildOutputAtAnyDepthButNotOtherCases) {
  TempDir dir;
  touch(dir.path(),
        {".git/x.md", "node_modules/pkg/readme.md", "build/out.md", "dist/site.md",
         ".hidden/deep/n.md", "docs/node_modules/m.md", "docs/.cache/c.md", "docs/guide.md",
         "docs/dist.md", "builds/kept.md", "docs/sub/deep.txt", "distribution/kept.md"});
  EXPECT_EQ(scan(dir.path()),
            (std::vector<std::string>{"builds/kept.md", "distribution/kept.md", "docs/dist.md",
                                      "docs/guide.md", "docs/sub/deep.txt"}));
  TempDir other;  // in a tree of its own: on Windows "Build" and "build" are one folder
  touch(other.path(), {"Build/kept.md", "Dist/kept.md", "Node_Modules/kept.md"});
  EXPECT_EQ(scan(other.path()),
            (std::vector<std::string>{"Build/kept.md", "Dist/kept.md", "Node_Modules/kept.md"}));
}

TEST(WorkspaceScan, SortsComponentByComponentAndCaseSensitively) {
  TempDir dir;
  touch(dir.path(), {"sub-x.md", "sub/c.md", "a.md", "B.md", "sub/A.md"});
  EXPECT_EQ(scan_workspace_files(dir.path(), 100),
            (std::vector<fs::path>{dir / "B.md", dir / "a.md", dir.path() / "sub" / "A.md",
                                   dir.path() / "sub" / "c.md", dir / "sub-x.md"}));
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
  for (int folder = 0; folder < 4; ++folder) {
    for (int i = 0; i < 25; ++i) {
      touch(dir.path(), {"part" + std::to_string(folder) + "/n" + std::to_string(10 + i) + ".md"});
    }
  }
  for (const std::size_t limit : {std::size_t{1}, std::size_t{3}, std::size_t{100}}) {
    const std::vector<std::string> files = scan(dir.path(), limit);
    ASSERT_EQ(files.size(), limit);
    EXPECT_TRUE(std::is_sorted(files.begin(), files.end()));
    EXPECT_EQ(std::adjacent_find(files.begin(), files.end()), files.end());
    for (const std::string& file : files) {
      EXPECT_TRUE(file == "top.txt" || file.rfind("part", 0) == 0) << file;
    }
  }
  EXPECT_EQ(scan(dir.path(), 102).size(), 101u);
  const WorkspaceScan job = scan_job(dir.path());
  EXPECT_EQ(job.root, dir.path());
  EXPECT_EQ(job.files, scan_workspace_files(dir.path(), 1000));
}

TEST(WorkspaceScan, MissingRootsAndResultsForAnotherFolder) {
  TempDir dir;
  touch(dir.path(), {"file.md"});
  EXPECT_TRUE(scan(dir / "missing").empty());
  EXPECT_TRUE(scan(dir / "file.md").empty());
  EXPECT_TRUE(scan(dir.path(), 0).empty());
  EXPECT_TRUE(scan_workspace_files(fs::path(), 100).empty());
  const fs::path first = fs::path("work") / "first";
  EXPECT_EQ(decide_scan_result(first, first), ScanDecision::Apply);
  EXPECT_EQ(decide_scan_result(first, fs::path("work") / "second"), ScanDecision::DropAndRescan);
  EXPECT_EQ(decide_scan_result(first, fs::path()), ScanDecision::Drop);
}

TEST(WorkspaceScan, NameRules) {
  for (const char* name : {".x", "node_modules", "build", "dist"}) {
    EXPECT_TRUE(is_skipped_folder(name)) << name;
  }
  for (const char* name : {"buil", "dis", "buildx"}) EXPECT_FALSE(is_skipped_folder(name)) << name;
  for (const char* name : {".markdown", "x.", "x.jpe", "x.m", "md"}) {
    EXPECT_FALSE(is_listed_file(name)) << name;
  }
}
