#include "core/instance_payload.h"

#include "core/text_convert.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>
#include <vector>

using namespace tavrel::win;

namespace {

ReceivedArguments decode(std::string_view json, std::uint64_t tag = kForwardedArgumentsTag) {
  return decode_forwarded_arguments(tag, json.data(), json.size());
}

std::vector<std::wstring> wide_list(std::initializer_list<const char*> utf8) {
  std::vector<std::wstring> out;
  for (const char* s : utf8) out.push_back(to_wide(s));
  return out;
}

std::vector<std::wstring> files_of(std::initializer_list<const wchar_t*> argv) {
  std::vector<const wchar_t*> list(argv);
  return file_arguments(static_cast<int>(list.size()), list.data());
}

}  // namespace

// Reference values from an independent implementation of the same fold and hash.
TEST(GuardName, GoldenValues) {
  struct Golden {
    const char* folder;
    std::uint64_t hash;
  };
  const Golden cases[] = {
      {"", 14695981039346656037ULL},   // nothing hashed: the offset basis
      {"a", 12638187200555641996ULL},  // one unit below 256 hashes like the byte
      {"C:\\Users\\Ann\\AppData\\Roaming\\Tavrel", 11405423852740594427ULL},
      {"c:\\users\\ann\\appdata\\roaming\\tavrel", 11405423852740594427ULL},
      {"C:\\Người Dùng\\Tài Liệu\\Tavrel", 358047428116929737ULL},
      {"C:\\NGƯỜI DÙNG\\TÀI LIỆU\\TAVREL", 358047428116929737ULL},
      {"D:\\Профиль\\Ελληνικά", 5979971530855379427ULL},
      {"d:\\профиль\\ελληνικά", 5979971530855379427ULL},
      {"C:\\😀\\Ǆ", 15109618264478734363ULL},
      {"/home/ann/.tavrel", 2813416714343025774ULL},
  };
  for (const Golden& g : cases) {
    SCOPED_TRACE(g.folder);
    EXPECT_EQ(profile_hash(to_wide(g.folder)), g.hash);
    EXPECT_EQ(guard_name(to_wide(g.folder)), L"Tavrel.Profile." + std::to_wstring(g.hash));
  }
}

TEST(GuardName, LetterCaseDoesNotSplitOneProfile) {
  EXPECT_EQ(guard_name(to_wide("C:\\Users\\Ann\\Tavrel")),
            guard_name(to_wide("c:\\USERS\\ann\\TaVrEl")));
  EXPECT_EQ(guard_name(to_wide("E:\\Ảnh\\Ơn Ưu Đức")), guard_name(to_wide("e:\\ẢNH\\ƠN ƯU ĐỨC")));
  EXPECT_NE(guard_name(to_wide("C:\\Profile A")), guard_name(to_wide("C:\\Profile B")));
  // Folding is by letter, not by look: these are different folders.
  EXPECT_NE(guard_name(to_wide("C:\\straße")), guard_name(to_wide("C:\\strasse")));
}

TEST(GuardName, NameFormsForMutexAndProperty) {
  const std::wstring name = guard_name(L"");
  EXPECT_EQ(name, L"Tavrel.Profile.14695981039346656037");
  EXPECT_EQ(guard_mutex_name(name), L"Local\\Tavrel.Profile.14695981039346656037");
}

