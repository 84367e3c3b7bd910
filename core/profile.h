#pragma once
// Which folder holds this run's settings, snapshots and history.
#include <filesystem>
#include <string>
#include <vector>

namespace tavrel::win {

struct ProfileChoice {
  std::filesystem::path dir;
  bool custom = false;  // from "--profile", or the isolated self-test folder
};

// `args` is the whole command line, program name first. The last "--profile FOLDER" wins;
// self-test mode always gets its own temporary folder named after the process.
ProfileChoice choose_profile_dir(const std::filesystem::path& default_dir,
                                 const std::vector<std::wstring>& args, bool smoke_test,
                                 const std::filesystem::path& temp_dir, unsigned long process_id);

// Creates the folder with its "recovery" and "history" folders; throws a file-system error
// naming "create_directories".
void create_profile_folders(const std::filesystem::path& dir);

// The self-test folder is named after the process, and process ids come round again: whatever
// an earlier run left under the same name (its saved test file, its settings) is removed first,
// so that every run starts from an empty folder. Throws a file-system error naming "remove_all".
void remove_leftover_profile(const std::filesystem::path& dir);

}  // namespace tavrel::win
