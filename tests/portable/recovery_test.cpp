#include "core/recovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/text_convert.h"
#include "test_support.h"

using namespace tavrel::win;
namespace fs = std::filesystem;
using tavrel::test::error_text;
using tavrel::test::TempDir;

namespace {

constexpr const char* kId = "{0A1B2C3D-4E5F-6789-ABCD-EF0123456789}";

RecoveryRecord sample_record() {
  RecoveryRecord record;
  record.text = "# Ghi ch\xC3\xBA\n\nEmoji \xF0\x9F\x98\x80 and \"quotes\" \\ tab\t.\n";
  record.path = to_wide("C:\\Users\\An\\T\xC3\xA0i li\xE1\xBB\x87u\\notes.md");
  record.encoding = TextEncoding::Utf16Le;
  record.crlf = true;
  record.disk_time = 133000000000000000;
  return record;
}

// The reason a snapshot is refused, or "" when it is accepted.
std::string refusal(const std::string& json_text) {
  return error_text([&] { parse_recovery_snapshot(json_text); });
}

}  // namespace

TEST(RecoverySnapshot, IsCompactSortedJsonWithUtf8Text) {
  RecoveryRecord record;
  record.text = "Xin ch\xC3\xA0o\nline";
  record.path = to_wide("C:\\a.md");
  record.encoding = TextEncoding::Utf8Bom;
  record.crlf = false;
  record.disk_time = 42;
  EXPECT_EQ(build_recovery_snapshot(record),
            "{\"crlf\":false,\"diskTime\":42,\"encoding\":1,\"path\":\"C:\\\\a.md\","
            "\"text\":\"Xin ch\xC3\xA0o\\nline\"}");
}

TEST(RecoverySnapshot, RoundTripKeepsEveryMember) {
  const RecoveryRecord record = sample_record();
  const RecoveryRecord back = parse_recovery_snapshot(build_recovery_snapshot(record));
  EXPECT_EQ(back.text, record.text);
  EXPECT_EQ(back.path, record.path);
  EXPECT_EQ(back.encoding, record.encoding);
  EXPECT_EQ(back.crlf, record.crlf);
  EXPECT_EQ(back.disk_time, record.disk_time);

  RecoveryRecord untitled;
  untitled.text = "";
  const RecoveryRecord empty = parse_recovery_snapshot(build_recovery_snapshot(untitled));
  EXPECT_TRUE(empty.path.empty());
  EXPECT_TRUE(empty.text.empty());
  EXPECT_EQ(empty.disk_time, 0);
}

TEST(RecoverySnapshot, BuildRefusesTextThatIsNotUtf8) {
  RecoveryRecord record;
  record.text = "bad \xC0\x80";
  EXPECT_EQ(error_text([&] { build_recovery_snapshot(record); }), "Invalid UTF-8");
}

TEST(RecoverySnapshot, AbsentMembersTakeTheirDefaults) {
  const RecoveryRecord record = parse_recovery_snapshot("{}");
  EXPECT_EQ(record.text, "");
  EXPECT_TRUE(record.path.empty());
  EXPECT_EQ(record.encoding, TextEncoding::Utf8);
  EXPECT_FALSE(record.crlf);
  EXPECT_EQ(record.disk_time, 0);
  // Members the program does not know are no damage.
  EXPECT_EQ(parse_recovery_snapshot("{\"text\":\"a\",\"extra\":[1,2]}").text, "a");
}

TEST(RecoverySnapshot, EncodingIsClampedIntoItsRange) {
  EXPECT_EQ(parse_recovery_snapshot("{\"encoding\":7}").encoding, TextEncoding::Utf16Be);
  EXPECT_EQ(parse_recovery_snapshot("{\"encoding\":-2}").encoding, TextEncoding::Utf8);
  EXPECT_EQ(parse_recovery_snapshot("{\"encoding\":18446744073709551615}").encoding,
            TextEncoding::Utf16Be);
  EXPECT_EQ(parse_recovery_snapshot("{\"encoding\":2}").encoding, TextEncoding::Utf16Le);
}

