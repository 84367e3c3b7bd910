#pragma once
// The RichEdit controls of the program: the document editors and the read-only preview. Their
// text goes in and out as UTF-8 with LF line ends; RTF goes in for the preview.
#include <windows.h>
#include <richedit.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/app_win.h"

namespace tavrel::win {

// The whole text as the control holds it (UTF-16, every paragraph break one CR), so that an
// index into it is a control position.
std::wstring richedit_text_units(HWND edit);

// The number of positions, and the units of the positions [start, end) (clamped to the text):
// what a caller reads that needs only a part of a long text.
std::int64_t richedit_length(HWND edit);
std::wstring richedit_range(HWND edit, std::int64_t start, std::int64_t end);

// The whole text as document text: UTF-8, LF line ends. Never fails: a lone surrogate (which
// the control accepts from a paste) becomes U+FFFD, so a document can always be saved.
std::string richedit_text_utf8(HWND edit);

// Replaces the whole text with `utf8` as plain text (a text that starts with "{\rtf" stays
// text), empties the undo buffer and clears the modified flag. The control reports the change
// (EN_CHANGE): callers that must not take it for an edit hold a ChangeSuppression. Throws
// "Invalid UTF-8".
void richedit_set_text_utf8(HWND edit, const std::string& utf8);

// Wraps the editor as App::word_wrap says, unless it holds a line too long to wrap (some
// thousand characters), which stays one row. richedit_set_text_utf8 decides this for the text it
// puts in; the wrap command asks it of every editor, whose caret stays in view.
void richedit_apply_word_wrap(HWND edit);

// After an edit of an editor whose setting says wrap: stops wrapping when it now holds a line too
// long to wrap (typed or pasted), wraps again once no line is, keeping the caret in view and its
// line where it was shown. `utf8` is its text. Cheap when nothing changes.
void richedit_fit_wrap_to_lines(HWND edit, std::string_view utf8);

// Drops what the control remembers about its wrapping; on its destruction.
void richedit_forget_wrap(HWND edit);

// Replaces the content with RTF, shown with exactly the RTF's formatting. Throws when the
// control could not read the RTF (the content is then whatever the control kept).
void richedit_stream_rtf(HWND edit, const std::string& rtf);

// Shows the RTF in the preview, keeping its scroll position: a new control, filled while
// hidden, takes the preview's place (control id, position, visibility, keyboard order, focus)
// and becomes App::preview_edit; the old one is destroyed. On a failure the old one stays. A
// preview that holds nothing yet is filled itself (on a failure it holds what it could read).
void replace_preview_content(App& app, const std::string& rtf);

// A range of the preview's text, in UTF-16 units.
struct PreviewSpan {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
};
inline constexpr PreviewSpan kWholePreview{0, ~std::uint64_t{0}};

// Shows a render result by replacing only the blocks that differ from App::rendered, when the
// preview shows App::rendered as rendered for the same document, theme and table width and the
// change is small and away from tables and the document's end; gives the text around the
// change whose link marks must be set again. Nothing when it did not: the preview then needs
// replace_preview_content (it may hold part of the change).
std::optional<PreviewSpan> splice_preview_content(App& app, const RenderResult& result);

// What an EDITSTREAM reads from: bytes in memory and how far the control has come.
struct StreamSource {
  const char* data = nullptr;
  std::size_t size = 0;
  std::size_t offset = 0;
};

// The EDITSTREAM callback over a StreamSource: copies what fits, a count of 0 ends the stream.
DWORD CALLBACK stream_string_in(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* written);

// Suspends (true) or resumes (false) the control's undo recording through its text object
// model; does nothing where the model is not available.
void richedit_suspend_undo(HWND edit, bool suspend);

// The file's line (0-based paragraph) at a position and where it starts, from the text object
// model; nothing where the model cannot tell.
struct ParagraphAt {
  std::int64_t index = 0;
  std::int64_t start = 0;
};
std::optional<ParagraphAt> richedit_paragraph_at(HWND edit, std::int64_t position);

void richedit_select_and_scroll(HWND edit, CHARRANGE range);

// Selects [start, end) without scrolling to it.
void richedit_select(HWND edit, std::int64_t start, std::int64_t end);

// Replaces [start, end) with `editor_text` (CR line ends) in one EM_REPLACESEL, so as one undo
// step; the caret ends after the new text.
void richedit_replace(HWND edit, std::int64_t start, std::int64_t end,
                      const std::wstring& editor_text);

// Text colour of the whole text (SCF_ALL) or of the selection (SCF_SELECTION).
void richedit_set_colour(HWND edit, WPARAM scope, COLORREF colour);

// Undo recording suspended while it lives, so that recolouring never becomes an undo step,
// even when the recolouring throws half-way.
class UndoSuspension {
 public:
  explicit UndoSuspension(HWND edit) : edit_(edit) { richedit_suspend_undo(edit_, true); }
  ~UndoSuspension() { richedit_suspend_undo(edit_, false); }
  UndoSuspension(const UndoSuspension&) = delete;
  UndoSuspension& operator=(const UndoSuspension&) = delete;

 private:
  HWND edit_;
};

// The subclass procedure of every control made by App::create_rich_edit (reference data: the
// App): Tab as spaces, plain-text paste, the context menu, caret follow-up, key modes.
LRESULT CALLBACK editor_subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                      UINT_PTR id, DWORD_PTR app);

}  // namespace tavrel::win
