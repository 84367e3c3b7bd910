#pragma once
// A whole-text change of a long stretch of a document, made by a new editor control that takes
// the old one's place. Wine's RichEdit deletes a stretch of many lines in time quadratic in
// their number (one EM_REPLACESEL, EM_SETTEXTEX or EM_STREAMIN over 5 MB took minutes and
// gigabytes, and undoing it as long again), while it fills an empty control and destroys a full
// one in linear time.
//
// The old control stays, hidden, as the undo step, so the document's history is a row of
// controls, each holding its own stretch of it: an undo that the shown control has nothing left
// for brings back the one before, a redo past the steps undone in the shown control the one
// after. A control's redo steps beyond those are a branch the history left (steps undone before
// the whole-text change): they are never taken, and there is no message that drops only them,
// so each control's undo steps taken since it last held its newest text are counted. Its undo
// steps need no such count: a new control starts with none, and the stretch before it is the
// previous control's.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/app_win.h"

namespace tavrel::win {

// Changes that delete more line breaks than this take a new control.
inline constexpr std::size_t kSwapLineBreaks = 500;

// What the kept controls may hold (under Wine a control takes about 200 bytes a character):
// past either limit the oldest are destroyed, so that an undo stops at the oldest one kept, as
// a single control stops at its undo limit. The one a whole-text change just replaced is
// always kept.
inline constexpr std::size_t kMaxKeptEditors = 20;
inline constexpr std::int64_t kMaxKeptCharacters = std::int64_t{8} << 20;

// The document's editor replaced by a new one holding `utf8` (LF line ends), with the scroll
// position and the caret kept where they fit; the old editor is kept for undo, and the change
// counts as a new edit of the document. Throws "Invalid UTF-8" and when no control can be made;
// the document is then unchanged.
void swap_in_text(App& app, Document& document, const std::string& utf8);

// An undo or a redo of `editor`, whatever asked for it (the Edit menu, the keys of every key
// mode, a message sent to the control): the control's own step, or the step to the
// neighbouring editor of the history. `own_step` runs the control's own (the message's default
// processing) and returns its result, nonzero when it did something.
LRESULT undo_in_history(App& app, HWND editor, const std::function<LRESULT()>& own_step);
LRESULT redo_in_history(App& app, HWND editor, const std::function<LRESULT()>& own_step);

// A change of the document's shown editor: unless it is an undo or a redo under way, it is a
// new edit, and the steps a redo would have taken are gone.
void note_editor_change(Document& document);

// The document's editors: the shown one and the kept ones. What changes how an editor shows
// (theme, font size, word wrap) goes to all, so that one an undo or a redo brings back shows it
// too.
std::vector<HWND> editors_of(const Document& document);

// Destroys the document's editors, the shown one and the kept ones.
void destroy_editors(Document& document);

}  // namespace tavrel::win
