// Key-downs through the main loop's dispatcher, with the modifiers set in the thread's keyboard
// state as a real key press leaves them.
#include <array>

#include "tests/win/app_window_fixture_win.h"

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
