#include "ui/editor_swap_win.h"

#include <richedit.h>

#include <algorithm>
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

// The other editor comes back as one edit of the document.
void bring_back(App& app, Document& document, bool as_undo) {
  const HWND leaving = document.editor;
  const HWND coming = std::exchange(document.swapped_editor, leaving);
  document.swapped_is_undo = !as_undo;
  exchange(app, document, coming, leaving);
  app.on_document_edited();
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
  if (document.swapped_editor) DestroyWindow(document.swapped_editor);
  document.swapped_editor = old;
  document.swapped_is_undo = true;
  exchange(app, document, fresh.release(), old);
  if (app.current_document() == &document) app.on_document_edited();
}

bool swap_on_undo(App& app, HWND editor) {
  Document* document = document_of(app, editor);
  if (document == nullptr || document->swapped_editor == nullptr || !document->swapped_is_undo ||
      SendMessageW(editor, EM_CANUNDO, 0, 0)) {
    return false;
  }
  bring_back(app, *document, true);
  return true;
}

bool swap_on_redo(App& app, HWND editor) {
  Document* document = document_of(app, editor);
  if (document == nullptr || document->swapped_editor == nullptr || document->swapped_is_undo ||
      SendMessageW(editor, EM_CANREDO, 0, 0)) {
    return false;
  }
  bring_back(app, *document, false);
  return true;
}

void forget_swap_redo(Document& document) {
  if (document.swapped_editor == nullptr || document.swapped_is_undo) return;
  DestroyWindow(std::exchange(document.swapped_editor, nullptr));
}

std::vector<HWND> editors_of(const Document& document) {
  std::vector<HWND> editors;
  for (const HWND editor : {document.editor, document.swapped_editor}) {
    if (editor != nullptr) editors.push_back(editor);
  }
  return editors;
}

void destroy_editors(Document& document) {
  if (document.swapped_editor) DestroyWindow(std::exchange(document.swapped_editor, nullptr));
  DestroyWindow(document.editor);
}

}  // namespace tavrel::win
