#include "core/instance_payload.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/profile.h"
#include "core/text_convert.h"

using namespace tavrel::win;

namespace {

ReceivedArguments decode(std::string_view json, std::uint64_t tag = kForwardedArgumentsTag) {
  return decode_forwarded_arguments(tag, json.data(), json.size());
}

std::vector<std::wstring> files_of(std::vector<const wchar_t*> argv) {
  return file_arguments(static_cast<int>(argv.size()), argv.data());
}

}  // namespace

// Reference values from an independent implementation of the same fold and hash.
TEST(GuardName, GoldenValuesIgnoreLetterCase) {
  const std::pair<const char*, std::uint64_t> cases[] = {
      {"a", 12638187200555641996ULL},  // one unit below 256 hashes like the byte
      {"C:\\NGƯỜI DÙNG\\TÀI LIỆU\\TAVREL", 358047428116929737ULL},
      {"d:\\профиль\\ελληνικά", 5979971530855379427ULL},
      {"D:\\Профиль\\Ελληνικά", 5979971530855379427ULL},
      {"C:\\😀\\Ǆ", 15109618264478734363ULL}};
  for (const auto& [folder, hash] : cases) {
    EXPECT_EQ(profile_hash(to_wide(folder)), hash) << folder;
    EXPECT_EQ(guard_name(to_wide(folder)), L"Tavrel.Profile." + std::to_wstring(hash)) << folder;
  }
  // Folding is by letter, not by look.
  EXPECT_NE(guard_name(to_wide("C:\\straße")), guard_name(to_wide("C:\\strasse")));
  EXPECT_EQ(guard_mutex_name(L"Tavrel.Profile.1"), L"Local\\Tavrel.Profile.1");
}

// The digest of the simple lower-case mappings of the Unicode character database over the folded
// blocks (Latin to U+024F, Greek and Cyrillic U+0370 to U+052F, Latin Extended Additional), with
// U+0130 to "i" and every other unit unchanged: FNV-1a over the folded units, low byte first.
TEST(CaseFold, MatchesTheCharacterDatabaseOverEveryUnit) {
  std::uint64_t digest = 0xcbf29ce484222325ULL;
  int changed = 0;
  for (unsigned u = 0; u <= 0xFFFF; ++u) {
    const char16_t once = fold_case(static_cast<char16_t>(u));
    ASSERT_EQ(static_cast<int>(fold_case(once)), static_cast<int>(once)) << u;  // idempotent
    changed += once != u;
    for (const unsigned byte : {once & 0xFFu, (once >> 8) & 0xFFu}) {
      digest = (digest ^ byte) * 0x100000001b3ULL;
    }
  }
  EXPECT_EQ(changed, 555);
  EXPECT_EQ(digest, 3438894252794156904ULL);
  std::u16string folded = u"ÀĐƯỸİẞǅ";
  for (char16_t& unit : folded) unit = fold_case(unit);
  EXPECT_EQ(folded, u"àđưỹißǆ");
}

TEST(FileArguments, SkipsProgramOptionsAndProfileFolder) {
  // Only the whole word counts, case-sensitively; a single dash is a file name.
  const std::pair<std::vector<const wchar_t*>, std::vector<std::wstring>> cases[] = {
      {{L"t", L"a.md", L"--profile", L"D:\\p", L"b.md", L"--x", L"c.md"},
       {L"a.md", L"b.md", L"c.md"}},
      {{L"t", L"a.md", L"--profile"}, {L"a.md"}},
      {{L"t", L"--profile", L"--smoke-test", L"x.md"}, {L"x.md"}},
      {{L"t", L"--Profile", L"p", L"-x", L"--"}, {L"p", L"-x"}},
      {{L"t"}, {}}};
  for (const auto& [argv, files] : cases) EXPECT_EQ(files_of(argv), files) << argv.size();
}

TEST(ForwardedArguments, EncodesCompactUtf8AndRoundTrips) {
  EXPECT_EQ(encode_forwarded_arguments({}), "[]");
  EXPECT_EQ(encode_forwarded_arguments({L"C:\\a b\\x.md", to_wide("D:\\Tài\\\"q\".md")}),
            "[\"C:\\\\a b\\\\x.md\",\"D:\\\\Tài\\\\\\\"q\\\".md\"]");
  EXPECT_THROW(encode_forwarded_arguments({std::wstring(1, static_cast<wchar_t>(0xD800))}),
               std::runtime_error);
  const std::vector<std::wstring> paths = {L"C:\\x.md", to_wide("D:\\Ngữ văn 😀\\y.markdown"),
                                           L"\\\\srv\\s\\z.txt"};
  const ReceivedArguments received = decode(encode_forwarded_arguments(paths));
  EXPECT_TRUE(received.answer == 1 && received.paths == paths && decode("[]").answer == 1);
}

