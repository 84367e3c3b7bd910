#include "core/recovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "core/history.h"
#include "core/text_convert.h"
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
  fs::path snapshot(std::int64_t ticks) const {
    return history_folder(root, file) / history_snapshot_name(ticks);
  }
};

const std::string kId = "{0A1B2C3D-4E5F-6789-ABCD-EF0123456789}";

// The reason a snapshot is refused, or "" when it is accepted.
std::string refusal(const std::string& json_text) {
  return error_text([&] { parse_recovery_snapshot(json_text); });
}

}  // namespace

TEST(RecoverySnapshot, IsCompactSortedJsonThatRoundTrips) {
  RecoveryRecord record;
  record.text = "Xin ch\xC3\xA0o\nline";
  record.path = L"C:\\a.md";
  record.encoding = TextEncoding::Utf8Bom;
  record.disk_time = 42;
  EXPECT_EQ(build_recovery_snapshot(record),
            "{\"crlf\":false,\"diskTime\":42,\"encoding\":1,\"path\":\"C:\\\\a.md\","
            "\"text\":\"Xin ch\xC3\xA0o\\nline\"}");
  record.text = "# Ghi ch\xC3\xBA\n\nEmoji \xF0\x9F\x98\x80 \"quotes\" \\ tab\t.\n";
  record.path = to_wide("C:\\Users\\An\\T\xC3\xA0i li\xE1\xBB\x87u\\notes.md");
  record.encoding = TextEncoding::Utf16Le;
  record.crlf = true;
  record.disk_time = 133000000000000000;
  const RecoveryRecord back = parse_recovery_snapshot(build_recovery_snapshot(record));
  EXPECT_TRUE(back.text == record.text && back.path == record.path &&
              back.encoding == record.encoding && back.crlf && back.disk_time == record.disk_time);
  record.text = "bad \xC0\x80";
  EXPECT_EQ(error_text([&] { build_recovery_snapshot(record); }), "Invalid UTF-8");
}

TEST(RecoverySnapshot, AbsentMembersTakeDefaultsAndEncodingIsClamped) {
  const RecoveryRecord record = parse_recovery_snapshot("{\"extra\":[1,2]}");  // unknown: no damage
  EXPECT_TRUE(record.text.empty() && record.path.empty() && !record.crlf &&
              record.encoding == TextEncoding::Utf8 && record.disk_time == 0);
  std::vector<TextEncoding> encodings;
  for (const char* value : {"7", "-2", "0", "3", "2", "18446744073709551615"}) {
    encodings.push_back(
        parse_recovery_snapshot(std::string("{\"encoding\":") + value + "}").encoding);
  }
  using enum TextEncoding;
  EXPECT_EQ(encodings, std::vector({Utf16Be, Utf8, Utf8, Utf16Be, Utf16Le, Utf16Be}));
  EXPECT_EQ(parse_recovery_snapshot("{\"diskTime\":9223372036854775807}").disk_time,
            9223372036854775807);
  // A proper surrogate pair is one character.
  EXPECT_EQ(parse_recovery_snapshot("{\"text\":\"\\ud83d\\ude00\"}").text, "\xF0\x9F\x98\x80");
}

TEST(RecoverySnapshot, RefusesTextThatIsNoJsonObjectAndStringsThatAreNoUtf8) {
  for (const char* text : {"", "not json", "{\"text\":\"a\"", "[]", "\"text\"", "null", "42",
                           "{\"text\":\"a\"} trailing", "{\"text\":\"a\",}",
                           "{\"text\":\"\xC0\x80\"}", "{\"text\":\"\xED\xA0\x80\"}",
                           "{\"text\":\"\\ud800\"}", "{\"path\":\"C:\\\\\\udc00.md\"}"}) {
    EXPECT_NE(refusal(text), "") << text;
  }
}

TEST(RecoverySnapshot, RefusesEachDamagedMember) {
  const std::pair<const char*, const char*> cases[] = {
      {"{\"text\":5}", "\"text\" is not a string"},
      {"{\"text\":\"a\\u0000b\"}", "\"text\" holds a NUL character"},
      {"{\"path\":true}", "\"path\" is not a string"},
      {"{\"path\":\"notes.md\"}", "\"path\" is not an absolute path"},
      {"{\"path\":\"C:\\\\a\\u0000.md\"}", "\"path\" holds a NUL character"},
      {"{\"encoding\":1.5}", "\"encoding\" is not an integer"},
      {"{\"crlf\":1}", "\"crlf\" is not a boolean"},
      {"{\"diskTime\":\"5\"}", "\"diskTime\" is not an integer"},
      {"{\"diskTime\":-1}", "\"diskTime\" is out of range"},
      {"{\"diskTime\":9223372036854775808}", "\"diskTime\" is out of range"}};
  for (const auto& [json_text, reason] : cases) {
    EXPECT_EQ(refusal(json_text), std::string("Damaged recovery snapshot: ") + reason) << json_text;
  }
}

