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

namespace {

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
  EXPECT_TRUE(record.text.empty() && record.path.empty() && !record.crlf);
  EXPECT_EQ(record.encoding, TextEncoding::Utf8);
  EXPECT_EQ(record.disk_time, 0);
  const std::pair<const char*, TextEncoding> encodings[] = {
      {"7", TextEncoding::Utf16Be}, {"-2", TextEncoding::Utf8},
      {"0", TextEncoding::Utf8},    {"3", TextEncoding::Utf16Be},
      {"2", TextEncoding::Utf16Le}, {"18446744073709551615", TextEncoding::Utf16Be}};
  for (const auto& [value, encoding] : encodings) {
    EXPECT_EQ(parse_recovery_snapshot(std::string("{\"encoding\":") + value + "}").encoding,
              encoding)
        << value;
  }
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
  tavrel::test::write_bytes(dir / (kId + ".json"), build_recovery_snapshot(record));
  tavrel::test::write_bytes(dir / "notes.json", "{}");
  tavrel::test::write_bytes(dir / "upper.JSON", "{}");
  tavrel::test::write_bytes(dir / "left.json.tavrel-1-2.tmp", "{");
  std::vector<fs::path> names;
  for (const fs::path& file : list_recovery_candidates(dir.path()))
    names.push_back(file.filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<fs::path>{"notes.json", kId + ".json"}));
  EXPECT_TRUE(list_recovery_candidates(dir / "missing").empty());

  const RecoveredDocument document = load_recovery_snapshot(dir / (kId + ".json"));
  EXPECT_TRUE(document.id == kId && document.record.text == "kept");
  EXPECT_EQ(error_text([&] { load_recovery_snapshot(dir / "notes.json"); }),
            "Damaged recovery file notes.json: the file name is no document id");
  const std::string damaged = "{11111111-2222-3333-4444-555555555555}.json";
  tavrel::test::write_bytes(dir / damaged, "{\"crlf\":\"yes\"}");
  EXPECT_EQ(error_text([&] { load_recovery_snapshot(dir / damaged); }),
            "Damaged recovery file " + damaged + ": \"crlf\" is not a boolean");
  tavrel::test::write_bytes(dir / damaged, std::string("{\"text\":\"a\0b\"}", 14));
  EXPECT_EQ(error_text([&] { load_recovery_snapshot(dir / damaged); }),
            "Damaged recovery file " + damaged + ": Binary files are not supported");
  EXPECT_TRUE(fs::exists(dir / damaged));  // a damaged snapshot is left where it is
  EXPECT_NE(error_text([&] { load_recovery_snapshot(dir / ("{9" + damaged.substr(2))); }), "");
  // A byte-order mark and CR LF still read.
  tavrel::test::write_bytes(dir / (kId + ".json"),
                            "\xEF\xBB\xBF{\r\n\"text\": \"a\\r\\nb\",\r\n\"crlf\": true}\r\n");
  EXPECT_EQ(load_recovery_snapshot(dir / (kId + ".json")).record.text, "a\r\nb");
}
