// What the program does when its profile or a file name works against it: a damaged or hostile
// settings.json, a %TMP% naming nothing, a file name with an unpaired surrogate, background
// writes that fail, and auto-save against the file's history.
#include <windows.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

#include "core/history.h"
#include "core/recovery.h"
#include "tests/win/app_window_fixture_win.h"
#include "tests/win/window_test_support_win.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;
using tavrel::test::BoxWatcher;
using tavrel::test::read_bytes;
using tavrel::test::TempDir;
using tavrel::test::write_bytes;

namespace {

std::unique_ptr<App> start_on(const TempDir& profile) {
  return std::make_unique<App>(
      GetModuleHandleW(nullptr), false,
      std::vector<std::wstring>{L"tavrel.exe", L"--profile", profile.path().native()});
}

bool contains(const std::wstring& text, const wchar_t* part) {
  return text.find(part) != std::wstring::npos;
}

using ProfileFaultsTest = AppWindowTest;

}  // namespace

TEST(SettingsFile, UnreadableFileStartsOnDefaultsAndIsKeptBeforeTheFirstSave) {
  const std::string deep = "{\"x\":" + std::string(50000, '[') + std::string(50000, ']') + "}";
  const struct {
    const char* name;
    std::string content;
    bool unreadable;
  } rows[] = {{"deep nesting", deep, true},
              {"garbage", "{\"fontSize\": 20,", true},
              {"no object", "[1]", true},
              {"sound", "{\"fontSize\": 20}", false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir profile;
    write_bytes(profile / "settings.json", row.content);
    write_bytes(profile / "settings.json.bad", "older");
    std::unique_ptr<App> app = start_on(profile);
    EXPECT_EQ(app->font_size, row.unreadable ? 12 : 20);
    EXPECT_EQ(contains(app->status_text, L"default settings"), row.unreadable);

    app->save_settings();
    EXPECT_TRUE(read_bytes(profile / "settings.json.bad") ==
                (row.unreadable ? row.content : "older"));  // no 100 KB of brackets in the log
    EXPECT_EQ(contains(app->status_text, L"settings.json.bad"), row.unreadable);
    EXPECT_TRUE(nlohmann::json::accept(read_bytes(profile / "settings.json")));
    write_bytes(profile / "settings.json.bad", "older");
    app->save_settings();  // only the first save keeps the copy
    EXPECT_EQ(read_bytes(profile / "settings.json.bad"), "older");
  }
}

TEST(Profile, StartsWhenTmpNamesAMissingFolder) {
  TempDir profile;
  wchar_t tmp[MAX_PATH] = {}, temp[MAX_PATH] = {};
  GetEnvironmentVariableW(L"TMP", tmp, MAX_PATH);
  GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
  const std::wstring missing = (profile.path() / L"no such folder").native();
  SetEnvironmentVariableW(L"TMP", missing.c_str());
  SetEnvironmentVariableW(L"TEMP", missing.c_str());
  EXPECT_EQ(tavrel::test::error_text([&] { start_on(profile); }), "");
  SetEnvironmentVariableW(L"TMP", tmp);
  SetEnvironmentVariableW(L"TEMP", temp);
}

// Three modified documents: one named with an unpaired surrogate, one whose snapshot cannot be
// written, one ordinary. Each keeps what it can, and only the status bar speaks, once.
TEST_F(ProfileFaultsTest, EveryDocumentKeepsWhatItCanOfItsSnapshot) {
  Document& odd = add_document();
  type_text(L"odd text");
  odd.path = (profile_.path() / L"a\xD800.md").native();
  Document& blocked = add_document();
  type_text(L"blocked text");
  std::filesystem::create_directories(profile_ / "recovery" / (blocked.id + ".json"));
  Document& plain = add_document();
  type_text(L"plain text");

  BoxWatcher boxes;
  app_->save_recovery();
  EXPECT_EQ(parse_recovery_snapshot(read_bytes(recovery_file_path(profile_.path(), odd.id))).text,
            "odd text");
  EXPECT_EQ(parse_recovery_snapshot(read_bytes(recovery_file_path(profile_.path(), plain.id))).text,
            "plain text");
  EXPECT_TRUE(contains(app_->status_text, L"recovery snapshot"));
  app_->status_text.clear();
  app_->save_recovery();
  EXPECT_EQ(app_->status_text, L"");
  EXPECT_TRUE(boxes.boxes().empty());
}

// Wine cannot create such a file (its names are UTF-8 underneath), so the save is shown up to the
// step that failed after the file was written: remembering it.
TEST_F(ProfileFaultsTest, UnpairedSurrogateNameStaysOutOfTheRecentList) {
  app_->add_recent(profile_.path() / L"a.md");
  EXPECT_EQ(tavrel::test::error_text([&] { app_->add_recent(profile_.path() / L"b\xDC00.md"); }),
            "");
  EXPECT_EQ(app_->settings["recent"].size(), 1u);
}

TEST_F(ProfileFaultsTest, SettingsWriteFailureIsNamedInTheStatusBarOnce) {
  std::filesystem::create_directories(profile_ / "settings.json" / "in the way");
  BoxWatcher boxes;
  app_->save_settings();
  EXPECT_TRUE(contains(app_->status_text, L"Settings could not be saved"));
  app_->status_text.clear();
  app_->save_settings();
  EXPECT_EQ(app_->status_text, L"");
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(ProfileFaultsTest, AutoSaveNeverPushesTheOpeningVersionOutOfHistory) {
  TempDir files;
  write_bytes(files / "notes.md", "as opened\n");
  ASSERT_TRUE(app_->open_path(files / "notes.md"));
  app_->auto_save = true;
  for (int pause = 0; pause < 24; ++pause) {
    type_text(L"x");
    app_->auto_save_documents();
  }
  const auto history = list_history_snapshots(
      history_folder(profile_.path() / "history", app_->current_document()->path));
  EXPECT_LE(history.size(), kHistoryLimit);
  EXPECT_TRUE(std::any_of(history.begin(), history.end(),
                          [](const auto& s) { return read_bytes(s) == "as opened\n"; }));
}