TEST(RecoveryFiles, PathsAndIdsHaveTheirForms) {
  for (const wchar_t* path : {L"C:\\a.md", L"d:/notes/a.md", L"Z:\\a", L"a:\\b", L"C:\\", L"\\\\s",
                              L"\\\\server\\share\\a.md", L"\\\\?\\C:\\a.md"}) {
    EXPECT_TRUE(is_absolute_windows_path(path)) << to_utf8(path);
  }
  for (const wchar_t* path : {L"C:a.md", L"1:\\a.md", L"@:\\a", L"[:\\a", L"`:\\a", L"{:\\a",
                              L"\\a.md", L"\\\\\\a.md", L"a.md", L""}) {
    EXPECT_FALSE(is_absolute_windows_path(path)) << to_utf8(path);
  }
  // Paths that UTF-16 can store: whole surrogate pairs only, also at either end.
  for (const auto& [path, storable] : {std::pair(L"\xD83D\xDE00:", true),
                                       {L"C:\\\xD83D\xDE00", true},
                                       {L"C:\\\xD83D", false},
                                       {L"\xDE00", false},
                                       {L"\xD83Dx", false}}) {
    EXPECT_EQ(is_utf16_storable(path), storable);
  }
  EXPECT_TRUE(is_document_id(kId));
  EXPECT_TRUE(is_document_id("{09AF09AF-0000-9999-AAAA-FFFFFFFFFFFF}"));
  for (const char* id :
       {"{0a1b2c3d-4e5f-6789-abcd-ef0123456789}", "0A1B2C3D-4E5F-6789-ABCD-EF0123456789",
        "{0A1B2C3D-4E5F-6789-ABCD-EF012345678G}", "{0A1B2C3D-4E5F-6789-ABCD-EF012345678/}",
        "{0A1B2C3D-4E5F-6789-ABCD-EF012345678:}", "{0A1B2C3D-4E5F-6789-ABCD-EF012345678@}",
        "{0A1B2C3D4-E5F-6789-ABCD-EF0123456789}", "{0A1B2C3D-4E5F-6789-ABCD-EF0123456789}x",
        "{..\\..\\settings}", ""}) {
    EXPECT_FALSE(is_document_id(id)) << id;
  }
  const fs::path profile = "profile";
  EXPECT_EQ(recovery_file_path(profile, kId), profile / "recovery" / (kId + ".json"));
  EXPECT_EQ(error_text([&] { recovery_file_path(profile, "..\\settings"); }),
            "Invalid document id");
  EXPECT_EQ(recovery_id_from_file(profile / "recovery" / (kId + ".json")), kId);
  for (const std::string& name : {kId + ".JSON", std::string("notes.json"), kId + ".json.tmp"}) {
    EXPECT_EQ(recovery_id_from_file(name), "") << name;
  }
}

TEST(RecoveryFiles, CandidatesAndLoadingCheckTheNameAndEveryMember) {
  tavrel::test::TempDir dir;
  RecoveryRecord record;
  record.text = "kept";
  write_bytes(dir / (kId + ".json"), build_recovery_snapshot(record));
  for (const char* name : {"notes.json", "upper.JSON", "left.json.tavrel-1-2.tmp"}) {
    write_bytes(dir / name, "{");
  }
  std::vector<fs::path> names = list_recovery_candidates(dir.path());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<fs::path>{dir / "notes.json", dir / (kId + ".json")}));
  EXPECT_TRUE(list_recovery_candidates(dir / "missing").empty());

  const RecoveredDocument document = load_recovery_snapshot(dir / (kId + ".json"));
  EXPECT_TRUE(document.id == kId && document.record.text == "kept");
  EXPECT_EQ(error_text([&] { load_recovery_snapshot(dir / "notes.json"); }),
            "Damaged recovery file notes.json: the file name is no document id");
  const std::string damaged = "{11111111-2222-3333-4444-555555555555}.json";
  write_bytes(dir / damaged, "{\"crlf\":\"yes\"}");
  EXPECT_EQ(error_text([&] { load_recovery_snapshot(dir / damaged); }),
            "Damaged recovery file " + damaged + ": \"crlf\" is not a boolean");
  write_bytes(dir / damaged, std::string("{\"text\":\"a\0b\"}", 14));
  EXPECT_EQ(error_text([&] { load_recovery_snapshot(dir / damaged); }),
            "Damaged recovery file " + damaged + ": Binary files are not supported");
  EXPECT_TRUE(fs::exists(dir / damaged));  // a damaged snapshot is left where it is
  EXPECT_NE(error_text([&] { load_recovery_snapshot(dir / ("{9" + damaged.substr(2))); }), "");
  // A byte-order mark and CR LF still read.
  write_bytes(dir / (kId + ".json"),
              "\xEF\xBB\xBF{\r\n\"text\": \"a\\r\\nb\",\r\n\"crlf\": true}\r\n");
  EXPECT_EQ(load_recovery_snapshot(dir / (kId + ".json")).record.text, "a\r\nb");
}

