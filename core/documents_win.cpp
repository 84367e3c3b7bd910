// The open documents: creating, opening, selecting, marking edits, closing and saving them, and
// the question asked before a modified document is dropped.
//
// The question drops a document only on an explicit "No": Cancel, a closed box and a box that
// could not be shown at all keep it. Saving from the question saves that document where it is,
// without making it the active one, so the active index never points at a document other than
// the one shown. Its recovery file stays until the caller really drops the document.
#include "core/documents_win.h"

#include <commctrl.h>
#include <objbase.h>
#include <richedit.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "core/file_io_win.h"
#include "core/handles_win.h"
#include "core/text_convert.h"
#include "ui/deferred_commands_win.h"
#include "ui/editor_win.h"
#include "ui/file_dialogs_win.h"
#include "ui/main_window_win.h"
#include "ui/tab_model.h"

namespace tavrel::win {
namespace {

constexpr int kGuidTextUnits = 40;

std::string new_document_id() {
  GUID guid{};
  if (FAILED(CoCreateGuid(&guid))) throw std::runtime_error("Cannot create document id");
  wchar_t text[kGuidTextUnits] = {};
  if (StringFromGUID2(guid, text, kGuidTextUnits) == 0)
    throw std::runtime_error("Cannot create document id");
  return to_utf8(text);
}

// When either identity cannot be read the two count as different files.
bool same_file(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code error;
  const bool same = std::filesystem::equivalent(a, b, error);
  return same && !error;
}

void show_active_tab(const App& app) {
  SendMessageW(app.tab_control, TCM_SETCURSEL, app.active_document, 0);
}

std::optional<std::wstring> ask_save_path(App& app, const std::wstring& suggested) {
  if (app.choose_save_path) return app.choose_save_path(app.main_window, suggested);
  return choose_file(app.main_window, true, kSaveAsFilter, kDocumentExtension, suggested);
}

}  // namespace

Document* App::current_document() { return documents.at(active_document).get(); }

void App::new_document(std::string text) {
  auto document = std::make_unique<Document>();
  document->encoding = TextEncoding::Utf8;
  document->text = std::move(text);
  document->id = new_document_id();
  UniqueWindow editor(create_rich_edit(false));  // owned by the record once it is in the list
  document->editor = editor.get();
  const size_t previous_active = active_document;
  documents.push_back(std::move(document));
  editor.release();
  active_document = documents.size() - 1;
  try {
    // Placed at its size before the text goes in: a control of width 0 wraps after every
    // character, and laying out a long text that way costs seconds.
    layout_panes();
    ChangeSuppression quiet(*this);
    richedit_set_text_utf8(documents.back()->editor, documents.back()->text);
  } catch (...) {
    DestroyWindow(documents.back()->editor);
    documents.pop_back();
    active_document = documents.empty() ? 0 : previous_active;
    layout_panes();
    throw;
  }

  rebuild_tabs();
  show_active_tab(*this);
  layout_panes();
  update_title();
  request_render();
  web_send_document(*this);
  SetFocus(documents.back()->editor);
}

bool App::open_path(const std::filesystem::path& requested) {
  try {
    const std::filesystem::path path = std::filesystem::absolute(requested).lexically_normal();
    for (size_t i = 0; i < documents.size(); ++i) {
      const Document& open = *documents[i];
      if (!open.path.empty() && same_file(path, std::filesystem::path(open.path))) {
        select_document(i);
        return true;
      }
    }
    Document loaded = load_document(path);

    new_document(std::string());
    Document& document = *current_document();
    document.path = loaded.path;
    document.encoding = loaded.encoding;
    document.crlf = loaded.crlf;
    document.disk_time = loaded.disk_time;
    document.text = std::move(loaded.text);
    {
      ChangeSuppression quiet(*this);
      richedit_set_text_utf8(document.editor, document.text);
    }
    document.modified = false;

    add_recent(std::filesystem::path(document.path));
    rebuild_tabs();
    update_title();
    request_render();
    return true;
  } catch (const std::exception& error) {
    show_error(error);
    return false;
  }
}

void App::select_document(size_t index) {
  if (index >= documents.size()) return;
  active_document = index;
  show_active_tab(*this);
  layout_panes();
  update_title();
  request_render();
  web_send_document(*this);
  SetFocus(documents[index]->editor);
}

// The one edit step: the editors' change notice in the main window comes here, and so will the
// web editor's change message.
void App::on_document_edited() {
  if (suppress_change || documents.empty()) return;
  Document& document = *current_document();
  document.modified = true;
  ++document.revision;
  status_text.clear();
  rebuild_tabs();
  update_title();
  SetTimer(main_window, timer_render, kRenderDelayMs, nullptr);
  SetTimer(main_window, timer_recovery, static_cast<UINT>(auto_save_seconds) * 1000u, nullptr);
}

bool App::close_document(size_t index) {
  if (index >= documents.size()) return false;
  if (!confirm_save_changes(documents[index].get())) return false;

  // Out of the list first, so that nothing below can see a record whose editor is gone.
  std::unique_ptr<Document> closed = std::move(documents[index]);
  documents.erase(documents.begin() + static_cast<std::ptrdiff_t>(index));
  if (active_document >= documents.size() && !documents.empty())
    active_document = documents.size() - 1;
  remove_recovery_file(*closed);
  DestroyWindow(closed->editor);

  if (!documents.empty()) {
    active_document = std::min(index, documents.size() - 1);
    rebuild_tabs();
    select_document(active_document);
  } else {
    active_document = 0;
    new_document(std::string());
  }
  return true;
}

int ask_user(App& app, const std::wstring& text, const std::wstring& caption, UINT type) {
  if (app.message_box) return app.message_box(app.main_window, text, caption, type);
  return MessageBoxW(app.main_window, text.c_str(), caption.c_str(), type);
}

bool App::confirm_save_changes(Document* document) {
  if (document == nullptr || !document->modified) return true;
  const std::wstring name = document_name(document->path, vietnamese);
  const std::wstring question = vietnamese ? L"L\u01B0u thay \u0111\u1ED5i trong " + name + L"?"
                                           : L"Save changes to " + name + L"?";
  switch (ask_user(*this, question, L"Tavrel", MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
      return save_document(*document, false);
    case IDNO:
      return true;
    default:
      return false;  // Cancel, and a box that failed (0)
  }
}

bool App::save_document(bool save_as) {
  if (documents.empty()) return true;
  return save_document(*current_document(), save_as);
}

bool App::save_document(Document& document, bool save_as) {
  std::wstring target = document.path;
  if (save_as || target.empty()) {
    std::optional<std::wstring> chosen = ask_save_path(*this, document.path);
    if (!chosen) return false;
    target = std::move(*chosen);
  }
  try {
    document.text = richedit_text_utf8(document.editor);
    if (std::filesystem::path(target) == std::filesystem::path(document.path)) {
      save_history_snapshot(std::filesystem::path(target));
    }
    write_document(document, std::filesystem::path(target), false);
    SendMessageW(document.editor, EM_SETMODIFY, FALSE, 0);
    remove_recovery_file(document);
    add_recent(std::filesystem::path(document.path));
    rebuild_tabs();
    update_title();
  } catch (const std::exception& error) {
    show_error(error);
    return false;
  }
  set_status(vietnamese ? L"\u0110\u00E3 l\u01B0u tr\u00EAn m\u00E1y" : L"Saved locally");
  return true;
}

}  // namespace tavrel::win
