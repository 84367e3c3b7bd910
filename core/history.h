#pragma once
// History snapshots: before a save overwrites a file, the version on disk is copied into a
// folder of its own under the profile's "history" folder, which keeps the newest versions.
//
// Files are written through a writer the caller hands in (the program's atomic writer), so the
// rules here stay free of the platform and can be exercised with a plain writer.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::win {

// The most snapshots one file keeps.
inline constexpr std::size_t kHistoryLimit = 20;

// Writes `bytes` as the whole content of `target`; throws on failure.
using HistoryWriter =
    std::function<void(const std::filesystem::path& target, const std::string& bytes)>;

// 64-bit FNV-1a over the bytes of the UTF-16 units, low byte first. No case folding: the same
// file reached with other letter case gets another folder.
std::uint64_t history_hash(std::u16string_view path_units);

// history_root / decimal hash of the file's path as the document holds it.
std::filesystem::path history_folder(const std::filesystem::path& history_root,
                                     const std::filesystem::path& file);

// 100-ns ticks since 1 January 1970 (UTC) on the system clock.
std::int64_t history_ticks_now();

// Decimal ticks + ".md".
std::string history_snapshot_name(std::int64_t ticks);

// The snapshots of one history folder: its regular files with the extension ".md", sorted in
// path order (oldest first, since names are tick counts of one length). A folder that does not
// exist has none. Other listing failures throw file-system errors named
// "directory_iterator::directory_iterator", "directory_entry::status" and
// "directory_iterator::operator++".
std::vector<std::filesystem::path> list_history_snapshots(const std::filesystem::path& folder);

// The entries that go when a sorted list is cut down to `limit`: the oldest, from the front.
std::vector<std::filesystem::path> snapshots_to_prune(
    const std::vector<std::filesystem::path>& sorted, std::size_t limit = kHistoryLimit);

// The tick count for a new snapshot: `now`, or one more than the newest existing snapshot when
// the clock is not past it (same tick, or a clock set back), so a new snapshot never replaces an
// older one and always sorts last.
std::int64_t next_snapshot_ticks(const std::vector<std::filesystem::path>& sorted,
                                 std::int64_t now);

// Keeps the version of `file` on disk before it is overwritten. Nothing happens when the path
// is absent or no regular file. Otherwise the file is read as text (UTF-8, LF line ends) and
// written into its history folder unless it equals the newest snapshot byte for byte; a newest
// snapshot that cannot be read counts as different. Then the oldest snapshots beyond the limit
// are removed. Returns the snapshot written, or an empty path when none was.
// Throws file-system errors "status", "create_directories", the listing errors above and
// "remove", the read errors of the file itself, and whatever the writer throws.
std::filesystem::path save_history_snapshot(const std::filesystem::path& history_root,
                                            const std::filesystem::path& file,
                                            const HistoryWriter& write, std::int64_t now_ticks);

// The same at the current time.
std::filesystem::path save_history_snapshot(const std::filesystem::path& history_root,
                                            const std::filesystem::path& file,
                                            const HistoryWriter& write);

}  // namespace tavrel::win