TEST(HistoryNaming, FolderIsTheFnv1aOfTheUtf16PathAndTicksAreTheSystemClock) {
  // Letter case is not folded; non-ASCII units and a surrogate pair count as UTF-16 units.
  const std::pair<std::u16string, std::uint64_t> hashes[] = {
      {u"", 14695981039346656037ull},
      {u"C:\\Notes\\a.md", 3487147471617488009ull},
      {u"C:\\notes\\a.md", 10135062540846169513ull},
      {u"C:\\Ghi ch\u00FA\\\U0001F600.md", 9323962774610923307ull}};
  for (const auto& [path, hash] : hashes) EXPECT_EQ(history_hash(path), hash);
#ifdef _WIN32
  EXPECT_EQ(history_folder("h", L"C:\\Ghi ch\u00FA\\\U0001F600.md"),
            fs::path("h") / "9323962774610923307");
#else
  EXPECT_EQ(history_folder("h", u8"/notes/\U0001F600 ch\u00FA.md"),
            fs::path("h") / "17484294748368481259");
#endif
  const auto ticks = [] {  // 100 ns since 1970, whatever date the machine has
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
}

TEST(HistorySnapshot, KeepsTheVersionOnDiskAsUtf8WithLf) {
  HistoryFixture h;
  // UTF-16 LE with a byte-order mark and CRLF: "a" CR LF "\u00e9".
  const fs::path written =
      h.save(tavrel::test::bytes({0xFF, 0xFE, 'a', 0, '\r', 0, '\n', 0, 0xE9, 0}), kTicks);
  EXPECT_EQ(written, history_folder(h.root, h.file) / "17000000000000000.md");
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
  EXPECT_EQ(h.save("one\n", kTicks + 4), h.snapshot(kTicks + 4));  // equal to an older one only
  // A newest snapshot that cannot be read as text counts as different.
  for (const std::string& unreadable : {std::string("one\n\0", 5), std::string("\xC0\x80")}) {
    write_bytes(h.snapshot(kTicks + 5), unreadable);
    EXPECT_EQ(h.save("one\n", kTicks + 6), h.snapshot(kTicks + 6));
    EXPECT_EQ(read_bytes(h.snapshot(kTicks + 6)), "one\n");
    fs::remove(h.snapshot(kTicks + 6));
  }
}

TEST(HistorySnapshot, TwentyFiveVersionsLeaveTheNewestTwentyInOrder) {
  HistoryFixture h;
  for (int i = 0; i < 25; ++i) h.save("version " + std::to_string(i), kTicks + i);
  const std::vector<fs::path> kept = list_history_snapshots(history_folder(h.root, h.file));
  ASSERT_EQ(kept.size(), kHistoryLimit);
  EXPECT_EQ(kept.front(), h.snapshot(kTicks + 5));
  EXPECT_EQ(read_bytes(kept.front()), "version 5");
  // The same tick or a clock set back never replaces a snapshot.
  EXPECT_EQ(h.save("second", kTicks + 24), h.snapshot(kTicks + 25));
  EXPECT_EQ(h.save("third", kTicks - 9), h.snapshot(kTicks + 26));
  EXPECT_EQ(read_bytes(h.snapshot(kTicks + 24)), "version 24");
}

TEST(HistorySnapshot, OnlyMdFilesCountAndFailuresPassOn) {
  HistoryFixture h;
  const fs::path folder = h.dir / "h";
  fs::create_directories(folder / "sub.md");
  for (const char* name : {"1.md", "2.md.tavrel-1-5.tmp", "3.MD"}) write_bytes(folder / name, "a");
  EXPECT_EQ(list_history_snapshots(folder), std::vector<fs::path>{folder / "1.md"});
  EXPECT_TRUE(list_history_snapshots(h.dir / "missing").empty());

  EXPECT_EQ(error_text([&] { h.save(std::string("bin\0ary", 7), kTicks); }),
            "Binary files are not supported");
  const HistoryWriter failing = [](const fs::path&, const std::string&) {
    throw std::runtime_error("Cannot create temporary file");
  };
  write_bytes(h.file, "fine");
  EXPECT_EQ(error_text([&] { save_history_snapshot(h.root, h.file, failing, kTicks); }),
            "Cannot create temporary file");
  write_bytes(h.dir / "blocked", "x");  // a history root that is a file cannot hold folders
  EXPECT_NE(error_text([&] { save_history_snapshot(h.dir / "blocked", h.file, h.writer, kTicks); }),
            "");
}
