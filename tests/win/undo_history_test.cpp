// Undo and Redo walk one linear history, as in a single editor, across Replace alls that put a
// new editor control in the old one's place (ui/editor_swap_win.h), on every road that asks for
// them: the Edit menu, the keys, the messages sent to the control, the Vim and Emacs keys.
#include <array>
#include <sstream>

#include "tests/win/app_window_fixture_win.h"
#include "ui/commands.h"
#include "ui/editor_swap_win.h"

using namespace tavrel;
using namespace tavrel::test;

namespace {

// What a single editor with an unlimited history would show: every edit drops the texts that
// were undone before it.
class LinearHistory {
 public:
  explicit LinearHistory(std::string text) : texts_{std::move(text)} {}
  const std::string& text() const { return texts_[at_]; }
  void edit(std::string text) {
    texts_.resize(at_ + 1);
    texts_.push_back(std::move(text));
    ++at_;
  }
  void undo() { at_ -= at_ > 0 ? 1 : 0; }
  void redo() { at_ += at_ + 1 < texts_.size() ? 1 : 0; }

 private:
  std::vector<std::string> texts_;
  size_t at_ = 0;
};

std::string replaced(std::string text, const std::string& what, const std::string& with) {
  for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += with.size())
    text.replace(at, what.size(), with);
  return text;
}

size_t count_of(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++count;
  return count;
}

// A text told short: its typed "A1" and the two spellings of "the".
std::string summary(const std::string& text) {
  return std::to_string(count_of(text, "A1")) + " A1, " + std::to_string(count_of(text, "the")) +
         " the, " + std::to_string(count_of(text, "THE")) + " THE, " + std::to_string(text.size()) +
         " bytes";
}

// A key press: "C-" holds Ctrl, "S-" Shift; "/" is the slash key, "-" the minus key.
struct Key {
  WPARAM vk = 0;
  bool ctrl = false, shift = false;
};

Key parse_key(std::string text) {
  Key key;
  for (; text.size() > 2 && text[1] == '-'; text.erase(0, 2)) {
    (text[0] == 'C' ? key.ctrl : key.shift) = true;
  }
  key.vk = text == "/" ? VK_OEM_2 : text == "-" ? VK_OEM_MINUS : static_cast<WPARAM>(text[0]);
  return key;
}

class UndoHistoryTest : public AppWindowTest {
 protected:
  // Through the main loop's dispatcher; a key-down it leaves goes on to the editor, as the
  // message loop sends it, and the key-up always does.
  void press(const Key& key) {
    std::array<BYTE, 256> state{};
    state[VK_CONTROL] = key.ctrl ? 0x80 : 0, state[VK_SHIFT] = key.shift ? 0x80 : 0;
    SetKeyboardState(state.data());
    if (!app_->handle_shortcut({editor(), WM_KEYDOWN, key.vk, 1, 0, {}})) {
      SendMessageW(editor(), WM_KEYDOWN, key.vk, 1);
    }
    SendMessageW(editor(), WM_KEYUP, key.vk, 0xC0000001);
    SetKeyboardState(std::array<BYTE, 256>{}.data());
  }
  // A road: the Edit menu's command, a message sent to the editor, or a key.
  void ask(const std::string& road, bool undo) {
    if (road == "menu") {
      app_->on_command(undo ? win::cmd_undo : win::cmd_redo);
    } else if (road.find('_') != std::string::npos) {
      const UINT message = road == "EM_UNDO" ? EM_UNDO : road == "WM_UNDO" ? WM_UNDO : EM_REDO;
      SendMessageW(editor(), message, 0, 0);
    } else {
      press(parse_key(road));
    }
  }
  void replace_all(const wchar_t* what, const wchar_t* with) {
    SetWindowTextW(app_->find_edit, what);
    SetWindowTextW(app_->replace_edit, with);
    SendMessageW(app_->match_case_button, BM_SETCHECK, BST_CHECKED, 0);
    const HWND before = editor();
    app_->replace_matches(true);
    EXPECT_NE(editor(), before) << "a new editor took the old one's place";
  }
};

