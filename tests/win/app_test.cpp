// The application object's settings file on the real file system: repaired when read, written
// in its exact form, kept when a write fails, never written in self-test mode.
#include "core/app_win.h"

#include <gtest/gtest.h>

#include "core/settings.h"
#include "tests/portable/test_support.h"

using namespace tavrel::win;
using tavrel::test::read_bytes;
using tavrel::test::TempDir;
using tavrel::test::write_bytes;

namespace {

// An App on the temporary folder `dir`; its own self-test folder is removed again.
class AppSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EXPECT_TRUE(std::filesystem::is_directory(app_.profile_dir / "recovery"));
    app_.save_settings();
    EXPECT_FALSE(std::filesystem::exists(app_.profile_dir / "settings.json"))
        << "self-test mode never writes settings";
    std::filesystem::remove_all(app_.profile_dir);
    app_.profile_dir = dir_.path();
    app_.smoke_test = false;
  }

  App app_{GetModuleHandleW(nullptr), true};
  TempDir dir_;
};

}  // namespace

TEST_F(AppSettingsTest, LoadRepairsAndSaveWritesTheExactForm) {
  std::filesystem::create_directory(dir_ / "work");
  // UTF-16 with CRLF: the settings file goes through the same reader as documents.
  const std::string json_text = "{\r\n\"fontSize\": 40, \"language\": \"vi\", \"theme\": 5,\r\n"
                                "\"workspace\": \"" + (dir_ / "work").generic_string() +
                                "\",\r\n\"extra\": {\"kept\": [1, \"\xC6\xB0\"]}}";
  write_bytes(dir_ / "settings.json", encode_text_bytes(json_text, false, TextEncoding::Utf16Le));
  app_.load_settings();
  EXPECT_EQ(app_.font_size, 32);
  EXPECT_TRUE(app_.vietnamese);
  EXPECT_EQ(app_.theme, 2);
  EXPECT_EQ(app_.workspace_root, dir_ / "work");

  app_.add_recent(L"C:\\docs\\Ghi ch\u00FA.md");
  app_.save_settings();
  const nlohmann::json saved = nlohmann::json::parse(read_bytes(dir_ / "settings.json"));
  EXPECT_EQ(saved["recent"][0], "C:\\docs\\Ghi ch\xC3\xBA.md");
  EXPECT_EQ(saved["extra"], nlohmann::json::parse(R"({"kept":[1,"ư"]})"));
  EXPECT_EQ(read_bytes(dir_ / "settings.json"), dump_settings(app_.settings));

  write_bytes(dir_ / "settings.json", "{\"workspace\": \"Z:\\\\no\\\\such\\\\folder\"}");
  app_.load_settings();
  EXPECT_TRUE(app_.workspace_root.empty());
  write_bytes(dir_ / "settings.json", std::string("\0\0", 2));
  app_.load_settings();
  EXPECT_EQ(app_.font_size, 12) << "an unreadable file starts from the defaults";
}

TEST_F(AppSettingsTest, FailedSaveKeepsThePreviousFile) {
  write_bytes(dir_ / "settings.json", "{\"fontSize\": 20}");
  HANDLE holder = CreateFileW((dir_ / "settings.json").c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_THROW(app_.save_settings(), std::runtime_error);
  CloseHandle(holder);
  EXPECT_EQ(read_bytes(dir_ / "settings.json"), "{\"fontSize\": 20}");
}
