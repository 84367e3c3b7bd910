#include "ui/key_modes.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "ui/shortcut_keys.h"

using namespace tavrel::win;

namespace {

// An editor in a string: "|" marks the caret, "[" and "]" a selection. Home/End/Down move by
// paragraph, the way an unwrapped control does.
class FakeBuffer final : public TextBuffer {
 public:
  explicit FakeBuffer(std::wstring_view marked) {
    for (const wchar_t c : marked) {
      const auto at = static_cast<std::int64_t>(text_.size());
      std::int64_t* ends[] = {&sel_.start, &sel_.end};
      const size_t which = std::wstring_view(L"[]|").find(c);
      for (size_t i = 0; i < 2 && which != std::wstring_view::npos; ++i)
        if (which == 2 || which == i) *ends[i] = at;
      if (which == std::wstring_view::npos) text_ += c;
    }
  }
  std::wstring marked() const {
    std::wstring out = text_;
    const auto s = static_cast<size_t>(sel_.start), e = static_cast<size_t>(sel_.end);
    return s == e ? out.insert(s, L"|") : out.insert(e, L"]").insert(s, L"[");
  }
  std::wstring text() override { return text_; }
  TextSelection selection() override { return sel_; }
  void select(std::int64_t start, std::int64_t end) override { sel_ = {start, end}; }
  void replace_selection(const std::wstring& text) override {
    text_.replace(static_cast<size_t>(sel_.start), static_cast<size_t>(sel_.end - sel_.start),
                  text);
    sel_.start = sel_.end = sel_.start + static_cast<std::int64_t>(text.size());
  }
  void press(EditorKey key, bool shift) override {
    const std::int64_t p = sel_.end, start = paragraph_start(text_, p);
    const std::int64_t below = next_code_point(text_, paragraph_end(text_, p));
    const std::int64_t left = previous_code_point(text_, p), right = next_code_point(text_, p);
    const std::int64_t moved[] = {start, paragraph_end(text_, p),
                                  left,  right,
                                  p,     std::min(below + p - start, paragraph_end(text_, below)),
                                  p,     p,
                                  right, left};
    const std::int64_t to = moved[static_cast<int>(key)];
    if (key == EditorKey::Delete || key == EditorKey::Backspace)
      return select(std::min(p, to), std::max(p, to)), replace_selection(L"");
    sel_ = {shift ? sel_.start : to, to};
  }
  void cut() override { copy(), replace_selection(L""); }
  void copy() override {
    clipboard =
        text_.substr(static_cast<size_t>(sel_.start), static_cast<size_t>(sel_.end - sel_.start));
  }
  void paste() override { replace_selection(clipboard); }
  void undo() override {}
  std::wstring clipboard;

 private:
  std::wstring text_;
  TextSelection sel_;
};

// "v h H C-k M-f $ Esc": a letter, Shift with a capital, Ctrl and Alt, Shift+4, Esc, Space.
KeyPress parse_key(std::string key) {
  KeyPress press;
  if (key.size() > 2 && key[1] == '-') {
    (key[0] == 'C' ? press.ctrl : press.alt) = true;
    key.erase(0, 2);
  }
  press.key = key == "Esc" ? 0x1B : key == "Space" ? 0x20 : key == "$" ? '4' : std::toupper(key[0]);
  press.shift =
      key == "$" || (key.size() == 1 && std::isupper(key[0]) && !press.ctrl && !press.alt);
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
      {true, L"\xD83D\xDE00a|", "h h l l G", L"\xD83D\xDE00a|"},
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
      {false, L"a|bc", "C-e C-h C-a C-d", L"|b"},
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
