#pragma once
// The rows of the file-list dialogs (quick open, recent and pinned, document history): which
// files they offer, how a typed query ranks them, and the text of each row.
#include <nlohmann/json.hpp>

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace tavrel::win {

inline constexpr int kNoMatch = -100000;
inline constexpr std::size_t kFileListRowLimit = 300;

// A subsequence score of `query` in `name` (both UTF-8, letter case folded as find and replace
// folds it, so Vietnamese, Greek and Cyrillic letters match in either case):
// 25 for a match at the start of the name or after a separator, else 10, plus 4 for each match
// before it in an unbroken run, minus 1 for each name byte skipped. kNoMatch when the query is
// not a subsequence; 0 for an empty query.
int fuzzy_score(const std::string& query, const std::string& name);

// ".md", ".txt" or ".markdown", letter case included (".MD" is not Markdown here).
bool is_markdown_path(const std::filesystem::path& path);

// The last component of a path as UTF-8.
std::string file_name_utf8(const std::filesystem::path& path);

// The workspace's Markdown files, or the recent files when the workspace gives none.
std::vector<std::filesystem::path> quick_open_candidates(
    const std::vector<std::filesystem::path>& workspace_files, const nlohmann::json& settings);

// The pinned files, then the recent files that are not pinned.
std::vector<std::filesystem::path> recent_pinned_candidates(const nlohmann::json& settings);

// Every entry of a history folder, newest snapshot (largest name) first; none when the folder
// does not exist. A folder that cannot be listed throws a file-system error.
std::vector<std::filesystem::path> history_candidates(const std::filesystem::path& folder);

// The indices of the candidates whose names match `query`, best score first, candidates of
// equal score in their own order, at most kFileListRowLimit of them.
std::vector<std::size_t> rank_candidates(const std::string& query,
                                         const std::vector<std::filesystem::path>& candidates);

// "name    |    folder", marked with a star when the path is in the settings list "pins".
std::wstring file_row_text(const std::filesystem::path& path, const nlohmann::json& settings);

}  // namespace tavrel::win