TEST(ForwardedArguments, RefusesOtherTagsMissingDataNonArraysAndOversize) {
  EXPECT_EQ(decode("[\"C:\\\\a.md\"]", 0x54565232).answer, 0);
  EXPECT_EQ(decode("[\"C:\\\\a.md\"]", 0x3152565400000000ULL | kForwardedArgumentsTag).answer, 0);
  EXPECT_EQ(decode_forwarded_arguments(kForwardedArgumentsTag, nullptr, 2).answer, 0);
  const std::string deep = std::string(200000, '[') + std::string(200000, ']');  // no recursion
  for (const std::string& json :
       std::vector<std::string>{"{\"paths\":[]}", "\"C:\\\\a.md\"", "1", "null", "true", deep}) {
    const ReceivedArguments received = decode(json);
    EXPECT_TRUE(received.answer == 0 && received.paths.empty()) << json.substr(0, 20);
  }
  // A valid array padded to exactly the limit is read; one byte more is not.
  std::string payload = "[\"C:\\\\a.md\"]";
  payload.append(kMaxForwardedArgumentsBytes - payload.size(), ' ');
  EXPECT_EQ(decode(payload).answer, 1);
  EXPECT_TRUE(decode(payload + " ").answer == 0 && decode(payload + " ").paths.empty());
  // Exactly the given bytes are parsed.
  const std::string buffer = "[\"C:\\\\a.md\"]garbage";
  EXPECT_EQ(decode_forwarded_arguments(kForwardedArgumentsTag, buffer.data(), 12).answer, 1);
  EXPECT_ANY_THROW(decode(buffer));
  EXPECT_ANY_THROW(decode_forwarded_arguments(kForwardedArgumentsTag, buffer.data(), 5));
}

TEST(ForwardedArguments, BadElementKeepsEarlierPathsAndAnswersZero) {
  const std::pair<std::string, std::vector<std::wstring>> cases[] = {
      {"[\"C:\\\\a.md\",\"C:\\\\b.md\",3,\"C:\\\\c.md\"]", {L"C:\\a.md", L"C:\\b.md"}},
      {"[\"C:\\\\a.md\",\"C:\\\\b.md\\u0000.exe\",\"C:\\\\c.md\"]", {L"C:\\a.md"}},
      {"[null,\"C:\\\\a.md\"]", {}},
      {"[{},\"C:\\\\a.md\"]", {}}};
  for (const auto& [json, paths] : cases) {
    const ReceivedArguments received = decode(json);
    EXPECT_EQ(received.answer, 0) << json;
    EXPECT_EQ(received.paths, paths) << json;
  }
  for (const char* json :
       {"", "[", "[\"a\",]", "[\"a\"] // note", "[\"\\ud800\"]", "[\"a\xff\"]"}) {
    EXPECT_THROW(decode(json), std::exception) << json;
  }
}

TEST(ProfileChoice, CommandLineAndSelfTestRules) {
  const std::filesystem::path def = "default";
  const std::tuple<std::vector<std::wstring>, bool, std::filesystem::path, bool> cases[] = {
      {{L"tavrel.exe", L"a.md"}, false, def, false},
      {{L"t", L"--profile", L"one", L"--profile", L"two"}, false, "two", true},
      {{L"t", L"x.md", L"--profile"}, false, def, false},
      {{L"t", L"--PROFILE", L"x"}, false, def, false},  // the option is case-sensitive
      {{L"t", L"--profile", L"given", L"--smoke-test"}, true, "tmp/Tavrel-smoke-42", true},
      // The value after "--profile" is a folder even when it looks like an option.
      {{L"t", L"--profile", L"--profile", L"x"}, false, "--profile", true}};
  for (const auto& [args, smoke, dir, custom] : cases) {
    const ProfileChoice choice = choose_profile_dir(def, args, smoke, "tmp", 42);
    EXPECT_EQ(std::pair(choice.dir, choice.custom), std::pair(dir, custom)) << dir;
  }
}
