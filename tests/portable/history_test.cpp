#include "core/history.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

using namespace tavrel::win;
namespace fs = std::filesystem;
using tavrel::test::error_text;
using tavrel::test::read_bytes;
using tavrel::test::TempDir;
using tavrel::test::write_bytes;

namespace {

constexpr std::int64_t kTicks = 17000000000000000;  // a moment of 2023, 17 digits

// Records what would be written and writes it plainly.
struct RecordingWriter {
  std::vector<fs::path> targets;
  HistoryWriter writer() {
    return [this](const fs::path& target, const std::string& bytes) {
      targets.push_back(target);
      write_bytes(target, bytes);
    };
  }
};

std::vector<std::string> names_in(const fs::path& folder) {
  std::vector<std::string> names;
  for (const fs::path& file : list_history_snapshots(folder))
    names.push_back(file.filename().string());
  return names;
}

}  // namespace

TEST(HistoryNaming, FolderIsTheFnv1aOfTheUtf16Path) {
  EXPECT_EQ(history_hash(u""), 14695981039346656037ull);
  EXPECT_EQ(history_hash(u"a"), 620337896427418084ull);
  EXPECT_EQ(history_hash(u"C:\\Notes\\a.md"), 3487147471617488009ull);
  // Letter case is not folded: another spelling is another folder.
  EXPECT_EQ(history_hash(u"C:\\notes\\a.md"), 10135062540846169513ull);
  // Non-ASCII units, and a surrogate pair as two units.
  EXPECT_EQ(history_hash(u"C:\\Ghi ch\u00FA\\\U0001F600.md"), 9323962774610923307ull);
}

TEST(HistoryNaming, FolderNameComesFromTheNativePath) {
  const fs::path root = "history";
#ifdef _WIN32
  const fs::path file = L"C:\\Ghi ch\u00FA\\\U0001F600.md";
  EXPECT_EQ(history_folder(root, file), root / "9323962774610923307");
#else
  const fs::path file = u8"/notes/\U0001F600 ch\u00FA.md";
  EXPECT_EQ(history_folder(root, file), root / "17484294748368481259");
#endif
}

TEST(HistoryNaming, SnapshotNameIsTheTickCount) {
  EXPECT_EQ(history_snapshot_name(kTicks), "17000000000000000.md");
  // Ticks since 1970 in 100-ns units: well past 2020 and not in milliseconds or nanoseconds.
  const std::int64_t now = history_ticks_now();
  EXPECT_GT(now, 15778368000000000);  // 2020-01-01
  EXPECT_LT(now, 41024448000000000);  // 2100-01-01
}

TEST(HistoryPruning, TheOldestGoFirst) {
  std::vector<fs::path> sorted;
  for (int i = 0; i < 23; ++i) sorted.push_back(history_snapshot_name(kTicks + i));
  const std::vector<fs::path> gone = snapshots_to_prune(sorted);
  ASSERT_EQ(gone.size(), 3u);
  EXPECT_EQ(gone[0], sorted[0]);
  EXPECT_EQ(gone[2], sorted[2]);
  EXPECT_TRUE(
      snapshots_to_prune(std::vector<fs::path>(sorted.begin(), sorted.begin() + 20)).empty());
}

TEST(HistoryPruning, NamesNeverRepeatOrGoBack) {
  const std::vector<fs::path> sorted = {history_snapshot_name(kTicks),
                                        history_snapshot_name(kTicks + 5), "notes.md"};
  EXPECT_EQ(next_snapshot_ticks(sorted, kTicks + 100), kTicks + 100);
  EXPECT_EQ(next_snapshot_ticks(sorted, kTicks + 5), kTicks + 6);   // the same tick
  EXPECT_EQ(next_snapshot_ticks(sorted, kTicks - 50), kTicks + 6);  // a clock set back
  EXPECT_EQ(next_snapshot_ticks({}, kTicks), kTicks);
}

TEST(HistorySnapshot, KeepsTheVersionOnDiskAsUtf8WithLf) {
  TempDir dir;
  const fs::path file = dir / "doc.md";
  // UTF-16 LE with a byte-order mark and CRLF: "a" CR LF "\u00e9".
  write_bytes(file, tavrel::test::bytes({0xFF, 0xFE, 'a', 0, '\r', 0, '\n', 0, 0xE9, 0}));
  RecordingWriter recorder;
  const fs::path written = save_history_snapshot(dir / "history", file, recorder.writer(), kTicks);
  EXPECT_EQ(written, history_folder(dir / "history", file) / "17000000000000000.md");
  EXPECT_EQ(read_bytes(written), "a\n\xC3\xA9");
  EXPECT_EQ(recorder.targets, std::vector<fs::path>{written});
}

TEST(HistorySnapshot, NoFileOnDiskMeansNoSnapshotAndNoFolder) {
  TempDir dir;
  RecordingWriter recorder;
  EXPECT_EQ(save_history_snapshot(dir / "history", dir / "new.md", recorder.writer(), kTicks),
            fs::path());
  EXPECT_FALSE(fs::exists(dir / "history"));
  fs::create_directories(dir / "folder.md");
  EXPECT_EQ(save_history_snapshot(dir / "history", dir / "folder.md", recorder.writer(), kTicks),
            fs::path());
  EXPECT_TRUE(recorder.targets.empty());
}

