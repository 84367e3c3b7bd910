#include "ui/key_modes.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "ui/shortcut_keys.h"

using namespace tavrel::win;

namespace {

// An editor in a string: "|" marks the caret, "[" and "]" a selection. Home/End/Up/Down move by
// paragraph, the way an unwrapped control does.
class FakeBuffer final : public TextBuffer {
 public:
  explicit FakeBuffer(std::wstring_view marked) {
    for (const wchar_t c : marked) {
      const auto at = static_cast<std::int64_t>(text_.size());
      if (c == L'|') sel_ = {at, at};
      else if (c == L'[') sel_.start = at;
      else if (c == L']') sel_.end = at;
      else text_ += c;
    }
  }
  std::wstring marked() const {
    std::wstring out = text_;
    const auto s = static_cast<size_t>(sel_.start), e = static_cast<size_t>(sel_.end);
    if (s == e) return out.insert(s, L"|");
    return out.insert(e, L"]").insert(s, L"[");
  }
  std::wstring text() override { return text_; }
  TextSelection selection() override { return sel_; }
  void select(std::int64_t start, std::int64_t end) override { sel_ = {start, end}; }
  void replace_selection(const std::wstring& text) override {
    text_.replace(static_cast<size_t>(sel_.start), static_cast<size_t>(sel_.end - sel_.start), text);
    sel_.start = sel_.end = sel_.start + static_cast<std::int64_t>(text.size());
  }
  void press(EditorKey key, bool shift) override {
    std::int64_t p = sel_.end;
    const std::int64_t column = p - paragraph_start(text_, p);
    switch (key) {
      case EditorKey::Home: p = paragraph_start(text_, p); break;
      case EditorKey::End: p = paragraph_end(text_, p); break;
      case EditorKey::Left: p = previous_code_point(text_, p); break;
      case EditorKey::Right: p = next_code_point(text_, p); break;
      case EditorKey::Down: {
        const std::int64_t next = next_code_point(text_, paragraph_end(text_, p));
        p = std::min(next + column, paragraph_end(text_, next));
        break;
      }
      case EditorKey::Delete: sel_.end = next_code_point(text_, p); return replace_selection(L"");
      case EditorKey::Backspace: sel_.start = previous_code_point(text_, p); return replace_selection(L"");
      default: break;
    }
    sel_ = {shift ? sel_.start : p, p};
  }
  void cut() override { copy(), replace_selection(L""); }
  void copy() override {
    clipboard = text_.substr(static_cast<size_t>(sel_.start), static_cast<size_t>(sel_.end - sel_.start));
  }
  void paste() override { replace_selection(clipboard); }
  void undo() override {}
  std::wstring clipboard;

