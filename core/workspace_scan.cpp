#include "core/workspace_scan.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>
#include <system_error>
#include <utility>

namespace tavrel::win {
namespace {

namespace fs = std::filesystem;
using NativeChar = fs::path::value_type;
using NativeView = std::basic_string_view<NativeChar>;

// Names are compared in the file system's own units (bytes on Linux, UTF-16 on Windows) against
// ASCII words, so no name is ever converted and none can fail to convert.
NativeChar fold_ascii(NativeChar c) {
  return (c >= NativeChar('A') && c <= NativeChar('Z')) ? NativeChar(c - 'A' + 'a') : c;
}

bool equals_ascii(NativeView name, std::string_view word, bool fold_case) {
  if (name.size() != word.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const NativeChar c = fold_case ? fold_ascii(name[i]) : name[i];
    if (c != NativeChar(static_cast<unsigned char>(word[i]))) return false;
  }
  return true;
}

bool equals_any(NativeView name, std::initializer_list<std::string_view> words, bool fold_case) {
  return std::any_of(words.begin(), words.end(),
                     [&](std::string_view word) { return equals_ascii(name, word, fold_case); });
}

}  // namespace

bool is_skipped_folder(const fs::path& name) {
  const NativeView text = name.native();
  if (!text.empty() && text.front() == NativeChar('.')) return true;
  return equals_any(text, {"node_modules", "build", "dist"}, false);
}

bool is_listed_file(const fs::path& name) {
  const fs::path extension = name.extension();
  return equals_any(extension.native(), {".md", ".markdown", ".txt", ".png", ".jpg", ".jpeg"},
                    true);
}

std::vector<fs::path> scan_workspace_files(const fs::path& root, std::size_t limit) {
  std::vector<fs::path> files;
  if (limit == 0) return files;
  std::error_code error;
  fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
  const fs::recursive_directory_iterator end;
  while (!error && it != end) {
    const fs::directory_entry& entry = *it;
    std::error_code type_error;
    if (entry.is_directory(type_error)) {
      if (is_skipped_folder(entry.path().filename())) it.disable_recursion_pending();
    } else if (entry.is_regular_file(type_error) && is_listed_file(entry.path().filename())) {
      files.push_back(entry.path());
      if (files.size() >= limit) break;
    }
    it.increment(error);
  }
  std::sort(files.begin(), files.end());
  return files;
}

WorkspaceScan scan_job(fs::path root) {
  WorkspaceScan scan;
  scan.files = scan_workspace_files(root, kWorkspaceFileLimit);
  scan.root = std::move(root);
  return scan;
}

ScanDecision decide_scan_result(const fs::path& scanned_root, const fs::path& workspace_root) {
  if (workspace_root.empty()) return ScanDecision::Drop;
  return scanned_root == workspace_root ? ScanDecision::Apply : ScanDecision::DropAndRescan;
}

}  // namespace tavrel::win