TEST(CaseFold, VietnameseAndOtherScripts) {
  const std::pair<char16_t, char16_t> mapped[] = {
      {u'A', u'a'}, {u'Z', u'z'}, {u'À', u'à'}, {u'Þ', u'þ'}, {u'Đ', u'đ'}, {u'Ơ', u'ơ'},
      {u'Ư', u'ư'}, {u'Ă', u'ă'}, {u'Ạ', u'ạ'}, {u'Ỹ', u'ỹ'}, {u'Ố', u'ố'}, {u'Ÿ', u'ÿ'},
      {u'İ', u'i'}, {u'Σ', u'σ'}, {u'Ά', u'ά'}, {u'Ё', u'ё'}, {u'Я', u'я'}, {u'Ѣ', u'ѣ'},
      {u'Ӏ', u'ӏ'}, {u'ẞ', u'ß'}, {u'Ǆ', u'ǆ'}, {u'ǅ', u'ǆ'},
  };
  for (const auto& [upper, lower] : mapped) {
    EXPECT_EQ(static_cast<int>(fold_case(upper)), static_cast<int>(lower))
        << static_cast<int>(upper);
  }
  for (char16_t same : {u'a', u'1', u'\\', u'×', u'÷', u'ß', u'ı', u'ς', u'ơ', u'€', u'Ⅻ', u'Ａ',
                        u'Ɐ', char16_t{0xD83D}, char16_t{0xDE00}, char16_t{0xFFFF}, char16_t{0}}) {
    EXPECT_EQ(static_cast<int>(fold_case(same)), static_cast<int>(same)) << static_cast<int>(same);
  }
}

TEST(CaseFold, IsIdempotentOverEveryUnit) {
  // A wrong run (an offset landing on another capital) would make a second fold change more.
  for (unsigned u = 0; u <= 0xFFFF; ++u) {
    const char16_t once = fold_case(static_cast<char16_t>(u));
    ASSERT_EQ(static_cast<int>(fold_case(once)), static_cast<int>(once)) << u;
  }
}

TEST(FileArguments, SkipsProgramOptionsAndProfileFolder) {
  EXPECT_EQ(files_of({L"tavrel.exe", L"a.md", L"--profile", L"D:\\p", L"b.md", L"--x", L"c.md"}),
            (std::vector<std::wstring>{L"a.md", L"b.md", L"c.md"}));
  EXPECT_EQ(files_of({L"tavrel.exe", L"a.md", L"--profile"}), (std::vector<std::wstring>{L"a.md"}));
  EXPECT_EQ(files_of({L"tavrel.exe", L"--profile", L"--smoke-test", L"x.md"}),
            (std::vector<std::wstring>{L"x.md"}));
  // Only the whole word counts, case-sensitively; a single dash is a file name.
  EXPECT_EQ(files_of({L"tavrel.exe", L"--Profile", L"p", L"-x", L"--"}),
            (std::vector<std::wstring>{L"p", L"-x"}));
  EXPECT_TRUE(files_of({L"tavrel.exe"}).empty());
}

TEST(ForwardedArguments, EncodesCompactUtf8Array) {
  EXPECT_EQ(encode_forwarded_arguments({}), "[]");
  EXPECT_EQ(encode_forwarded_arguments(wide_list({"C:\\a b\\x.md", "D:\\Tài liệu\\\"q\".md"})),
            "[\"C:\\\\a b\\\\x.md\",\"D:\\\\Tài liệu\\\\\\\"q\\\".md\"]");
  std::wstring lone_surrogate = L"C:\\x";
  lone_surrogate.push_back(static_cast<wchar_t>(0xD800));
  EXPECT_THROW(encode_forwarded_arguments({lone_surrogate}), std::runtime_error);
}

TEST(ForwardedArguments, RoundTripsThroughTheReceiver) {
  const std::vector<std::wstring> paths =
      wide_list({"C:\\x.md", "D:\\Ngữ văn 😀\\y.markdown", "\\\\srv\\s\\z.txt"});
  const std::string payload = encode_forwarded_arguments(paths);
  const ReceivedArguments received = decode(payload);
  EXPECT_EQ(received.answer, 1);
  EXPECT_EQ(received.paths, paths);
}

TEST(ForwardedArguments, EmptyListIsAcceptedAndOpensNothing) {
  const ReceivedArguments received = decode("[]");
  EXPECT_EQ(received.answer, 1);
  EXPECT_TRUE(received.paths.empty());
}

