// Recovery snapshots, the restore question, auto-save and history snapshots through a hidden
// main window: what is written, what comes back, and what a damaged snapshot, a refused write
// or an external change leave behind.
#include <gtest/gtest.h>

#include <map>

#include "core/history.h"
#include "tests/win/app_window_fixture_win.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;
using tavrel::test::BoxWatcher;
using tavrel::test::read_bytes;
using tavrel::test::touch_later;
using tavrel::test::write_bytes;

namespace {

constexpr char kFirstId[] = "{0A1B2C3D-0000-4000-8000-00000000000A}";
constexpr char kSecondId[] = "{0A1B2C3D-0000-4000-8000-00000000000B}";

class RecoveryTest : public AppWindowTest {
 protected:
  void SetUp() override {
    AppWindowTest::SetUp();
    std::filesystem::create_directories(folder());
  }

  std::filesystem::path folder() const { return profile_.path() / "recovery"; }

  // "notes.md" opened from its own folder and edited.
  Document& open_and_edit(const std::string& on_disk, const std::wstring& typed) {
    write_bytes(files_ / "notes.md", on_disk);
    EXPECT_TRUE(app_->open_path(files_ / "notes.md"));
    type_text(typed);
    EXPECT_TRUE(active().modified);
    return active();
  }

  std::vector<std::filesystem::path> history() const {
    return list_history_snapshots(history_folder(profile_ / "history", files_ / "notes.md"));
  }

  // A file where the recovery folder was: every snapshot write fails.
  void block_snapshots() {
    std::filesystem::remove_all(folder());
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
  EXPECT_FALSE(std::filesystem::exists(recovery_file(untouched.id)));
  const std::string id = edited.id;
  DestroyWindow(edited.editor);  // the process ends without a word
  app_->documents.pop_back();
  app_->active_document = 0;

  answers_ = {IDYES};
  app_->restore_recovery();
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_EQ(questions_[0].text, L"Unsaved documents were recovered. Open them now?");
  EXPECT_EQ(questions_[0].type, UINT(MB_YESNO | MB_ICONQUESTION));
  ASSERT_EQ(active().id, id);
  EXPECT_TRUE(active().modified);
  EXPECT_EQ(editor_text(), "line one\nw\xC3\xB6rld \xF0\x9F\x98\x80");
  EXPECT_EQ(active().path, (files_ / "gone.md").wstring());
  EXPECT_EQ(active().encoding, TextEncoding::Utf16Le);
  EXPECT_TRUE(active().crlf);
  EXPECT_EQ(active().disk_time, 1234567);
  EXPECT_TRUE(std::filesystem::exists(recovery_file(id)));  // restoring deletes nothing
  EXPECT_EQ(title(), L"* gone.md - Tavrel");

  answers_ = {IDNO};  // closing it unsaved drops the snapshot
  ASSERT_TRUE(app_->close_document(app_->active_document));
  EXPECT_FALSE(std::filesystem::exists(recovery_file(id)));
}

TEST_F(RecoveryTest, DecliningOrNoSnapshotsKeepEverything) {
  write_bytes(folder() / "notes.txt", "not a snapshot");
  app_->restore_recovery();
  EXPECT_TRUE(questions_.empty());
  write_bytes(recovery_file(kFirstId), R"({"text":"unsaved"})");
  answers_ = {IDNO, 0};
  app_->restore_recovery();
  app_->restore_recovery();
  EXPECT_EQ(questions_.size(), 2u);
  EXPECT_TRUE(app_->documents.empty());
  EXPECT_EQ(read_bytes(recovery_file(kFirstId)), R"({"text":"unsaved"})");
}

// A damaged snapshot becomes no tab (an unmodified one would delete it when closed); it stays
// in the folder and the others still come back.
TEST_F(RecoveryTest, DamagedSnapshotIsReportedSkippedAndKept) {
  const std::map<std::filesystem::path, std::string> damaged{
      {recovery_file(kSecondId), R"({"text":5})"},
      {recovery_file("{0A1B2C3D-0000-4000-8000-00000000000C}"), "{\"text\":\"cut off"},
      {folder() / "notes.json", R"({"text":"no document id"})"},
  };
  for (const auto& [file, bytes] : damaged) write_bytes(file, bytes);
  write_bytes(recovery_file(kFirstId), R"({"text":"good"})");
  answers_ = {IDYES};
  app_->restore_recovery();
  ASSERT_EQ(app_->documents.size(), 1u);
  EXPECT_EQ(active().id, kFirstId);
  EXPECT_EQ(editor_text(), "good");
  EXPECT_NE(app_->status_text.find(L"Damaged recovery file"), std::wstring::npos);
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
  EXPECT_FALSE(off.modified);
  EXPECT_FALSE(std::filesystem::exists(recovery_file(off.id)));
  const auto versions = history();
  ASSERT_EQ(versions.size(), 1u);
  EXPECT_EQ(read_bytes(versions[0]), "old text\n");
  EXPECT_TRUE(untitled.modified);
  EXPECT_TRUE(std::filesystem::exists(recovery_file(untitled.id)));
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
  EXPECT_TRUE(document.modified);
  EXPECT_TRUE(std::filesystem::exists(recovery_file(document.id)));
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
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_NE(app_->status_text.find(L"recovery snapshot"), std::wstring::npos);
  EXPECT_EQ(read_bytes(files_ / "notes.md"), "old\nnew");
  EXPECT_FALSE(document.modified);
}

TEST_F(RecoveryTest, SessionEndWritesSnapshotsWithoutAnyBox) {
  const Document& document = add_document();
  type_text(L"before log-off");
  EXPECT_EQ(send(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  EXPECT_NE(read_bytes(recovery_file(document.id)).find("before log-off"), std::string::npos);
  type_text(L" and after");
  send(WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_NE(read_bytes(recovery_file(document.id)).find("before log-off and after"),
            std::string::npos);

  block_snapshots();
  BoxWatcher boxes;
  EXPECT_EQ(send(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_FALSE(app_->status_text.empty());
  EXPECT_FALSE(std::filesystem::exists(profile_ / "settings.json"));
}
