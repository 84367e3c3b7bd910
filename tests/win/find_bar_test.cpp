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
  LONG find_from(LONG caret) {
    select(caret, caret);
    app_->find_next();
    return selection(editor()).cpMin;
  }
};

TEST_F(FindBarTest, FindsInContextAndEachReplaceIsOneUndoStep) {
  const std::string text = "one two\none";
  add_document(text);
  app_->on_command(win::cmd_replace);
  EXPECT_TRUE(app_->find_bar_visible && app_->find_replace_mode);
  query(L"ONE", L"1", false);
  EXPECT_EQ(find_from(1), 8);
  EXPECT_EQ(find_from(9), 0);  // wrapped
  app_->replace_matches(false);
  EXPECT_EQ(editor_text(), "1 two\none");
  EXPECT_EQ(selection(editor()).cpMin, 6);  // on to the next match
  SendMessageW(editor(), EM_UNDO, 0, 0);
  EXPECT_EQ(editor_text(), text);

  query(L"^", L"", true);
  EXPECT_EQ(find_from(1), 8);  // not at the caret in mid-line
  query(L"(", L"x", true);
  app_->replace_matches(true);
  EXPECT_EQ(app_->status_text, L"Invalid regular expression");
  query(L"(o)ne", L"[$1$$]", true);
  app_->replace_matches(true);
  EXPECT_EQ(editor_text(), "[o$] two\n[o$]");
  EXPECT_EQ(app_->status_text, L"2 replacements");
  SendMessageW(editor(), EM_UNDO, 0, 0);
  EXPECT_EQ(editor_text(), text);
  EXPECT_FALSE(SendMessageW(editor(), EM_CANUNDO, 0, 0));
}

}  // namespace
}  // namespace tavrel::test
