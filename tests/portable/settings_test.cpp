#include "core/settings.h"

#include <gtest/gtest.h>

#include "core/json_guard.h"
#include "core/recovery.h"
#include "tests/portable/test_support.h"
#include "update/url_rule.h"

using namespace tavrel::win;
using nlohmann::json;

namespace {

SettingsValues load(const std::string& text, json* out = nullptr) {
  json settings = parse_settings_text(text);
  SettingsValues values = repair_settings(settings);
  if (out) *out = settings;
  return values;
}

}  // namespace

TEST(SettingsRepair, NumbersAreClampedRemappedOrDropped) {
  struct Case {
    const char* text;
    int font_size, theme, view, seconds, split;
  } cases[] = {{"", 12, 0, 1, 5, 50},
               {R"({"fontSize":40})", 32, 0, 1, 5, 50},
               {R"({"fontSize":3})", 8, 0, 1, 5, 50},
               {R"({"fontSize":20000})", 12, 0, 1, 5, 50},
               {R"({"fontSize":18446744073709551615})", 12, 0, 1, 5, 50},
               {R"({"fontSize":-10000})", 8, 0, 1, 5, 50},
               {R"({"view":2})", 12, 0, 1, 5, 50},
               {R"({"view":3})", 12, 0, 3, 5, 50},
               {R"({"view":0})", 12, 0, 0, 5, 50},
               {R"({"autoSaveSeconds":1,"splitPercent":10})", 12, 0, 1, 2, 25},
               {R"({"autoSaveSeconds":500,"splitPercent":90})", 12, 0, 1, 120, 75}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const SettingsValues v = load(c.text);
    EXPECT_EQ(
        std::vector<int>({v.font_size, v.theme, v.view_mode, v.auto_save_seconds, v.split_percent}),
        std::vector<int>({c.font_size, c.theme, c.view, c.seconds, c.split}));
    EXPECT_TRUE(v.word_wrap);
  }
  const std::pair<int, int> themes[] = {{6, 2}, {-1, 0}, {0, 0}, {1, 1}, {2, 2},
                                        {3, 2}, {4, 1},  {5, 2}, {7, 0}};
  for (auto [stored, expected] : themes) {
    EXPECT_EQ(load(json{{"theme", stored}}.dump()).theme, expected) << stored;
  }
}

TEST(SettingsRepair, WrongTypesAreErasedAndOthersKept) {
  json s;
  load(R"({"theme":"bad","fontSize":null,"recent":[1],"pins":[],"wrap":[],"keybindings":false,
           "language":7,"custom":{"deep":[1,{"x":"y"}]}})",
       &s);
  for (const char* key : {"theme", "fontSize", "recent", "wrap", "keybindings", "language"}) {
    EXPECT_FALSE(s.contains(key)) << key;
  }
  EXPECT_EQ(s["pins"], json::array());
  EXPECT_EQ(s["custom"], json::parse(R"({"deep":[1,{"x":"y"}]})"));
  EXPECT_TRUE(load("[]", &s).sidebar);
  EXPECT_TRUE(s.is_object());
  EXPECT_TRUE(load("{not json", &s).word_wrap);
  EXPECT_TRUE(load("// comment\n{}", &s).word_wrap) << "comments are not accepted";
}

