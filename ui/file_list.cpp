// Ranking runs on every keystroke over up to the workspace scan's 20000 paths, so the score is
// one forward pass over bytes and the list keeps only the best 300.
#include "ui/file_list.h"

#include <algorithm>
#include <utility>

#include "ui/case_fold.h"

namespace tavrel::win {
namespace fs = std::filesystem;
namespace {

bool is_separator(char c) { return c == '/' || c == '\\'; }

// The strings of a settings list as paths, in list order; a missing list gives none.
std::vector<fs::path> settings_paths(const nlohmann::json& settings, const char* key) {
  std::vector<fs::path> paths;
  const auto list = settings.find(key);
  if (list == settings.end() || !list->is_array()) return paths;
  for (const auto& entry : *list) {
    if (!entry.is_string()) continue;
    const std::string& text = entry.get_ref<const std::string&>();
    paths.emplace_back(std::u8string(text.begin(), text.end()));
  }
  return paths;
}

std::string path_utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

bool is_pinned(const fs::path& path, const nlohmann::json& settings) {
  const auto pins = settings.find("pins");
  if (pins == settings.end() || !pins->is_array()) return false;
  const std::string text = path_utf8(path);
  return std::any_of(pins->begin(), pins->end(),
                     [&](const nlohmann::json& pin) { return pin.is_string() && pin == text; });
}

}  // namespace

int fuzzy_score(const std::string& typed, const std::string& file_name) {
  if (typed.empty()) return 0;
  // Folding keeps every character's byte length, so the score counts the bytes of the name.
  const std::string query = fold_case_utf8(typed);
  const std::string name = fold_case_utf8(file_name);
  int score = 0;
  int run = 0;
  size_t p = 0;
  for (size_t i = 0; i < query.size(); ++i) {
    const char wanted = query[i];
    for (;; ++p) {
      if (p >= name.size()) return kNoMatch;
      if (name[p] == wanted) break;
      --score;
      run = 0;
    }
    score += (p == 0 || is_separator(name[p - 1])) ? 25 : 10;
    score += 4 * run;
    ++p;
    ++run;
  }
  return score;
}

bool is_markdown_path(const fs::path& path) {
  const fs::path extension = path.extension();
  return extension == ".md" || extension == ".txt" || extension == ".markdown";
}

std::string file_name_utf8(const fs::path& path) { return path_utf8(path.filename()); }

std::vector<fs::path> quick_open_candidates(const std::vector<fs::path>& workspace_files,
                                            const nlohmann::json& settings) {
  std::vector<fs::path> candidates;
  std::copy_if(workspace_files.begin(), workspace_files.end(), std::back_inserter(candidates),
               is_markdown_path);
  if (candidates.empty()) candidates = settings_paths(settings, "recent");
  return candidates;
}

std::vector<fs::path> recent_pinned_candidates(const nlohmann::json& settings) {
  std::vector<fs::path> candidates = settings_paths(settings, "pins");
  for (fs::path& recent : settings_paths(settings, "recent")) {
    if (std::find(candidates.begin(), candidates.end(), recent) == candidates.end())
      candidates.push_back(std::move(recent));
  }
  return candidates;
}

std::vector<fs::path> history_candidates(const fs::path& folder) {
  std::vector<fs::path> candidates;
  std::error_code error;
  if (!fs::is_directory(folder, error)) return candidates;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    candidates.push_back(entry.path());
  std::sort(candidates.begin(), candidates.end(),
            [](const fs::path& a, const fs::path& b) { return a.native() > b.native(); });
  return candidates;
}

std::vector<size_t> rank_candidates(const std::string& query,
                                    const std::vector<fs::path>& candidates) {
  std::vector<std::pair<int, size_t>> kept;
  for (size_t i = 0; i < candidates.size(); ++i) {
    const int score = fuzzy_score(query, file_name_utf8(candidates[i]));
    if (score > kNoMatch) kept.emplace_back(score, i);
  }
  std::stable_sort(kept.begin(), kept.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<size_t> rows;
  for (size_t i = 0; i < kept.size() && i < kFileListRowLimit; ++i) rows.push_back(kept[i].second);
  return rows;
}

std::wstring file_row_text(const fs::path& path, const nlohmann::json& settings) {
  std::wstring text = is_pinned(path, settings) ? L"\u2605  " : L"";
  text += path.filename().wstring() + L"    |    " + path.parent_path().wstring();
  return text;
}

}  // namespace tavrel::win
