// Key-downs through the main loop's dispatcher, with the modifiers set in the thread's keyboard
// state as a real key press leaves them.
#include <array>
#include <cctype>
#include <sstream>

#include "tests/win/app_window_fixture_win.h"
#include "ui/editor_swap_win.h"

using namespace tavrel;
using namespace tavrel::test;

namespace {

class ShortcutsTest : public AppWindowTest {
 protected:
  bool key(WPARAM vk, bool ctrl = false, bool shift = false, HWND target = nullptr) {
    std::array<BYTE, 256> state{};
    state[VK_CONTROL] = ctrl ? 0x80 : 0, state[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state.data());
    const bool handled =
        app_->handle_shortcut({target ? target : editor(), WM_KEYDOWN, vk, 1, 0, {}});
    SetKeyboardState(std::array<BYTE, 256>{}.data());
    return handled;
  }
};

TEST_F(ShortcutsTest, BuiltinsWorkFromEveryPaneAndWithoutDocuments) {
  EXPECT_FALSE(key(VK_TAB, false, false, app_->tab_control));
  EXPECT_TRUE(key(VK_TAB, true, false, app_->main_window));  // nothing open: nothing happens
  add_document("one");
  EXPECT_TRUE(key('N', true));
  ASSERT_EQ(app_->documents.size(), 2u);
  EXPECT_TRUE(key(VK_TAB, true, false, app_->tab_control) && app_->active_document == 0);
  EXPECT_TRUE(key(VK_TAB, true, true) && app_->active_document == 1);
  EXPECT_TRUE(key(VK_F11, false, false, app_->preview_edit) && app_->distraction_free);
  EXPECT_TRUE(key(VK_ESCAPE) && !app_->distraction_free);
  EXPECT_FALSE(key('Z'));
  app_->settings["keybindings"] = {{"ctrl+b", 104}};  // a binding wins over Bold
  app_->load_keybindings();
  EXPECT_TRUE(key('B', true));
  EXPECT_EQ(app_->documents.size(), 1u);
  EXPECT_EQ(editor_text(), "one");
}

TEST_F(ShortcutsTest, VimVisualAndEmacsKillActOnTheEditor) {
  add_document("abc");
  app_->on_command(win::cmd_vim_navigation);
  select(2, 2);
  for (const char k : {'V', 'H', 'H', 'Q'}) EXPECT_TRUE(key(k));
  EXPECT_EQ(std::make_pair(selection(editor()).cpMin, selection(editor()).cpMax),
            std::make_pair(0L, 2L));
  std::string line;
  for (int i = 0; i < 40; ++i) line += "word ";
  add_document(line + "\nnext");
  app_->on_command(win::cmd_emacs_navigation);
  ASSERT_GT(SendMessageW(editor(), EM_GETLINECOUNT, 0, 0), 2);  // the first paragraph wraps
  select(5, 5);
  EXPECT_TRUE(key('K', true));
  EXPECT_EQ(editor_text(), "word \nnext");
  EXPECT_EQ(app_->kill_buffer.size(), line.size() - 5);
}

}  // namespace

