// Recovery snapshots, the restore question, auto-save and history snapshots through a hidden
// main window of this process on a temporary profile: what is written, what comes back, and
// what a damaged snapshot, a refused write or an external change leave behind.
#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>

#include "core/file_io_win.h"
#include "core/history.h"
#include "core/recovery.h"
#include "core/recovery_win.h"
#include "tests/win/app_window_fixture_win.h"
#include "tests/win/window_test_support_win.h"
#include "ui/editor_win.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;
using tavrel::test::BoxWatcher;
using tavrel::test::read_bytes;
using tavrel::test::TempDir;
using tavrel::test::write_bytes;

namespace {

constexpr char kFirstId[] = "{0A1B2C3D-0000-4000-8000-00000000000A}";
constexpr char kSecondId[] = "{0A1B2C3D-0000-4000-8000-00000000000B}";
constexpr char kThirdId[] = "{0A1B2C3D-0000-4000-8000-00000000000C}";

class RecoveryTest : public AppWindowTest {
 protected:
  std::filesystem::path recovery_folder() const { return profile_.path() / "recovery"; }
  std::filesystem::path recovery_file(const std::string& id) const {
    return recovery_folder() / (id + ".json");
  }

  Document* find(const std::string& id) const {
    for (const auto& document : app_->documents) {
      if (document->id == id) return document.get();
    }
    return nullptr;
  }

  // A document loaded from a file in its own folder, edited to `edited`.
  Document& open_and_edit(const std::filesystem::path& file, const std::string& on_disk,
                          const std::wstring& edited) {
    write_bytes(file, on_disk);
    EXPECT_TRUE(app_->open_path(file));
    Document& document = *app_->current_document();
    SendMessageW(document.editor, EM_SETSEL, 0, -1);
    SendMessageW(document.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(edited.c_str()));
    EXPECT_TRUE(document.modified);
    return document;
  }

  // The snapshots of a file, by the path as the document holds it.
  std::vector<std::filesystem::path> history_of(const std::filesystem::path& file) const {
    return list_history_snapshots(history_folder(profile_.path() / "history", file));
  }

  // The process ends without a word: the document is gone, its snapshot stays.
  void drop_without_closing(size_t index) {
    DestroyWindow(app_->documents.at(index)->editor);
    app_->documents.erase(app_->documents.begin() + static_cast<std::ptrdiff_t>(index));
    app_->active_document = 0;
  }

  TempDir files_;
};

}  // namespace

TEST_F(RecoveryTest, SnapshotOfEachModifiedDocumentIsCompactJson) {
  Document& untouched = add_document("kept as it is");
  Document& edited = add_document();
  type_text(L"Hello\rw\u00F6rld \U0001F600");
  ASSERT_TRUE(edited.modified);

  send(WM_TIMER, timer_recovery);
  EXPECT_FALSE(std::filesystem::exists(recovery_file(untouched.id)));
  const std::string written = read_bytes(recovery_file(edited.id));
  const nlohmann::json expected = {{"crlf", false},
                                   {"diskTime", 0},
                                   {"encoding", 0},
                                   {"path", ""},
                                   {"text", "Hello\nw\xC3\xB6rld \xF0\x9F\x98\x80"}};
  EXPECT_EQ(written, expected.dump());
  EXPECT_EQ(edited.text, "Hello\nw\xC3\xB6rld \xF0\x9F\x98\x80");
}

TEST_F(RecoveryTest, RestoreAsksOnceAndReopensWhatWasWritten) {
  add_document("welcome");
  Document& edited = add_document();
  type_text(L"line one\rline two");
  edited.path = (files_ / "gone.md").wstring();
  edited.encoding = TextEncoding::Utf16Le;
  edited.crlf = true;
  edited.disk_time = 1234567;
  app_->save_recovery();
  const std::string id = edited.id;
  drop_without_closing(app_->active_document);

  answer_ = IDYES;
  app_->restore_recovery();
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_EQ(questions_[0].text, L"Unsaved documents were recovered. Open them now?");
  EXPECT_EQ(questions_[0].caption, L"Tavrel");
  EXPECT_EQ(questions_[0].type, UINT(MB_YESNO | MB_ICONQUESTION));

  Document* restored = find(id);
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(app_->current_document(), restored);
  EXPECT_TRUE(restored->modified);
  EXPECT_EQ(richedit_text_utf8(restored->editor), "line one\nline two");
  EXPECT_EQ(restored->path, (files_ / "gone.md").wstring());
  EXPECT_EQ(restored->encoding, TextEncoding::Utf16Le);
  EXPECT_TRUE(restored->crlf);
  EXPECT_EQ(restored->disk_time, 1234567);
  EXPECT_TRUE(std::filesystem::exists(recovery_file(id)));  // restoring deletes nothing
  EXPECT_EQ(tavrel::test::text_of(app_->main_window), L"* gone.md - Tavrel");
  EXPECT_EQ(tab_texts().back(), L"* gone.md");
}

