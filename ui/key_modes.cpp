// The Vim and Emacs engines. Everything goes through TextBuffer; the virtual-key codes are the
// Windows ones, spelled out here so that the engines build without Win32.
#include "ui/key_modes.h"

#include <algorithm>

namespace tavrel::win {
namespace {

constexpr unsigned kEscape = 0x1B;
constexpr unsigned kSpace = 0x20;
constexpr unsigned kSlash = 0xBF;  // VK_OEM_2; with Shift "?"
constexpr unsigned kMinus = 0xBD;  // VK_OEM_MINUS; with Shift "_"

bool is_high_surrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low_surrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::int64_t length_of(std::wstring_view text) { return static_cast<std::int64_t>(text.size()); }

std::int64_t clamp_to(std::wstring_view text, std::int64_t position) {
  return std::clamp<std::int64_t>(position, 0, length_of(text));
}

enum class CharClass { Space, Word, Punctuation };

CharClass class_of(wchar_t c) {
  if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0xA0 || c == 0x3000)
    return CharClass::Space;
  if (c >= 0x80 || c == L'_' || (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') ||
      (c >= L'A' && c <= L'Z'))
    return CharClass::Word;
  return CharClass::Punctuation;
}

// The scans below read the buffer in stretches that start small (a line of Markdown is short)
// and grow until the scan stops inside what was read or reaches the end of the text.
constexpr std::int64_t kFirstStretch = 256;
constexpr std::int64_t kStretchGrowth = 8;

// `scan` (text, position) runs forward from position 0 of the stretch [p, ...).
template <typename Scan>
std::int64_t scan_forward(TextBuffer& buffer, std::int64_t p, Scan scan) {
  const std::int64_t length = buffer.length();
  p = std::clamp<std::int64_t>(p, 0, length);
  for (std::int64_t stretch = kFirstStretch;; stretch *= kStretchGrowth) {
    const std::int64_t end = std::min(length, p + stretch);
    const std::wstring text = buffer.range(p, end);
    const std::int64_t found = scan(std::wstring_view(text), std::int64_t{0});
    if (found < length_of(text) || end == length || length_of(text) < end - p) return p + found;
  }
}

// `scan` (text, position) runs backward from the end of the stretch [..., p).
template <typename Scan>
std::int64_t scan_backward(TextBuffer& buffer, std::int64_t p, Scan scan) {
  p = std::clamp<std::int64_t>(p, 0, buffer.length());
  for (std::int64_t stretch = kFirstStretch;; stretch *= kStretchGrowth) {
    const std::int64_t start = std::max<std::int64_t>(0, p - stretch);
    const std::wstring text = buffer.range(start, p);
    const std::int64_t found = scan(std::wstring_view(text), length_of(text));
    if (found > 0 || start == 0 || length_of(text) < p - start) return start + found;
  }
}

std::int64_t start_of_paragraph(TextBuffer& buffer, std::int64_t p) {
  return scan_backward(buffer, p,
                       [](std::wstring_view t, std::int64_t i) { return paragraph_start(t, i); });
}

std::int64_t end_of_paragraph(TextBuffer& buffer, std::int64_t p) {
  return scan_forward(buffer, p,
                      [](std::wstring_view t, std::int64_t i) { return paragraph_end(t, i); });
}

std::int64_t word_right(TextBuffer& buffer, std::int64_t p) {
  return scan_forward(buffer, p,
                      [](std::wstring_view t, std::int64_t i) { return word_break_right(t, i); });
}

std::int64_t word_left(TextBuffer& buffer, std::int64_t p) {
  return scan_backward(buffer, p,
                       [](std::wstring_view t, std::int64_t i) { return word_break_left(t, i); });
}

// A surrogate pair is two units, so two units on either side decide a step.
std::int64_t code_point_after(TextBuffer& buffer, std::int64_t p) {
  p = std::clamp<std::int64_t>(p, 0, buffer.length());
  const std::int64_t end = std::min(buffer.length(), p + 2);
  return p + next_code_point(buffer.range(p, end), 0);
}

std::int64_t code_point_before(TextBuffer& buffer, std::int64_t p) {
  p = std::clamp<std::int64_t>(p, 0, buffer.length());
  const std::int64_t start = std::max<std::int64_t>(0, p - 2);
  const std::wstring text = buffer.range(start, p);
  return start + previous_code_point(text, length_of(text));
}

// --- Emacs -----------------------------------------------------------------------------------

bool emacs_motion(unsigned key, bool alt, EditorKey& motion) {
  if (alt) {
    if (key != 'V') return false;
    motion = EditorKey::PageUp;
    return true;
  }
  switch (key) {
    case 'A':
      motion = EditorKey::Home;
      return true;
    case 'E':
      motion = EditorKey::End;
      return true;
    case 'B':
      motion = EditorKey::Left;
      return true;
    case 'F':
      motion = EditorKey::Right;
      return true;
    case 'P':
      motion = EditorKey::Up;
      return true;
    case 'N':
      motion = EditorKey::Down;
      return true;
    case 'V':
      motion = EditorKey::PageDown;
      return true;
    case 'D':
      motion = EditorKey::Delete;
      return true;
    case 'H':
      motion = EditorKey::Backspace;
      return true;
    default:
      return false;
  }
}

// The rest of the paragraph after the selection end goes to the kill buffer; the paragraph
// break stays, so a kill at the end of a line never joins the next one.
void emacs_kill_line(TextBuffer& buffer, KeyModes& modes) {
  const std::int64_t from = std::clamp<std::int64_t>(buffer.selection().end, 0, buffer.length());
  const std::int64_t to = end_of_paragraph(buffer, from);
  modes.kill_buffer = buffer.range(from, to);
  if (to == from) return;
  buffer.select(from, to);
  buffer.replace_selection(L"");
}

void emacs_word(TextBuffer& buffer, KeyModes& modes, bool right) {
  const std::int64_t from = buffer.selection().end;
  const std::int64_t to = right ? word_right(buffer, from) : word_left(buffer, from);
  buffer.select(modes.emacs_mark_active ? modes.emacs_mark : to, to);
}

bool emacs_undo_key(TextBuffer& buffer, const KeyPress& press) {
  if (press.key == kSlash) {
    press.shift ? buffer.redo() : buffer.undo();
    return true;
  }
  if (press.key != kMinus || !press.shift) return false;
  buffer.undo();
  return true;
}

bool emacs_ctrl_key(TextBuffer& buffer, KeyModes& modes, unsigned key) {
  switch (key) {
    case kSpace:
      modes.emacs_mark_active = !modes.emacs_mark_active;
      modes.emacs_mark = buffer.selection().start;
      return true;
    case 'G': {
      modes.emacs_mark_active = false;
      const std::int64_t end = buffer.selection().end;
      buffer.select(end, end);
      return true;
    }
    case 'K':
      emacs_kill_line(buffer, modes);
      return true;
    case 'W':
      buffer.cut();
      return true;
    case 'Y':
      if (!modes.kill_buffer.empty()) buffer.replace_selection(modes.kill_buffer);
      return true;
    default:
      return false;
  }
}

// --- Vim -------------------------------------------------------------------------------------

// Places the cursor after a motion: the caret alone, or the visual selection from the mark.
void vim_move_to(TextBuffer& buffer, KeyModes& modes, std::int64_t p) {
  modes.vim_visual_anchor = p;
  if (modes.vim_visual) {
    buffer.select(std::min(p, modes.emacs_mark), std::max(p, modes.emacs_mark));
  } else {
    buffer.select(p, p);
  }
}

// The control's own line movement from p (so wrapped lines move as they are shown).
std::int64_t vim_control_motion(TextBuffer& buffer, std::int64_t p, EditorKey key) {
  buffer.select(p, p);
  buffer.press(key, false);
  return buffer.selection().end;
}

// Selects p's paragraph with its break, from its start to the start of the next one; returns
// that start.
std::int64_t vim_select_line(TextBuffer& buffer, std::int64_t p) {
  const std::int64_t start = start_of_paragraph(buffer, p);
  const std::int64_t end = end_of_paragraph(buffer, p);
  buffer.select(start, end < buffer.length() ? end + 1 : end);
  return start;
}

void vim_open_line(TextBuffer& buffer, KeyModes& modes, std::int64_t p, bool above) {
  const std::int64_t at = above ? start_of_paragraph(buffer, p) : end_of_paragraph(buffer, p);
  buffer.select(at, at);
  buffer.replace_selection(L"\r");
  if (above) buffer.select(at, at);
  modes.vim_insert = true;
  modes.vim_visual = false;
}

// d and y: on a visual selection at once, else the second of a pair takes p's line.
void vim_cut_or_copy(TextBuffer& buffer, KeyModes& modes, std::int64_t p, unsigned key,
                     unsigned pending) {
  const bool cut = key == 'D';
  if (modes.vim_visual) {
    cut ? buffer.cut() : buffer.copy();
    modes.vim_visual = false;
    return;
  }
  if (pending != key) {
    modes.vim_pending_key = key;
    return;
  }
  const std::int64_t start = vim_select_line(buffer, p);
  if (cut) {
    buffer.cut();
  } else {
    buffer.copy();
    buffer.select(start, start);
  }
}

// The new cursor position of a motion key, or -1 when the key is no motion.
std::int64_t vim_motion(TextBuffer& buffer, KeyModes& modes, const KeyPress& press, std::int64_t p,
                        unsigned pending) {
  switch (press.key) {
    case 'H':
      return code_point_before(buffer, p);
    case 'L':
      return code_point_after(buffer, p);
    case 'J':
      return vim_control_motion(buffer, p, EditorKey::Down);
    case 'K':
      return vim_control_motion(buffer, p, EditorKey::Up);
    case '0':
      return vim_control_motion(buffer, p, EditorKey::Home);
    case '4':
      return press.shift ? vim_control_motion(buffer, p, EditorKey::End) : p;
    case 'W':
      return word_right(buffer, p);
    case 'B':
      return word_left(buffer, p);
    case 'G':
      if (press.shift) return buffer.length();
      if (pending == 'G') return 0;
      modes.vim_pending_key = 'G';
      return -1;
    default:
      return -1;
  }
}

void vim_toggle_visual(TextBuffer& buffer, KeyModes& modes, std::int64_t p) {
  modes.vim_visual = !modes.vim_visual;
  if (modes.vim_visual) {
    modes.emacs_mark = modes.vim_visual_anchor = buffer.selection().start;
  } else {
    buffer.select(p, p);
  }
}

// The normal state's keys that are no motion. False: the key is swallowed without effect.
void vim_command(TextBuffer& buffer, KeyModes& modes, const KeyPress& press, std::int64_t p,
                 unsigned pending) {
  switch (press.key) {
    case 'I':
    case 'A':
      modes.vim_insert = true;
      modes.vim_visual = false;
      if (press.key == 'A') {
        const std::int64_t after = code_point_after(buffer, p);
        buffer.select(after, after);
      }
      break;
    case 'V':
      vim_toggle_visual(buffer, modes, p);
      break;
    case 'U':
      buffer.undo();
      break;
    case 'P':
      buffer.paste();
      break;
    case 'O':
      vim_open_line(buffer, modes, p, press.shift);
      break;
    case 'X': {
      const std::int64_t after = code_point_after(buffer, p);
      if (after == p) break;
      buffer.select(p, after);
      buffer.replace_selection(L"");
      break;
    }
    case 'D':
    case 'Y':
      vim_cut_or_copy(buffer, modes, p, press.key, pending);
      break;
    default:
      break;
  }
}

}  // namespace

void reset_key_modes(KeyModes& modes) {
  modes.vim_visual = false;
  modes.vim_visual_anchor = 0;
  modes.vim_pending_key = 0;
  modes.emacs_mark_active = false;
  modes.emacs_mark = 0;
}

bool emacs_key(TextBuffer& buffer, KeyModes& modes, const KeyPress& press) {
  if (press.ctrl == press.alt) return false;  // Ctrl+Alt keys are the built-ins' own
  EditorKey motion{};
  if (emacs_motion(press.key, press.alt, motion)) {
    buffer.press(motion, modes.emacs_mark_active);
    return true;
  }
  if (press.alt) {
    if (press.key != 'F' && press.key != 'B') return false;
    emacs_word(buffer, modes, press.key == 'F');
    return true;
  }
  return emacs_undo_key(buffer, press) || emacs_ctrl_key(buffer, modes, press.key);
}

bool vim_key(TextBuffer& buffer, KeyModes& modes, const KeyPress& press) {
  if (press.key == kEscape) {
    modes.vim_insert = false;
    modes.vim_visual = false;
    modes.vim_pending_key = 0;
    return true;
  }
  if (modes.vim_insert || press.alt || (press.ctrl && press.key != 'R')) return false;
  const unsigned pending = modes.vim_pending_key;
  modes.vim_pending_key = 0;
  if (press.ctrl) {
    buffer.redo();
    return true;
  }
  const std::int64_t p = modes.vim_visual ? modes.vim_visual_anchor : buffer.selection().end;
  const std::int64_t target = vim_motion(buffer, modes, press, p, pending);
  if (target >= 0) {
    vim_move_to(buffer, modes, target);
  } else {
    vim_command(buffer, modes, press, p, pending);
  }
  return true;
}

std::int64_t next_code_point(std::wstring_view text, std::int64_t position) {
  const std::int64_t p = clamp_to(text, position);
  if (p >= length_of(text)) return p;
  const auto i = static_cast<size_t>(p);
  const bool pair =
      is_high_surrogate(text[i]) && i + 1 < text.size() && is_low_surrogate(text[i + 1]);
  return p + (pair ? 2 : 1);
}

std::int64_t previous_code_point(std::wstring_view text, std::int64_t position) {
  const std::int64_t p = clamp_to(text, position);
  if (p == 0) return 0;
  const auto i = static_cast<size_t>(p);
  const bool pair = i >= 2 && is_low_surrogate(text[i - 1]) && is_high_surrogate(text[i - 2]);
  return p - (pair ? 2 : 1);
}

std::int64_t word_break_right(std::wstring_view text, std::int64_t position) {
  auto i = static_cast<size_t>(clamp_to(text, position));
  if (i < text.size()) {
    const CharClass first = class_of(text[i]);
    if (first != CharClass::Space) {
      while (i < text.size() && class_of(text[i]) == first) ++i;
    }
  }
  while (i < text.size() && class_of(text[i]) == CharClass::Space) ++i;
  return static_cast<std::int64_t>(i);
}

std::int64_t word_break_left(std::wstring_view text, std::int64_t position) {
  auto i = static_cast<size_t>(clamp_to(text, position));
  while (i > 0 && class_of(text[i - 1]) == CharClass::Space) --i;
  if (i == 0) return 0;
  const CharClass word = class_of(text[i - 1]);
  while (i > 0 && class_of(text[i - 1]) == word) --i;
  return static_cast<std::int64_t>(i);
}

std::int64_t paragraph_start(std::wstring_view text, std::int64_t position) {
  const auto p = static_cast<size_t>(clamp_to(text, position));
  const size_t found = p == 0 ? std::wstring_view::npos : text.rfind(L'\r', p - 1);
  return found == std::wstring_view::npos ? 0 : static_cast<std::int64_t>(found + 1);
}

std::int64_t paragraph_end(std::wstring_view text, std::int64_t position) {
  const size_t found = text.find(L'\r', static_cast<size_t>(clamp_to(text, position)));
  return found == std::wstring_view::npos ? length_of(text) : static_cast<std::int64_t>(found);
}

}  // namespace tavrel::win
