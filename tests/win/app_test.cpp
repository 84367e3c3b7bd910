// The application object's profile folder and settings file, on the real file system.
#include "core/app_win.h"

#include <gtest/gtest.h>

#include "core/settings.h"
#include "tests/portable/test_support.h"

using namespace tavrel::win;
using tavrel::test::read_bytes;
using tavrel::test::TempDir;
using tavrel::test::write_bytes;

TEST(AppProfile, SelfTestGetsItsOwnFolderWithRecoveryAndHistory) {
  App app(GetModuleHandleW(nullptr), true);
  std::filesystem::path expected = std::filesystem::temp_directory_path() /
                                   ("Tavrel-smoke-" + std::to_string(GetCurrentProcessId()));
  EXPECT_EQ(app.profile_dir, expected);
  EXPECT_TRUE(app.custom_profile);
  EXPECT_TRUE(std::filesystem::is_directory(app.profile_dir / "recovery"));
  EXPECT_TRUE(std::filesystem::is_directory(app.profile_dir / "history"));
  app.save_settings();
  EXPECT_FALSE(std::filesystem::exists(app.profile_dir / "settings.json"))
      << "self-test mode never writes settings";
  std::filesystem::remove_all(app.profile_dir);
}

TEST(AppSettings, LoadRepairsAndSaveWritesTheExactForm) {
  App app(GetModuleHandleW(nullptr), true);
  std::filesystem::path smoke_dir = app.profile_dir;
  TempDir dir;
  std::filesystem::create_directory(dir / "work");
  app.profile_dir = dir.path();
  app.smoke_test = false;
  // UTF-16 with CRLF: the settings file goes through the same reader as documents.
  std::string json_text =
      "{\r\n\"fontSize\": 40, \"language\": \"vi\", \"theme\": 5,\r\n"
      "\"workspace\": \"" +
      (dir / "work").generic_string() +
      "\",\r\n"
      "\"extra\": {\"kept\": [1, \"ư\"]}, \"layoutVersion\": 1}";
  write_bytes(dir / "settings.json", encode_text_bytes(json_text, false, TextEncoding::Utf16Le));
  app.load_settings();
  EXPECT_EQ(app.font_size, 32);
  EXPECT_TRUE(app.vietnamese);
  EXPECT_EQ(app.theme, 2);
  EXPECT_EQ(app.workspace_root, dir / "work");

  app.add_recent(L"C:\\docs\\Ghi chú.md");
  app.save_settings();
  nlohmann::json saved = nlohmann::json::parse(read_bytes(dir / "settings.json"));
  EXPECT_EQ(saved["fontSize"], 32);
  EXPECT_EQ(saved["recent"][0], "C:\\docs\\Ghi chú.md");
  EXPECT_EQ(saved["extra"], nlohmann::json::parse(R"({"kept":[1,"ư"]})"));
  EXPECT_EQ(read_bytes(dir / "settings.json"), dump_settings(app.settings));

  write_bytes(dir / "settings.json", "{\"workspace\": \"Z:\\\\no\\\\such\\\\folder\"}");
  app.load_settings();
  EXPECT_TRUE(app.workspace_root.empty());
  write_bytes(dir / "settings.json", std::string("\0\0", 2));
  app.load_settings();
  EXPECT_TRUE(app.settings.is_object()) << "an unreadable file starts from the defaults";
  EXPECT_EQ(app.font_size, 12);
  std::filesystem::remove_all(smoke_dir);
}

TEST(AppSettings, FailedSaveKeepsThePreviousFile) {
  App app(GetModuleHandleW(nullptr), true);
  std::filesystem::path smoke_dir = app.profile_dir;
  TempDir dir;
  app.profile_dir = dir.path();
  app.smoke_test = false;
  write_bytes(dir / "settings.json", "{\"fontSize\": 20}");
  HANDLE holder =
      CreateFileW((dir / "settings.json").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  app.save_settings();
  CloseHandle(holder);
  EXPECT_NE(app.status_text.find(L"Settings could not be saved"), std::wstring::npos);
  EXPECT_EQ(read_bytes(dir / "settings.json"), "{\"fontSize\": 20}");
  std::filesystem::remove_all(smoke_dir);
}
