// The modal dialogs driven from inside their own loop: a thread timer finds the dialog and plays
// the user's steps one tick apart, so that each key posted is handled before the next step.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <deque>
#include <fstream>
#include <map>

#include "tests/win/app_window_fixture_win.h"
#include "ui/commands.h"
#include "ui/dialog_frame_win.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;
using tavrel::test::text_of;
using tavrel::test::write_bytes;

namespace {

using Step = std::function<void(HWND dialog)>;

// The dialog of this process (test shards run side by side).
HWND own_dialog() {
  const auto found = tavrel::test::process_windows(GetCurrentProcessId(), L"Tavrel.Dialog");
  return found.empty() ? nullptr : found.front();
}

class DialogsTest : public AppWindowTest {
 protected:
  // Runs the dialog of `kind` through `steps`; a dialog still open 10 s later is closed.
  void run(uint32_t kind, std::deque<Step> steps) {
    steps_ = std::move(steps);
    const UINT_PTR ticks = SetTimer(nullptr, 0, 40, tick);
    const UINT_PTR guard = SetTimer(nullptr, 0, 10000, close_dialog);
    app_->run_dialog(kind);
    KillTimer(nullptr, ticks);
    KillTimer(nullptr, guard);
    EXPECT_TRUE(steps_.empty()) << "the dialog closed before every step ran";
    EXPECT_TRUE(IsWindowEnabled(app_->main_window));
    EXPECT_EQ(own_dialog(), nullptr);
  }

  static HWND item(HWND dialog, int id) { return GetDlgItem(dialog, id); }
  // To the focused control; the dialog's loop also takes it at the dialog when another test
  // process has just taken the focus away.
  static void key(UINT vk) {
    const HWND focus = GetFocus();
    PostMessageW(focus != nullptr ? focus : own_dialog(), WM_KEYDOWN, vk, 0);
  }
  static void type(HWND dialog, int id, const wchar_t* text) {
    SetWindowTextW(item(dialog, id), text);
    SetFocus(item(dialog, id));
  }
  static std::vector<std::wstring> rows(HWND list) {
    std::vector<std::wstring> texts;
    const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)), L'\0');
      SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
      texts.push_back(text);
    }
    return texts;
  }

  static inline std::deque<Step> steps_;

 private:
  static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
    const HWND dialog = own_dialog();
    if (dialog == nullptr || !IsWindowVisible(dialog) || steps_.empty()) return;
    const Step step = std::move(steps_.front());
    steps_.pop_front();
    step(dialog);
  }
  static void CALLBACK close_dialog(HWND, UINT, UINT_PTR, DWORD) {
    PostMessageW(own_dialog(), WM_CLOSE, 0, 0);
  }
};

}  // namespace

TEST_F(DialogsTest, QuickOpenRanksTheWorkspaceAndOpensTheBestMatch) {
  for (const char* name : {"a/zz-notes-old.txt", "b/notes.md", "b/readme.md"}) {
    std::filesystem::create_directories((files_ / name).parent_path());
    write_bytes(files_ / name, "x");
  }
  app_->workspace_root = files_.path();
  app_->scan_workspace();
  finish_jobs();
  std::vector<std::wstring> shown;
  run(cmd_quick_open, {[&](HWND d) { type(d, 10, L"NOTES"); },
                       [&](HWND d) {
                         shown = rows(item(d, 11));
                         key(VK_RETURN);
                       }});
  ASSERT_EQ(shown.size(), 2u);  // the ranking is the file list's own
  EXPECT_EQ(shown[0], L"notes.md    |    " + (files_ / "b").wstring());
  ASSERT_FALSE(app_->documents.empty());
  EXPECT_EQ(active().path, (files_ / "b" / "notes.md").wstring());
  EXPECT_EQ(GetFocus(), editor());
}

// Which control was given the focus last: read from the focus messages themselves, since the
// desktop's focus moves with the test processes running beside this one.
int g_focused = 0;
LRESULT CALLBACK note_focus(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                            DWORD_PTR) {
  if (message == WM_SETFOCUS) g_focused = GetDlgCtrlID(window);
  return DefSubclassProc(window, message, wparam, lparam);
}

TEST_F(DialogsTest, SettingsRefusesPlainHttpAndOutOfRangeDelays) {
  const std::string before = app_->update_url;
  HWND dialog = nullptr;
  run(cmd_settings, {[&](HWND d) {
                       dialog = d;
                       type(d, 15, L"http://example.com/u.json");
                       for (const int id : {13, 15})
                         SetWindowSubclass(item(d, id), note_focus, 1, 0);
                       SetFocus(item(d, 13));
                       key(VK_RETURN);
                     },
                     [&](HWND) { key(VK_ESCAPE); }});
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_EQ(questions_[0].text, L"Enter a valid HTTPS update URL.");
  EXPECT_TRUE(g_focused == 15 && questions_[0].owner == dialog && app_->update_url == before);

  run(cmd_settings, {[](HWND d) {
                       type(d, 13, L"121");
                       key(VK_RETURN);
                     },
                     [](HWND d) {
                       SetWindowTextW(item(d, 13), L"120");
                       type(d, 15, L"https://example.com/u.json");
                       key(VK_RETURN);
                     }});
  ASSERT_EQ(questions_.size(), 2u);
  EXPECT_EQ(app_->auto_save_seconds, 120);
  EXPECT_EQ(app_->update_url, "https://example.com/u.json");
}

