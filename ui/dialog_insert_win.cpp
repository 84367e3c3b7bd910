// The Insert emoji and Copy code pages: a list of fixed or rendered rows whose payload goes into
// the editor or onto the clipboard.
#include <windows.h>

#include <string>
#include <vector>

#include "core/text_convert.h"
#include "ui/dialog_frame_win.h"
#include "ui/images_win.h"
#include "ui/insert_rows.h"

namespace tavrel::win {
namespace {

void build_payload_list(DialogState& state, const std::vector<std::string>& labels,
                        const wchar_t* english, const wchar_t* vietnamese) {
  state.list = dialog_create_control(state, L"LISTBOX", L"",
                                     LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
                                     dlg_list, 26, 72, 568, 308);
  std::vector<std::wstring> rows;
  for (const std::string& label : labels) rows.push_back(to_wide_lenient(label));
  dialog_fill_list(state.list, rows);
  SetWindowTextW(state.primary_button, ui_text(*state.app, english, vietnamese));
  ShowWindow(state.secondary_button, SW_SHOW);
  SetFocus(state.list);
}

const std::string* selected_item(const DialogState& state) {
  const int row = dialog_list_row(state);
  if (row < 0 || static_cast<size_t>(row) >= state.items.size()) return nullptr;
  return &state.items[static_cast<size_t>(row)];
}

}  // namespace

void build_emoji_page(DialogState& state) {
  state.items.assign(kEmojiDialogRows.begin(), kEmojiDialogRows.end());
  build_payload_list(state, state.items, L"Insert", L"Chèn");
}

void accept_emoji(DialogState& state) {
  state.done = true;
  const std::string* row = selected_item(state);
  if (row == nullptr || state.app->documents.empty()) return;
  state.app->wrap_selection(to_wide(emoji_of_row(*row)), L"", L"");
}

void build_copy_code_page(DialogState& state) {
  CodeRows rows = code_block_rows(state.app->rendered);
  state.items = std::move(rows.code);
  build_payload_list(state, rows.labels, L"Copy", L"Sao chép");
}

void accept_copy_code(DialogState& state) {
  state.done = true;
  if (const std::string* code = selected_item(state))
    copy_text_to_clipboard(state.dialog, to_wide_lenient(*code));
}

}  // namespace tavrel::win
