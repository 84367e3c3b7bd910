// The background render and the workspace scan in a hidden main window: results are applied
// only to the document and revision they were made for, the preview shows the rendered text,
// large documents render a window, and scan results carry their folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/workspace_scan.h"
#include "tests/win/document_test_support_win.h"

using namespace tavrel::win;
using tavrel::test::DocumentWindowTest;
using tavrel::test::write_bytes;

namespace {

namespace fs = std::filesystem;

class PreviewTest : public DocumentWindowTest {
 protected:
  void wait_for_render() {
    ASSERT_TRUE(app_->render_future.valid());
    app_->render_future.wait();
  }
};

// Files for the workspace: `count` listed files spread over folders of 1000, plus files in the
// folders a scan skips.
void make_workspace_tree(const fs::path& root, size_t count) {
  for (const char* skipped : {".git", "node_modules", "dist", "build"}) {
    fs::create_directories(root / skipped / "deep");
    write_bytes(root / skipped / "hidden.md", "x");
    write_bytes(root / skipped / "deep" / "hidden.md", "x");
  }
  write_bytes(root / "notes.pdf", "x");
  for (size_t i = 0; i < count; ++i) {
    const fs::path folder = root / ("f" + std::to_string(i / 1000));
    if (i % 1000 == 0) fs::create_directories(folder);
    std::ofstream(folder / ("n" + std::to_string(i) + ".md"));
  }
}

}  // namespace

