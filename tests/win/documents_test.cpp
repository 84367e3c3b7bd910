// Documents on disk and in a hidden main window: atomic writes under faults, every encoding
// against golden files, opening many, outside changes, the save question.
#include <windows.h>
// after windows.h
#include <sddl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "core/documents_win.h"
#include "core/file_io_win.h"
#include "core/handles_win.h"
#include "core/text_convert.h"
#include "tests/win/app_window_fixture_win.h"

using namespace tavrel::win;
using namespace tavrel::test;
namespace fs = std::filesystem;

namespace {

size_t entries(const fs::path& dir) { return std::distance(fs::directory_iterator(dir), {}); }

std::string rights(const fs::path& file) {
  std::string block(4096, '\0');
  DWORD size = 0;
  GetFileSecurityW(file.c_str(), DACL_SECURITY_INFORMATION, block.data(), 4096, &size);
  return block.substr(0, GetSecurityDescriptorLength(block.data()));
}

// Wine 8 fakes CreateSymbolicLinkW; there ln makes a Unix link, which Wine follows.
void make_link(const fs::path& dir) {
  CreateSymbolicLinkW((dir / "link.md").c_str(), L"a.md", 2 /* unprivileged */);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  std::wstring command = L"ln -s a.md link.md";
  if (!fs::exists(dir / "link.md") &&
      CreateProcessW(L"Z:\\bin\\ln", command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                     dir.c_str(), &startup, &child)) {
    UniqueHandle owned[] = {UniqueHandle(child.hProcess), UniqueHandle(child.hThread)};
  }
  for (int i = 0; i < 500 && !fs::exists(dir / "link.md"); ++i) Sleep(10);
}

const fs::path kData = fs::path(TAVREL_TEST_DATA) / "documents";

std::wstring upper(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towupper(c));
  return text;
}

using DocumentsTest = AppWindowTest;

LRESULT CALLBACK count_rebuilds(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                DWORD_PTR count) {
  if (message == TCM_DELETEALLITEMS) ++*reinterpret_cast<int*>(count);
  return DefSubclassProc(window, message, wparam, lparam);
}

}  // namespace

TEST(AtomicWrite, ReplacesContentWithTemporariesCountingUpBeside) {
  TempDir dir;
  for (const char* content : {"first", "second, longer", ""}) {
    write_file_atomic(dir / "a.md", content);
    EXPECT_EQ(read_bytes(dir / "a.md"), content);
  }
  EXPECT_EQ(entries(dir.path()), 1u);
  const std::wstring prefix = (dir / "~tvr").wstring();
  const std::wstring first = next_temp_name(dir / "notes.md");
  const std::wstring second = next_temp_name(dir / "notes.md");
  ASSERT_EQ(first.rfind(prefix, 0), 0u);
  EXPECT_EQ(std::stoull(second.substr(prefix.size()), nullptr, 16),
            std::stoull(first.substr(prefix.size()), nullptr, 16) + 1);
  EXPECT_EQ(first.substr(first.size() - 4), L".tmp");
}

