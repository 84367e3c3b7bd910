// The three safety nets of the App: recovery snapshots of modified documents (written when the
// typing pauses and when Windows ends the session, offered again at the next start), auto-save
// of modified documents that have a file, and the history snapshot of a file's version on disk
// before anything overwrites it.
//
// A recovery snapshot becomes a tab only after it was read and checked whole. A damaged one is
// reported and left in the folder: a tab made from half of it would look unmodified, and closing
// that tab would delete the only copy of whatever could still be rescued by hand.
#include "core/recovery_win.h"

#include <richedit.h>

#include <filesystem>
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

// One auto-save; throws what the snapshot or the write throws, with the document still modified
// and its recovery file in place.
void auto_save_document(App& app, Document& document) {
  document.text = richedit_text_utf8(document.editor);
  const std::filesystem::path file(document.path);
  app.save_history_snapshot(file);
  write_document(document, file, false);
  app.remove_recovery_file(document);
  SendMessageW(document.editor, EM_SETMODIFY, FALSE, 0);
}

}  // namespace

std::wstring recovery_prompt_text(bool vietnamese) {
  return vietnamese
             ? L"C\u00F3 t\u00E0i li\u1EC7u ch\u01B0a l\u01B0u t\u1EEB phi\u00EAn tr\u01B0\u1EDBc. "
               L"M\u1EDF b\u1EA3n kh\u00F4i ph\u1EE5c ngay?"
             : L"Unsaved documents were recovered. Open them now?";
}

void App::save_recovery() {
  if (smoke_test) return;
  for (const auto& document : documents) {
    if (!document->modified) continue;
    document->text = richedit_text_utf8(document->editor);
    write_file_atomic(recovery_file_path(profile_dir, document->id),
                      build_recovery_snapshot(recovery_record(*document)));
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
    try {
      auto_save_document(*this, *document);
    } catch (const std::exception& error) {
      set_status(to_wide_lenient(error.what()));
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
