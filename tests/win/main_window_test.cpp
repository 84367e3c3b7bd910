// The main window created in this process (hidden): the layout applied to its controls, the
// split bar, the error box, and edits reaching the window procedure.
#include <gtest/gtest.h>

#include "core/documents_win.h"
#include "tests/win/app_window_fixture_win.h"
#include "ui/layout.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;
using tavrel::test::BoxWatcher;

namespace {

bool shown(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

class MainWindowTest : public AppWindowTest {
 protected:
  Rect place_of(HWND child) const {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, app_->main_window, reinterpret_cast<POINT*>(&r), 2);
    return Rect{r.left, r.top, r.right, r.bottom};
  }

  // Every pane with a window is where the pure layout says, and as visible.
  void expect_layout_applied() {
    const Layout layout = compute_layout(layout_input(*app_));
    for (size_t i = 0; i < kPaneCount; ++i) {
      const auto pane = static_cast<Pane>(i);
      if (pane_control_id(pane) == 0) continue;
      SCOPED_TRACE(pane_control_id(pane));
      const HWND window = GetDlgItem(app_->main_window, pane_control_id(pane));
      ASSERT_NE(window, nullptr);
      EXPECT_EQ(shown(window), layout.at(pane).shown);
      EXPECT_TRUE(!layout.at(pane).rect || place_of(window) == *layout.at(pane).rect);
    }
  }
};

}  // namespace

TEST_F(MainWindowTest, LayoutIsAppliedAndFollowsSizeDpiAndTheFindRow) {
  expect_layout_applied();
  app_->outline = true;
  SetWindowPos(app_->main_window, nullptr, 0, 0, 900, 600, SWP_NOZORDER | SWP_NOACTIVATE);
  expect_layout_applied();

  app_->find_bar_visible = true;
  app_->find_replace_mode = true;
  app_->layout_panes();
  expect_layout_applied();
  const Rect find_box = place_of(app_->find_edit);
  const HWND close = GetDlgItem(app_->main_window, ctl_close_find);
  send(WM_COMMAND, MAKEWPARAM(ctl_close_find, BN_CLICKED), reinterpret_cast<LPARAM>(close));
  EXPECT_FALSE(shown(app_->find_edit));
  EXPECT_TRUE(place_of(app_->find_edit) == find_box);  // hidden where it was

  RECT suggested{10, 10, 1810, 1210};
  send(WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(app_->dpi, 144);
  expect_layout_applied();
}

// The percent's limits are the layout's; here: the drag follows the mouse until it is let go.
TEST_F(MainWindowTest, SplitterDragsUntilReleasedOrTheMouseIsLost) {
  for (const UINT end : {UINT(WM_LBUTTONUP), UINT(WM_CAPTURECHANGED)}) {
    const int split = compute_layout(layout_input(*app_)).split;
    send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(split + app_->scale(7), 300));
    send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(end == WM_LBUTTONUP ? 0 : 5000, 300));
    EXPECT_EQ(app_->split_percent, end == WM_LBUTTONUP ? 25 : 75);
    expect_layout_applied();
    send(end, 0, 0);
    send(WM_MOUSEMOVE, 0, MAKELPARAM(600, 300));
    EXPECT_EQ(app_->split_percent, end == WM_LBUTTONUP ? 25 : 75);
  }
}

TEST_F(MainWindowTest, FailuresShowTheErrorBoxWithInvalidTextShownLeniently) {
  BoxWatcher watcher;
  app_->show_error(std::runtime_error("bad \xFF byte"));
  add_document();
  app_->profile_dir = profile_ / "gone" / "deeper";     // custom.css cannot be written there
  EXPECT_EQ(send(WM_COMMAND, cmd_edit_export_css), 0);  // the handler's error stops at the window
  ASSERT_EQ(watcher.boxes().size(), 2u);
  EXPECT_EQ(watcher.boxes()[0].title, L"Tavrel - Could not complete action");
  EXPECT_NE(watcher.boxes()[0].text.find(L"bad \uFFFD byte"), std::wstring::npos);
  EXPECT_EQ(watcher.boxes()[0].owner, app_->main_window);
  EXPECT_EQ(watcher.boxes()[1].title, L"Tavrel - Could not complete action");
  EXPECT_TRUE(IsWindow(app_->main_window));
}

// Only a change of the active editor, outside suppression, is an edit.
TEST_F(MainWindowTest, EditsOfTheActiveEditorMarkItAndArmTheTimers) {
  Document& other = add_document("other");
  Document& active = add_document("notes");
  active.path = (files_ / "notes.md").native();
  app_->status_text = L"Saved";
  SendMessageW(other.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"x"));
  EXPECT_FALSE(other.modified);
  {
    ChangeSuppression quiet(*app_);
    type_text(L"quiet");
  }
  EXPECT_FALSE(active.modified);
  EXPECT_EQ(app_->status_text, L"Saved");

  type_text(L"!");
  EXPECT_TRUE(active.modified);
  EXPECT_EQ(active.revision, 1u);
  EXPECT_TRUE(app_->status_text.empty());
  EXPECT_EQ(title(), L"* notes.md - Tavrel");
  EXPECT_EQ(tab_texts().back(), L"* notes.md");
  EXPECT_TRUE(KillTimer(app_->main_window, timer_render));
  EXPECT_TRUE(KillTimer(app_->main_window, timer_recovery));
}
