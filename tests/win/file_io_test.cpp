// Atomic writes and document saves on the real Win32 file system, with faults injected.
#include "core/file_io_win.h"

#include <gtest/gtest.h>

#include <thread>

#include "core/handles_win.h"
#include "tests/portable/test_support.h"

using namespace tavrel::win;
using tavrel::test::error_text;
using tavrel::test::read_bytes;
using tavrel::test::TempDir;
using tavrel::test::write_bytes;

namespace {

// Files in `dir` that an atomic write could have left behind.
size_t leftover_temporaries(const std::filesystem::path& dir) {
  size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.path().extension() == ".tmp") ++count;
  return count;
}

UniqueFile hold_open(const std::filesystem::path& path, DWORD share) {
  return UniqueFile(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

TEST(AtomicWrite, ReplacesContentAndLeavesNothingBehind) {
  TempDir dir;
  write_file_atomic(dir / "a.md", "first");
  write_file_atomic(dir / "a.md", "second, longer");
  EXPECT_EQ(read_bytes(dir / "a.md"), "second, longer");
  write_file_atomic(dir / "a.md", "");
  EXPECT_EQ(read_bytes(dir / "a.md"), "");
  EXPECT_EQ(leftover_temporaries(dir.path()), 0u);
}

TEST(AtomicWrite, TemporaryNamesCountUpBesideTheTarget) {
  TempDir dir;
  std::wstring first = next_temp_name(dir / "notes.md");
  std::wstring second = next_temp_name(dir / "notes.md");
  std::wstring prefix = (dir / "~tvr").wstring();
  ASSERT_EQ(first.rfind(prefix, 0), 0u);
  ASSERT_EQ(second.rfind(prefix, 0), 0u);
  uint64_t n1 = std::stoull(first.substr(prefix.size()), nullptr, 16);
  uint64_t n2 = std::stoull(second.substr(prefix.size()), nullptr, 16);
  EXPECT_EQ(n2, n1 + 1);
  EXPECT_EQ(first.substr(first.size() - 4), L".tmp");
}

TEST(AtomicWriteFaults, TargetHeldOpenKeepsTheOriginal) {
  TempDir dir;
  write_bytes(dir / "a.md", "original");
  {
    UniqueFile holder = hold_open(dir / "a.md", FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(holder);
    EXPECT_EQ(error_text([&] { write_file_atomic(dir / "a.md", "new"); }),
              "Cannot replace destination; original file preserved");
  }
  EXPECT_EQ(read_bytes(dir / "a.md"), "original");
  EXPECT_EQ(leftover_temporaries(dir.path()), 0u);
}

TEST(AtomicWriteFaults, ExistingTemporaryNameIsNeverDeleted) {
  TempDir dir;
  write_bytes(dir / "a.md", "original");
  std::wstring taken = (dir / "a.md").wstring() + L".tavrel-taken.tmp";
  write_bytes(taken, "someone else's file");
  EXPECT_EQ(error_text([&] { write_file_atomic_via(dir / "a.md", "new", taken); }),
            "Cannot create temporary file");
  EXPECT_EQ(read_bytes(taken), "someone else's file");
  EXPECT_EQ(read_bytes(dir / "a.md"), "original");
}

TEST(AtomicWriteFaults, MissingFolderFailsCleanly) {
  TempDir dir;
  EXPECT_EQ(error_text([&] { write_file_atomic(dir / "no" / "a.md", "x"); }),
            "Cannot create temporary file");
  EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

TEST(AtomicWriteFaults, TargetIsAFolder) {
  TempDir dir;
  std::filesystem::create_directory(dir / "sub");
  EXPECT_EQ(error_text([&] { write_file_atomic(dir / "sub", "x"); }),
            "Cannot replace destination; original file preserved");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "sub"));
  EXPECT_EQ(leftover_temporaries(dir.path()), 0u);
}

TEST(Documents, AllEncodingsRoundTripWithTheirLineEnds) {
  TempDir dir;
  const std::string text = "# Tiêu đề\n\nCâu 😀\n";
  for (auto encoding :
       {TextEncoding::Utf8, TextEncoding::Utf8Bom, TextEncoding::Utf16Le, TextEncoding::Utf16Be}) {
    for (bool crlf : {false, true}) {
      std::filesystem::path file =
          dir / ("doc" + std::to_string(int(encoding)) + (crlf ? "w" : "u"));
      write_bytes(file, encode_text_bytes(text, crlf, encoding));
      Document doc = load_document(file);
      EXPECT_EQ(doc.text, text);
      EXPECT_EQ(doc.encoding, encoding);
      EXPECT_EQ(doc.crlf, crlf);
      doc.text += "more\n";
      doc.modified = true;
      write_document(doc, file, false);
      EXPECT_FALSE(doc.modified);
      EXPECT_EQ(read_bytes(file), encode_text_bytes(text + "more\n", crlf, encoding));
    }
  }
}

TEST(Documents, LoadMakesThePathAbsoluteAndNormal) {
  TempDir dir;
  std::filesystem::create_directory(dir / "sub");
  write_bytes(dir / "a.md", "x");
  Document doc = load_document(dir.path().wstring() + L"/sub/../a.md");
  EXPECT_EQ(doc.path, (dir / "a.md").wstring());
  EXPECT_EQ(doc.path.find(L'/'), std::wstring::npos);
  EXPECT_NE(doc.disk_time, 0);
}

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
  // Save as, or a differently spelled path to the same file with the flag set, overwrites.
  write_document(doc, dir.path().wstring() + L"\\.\\a.md", true);
  EXPECT_EQ(read_bytes(dir / "a.md"), "mine, edited");
}

TEST(Documents, TwoSavesInARowSucceed) {
  TempDir dir;
  write_bytes(dir / "a.md", "v1");
  Document doc = load_document(dir / "a.md");
  doc.text = "v2";
  write_document(doc, dir / "a.md", false);
  doc.text = "v3";
  write_document(doc, dir / "a.md", false);
  EXPECT_EQ(read_bytes(dir / "a.md"), "v3");
}

TEST(Documents, DeletedFileIsWrittenWithoutCheck) {
  TempDir dir;
  write_bytes(dir / "a.md", "v1");
  Document doc = load_document(dir / "a.md");
  std::filesystem::remove(dir / "a.md");
  doc.text = "back";
  write_document(doc, dir / "a.md", false);
  EXPECT_EQ(read_bytes(dir / "a.md"), "back");
}