TEST(ForwardedArguments, RefusesOtherTagsMissingDataAndNonArrays) {
  EXPECT_EQ(decode("[\"C:\\\\a.md\"]", 0x54565232).answer, 0);
  EXPECT_EQ(decode("[\"C:\\\\a.md\"]", 0x3152565400000000ULL | kForwardedArgumentsTag).answer, 0);
  EXPECT_EQ(decode_forwarded_arguments(kForwardedArgumentsTag, nullptr, 0).answer, 0);
  EXPECT_EQ(decode_forwarded_arguments(kForwardedArgumentsTag, nullptr, 2).answer, 0);
  for (const char* json : {"{\"paths\":[]}", "\"C:\\\\a.md\"", "1", "null", "true"}) {
    const ReceivedArguments received = decode(json);
    EXPECT_EQ(received.answer, 0) << json;
    EXPECT_TRUE(received.paths.empty()) << json;
  }
}

TEST(ForwardedArguments, SizeLimitIsOneMebibyte) {
  // A valid array padded with spaces to exactly the limit is read; one byte more is not.
  std::string payload = "[\"C:\\\\a.md\"]";
  payload.append(kMaxForwardedArgumentsBytes - payload.size(), ' ');
  EXPECT_EQ(decode(payload).answer, 1);
  payload.push_back(' ');
  const ReceivedArguments refused = decode(payload);
  EXPECT_EQ(refused.answer, 0);
  EXPECT_TRUE(refused.paths.empty());
}

TEST(ForwardedArguments, ParsesExactlyTheGivenBytes) {
  const std::string buffer = "[\"C:\\\\a.md\"]garbage";
  EXPECT_EQ(decode_forwarded_arguments(kForwardedArgumentsTag, buffer.data(), 12).answer, 1);
  EXPECT_ANY_THROW(
      decode_forwarded_arguments(kForwardedArgumentsTag, buffer.data(), buffer.size()));
  EXPECT_ANY_THROW(decode_forwarded_arguments(kForwardedArgumentsTag, buffer.data(), 5));
}

TEST(ForwardedArguments, NonStringElementKeepsEarlierPathsAndAnswersZero) {
  const ReceivedArguments received = decode("[\"C:\\\\a.md\",\"C:\\\\b.md\",3,\"C:\\\\c.md\"]");
  EXPECT_EQ(received.answer, 0);
  EXPECT_EQ(received.paths, (std::vector<std::wstring>{L"C:\\a.md", L"C:\\b.md"}));
  for (const char* element : {"null", "[]", "{}", "false", "1.5"}) {
    const ReceivedArguments first_bad = decode(std::string("[") + element + ",\"C:\\\\a.md\"]");
    EXPECT_EQ(first_bad.answer, 0) << element;
    EXPECT_TRUE(first_bad.paths.empty()) << element;
  }
}

TEST(ForwardedArguments, PathWithNulIsRefusedLikeANonString) {
  const ReceivedArguments received =
      decode("[\"C:\\\\a.md\",\"C:\\\\b.md\\u0000.exe\",\"C:\\\\c.md\"]");
  EXPECT_EQ(received.answer, 0);
  EXPECT_EQ(received.paths, (std::vector<std::wstring>{L"C:\\a.md"}));
  EXPECT_EQ(decode("[\"\\u0000\"]").answer, 0);
}

TEST(ForwardedArguments, MalformedJsonThrowsForTheCallerToReport) {
  for (const char* json : {"", "[", "[\"a\",]", "[\"a\"] // note", "[\"\\ud800\"]", "['a']",
                           "[\"a\xff\"]", "[\"\xc0\x80\"]"}) {
    EXPECT_THROW(decode(json), std::exception) << json;
  }
}

TEST(ForwardedArguments, DeepNestingWithinTheLimitIsHandled) {
  // The parser must not recurse once per level: a hostile sender controls the depth.
  std::string deep(200000, '[');
  deep.append(200000, ']');
  const ReceivedArguments received = decode(deep);
  EXPECT_EQ(received.answer, 0);
  EXPECT_TRUE(received.paths.empty());
}
