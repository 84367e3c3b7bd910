// Recovery snapshots, auto-save, history and settings through a hidden main window: what is
// written, what comes back, and what damaged files, refused writes or outside changes leave.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <map>

#include "core/history.h"
#include "core/recovery.h"
#include "tests/win/app_window_fixture_win.h"

using namespace tavrel::win;
using namespace tavrel::test;

namespace fs = std::filesystem;

namespace {

constexpr char kFirstId[] = "{0A1B2C3D-0000-4000-8000-00000000000A}";

std::unique_ptr<App> start_on(const TempDir& profile) {
  return std::make_unique<App>(GetModuleHandleW(nullptr), false,
                               std::vector<std::wstring>{L"x", L"--profile", profile.path()});
}

class RecoveryTest : public AppWindowTest {
 protected:
  void SetUp() override {
    AppWindowTest::SetUp();
    fs::create_directories(folder());
  }
  fs::path folder() const { return profile_.path() / "recovery"; }
  Document& open_and_edit(const std::string& on_disk, const std::wstring& typed) {
    write_bytes(files_ / "notes.md", on_disk);
    EXPECT_TRUE(app_->open_path(files_ / "notes.md"));
    type_text(typed);
    EXPECT_TRUE(active().modified);
    return active();
  }
  std::vector<fs::path> history() const {
    return list_history_snapshots(history_folder(profile_ / "history", files_ / "notes.md"));
  }
  void block_snapshots() {
    fs::remove_all(folder());
    write_bytes(folder(), "a file where the folder was");
  }
};

}  // namespace

// What the timer writes for a modified document comes back, modified, after a hard end.
TEST_F(RecoveryTest, SnapshotRestoreRoundTrip) {
  const Document& untouched = add_document("welcome");
  Document& edited = add_document();
  type_text(L"line one\rw\u00F6rld \U0001F600");
  edited.path = (files_ / "gone.md").wstring();
  edited.encoding = TextEncoding::Utf16Le;
  edited.crlf = true;
  edited.disk_time = 1234567;
  send(WM_TIMER, timer_recovery);
  EXPECT_FALSE(fs::exists(recovery_file(untouched.id)));
  const std::string id = edited.id;
  DestroyWindow(edited.editor);  // a hard end
  app_->documents.pop_back();
  app_->active_document = 0;
  answers_ = {IDYES};
  app_->restore_recovery();
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_EQ(questions_[0].type, UINT(MB_YESNO | MB_ICONQUESTION));
  ASSERT_EQ(active().id, id);
  EXPECT_EQ(editor_text(), "line one\nw\xC3\xB6rld \xF0\x9F\x98\x80");
  EXPECT_TRUE(active().path == (files_ / "gone.md").wstring() && active().crlf &&
              active().encoding == TextEncoding::Utf16Le && active().disk_time == 1234567);
  EXPECT_TRUE(fs::exists(recovery_file(id)));  // restoring deletes nothing
  EXPECT_EQ(title(), L"* gone.md - Tavrel");
}

// Declining keeps every snapshot; a damaged one becomes no tab (closing it would delete it) and
// stays; the others come back.
TEST_F(RecoveryTest, DecliningKeepsSnapshotsAndADamagedOneIsReportedSkippedAndKept) {
  write_bytes(folder() / "notes.txt", "not a snapshot");
  app_->restore_recovery();
  EXPECT_TRUE(questions_.empty());
  const std::map<fs::path, std::string> damaged{
      {recovery_file("{0A1B2C3D-0000-4000-8000-00000000000B}"), "{\"text\":\"cut off"},
      {folder() / "notes.json", R"({"text":"no document id"})"}};
  for (const auto& [file, bytes] : damaged) write_bytes(file, bytes);
  write_bytes(recovery_file(kFirstId), R"({"text":"good"})");
  answers_ = {IDNO, 0, IDYES};
  app_->restore_recovery();
  app_->restore_recovery();
  EXPECT_TRUE(app_->documents.empty());
  EXPECT_EQ(read_bytes(recovery_file(kFirstId)), R"({"text":"good"})");
  app_->restore_recovery();
  ASSERT_EQ(app_->documents.size(), 1u);
  EXPECT_EQ(editor_text(), "good");
  EXPECT_TRUE(has(app_->status_text, L"Damaged recovery file"));
  for (const auto& [file, bytes] : damaged) EXPECT_EQ(read_bytes(file), bytes) << file;
}

