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
#include "core/fs_error.h"
#include "core/handles_win.h"
#include "core/text_convert.h"
#include "ui/editor_swap_win.h"
#include "ui/editor_win.h"
#include "ui/emoji_completion_win.h"
#include "ui/file_dialogs_win.h"
#include "ui/layout.h"
#include "ui/main_window_win.h"
#include "ui/tab_model.h"
#include "web/web_host_win.h"

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

void show_active_tab(const App& app) {
  SendMessageW(app.tab_control, TCM_SETCURSEL, app.active_document, 0);
}

std::optional<std::wstring> ask_save_path(App& app, const std::wstring& suggested) {
  if (app.choose_save_path) return app.choose_save_path(app.main_window, suggested);
  return choose_file(app.main_window, true, kSaveAsFilter, kDocumentExtension, suggested);
}

// Where a file lives on disk: its volume and file index, as std::filesystem::equivalent compares
// them. Nothing when they cannot be read; such a file counts as different from every other.
struct FileId {
  DWORD volume = 0;
  DWORD index_high = 0;
  DWORD index_low = 0;
  bool operator==(const FileId&) const = default;
};

std::optional<FileId> file_id(const std::filesystem::path& path) {
  if (path.empty()) return std::nullopt;
  const UniqueFile file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
  return FileId{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

std::filesystem::path absolute_path(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  if (ec) throw_fs_error("absolute", path, ec);
  return absolute.lexically_normal();
}

// Placed at the editor pane's size, still hidden, before any text goes in: a control of width 0
// wraps after every character, and laying out a long text that way costs seconds.
void place_like_active_editor(App& app, HWND editor) {
  const Layout layout = compute_layout(layout_input(app));
  const std::optional<Rect>& place = layout.at(Pane::ActiveEditor).rect;
  if (!place) return;
  const Rect& r = *place;
  SetWindowPos(editor, nullptr, r.left, r.top, r.width(), r.height(),
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  app.pad_editor_rect(editor, kEditorTextInset, true);
}

// A new record at the end of the list with its editor holding `text`; the active index, the tab
// strip and the rest of the window are left for show_active_document.
Document& append_document(App& app, std::string text) {
  auto document = std::make_unique<Document>();
  document->encoding = TextEncoding::Utf8;
  document->text = std::move(text);
  document->id = new_document_id();
  UniqueWindow editor(app.create_rich_edit(false));  // owned by the record once it is in the list
  document->editor = editor.get();
  app.documents.push_back(std::move(document));
  editor.release();
  Document& added = *app.documents.back();
  try {
    place_like_active_editor(app, added.editor);
    ChangeSuppression quiet(app);
    richedit_set_text_utf8(added.editor, added.text);
    // The editor gives the text back as it came, but with LF for each line end.
    if (added.text.find('\r') == std::string::npos) app.editor_holding_text = added.editor;
  } catch (...) {
    DestroyWindow(added.editor);
    app.documents.pop_back();
    throw;
  }
  return added;
}

// The whole window follows the active index: the tab strip is rebuilt here and nowhere else on
// the way, so opening many documents rebuilds it once.
void show_active_document(App& app) {
  app.reset_key_modes();
  app.rebuild_tabs();
  show_active_tab(app);
  app.layout_panes();
  app.update_title();
  app.request_render();
  web_send_document(app);
  SetFocus(app.current_document()->editor);
}

// Two paths name one file: the same identity on disk, or, where either has none (a file deleted
// meanwhile, a first save), the same normal path in any letter case, as Windows compares names.
bool same_file(const std::filesystem::path& a, const std::filesystem::path& b) {
  const std::optional<FileId> first = file_id(a);
  const std::optional<FileId> second = file_id(b);
  if (first && second) return *first == *second;
  const std::wstring x = a.lexically_normal().make_preferred().native();
  const std::wstring y = b.lexically_normal().make_preferred().native();
  return CompareStringOrdinal(x.data(), static_cast<int>(x.size()), y.data(),
                              static_cast<int>(y.size()), TRUE) == CSTR_EQUAL;
}

// The other tab that already shows the file a save of `saving` would write; none when the target
// is the document's own file.
std::optional<size_t> other_tab_showing(const App& app, const Document& saving,
                                        const std::filesystem::path& target) {
  if (!saving.path.empty() && same_file(target, saving.path)) return std::nullopt;
  for (size_t i = 0; i < app.documents.size(); ++i) {
    const Document& other = *app.documents[i];
    if (&other != &saving && !other.path.empty() && same_file(target, other.path)) return i;
  }
  return std::nullopt;
}

std::runtime_error unsaved_tab_error(const App& app, const Document& other) {
  const std::wstring name = document_name(other.path, app.vietnamese);
  const std::wstring text =
      app.vietnamese
          ? L"M\u1ED9t th\u1EBB kh\u00E1c \u0111ang m\u1EDF " + name +
                L" v\u00E0 c\u00F3 thay \u0111\u1ED5i ch\u01B0a l\u01B0u. H\u00E3y l\u01B0u "
                L"ho\u1EB7c \u0111\u00F3ng th\u1EBB \u0111\u00F3 r\u1ED3i th\u1EED l\u1EA1i."
          : L"Another tab shows " + name +
                L" with unsaved changes. Save or close that tab, then try again.";
  return std::runtime_error(to_utf8(text));
}

// Out of the list first, so that nothing below can see a record whose editor is gone.
void discard_tab(App& app, size_t index) {
  std::unique_ptr<Document> closed = std::move(app.documents[index]);
  app.documents.erase(app.documents.begin() + static_cast<std::ptrdiff_t>(index));
  if (app.active_document >= app.documents.size() && !app.documents.empty())
    app.active_document = app.documents.size() - 1;
  app.remove_recovery_file(*closed);
  destroy_editors(*closed);
}

// Drops an unmodified tab without a question; the active document stays the one shown.
void drop_tab(App& app, size_t index) {
  const Document* shown = app.current_document();
  discard_tab(app, index);
  app.active_document = app.tab_of(shown).value_or(std::min(index, app.documents.size() - 1));
  app.rebuild_tabs();
  app.select_document(app.active_document);
}

constexpr size_t kListedFailures = 20;

// The files of one open request. Each is opened, or found open already, without touching the
// window; the window then shows the last of them once, and the failures come in one box: for a
// single file its message alone, for several each message with its file on the next line.
class OpenBatch {
 public:
  OpenBatch(App& app, size_t size) : app_(app), single_(size == 1) {}

  void open(const std::filesystem::path& requested) {
    try {
      const std::filesystem::path path = absolute_path(requested);
      const std::optional<FileId> id = file_id(path);
      if (const std::optional<size_t> open = index_of(id)) {
        shown_ = *open;
        return;
      }
      Document loaded = load_document(path);
      Document& document = append_document(app_, std::move(loaded.text));
      document.path = loaded.path;
      document.encoding = loaded.encoding;
      document.crlf = loaded.crlf;
      document.disk_time = loaded.disk_time;
      ids_.push_back(id);
      shown_ = app_.documents.size() - 1;
      app_.add_recent(path);
    } catch (const std::exception& error) {
      fail(error.what(), requested);
    }
  }

  // The number of the batch's files that could not be opened.
  size_t finish() {
    if (shown_) {
      try {
        app_.active_document = *shown_;
        show_active_document(app_);
      } catch (const std::exception& error) {
        app_.show_error(error);
        return failures_ + 1;
      }
    }
    if (!message_.empty()) {
      if (failures_ > kListedFailures) {
        message_ += "\n\n" + more_failures_text(failures_ - kListedFailures, app_.vietnamese);
      }
      app_.show_error(std::runtime_error(message_));
    }
    return failures_;
  }

 private:
  // The document already open as this file; the identities of the open documents are read once
  // per batch.
  std::optional<size_t> index_of(const std::optional<FileId>& id) {
    while (ids_.size() < app_.documents.size()) {
      const std::wstring& path = app_.documents[ids_.size()]->path;
      ids_.push_back(path.empty() ? std::nullopt : file_id(path));
    }
    if (!id) return std::nullopt;
    for (size_t i = 0; i < ids_.size(); ++i) {
      if (ids_[i] == id) return i;
    }
    return std::nullopt;
  }

  void fail(const std::string& text, const std::filesystem::path& file) {
    if (++failures_ > kListedFailures) return;
    if (!message_.empty()) message_ += "\n\n";
    message_ += single_ ? text : text + "\n" + display_path(file);
  }

  static std::string more_failures_text(size_t count, bool vietnamese) {
    const std::string number = std::to_string(count);
    return vietnamese ? "(" + number + " t\u1EC7p kh\u00E1c kh\u00F4ng m\u1EDF \u0111\u01B0\u1EE3c)"
                      : "(" + number + " more files could not be opened)";
  }

  App& app_;
  bool single_;
  std::vector<std::optional<FileId>> ids_;  // one per open document, in list order
  std::optional<size_t> shown_;
  size_t failures_ = 0;
  std::string message_;
};

}  // namespace

Document* App::current_document() { return documents.at(active_document).get(); }

std::optional<size_t> App::tab_of(const Document* document) const {
  const auto at = std::find_if(documents.begin(), documents.end(),
                               [&](const auto& open) { return open.get() == document; });
  if (at == documents.end()) return std::nullopt;
  return static_cast<size_t>(at - documents.begin());
}

void App::new_document(std::string text) {
  append_document(*this, std::move(text));
  active_document = documents.size() - 1;
  show_active_document(*this);
}

bool App::open_path(const std::filesystem::path& requested) {
  return open_paths(*this, std::vector<std::filesystem::path>{requested}) == 0;
}

size_t open_paths(App& app, const std::vector<std::filesystem::path>& paths) {
  OpenBatch batch(app, paths.size());
  for (const std::filesystem::path& path : paths) batch.open(path);
  return batch.finish();
}

void App::select_document(size_t index) {
  if (index >= documents.size()) return;
  hide_emoji_completion(*this);  // its trigger was typed in the document being left
  reset_key_modes();             // marks and visual ends of another text mean nothing here
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
void App::mark_edited(Document& document) {
  document.modified = true;
  ++document.revision;
  rebuild_tabs();
  SetTimer(main_window, timer_recovery, static_cast<UINT>(auto_save_seconds) * 1000u, nullptr);
}

void App::on_document_edited() {
  if (suppress_change || documents.empty()) return;
  status_text.clear();
  mark_edited(*current_document());
  update_title();
  SetTimer(main_window, timer_render, kRenderDelayMs, nullptr);
}

bool App::close_document(size_t index) {
  if (index >= documents.size()) return false;
  const Document* asked = documents[index].get();
  if (!confirm_save_changes(documents[index].get())) return false;
  // A save from the question may have closed another tab that showed the same file.
  const std::optional<size_t> at = tab_of(asked);
  if (!at) return true;
  index = *at;
  discard_tab(*this, index);

  if (!documents.empty()) {
    active_document = std::min(index, documents.size() - 1);
    rebuild_tabs();
    select_document(active_document);
  } else {
    // What the status bar reported (a find result, a save) was about documents now closed.
    status_text.clear();
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
  // One tab per file: a tab that shows the target already goes once the save succeeded, and
  // its unsaved changes are never overwritten.
  std::optional<size_t> other;
  try {
    other = other_tab_showing(*this, document, absolute_path(target));
    if (other && documents[*other]->modified) throw unsaved_tab_error(*this, *documents[*other]);
  } catch (const std::exception& error) {
    show_error(error);
    return false;
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
  if (other) drop_tab(*this, *other);
  set_status(vietnamese ? L"\u0110\u00E3 l\u01B0u tr\u00EAn m\u00E1y" : L"Saved locally");
  return true;
}

}  // namespace tavrel::win