// Each fault leaves the target as it was, no temporary of ours behind, and a plain message.
TEST(AtomicWriteFaults, EveryFailureKeepsTheOriginal) {
  UniqueFile holder;
  const std::wstring taken = L"a.md.tavrel-taken.tmp";
  const struct {
    std::function<void(TempDir&)> fault;
    fs::path target;
    const char* error;
    bool via_taken = false;
    size_t files = 1;
  } cases[] = {
      {[&](TempDir& dir) {
         holder = UniqueFile(CreateFileW((dir / "a.md").c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         0, nullptr));
       },
       "a.md", "Cannot replace destination; original file preserved"},
      {[&](TempDir& dir) { write_bytes(dir.path() / taken, "someone's"); }, "a.md",
       "Cannot create temporary file", true, 2},
      {[](TempDir&) {}, "no/a.md", "Cannot create temporary file"},
      {[](TempDir& dir) { fs::create_directory(dir / "sub"); }, "sub",
       "Cannot replace destination; original file preserved", false, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    TempDir dir;
    write_bytes(dir / "a.md", "original");
    c.fault(dir);
    EXPECT_EQ(error_text([&] {
                if (c.via_taken) {
                  write_file_atomic_via(dir.path() / c.target, "new",
                                        (dir.path() / taken).native());
                } else {
                  write_file_atomic(dir.path() / c.target, "new");
                }
              }),
              c.error);
    holder = UniqueFile();
    EXPECT_EQ(read_bytes(dir / "a.md"), "original");
    EXPECT_EQ(entries(dir.path()), c.files);
    if (c.via_taken) {
      EXPECT_EQ(read_bytes(dir.path() / taken), "someone's");  // never deleted
    }
  }
}

// A save keeps links, protection, rights and attributes; a refusal keeps the original.
TEST(AtomicWriteFaults, TheFileSavedKeepsWhatItIsAndARefusalKeepsTheOriginal) {
  const struct {
    std::string saved;  // the name saved to, a link to a.md where it differs
    DWORD attributes;
    const wchar_t* access;  // rights given to a.md, as SDDL
    const char* error;
  } cases[] = {
      {"a.md", FILE_ATTRIBUTE_READONLY, nullptr,
       "Cannot replace a read-only file; original file preserved"},
      {"a.md", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE, nullptr, ""},
      {"a.md", FILE_ATTRIBUTE_ARCHIVE, L"D:(A;;FA;;;SY)(A;;FA;;;IU)", ""},
      {"link.md", FILE_ATTRIBUTE_ARCHIVE, nullptr, ""},
      {std::string(236, 'n') + ".md", FILE_ATTRIBUTE_ARCHIVE, nullptr, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.saved);
    TempDir dir;
    const fs::path file = c.saved == "link.md" ? dir / "a.md" : dir / c.saved;
    write_bytes(file, "original");
    if (c.saved == "link.md") make_link(dir.path());
    PSECURITY_DESCRIPTOR access = nullptr;
    if (c.access && ConvertStringSecurityDescriptorToSecurityDescriptorW(c.access, SDDL_REVISION_1,
                                                                         &access, nullptr)) {
      EXPECT_TRUE(SetFileSecurityW(file.c_str(), DACL_SECURITY_INFORMATION, access));
      LocalFree(access);
    }
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), c.attributes));
    const DWORD attributes = GetFileAttributesW(file.c_str());
    const std::string original_rights = rights(file);
    Document doc = load_document(dir / c.saved);
    doc.text = "edited";
    EXPECT_EQ(error_text([&] { write_document(doc, dir / c.saved, false); }), c.error);
    EXPECT_EQ(read_bytes(file), *c.error ? "original" : "edited");
    EXPECT_EQ(GetFileAttributesW(file.c_str()), attributes);
    EXPECT_EQ(rights(file), original_rights);
    EXPECT_TRUE(fs::equivalent(dir / c.saved, file));  // a link stays one
    EXPECT_EQ(entries(dir.path()), c.saved == "link.md" ? 2u : 1u);
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW((dir / "link.md").c_str());  // a dangling link stalls removing the folder
  }
}

TEST(AtomicWriteFaults, LeftoversOfKilledSavesGoUnlessTheirWriterMayStillUseThem) {
  TempDir dir;
  auto leftover = [&](bool writer_gone) {
    std::wstring name = fs::path(next_temp_name(dir / "x")).filename().wstring();
    return writer_gone ? name.replace(13, 8, L"fffffff0") : name;
  };
  const FILETIME before_this_process{0, 0x01c00000};  // in 2000
  const struct {
    std::wstring name;
    bool old, held, kept;
  } leftovers[] = {
      {leftover(false), false, false, true},  // its writer runs
      {leftover(true), false, false, false},
      {leftover(false), true, false, false},               // its writer's id was taken over since
      {leftover(true), false, true, true},                 // someone has it open
      {L"~tvr0000000g-fffffff0.tmp", false, false, true},  // not a name of ours
  };
  std::vector<UniqueFile> holders;
  for (const auto& l : leftovers) {
    write_bytes(dir.path() / l.name, "stale");
    UniqueFile file(CreateFileW((dir.path() / l.name).c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr));
    if (l.old) SetFileTime(file.get(), nullptr, nullptr, &before_this_process);
    if (l.held) holders.push_back(std::move(file));
  }
  write_file_atomic(dir / "doc.md", "saved");
  for (const auto& l : leftovers) EXPECT_EQ(fs::exists(dir.path() / l.name), l.kept) << l.name;
  EXPECT_EQ(read_bytes(dir / "doc.md"), "saved");
}

