// Documents in a hidden main window: opening and saving in every encoding, the identity check,
// the external-change refusal, the save question and closing. The question and the save dialog
// are answered by the test.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/file_io_win.h"
#include "core/handles_win.h"
#include "core/text_convert.h"
#include "core/welcome.h"
#include "tests/win/document_test_support_win.h"
#include "tests/win/window_test_support_win.h"

using namespace tavrel::win;
using tavrel::test::BoxWatcher;
using tavrel::test::DocumentWindowTest;
using tavrel::test::read_bytes;
using tavrel::test::write_bytes;

namespace {

const std::filesystem::path kData = std::filesystem::path(TAVREL_TEST_DATA) / "documents";
constexpr const char* kExternalChange =
    "The file changed outside Tavrel. Save a copy to preserve both versions.";

// Moves the file's last-write time one hour on, as another program's save would.
void touch_later(const std::filesystem::path& path) {
  UniqueFile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr));
  ASSERT_TRUE(file);
  FILETIME time{};
  GetFileTime(file.get(), nullptr, nullptr, &time);
  ULARGE_INTEGER value{{time.dwLowDateTime, time.dwHighDateTime}};
  value.QuadPart += 36000000000ull;
  time = FILETIME{value.LowPart, value.HighPart};
  ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &time));
}

class DocumentsTest : public DocumentWindowTest {
 protected:
  std::filesystem::path copy_of(const std::string& name) {
    const std::filesystem::path target = files_.path() / name;
    std::filesystem::copy_file(kData / name, target);
    return target;
  }
  std::filesystem::path file_with(const std::string& name, const std::string& bytes) {
    write_bytes(files_ / name, bytes);
    return files_ / name;
  }
};

}  // namespace

// Every encoding and both line-end styles come back byte for byte after an edit and a save.
TEST_F(DocumentsTest, EditAndSaveKeepEncodingAndLineEnds) {
  for (const char* kind : {"utf8", "utf8-bom", "utf16le", "utf16be"}) {
    for (const char* ends : {"crlf", "lf"}) {
      const std::string name = std::string(kind) + "-" + ends;
      SCOPED_TRACE(name);
      const std::filesystem::path file = copy_of(name + ".md");
      ASSERT_TRUE(app_->open_path(file));
      EXPECT_EQ(editor_text(),
                "# Ti\xC3\xAAu \xC4\x91\xE1\xBB\x81\n\nXin ch\xC3\xA0o \xF0\x9F\x98\x80\n");
      EXPECT_FALSE(active().modified);
      type_at_end(L"Th\u00EAm d\u00F2ng\r");
      EXPECT_TRUE(active().modified);
      EXPECT_EQ(title(), L"* " + file.filename().native() + L" - Tavrel");
      ASSERT_TRUE(app_->save_document(false));
      EXPECT_EQ(read_bytes(file), read_bytes(kData / (name + "-edited.md")));
      EXPECT_FALSE(active().modified);
      EXPECT_FALSE(SendMessageW(editor(), EM_GETMODIFY, 0, 0));
      EXPECT_EQ(title(), file.filename().native() + L" - Tavrel");
      EXPECT_EQ(app_->status_text, L"Saved locally");
    }
  }
  EXPECT_TRUE(suggested_paths_.empty());  // every document had its file: no dialog
}

TEST_F(DocumentsTest, OpeningTheSameFileAgainSelectsItsTab) {
  std::filesystem::create_directories(files_ / "sub");
  const std::filesystem::path file = file_with("Notes.md", "# Notes\n");
  ASSERT_TRUE(app_->open_path(file));
  app_->new_document("other");
  const nlohmann::json settings_before = app_->settings;
  std::wstring upper = file.native();
  for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
  std::wstring slashes = file.native();
  for (wchar_t& c : slashes) c = c == L'\\' ? L'/' : c;
  for (const std::filesystem::path& same :
       {std::filesystem::path(upper), std::filesystem::path(slashes),
        files_.path() / "sub" / ".." / "Notes.md"}) {
    app_->active_document = 1;
    EXPECT_TRUE(app_->open_path(same));
    EXPECT_EQ(app_->documents.size(), 2u);
    EXPECT_EQ(app_->active_document, 0u);
  }
  EXPECT_EQ(app_->settings, settings_before);  // the recent list is not touched
}

TEST_F(DocumentsTest, OpenedFileGoesToTheRecentListAsAnAbsolutePath) {
  const std::filesystem::path file = file_with("a.md", "a");
  ASSERT_TRUE(app_->open_path(files_.path() / "." / "a.md"));
  EXPECT_EQ(active().path, file.native());
  ASSERT_TRUE(app_->settings.contains("recent"));
  EXPECT_EQ(app_->settings["recent"][0].get<std::string>(), to_utf8(file.native()));
}

TEST_F(DocumentsTest, FailedOpenShowsTheErrorAndOpensNothing) {
  BoxWatcher watcher;
  EXPECT_FALSE(app_->open_path(files_ / "missing.md"));
  EXPECT_FALSE(app_->open_path(file_with("binary.md", std::string("a\0b", 3))));
  EXPECT_TRUE(app_->documents.empty());
  EXPECT_EQ(GetDlgItem(app_->main_window, first_editor_id), nullptr);
  ASSERT_EQ(watcher.boxes().size(), 2u);
  EXPECT_EQ(watcher.boxes()[0].title, L"Tavrel - Could not complete action");
}

TEST_F(DocumentsTest, RtfLookingFileOpensAsText) {
  const std::string text = "{\\rtf1\\ansi\\deff0 {\\fonttbl{\\f0 Arial;}}\\f0 Hello}\n";
  ASSERT_TRUE(app_->open_path(file_with("rtf.md", text)));
  EXPECT_EQ(editor_text(), text);
}

