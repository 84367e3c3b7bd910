#include "core/history.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "test_support.h"

using namespace tavrel::win;
namespace fs = std::filesystem;
using tavrel::test::error_text;
using tavrel::test::read_bytes;
using tavrel::test::write_bytes;

namespace {

constexpr std::int64_t kTicks = 17000000000000000;  // a moment of 2023, 17 digits

// A history root in a fresh folder, with a writer that records its targets and writes plainly.
struct HistoryFixture {
  tavrel::test::TempDir dir;
  fs::path file = dir / "doc.md";
  fs::path root = dir / "history";
  std::vector<fs::path> targets;
  HistoryWriter writer = [this](const fs::path& target, const std::string& bytes) {
    targets.push_back(target);
    write_bytes(target, bytes);
  };

  fs::path save(const std::string& content, std::int64_t ticks) {
    write_bytes(file, content);
    return save_history_snapshot(root, file, writer, ticks);
  }
  fs::path folder() const { return history_folder(root, file); }
  std::string names() const {
    std::string out;
    for (const fs::path& s : list_history_snapshots(folder())) out += s.filename().string() + " ";
    return out;
  }
};

}  // namespace

TEST(HistoryNaming, FolderIsTheFnv1aOfTheUtf16Path) {
  EXPECT_EQ(history_hash(u""), 14695981039346656037ull);
  EXPECT_EQ(history_hash(u"a"), 620337896427418084ull);
  EXPECT_EQ(history_hash(u"C:\\Notes\\a.md"), 3487147471617488009ull);
  // Letter case is not folded: another spelling is another folder.
  EXPECT_EQ(history_hash(u"C:\\notes\\a.md"), 10135062540846169513ull);
  // Non-ASCII units, and a surrogate pair as two units.
  EXPECT_EQ(history_hash(u"C:\\Ghi ch\u00FA\\\U0001F600.md"), 9323962774610923307ull);
#ifdef _WIN32
  EXPECT_EQ(history_folder("h", L"C:\\Ghi ch\u00FA\\\U0001F600.md"),
            fs::path("h") / "9323962774610923307");
#else
  EXPECT_EQ(history_folder("h", u8"/notes/\U0001F600 ch\u00FA.md"),
            fs::path("h") / "17484294748368481259");
#endif
  EXPECT_EQ(history_snapshot_name(kTicks), "17000000000000000.md");
  // Ticks of 100 ns since 1970 on the system clock, whatever date the machine has.
  const auto ticks = [] {
    const auto since_1970 = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::microseconds>(since_1970).count() * 10;
  };
  const std::int64_t before = ticks() - 10, now = history_ticks_now(), after = ticks() + 10;
  EXPECT_TRUE(before <= now && now <= after) << before << " " << now << " " << after;
}

TEST(HistoryNaming, NewNamesNeverRepeatOrGoBack) {
  const std::vector<fs::path> sorted = {history_snapshot_name(kTicks),
                                        history_snapshot_name(kTicks + 5), "notes.md"};
  EXPECT_EQ(next_snapshot_ticks(sorted, kTicks + 100), kTicks + 100);
  EXPECT_EQ(next_snapshot_ticks(sorted, kTicks + 5), kTicks + 6);   // the same tick
  EXPECT_EQ(next_snapshot_ticks(sorted, kTicks - 50), kTicks + 6);  // a clock set back
  EXPECT_EQ(next_snapshot_ticks({}, kTicks), kTicks);
  // Only names of one to eighteen decimal digits count; every digit does.
  const std::pair<const char*, std::int64_t> names[] = {
      {"0.md", 1},  {"9.md", 10}, {"1090.md", 1091}, {"999999999999999999.md", 1000000000000000000},
      {"1/.md", 0}, {"1:.md", 0}, {".md", 0},        {"1000000000000000000.md", 0},
      {"-3.md", 0}, {"12a.md", 0}};
  for (const auto& [name, next] : names) {
    EXPECT_EQ(next_snapshot_ticks({fs::path(name)}, 0), next) << name;
  }
  // Pruning takes the oldest from the front, only beyond the limit.
  std::vector<fs::path> many;
  for (int i = 0; i < 23; ++i) many.push_back(history_snapshot_name(kTicks + i));
  EXPECT_EQ(snapshots_to_prune(many), std::vector<fs::path>(many.begin(), many.begin() + 3));
  EXPECT_TRUE(snapshots_to_prune(std::vector<fs::path>(many.begin(), many.begin() + 20)).empty());
}