// The last-write time of a write a few milliseconds after the load still tells them apart.
TEST(Documents, OutsideWriteSoonAfterLoadIsRefused) {
  TempDir dir;
  write_bytes(dir / "a.md", "mine");
  Document doc = load_document(dir / "a.md");
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  write_bytes(dir / "a.md", "theirs");
  doc.text = "mine, edited";
  doc.modified = true;
  EXPECT_EQ(error_text([&] { write_document(doc, dir / "a.md", false); }),
            "The file changed outside Tavrel. Save a copy to preserve both versions.");
  EXPECT_EQ(read_bytes(dir / "a.md"), "theirs");
  EXPECT_TRUE(doc.modified);
  write_document(doc, dir.path().wstring() + L"\\.\\a.md", true);  // Save as overwrites
  EXPECT_EQ(read_bytes(dir / "a.md"), "mine, edited");
  doc.text = "again";  // its own last write is no outside change
  write_document(doc, dir / "a.md", false);
  fs::remove(dir / "a.md");
  doc.text = "back";  // nor is a deleted file
  write_document(doc, dir / "a.md", false);
  EXPECT_EQ(read_bytes(dir / "a.md"), "back");
}

// Every encoding and both line-end styles come back byte for byte after an edit and a save.
TEST_F(DocumentsTest, EditAndSaveKeepEncodingAndLineEnds) {
  for (const char* kind : {"utf8", "utf8-bom", "utf16le", "utf16be"}) {
    for (const char* ends : {"crlf", "lf"}) {
      const std::string name = std::string(kind) + "-" + ends;
      SCOPED_TRACE(name);
      const fs::path file = files_ / (name + ".md");
      fs::copy_file(kData / (name + ".md"), file);
      ASSERT_TRUE(app_->open_path(file));
      EXPECT_EQ(editor_text(),
                "# Ti\xC3\xAAu \xC4\x91\xE1\xBB\x81\n\nXin ch\xC3\xA0o \xF0\x9F\x98\x80\n");
      EXPECT_FALSE(active().modified);
      type_text(L"Th\u00EAm d\u00F2ng\r");
      EXPECT_EQ(title(), L"* " + file.filename().native() + L" - Tavrel");
      ASSERT_TRUE(app_->save_document(false));
      EXPECT_EQ(read_bytes(file), read_bytes(kData / (name + "-edited.md")));
      EXPECT_FALSE(active().modified || SendMessageW(editor(), EM_GETMODIFY, 0, 0));
    }
  }
  EXPECT_TRUE(suggested_paths_.empty());  // every document had its file: no dialog
}

TEST_F(DocumentsTest, OpeningTheSameFileAgainSelectsItsTab) {
  fs::create_directories(files_ / "sub");
  write_bytes(files_ / "Notes.md", "# Notes\n");
  const std::wstring file = (files_ / "Notes.md").native();
  ASSERT_TRUE(app_->open_path(files_.path() / "." / "Notes.md"));
  EXPECT_EQ(app_->settings["recent"][0].get<std::string>(), to_utf8(file));
  add_document("other");
  for (const fs::path& same : {fs::path(upper(file)), files_.path() / "sub" / ".." / "Notes.md"}) {
    app_->select_document(1);
    EXPECT_TRUE(app_->open_path(same));
    EXPECT_EQ(app_->documents.size(), 2u);
    EXPECT_EQ(app_->active_document, 0u);
  }
}