TEST(RecoverySnapshot, RefusesTextThatIsNoJsonObject) {
  for (const char* text : {"", "not json", "{\"text\":\"a\"", "[]", "\"text\"", "null", "42",
                           "{\"text\":\"a\"} trailing", "{\"text\":\"a\",}"}) {
    EXPECT_NE(refusal(text), "") << text;
  }
}

TEST(RecoverySnapshot, RefusesEachDamagedMember) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{\"text\":5}", "\"text\" is not a string"},
      {"{\"text\":null}", "\"text\" is not a string"},
      {"{\"text\":[\"a\"]}", "\"text\" is not a string"},
      {"{\"text\":\"a\\u0000b\"}", "\"text\" holds a NUL character"},
      {"{\"path\":true}", "\"path\" is not a string"},
      {"{\"path\":\"notes.md\"}", "\"path\" is not an absolute path"},
      {"{\"path\":\"\\\\notes.md\"}", "\"path\" is not an absolute path"},
      {"{\"path\":\"C:notes.md\"}", "\"path\" is not an absolute path"},
      {"{\"path\":\"C:\\\\a\\u0000.md\"}", "\"path\" holds a NUL character"},
      {"{\"encoding\":\"1\"}", "\"encoding\" is not an integer"},
      {"{\"encoding\":1.5}", "\"encoding\" is not an integer"},
      {"{\"encoding\":null}", "\"encoding\" is not an integer"},
      {"{\"crlf\":1}", "\"crlf\" is not a boolean"},
      {"{\"crlf\":\"true\"}", "\"crlf\" is not a boolean"},
      {"{\"diskTime\":\"5\"}", "\"diskTime\" is not an integer"},
      {"{\"diskTime\":1e3}", "\"diskTime\" is not an integer"},
      {"{\"diskTime\":-1}", "\"diskTime\" is out of range"},
      {"{\"diskTime\":9223372036854775808}", "\"diskTime\" is out of range"},
  };
  for (const auto& [json_text, reason] : cases) {
    EXPECT_EQ(refusal(json_text), "Damaged recovery snapshot: " + reason) << json_text;
  }
}

TEST(RecoverySnapshot, RefusesStringsThatAreNotUtf8) {
  // Raw bytes that are no UTF-8, and escapes that name half a surrogate pair.
  EXPECT_NE(refusal("{\"text\":\"\xC0\x80\"}"), "");
  EXPECT_NE(refusal("{\"text\":\"\xED\xA0\x80\"}"), "");
  EXPECT_NE(refusal("{\"text\":\"\\ud800\"}"), "");
  EXPECT_NE(refusal("{\"path\":\"C:\\\\\\udc00.md\"}"), "");
  // A proper pair is one character.
  EXPECT_EQ(parse_recovery_snapshot("{\"text\":\"\\ud83d\\ude00\"}").text, "\xF0\x9F\x98\x80");
}

TEST(RecoverySnapshot, AcceptsDriveAndUncPaths) {
  EXPECT_TRUE(is_absolute_windows_path(L"C:\\a.md"));
  EXPECT_TRUE(is_absolute_windows_path(L"d:/notes/a.md"));
  EXPECT_TRUE(is_absolute_windows_path(L"\\\\server\\share\\a.md"));
  EXPECT_TRUE(is_absolute_windows_path(L"\\\\?\\C:\\a.md"));
  EXPECT_FALSE(is_absolute_windows_path(L"C:a.md"));
  EXPECT_FALSE(is_absolute_windows_path(L"1:\\a.md"));
  EXPECT_FALSE(is_absolute_windows_path(L"\\a.md"));
  EXPECT_FALSE(is_absolute_windows_path(L"\\\\\\a.md"));
  EXPECT_FALSE(is_absolute_windows_path(L"a.md"));
}

TEST(RecoveryFiles, DocumentIdsHaveTheGuidForm) {
  EXPECT_TRUE(is_document_id(kId));
  EXPECT_FALSE(is_document_id("{0a1b2c3d-4e5f-6789-abcd-ef0123456789}"));  // lower case
  EXPECT_FALSE(is_document_id("0A1B2C3D-4E5F-6789-ABCD-EF0123456789"));
  EXPECT_FALSE(is_document_id("{0A1B2C3D-4E5F-6789-ABCD-EF012345678G}"));
  EXPECT_FALSE(is_document_id("{0A1B2C3D4-E5F-6789-ABCD-EF0123456789}"));
  EXPECT_FALSE(is_document_id("{..\\..\\settings}"));
  EXPECT_FALSE(is_document_id(""));
}

