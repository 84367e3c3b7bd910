#pragma once
// Listing the Markdown, text and image files below the workspace folder. The walk runs on a
// background task; its result names the folder it was made for, so that a result that arrives
// after the user opened another folder can be recognised and dropped.
#include <cstddef>
#include <filesystem>
#include <vector>

namespace tavrel::win {

// The most files a workspace lists.
inline constexpr std::size_t kWorkspaceFileLimit = 20000;

struct WorkspaceScan {
  std::filesystem::path root;                // the folder that was walked
  std::vector<std::filesystem::path> files;  // root-joined paths, sorted, at most the limit
};

// What the UI thread does with a finished scan.
enum class ScanDecision {
  Apply,          // the result belongs to the current workspace
  Drop,           // no workspace is open any more
  DropAndRescan,  // another folder is the workspace now: scan that one
};

// True when a folder of this name is not walked: dot-folders, "node_modules", "build", "dist"
// (exact case).
bool is_skipped_folder(const std::filesystem::path& name);

// True when a file of this name is listed: ".md", ".markdown", ".txt", ".png", ".jpg" or
// ".jpeg" as its extension, in any ASCII letter case.
bool is_listed_file(const std::filesystem::path& name);

// Walks the tree below `root` and returns the listed files, sorted; the walk stops once `limit`
// files are listed. Unreadable folders are skipped, an error that ends the iteration ends the
// walk with what was found, and no file name ever needs converting, so nothing here throws for
// a name the system code page cannot spell.
std::vector<std::filesystem::path> scan_workspace_files(const std::filesystem::path& root,
                                                        std::size_t limit);

// The task body: the files below `root` with the workspace limit, and the root itself.
WorkspaceScan scan_job(std::filesystem::path root);

// Whether a result made for `scanned_root` may replace the list of `workspace_root`.
ScanDecision decide_scan_result(const std::filesystem::path& scanned_root,
                                const std::filesystem::path& workspace_root);

}  // namespace tavrel::win