TEST(HistorySnapshot, KeepsTheVersionOnDiskAsUtf8WithLf) {
  HistoryFixture h;
  // UTF-16 LE with a byte-order mark and CRLF: "a" CR LF "\u00e9".
  const fs::path written =
      h.save(tavrel::test::bytes({0xFF, 0xFE, 'a', 0, '\r', 0, '\n', 0, 0xE9, 0}), kTicks);
  EXPECT_EQ(written, h.folder() / "17000000000000000.md");
  EXPECT_EQ(read_bytes(written), "a\n\xC3\xA9");
  EXPECT_EQ(h.targets, std::vector<fs::path>{written});
  // No file on disk means no snapshot and no folder.
  HistoryFixture none;
  EXPECT_EQ(save_history_snapshot(none.root, none.file, none.writer, kTicks), fs::path());
  EXPECT_FALSE(fs::exists(none.root));
  fs::create_directories(none.file);
  EXPECT_EQ(save_history_snapshot(none.root, none.file, none.writer, kTicks), fs::path());
  EXPECT_TRUE(none.targets.empty());
}

TEST(HistorySnapshot, EqualToTheNewestIsNotWrittenAgain) {
  HistoryFixture h;
  h.save("one\n", kTicks);
  EXPECT_EQ(h.save("one\n", kTicks + 1), fs::path());
  EXPECT_EQ(h.save("one\r\n", kTicks + 2), fs::path());  // other line ends read the same
  h.save("two\n", kTicks + 3);
  h.save("one\n", kTicks + 4);  // equal to an older snapshot only: written
  EXPECT_EQ(h.names(), "17000000000000000.md 17000000000000003.md 17000000000000004.md ");
  // A newest snapshot that cannot be read as text counts as different.
  write_bytes(h.folder() / history_snapshot_name(kTicks + 5), std::string("one\n\0", 5));
  EXPECT_EQ(h.save("one\n", kTicks + 6), h.folder() / history_snapshot_name(kTicks + 6));
  write_bytes(h.folder() / history_snapshot_name(kTicks + 7), "\xC0\x80");
  EXPECT_EQ(h.save("one\n", kTicks + 8), h.folder() / history_snapshot_name(kTicks + 8));
  EXPECT_EQ(read_bytes(h.folder() / history_snapshot_name(kTicks + 8)), "one\n");
}

TEST(HistorySnapshot, TwentyFiveVersionsLeaveTheNewestTwentyInOrder) {
  HistoryFixture h;
  for (int i = 0; i < 25; ++i) h.save("version " + std::to_string(i), kTicks + i);
  const std::vector<fs::path> kept = list_history_snapshots(h.folder());
  ASSERT_EQ(kept.size(), kHistoryLimit);
  EXPECT_EQ(kept.front().filename(), history_snapshot_name(kTicks + 5));
  EXPECT_EQ(read_bytes(kept.front()), "version 5");
  EXPECT_EQ(read_bytes(kept.back()), "version 24");
  // The same tick or a clock set back never replaces a snapshot.
  EXPECT_EQ(h.save("second", kTicks + 24), h.folder() / history_snapshot_name(kTicks + 25));
  EXPECT_EQ(h.save("third", kTicks - 9), h.folder() / history_snapshot_name(kTicks + 26));
  EXPECT_EQ(read_bytes(h.folder() / history_snapshot_name(kTicks + 24)), "version 24");
}

TEST(HistorySnapshot, OnlyMdFilesCountAndFailuresPassOn) {
  HistoryFixture h;
  const fs::path folder = h.dir / "h";
  fs::create_directories(folder / "sub.md");
  write_bytes(folder / "17000000000000001.md", "a");
  write_bytes(folder / "17000000000000002.md.tavrel-1-5.tmp", "b");
  write_bytes(folder / "17000000000000003.MD", "c");
  EXPECT_EQ(list_history_snapshots(folder), std::vector<fs::path>{folder / "17000000000000001.md"});
  EXPECT_TRUE(list_history_snapshots(h.dir / "missing").empty());

  EXPECT_EQ(error_text([&] { h.save(std::string("bin\0ary", 7), kTicks); }),
            "Binary files are not supported");
  write_bytes(h.file, "fine");
  const HistoryWriter failing = [](const fs::path&, const std::string&) {
    throw std::runtime_error("Cannot create temporary file");
  };
  EXPECT_EQ(error_text([&] { save_history_snapshot(h.root, h.file, failing, kTicks); }),
            "Cannot create temporary file");
  write_bytes(h.dir / "blocked", "x");  // a history root that is a file cannot hold folders
  EXPECT_NE(error_text([&] { save_history_snapshot(h.dir / "blocked", h.file, h.writer, kTicks); }),
            "");
}
