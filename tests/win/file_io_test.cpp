// Atomic writes and document saves on the real Win32 file system, with faults injected.
#include "core/file_io_win.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "core/handles_win.h"
#include "tests/portable/test_support.h"

using namespace tavrel::win;
using tavrel::test::error_text;
using tavrel::test::read_bytes;
using tavrel::test::TempDir;
using tavrel::test::write_bytes;

namespace {

size_t leftover_temporaries(const std::filesystem::path& dir) {
  size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.path().extension() == ".tmp") ++count;
  return count;
}

}  // namespace

TEST(AtomicWrite, ReplacesContentWithTemporariesCountingUpBeside) {
  TempDir dir;
  for (const char* content : {"first", "second, longer", ""}) {
    write_file_atomic(dir / "a.md", content);
    EXPECT_EQ(read_bytes(dir / "a.md"), content);
  }
  EXPECT_EQ(leftover_temporaries(dir.path()), 0u);
  const std::wstring prefix = (dir / "~tvr").wstring();
  const std::wstring first = next_temp_name(dir / "notes.md");
  const std::wstring second = next_temp_name(dir / "notes.md");
  ASSERT_EQ(first.rfind(prefix, 0), 0u);
  EXPECT_EQ(std::stoull(second.substr(prefix.size()), nullptr, 16),
            std::stoull(first.substr(prefix.size()), nullptr, 16) + 1);
  EXPECT_EQ(first.substr(first.size() - 4), L".tmp");
}

// Each fault leaves the target as it was, the temporary gone, and a plain message.
TEST(AtomicWriteFaults, EveryFailureKeepsTheOriginal) {
  struct Case {
    const char* name;
    std::function<void(TempDir&)> fault;
    std::filesystem::path target;
    const char* error;
    bool via_taken = false;
  };
  UniqueFile holder;
  const std::wstring taken = L"a.md.tavrel-taken.tmp";
  const Case cases[] = {
      {"target held open",
       [&](TempDir& dir) {
         holder = UniqueFile(CreateFileW((dir / "a.md").c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         0, nullptr));
       },
       "a.md", "Cannot replace destination; original file preserved"},
      {"temporary name taken", [&](TempDir& dir) { write_bytes(dir.path() / taken, "someone's"); },
       "a.md", "Cannot create temporary file", true},
      {"missing folder", [](TempDir&) {}, "no/a.md", "Cannot create temporary file"},
      {"target is a folder", [](TempDir& dir) { std::filesystem::create_directory(dir / "sub"); },
       "sub", "Cannot replace destination; original file preserved"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    write_bytes(dir / "a.md", "original");
    c.fault(dir);
    const bool via_taken = c.via_taken;
    EXPECT_EQ(error_text([&] {
                if (via_taken) {
                  write_file_atomic_via(dir.path() / c.target, "new",
                                        (dir.path() / taken).native());
                } else {
                  write_file_atomic(dir.path() / c.target, "new");
                }
              }),
              c.error);
    holder = UniqueFile();
    EXPECT_EQ(read_bytes(dir / "a.md"), "original");
    EXPECT_EQ(leftover_temporaries(dir.path()), via_taken ? 1u : 0u);
    if (via_taken) {
      EXPECT_EQ(read_bytes(dir.path() / taken), "someone's");  // never deleted
    }
  }
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
  std::filesystem::remove(dir / "a.md");
  doc.text = "back";  // nor is a deleted file
  write_document(doc, dir / "a.md", false);
  EXPECT_EQ(read_bytes(dir / "a.md"), "back");
}
