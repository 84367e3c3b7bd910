// Views kept and followed in a real changelog of 1 MB, taller than 65535 pixels in both panes,
// where the control reports its scroll position in units scaled down to 16 bits but takes pixels:
// a render after an edit, synchronized scrolling, a whole-text change and the typewriter mode.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/win/app_window_fixture_win.h"
#include "ui/editor_swap_win.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;
using tavrel::test::read_bytes;

namespace {

class LongScrollTest : public AppWindowTest {
 protected:
  void SetUp() override {
    AppWindowTest::SetUp();
    app_->outline = true;
    app_->layout_panes();
    add_document(read_bytes("Z:/usr/share/doc/nodejs/changelogs/CHANGELOG_V12.md"));
    finish_jobs();
    for (const HWND pane : {editor(), preview()}) {  // the case at hand
      const LONG end = static_cast<LONG>(richedit_length(pane));
      ASSERT_GT(client_y(pane, end) - client_y(pane, 0), 65535);
    }
    rows_ = static_cast<int>(SendMessageW(app_->outline_list, LB_GETCOUNT, 0, 0));
    ASSERT_GT(rows_, 100);
  }
  HWND preview() const { return app_->preview_edit; }
  static LONG top_line(HWND edit) {
    return static_cast<LONG>(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
  }
  static LONG client_y(HWND edit, LONG position) {
    POINTL at{};
    SendMessageW(edit, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), position);
    return at.y;
  }
  // How far down its text the first line shown is, from 0 to 1.
  static double shown_fraction(HWND edit) {
    const LRESULT first = SendMessageW(edit, EM_LINEINDEX, static_cast<WPARAM>(top_line(edit)), 0);
    return static_cast<double>(first) / static_cast<double>(richedit_length(edit));
  }
  // The outline's jump to a section half-way down, in both panes.
  void jump_half_way() {
    SendMessageW(app_->outline_list, LB_SETCURSEL, static_cast<WPARAM>(rows_ / 2), 0);
    send(WM_COMMAND, MAKEWPARAM(ctl_outline_list, LBN_SELCHANGE),
         reinterpret_cast<LPARAM>(app_->outline_list));
    ASSERT_GT(top_line(editor()), 1000);
    ASSERT_GT(top_line(preview()), 300);
  }
  int rows_ = 0;
};

}  // namespace

// A word typed into the section shown, and the render that follows.
TEST_F(LongScrollTest, RenderAfterAnEditKeepsThePreviewsFirstLine) {
  jump_half_way();
  const LONG shown = top_line(preview());
  CHARRANGE end_of_heading{};
  SendMessageW(editor(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&end_of_heading));
  end_of_heading.cpMin = end_of_heading.cpMax;
  SendMessageW(editor(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end_of_heading));
  for (const wchar_t* word : {L" typed", L" more"}) {
    SCOPED_TRACE(testing::Message() << word);
    SendMessageW(editor(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(word));
    app_->request_render();
    finish_jobs();
    EXPECT_EQ(top_line(preview()), shown);
  }
}

// Each step of the caret far down moves the preview to the same part of its own text.
TEST_F(LongScrollTest, SynchronizedScrollingPutsThePreviewAtTheSamePlace) {
  app_->sync_scroll = true;
  jump_half_way();
  for (int step = 0; step < 3; ++step) {
    SCOPED_TRACE(step);
    SendMessageW(editor(), EM_LINESCROLL, 0, 1 + step * 40);
    app_->on_caret_moved();
    EXPECT_NEAR(shown_fraction(preview()), shown_fraction(editor()), 0.05);
  }
}

// A whole-text change (as Replace all makes) and the typewriter mode's colours keep the view.
TEST_F(LongScrollTest, WholeTextChangeAndTypewriterKeepTheEditorsView) {
  jump_half_way();
  const LONG shown = top_line(editor());
  std::string changed = editor_text();
  for (char& c : changed) c = c == 'a' ? 'e' : c;
  swap_in_text(*app_, active(), changed);
  ASSERT_EQ(editor_text(), changed);
  EXPECT_EQ(top_line(editor()), shown);
  app_->sync_scroll = false;
  app_->typewriter = true;
  app_->apply_typewriter();
  EXPECT_EQ(top_line(editor()), shown);
}