TEST_F(PreviewTest, PreviewShowsTheRenderedVietnameseAndEmoji) {
  app_->new_document(
      "# Xin ch\xC3\xA0o \xF0\x9F\x98\x80\n\nTi\xE1\xBA\xBFng Vi\xE1\xBB\x87t **c\xC3\xB3 "
      "d\xE1\xBA\xA5u**\n");
  wait_for_render();
  app_->poll_jobs();
  const std::string shown = preview_text();
  EXPECT_NE(shown.find("Xin ch\xC3\xA0o \xF0\x9F\x98\x80"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Ti\xE1\xBA\xBFng Vi\xE1\xBB\x87t c\xC3\xB3 d\xE1\xBA\xA5u"),
            std::string::npos)
      << shown;
  EXPECT_EQ(shown.find("**"), std::string::npos);
  ASSERT_EQ(app_->rendered.headings.size(), 1u);
  EXPECT_EQ(app_->stats.words, 8u);  // "#" and the "**" around words count as in the text
  EXPECT_EQ(app_->stats.paragraphs, 2u);
  EXPECT_FALSE(app_->render_future.valid());
  EXPECT_FALSE(KillTimer(app_->main_window, timer_poll_jobs));  // stopped: nothing pending
}

TEST_F(PreviewTest, ResultForAnOlderRevisionIsDropped) {
  app_->new_document("# First\n");
  wait_for_render();
  app_->poll_jobs();
  ASSERT_NE(preview_text().find("First"), std::string::npos);

  type_at_end(L"\rsecond paragraph words");
  app_->request_render();
  type_at_end(L" more");  // the edit the render above did not see
  wait_for_render();
  app_->poll_jobs();
  EXPECT_EQ(preview_text().find("second"), std::string::npos);
  EXPECT_EQ(app_->stats.words, 2u);

  app_->request_render();
  wait_for_render();
  app_->poll_jobs();
  EXPECT_NE(preview_text().find("second paragraph words more"), std::string::npos);
}

TEST_F(PreviewTest, SwitchingDocumentsWhileRenderingRendersTheNewOne) {
  app_->new_document("# One\n");
  finish_jobs();
  app_->new_document("# Two\n");  // starts a render of "Two"
  app_->select_document(0);       // asks again while it runs
  EXPECT_TRUE(app_->render_again);
  wait_for_render();
  app_->poll_jobs();  // "Two" no longer matches and is dropped; "One" starts at once
  EXPECT_FALSE(app_->render_again);
  ASSERT_TRUE(app_->render_future.valid());
  finish_jobs();
  EXPECT_NE(preview_text().find("One"), std::string::npos);
  EXPECT_EQ(preview_text().find("Two"), std::string::npos);
}

TEST_F(PreviewTest, ResultWithoutDocumentsIsDropped) {
  app_->new_document("# Gone\n");
  wait_for_render();
  app_->documents.clear();  // as if the last tab went while the task ran
  app_->poll_jobs();
  EXPECT_EQ(preview_text().find("Gone"), std::string::npos);
  EXPECT_FALSE(app_->render_future.valid());
}

TEST_F(PreviewTest, LargeDocumentRendersTheVisibleWindowAndSaysSo) {
  // Few long paragraphs, each named by its number: the control takes them in much faster than
  // many short ones, and the names tell which part of the text the preview shows.
  std::string body;
  while (body.size() < 4000) body += "words \xC3\xA9\xC3\xA9 and more words in it. ";
  std::string text;
  for (int n = 0; text.size() <= kLargeDocumentBytes; ++n)
    text += "P" + std::to_string(n) + " " + body + "\n\n";
  text += "# Last heading\n";
  app_->word_wrap = false;  // one line per paragraph; wrapping ten megabytes is slow under Wine
  app_->new_document(text);
  EXPECT_TRUE(app_->large_document);
  EXPECT_EQ(app_->status_text, L"Large document | preview follows the visible section");
  finish_jobs();
  EXPECT_EQ(app_->stats.lines,
            static_cast<uint64_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  EXPECT_LT(preview_text().size(), kPartialWindowBytes);
  EXPECT_NE(preview_text().find("P0 words"), std::string::npos);

  SendMessageW(editor(), EM_LINESCROLL, 0, 2000);  // paragraph 1000 at the top
  app_->request_render();
  finish_jobs();
  const std::string shown = preview_text();
  EXPECT_EQ(shown.find("P0 words"), std::string::npos);
  EXPECT_NE(shown.find("P1000 words"), std::string::npos);
  EXPECT_NE(shown.find("P996 words"), std::string::npos);  // the 16 KiB lead above it
  EXPECT_EQ(shown.find("P995 words"), std::string::npos);
}

TEST_F(PreviewTest, ScanOfAFolderThatIsNoLongerTheWorkspaceIsDroppedAndTheNewOneScanned) {
  make_workspace_tree(files_ / "first", 3);
  make_workspace_tree(files_ / "second", 5);
  app_->workspace_root = files_ / "first";
  app_->scan_workspace();
  ASSERT_TRUE(app_->scan_future.valid());
  app_->workspace_root = files_ / "second";
  app_->scan_workspace();  // dropped: one scan at a time
  app_->scan_future.wait();
  app_->poll_jobs();
  EXPECT_TRUE(app_->workspace_files.empty());
  ASSERT_TRUE(app_->scan_future.valid());  // the current folder's scan has started
  finish_jobs();
  ASSERT_EQ(app_->workspace_files.size(), 5u);
  for (const fs::path& file : app_->workspace_files) {
    EXPECT_EQ(file.parent_path().parent_path(), files_ / "second");
  }
  EXPECT_FALSE(KillTimer(app_->main_window, timer_poll_jobs));
}

TEST_F(PreviewTest, ScanForAClosedWorkspaceIsDropped) {
  make_workspace_tree(files_ / "w", 2);
  app_->workspace_files = {files_ / "kept.md"};
  app_->workspace_root = files_ / "w";
  app_->scan_workspace();
  app_->workspace_root.clear();
  finish_jobs();
  ASSERT_EQ(app_->workspace_files.size(), 1u);
  EXPECT_FALSE(app_->scan_future.valid());
}

// One tree of 20,001 listed files (slow to build under Wine, so only this test makes it).
TEST_F(PreviewTest, ScanStopsAtTheLimitAndSkipsTheUsualFolders) {
  make_workspace_tree(files_.path(), kWorkspaceFileLimit + 1);
  app_->workspace_root = files_.path();
  app_->scan_workspace();
  finish_jobs();
  ASSERT_EQ(app_->workspace_files.size(), kWorkspaceFileLimit);
  EXPECT_TRUE(std::is_sorted(app_->workspace_files.begin(), app_->workspace_files.end()));
  for (const fs::path& file : app_->workspace_files) {
    ASSERT_EQ(file.extension(), ".md");
    ASSERT_EQ(file.parent_path().parent_path(), files_.path()) << file;
    ASSERT_EQ(file.parent_path().filename().native().front(), L'f') << file;
  }
}