TEST_F(RecoveryTest, AutoSaveWritesFilesKeepsHistoryAndLeavesUntitledAlone) {
  Document& off = open_and_edit("old text\r\n", L"new");
  send(WM_TIMER, timer_recovery);  // auto-save is off by default
  EXPECT_EQ(read_bytes(files_ / "notes.md"), "old text\r\n");
  EXPECT_TRUE(off.modified);
  app_->auto_save = true;
  Document& untitled = add_document();
  type_text(L"scratch");
  app_->select_document(0);
  type_text(L"\rsecond");
  send(WM_TIMER, timer_recovery);
  EXPECT_EQ(read_bytes(files_ / "notes.md"), "old text\r\nnew\r\nsecond");  // its own line ends
  EXPECT_TRUE(!off.modified && !fs::exists(recovery_file(off.id)));
  EXPECT_TRUE(untitled.modified && fs::exists(recovery_file(untitled.id)));
  EXPECT_EQ(tab_texts(), (std::vector<std::wstring>{L"notes.md", L"* Untitled"}));
}

TEST_F(RecoveryTest, AutoSaveNeverOverwritesAnExternalChange) {
  app_->auto_save = true;
  Document& document = open_and_edit("mine\n", L"edited");
  write_bytes(files_ / "notes.md", "theirs\n");
  touch_later(files_ / "notes.md");
  BoxWatcher boxes;
  send(WM_TIMER, timer_recovery);
  EXPECT_EQ(read_bytes(files_ / "notes.md"), "theirs\n");
  EXPECT_TRUE(document.modified && fs::exists(recovery_file(document.id)));
  EXPECT_EQ(app_->status_text,
            L"The file changed outside Tavrel. Save a copy to preserve both versions.");
  EXPECT_TRUE(boxes.boxes().empty());  // auto-save reports in the status bar only
}

TEST_F(RecoveryTest, FailedSnapshotWriteGoesToTheStatusBarAndAutoSaveStillRuns) {
  app_->auto_save = true;
  Document& document = open_and_edit("old\n", L"new");
  block_snapshots();
  BoxWatcher boxes;
  send(WM_TIMER, timer_recovery);
  EXPECT_TRUE(boxes.boxes().empty() && has(app_->status_text, L"recovery snapshot"));
  EXPECT_EQ(read_bytes(files_ / "notes.md"), "old\nnew");
  EXPECT_FALSE(document.modified);
}

// A full disk fails every write of a pause: no failure hides another in the status bar.
TEST_F(RecoveryTest, RecoveryAndHistoryFailuresOfOnePauseAreBothShown) {
  for (const bool vietnamese : {false, true}) {
    SCOPED_TRACE(vietnamese);
    app_->auto_save = true;
    app_->vietnamese = vietnamese;
    open_and_edit("old\n", L"new");
    block_snapshots();
    fs::remove_all(profile_ / "history");
    write_bytes(profile_ / "history", "a file where the folder was");
    send(WM_TIMER, timer_recovery);
    const std::wstring recovery = vietnamese
                                      ? L"Kh\u00F4ng ghi \u0111\u01B0\u1EE3c b\u1EA3n kh\u00F4i"
                                      : L"The recovery snapshot could not be written for "
                                        L"notes.md";
    const std::wstring history = vietnamese
                                     ? L"Kh\u00F4ng ghi \u0111\u01B0\u1EE3c b\u1EA3n l\u1ECBch"
                                     : L"The history snapshot could not be written for "
                                       L"notes.md";
    EXPECT_TRUE(has(app_->status_text, recovery) && has(app_->status_text, history))
        << app_->status_text;
    EXPECT_EQ(read_bytes(files_ / "notes.md"), "old\n");
    answers_ = {IDNO};
    app_->close_document(0);
    app_->background_failures.clear();
    fs::remove_all(profile_ / "history");
  }
}