TEST_F(DocumentsTest, BatchOpenRebuildsTheTabsOnceAndNamesEachFailure) {
  const fs::path binary = files_ / "binary.md";
  write_bytes(binary, std::string("x\0", 2));
  for (const char* name : {"a.md", "b.md", "c.md"}) write_bytes(files_ / name, name);
  BoxWatcher boxes;
  EXPECT_FALSE(app_->open_path(files_ / "missing.md"));  // one file: its own box, no tab
  EXPECT_TRUE(app_->documents.empty());
  ASSERT_EQ(boxes.boxes().size(), 1u);
  int rebuilds = 0;
  SetWindowSubclass(app_->tab_control, count_rebuilds, 7, reinterpret_cast<DWORD_PTR>(&rebuilds));
  EXPECT_EQ(open_paths(*app_, {files_ / "a.md", files_ / "b.md", files_ / "c.md",
                               files_ / "missing.md", binary, files_ / "A.MD"}),
            2u);
  RemoveWindowSubclass(app_->tab_control, count_rebuilds, 7);
  EXPECT_EQ(rebuilds, 1);
  EXPECT_EQ(app_->documents.size(), 3u);
  EXPECT_EQ(app_->active_document, 0u);  // the last one named was open already
  ASSERT_EQ(boxes.boxes().size(), 2u);   // one for all failures of the batch
  const std::wstring text = boxes.boxes()[1].text;
  EXPECT_EQ(text.rfind(L"file_size: ", 0), 0u) << text;
  EXPECT_TRUE(has(text, L"]\n" + (files_ / "missing.md").native())) << text;
  EXPECT_TRUE(has(text, L"\n\nBinary files are not supported\n" + binary.native())) << text;
}

// An outside change refused is the file layer's and the save question's; here: which saves ask.
TEST_F(DocumentsTest, SavesAskForAPathWhenNeeded) {
  add_document("draft");  // untitled: Save asks for a path, as Save as always does
  type_text(L"!");
  EXPECT_FALSE(app_->save_document(false));  // dialog cancelled: nothing changes
  EXPECT_TRUE(active().modified);
  EXPECT_TRUE(active().path.empty());
  ASSERT_EQ(suggested_paths_.size(), 1u);
  save_path_ = (files_ / "draft.md").native();
  EXPECT_TRUE(app_->save_document(false));
  EXPECT_EQ(title(), L"draft.md - Tavrel");
  save_path_.reset();
  EXPECT_FALSE(app_->save_document(true));
  EXPECT_EQ(suggested_paths_.back(), (files_ / "draft.md").native());
}

// Only "No" drops unsaved text; "Yes" saves; a recovery file goes only with its document.
class SavePromptTest : public AppWindowTest {
 protected:
  void SetUp() override {
    AppWindowTest::SetUp();
    write_bytes(files_ / "a.md", "alpha\n");
    ASSERT_TRUE(app_->open_path(files_ / "a.md"));
    type_text(L"+a");
    add_document("beta");
    type_text(L"+b");
    file_doc_ = app_->documents[0].get();
    untitled_doc_ = app_->documents[1].get();
    for (const Document* document : {file_doc_, untitled_doc_}) {
      ASSERT_TRUE(document->modified);
      write_bytes(recovery_file(document->id), "{}");
    }
  }
  Document *file_doc_ = nullptr, *untitled_doc_ = nullptr;
};

TEST_F(SavePromptTest, OnlyNoDiscardsAndDropsTheRecoveryFile) {
  // 0: the box could not be shown; IDABORT: any other answer.
  for (const int answer : {IDCANCEL, 0, IDABORT}) {
    answers_ = {answer};
    EXPECT_FALSE(app_->close_document(0)) << answer;
  }
  EXPECT_TRUE(fs::exists(recovery_file(file_doc_->id)));
  const std::string id = file_doc_->id;
  answers_ = {IDNO};
  EXPECT_TRUE(app_->close_document(0));
  EXPECT_EQ(read_bytes(files_ / "a.md"), "alpha\n");
  EXPECT_FALSE(fs::exists(recovery_file(id)));
  EXPECT_EQ(app_->current_document(), untitled_doc_);
  EXPECT_TRUE(fs::exists(recovery_file(untitled_doc_->id)));
}

TEST_F(SavePromptTest, QuestionNamesTheDocumentAndYesSavesItKeepingTheShownOneActive) {
  answers_ = {IDYES};
  EXPECT_TRUE(app_->confirm_save_changes(file_doc_));
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_EQ(questions_[0].text, L"Save changes to a.md?");
  EXPECT_EQ(questions_[0].type, UINT(MB_YESNOCANCEL | MB_ICONQUESTION));
  EXPECT_EQ(read_bytes(files_ / "a.md"), "alpha\n+a");
  EXPECT_EQ(app_->active_document, 1u);
  EXPECT_EQ(title(), L"* Untitled - Tavrel");
  EXPECT_TRUE(app_->confirm_save_changes(file_doc_));  // saved now: not asked again
  EXPECT_EQ(questions_.size(), 1u);
}