TEST_F(RecoveryTest, EncodingOutsideTheRangeIsClamped) {
  std::filesystem::create_directories(recovery_folder());
  write_bytes(recovery_file(kFirstId), R"({"encoding":7,"text":"a"})");
  write_bytes(recovery_file(kSecondId), R"({"encoding":-2,"text":"b"})");
  answer_ = IDYES;
  app_->restore_recovery();
  ASSERT_NE(find(kFirstId), nullptr);
  ASSERT_NE(find(kSecondId), nullptr);
  EXPECT_EQ(find(kFirstId)->encoding, TextEncoding::Utf16Be);
  EXPECT_EQ(find(kSecondId)->encoding, TextEncoding::Utf8);
  EXPECT_TRUE(find(kFirstId)->path.empty());
}

TEST_F(RecoveryTest, DecliningKeepsTheFilesForTheNextStart) {
  std::filesystem::create_directories(recovery_folder());
  write_bytes(recovery_file(kFirstId), R"({"text":"unsaved"})");
  add_document("welcome");
  for (int answer : {IDNO, 0}) {
    answer_ = answer;
    app_->restore_recovery();
  }
  EXPECT_EQ(questions_.size(), 2u);
  EXPECT_EQ(app_->documents.size(), 1u);
  EXPECT_EQ(read_bytes(recovery_file(kFirstId)), R"({"text":"unsaved"})");

  app_->vietnamese = true;
  app_->restore_recovery();
  EXPECT_EQ(questions_.back().text, recovery_prompt_text(true));
  EXPECT_NE(questions_.back().text.find(L"kh\u00F4i ph\u1EE5c"), std::wstring::npos);
}

TEST_F(RecoveryTest, NoSnapshotsMeansNoQuestion) {
  write_bytes(recovery_folder() / "notes.txt", "not a snapshot");
  app_->restore_recovery();
  EXPECT_TRUE(questions_.empty());
}

// A damaged snapshot becomes no tab at all (an unmodified one would delete it when closed); it
// stays in the folder and the others still come back.
TEST_F(RecoveryTest, DamagedSnapshotIsReportedSkippedAndKept) {
  std::filesystem::create_directories(recovery_folder());
  const std::map<std::filesystem::path, std::string> damaged{
      {recovery_file(kSecondId), R"({"text":5})"},
      {recovery_file(kThirdId), "{\"text\":\"cut off"},
      {recovery_folder() / "notes.json", R"({"text":"no document id"})"},
  };
  for (const auto& [file, bytes] : damaged) write_bytes(file, bytes);
  write_bytes(recovery_file(kFirstId), R"({"text":"good"})");
  add_document("welcome");

  answer_ = IDYES;
  app_->restore_recovery();
  ASSERT_EQ(app_->documents.size(), 2u);
  ASSERT_NE(find(kFirstId), nullptr);
  EXPECT_EQ(richedit_text_utf8(find(kFirstId)->editor), "good");
  for (const auto& document : app_->documents) {
    EXPECT_NE(document->id, kSecondId);
    EXPECT_NE(document->id, kThirdId);
  }
  EXPECT_NE(app_->status_text.find(L"Damaged recovery file"), std::wstring::npos)
      << app_->status_text;
  for (const auto& [file, bytes] : damaged) EXPECT_EQ(read_bytes(file), bytes) << file;
}

TEST_F(RecoveryTest, ClosingARestoredDocumentWithNoRemovesItsSnapshot) {
  std::filesystem::create_directories(recovery_folder());
  write_bytes(recovery_file(kFirstId), R"({"text":"draft"})");
  answer_ = IDYES;
  app_->restore_recovery();
  ASSERT_NE(find(kFirstId), nullptr);
  answer_ = IDNO;  // "Save changes to Untitled?"
  ASSERT_TRUE(app_->close_document(app_->active_document));
  EXPECT_FALSE(std::filesystem::exists(recovery_file(kFirstId)));
}

TEST_F(RecoveryTest, SelfTestModeWritesAndAsksNothing) {
  add_document();
  type_text(L"typed");
  app_->smoke_test = true;
  app_->save_recovery();
  EXPECT_TRUE(std::filesystem::is_empty(recovery_folder()));
  write_bytes(recovery_file(kFirstId), R"({"text":"x"})");
  app_->restore_recovery();
  EXPECT_TRUE(questions_.empty());
}

TEST_F(RecoveryTest, RemovingTheSnapshotOfABadIdTouchesNothing) {
  write_bytes(profile_ / "settings.json.json", "keep");
  Document document;
  document.id = "..\\settings.json";
  EXPECT_NO_THROW(app_->remove_recovery_file(document));
  EXPECT_EQ(read_bytes(profile_ / "settings.json.json"), "keep");
}

