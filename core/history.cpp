#include "core/history.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <optional>
#include <ratio>
#include <system_error>

#include "core/fs_error.h"
#include "core/text_codec.h"
#include "core/text_convert.h"

namespace tavrel::win {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kFnvOffsetBasis = 0xcbf29ce484222325ull;
constexpr std::uint64_t kFnvPrime = 0x100000001b3ull;

// The UTF-16 units of a path: Windows keeps them natively; elsewhere the native bytes are UTF-8.
[[maybe_unused]] std::u16string path_units(const std::wstring& native) {
  return std::u16string(native.begin(), native.end());
}
[[maybe_unused]] std::u16string path_units(const std::string& native) {
  return utf8_to_utf16(native);
}

// The tick count a snapshot name stands for, when the name is one.
std::optional<std::int64_t> snapshot_ticks(const fs::path& snapshot) {
  const fs::path::string_type stem = snapshot.stem().native();
  if (stem.empty() || stem.size() > 18) return std::nullopt;  // 18 digits always fit in int64
  std::int64_t value = 0;
  for (const auto unit : stem) {
    if (unit < '0' || unit > '9') return std::nullopt;
    value = value * 10 + static_cast<std::int64_t>(unit - '0');
  }
  return value;
}

// Whether the newest snapshot holds exactly `current`. A snapshot that cannot be read (damaged,
// locked, not text) is no reason to refuse the save: a fresh snapshot is written instead.
bool newest_equals(const std::vector<fs::path>& sorted, const std::string& current) {
  if (sorted.empty()) return false;
  try {
    return read_text_file(sorted.back()) == current;
  } catch (const std::exception&) {
    return false;
  }
}

bool is_regular_file_at(const fs::path& file) {
  std::error_code ec;
  const fs::file_status status = fs::status(file, ec);
  if (status.type() == fs::file_type::not_found) return false;
  if (ec) throw_fs_error("status", file, ec);
  return status.type() == fs::file_type::regular;
}

void prune(std::vector<fs::path>& sorted) {
  for (const fs::path& old : snapshots_to_prune(sorted)) {
    std::error_code ec;
    fs::remove(old, ec);
    if (ec) throw_fs_error("remove", old, ec);
  }
  if (sorted.size() > kHistoryLimit) sorted.erase(sorted.begin(), sorted.end() - kHistoryLimit);
}

}  // namespace

std::uint64_t history_hash(std::u16string_view path_units) {
  std::uint64_t hash = kFnvOffsetBasis;
  for (const char16_t unit : path_units) {
    for (const unsigned byte : {unit & 0xFFu, (unit >> 8) & 0xFFu}) {
      hash ^= byte;
      hash *= kFnvPrime;
    }
  }
  return hash;
}

fs::path history_folder(const fs::path& history_root, const fs::path& file) {
  return history_root / std::to_string(history_hash(path_units(file.native())));
}

std::int64_t history_ticks_now() {
  using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>;
  return std::chrono::duration_cast<Ticks>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string history_snapshot_name(std::int64_t ticks) { return std::to_string(ticks) + ".md"; }

std::vector<fs::path> list_history_snapshots(const fs::path& folder) {
  std::vector<fs::path> snapshots;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec == std::errc::no_such_file_or_directory) return snapshots;
  if (ec) throw_fs_error("directory_iterator::directory_iterator", folder, ec);
  for (const fs::directory_iterator end; it != end;) {
    const bool regular = it->is_regular_file(ec);
    if (ec) throw_fs_error("directory_entry::status", it->path(), ec);
    if (regular && it->path().extension() == fs::path(".md")) snapshots.push_back(it->path());
    it.increment(ec);
    if (ec) throw_fs_error("directory_iterator::operator++", folder, ec);
  }
  std::sort(snapshots.begin(), snapshots.end());
  return snapshots;
}

std::vector<fs::path> snapshots_to_prune(const std::vector<fs::path>& sorted, std::size_t limit) {
  if (sorted.size() <= limit) return {};
  return std::vector<fs::path>(sorted.begin(), sorted.end() - static_cast<std::ptrdiff_t>(limit));
}

std::int64_t next_snapshot_ticks(const std::vector<fs::path>& sorted, std::int64_t now) {
  std::int64_t newest = -1;
  for (const fs::path& snapshot : sorted) {
    if (auto ticks = snapshot_ticks(snapshot)) newest = std::max(newest, *ticks);
  }
  if (newest >= now && newest < std::numeric_limits<std::int64_t>::max()) return newest + 1;
  return now;
}

fs::path save_history_snapshot(const fs::path& history_root, const fs::path& file,
                               const HistoryWriter& write, std::int64_t now_ticks) {
  if (!is_regular_file_at(file)) return {};
  const fs::path folder = history_folder(history_root, file);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) throw_fs_error("create_directories", folder, ec);

  std::vector<fs::path> sorted = list_history_snapshots(folder);
  const std::string current = read_text_file(file);
  if (newest_equals(sorted, current)) return {};

  const fs::path target = folder / history_snapshot_name(next_snapshot_ticks(sorted, now_ticks));
  write(target, current);
  sorted.push_back(target);
  prune(sorted);
  return target;
}

fs::path save_history_snapshot(const fs::path& history_root, const fs::path& file,
                               const HistoryWriter& write) {
  return save_history_snapshot(history_root, file, write, history_ticks_now());
}

}  // namespace tavrel::win
