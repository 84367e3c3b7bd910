// Atomic writes and document saves on the real Win32 file system, with faults injected.
#include <windows.h>
// after windows.h
#include <sddl.h>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "core/file_io_win.h"
#include "core/handles_win.h"
#include "tests/portable/test_support.h"

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

// Wine 8 reports success for CreateSymbolicLinkW without making a link; there the system's ln
// makes a Unix one, which Wine follows as Windows follows its own.
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
    if (c.via_taken) EXPECT_EQ(read_bytes(dir.path() / taken), "someone's");  // never deleted
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
