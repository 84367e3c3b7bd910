// A hostile settings.json, a %TMP% naming nothing, a name with an unpaired surrogate, failing
// background writes, and auto-save against the file's history.
#include <windows.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

#include "core/history.h"
#include "core/recovery.h"
#include "tests/win/app_window_fixture_win.h"

using namespace tavrel::win;
using namespace tavrel::test;

namespace {

std::unique_ptr<App> start_on(const TempDir& profile) {
  return std::make_unique<App>(GetModuleHandleW(nullptr), false,
                               std::vector<std::wstring>{L"x", L"--profile", profile.path()});
}

bool has(const std::wstring& text, const wchar_t* part) { return text.find(part) != text.npos; }

using ProfileFaultsTest = AppWindowTest;

}  // namespace

TEST(SettingsFile, UnreadableFileStartsOnDefaultsAndIsKeptBeforeTheFirstSave) {
  const std::string deep = "{\"x\":" + std::string(50000, '[') + std::string(50000, ']') + "}";
  const std::pair<std::string, bool> rows[] = {
      {deep, true}, {"{\"fontSize\": 20,", true}, {"[1]", true}, {"{\"fontSize\": 20}", false}};
  for (const auto& [content, unreadable] : rows) {
    SCOPED_TRACE(content.substr(0, 20));
    TempDir profile;
    write_bytes(profile / "settings.json", content);
    write_bytes(profile / "settings.json.bad", "older");
    std::unique_ptr<App> app = start_on(profile);
    EXPECT_EQ(app->font_size, unreadable ? 12 : 20);
    EXPECT_EQ(has(app->status_text, L"default settings"), unreadable);
    app->save_settings();
    EXPECT_TRUE(read_bytes(profile / "settings.json.bad") == (unreadable ? content : "older"));
    EXPECT_EQ(has(app->status_text, L"settings.json.bad"), unreadable);
    EXPECT_TRUE(nlohmann::json::accept(read_bytes(profile / "settings.json")));
    write_bytes(profile / "settings.json.bad", "older");
    app->save_settings();  // only the first save keeps a copy
    EXPECT_EQ(read_bytes(profile / "settings.json.bad"), "older");
  }
}

TEST(Profile, StartsWhenTmpNamesAMissingFolder) {
  TempDir profile;
  wchar_t tmp[MAX_PATH] = {}, temp[MAX_PATH] = {};
  GetEnvironmentVariableW(L"TMP", tmp, MAX_PATH);
  GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
  SetEnvironmentVariableW(L"TMP", (profile.path() / L"none").c_str());
  SetEnvironmentVariableW(L"TEMP", (profile.path() / L"none").c_str());
  EXPECT_EQ(error_text([&] { start_on(profile); }), "");
  SetEnvironmentVariableW(L"TMP", tmp);
  SetEnvironmentVariableW(L"TEMP", temp);
}

// A document named with an unpaired surrogate (Wine cannot create such a file, so its save is
// shown at the step that failed after the write: the recent list), one whose snapshot cannot be
// written, one ordinary, and settings that cannot be written: each keeps what it can, and only
// the status bar speaks, once per cause.
TEST_F(ProfileFaultsTest, BackgroundFailuresKeepWhatTheyCanAndSpeakOnce) {
  Document& odd = add_document();
  type_text(L"odd text");
  odd.path = (profile_.path() / L"a\xD800.md").native();
  EXPECT_EQ(error_text([&] { app_->add_recent(odd.path); }), "");
  EXPECT_FALSE(app_->settings.contains("recent"));
  Document& blocked = add_document();
  type_text(L"blocked");
  std::filesystem::create_directories(profile_ / "recovery" / (blocked.id + ".json"));
  Document& plain = add_document();
  type_text(L"plain text");
  std::filesystem::create_directories(profile_ / "settings.json" / "in the way");

  BoxWatcher boxes;
  for (int pause = 0; pause < 2; ++pause) {
    app_->save_recovery();
    EXPECT_EQ(has(app_->status_text, L"recovery snapshot"), pause == 0);
    app_->save_settings();
    EXPECT_EQ(has(app_->status_text, L"Settings could not be saved"), pause == 0);
    app_->status_text.clear();
  }
  const auto text_of = [&](const Document& d) {
    return parse_recovery_snapshot(read_bytes(recovery_file_path(profile_.path(), d.id))).text;
  };
  EXPECT_EQ(text_of(odd), "odd text");
  EXPECT_EQ(text_of(plain), "plain text");
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