TEST(RecoveryFiles, FileIsNamedAfterTheIdInTheRecoveryFolder) {
  const fs::path profile = fs::path("profile");
  EXPECT_EQ(recovery_file_path(profile, kId), profile / "recovery" / (std::string(kId) + ".json"));
  EXPECT_EQ(error_text([&] { recovery_file_path(profile, "..\\settings"); }),
            "Invalid document id");
  EXPECT_EQ(recovery_id_from_file(profile / "recovery" / (std::string(kId) + ".json")), kId);
  EXPECT_EQ(recovery_id_from_file(std::string(kId) + ".JSON"), "");
  EXPECT_EQ(recovery_id_from_file("notes.json"), "");
  EXPECT_EQ(recovery_id_from_file(std::string(kId) + ".json.tmp"), "");
}

TEST(RecoveryFiles, CandidatesAreTheJsonEntriesExactly) {
  TempDir dir;
  tavrel::test::write_bytes(dir / (std::string(kId) + ".json"), "{}");
  tavrel::test::write_bytes(dir / "other.json", "{}");
  tavrel::test::write_bytes(dir / "upper.JSON", "{}");
  tavrel::test::write_bytes(dir / "left.json.tavrel-1-2.tmp", "{");
  std::vector<fs::path> names;
  for (const fs::path& file : list_recovery_candidates(dir.path()))
    names.push_back(file.filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<fs::path>{"other.json", std::string(kId) + ".json"}));
  EXPECT_TRUE(list_recovery_candidates(dir / "missing").empty());
}

TEST(RecoveryFiles, LoadingChecksTheNameAndEveryMember) {
  TempDir dir;
  const fs::path good = dir / (std::string(kId) + ".json");
  tavrel::test::write_bytes(good, build_recovery_snapshot(sample_record()));
  const RecoveredDocument document = load_recovery_snapshot(good);
  EXPECT_EQ(document.id, kId);
  EXPECT_EQ(document.record.text, sample_record().text);

  const fs::path misnamed = dir / "notes.json";
  tavrel::test::write_bytes(misnamed, "{}");
  EXPECT_EQ(error_text([&] { load_recovery_snapshot(misnamed); }),
            "Damaged recovery file notes.json: the file name is no document id");

  const fs::path damaged = dir / "{11111111-2222-3333-4444-555555555555}.json";
  tavrel::test::write_bytes(damaged, "{\"crlf\":\"yes\"}");
  EXPECT_EQ(error_text([&] { load_recovery_snapshot(damaged); }),
            "Damaged recovery file {11111111-2222-3333-4444-555555555555}.json: "
            "\"crlf\" is not a boolean");
  tavrel::test::write_bytes(damaged, std::string("{\"text\":\"a\0b\"}", 14));
  EXPECT_EQ(error_text([&] { load_recovery_snapshot(damaged); }),
            "Damaged recovery file {11111111-2222-3333-4444-555555555555}.json: "
            "Binary files are not supported");
  // A damaged snapshot is left where it is.
  EXPECT_TRUE(fs::exists(damaged));

  const fs::path missing = dir / "{99999999-2222-3333-4444-555555555555}.json";
  EXPECT_NE(error_text([&] { load_recovery_snapshot(missing); }), "");
}

TEST(RecoveryFiles, SnapshotWithByteOrderMarkOrCrlfStillReads) {
  TempDir dir;
  const fs::path file = dir / (std::string(kId) + ".json");
  tavrel::test::write_bytes(file,
                            "\xEF\xBB\xBF{\r\n\"text\": \"a\\r\\nb\",\r\n\"crlf\": true}\r\n");
  const RecoveredDocument document = load_recovery_snapshot(file);
  EXPECT_EQ(document.record.text, "a\r\nb");
  EXPECT_TRUE(document.record.crlf);
}
