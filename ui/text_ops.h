#pragma once
// The editing operations of the editor control worked out on a copy of its text, and the
// conversions of text going into and out of the control. Nothing here talks to a window: the
// caller reads the control's text and selection, asks for an edit, and applies it with one
// EM_EXSETSEL + EM_REPLACESEL (one undo step) followed by EM_EXSETSEL of the new selection.
//
// Wide strings hold UTF-16 units, one per wchar_t, on every platform. Positions are the
// control's character positions: a line break is one position, also when the text that was
// read spells it as CR LF, and a surrogate pair is two.
#include <cstdint>
#include <string>
#include <string_view>

namespace tavrel::win {

// A selection as EM_EXGETSEL reports it; an end of -1 (or anything past the text) means the end
// of the text, and a reversed pair is put in order.
struct TextSelection {
  std::int64_t start = 0;
  std::int64_t end = 0;
};

// One programmatic edit: replace [replace_start, replace_end) with `text`, then select
// [select_start, select_end). `text` spells every line break as a single CR, so its length in
// units is exactly the number of positions it occupies once inserted.
struct TextEdit {
  std::int64_t replace_start = 0;
  std::int64_t replace_end = 0;
  std::wstring text;
  std::int64_t select_start = 0;
  std::int64_t select_end = 0;
};

// Puts `prefix` before every paragraph the selection touches (a caret touches its own one; a
// selection ending at the very start of a paragraph touches that paragraph too). Paragraphs are
// delimited by the text's line breaks, never by where the control happens to wrap. The caret
// ends after the inserted text.
TextEdit prefix_lines_edit(std::wstring_view editor_text, TextSelection selection,
                           std::wstring_view prefix);

// Surrounds the selected text with `prefix` and `suffix`, putting `placeholder` in place of an
// empty selection, and selects what ends up between the two. White space at either end of the
// selection (a double-clicked word takes the space after it) stays outside the markers, since
// Markdown neither opens emphasis before a space nor closes it after one; a selection of white
// space only keeps it and gets the placeholder after it.
TextEdit wrap_selection_edit(std::wstring_view editor_text, TextSelection selection,
                             std::wstring_view prefix, std::wstring_view suffix,
                             std::wstring_view placeholder);

// The number of positions the text occupies in the control (CR LF counted once).
std::int64_t editor_position_count(std::wstring_view editor_text);

// The index into `editor_text` of a control position, clamped to the text; a position is never
// mapped between the CR and the LF of a pair.
std::size_t editor_index_of_position(std::wstring_view editor_text, std::int64_t position);

// The editor's text as document text: UTF-8 with LF line ends. CR LF and a lone CR become one
// LF each (so a position in the result's UTF-16 form equals the control's position) and a lone
// surrogate becomes U+FFFD, so reading an editor never fails and a document can always be saved.
std::string editor_text_to_utf8(std::wstring_view editor_text);

// Document text for the control: every line break (LF, CR LF or a lone CR) becomes one CR, the
// control's own paragraph mark. Throws std::runtime_error("Invalid UTF-8") for invalid input.
std::wstring utf8_to_editor_text(std::string_view utf8);

// True for the links the program hands to the shell: "https://", "http://" and "mailto:" in
// exactly that spelling. Local files, relative paths and every other scheme are refused.
bool is_openable_link(std::wstring_view url);

// Lines to scroll (EM_LINESCROLL) so that the caret line sits in the middle of the editor: the
// caret's client y, the client height, and the font size in points at the window's DPI.
std::int32_t typewriter_scroll_lines(std::int32_t caret_y, std::int32_t client_height,
                                     std::int32_t font_points, std::int32_t dpi);

// The vertical part of a scroll bar as GetScrollInfo reports it.
struct ScrollRange {
  std::int32_t max = 0;
  std::uint32_t page = 0;
  std::int32_t pos = 0;
};

// Where the preview goes when the editor scrolls with synchronized scrolling on: the same
// fraction of the preview's scrollable range as the editor's position is of its own.
std::int32_t synced_preview_position(ScrollRange editor, ScrollRange preview);

// The fraction handed to the web preview for the same scroll.
double synced_scroll_fraction(ScrollRange editor);

}  // namespace tavrel::win
