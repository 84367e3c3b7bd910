#include "core/profile.h"

#include "core/fs_error.h"

namespace tavrel::win {

ProfileChoice choose_profile_dir(const std::filesystem::path& default_dir,
                                 const std::vector<std::wstring>& args, bool smoke_test,
                                 const std::filesystem::path& temp_dir, unsigned long process_id) {
  ProfileChoice choice{default_dir, false};
  for (size_t i = 1; i + 1 < args.size(); ++i) {
    if (args[i] == L"--profile") {
      choice.dir = std::filesystem::path(args[i + 1]);
      choice.custom = true;
      ++i;
    }
  }
  if (smoke_test) {
    choice.dir = temp_dir / ("Tavrel-smoke-" + std::to_string(process_id));
    choice.custom = true;
  }
  return choice;
}

void create_profile_folders(const std::filesystem::path& dir) {
  for (const char* name : {"recovery", "history"}) {
    std::error_code ec;
    std::filesystem::create_directories(dir / name, ec);
    if (ec) throw_fs_error("create_directories", dir / name, ec);
  }
}

void remove_leftover_profile(const std::filesystem::path& dir) {
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  if (ec) throw_fs_error("remove_all", dir, ec);
}

}  // namespace tavrel::win
