// The file-list pages: quick open, recent and pinned, and document history. The candidates are
// gathered once when the page opens; every keystroke in the search box ranks them again.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "core/file_io_win.h"
#include "core/history.h"
#include "core/text_codec.h"
#include "core/text_convert.h"
#include "ui/dialog_frame_win.h"
#include "ui/file_list.h"

namespace tavrel::win {
namespace {

std::vector<std::filesystem::path> history_of_active_document(App& app) {
  if (app.documents.empty()) return {};
  const std::wstring& path = app.current_document()->path;
  if (path.empty()) return {};
  return history_candidates(history_folder(app.profile_dir / L"history", path));
}

std::vector<std::filesystem::path> page_candidates(DialogState& state) {
  App& app = *state.app;
  switch (state.kind) {
    case cmd_quick_open:
      return quick_open_candidates(app.workspace_files, app.settings);
    case cmd_recent_pinned:
      return recent_pinned_candidates(app.settings);
    default:
      return history_of_active_document(app);
  }
}

// A history snapshot opens as a new untitled document, so the file it came from stays as it is.
void open_snapshot(App& app, const std::filesystem::path& snapshot) {
  std::string text = read_text_file(snapshot);
  app.new_document(std::move(text));
  app.current_document()->modified = true;
  app.rebuild_tabs();
  app.update_title();
}

}  // namespace

void build_file_list_page(DialogState& state) {
  const App& app = *state.app;
  state.input_edit = dialog_create_control(state, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL,
                                           dlg_search, 26, 72, 568, 32);
  SendMessageW(
      state.input_edit, EM_SETCUEBANNER, TRUE,
      reinterpret_cast<LPARAM>(ui_text(app, L"Search file name...", L"Nhập tên tài liệu...")));
  state.list = dialog_create_control(state, L"LISTBOX", L"",
                                     LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
                                     dlg_list, 26, 116, 568, 265);
  SendMessageW(state.list, LB_SETITEMHEIGHT, 0, app.scale(28));
  SetWindowTextW(state.primary_button, ui_text(app, L"Open", L"Mở"));
  ShowWindow(state.secondary_button, SW_SHOW);
  state.candidates = page_candidates(state);
  dialog_refill_list(state);
  SetFocus(state.input_edit);
}

void dialog_refill_list(DialogState& state) {
  const std::string query = to_utf8(window_text(state.input_edit));
  state.shown.clear();
  std::vector<std::wstring> rows;
  for (const size_t index : rank_candidates(query, state.candidates)) {
    state.shown.push_back(state.candidates[index]);
    rows.push_back(file_row_text(state.candidates[index], state.app->settings));
  }
  dialog_fill_list(state.list, rows);
}

void accept_file_list(DialogState& state) {
  const int row = dialog_list_row(state);
  if (row < 0 || static_cast<size_t>(row) >= state.shown.size()) return;
  const std::filesystem::path& path = state.shown[static_cast<size_t>(row)];
  if (state.kind == cmd_document_history) {
    open_snapshot(*state.app, path);
  } else {
    state.app->open_path(path);
  }
  state.done = true;
}

}  // namespace tavrel::win
