#include "ui/key_modes.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

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
      if (c == L'[' || c == L'|') sel_.start = at;
      if (c == L']' || c == L'|') sel_.end = at;
      if (c != L'[' && c != L']' && c != L'|') text_ += c;
    }
  }
  std::wstring marked() const {
    const auto s = static_cast<size_t>(sel_.start), e = static_cast<size_t>(sel_.end);
    return s == e ? std::wstring(text_).insert(s, L"|")
                  : std::wstring(text_).insert(e, L"]").insert(s, L"[");
  }
  std::int64_t length() override { return static_cast<std::int64_t>(text_.size()); }
  std::wstring range(std::int64_t start, std::int64_t end) override {
    EXPECT_TRUE(0 <= start && start <= end && end <= length()) << start << ".." << end;
    units_read += end - start;
    return text_.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
  }
  TextSelection selection() override { return sel_; }
  void select(std::int64_t start, std::int64_t end) override {
    EXPECT_TRUE(0 <= start && start <= end && end <= length()) << start << ".." << end;
    sel_ = {start, end};
  }
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
  void redo() override {}
  std::wstring clipboard;
  std::int64_t units_read = 0;

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

// mode: 'v' Vim normal state, 'i' Vim insert state, 'e' Emacs. `handled`: every key taken.
struct ModeCase {
  char mode;
  const wchar_t* before;
  const char* keys;
  const wchar_t* after;
  bool insert_after = false;
  bool handled = true;
};

TEST(KeyModes, KeysEditAndMoveAsTheModeSays) {
  const ModeCase cases[] = {
      {'v', L"ab|c", "v h h", L"[ab]c"},
      {'v', L"abcd", "v l l d", L"|cd"},
      {'v', L"one\rt|wo", "d d", L"one\r|"},
      {'v', L"o|ne\rtwo\r", "d d", L"|two\r"},
      {'v', L"a|\rb\rc", "d j d", L"a\rb|\rc"},
      {'v', L"ab|\xD83D\xDE00z", "x", L"ab|z"},
      {'v', L"ab|\xD83D\xDE00z", "l", L"ab\xD83D\xDE00|z"},
      {'v',
       L"\xD83D\xDE00"
       L"a|",
       "h h l l G",
       L"\xD83D\xDE00"
       L"a|"},
      {'v', L"ab\rcd|", "g g", L"|ab\rcd"},
      {'v', L"ab\rcd|", "g x g", L"ab\rcd|"},
      {'v', L"ab|", "q Z 1", L"ab|"},
      {'v', L"a|b\rcd", "o", L"ab\r|\rcd", true},
      {'v', L"ab\rc|d", "O", L"ab\r|\rcd", true},
      {'v', L"ab\rc|d", "y y p", L"ab\rcd|cd"},
      {'v', L"|foo bar, baz", "w w b", L"foo |bar, baz"},
      {'v', L"a |;;", "w", L"a ;;|"},
      {'v', L"|\xD800\xDC00z", "l", L"\xD800\xDC00|z"},
      {'v', L"ab\rc|de", "$ 0 4", L"ab\r|cde"},
      {'v', L"|ab", "a", L"a|b", true},
      {'v', L"|ab", "i Esc l", L"a|b"},
      {'v', L"ab|", "C-s", L"ab|", false, false},
      {'i', L"ab|", "x", L"ab|", true, false},
      {'e', L"|abcdef", "C-Space C-f C-f C-f", L"[abc]def"},
      {'e', L"a|b\rcd", "C-k C-k C-n C-y", L"a\rc|d"},
      {'e', L"a|b\rcd", "C-k C-n C-y", L"a\rcb|d"},
      {'e', L"[ab]c", "C-g", L"ab|c"},
      {'e', L"|foo bar", "C-Space M-f M-f M-b", L"[foo ]bar"},
      {'e', L"a|bc", "C-e C-h C-a C-d", L"|b"},
      {'e', L"ab|", "C-s", L"ab|", false, false},
      {'e', L"ab|", "C-p", L"ab|"},
  };
  for (const ModeCase& c : cases) {
    FakeBuffer buffer(c.before);
    KeyModes modes;
    modes.vim_insert = c.mode != 'v';
    std::istringstream keys(c.keys);
    for (std::string token; keys >> token;) {
      const KeyPress p = parse_key(token);
      EXPECT_EQ(c.mode == 'e' ? emacs_key(buffer, modes, p) : vim_key(buffer, modes, p), c.handled)
          << token;
    }
    EXPECT_EQ(buffer.marked(), c.after) << c.keys;
    if (c.mode != 'e') {
      EXPECT_EQ(modes.vim_insert, c.insert_after) << c.keys;
    }
  }
  FakeBuffer buffer(L"ab|");
  KeyModes modes;
  EXPECT_FALSE(emacs_key(buffer, modes, {'F', true, true, false}));  // Ctrl+Alt+F: typewriter
  modes.vim_visual = modes.emacs_mark_active = true, modes.vim_pending_key = 'D';
  reset_key_modes(modes);
  EXPECT_FALSE(modes.vim_visual || modes.emacs_mark_active || modes.vim_pending_key);
}

