// The editing operations on the active editor: line prefixes and wrapping (worked out on a copy
// of the text by ui/text_ops, applied as one undo step), caret follow-up and typewriter colours.
#include <windows.h>
#include <richedit.h>

#include <string>

#include "core/documents_win.h"
#include "ui/editor_win.h"
#include "ui/emoji_completion_win.h"
#include "ui/main_window_win.h"
#include "ui/richedit_scroll_win.h"
#include "ui/text_ops.h"
#include "ui/theme_win.h"
#include "web/web_host_win.h"

namespace tavrel::win {
namespace {

constexpr UINT kLargeDocumentScrollDelayMs = 180;

CHARRANGE selection_of(HWND edit) {
  CHARRANGE range{};
  SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  return range;
}

// One EM_REPLACESEL, so the whole operation is one undo step.
void apply_edit(HWND edit, const TextEdit& change) {
  richedit_replace(edit, change.replace_start, change.replace_end, change.text);
  richedit_select(edit, change.select_start, change.select_end);
  SetFocus(edit);
}

void centre_caret_line(const App& app, HWND edit) {
  const CHARRANGE selection = selection_of(edit);
  POINTL caret{};
  SendMessageW(edit, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&caret), selection.cpMin);
  RECT client{};
  GetClientRect(edit, &client);
  const int lines =
      typewriter_scroll_lines(caret.y, client.bottom - client.top, app.font_size, app.dpi);
  SendMessageW(edit, EM_LINESCROLL, 0, lines);
}

void follow_with_preview(App& app, HWND edit) {
  const ScrollRange editor = richedit_vertical_range(edit);
  const ScrollRange preview = richedit_vertical_range(app.preview_edit);
  richedit_set_scroll_pos(app.preview_edit, POINT{0, synced_preview_position(editor, preview)});
  web_scroll_to(app, synced_scroll_fraction(editor));
}

// The line of `position` as the control lays it out (display lines are meant here: the caret's
// row is what the typewriter mode lights up).
CHARRANGE display_line_of(HWND edit, LONG position) {
  const LRESULT line = SendMessageW(edit, EM_EXLINEFROMCHAR, 0, position);
  const auto start =
      static_cast<LONG>(SendMessageW(edit, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
  const auto length =
      static_cast<LONG>(SendMessageW(edit, EM_LINELENGTH, static_cast<WPARAM>(start), 0));
  return CHARRANGE{start, start + length};
}

}  // namespace

void App::prefix_selected_lines(std::wstring prefix) {
  if (documents.empty()) return;
  const HWND edit = current_document()->editor;
  const std::wstring text = richedit_text_units(edit);
  const CHARRANGE selection = selection_of(edit);
  apply_edit(edit,
             prefix_lines_edit(text, TextSelection{selection.cpMin, selection.cpMax}, prefix));
}

void App::wrap_selection(std::wstring prefix, std::wstring suffix, std::wstring placeholder) {
  if (documents.empty()) return;
  const HWND edit = current_document()->editor;
  const std::wstring text = richedit_text_units(edit);
  const CHARRANGE selection = selection_of(edit);
  apply_edit(edit, wrap_selection_edit(text, TextSelection{selection.cpMin, selection.cpMax},
                                       prefix, suffix, placeholder));
}

void App::on_caret_moved() {
  if (documents.empty()) return;
  check_emoji_completion(*this);
  const HWND edit = current_document()->editor;
  if (typewriter) centre_caret_line(*this, edit);
  if (large_document) SetTimer(main_window, timer_render, kLargeDocumentScrollDelayMs, nullptr);
  if (sync_scroll && view_mode == 1) follow_with_preview(*this, edit);
}

void App::apply_typewriter() {
  if (documents.empty() || view_mode == 3) return;
  const HWND edit = current_document()->editor;
  const CHARRANGE selection = selection_of(edit);
  const POINT scroll = richedit_scroll_pos(edit);
  const bool was_modified = SendMessageW(edit, EM_GETMODIFY, 0, 0) != 0;

  ChangeSuppression quiet(*this);
  UndoSuspension no_undo(edit);
  const RedrawGuard pause(edit);
  richedit_set_colour(edit, SCF_ALL, palette[typewriter ? palette_muted_text : palette_text]);
  if (typewriter) {
    const CHARRANGE line = display_line_of(edit, selection.cpMin);
    richedit_select(edit, line.cpMin, line.cpMax);
    richedit_set_colour(edit, SCF_SELECTION, palette[palette_text]);
  }
  richedit_select(edit, selection.cpMin, selection.cpMax);
  richedit_set_scroll_pos(edit, scroll);
  SendMessageW(edit, EM_SETMODIFY, was_modified ? TRUE : FALSE, 0);
}

}  // namespace tavrel::win