namespace {

// The key modes on the real control, where a key reads only the text around the caret: a
// paragraph and a word longer than that first stretch, a surrogate pair, the text's end.
TEST_F(ShortcutsTest, VimAndEmacsKeysActAroundTheCaretInTheControl) {
  const std::string long_word(700, 'w');
  const std::string text = "alpha beta\n" + long_word + " tail\nx\xF0\x9F\x98\x80y\nend";
  struct Row {
    bool emacs;
    LONG caret;
    const char* keys;  // "G" with Shift, "C-k" with Ctrl, "M-f" with Alt
    std::string after;
    LONG caret_after;
  };
  const Row rows[] = {
      {false, 717, "l l", text, 720},
      {false, 720, "h", text, 718},
      {false, 718, "x", "alpha beta\n" + long_word + " tail\nxy\nend", 718},
      {false, 11, "w", text, 712},
      {false, 712, "b", text, 11},
      {false, 400, "d d", "alpha beta\nx\xF0\x9F\x98\x80y\nend", 11},
      {false, 400, "y y", text, 11},
      {false, 400, "O Esc", "alpha beta\n\n" + long_word + " tail\nx\xF0\x9F\x98\x80y\nend", 11},
      {false, 400, "o Esc", "alpha beta\n" + long_word + " tail\n\nx\xF0\x9F\x98\x80y\nend", 717},
      {false, 400, "G", text, 725},
      {false, 400, "g g", text, 0},
      {false, 720, "a Esc", text, 721},
      {true, 11, "M-f", text, 712},
      {true, 712, "M-b", text, 11},
      {true, 11, "C-k", "alpha beta\n\nx\xF0\x9F\x98\x80y\nend", 11},
  };
  add_document(text);
  for (const Row& row : rows) {
    win::richedit_set_text_utf8(editor(), text);
    app_->on_command(row.emacs ? win::cmd_emacs_navigation : win::cmd_vim_navigation);
    ASSERT_EQ(app_->emacs, row.emacs);
    select(row.caret, row.caret);
    std::istringstream keys(row.keys);
    for (std::string k; keys >> k;) {
      const bool ctrl = k.rfind("C-", 0) == 0, alt = k.rfind("M-", 0) == 0;
      if (ctrl || alt) k.erase(0, 2);
      const WPARAM vk = k == "Esc" ? VK_ESCAPE : std::toupper(static_cast<unsigned char>(k[0]));
      std::array<BYTE, 256> state{};
      state[VK_CONTROL] = ctrl ? 0x80 : 0, state[VK_MENU] = alt ? 0x80 : 0;
      state[VK_SHIFT] = std::isupper(static_cast<unsigned char>(k[0])) && k != "Esc" ? 0x80 : 0;
      SetKeyboardState(state.data());
      EXPECT_TRUE(app_->handle_shortcut(
          {editor(), static_cast<UINT>(alt ? WM_SYSKEYDOWN : WM_KEYDOWN), vk, 1, 0, {}}))
          << row.keys;
      SetKeyboardState(std::array<BYTE, 256>{}.data());
    }
    EXPECT_EQ(editor_text(), row.after) << row.keys;
    EXPECT_EQ(selection(editor()).cpMax, row.caret_after) << row.keys;
    app_->on_command(row.emacs ? win::cmd_emacs_navigation : win::cmd_vim_navigation);  // off
  }
}

// Ctrl+Z and Vim's u, in every key mode, take back a change that put a new editor in the old
// one's place (a Replace all over many lines) as they take back any other: a key the dispatcher
// leaves goes on to the editor, as the message loop sends it.
TEST_F(ShortcutsTest, UndoKeysBringBackTheEditorAWholeTextChangeReplaced) {
  struct Row {
    int mode;  // 0 none, 1 Vim normal, 2 Vim insert, 3 Emacs
    WPARAM vk;
    bool ctrl;
  };
  const Row rows[] = {
      {0, 'Z', true}, {1, 'Z', true}, {1, 'U', false}, {2, 'Z', true}, {3, 'Z', true}};
  std::string before, after;
  for (int line = 0; line < 600; ++line) before += "a\n", after += "b\n";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mode * 1000 + static_cast<int>(row.vk));
    add_document(before);
    if (row.mode == 1 || row.mode == 2) app_->on_command(win::cmd_vim_navigation);
    if (row.mode == 3) app_->on_command(win::cmd_emacs_navigation);
    if (row.mode == 1) key(VK_ESCAPE);
    if (row.mode == 2 && !app_->vim_insert) key('I');
    ASSERT_EQ(app_->vim && !app_->vim_insert, row.mode == 1);
    win::swap_in_text(*app_, active(), after);
    ASSERT_EQ(editor_text(), after);
    if (!key(row.vk, row.ctrl)) {
      std::array<BYTE, 256> state{};
      state[VK_CONTROL] = row.ctrl ? 0x80 : 0;
      SetKeyboardState(state.data());
      SendMessageW(editor(), WM_KEYDOWN, row.vk, 1);
      SetKeyboardState(std::array<BYTE, 256>{}.data());
    }
    EXPECT_EQ(editor_text(), before);
    if (row.mode == 1 || row.mode == 2) app_->on_command(win::cmd_vim_navigation);  // off
    if (row.mode == 3) app_->on_command(win::cmd_emacs_navigation);
  }
}

}  // namespace