// Runs `keys` in the mode ('v' Vim normal state, 'e' Emacs) on the buffer.
void run_keys(FakeBuffer& buffer, KeyModes& modes, char mode, const char* keys) {
  modes.vim_insert = mode != 'v';
  std::istringstream stream(keys);
  for (std::string token; stream >> token;) {
    const KeyPress p = parse_key(token);
    mode == 'e' ? emacs_key(buffer, modes, p) : vim_key(buffer, modes, p);
  }
}

// Lines, words and runs of spaces longer than a key first reads around the caret.
TEST(KeyModes, KeysReachAcrossLongLinesWordsAndSpaces) {
  const std::wstring line(3000, L'a'), spaces(2500, L' ');
  struct LongCase {
    char mode;
    std::wstring before;
    const char* keys;
    std::wstring after;
  };
  const LongCase cases[] = {
      {'v', L"x\r" + line + L"|" + line + L"\ry", "d d", L"x\r|y"},
      {'v', L"x\r" + line + L"|" + line + L"\ry", "O", L"x\r|\r" + line + line + L"\ry"},
      {'v', L"x\r" + line + L"|" + line + L"\ry", "o", L"x\r" + line + line + L"\r|\ry"},
      {'v', L"x\r" + line + L"|" + line + L"\ry", "y y", L"x\r|" + line + line + L"\ry"},
      {'v', L"|" + line + spaces + L"\r" + spaces + L"b", "w",
       line + spaces + L"\r" + spaces + L"|b"},
      {'v', L"b" + spaces + L"\r" + line + L"|", "b b", L"|b" + spaces + L"\r" + line},
      {'v', L"|" + line, "G", line + L"|"},
      {'e', L"x\r|" + line + line + L"\ry", "C-k", L"x\r|\ry"},
      {'e', L"|" + line + spaces + L"z", "C-Space M-f", L"[" + line + spaces + L"]z"},
  };
  for (const LongCase& c : cases) {
    FakeBuffer buffer(c.before);
    KeyModes modes;
    run_keys(buffer, modes, c.mode, c.keys);
    EXPECT_EQ(buffer.marked(), c.after) << c.keys;
    if (std::string(c.keys) == "C-k") {
      EXPECT_EQ(modes.kill_buffer, line + line);
    }
  }
}

// A key reads the stretch around the caret it acts on, not the whole text, whatever its length.
TEST(KeyModes, KeysReadOnlyTheTextAroundTheCaret) {
  std::wstring text;
  for (int i = 0; i < 20000; ++i)
    text += L"- item with a few words in it, number " + std::to_wstring(i) + L"\r";
  const std::wstring marked = text.substr(0, text.size() / 2) + L"|" + text.substr(text.size() / 2);
  const char* const vim_keys[] = {"h", "l", "x",   "a",   "G", "w", "b",
                                  "o", "O", "d d", "y y", "0", "j", "g g"};
  const char* const emacs_keys[] = {"C-k", "M-f", "M-b", "C-Space M-f", "C-y", "C-f"};
  auto check = [&](char mode, const char* keys) {
    FakeBuffer buffer(marked);
    KeyModes modes;
    run_keys(buffer, modes, mode, keys);
    EXPECT_LT(buffer.units_read, 2048) << keys;
  };
  for (const char* keys : vim_keys) check('v', keys);
  for (const char* keys : emacs_keys) check('e', keys);
}

TEST(KeyModes, WordBreaksStopAtWordsPunctuationAndLineEnds) {
  const std::wstring text = L"x = f(a_b);\r\xD83D\xDE00\xD83D\xDE00 end";
  std::vector<std::int64_t> right{0};
  while (right.back() < static_cast<std::int64_t>(text.size()))
    right.push_back(word_break_right(text, right.back()));
  EXPECT_EQ(right, (std::vector<std::int64_t>{0, 2, 4, 5, 6, 9, 12, 17, 20}));
  EXPECT_EQ(word_break_left(text, 17), 12);
  EXPECT_EQ(word_break_left(text, 12), 9);
}

// The edges of each character class as the word motions see them, and a surrogate half alone
// counted as one character.
TEST(KeyModes, WordClassesAtTheirEdges) {
  const struct {
    const wchar_t* text;
    std::int64_t from;
    std::int64_t right;
  } cases[] = {{L"09/", 0, 2},
               {L"/0", 0, 1},
               {L"azAZ_\x80:", 0, 6},
               {L"`a", 0, 1},
               {L"{a", 0, 1},
               {L"@A[", 0, 1},
               {L"a\nb", 0, 2},
               {L"a\xA0"
                L"b",
                0, 2},
               {L"a\x3000"
                L"b",
                0, 2},
               {L"a\r\t b", 0, 4},
               {L"a.,", 1, 3},
               {L"..", 2, 2}};
  for (const auto& c : cases) EXPECT_EQ(word_break_right(c.text, c.from), c.right) << c.text;
  // No scan reads past the text: here it ends where its buffer does.
  const std::vector<wchar_t> exact{L'a', L' ', L' '};
  EXPECT_EQ(word_break_right(std::wstring_view(exact.data(), exact.size()), 0), 3);
  EXPECT_EQ(word_break_left(std::wstring_view(exact.data(), exact.size()), 3), 0);
  for (const wchar_t* lone : {L"a\xDC00", L"\xD800\xD800"}) {
    EXPECT_EQ(next_code_point(lone, 0), 1) << lone;
    EXPECT_EQ(previous_code_point(lone, 2), 1) << lone;
  }
  FakeBuffer buffer(L"a|b");
  KeyModes modes;
  run_keys(buffer, modes, 'v', "v o");  // a new line ends the visual selection
  EXPECT_TRUE(modes.vim_insert && !modes.vim_visual);
}

