// The question before a modified document is dropped, answered by the test: only "No" drops
// unsaved text, a failed box keeps it, saving from the question leaves the shown document
// active, and a recovery file goes only with a document that really goes.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/win/document_test_support_win.h"
#include "tests/win/window_test_support_win.h"

using namespace tavrel::win;
using tavrel::test::BoxWatcher;
using tavrel::test::DocumentWindowTest;
using tavrel::test::read_bytes;
using tavrel::test::write_bytes;

namespace {

class SavePromptTest : public DocumentWindowTest {
 protected:
  // A saved file "a.md" opened and edited, then an untitled edited document (the active one).
  void SetUp() override {
    DocumentWindowTest::SetUp();
    write_bytes(files_ / "a.md", "alpha\n");
    ASSERT_TRUE(app_->open_path(files_ / "a.md"));
    type_at_end(L"+a");
    app_->new_document("beta");
    type_at_end(L"+b");
    file_doc_ = app_->documents[0].get();
    untitled_doc_ = app_->documents[1].get();
    ASSERT_TRUE(file_doc_->modified);
    ASSERT_TRUE(untitled_doc_->modified);
    plant_recovery_file(*file_doc_);
    plant_recovery_file(*untitled_doc_);
  }

  Document* file_doc_ = nullptr;
  Document* untitled_doc_ = nullptr;
};

}  // namespace

TEST_F(SavePromptTest, QuestionNamesTheDocument) {
  answers_ = {IDCANCEL, IDCANCEL};
  app_->confirm_save_changes(file_doc_);
  app_->vietnamese = true;
  app_->confirm_save_changes(untitled_doc_);
  ASSERT_EQ(asked_.size(), 2u);
  EXPECT_EQ(asked_[0].text, L"Save changes to a.md?");
  EXPECT_EQ(asked_[0].caption, L"Tavrel");
  EXPECT_EQ(asked_[0].type, UINT(MB_YESNOCANCEL | MB_ICONQUESTION));
  EXPECT_EQ(asked_[0].owner, app_->main_window);
  EXPECT_EQ(asked_[1].text, L"L\u01B0u thay \u0111\u1ED5i trong Ch\u01B0a \u0111\u1EB7t t\u00EAn?");
}

TEST_F(SavePromptTest, UnmodifiedDocumentIsNotAsked) {
  file_doc_->modified = false;
  EXPECT_TRUE(app_->confirm_save_changes(file_doc_));
  EXPECT_TRUE(asked_.empty());
}

TEST_F(SavePromptTest, OnlyNoDiscardsAndTheQuestionItselfDeletesNothing) {
  answers_ = {IDNO, IDCANCEL, 0, IDABORT};
  EXPECT_TRUE(app_->confirm_save_changes(file_doc_));
  EXPECT_FALSE(app_->confirm_save_changes(file_doc_));  // Cancel
  EXPECT_FALSE(app_->confirm_save_changes(file_doc_));  // the box could not be shown
  EXPECT_FALSE(app_->confirm_save_changes(file_doc_));  // any other answer
  EXPECT_TRUE(std::filesystem::exists(recovery_file(*file_doc_)));
  EXPECT_EQ(read_bytes(files_ / "a.md"), "alpha\n");
  EXPECT_TRUE(file_doc_->modified);
}

TEST_F(SavePromptTest, YesSavesThatDocumentAndKeepsTheShownOneActive) {
  answers_ = {IDYES};
  EXPECT_TRUE(app_->confirm_save_changes(file_doc_));
  EXPECT_EQ(read_bytes(files_ / "a.md"), "alpha\n+a");
  EXPECT_FALSE(file_doc_->modified);
  EXPECT_EQ(app_->active_document, 1u);
  EXPECT_EQ(title(), L"* Untitled - Tavrel");
}

TEST_F(SavePromptTest, CancelledOrFailedSaveFromTheQuestionKeepsEverything) {
  answers_ = {IDYES};
  app_->active_document = 0;
  app_->select_document(0);
  EXPECT_FALSE(app_->confirm_save_changes(untitled_doc_));  // the save dialog is cancelled
  EXPECT_EQ(app_->active_document, 0u);
  EXPECT_TRUE(untitled_doc_->modified);

  write_bytes(files_ / "a.md", "changed elsewhere\n");
  FILETIME later{};
  GetSystemTimeAsFileTime(&later);
  HANDLE file = CreateFileW((files_ / "a.md").c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ULARGE_INTEGER value{{later.dwLowDateTime, later.dwHighDateTime}};
  value.QuadPart += 36000000000ull;
  later = FILETIME{value.LowPart, value.HighPart};
  SetFileTime(file, nullptr, nullptr, &later);
  CloseHandle(file);

  app_->select_document(1);
  answers_ = {IDYES};
  BoxWatcher watcher;
  EXPECT_FALSE(app_->confirm_save_changes(file_doc_));
  EXPECT_EQ(watcher.boxes().size(), 1u);
  EXPECT_EQ(app_->active_document, 1u);
  EXPECT_TRUE(file_doc_->modified);
  EXPECT_TRUE(std::filesystem::exists(recovery_file(*file_doc_)));
}

TEST_F(SavePromptTest, CancelKeepsTheTabAndItsRecoveryFile) {
  answers_ = {IDCANCEL, 0};
  EXPECT_FALSE(app_->close_document(0));
  EXPECT_FALSE(app_->close_document(0));
  EXPECT_EQ(app_->documents.size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(recovery_file(*file_doc_)));
}

TEST_F(SavePromptTest, NoClosesTheTabAndDropsItsRecoveryFile) {
  const std::filesystem::path recovery = recovery_file(*file_doc_);
  answers_ = {IDNO};
  EXPECT_TRUE(app_->close_document(0));
  ASSERT_EQ(app_->documents.size(), 1u);
  EXPECT_EQ(app_->current_document(), untitled_doc_);
  EXPECT_EQ(read_bytes(files_ / "a.md"), "alpha\n");
  if (!recovery_removal_built()) GTEST_SKIP() << "recovery files are not removed yet";
  EXPECT_FALSE(std::filesystem::exists(recovery));
  EXPECT_TRUE(std::filesystem::exists(recovery_file(*untitled_doc_)));
}

TEST_F(SavePromptTest, ClosingTheWindowStopsAtTheFirstRefusal) {
  answers_ = {IDNO, IDCANCEL};
  SendMessageW(app_->main_window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(app_->main_window));
  EXPECT_EQ(asked_.size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(recovery_file(*file_doc_)));  // "No" alone dropped nothing
  EXPECT_TRUE(std::filesystem::exists(recovery_file(*untitled_doc_)));
  EXPECT_FALSE(std::filesystem::exists(profile_ / "settings.json"));
}

TEST_F(SavePromptTest, ClosingTheWindowDropsEveryRecoveryFileOnceAllMayGo) {
  const std::filesystem::path first = recovery_file(*file_doc_);
  const std::filesystem::path second = recovery_file(*untitled_doc_);
  answers_ = {IDNO, IDNO};
  SendMessageW(app_->main_window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(app_->main_window));
  EXPECT_TRUE(std::filesystem::exists(profile_ / "settings.json"));
  if (!recovery_removal_built()) GTEST_SKIP() << "recovery files are not removed yet";
  EXPECT_FALSE(std::filesystem::exists(first));
  EXPECT_FALSE(std::filesystem::exists(second));
}
