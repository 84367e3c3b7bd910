#pragma once
// A whole-text change of a long stretch of a document, made by a new editor control that takes
// the old one's place. Wine's RichEdit deletes a stretch of many lines in time quadratic in
// their number (one EM_REPLACESEL, EM_SETTEXTEX or EM_STREAMIN over 5 MB took minutes and
// gigabytes, and undoing it as long again), while it fills an empty control and destroys a full
// one in linear time. The old control stays, hidden, as the undo step: an undo that the shown
// control has nothing left for brings the old one back, and a redo then the new one again.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "core/app_win.h"

namespace tavrel::win {

// Changes that delete more line breaks than this take a new control.
inline constexpr std::size_t kSwapLineBreaks = 500;

// The document's editor replaced by a new one holding `utf8` (LF line ends), with the scroll
// position and the caret kept where they fit; the old editor is kept for undo (one that was
// kept before is destroyed) and the change counts as an edit of the document. Throws "Invalid
// UTF-8" and when no control can be made; the document is then unchanged.
void swap_in_text(App& app, Document& document, const std::string& utf8);

// An undo or redo sent to `editor`, or typed into it: true when it was done by bringing back
// the document's other editor, because the control itself had nothing to undo or redo.
bool swap_on_undo(App& app, HWND editor);
bool swap_on_redo(App& app, HWND editor);

// An edit of the shown editor: the editor a redo would bring back is out of date.
void forget_swap_redo(Document& document);

// The document's editors: the shown one and the one kept for an undo or a redo, if any. What
// changes how an editor shows (theme, font size, word wrap) goes to both, so that the one an
// undo brings back shows it too.
std::vector<HWND> editors_of(const Document& document);

// Destroys the document's editors, the shown one and the one kept for undo.
void destroy_editors(Document& document);

}  // namespace tavrel::win
