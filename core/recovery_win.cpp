// The three safety nets of the App: recovery snapshots of modified documents (written when the
// typing pauses and when Windows ends the session, offered again at the next start), auto-save
// of modified documents that have a file, and the history snapshot of a file's version on disk
// before anything overwrites it.
//
// A recovery snapshot becomes a tab only after it was read and checked whole. A damaged one is
// reported and left in the folder: a tab made from half of it would look unmodified, and closing
// that tab would delete the only copy of whatever could still be rescued by hand.
#include "core/recovery_win.h"
#include "ui/tab_model.h"

#include <richedit.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#include "core/documents_win.h"
#include "core/file_io_win.h"
#include "core/history.h"
#include "core/recovery.h"
#include "core/text_convert.h"
#include "ui/editor_win.h"

namespace tavrel::win {
namespace {

RecoveryRecord recovery_record(const Document& document) {
  return RecoveryRecord{document.text, document.path, document.encoding, document.crlf,
                        document.disk_time};
}

// Opens one snapshot as a new, modified tab. Everything that can fail (reading, parsing, every
// member) happens before the tab exists, and nothing after the tab exists may fail before it is
// marked modified: the tab then carries the snapshot's id, so closing it unmodified would delete
// the file without a question.
void restore_snapshot(App& app, const std::filesystem::path& file) {
  RecoveredDocument recovered = load_recovery_snapshot(file);
  app.new_document(std::move(recovered.record.text));
  Document& document = *app.current_document();
  document.modified = true;
  document.id = std::move(recovered.id);
  document.path = std::move(recovered.record.path);
  document.encoding = recovered.record.encoding;
  document.crlf = recovered.record.crlf;
  document.disk_time = recovered.record.disk_time;
}

std::wstring failure_text(const App& app, const wchar_t* english, const wchar_t* vietnamese,
                          const Document& document, const std::exception& error) {
  return (app.vietnamese ? vietnamese : english) + document_name(document.path, app.vietnamese) +
         L": " + to_wide_lenient(error.what());
}

// Auto-save writes at every pause, so its history snapshot is taken once per opening: the
// version the file had before this opening's first auto-save is never pruned by later ones.
void keep_version_before_auto_save(App& app, const Document& document,
                                   const std::filesystem::path& file) {
  auto key = std::make_pair(document.id, document.path);
  if (app.auto_save_history_kept.contains(key)) return;
  try {
    app.save_history_snapshot(file);
  } catch (const std::exception& error) {
    const std::wstring text =
        failure_text(app, L"The history snapshot could not be written for ",
                     L"Kh\u00F4ng ghi \u0111\u01B0\u1EE3c b\u1EA3n l\u1ECBch s\u1EED c\u1EE7a ",
                     document, error);
    throw std::runtime_error(utf16_to_utf8_lenient(std::u16string(text.begin(), text.end())));
  }
  app.auto_save_history_kept.insert(std::move(key));
}

// One auto-save; throws what the snapshot or the write throws, with the document still modified
// and its recovery file in place.
void auto_save_document(App& app, Document& document) {
  document.text = richedit_text_utf8(document.editor);
  const std::filesystem::path file(document.path);
  keep_version_before_auto_save(app, document, file);
  write_document(document, file, false);
  app.remove_recovery_file(document);
  SendMessageW(document.editor, EM_SETMODIFY, FALSE, 0);
}

// The snapshot keeps the text whatever happens to the name: a path with no UTF-8 form is left
// out (the text comes back as an untitled document) and the status bar says so.
void write_recovery_snapshot(App& app, Document& document) {
  document.text = richedit_text_utf8(document.editor);
  RecoveryRecord record = recovery_record(document);
  const std::string name_cause = "recovery name " + document.id;
  if (!is_utf16_storable(record.path)) {
    record.path.clear();
    record.disk_time = 0;
    app.report_background_failure(
        name_cause,
        (app.vietnamese ? L"B\u1EA3n kh\u00F4i ph\u1EE5c c\u1EE7a "
                        : L"The recovery snapshot of ") +
            document_name(document.path, app.vietnamese) +
            (app.vietnamese ? L" gi\u1EEF n\u1ED9i dung nh\u01B0ng kh\u00F4ng gi\u1EEF "
                              L"\u0111\u01B0\u1EE3c t\u00EAn t\u1EC7p"
                            : L" keeps the text but not the file name, which cannot be stored"));
  }
  write_file_atomic(recovery_file_path(app.profile_dir, document.id),
                    build_recovery_snapshot(record));
}

}  // namespace

std::wstring recovery_prompt_text(bool vietnamese) {
  return vietnamese
             ? L"C\u00F3 t\u00E0i li\u1EC7u ch\u01B0a l\u01B0u t\u1EEB phi\u00EAn tr\u01B0\u1EDBc. "
               L"M\u1EDF b\u1EA3n kh\u00F4i ph\u1EE5c ngay?"
             : L"Unsaved documents were recovered. Open them now?";
}

// Every modified document gets its own attempt: one that cannot be written must not cost the
// others their snapshot.
void App::save_recovery() {
  if (smoke_test) return;
  for (const auto& document : documents) {
    if (!document->modified) continue;
    const std::string cause = "recovery " + document->id;
    try {
      write_recovery_snapshot(*this, *document);
      clear_background_failure(cause);
    } catch (const std::exception& error) {
      report_background_failure(
          cause, failure_text(*this, L"The recovery snapshot could not be written for ",
                              L"Kh\u00F4ng ghi \u0111\u01B0\u1EE3c b\u1EA3n kh\u00F4i "
                              L"ph\u1EE5c c\u1EE7a ",
                              *document, error));
    }
  }
}

void App::restore_recovery() {
  if (smoke_test) return;
  const std::vector<std::filesystem::path> candidates =
      list_recovery_candidates(profile_dir / L"recovery");
  if (candidates.empty()) return;
  // Any answer but Yes keeps the files for the next start.
  if (ask_user(*this, recovery_prompt_text(vietnamese), L"Tavrel", MB_YESNO | MB_ICONQUESTION) !=
      IDYES)
    return;
  for (const std::filesystem::path& candidate : candidates) {
    try {
      restore_snapshot(*this, candidate);
    } catch (const std::exception& error) {
      set_status(to_wide_lenient(error.what()));
    }
  }
  rebuild_tabs();
  update_title();
}

// A malformed id names no file of ours, and a file that is already gone is what we wanted.
void App::remove_recovery_file(const Document& document) {
  try {
    std::error_code ignored;
    std::filesystem::remove(recovery_file_path(profile_dir, document.id), ignored);
  } catch (...) {}
}

void App::auto_save_documents() {
  if (!auto_save) return;
  for (const auto& document : documents) {
    if (!document->modified || document->path.empty()) continue;
    const std::string cause = "auto-save " + document->id;
    try {
      auto_save_document(*this, *document);
      clear_background_failure(cause);
    } catch (const std::exception& error) {
      report_background_failure(cause, to_wide_lenient(error.what()));
    }
  }
  rebuild_tabs();
  update_title();
}

void App::save_history_snapshot(const std::filesystem::path& path) {
  tavrel::win::save_history_snapshot(
      profile_dir / L"history", path,
      [](const std::filesystem::path& target, const std::string& bytes) {
        write_file_atomic(target, bytes);
      });
}

void save_recovery_at_session_end(App& app) noexcept {
  try {
    app.save_recovery();
  } catch (const std::exception& error) {
    try {
      app.set_status(to_wide_lenient(error.what()));
    } catch (...) {}
  } catch (...) {}
}

}  // namespace tavrel::win