TEST(Keybindings, LoadSkipsWhatNoCommandCanTake) {
  const auto settings = nlohmann::json::parse(R"({"keybindings": {
      "ctrl+alt+1": 115, "CTRL+B": 115, "Ctrl+b": 117, "F5": 133, "F6": 148, "F7": 150,
      "F9": 99, "F10": 174, "CTRL+1": 4294967398, "CTRL+2": -4294967194, "CTRL+3": "102",
      "CTRL+4": 102.0, "CTRL+5": true, "SHIFT+CTRL+6": 100, "CTRL+7": 173, "CTRL+8": 147}})");
  const std::map<std::wstring, int> expected{
      {L"CTRL+ALT+1", 115}, {L"CTRL+B", 117}, {L"SHIFT+CTRL+6", 100}, {L"CTRL+7", 173}};
  EXPECT_EQ(keybindings_from_settings(settings), expected);
  const std::pair<const char*, size_t> shapes[] = {{R"({"keybindings": [1]})", 0},
                                                   {R"({"keybindings": [115]})", 0},
                                                   {R"({"keybindings": {"0": 115}})", 1},
                                                   {R"([115])", 0},
                                                   {R"({})", 0}};
  for (const auto& [json, count] : shapes)
    EXPECT_EQ(keybindings_from_settings(nlohmann::json::parse(json)).size(), count) << json;
}

TEST(Keybindings, ShortcutTextsAndBuiltins) {
  EXPECT_EQ(shortcut_text({'9', true, false, true}), L"CTRL+SHIFT+9");  // never "SHIFT+CTRL+9"
  EXPECT_EQ(shortcut_text({0x87, true, true, true}), L"CTRL+ALT+SHIFT+F24");
  EXPECT_EQ(shortcut_text({0x10, true, false, false}), std::nullopt);  // Shift itself
  EXPECT_EQ(shortcut_text({0x88, true, false, false}), std::nullopt);  // past F24
  using Kind = BuiltinShortcut::Kind;
  const KeyPress esc{0x1B};
  EXPECT_EQ(builtin_shortcut({'B', true, true, false}, {}).kind, Kind::None);
  EXPECT_EQ(builtin_shortcut({0x09, true, false, true}, {}).kind, Kind::PreviousTab);
  EXPECT_EQ(builtin_shortcut(esc, {true, true, true}).command, 135);
  EXPECT_EQ(builtin_shortcut(esc, {false, true, true}).kind, Kind::HideFindBar);
  EXPECT_EQ(builtin_shortcut(esc, {}).kind, Kind::None);
  EXPECT_EQ(cycled_tab(0, 3, true), 2u);
  EXPECT_EQ(cycled_tab(0, 0, false), std::nullopt);
}

// Every text the dispatcher can build reads back as its key press; nothing else reads at all.
TEST(Keybindings, ShortcutTextsReadBack) {
  int named = 0;
  for (unsigned key = 0; key < 0x200; ++key) {
    for (unsigned modifiers = 0; modifiers < 8; ++modifiers) {
      const KeyPress press{key, (modifiers & 1) != 0, (modifiers & 2) != 0, (modifiers & 4) != 0};
      const std::optional<std::wstring> text = shortcut_text(press);
      if (!text) continue;
      ++named;
      const std::optional<KeyPress> back = parse_shortcut_text(*text);
      ASSERT_TRUE(back.has_value()) << *text;
      EXPECT_TRUE(back->key == key && back->ctrl == press.ctrl && back->alt == press.alt &&
                  back->shift == press.shift)
          << *text;
    }
  }
  EXPECT_EQ(named, 8 * (26 + 10 + 24 + 4));
  for (const wchar_t* text :
       {L"", L"CTRL+", L"CTRL+FOO", L"FOO", L"F0", L"F25", L"F01", L"ALT+CTRL+S", L"SHIFT+CTRL+B",
        L"CTRL+CTRL+B", L"CTRL+b", L"CTRL+ B", L"CTRL+SHIFT", L"BACKSLASH", L"CTRL+B+"}) {
    EXPECT_EQ(parse_shortcut_text(text).has_value(), false) << text;
  }
  EXPECT_TRUE(is_function_key(0x70) && is_function_key(0x87));
  EXPECT_FALSE(is_function_key(0x6F) || is_function_key(0x88));
}

}  // namespace