TEST_F(SavePromptTest, FailedSaveFromTheQuestionKeepsEverything) {
  answers_ = {IDYES};
  EXPECT_FALSE(app_->close_document(1));  // Yes, then the save dialog is cancelled
  write_bytes(files_ / "a.md", "changed elsewhere\n");
  touch_later(files_ / "a.md");
  answers_ = {IDYES};
  BoxWatcher watcher;
  EXPECT_FALSE(app_->confirm_save_changes(file_doc_));
  EXPECT_EQ(watcher.boxes().size(), 1u);
  EXPECT_TRUE(file_doc_->modified);
  EXPECT_EQ(read_bytes(files_ / "a.md"), "changed elsewhere\n");
  EXPECT_TRUE(fs::exists(recovery_file(file_doc_->id)));
}

TEST_F(SavePromptTest, ClosingTheWindowStopsAtTheFirstRefusalOrDropsEveryRecoveryFile) {
  answers_ = {IDNO, IDCANCEL};
  send(WM_CLOSE);
  EXPECT_TRUE(IsWindow(app_->main_window));
  EXPECT_TRUE(fs::exists(recovery_file(file_doc_->id)));  // "No" alone dropped nothing
  EXPECT_FALSE(fs::exists(profile_ / "settings.json"));
  const std::string first = file_doc_->id;
  const std::string second = untitled_doc_->id;
  answers_ = {IDNO, IDNO};
  send(WM_CLOSE);
  EXPECT_FALSE(IsWindow(app_->main_window));
  EXPECT_TRUE(fs::exists(profile_ / "settings.json"));
  EXPECT_FALSE(fs::exists(recovery_file(first)));
  EXPECT_FALSE(fs::exists(recovery_file(second)));
}

// One tab per file: Save as onto a file another tab shows closes that tab when it holds nothing
// unsaved (also from the question asked when the window closes), and is refused, overwriting
// nothing, when it does.
TEST_F(DocumentsTest, SaveAsOntoAFileAnotherTabShows) {
  const struct {
    const char* file;
    bool other_modified;
    bool vietnamese;
  } rows[] = {{"a.md", false, false}, {"b.md", true, false}, {"c.md", true, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    const fs::path shown = files_ / row.file;
    write_bytes(shown, "on disk\n");
    ASSERT_TRUE(app_->open_path(shown));
    if (row.other_modified) type_text(L"+unsaved");
    add_document("new text");
    const size_t tabs = app_->documents.size();
    app_->vietnamese = row.vietnamese;
    save_path_ = upper(shown.native());  // the same file in other letter case
    BoxWatcher boxes;
    EXPECT_EQ(app_->save_document(true), !row.other_modified);
    app_->vietnamese = false;
    EXPECT_EQ(read_bytes(shown), row.other_modified ? "on disk\n" : "new text");
    EXPECT_EQ(app_->documents.size(), row.other_modified ? tabs : tabs - 1);
    EXPECT_EQ(editor_text(), "new text");  // the saved tab stays the one shown
    ASSERT_EQ(boxes.boxes().size(), row.other_modified ? 1u : 0u);
    if (row.other_modified) {
      const std::wstring refusal = row.vietnamese
                                       ? L"M\u1ED9t th\u1EBB kh\u00E1c \u0111ang m\u1EDF "
                                       : L"Another tab shows ";
      EXPECT_TRUE(has(boxes.boxes()[0].text, refusal + shown.filename().native()))
          << boxes.boxes()[0].text;
    }
  }
}

TEST_F(DocumentsTest, SaveFromTheClosingQuestionOntoAnOpenFileStillAsksForEveryTab) {
  write_bytes(files_ / "a.md", "a\n");
  ASSERT_TRUE(app_->open_path(files_ / "a.md"));
  add_document();
  type_text(L"draft");
  add_document();
  type_text(L"last");
  save_path_ = (files_ / "a.md").native();
  answers_ = {IDYES, IDCANCEL};  // the draft saved onto a.md (closing its tab), then "last"
  send(WM_CLOSE);
  EXPECT_EQ(questions_.size(), 2u);
  EXPECT_TRUE(IsWindow(app_->main_window));
  EXPECT_EQ(read_bytes(files_ / "a.md"), "draft");
  EXPECT_EQ(tab_texts(), (std::vector<std::wstring>{L"a.md", L"* Untitled"}));
}