// A number too long for an int is a delay like any other outside the range.
TEST_F(DialogsTest, SettingsTakesAnyNumberOfDigitsForTheRangeMessage) {
  const int before = app_->auto_save_seconds;
  run(cmd_settings, {[](HWND d) {
                       type(d, 15, L"https://example.com/u.json");
                       type(d, 13, L"99999999999");
                       key(VK_RETURN);
                     },
                     [](HWND) { key(VK_ESCAPE); }});
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_EQ(questions_[0].text, L"Use a value from 2 to 120 seconds.");
  EXPECT_EQ(app_->auto_save_seconds, before);
}

// A text that names no key is refused and the shortcut the command had stays, in the settings,
// in the dispatcher and on disk.
TEST_F(DialogsTest, ShortcutThatNamesNoKeyKeepsTheOldBinding) {
  int command = 0;
  run(cmd_keyboard_shortcuts, {[&](HWND d) {
                                 SendMessageW(item(d, 11), LB_SETCURSEL, 0, 0);
                                 type(d, 14, L"Ctrl+Alt+9");
                                 key(VK_RETURN);
                               },
                               [](HWND d) { type(d, 14, L"Foo"), key(VK_RETURN); },
                               [](HWND d) { type(d, 14, L"Ctrl+"), key(VK_RETURN); },
                               [](HWND d) { type(d, 14, L"Ctrl+Foo"), key(VK_RETURN); },
                               [&](HWND) {
                                 ASSERT_EQ(app_->keybindings.count(L"CTRL+ALT+9"), 1u);
                                 command = app_->keybindings.at(L"CTRL+ALT+9");
                                 key(VK_ESCAPE);
                               }});
  ASSERT_EQ(questions_.size(), 3u);
  for (const Question& question : questions_)
    EXPECT_EQ(question.text, L"Use Ctrl, Alt or a function key (F1-F24).");
  const nlohmann::json bound = {{"CTRL+ALT+9", command}};
  EXPECT_EQ(app_->settings["keybindings"], bound);
  EXPECT_EQ(app_->keybindings, (std::map<std::wstring, int>{{L"CTRL+ALT+9", command}}));
  std::ifstream file(profile_.path() / "settings.json");
  EXPECT_EQ(nlohmann::json::parse(file)["keybindings"], bound);
}

TEST_F(DialogsTest, ShortcutAssignedInTheDialogIsStoredAndTakesEffect) {
  run(cmd_keyboard_shortcuts, {[](HWND d) {
                                 SendMessageW(item(d, 11), LB_SETCURSEL, 0, 0);
                                 type(d, 14, L"ctrl + shift + b");
                                 key(VK_RETURN);
                               },
                               [](HWND d) {
                                 EXPECT_EQ(text_of(item(d, 14)), L"CTRL+SHIFT+B");
                                 key(VK_ESCAPE);
                               }});
  EXPECT_TRUE(app_->settings["keybindings"].contains("CTRL+SHIFT+B"));
  EXPECT_EQ(app_->keybindings.count(L"CTRL+SHIFT+B"), 1u);  // the dispatcher follows at once
}

TEST_F(DialogsTest, EmojiGoesBeforeTheSelection) {
  add_document("abc");
  select(0, 3);
  run(cmd_emoji, {[](HWND d) {
        SendMessageW(item(d, 11), LB_SETCURSEL, 2, 0);
        key(VK_RETURN);
      }});
  EXPECT_EQ(editor_text(), "\u2764\uFE0Fabc");
}

// Every way out gives the owner back enabled with no dialog left, a page that fails to build
// included; a quit message ends the dialog and is posted again for the main loop.
TEST_F(DialogsTest, OwnerEnabledAfterEveryKindOfClose) {
  run(cmd_licenses, {[](HWND) { key(VK_RETURN); }});  // the notices: the self-test's
  run(cmd_about, {[](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); }});
  run(cmd_recent_pinned, {[](HWND d) { PostMessageW(item(d, 2), BM_CLICK, 0, 0); }});
  run(cmd_document_history, {[](HWND) { key(VK_ESCAPE); }});
  run(kDialogCopyCode, {[](HWND) { key(VK_RETURN); }});  // an empty list: accept closes
  run(cmd_quick_open, {[](HWND) { PostQuitMessage(7); }});
  MSG quit{};
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 7u);

  app_->instance = GetModuleHandleW(L"kernel32.dll");  // a module without the notices
  EXPECT_THROW(app_->run_dialog(cmd_licenses), std::runtime_error);
  EXPECT_TRUE(IsWindowEnabled(app_->main_window));
  EXPECT_EQ(own_dialog(), nullptr);
}

// The main window of the fixture is hidden, so the list's own flag tells whether it is shown.
bool popup_shown(HWND popup) { return (GetWindowLongPtrW(popup, GWL_STYLE) & WS_VISIBLE) != 0; }

// The self-test inserts a completion; here: an accept after the caret left the trigger.
TEST_F(DialogsTest, EmojiCompletionAfterTheCaretLeftInsertsNothing) {
  add_document("go");
  type_text(L" :ro");
  app_->update_emoji_completion();
  ASSERT_TRUE(popup_shown(app_->emoji_popup));
  select(0, 0);
  app_->accept_emoji_completion();
  EXPECT_EQ(editor_text(), "go :ro");
  EXPECT_FALSE(popup_shown(app_->emoji_popup));
}
