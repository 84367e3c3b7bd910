// Saves meeting links, protected, private or marked files, long names and killed saves' leftovers.
#include <windows.h>
// after windows.h
#include <sddl.h>

#include <gtest/gtest.h>

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

// Wine 8 answers CreateSymbolicLinkW with success yet makes no link; there the link is a Unix one
// made by the system's ln, which Wine follows as Windows follows its own.
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
  for (int i = 0; i < 500 && !fs::exists(dir / "link.md"); ++i) Sleep(10);  // no child handle
}

}  // namespace

TEST(SaveFaults, TheFileSavedKeepsWhatItIsAndARefusalKeepsTheOriginal) {
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
    DeleteFileW((dir / "link.md").c_str());  // a link left to nothing stalls removing the folder
  }
}

TEST(SaveFaults, LeftoversOfKilledSavesGoUnlessTheirWriterMayStillUseThem) {
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
