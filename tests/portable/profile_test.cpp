#include "core/profile.h"

#include <gtest/gtest.h>

#include "tests/portable/test_support.h"

using namespace tavrel::win;

TEST(ProfileChoice, CommandLineAndSelfTestRules) {
  const std::filesystem::path def = "default", tmp = "tmp";
  auto choose = [&](std::vector<std::wstring> args, bool smoke) {
    return choose_profile_dir(def, args, smoke, tmp, 42);
  };
  ProfileChoice plain = choose({L"tavrel.exe", L"a.md"}, false);
  EXPECT_EQ(plain.dir, def);
  EXPECT_FALSE(plain.custom);
  ProfileChoice two = choose({L"t", L"--profile", L"one", L"--profile", L"two"}, false);
  EXPECT_EQ(two.dir, std::filesystem::path("two"));
  EXPECT_TRUE(two.custom);
  ProfileChoice last = choose({L"t", L"x.md", L"--profile"}, false);
  EXPECT_EQ(last.dir, def);
  EXPECT_FALSE(last.custom);
  EXPECT_EQ(choose({L"t", L"--PROFILE", L"x"}, false).dir, def) << "the option is case-sensitive";
  EXPECT_EQ(choose({L"t", L"--benchmark"}, false).dir, def);
  ProfileChoice smoke = choose({L"t", L"--profile", L"given", L"--smoke-test"}, true);
  EXPECT_EQ(smoke.dir, tmp / "Tavrel-smoke-42");
  EXPECT_TRUE(smoke.custom);
  // The value after "--profile" is a folder even when it looks like an option.
  EXPECT_EQ(choose({L"t", L"--profile", L"--profile", L"x"}, false).dir,
            std::filesystem::path("--profile"));
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
