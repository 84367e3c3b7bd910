// The tab strip, the outline and the workspace tree of a hidden main window, driven by the
// messages a user's mouse and keys send: dragging and closing tabs, outline jumps, opening
// from the tree.
#include <gtest/gtest.h>

#include "render/markdown_model.h"
#include "tests/win/app_window_fixture_win.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;
using tavrel::test::BoxWatcher;

namespace {

class TabsTest : public AppWindowTest {
 protected:
  // Three documents "a", "b", "c" (told apart by their text), the last one active.
  void SetUp() override {
    AppWindowTest::SetUp();
    for (const char* text : {"a", "b", "c"}) add_document(text);
  }

  std::string order() const {
    std::string texts;
    for (const auto& document : app_->documents) texts += richedit_text_utf8(document->editor);
    return texts;
  }

  // A point in tab `index`, `inset` pixels left of its right edge (0: its centre).
  LPARAM point_in(int index, int inset = 0) const {
    RECT r{};
    SendMessageW(app_->tab_control, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&r));
    return MAKELPARAM(inset ? r.right - inset : (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }

  LRESULT to_tabs(UINT message, WPARAM wparam, LPARAM lparam) {
    return SendMessageW(app_->tab_control, message, wparam, lparam);
  }
};

}  // namespace

TEST_F(TabsTest, PressSelectsAndDragMovesTheHeldDocument) {
  to_tabs(WM_LBUTTONDOWN, MK_LBUTTON, point_in(0));
  EXPECT_EQ(app_->active_document, 0u);
  EXPECT_EQ(GetCapture(), app_->tab_control);
  to_tabs(WM_MOUSEMOVE, 0, point_in(2));  // without the button nothing moves
  EXPECT_EQ(order(), "abc");
  // The cursor jumps over "b": "a" lands at the end and "b" keeps its place before "c".
  to_tabs(WM_MOUSEMOVE, MK_LBUTTON, point_in(2));
  EXPECT_EQ(order(), "bca");
  EXPECT_EQ(app_->active_document, 2u);
  EXPECT_EQ(SendMessageW(app_->tab_control, TCM_GETCURSEL, 0, 0), 2);
  to_tabs(WM_MOUSEMOVE, MK_LBUTTON, point_in(1));
  EXPECT_EQ(order(), "bac");
  EXPECT_EQ(app_->active_document, 1u);
  to_tabs(WM_LBUTTONUP, 0, point_in(1));
  EXPECT_NE(GetCapture(), app_->tab_control);
  to_tabs(WM_MOUSEMOVE, MK_LBUTTON, point_in(0));
  EXPECT_EQ(order(), "bac");

  to_tabs(WM_LBUTTONDOWN, MK_LBUTTON, point_in(2));
  ReleaseCapture();  // capture lost ends the drag too
  EXPECT_EQ(app_->drag_tab, -1);
}

TEST_F(TabsTest, CloseZoneAndMiddleClickCloseWithTheSaveQuestion) {
  const HWND closed_editor = app_->documents[1]->editor;
  to_tabs(WM_LBUTTONDOWN, MK_LBUTTON, point_in(1, app_->scale(26)));
  EXPECT_EQ(order(), "ac");
  EXPECT_FALSE(IsWindow(closed_editor));
  to_tabs(WM_LBUTTONDOWN, MK_LBUTTON, point_in(0, app_->scale(28)));  // just outside the zone
  to_tabs(WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(order(), "ac");
  EXPECT_EQ(app_->active_document, 0u);

  app_->select_document(0);
  type_text(L"!");
  EXPECT_EQ(tab_texts(), (std::vector<std::wstring>{L"* Untitled", L"Untitled"}));
  EXPECT_EQ(to_tabs(WM_MBUTTONUP, 0, point_in(0)), 0);  // the question is cancelled
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_EQ(questions_[0].text, L"Save changes to Untitled?");
  EXPECT_EQ(order(), "a!c");
  to_tabs(WM_MBUTTONUP, 0, point_in(1));
  EXPECT_EQ(order(), "a!");
}

class OutlineTest : public AppWindowTest {
 protected:
  // The list's own selection change, as a click sends it.
  void choose_row(int index) {
    SendMessageW(app_->outline_list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    send(WM_COMMAND, MAKEWPARAM(ctl_outline_list, LBN_SELCHANGE),
         reinterpret_cast<LPARAM>(app_->outline_list));
  }
};

TEST_F(OutlineTest, RowJumpsToTheHeadingInEditorAndPreview) {
  const std::string text = "# Intro\n\nCaf\xC3\xA9 \xF0\x9F\x98\x80 text\n\n## Details\n\nEnd\n";
  add_document(text);
  finish_jobs();
  app_->refresh_outline();
  ASSERT_EQ(SendMessageW(app_->outline_list, LB_GETCOUNT, 0, 0), 2);
  SetWindowTextW(app_->preview_edit, L"Intro\rCaf\u00E9 text\rdetails\r");
  choose_row(1);
  // "Details" starts after 29 bytes, which are 26 UTF-16 units ("é" one, the emoji two).
  EXPECT_EQ(selection(editor()).cpMin, 26);
  EXPECT_EQ(selection(editor()).cpMax, 26);
  EXPECT_EQ(selection(app_->preview_edit).cpMin, 16);  // found regardless of letter case
  EXPECT_EQ(selection(app_->preview_edit).cpMax, 23);
}

TEST_F(OutlineTest, StaleOffsetsBackOffOrStopAtTheEnd) {
  add_document("a\xC3\xA9 b");
  app_->rendered.headings = {Heading{2, "Nowhere", "nowhere", 2}, Heading{1, "Far", "far", 999}};
  app_->refresh_outline();
  SetWindowTextW(app_->preview_edit, L"preview");
  CHARRANGE untouched{3, 3};
  SendMessageW(app_->preview_edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&untouched));
  BoxWatcher boxes;
  choose_row(0);  // offset 2 lies inside "é", which starts at 1
  EXPECT_EQ(selection(editor()).cpMin, 1);
  EXPECT_EQ(selection(app_->preview_edit).cpMin, 3);  // heading text not in the preview
  choose_row(1);
  EXPECT_EQ(selection(editor()).cpMin, 4);
  app_->goto_outline_entry(-1);
  app_->goto_outline_entry(2);
  EXPECT_EQ(selection(editor()).cpMin, 4);
  EXPECT_TRUE(boxes.boxes().empty());
}
