#include "core/profile.h"

#include <gtest/gtest.h>

#include "tests/portable/test_support.h"

using namespace tavrel::win;

TEST(ProfileChoice, CommandLineAndSelfTestRules) {
  const std::filesystem::path def = "default";
  const auto choose = [&](std::vector<std::wstring> args, bool smoke) {
    const ProfileChoice choice = choose_profile_dir(def, args, smoke, "tmp", 42);
    return std::pair(choice.dir, choice.custom);
  };
  const std::tuple<std::vector<std::wstring>, bool, std::filesystem::path, bool> cases[] = {
      {{L"tavrel.exe", L"a.md"}, false, def, false},
      {{L"t", L"--profile", L"one", L"--profile", L"two"}, false, "two", true},
      {{L"t", L"x.md", L"--profile"}, false, def, false},
      {{L"t", L"--PROFILE", L"x"}, false, def, false},  // the option is case-sensitive
      {{L"t", L"--benchmark"}, false, def, false},
      {{L"t", L"--profile", L"given", L"--smoke-test"}, true, "tmp/Tavrel-smoke-42", true},
      // The value after "--profile" is a folder even when it looks like an option.
      {{L"t", L"--profile", L"--profile", L"x"}, false, "--profile", true}};
  for (const auto& [args, smoke, dir, custom] : cases) {
    EXPECT_EQ(choose(args, smoke), std::pair(dir, custom)) << dir;
  }
}

TEST(ProfileFolders, CreatedTogetherOrFailWithTheOperationName) {
  tavrel::test::TempDir dir;
  create_profile_folders(dir / "new" / "Tavrel");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "new" / "Tavrel" / "recovery"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "new" / "Tavrel" / "history"));
  tavrel::test::write_bytes(dir / "file", "x");
  std::string error = tavrel::test::error_text([&] { create_profile_folders(dir / "file" / "p"); });
  EXPECT_NE(error.find("create_directories"), std::string::npos) << error;
}