// Each step of a sequence: t types "A1" at the start, R replaces "the" by "THE" everywhere, L
// "THE" by "the", u undoes, y redoes; after every step the editor shows what the model predicts.
TEST_F(UndoHistoryTest, UndoAndRedoAcrossReplaceAllsWalkOneLinearHistory) {
  struct Road {
    int mode;  // the command that switches a mode on and off; the typewriter recolours at key-ups
    const char *undo, *redo;
  };
  const Road roads[] = {
      {0, "menu", "menu"},
      {0, "C-Z", "C-Y"},
      {0, "C-Z", "C-S-Z"},
      {0, "EM_UNDO", "EM_REDO"},
      {0, "WM_UNDO", "EM_REDO"},
      {win::cmd_vim_navigation, "U", "C-R"},
      {win::cmd_emacs_navigation, "C-/", "C-S-/"},
      {win::cmd_emacs_navigation, "C-S--", "C-S-Z"},
      {win::cmd_typewriter, "C-Z", "C-Y"},
  };
  const char* sequences[] = {
      "t u R u y u y",          // the control's own redo step from before the Replace all
      "t R u u y y u u y y",    // an edit before the Replace all, both ways across it
      "t t R u u u y y y",      // two steps inside the editor brought back
      "t R u t y u u y y",      // a new edit after an undo across the Replace all
      "t t R u u u t y y u u",  // a new edit among the steps of the editor brought back
      "R t L t R u u u u u y y y y y u u u",  // three Replace alls in a row
      "R t L u u u t y y u y",                // a new edit drops both newer editors
  };
  std::string start;
  for (int line = 0; line < 520; ++line) start += "line " + std::to_string(line) + " of the text\n";
  for (const Road& road : roads) {
    for (const char* sequence : sequences) {
      SCOPED_TRACE(std::to_string(road.mode) + " " + road.undo + " / " + road.redo + ": " +
                   sequence);
      add_document(start);
      if (road.mode != 0) app_->on_command(road.mode);
      if (road.mode == win::cmd_vim_navigation) press({VK_ESCAPE});
      LinearHistory model(start);
      std::istringstream steps(sequence);
      int step = 0;
      for (char action; steps >> action; ++step) {
        if (action == 't') {
          select(0, 0);
          SendMessageW(editor(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"A1"));
          model.edit("A1" + model.text());
        } else if (action == 'R' || action == 'L') {
          replace_all(action == 'R' ? L"the" : L"THE", action == 'R' ? L"THE" : L"the");
          model.edit(action == 'R' ? replaced(model.text(), "the", "THE")
                                   : replaced(model.text(), "THE", "the"));
        } else {
          ask(action == 'u' ? road.undo : road.redo, action == 'u');
          action == 'u' ? model.undo() : model.redo();
        }
        if (editor_text() != model.text()) {
          ADD_FAILURE() << "after step " << step << " (" << action
                        << "): " << summary(editor_text()) << " instead of "
                        << summary(model.text());
          break;
        }
      }
      if (road.mode != 0) app_->on_command(road.mode);  // off
      app_->documents.back()->modified = false;
      app_->close_document(app_->active_document);
    }
  }
}

// Past the number of editors kept, the oldest go: undo stops at the oldest one kept, and redo
// still comes back to the newest text.
TEST_F(UndoHistoryTest, UndoStopsAtTheOldestEditorKept) {
  std::string text;
  for (int line = 0; line < 520; ++line) text += "line " + std::to_string(line) + " of the text\n";
  add_document(text);
  std::vector<std::string> texts{text};
  for (size_t i = 0; i < win::kMaxKeptEditors + 2; ++i) {
    const bool upper = i % 2 == 0;
    replace_all(upper ? L"the" : L"THE", upper ? L"THE" : L"the");
    texts.push_back(upper ? replaced(texts.back(), "the", "THE")
                          : replaced(texts.back(), "THE", "the"));
    ASSERT_EQ(editor_text(), texts.back());
  }
  EXPECT_EQ(active().history.older.size(), win::kMaxKeptEditors);
  for (size_t i = 0; i < win::kMaxKeptEditors + 2; ++i) app_->on_command(win::cmd_undo);
  EXPECT_EQ(editor_text(), texts[2]) << "the oldest editors kept";
  for (size_t i = 0; i < win::kMaxKeptEditors + 2; ++i) app_->on_command(win::cmd_redo);
  EXPECT_EQ(editor_text(), texts.back());
}

}  // namespace
