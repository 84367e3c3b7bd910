#include "tests/win/app_window_fixture_win.h"

namespace tavrel::test {
namespace {

class FindBarTest : public AppWindowTest {
 protected:
  void query(const wchar_t* what, const wchar_t* with, bool regex) {
    SetWindowTextW(app_->find_edit, what);
    SetWindowTextW(app_->replace_edit, with);
    SendMessageW(app_->regex_button, BM_SETCHECK, regex ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  void expect_selected(LONG start, LONG end) {
    const CHARRANGE range = selection(editor());
    EXPECT_EQ(range.cpMin, start);
    EXPECT_EQ(range.cpMax, end);
  }
  void expect_undo_restores(const std::string& text) {
    SendMessageW(editor(), EM_UNDO, 0, 0);
    EXPECT_EQ(editor_text(), text);
  }
};

TEST_F(FindBarTest, FindsWrapsAndEachReplaceIsOneUndoStep) {
  const std::string text = "one two\none";
  add_document(text);
  app_->on_command(win::cmd_replace);
  EXPECT_TRUE(app_->find_bar_visible && app_->find_replace_mode);
  query(L"ONE", L"1", false);
  select(1, 1);
  app_->find_next();
  expect_selected(8, 11);
  app_->find_next();
  expect_selected(0, 3);
  EXPECT_EQ(app_->status_text, L"Match selected");

  app_->replace_matches(false);
  EXPECT_EQ(editor_text(), "1 two\none");
  expect_selected(6, 9);
  expect_undo_restores(text);

  query(L"(o)ne", L"[$1$$]", true);
  app_->replace_matches(true);
  EXPECT_EQ(editor_text(), "[o$] two\n[o$]");
  EXPECT_EQ(app_->status_text, L"2 replacements");
  expect_undo_restores(text);
}

TEST_F(FindBarTest, RegexSearchKeepsContextAndRefusalsChangeNothing) {
  add_document("ab\ncd");
  query(L"^", L"", true);
  select(1, 1);
  app_->find_next();
  expect_selected(3, 4);
  query(L"(", L"x", true);
  app_->replace_matches(true);
  EXPECT_EQ(app_->status_text, L"Invalid regular expression");
  query(L"z", L"x", true);
  app_->replace_matches(true);
  EXPECT_EQ(app_->status_text, L"0 replacements");
  app_->find_next();
  EXPECT_EQ(app_->status_text, L"No matches");
  EXPECT_EQ(editor_text(), "ab\ncd");
  EXPECT_FALSE(SendMessageW(editor(), EM_CANUNDO, 0, 0));
}

}  // namespace
}  // namespace tavrel::test