 private:
  std::wstring text_;
  TextSelection sel_;
};

// "v h H C-k M-f $ Esc": a letter, Shift with a capital, Ctrl and Alt, Shift+4, Esc, Space.
KeyPress parse_key(const std::string& token) {
  KeyPress press;
  std::string key = token;
  if (key.size() > 2 && key[1] == '-') {
    (key[0] == 'C' ? press.ctrl : press.alt) = true;
    key = key.substr(2);
  }
  if (key == "Esc") press.key = 0x1B;
  else if (key == "Space") press.key = 0x20;
  else if (key == "$") press = {'4', false, false, true};
  else {
    press.shift = key[0] >= 'A' && key[0] <= 'Z' && !press.ctrl && !press.alt;
    press.key = static_cast<unsigned>(std::toupper(key[0]));
  }
  return press;
}

struct ModeCase {
  bool vim;
  const wchar_t* before;
  const char* keys;
  const wchar_t* after;
  bool insert_after = false;
};

TEST(KeyModes, KeysEditAndMoveAsTheModeSays) {
  const ModeCase cases[] = {
      {true, L"ab|c", "v h h", L"[ab]c"},
      {true, L"abcd", "v l l d", L"|cd"},
      {true, L"one\rt|wo", "d d", L"one\r|"},
      {true, L"o|ne\rtwo\r", "d d", L"|two\r"},
      {true, L"a|\rb\rc", "d j d", L"a\rb|\rc"},
      {true, L"ab|\xD83D\xDE00z", "x", L"ab|z"},
      {true, L"ab|\xD83D\xDE00z", "l", L"ab\xD83D\xDE00|z"},
      {true, L"a\xD83D\xDE00|", "h l l G", L"a\xD83D\xDE00|"},
      {true, L"ab\rcd|", "g g", L"|ab\rcd"},
      {true, L"ab\rcd|", "g x g", L"ab\rcd|"},
      {true, L"ab|", "q Z 1", L"ab|"},
      {true, L"a|b\rcd", "o", L"ab\r|\rcd", true},
      {true, L"ab\rc|d", "O", L"ab\r|\rcd", true},
      {true, L"ab\rc|d", "y y p", L"ab\rcd|cd"},
      {true, L"|foo bar, baz", "w w b", L"foo |bar, baz"},
      {true, L"ab\rc|de", "$ 0 4", L"ab\r|cde"},
      {true, L"|ab", "a", L"a|b", true},
      {true, L"|ab", "i Esc l", L"a|b"},
      {false, L"|abcdef", "C-Space C-f C-f C-f", L"[abc]def"},
      {false, L"a|b\rcd", "C-k C-k C-n C-y", L"a\rc|d"},
      {false, L"a|b\rcd", "C-k C-n C-y", L"a\rcb|d"},
      {false, L"[ab]c", "C-g", L"ab|c"},
      {false, L"|foo bar", "C-Space M-f M-f M-b", L"[foo ]bar"},
      {false, L"a|bc", "C-d C-h", L"|c"},
  };
  for (const ModeCase& c : cases) {
    FakeBuffer buffer(c.before);
    KeyModes modes;
    modes.vim_insert = !c.vim;
    std::istringstream keys(c.keys);
    for (std::string token; keys >> token;) {
      const KeyPress press = parse_key(token);
      EXPECT_TRUE(c.vim ? vim_key(buffer, modes, press) : emacs_key(buffer, modes, press)) << token;
    }
    EXPECT_EQ(buffer.marked(), c.after) << c.keys;
    if (c.vim) EXPECT_EQ(modes.vim_insert, c.insert_after) << c.keys;
  }
}

TEST(KeyModes, OtherKeysGoOnAndResetForgetsMarks) {
  FakeBuffer buffer(L"ab|");
  KeyModes modes;
  EXPECT_FALSE(emacs_key(buffer, modes, parse_key("C-s")));
  EXPECT_FALSE(emacs_key(buffer, modes, {'F', true, true, false}));  // Ctrl+Alt+F: typewriter
  EXPECT_FALSE(vim_key(buffer, modes, parse_key("x")));              // insert state
  modes.vim_insert = false;
  EXPECT_FALSE(vim_key(buffer, modes, parse_key("C-s")));
  EXPECT_TRUE(vim_key(buffer, modes, parse_key("v")) && vim_key(buffer, modes, parse_key("d")));
  modes.emacs_mark_active = modes.vim_visual = true;
  reset_key_modes(modes);
  EXPECT_FALSE(modes.vim_visual || modes.emacs_mark_active || modes.vim_pending_key);
}

TEST(KeyModes, WordBreaksStopAtWordsPunctuationAndLineEnds) {
  const std::wstring text = L"x = f(a_b);\r\xD83D\xDE00\xD83D\xDE00 end";
  std::vector<std::int64_t> right{0};
  while (right.back() < static_cast<std::int64_t>(text.size()))
    right.push_back(word_break_right(text, right.back()));
  EXPECT_EQ(right, (std::vector<std::int64_t>{0, 2, 4, 5, 6, 9, 12, 17, 20}));
  EXPECT_EQ(word_break_left(text, 17), 12);
  EXPECT_EQ(word_break_left(text, 12), 9);
  EXPECT_EQ(word_break_left(text, 1), 0);
}

}  // namespace
