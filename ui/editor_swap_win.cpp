#include "ui/editor_swap_win.h"

#include <richedit.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/documents_win.h"
#include "core/handles_win.h"
#include "ui/editor_win.h"
#include "ui/emoji_completion_win.h"
#include "ui/main_window_win.h"
#include "ui/richedit_scroll_win.h"

namespace tavrel::win {
namespace {

Document* document_of(App& app, HWND editor) {
  for (const auto& document : app.documents) {
    if (document->editor == editor) return document.get();
  }
  return nullptr;
}

// Where the user was: the view and the selection, clamped to the new text.
struct View {
  POINT scroll{};
  CHARRANGE selection{};
};

View view_of(HWND editor) {
  View view;
  view.scroll = richedit_scroll_pos(editor);
  SendMessageW(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&view.selection));
  return view;
}

void restore_view(HWND editor, View view) {
  const auto length = static_cast<LONG>(richedit_length(editor));
  view.selection.cpMin = std::clamp<LONG>(view.selection.cpMin, 0, length);
  view.selection.cpMax = std::clamp<LONG>(view.selection.cpMax, view.selection.cpMin, length);
  SendMessageW(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&view.selection));
  richedit_set_scroll_pos(editor, view.scroll);
}

// `shown` takes `hidden`'s place in the window (keyboard order, focus) and in the document.
void exchange(App& app, Document& document, HWND shown, HWND hidden) {
  hide_emoji_completion(app);
  app.reset_key_modes();
  document.editor = shown;
  if (app.editor_holding_text == hidden) app.editor_holding_text = nullptr;
  SetWindowPos(shown, hidden, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  const bool had_focus = GetFocus() == hidden;
  if (app.saved_focus == hidden) app.saved_focus = shown;
  app.layout_panes();  // shows the document's editor when it is the active one
  ShowWindow(hidden, SW_HIDE);
  if (had_focus) SetFocus(shown);
}

// The last editor of `from` comes back, as one edit of the document; the shown one goes onto
// `to`, with `undone` of its own steps undone.
void bring_back(App& app, Document& document, std::vector<KeptEditor>& from,
                std::vector<KeptEditor>& to, std::size_t undone) {
  const HWND leaving = document.editor;
  to.push_back(KeptEditor{leaving, undone});
  const KeptEditor coming = from.back();
  from.pop_back();
  document.history.undone = coming.undone;
  exchange(app, document, coming.window, leaving);
  app.on_document_edited();
}

void destroy_all(std::vector<KeptEditor>& editors) {
  for (const KeptEditor& kept : editors) DestroyWindow(kept.window);
  editors.clear();
}

// A new edit: the control drops its own redo steps, the newer editors go.
void drop_redo(EditorHistory& history) {
  history.undone = 0;
  destroy_all(history.newer);
}

// Destroys the oldest kept editors past the limits; the newest one stays whatever it holds.
void forget_oldest(std::vector<KeptEditor>& older) {
  std::int64_t characters = 0;
  std::size_t keep_from = older.size();
  while (keep_from > 0) {
    characters += richedit_length(older[keep_from - 1].window);
    const std::size_t kept = older.size() - keep_from + 1;
    if (kept > 1 && (kept > kMaxKeptEditors || characters > kMaxKeptCharacters)) break;
    --keep_from;
  }
  const auto end = older.begin() + static_cast<std::ptrdiff_t>(keep_from);
  for (auto kept = older.begin(); kept != end; ++kept) DestroyWindow(kept->window);
  older.erase(older.begin(), end);
}

// The control's own undo or redo, which is no new edit of the document.
LRESULT replay(EditorHistory& history, const std::function<LRESULT()>& own_step) {
  struct Replaying {
    EditorHistory& history;
    bool before = std::exchange(history.replaying, true);
    ~Replaying() { history.replaying = before; }
  } replaying{history};
  return own_step();
}

}  // namespace

void swap_in_text(App& app, Document& document, const std::string& utf8) {
  const HWND old = document.editor;
  const View view = view_of(old);
  UniqueWindow fresh(app.create_rich_edit(false));
  // At the old one's size before any text goes in: laying out at another width costs seconds.
  RECT place{};
  GetWindowRect(old, &place);
  MapWindowPoints(nullptr, GetParent(old), reinterpret_cast<POINT*>(&place), 2);
  SetWindowPos(fresh.get(), nullptr, place.left, place.top, place.right - place.left,
               place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  app.pad_editor_rect(fresh.get(), kEditorTextInset, true);
  {
    ChangeSuppression quiet(app);
    richedit_set_text_utf8(fresh.get(), utf8);
  }
  SendMessageW(fresh.get(), EM_SETMODIFY, TRUE, 0);
  restore_view(fresh.get(), view);
  EditorHistory& history = document.history;
  // The old editor holds its newest text, so none of its steps count as undone: its redo steps,
  // if any, are the branch this edit leaves.
  history.older.push_back(KeptEditor{old, 0});
  drop_redo(history);
  exchange(app, document, fresh.release(), old);
  forget_oldest(history.older);
  if (app.current_document() == &document) app.on_document_edited();
}

LRESULT undo_in_history(App& app, HWND editor, const std::function<LRESULT()>& own_step) {
  Document* document = document_of(app, editor);
  if (document == nullptr) return own_step();
  EditorHistory& history = document->history;
  if (!history.older.empty() && !SendMessageW(editor, EM_CANUNDO, 0, 0)) {
    bring_back(app, *document, history.older, history.newer, history.undone);
    return TRUE;
  }
  const LRESULT done = replay(history, own_step);
  if (done) ++history.undone;
  return done;
}

LRESULT redo_in_history(App& app, HWND editor, const std::function<LRESULT()>& own_step) {
  Document* document = document_of(app, editor);
  if (document == nullptr) return own_step();
  EditorHistory& history = document->history;
  if (!history.newer.empty() && (history.undone == 0 || !SendMessageW(editor, EM_CANREDO, 0, 0))) {
    bring_back(app, *document, history.newer, history.older, 0);
    return TRUE;
  }
  const LRESULT done = replay(history, own_step);
  if (done && history.undone > 0) --history.undone;
  return done;
}

void note_editor_change(Document& document) {
  if (!document.history.replaying) drop_redo(document.history);
}

std::vector<HWND> editors_of(const Document& document) {
  std::vector<HWND> editors;
  if (document.editor != nullptr) editors.push_back(document.editor);
  for (const auto* kept : {&document.history.older, &document.history.newer}) {
    for (const KeptEditor& editor : *kept) editors.push_back(editor.window);
  }
  return editors;
}

void destroy_editors(Document& document) {
  destroy_all(document.history.older);
  destroy_all(document.history.newer);
  DestroyWindow(document.editor);
}

}  // namespace tavrel::win