TEST_F(RecoveryTest, AutoSaveWritesFilesKeepsHistoryAndLeavesUntitledAlone) {
  app_->auto_save = true;
  Document& saved = open_and_edit(files_ / "notes.md", "old text\r\n", L"new text\rsecond");
  Document& untitled = add_document();
  type_text(L"scratch");
  app_->select_document(0);

  send(WM_TIMER, timer_recovery);
  EXPECT_EQ(read_bytes(files_ / "notes.md"), "new text\r\nsecond");  // the file's own line ends
  EXPECT_FALSE(saved.modified);
  EXPECT_EQ(SendMessageW(saved.editor, EM_GETMODIFY, 0, 0), 0);
  EXPECT_FALSE(std::filesystem::exists(recovery_file(saved.id)));
  const auto history = history_of(saved.path);
  ASSERT_EQ(history.size(), 1u);
  EXPECT_EQ(read_bytes(history[0]), "old text\n");

  EXPECT_TRUE(untitled.modified);
  EXPECT_TRUE(std::filesystem::exists(recovery_file(untitled.id)));
  EXPECT_EQ(app_->active_document, 0u);
  EXPECT_EQ(tab_texts(), (std::vector<std::wstring>{L"notes.md", L"* Untitled"}));
}

TEST_F(RecoveryTest, AutoSaveIsOffByDefault) {
  Document& document = open_and_edit(files_ / "notes.md", "old\n", L"new");
  send(WM_TIMER, timer_recovery);
  EXPECT_EQ(read_bytes(files_ / "notes.md"), "old\n");
  EXPECT_TRUE(document.modified);
  EXPECT_TRUE(std::filesystem::exists(recovery_file(document.id)));
}

TEST_F(RecoveryTest, AutoSaveNeverOverwritesAnExternalChange) {
  app_->auto_save = true;
  Document& document = open_and_edit(files_ / "notes.md", "mine\n", L"edited");
  write_bytes(files_ / "notes.md", "theirs\n");
  FILETIME later{};
  GetSystemTimeAsFileTime(&later);
  reinterpret_cast<ULARGE_INTEGER&>(later).QuadPart += 50'000'000;  // 5 s on
  HANDLE file = CreateFileW((files_ / "notes.md").c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SetFileTime(file, nullptr, nullptr, &later);
  CloseHandle(file);

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
  Document& document = open_and_edit(files_ / "notes.md", "old\n", L"new");
  std::filesystem::remove_all(recovery_folder());
  write_bytes(recovery_folder(), "a file where the folder was");

  BoxWatcher boxes;
  send(WM_TIMER, timer_recovery);
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_NE(app_->status_text.find(L"recovery snapshot"), std::wstring::npos);
  EXPECT_EQ(read_bytes(files_ / "notes.md"), "new");
  EXPECT_FALSE(document.modified);
}

TEST_F(RecoveryTest, SessionEndWritesSnapshotsWithoutAnyBox) {
  Document& document = add_document();
  type_text(L"before log-off");
  EXPECT_EQ(send(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  EXPECT_NE(read_bytes(recovery_file(document.id)).find("before log-off"), std::string::npos);

  type_text(L" and after");
  send(WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_NE(read_bytes(recovery_file(document.id)).find("before log-off and after"),
            std::string::npos);

  std::filesystem::remove_all(recovery_folder());
  write_bytes(recovery_folder(), "a file where the folder was");
  BoxWatcher boxes;
  EXPECT_EQ(send(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_FALSE(app_->status_text.empty());
  EXPECT_FALSE(std::filesystem::exists(profile_ / "settings.json"));  // no settings save either
}

TEST_F(RecoveryTest, HistoryKeepsTwentyAndSkipsUnchangedVersions) {
  const std::filesystem::path file = files_ / "notes.md";
  for (int version = 1; version <= 23; ++version) {
    write_bytes(file, "version " + std::to_string(version) + "\r\n");
    app_->save_history_snapshot(file);
    app_->save_history_snapshot(file);  // unchanged: no second snapshot
  }
  const auto history = history_of(file);
  ASSERT_EQ(history.size(), kHistoryLimit);
  EXPECT_EQ(read_bytes(history.front()), "version 4\n");
  EXPECT_EQ(read_bytes(history.back()), "version 23\n");
  EXPECT_EQ(history.front().parent_path().parent_path(), profile_.path() / "history");

  app_->save_history_snapshot(files_ / "never-saved.md");
  EXPECT_FALSE(std::filesystem::exists(
      history_folder(profile_.path() / "history", files_ / "never-saved.md")));
}

// A newest snapshot that cannot be read is taken as different: the save still keeps the version
// on disk and goes on.
TEST_F(RecoveryTest, UnreadableNewestSnapshotDoesNotStopTheSave) {
  Document& document = open_and_edit(files_ / "notes.md", "on disk\n", L"saved now");
  const std::filesystem::path folder = history_folder(profile_.path() / "history", document.path);
  std::filesystem::create_directories(folder);
  write_bytes(folder / "199999999999999999.md", std::string("bin\0ary", 7));

  BoxWatcher boxes;
  EXPECT_TRUE(app_->save_document(document, false));
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(read_bytes(files_ / "notes.md"), "saved now");
  const auto history = history_of(document.path);
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(read_bytes(history.back()), "on disk\n");
}
