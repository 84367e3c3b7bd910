#pragma once
// The Vim and Emacs key modes of the editor, worked out over a small text-buffer interface so
// that they run the same against the RichEdit control and against a plain string in tests.
//
// Positions are the control's character positions: every paragraph break is one CR and a
// surrogate pair is two positions. No motion ever lands between the two halves of a pair.
#include <cstdint>
#include <string>
#include <string_view>

#include "ui/text_ops.h"

namespace tavrel::win {

// The control's own keys a mode hands on, each pressed with Ctrl released.
enum class EditorKey { Home, End, Left, Right, Up, Down, PageDown, PageUp, Delete, Backspace };

// What the modes need of an editor. A key reads only the stretch of text around the caret it
// acts on, never the whole text, so that it costs the same in a small and in a huge document.
class TextBuffer {
 public:
  virtual ~TextBuffer() = default;
  virtual std::int64_t length() = 0;  // the number of positions
  // The units of [start, end), one per position, paragraphs ended by CR; `start` and `end` lie
  // within the text, `start` <= `end`.
  virtual std::wstring range(std::int64_t start, std::int64_t end) = 0;
  virtual TextSelection selection() = 0;
  virtual void select(std::int64_t start, std::int64_t end) = 0;  // and scroll it into view
  virtual void replace_selection(const std::wstring& text) = 0;   // one undo step
  // Presses `key` in the control; with `shift` the movement extends the selection.
  virtual void press(EditorKey key, bool shift) = 0;
  virtual void cut() = 0;
  virtual void copy() = 0;
  virtual void paste() = 0;
  virtual void undo() = 0;
  virtual void redo() = 0;
};

// The modes' state between keys (the App keeps it in members of the same names).
struct KeyModes {
  bool vim_insert = true;
  bool vim_visual = false;
  std::int64_t vim_visual_anchor = 0;  // the moving end of a visual selection
  unsigned vim_pending_key = 0;        // first key of d d, y y or g g; 0 when none
  bool emacs_mark_active = false;
  std::int64_t emacs_mark = 0;  // also the fixed end of a Vim visual selection
  std::wstring kill_buffer;
};

// A key-down: its virtual-key code and the modifiers held with it.
struct KeyPress {
  unsigned key = 0;
  bool ctrl = false;
  bool alt = false;
  bool shift = false;
};

// Forgets the visual selection, the Emacs mark and a half-typed Vim command (the mode was
// switched or another document became active, so the positions mean nothing any more).
void reset_key_modes(KeyModes& modes);

// True when the key was an Emacs key and has been performed. Besides the motions and the kill
// ring, C-/ and C-_ undo and C-? redoes.
bool emacs_key(TextBuffer& buffer, KeyModes& modes, const KeyPress& press);

// The Vim layer while Vim is on. True when the key was consumed (performed or swallowed in the
// normal state); false lets it act normally (insert state, Ctrl or Alt held, except Ctrl+R, the
// normal state's redo).
bool vim_key(TextBuffer& buffer, KeyModes& modes, const KeyPress& press);

// The word breaks the modes move to: right, the start of the next word; left, the start of this
// or the previous word. Letters, digits, '_' and every non-ASCII character form words;
// punctuation runs form words of their own; white space and paragraph breaks separate them.
std::int64_t word_break_right(std::wstring_view text, std::int64_t position);
std::int64_t word_break_left(std::wstring_view text, std::int64_t position);

// The paragraph around `position`: its first position and the position of its CR (the text's
// length for the last paragraph).
std::int64_t paragraph_start(std::wstring_view text, std::int64_t position);
std::int64_t paragraph_end(std::wstring_view text, std::int64_t position);

// One code point on or back from `position`, within the text.
std::int64_t next_code_point(std::wstring_view text, std::int64_t position);
std::int64_t previous_code_point(std::wstring_view text, std::int64_t position);

}  // namespace tavrel::win