TEST(SettingsRepair, LayoutMigratesOnceAndTheUpdateUrlMustBeHttps) {
  const SettingsValues legacy = load(R"({"view":2,"sidebar":false,"outline":true})");
  EXPECT_TRUE(legacy.view_mode == 1 && legacy.sidebar && !legacy.outline);
  const SettingsValues kept =
      load(R"({"layoutVersion":1,"sidebar":false,"outline":true,"view":0})");
  EXPECT_TRUE(kept.view_mode == 0 && !kept.sidebar && kept.outline);
  EXPECT_EQ(load(R"({"updateUrl":"http://x.example/a"})").update_url, kBuiltInUpdateUrl);
  EXPECT_EQ(load(R"({"updateUrl":"https://mirror.example/m.json"})").update_url,
            "https://mirror.example/m.json");
  EXPECT_TRUE(load(R"({"language":"vi"})").vietnamese && !load(R"({"language":"VI"})").vietnamese);
}

// A fresh profile stores every default; the output is sorted, indented, unescaped, and unknown
// keys round-trip byte for byte.
TEST(SettingsSave, StoresEveryValueAndKeepsUnknownKeys) {
  json s = parse_settings_text(R"({"zeta":{"b":1,"a":"ư"}})");
  SettingsValues v = repair_settings(s);
  v.vietnamese = true;
  v.workspace = "C:\\Tài liệu";
  store_settings(s, v);
  json expected = json::parse(R"({"autoSave":false,"autoSaveSeconds":5,"emacs":false,"fontSize":12,
      "language":"vi","layoutVersion":1,"outline":false,"sidebar":true,"splitPercent":50,
      "sync":true,"theme":0,"view":1,"vim":false,"workspace":"C:\\Tài liệu","wrap":true})");
  expected["updateUrl"] = kBuiltInUpdateUrl;
  expected["zeta"] = {{"a", "ư"}, {"b", 1}};
  EXPECT_EQ(s, expected);
  EXPECT_TRUE(dump_settings(s).ends_with("\"zeta\": {\n    \"a\": \"ư\",\n    \"b\": 1\n  }\n}"));
  s["plugin"] = json::parse(R"({"list":[1,2.5,"ba",null,{"k":true}],"empty":{}})");
  const std::string first = dump_settings(s);
  json again = parse_settings_text(first);
  store_settings(again, repair_settings(again));
  EXPECT_EQ(dump_settings(again), first);
}

TEST(RecentList, MovesToFrontAndKeepsThirty) {
  json s = json::object();
  for (int i = 0; i < 31; ++i) add_recent_entry(s, "f" + std::to_string(i));
  ASSERT_EQ(s["recent"].size(), 30u);
  EXPECT_TRUE(s["recent"][0] == "f30" && s["recent"][29] == "f1");
  add_recent_entry(s, "f10");
  add_recent_entry(s, "F10");  // comparison is case-sensitive
  EXPECT_EQ(s["recent"].size(), 30u);
  EXPECT_TRUE(s["recent"][0] == "F10" && s["recent"][1] == "f10" && s["recent"][29] == "f2");
}

// Settings and recovery snapshots refuse nesting beyond the guard's depth as they refuse text that
// is not JSON, and still take the deepest nesting allowed.
TEST(JsonGuard, ReadersRefuseTooDeepNesting) {
  const auto member = [](size_t depth) {
    return "{\"x\":" + std::string(depth - 1, '[') + std::string(depth - 1, ']') + "}";
  };
  for (const auto& [text, taken] : {std::pair(member(kJsonDepthLimit), true),
                                    {"{\"x\":\"" + std::string(50000, '[') + "\\\"\"}", true},
                                    {member(kJsonDepthLimit + 1), false},
                                    {member(50000), false},
                                    {"{\"x\":[}", false}}) {
    EXPECT_EQ(read_settings_object(text).has_value(), taken) << text.substr(0, 20);
    EXPECT_EQ(tavrel::test::error_text([&t = text] { parse_recovery_snapshot(t); }).empty(), taken);
  }
}

TEST(HttpsUrlRule, AcceptsAndRefuses) {
  for (const char* url : {"https://example.com:8443/a?b=c#d", "https://[::1]:8443/a", "https://a",
                          "https://bücher.example/é!~"}) {  // "!" is the first past the controls
    EXPECT_TRUE(is_https_url(url)) << url;
  }
  for (const char* url :
       {"https://", "http://example.com/", "HTTPS://example.com/", "https:///path", "https://?q",
        "https://user@example.com/", "https://exa mple.com/", "https://example.com/\x7f",
        "https://example.com/\\x", "https://example.com/\t", "https://example.com/\x01",
        "https://:443/", "https://[]/", "https://[::1/", "ftp://example.com/"}) {
    EXPECT_FALSE(is_https_url(url)) << url;
  }
  const std::string longest = "https://example.com/" + std::string(kMaxUrlBytes - 20, 'a');
  EXPECT_TRUE(is_https_url(longest));
  EXPECT_FALSE(is_https_url(longest + "a"));
  EXPECT_THROW(is_https_url("https://example.com/\xFF"), std::runtime_error);
}