TEST_F(RecoveryTest, SessionEndWritesSnapshotsWithoutAnyBox) {
  const Document& document = add_document();
  type_text(L"before log-off");
  EXPECT_EQ(send(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  EXPECT_TRUE(has(read_bytes(recovery_file(document.id)), "before log-off"));
  type_text(L" and after");
  send(WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_TRUE(has(read_bytes(recovery_file(document.id)), "before log-off and after"));
  block_snapshots();
  BoxWatcher boxes;
  EXPECT_EQ(send(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  EXPECT_TRUE(boxes.boxes().empty() && !app_->status_text.empty());
  EXPECT_FALSE(fs::exists(profile_ / "settings.json"));
}

TEST_F(RecoveryTest, AutoSaveNeverPushesTheOpeningVersionOutOfHistory) {
  open_and_edit("as opened\n", L"x");
  app_->auto_save = true;
  for (int pause = 0; pause < 24; ++pause) {
    type_text(L"x");
    app_->auto_save_documents();
  }
  const auto versions = history();
  EXPECT_LE(versions.size(), kHistoryLimit);
  EXPECT_TRUE(std::any_of(versions.begin(), versions.end(),
                          [](const auto& s) { return read_bytes(s) == "as opened\n"; }));
}

// An unpaired surrogate in a name (Wine cannot create it: the recent list stands for the save),
// a blocked snapshot, unwritable settings: each keeps what it can; the status bar speaks once.
TEST_F(RecoveryTest, BackgroundFailuresKeepWhatTheyCanAndSpeakOnce) {
  Document& odd = add_document();
  type_text(L"odd text");
  odd.path = (profile_.path() / L"a\xD800.md").native();
  EXPECT_EQ(error_text([&] { app_->add_recent(odd.path); }), "");
  EXPECT_FALSE(app_->settings.contains("recent"));
  Document& blocked = add_document();
  type_text(L"blocked");
  fs::create_directories(recovery_file(blocked.id));
  Document& plain = add_document();
  type_text(L"plain text");
  fs::create_directories(profile_ / "settings.json" / "in the way");
  BoxWatcher boxes;
  for (const bool first : {true, false}) {
    app_->save_recovery();
    EXPECT_EQ(has(app_->status_text, L"recovery snapshot"), first);
    app_->save_settings();
    EXPECT_EQ(has(app_->status_text, L"Settings could not be saved"), first);
    app_->status_text.clear();
  }
  for (const Document* d : {&odd, &plain}) {
    EXPECT_EQ(parse_recovery_snapshot(read_bytes(recovery_file(d->id))).text,
              richedit_text_utf8(d->editor));
  }
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST(SettingsFile, UnreadableFileStartsOnDefaultsAndIsKeptBeforeTheFirstSave) {
  // What counts as unreadable is the settings reader's; here: what the window does with it.
  const std::pair<std::string, bool> rows[] = {{"{\"fontSize\": 20,", true},
                                               {"{\"fontSize\": 20}", false}};
  for (const auto& [content, unreadable] : rows) {
    SCOPED_TRACE(content.substr(0, 20));
    TempDir profile;
    write_bytes(profile / "settings.json", content);
    write_bytes(profile / "settings.json.bad", "older");
    std::unique_ptr<App> app = start_on(profile);
    EXPECT_EQ(app->font_size, unreadable ? 12 : 20);
    app->save_settings();
    EXPECT_TRUE(read_bytes(profile / "settings.json.bad") == (unreadable ? content : "older"));
    EXPECT_EQ(has(app->status_text, L"settings.json.bad"), unreadable);
    EXPECT_TRUE(nlohmann::json::accept(read_bytes(profile / "settings.json")));
    write_bytes(profile / "settings.json.bad", "older");
    app->save_settings();  // only the first save keeps a copy
    EXPECT_EQ(read_bytes(profile / "settings.json.bad"), "older");
  }
}

TEST(SettingsFile, StartsWhenTmpNamesAMissingFolder) {
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