TEST_F(DocumentsTest, ChangedFileOnDiskIsNotOverwritten) {
  const std::filesystem::path file = file_with("shared.md", "mine\n");
  ASSERT_TRUE(app_->open_path(file));
  type_at_end(L"more");
  write_bytes(file, "theirs\n");
  touch_later(file);

  BoxWatcher watcher;
  EXPECT_FALSE(app_->save_document(false));
  ASSERT_EQ(watcher.boxes().size(), 1u);
  EXPECT_NE(watcher.boxes()[0].text.find(to_wide(kExternalChange)), std::wstring::npos);
  EXPECT_EQ(read_bytes(file), "theirs\n");
  EXPECT_TRUE(active().modified);
  EXPECT_TRUE(app_->status_text.empty());

  save_path_ = (files_ / "copy.md").native();  // Save as to another file is the way out
  EXPECT_TRUE(app_->save_document(true));
  EXPECT_EQ(read_bytes(files_ / "copy.md"), "mine\nmore");
  EXPECT_EQ(active().path, save_path_);
  EXPECT_EQ(read_bytes(file), "theirs\n");
}

TEST_F(DocumentsTest, SaveDialogIsAskedForUntitledAndSaveAs) {
  app_->new_document("draft");
  type_at_end(L"!");
  EXPECT_FALSE(app_->save_document(false));  // dialog cancelled: nothing changes
  EXPECT_TRUE(active().modified);
  EXPECT_TRUE(active().path.empty());
  ASSERT_EQ(suggested_paths_.size(), 1u);
  EXPECT_TRUE(suggested_paths_[0].empty());

  save_path_ = (files_ / "draft.md").native();
  EXPECT_TRUE(app_->save_document(false));
  EXPECT_EQ(active().path, *save_path_);
  EXPECT_EQ(read_bytes(files_ / "draft.md"), "draft!");
  EXPECT_EQ(title(), L"draft.md - Tavrel");

  save_path_.reset();
  EXPECT_FALSE(app_->save_document(true));
  EXPECT_EQ(suggested_paths_.back(), (files_ / "draft.md").native());
}

TEST_F(DocumentsTest, SaveWithoutDocumentsSucceeds) { EXPECT_TRUE(app_->save_document(false)); }

TEST_F(DocumentsTest, EditsMarkOnlyOutsideSuppression) {
  app_->new_document("a");
  EXPECT_FALSE(active().modified);
  EXPECT_EQ(active().revision, 0u);
  app_->on_document_edited();
  EXPECT_TRUE(active().modified);
  EXPECT_EQ(active().revision, 1u);
  EXPECT_TRUE(KillTimer(app_->main_window, timer_render));
  EXPECT_TRUE(KillTimer(app_->main_window, timer_recovery));
  app_->suppress_change = true;
  app_->on_document_edited();
  EXPECT_EQ(active().revision, 1u);
}

TEST_F(DocumentsTest, NewDocumentsGetDistinctIdsAndBecomeActive) {
  app_->new_document("a");
  app_->new_document("b");
  ASSERT_EQ(app_->documents.size(), 2u);
  EXPECT_EQ(app_->active_document, 1u);
  for (const auto& document : app_->documents) {
    EXPECT_EQ(document->id.size(), 38u);
    EXPECT_EQ(document->id.front(), '{');
    EXPECT_EQ(document->encoding, TextEncoding::Utf8);
  }
  EXPECT_NE(app_->documents[0]->id, app_->documents[1]->id);
  EXPECT_TRUE(IsWindowVisible(editor()) || !IsWindowVisible(app_->main_window));
  EXPECT_FALSE(GetWindowLongW(app_->documents[0]->editor, GWL_STYLE) & WS_VISIBLE);
  app_->select_document(0);
  EXPECT_EQ(app_->active_document, 0u);
  EXPECT_TRUE(GetWindowLongW(app_->documents[0]->editor, GWL_STYLE) & WS_VISIBLE);
  app_->select_document(5);  // ignored
  EXPECT_EQ(app_->active_document, 0u);
  app_->active_document = 7;
  EXPECT_THROW(app_->current_document(), std::out_of_range);
  app_->active_document = 0;
}

TEST_F(DocumentsTest, ClosingTheLastDocumentLeavesAnEmptyUntitledOne) {
  app_->new_document("text");
  const HWND old_editor = editor();
  EXPECT_TRUE(app_->close_document(0));
  ASSERT_EQ(app_->documents.size(), 1u);
  EXPECT_FALSE(IsWindow(old_editor));
  EXPECT_EQ(editor_text(), "");
  EXPECT_TRUE(active().path.empty());
  EXPECT_FALSE(app_->close_document(3));
}

TEST_F(DocumentsTest, ClosingSelectsTheNextOrTheLast) {
  for (const char* text : {"a", "b", "c"}) app_->new_document(text);
  EXPECT_TRUE(app_->close_document(1));
  EXPECT_EQ(app_->active_document, 1u);
  EXPECT_EQ(editor_text(), "c");
  EXPECT_TRUE(app_->close_document(1));
  EXPECT_EQ(app_->active_document, 0u);
  EXPECT_EQ(editor_text(), "a");
}

TEST_F(DocumentsTest, WelcomeDocumentOpensUnmodified) {
  app_->new_document(welcome_markdown(false));
  EXPECT_EQ(editor_text(), welcome_markdown(false));
  EXPECT_FALSE(active().modified);
  EXPECT_EQ(title(), L"Untitled - Tavrel");
}