TEST(HistorySnapshot, EqualToTheNewestIsNotWrittenAgain) {
  TempDir dir;
  const fs::path file = dir / "doc.md";
  write_bytes(file, "one\n");
  RecordingWriter recorder;
  save_history_snapshot(dir / "history", file, recorder.writer(), kTicks);
  EXPECT_EQ(save_history_snapshot(dir / "history", file, recorder.writer(), kTicks + 1),
            fs::path());
  // The same text with other line ends reads the same.
  write_bytes(file, "one\r\n");
  EXPECT_EQ(save_history_snapshot(dir / "history", file, recorder.writer(), kTicks + 2),
            fs::path());
  write_bytes(file, "two\n");
  save_history_snapshot(dir / "history", file, recorder.writer(), kTicks + 3);
  // Equal to an older snapshot but not to the newest: written.
  write_bytes(file, "one\n");
  save_history_snapshot(dir / "history", file, recorder.writer(), kTicks + 4);
  EXPECT_EQ(recorder.targets.size(), 3u);
  EXPECT_EQ(names_in(history_folder(dir / "history", file)),
            (std::vector<std::string>{"17000000000000000.md", "17000000000000003.md",
                                      "17000000000000004.md"}));
}

TEST(HistorySnapshot, UnreadableNewestCountsAsDifferent) {
  TempDir dir;
  const fs::path file = dir / "doc.md";
  write_bytes(file, "text");
  const fs::path folder = history_folder(dir / "history", file);
  fs::create_directories(folder);
  // Same text but a NUL byte makes it unreadable as text; so would bytes that are not UTF-8.
  write_bytes(folder / history_snapshot_name(kTicks), std::string("text\0", 5));
  RecordingWriter recorder;
  const fs::path written =
      save_history_snapshot(dir / "history", file, recorder.writer(), kTicks + 1);
  EXPECT_EQ(written, folder / history_snapshot_name(kTicks + 1));
  EXPECT_EQ(read_bytes(written), "text");

  write_bytes(folder / history_snapshot_name(kTicks + 2), "\xC0\x80");
  EXPECT_EQ(save_history_snapshot(dir / "history", file, recorder.writer(), kTicks + 3),
            folder / history_snapshot_name(kTicks + 3));
}

TEST(HistorySnapshot, TwentyFiveVersionsLeaveTheNewestTwenty) {
  TempDir dir;
  const fs::path file = dir / "doc.md";
  RecordingWriter recorder;
  for (int i = 0; i < 25; ++i) {
    write_bytes(file, "version " + std::to_string(i));
    save_history_snapshot(dir / "history", file, recorder.writer(), kTicks + i);
  }
  const std::vector<fs::path> kept = list_history_snapshots(history_folder(dir / "history", file));
  ASSERT_EQ(kept.size(), kHistoryLimit);
  EXPECT_EQ(kept.front().filename(), history_snapshot_name(kTicks + 5));
  EXPECT_EQ(read_bytes(kept.front()), "version 5");
  EXPECT_EQ(read_bytes(kept.back()), "version 24");
}

TEST(HistorySnapshot, SameTickOrClockSetBackNeverReplacesASnapshot) {
  TempDir dir;
  const fs::path file = dir / "doc.md";
  RecordingWriter recorder;
  write_bytes(file, "first");
  save_history_snapshot(dir / "history", file, recorder.writer(), kTicks);
  write_bytes(file, "second");
  const fs::path same_tick =
      save_history_snapshot(dir / "history", file, recorder.writer(), kTicks);
  write_bytes(file, "third");
  const fs::path earlier =
      save_history_snapshot(dir / "history", file, recorder.writer(), kTicks - 9);
  const fs::path folder = history_folder(dir / "history", file);
  EXPECT_EQ(read_bytes(folder / history_snapshot_name(kTicks)), "first");
  EXPECT_EQ(same_tick, folder / history_snapshot_name(kTicks + 1));
  EXPECT_EQ(earlier, folder / history_snapshot_name(kTicks + 2));
  EXPECT_EQ(read_bytes(list_history_snapshots(folder).back()), "third");
}

TEST(HistorySnapshot, OnlyMdFilesCountAsSnapshots) {
  TempDir dir;
  const fs::path folder = dir / "h";
  fs::create_directories(folder / "sub.md");
  write_bytes(folder / "17000000000000001.md", "a");
  write_bytes(folder / "17000000000000002.md.tavrel-1-5.tmp", "b");
  write_bytes(folder / "17000000000000003.MD", "c");
  EXPECT_EQ(names_in(folder), std::vector<std::string>{"17000000000000001.md"});
  EXPECT_TRUE(list_history_snapshots(dir / "missing").empty());
}

TEST(HistorySnapshot, FailuresOfTheFileAndTheWriterPassOn) {
  TempDir dir;
  const fs::path file = dir / "doc.md";
  write_bytes(file, std::string("bin\0ary", 7));
  RecordingWriter recorder;
  EXPECT_EQ(
      error_text([&] { save_history_snapshot(dir / "history", file, recorder.writer(), kTicks); }),
      "Binary files are not supported");

  write_bytes(file, "fine");
  const HistoryWriter failing = [](const fs::path&, const std::string&) {
    throw std::runtime_error("Cannot create temporary file");
  };
  EXPECT_EQ(error_text([&] { save_history_snapshot(dir / "history", file, failing, kTicks); }),
            "Cannot create temporary file");

  // A history root that is a file cannot hold folders.
  write_bytes(dir / "blocked", "x");
  EXPECT_NE(
      error_text([&] { save_history_snapshot(dir / "blocked", file, recorder.writer(), kTicks); }),
      "");
}
