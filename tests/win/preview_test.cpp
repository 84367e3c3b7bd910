// The background render and the workspace scan in a hidden main window: results are applied
// only to the document, revision and folder they were made for, the preview shows the rendered
// text, and large documents render the visible window.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/win/app_window_fixture_win.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;
using tavrel::test::write_bytes;

namespace {

class PreviewTest : public AppWindowTest {
 protected:
  // Waits for the running render and collects it (which may start the next).
  void collect_render() {
    ASSERT_TRUE(app_->render_future.valid());
    app_->render_future.wait();
    app_->poll_jobs();
  }

  bool preview_has(const std::string& text) {
    return preview_text().find(text) != std::string::npos;
  }
};

}  // namespace

TEST_F(PreviewTest, PreviewShowsTheRenderedVietnameseAndEmoji) {
  add_document(
      "# Xin ch\xC3\xA0o \xF0\x9F\x98\x80\n\nTi\xE1\xBA\xBFng Vi\xE1\xBB\x87t **c\xC3\xB3 "
      "d\xE1\xBA\xA5u**\n");
  collect_render();
  EXPECT_TRUE(preview_has("Xin ch\xC3\xA0o \xF0\x9F\x98\x80")) << preview_text();
  EXPECT_TRUE(preview_has("Ti\xE1\xBA\xBFng Vi\xE1\xBB\x87t c\xC3\xB3 d\xE1\xBA\xA5u"));
  EXPECT_FALSE(preview_has("**"));
  EXPECT_FALSE(KillTimer(app_->main_window, timer_poll_jobs));  // stopped: nothing pending
}

TEST_F(PreviewTest, StaleResultsAreDropped) {
  add_document("# First\n");
  collect_render();
  type_text(L"\rsecond paragraph words");
  app_->request_render();
  type_text(L" more");  // the edit the render above did not see
  collect_render();
  EXPECT_FALSE(preview_has("second"));
  app_->request_render();
  collect_render();
  EXPECT_TRUE(preview_has("second paragraph words more"));

  add_document("# Two\n");   // starts a render of "Two"
  app_->select_document(0);  // asks again while it runs
  collect_render();          // "Two" no longer matches and is dropped; the first starts at once
  ASSERT_TRUE(app_->render_future.valid());
  finish_jobs();
  EXPECT_TRUE(preview_has("First"));
  EXPECT_FALSE(preview_has("Two"));

  add_document("# Gone\n");
  app_->render_future.wait();
  app_->documents.clear();  // as if the last tab went while the task ran
  app_->poll_jobs();
  EXPECT_FALSE(preview_has("Gone"));
}

// One scan at a time: a result for a folder that is no longer the workspace is dropped and the
// current one scanned; a scan for a closed workspace changes nothing.
TEST_F(PreviewTest, ScanResultsApplyOnlyToTheirFolder) {
  for (const char* folder : {"first/a.md", "second/b.md", "second/c.md", "w/d.md"}) {
    std::filesystem::create_directories((files_ / folder).parent_path());
    write_bytes(files_ / folder, "x");
  }
  app_->workspace_root = files_ / "first";
  app_->scan_workspace();
  app_->workspace_root = files_ / "second";
  app_->scan_workspace();
  app_->scan_future.wait();
  app_->poll_jobs();
  EXPECT_TRUE(app_->workspace_files.empty());
  ASSERT_TRUE(app_->scan_future.valid());
  finish_jobs();
  EXPECT_EQ(app_->workspace_files, (std::vector<std::filesystem::path>{
                                       files_ / "second" / "b.md", files_ / "second" / "c.md"}));

  app_->workspace_root = files_ / "w";
  app_->scan_workspace();
  app_->workspace_root.clear();
  finish_jobs();
  EXPECT_EQ(app_->workspace_files.size(), 2u);
  EXPECT_FALSE(KillTimer(app_->main_window, timer_poll_jobs));
}
