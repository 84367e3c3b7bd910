#pragma once
// Recovery snapshots: the unsaved text of one modified document, kept in the profile folder so
// that a crash or a killed process loses nothing. One file per document, named after its id.
//
// A snapshot is read and checked whole before anything is made from it: a damaged file must
// never turn into a tab (closing such a tab would delete the file, and with it the only copy of
// whatever could still be rescued by hand).
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_codec.h"

namespace tavrel::win {

// What a recovery snapshot holds of a document.
struct RecoveryRecord {
  std::string text;   // UTF-8, LF line ends, as taken from the editor
  std::wstring path;  // absolute path (UTF-16 units); empty for an untitled document
  TextEncoding encoding = TextEncoding::Utf8;
  bool crlf = false;
  int64_t disk_time = 0;  // last write of the file, 100-ns units since 1601; 0 when never saved
};

// A snapshot read back from disk, with the id of the document it belongs to.
struct RecoveredDocument {
  std::string id;
  RecoveryRecord record;
};

// True for the text of a GUID as the system writes it: "{" 8-4-4-4-12 upper-case hexadecimal
// digits "}", 38 characters in all.
bool is_document_id(std::string_view id);

// profile_dir / "recovery" / (id + ".json"). Throws "Invalid document id" for any other id, so
// an id can never name a file outside the recovery folder.
std::filesystem::path recovery_file_path(const std::filesystem::path& profile_dir,
                                         std::string_view id);

// The compact JSON object of a snapshot: members in ascending key order, non-ASCII characters
// as UTF-8. Throws "Invalid UTF-8" for a text that is not UTF-8 and "Invalid UTF-16" for a path
// that is not UTF-16.
std::string build_recovery_snapshot(const RecoveryRecord& record);

// Reads a snapshot and checks every member; a member that is absent takes its default ("text"
// and "path" empty, "encoding" 0, "crlf" false, "diskTime" 0) and an "encoding" outside 0..3 is
// clamped into it. Throws std::runtime_error naming the damage: text that is not a JSON object,
// a member of the wrong type, a text or path that is not UTF-8 or holds a NUL character, a path
// that is not absolute, a negative or oversized "diskTime".
RecoveryRecord parse_recovery_snapshot(std::string_view json_text);

// The document id a recovery folder entry stands for: its name without ".json" when the
// extension is exactly ".json" and the rest is a document id; empty otherwise.
std::string recovery_id_from_file(const std::filesystem::path& file);

// The entries of the recovery folder whose extension is exactly ".json", in listing order. A
// folder that cannot be listed gives what was found before the failure (start-up must not end
// because the folder is missing or locked).
std::vector<std::filesystem::path> list_recovery_candidates(const std::filesystem::path& folder);

// Reads and checks one candidate completely. Throws std::runtime_error "Damaged recovery file
// NAME: REASON" for a name that is no document id, a file that cannot be read as text, or a
// damaged snapshot; the file itself is left alone.
RecoveredDocument load_recovery_snapshot(const std::filesystem::path& file);

// Whether a path (UTF-16 units) has a UTF-8 form: legal file names may hold an unpaired
// surrogate, which no JSON file of the program can store.
bool is_utf16_storable(std::wstring_view path);

// True for "X:\..." or "X:/..." and for UNC and device paths ("\\server\share", "\\?\...").
bool is_absolute_windows_path(std::wstring_view path);

}  // namespace tavrel::win
