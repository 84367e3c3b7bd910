// The main window created in this process (hidden): the layout applied to its controls, the
// split bar, the error box, edits reaching the window procedure, closing and focus.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "core/documents_win.h"
#include "tests/win/app_window_fixture_win.h"
#include "ui/layout.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;
using tavrel::test::BoxWatcher;
using tavrel::test::read_bytes;

namespace {

bool shown(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

std::optional<WPARAM> posted_quit_code() {
  MSG message;
  if (!PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return std::nullopt;
  return message.wParam;
}

LRESULT CALLBACK count_position_changes(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR, DWORD_PTR counter) {
  if (message == WM_WINDOWPOSCHANGING) ++*reinterpret_cast<int*>(counter);
  return DefSubclassProc(window, message, wparam, lparam);
}

class MainWindowTest : public AppWindowTest {
 protected:
  void resize(int width, int height) {
    SetWindowPos(app_->main_window, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }

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
      if (layout.at(pane).rect) EXPECT_TRUE(place_of(window) == *layout.at(pane).rect);
    }
  }
};

}  // namespace

TEST_F(MainWindowTest, LayoutIsAppliedAndFollowsSizeDpiAndTheFindRow) {
  expect_layout_applied();
  int moves = 0;
  SetWindowSubclass(app_->status_bar, count_position_changes, 7,
                    reinterpret_cast<DWORD_PTR>(&moves));
  app_->layout_panes();
  EXPECT_EQ(moves, 0);  // an unchanged layout moves nothing
  app_->outline = true;
  resize(900, 600);
  EXPECT_GT(moves, 0);
  RemoveWindowSubclass(app_->status_bar, count_position_changes, 7);
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
  MINMAXINFO info{};
  send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, app_->scale(850));
  expect_layout_applied();
}

TEST_F(MainWindowTest, OnlyTheActiveEditorIsPlacedAndPadded) {
  const Document& first = add_document("a");
  const Document& second = add_document("b");
  const Rect editor_place = *compute_layout(layout_input(*app_)).at(Pane::ActiveEditor).rect;
  EXPECT_TRUE(shown(second.editor));
  EXPECT_FALSE(shown(first.editor));
  EXPECT_TRUE(place_of(second.editor) == editor_place);
  RECT client{};
  GetClientRect(second.editor, &client);
  RECT format{};
  SendMessageW(second.editor, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  EXPECT_TRUE((Rect{format.left, format.top, format.right, format.bottom}) ==
              padded_text_rect(Rect{0, 0, client.right, client.bottom}, 12, true, app_->dpi));
  app_->select_document(0);
  EXPECT_TRUE(shown(first.editor));
  EXPECT_FALSE(shown(second.editor));
}

TEST_F(MainWindowTest, SplitterDragsWithinItsLimitsUntilReleasedOrTheMouseIsLost) {
  const int split = compute_layout(layout_input(*app_)).split;
  send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(split + app_->scale(8), 300));
  EXPECT_FALSE(app_->splitter_drag);  // too far from the bar
  send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(split + app_->scale(7), 300));
  ASSERT_TRUE(app_->splitter_drag);
  send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0, 300));
  EXPECT_EQ(app_->split_percent, 25);
  send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5000, 300));
  EXPECT_EQ(app_->split_percent, 75);
  expect_layout_applied();
  send(WM_LBUTTONUP, 0, MAKELPARAM(5000, 300));
  send(WM_MOUSEMOVE, 0, MAKELPARAM(0, 300));
  EXPECT_EQ(app_->split_percent, 75);

  send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(compute_layout(layout_input(*app_)).split, 300));
  ASSERT_TRUE(app_->splitter_drag);
  send(WM_CAPTURECHANGED, 0, 0);
  send(WM_MOUSEMOVE, 0, MAKELPARAM(0, 300));
  EXPECT_EQ(app_->split_percent, 75);

  app_->view_mode = 0;  // the editor alone has no bar
  send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(split, 300));
  EXPECT_FALSE(app_->splitter_drag);
}

TEST_F(MainWindowTest, FailuresShowTheErrorBoxWithInvalidTextShownLeniently) {
  BoxWatcher watcher;
  app_->show_error(std::runtime_error("bad \xFF byte"));
  app_->profile_dir = profile_ / "gone" / "deeper";  // the settings cannot be written there
  EXPECT_EQ(send(WM_TIMER, timer_save_settings), 0);  // the handler's error stops at the window
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

TEST_F(MainWindowTest, SettingsAreSavedByTheirTimerAndOnClose) {
  app_->split_percent = 61;
  send(WM_TIMER, timer_save_settings);
  EXPECT_EQ(nlohmann::json::parse(read_bytes(profile_ / "settings.json")).at("splitPercent"), 61);
  EXPECT_FALSE(KillTimer(app_->main_window, timer_save_settings));  // one-shot

  app_->split_percent = 40;
  send(WM_CLOSE);
  EXPECT_FALSE(IsWindow(app_->main_window));
  EXPECT_EQ(posted_quit_code(), std::optional<WPARAM>(0));
  EXPECT_EQ(nlohmann::json::parse(read_bytes(profile_ / "settings.json")).at("splitPercent"), 40);
}

TEST_F(MainWindowTest, ReleasingTheWindowPostsNoQuit) {
  release_main_window(*app_);
  EXPECT_EQ(app_->main_window, nullptr);
  EXPECT_EQ(posted_quit_code(), std::nullopt);
}

// Focus follows the user across deactivation: back into the find box while it is shown, to the
// active editor once it is hidden, and never into a disabled or minimised window.
TEST_F(MainWindowTest, FocusComesBackWhereItWas) {
  const HWND edit = add_document("a").editor;
  app_->find_bar_visible = true;
  app_->layout_panes();
  ShowWindow(app_->main_window, SW_SHOW);
  SetForegroundWindow(app_->main_window);
  SetFocus(app_->find_edit);
  ASSERT_EQ(GetFocus(), app_->find_edit);
  send(WM_ACTIVATE, WA_INACTIVE, 0);
  SetFocus(nullptr);
  send(WM_ACTIVATE, WA_INACTIVE, 0);  // focus outside the window is not remembered
  EXPECT_EQ(app_->saved_focus, app_->find_edit);

  SetFocus(edit);
  send(WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0);  // activated while minimised
  EXPECT_EQ(GetFocus(), edit);
  EnableWindow(app_->main_window, FALSE);
  send(WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(GetFocus(), edit);
  EnableWindow(app_->main_window, TRUE);
  send(WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(GetFocus(), app_->find_edit);

  send(WM_ACTIVATE, WA_INACTIVE, 0);
  app_->find_bar_visible = false;
  app_->layout_panes();
  send(WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(GetFocus(), edit);
}
