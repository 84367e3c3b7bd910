#include "update/update_manifest.h"

#include <gtest/gtest.h>

using namespace tavrel::win;

namespace {

// The error text of parsing `body`, empty when it is accepted.
std::string manifest_error(const std::string& body) {
  try {
    parse_update_manifest(body);
    return {};
  } catch (const std::runtime_error& e) {
    return e.what();
  }
}

std::string with(const std::string& members) {
  return R"({"version":"1.2.3","url":"https://example.com/t.zip")" + members + "}";
}

}  // namespace

TEST(UpdateManifest, FieldRules) {
  const std::string hash(64, 'a');
  const std::string invalid = "Invalid update manifest";
  const std::string bad_date = "Invalid update publication date (expected RFC 3339)";
  const std::string bad_size = "Invalid update size (expected a positive byte count)";
  const std::pair<std::string, std::string> cases[] = {
      {with(""), ""},
      {"[]", invalid},
      {"null", invalid},
      {"{", invalid},
      {with("") + " // note", invalid},
      {R"({"url":"https://e.x/"})", "Missing update field: version"},
      {R"({"version":"1.0.0"})", "Missing update field: url"},
      {R"({"version":1,"url":"https://e.x/"})", "Invalid update field: version"},
      {R"({"version":"","url":"https://e.x/"})", "Invalid update field: version"},
      {R"({"version":")" + std::string(38, '0') + R"(.1","url":"https://e.x/"})", invalid},
      {R"({"version":")" + std::string(39, '0') + R"(.1","url":"https://e.x/"})",
       "Invalid update field: version"},
      {R"({"version":"1.2.3-beta","url":"https://e.x/"})", invalid},
      {R"({"version":"01.002.3","url":"https://e.x/"})", ""},
      {R"({"version":"1.2.3","url":"http://e.x/"})", "Update download URL must use HTTPS"},
      {R"({"version":"1.2.3","url":"https://u:p@e.x/"})", "Update download URL must use HTTPS"},
      {R"({"version":"1.2.3","url":"https://e.x/\ta"})", "Invalid update field: url"},
      {R"({"version":"1.2.3","url":"https://e.x/\u007f"})", "Invalid update field: url"},
      {R"({"version":"1.2.3","url":["https://e.x/"]})", "Invalid update field: url"},
      {with(R"(,"published_at":"")"), "Invalid update field: published_at"},
      {with(R"(,"published_at":"2026-01-31T08:00:00.)" + std::string(19, '5') + "Z\""), ""},
      {with(R"(,"published_at":"2026-01-31T08:00:00.)" + std::string(20, '5') + "Z\""),
       "Invalid update field: published_at"},
      {with(R"(,"published_at":"2026-02-30T08:00:00Z")"), bad_date},
      {with(R"(,"sha256":")" + hash + "\""), ""},
      {with(R"(,"sha256":")" + hash.substr(1) + "\""), "Invalid update SHA256"},
      {with(R"(,"sha256":")" + hash + "a\""), "Invalid update field: sha256"},
      {with(R"(,"sha256":")" + hash.substr(1) + "g\""), "Invalid update SHA256"},
      {with(R"(,"sha256":")" + hash.substr(1) + "/\""), "Invalid update SHA256"},
      {with(R"(,"sha256":")" + hash.substr(1) + "G\""), "Invalid update SHA256"},
      {with(R"(,"sha256":")" + hash.substr(1) + "`\""), "Invalid update SHA256"},
      {with(R"(,"size":1)"), ""},
      {with(R"(,"size":18446744073709551615)"), ""},
      {with(R"(,"size":0)"), bad_size},
      {with(R"(,"size":-5)"), bad_size},
      {with(R"(,"size":1.5)"), bad_size},
      {with(R"(,"size":"10")"), bad_size},
      {with(R"(,"size":18446744073709551616)"), bad_size},
      {with(R"(,"extra":[1,{"x":null}])"), ""},
      {with("") + std::string(kMaxManifestBytes - with("").size(), ' '), ""},
      {with("") + std::string(kMaxManifestBytes + 1 - with("").size(), ' '),
       "Update manifest is too large"}};
  for (const auto& [body, expected] : cases) {
    EXPECT_EQ(manifest_error(body), expected) << body.substr(0, 200);
  }
}

TEST(UpdateManifest, KeepsValuesAndLowerCasesTheHash) {
  const UpdateManifest full = parse_update_manifest(
      with(R"(,"published_at":"2024-02-29T23:59:59-00:30","size":42,"sha256":")" +
           std::string(32, 'A') + std::string(16, 'f') + std::string(16, '9') + "\""));
  EXPECT_EQ(full.version, "1.2.3");
  EXPECT_EQ(full.url, "https://example.com/t.zip");
  EXPECT_EQ(full.published_at, "2024-02-29T23:59:59-00:30");
  EXPECT_EQ(full.sha256, std::string(32, 'a') + std::string(16, 'f') + std::string(16, '9'));
  EXPECT_EQ(full.size, 42u);
  const UpdateManifest bare = parse_update_manifest(with(""));
  EXPECT_TRUE(bare.published_at.empty() && bare.sha256.empty() && !bare.size);
}

TEST(UpdateManifest, PublicationDates) {
  const std::pair<const char*, bool> cases[] = {
      {"2026-01-31T08:00:00Z", true},        {"2026-01-31T08:00:00.5+07:00", true},
      {"2024-02-29T23:59:59-00:30", true},   {"2000-02-29T00:00:00Z", true},
      {"0001-12-31T23:59:59+23:59", true},   {"2026-01-01T00:00:00.123456Z", true},
      {"2023-02-29T00:00:00Z", false},       {"1900-02-29T00:00:00Z", false},
      {"2026-02-30T00:00:00Z", false},       {"2026-04-31T00:00:00Z", false},
      {"2026-12-32T00:00:00Z", false},       {"2026-13-01T00:00:00Z", false},
      {"2026-00-01T00:00:00Z", false},       {"2026-01-00T00:00:00Z", false},
      {"0000-01-01T00:00:00Z", false},       {"2026-01-31t08:00:00Z", false},
      {"2026-01-31 08:00:00Z", false},       {"2026-01-31T08:00:00z", false},
      {"2026-01-31T08:00:00", false},        {"2026-01-31T08:00:00+7:00", false},
      {"2026-01-31T24:00:00Z", false},       {"2026-01-31T23:60:00Z", false},
      {"2026-01-31T23:59:60Z", false},       {"2026-01-31T08:00:00+24:00", false},
      {"2026-01-31T08:00:00+23:60", false},  {"2026-01-31T08:00:00.Z", false},
      {"2026-01-31T08:00:00ZZ", false},      {"2026-01-31T08:00:00+07:00Z", false},
      {"2026-01-31T08:00:00+07-00", false},  {"2026-01-31T08:00:00*07:00", false},
      {"2026-1-31T08:00:00Z", false},        {"2026/01/31T08:00:00Z", false},
      {"2026-01-31T08-00:00Z", false},       {"2026-01-31T08:00-00Z", false},
      {"2026-01-3xT08:00:00Z", false},       {"2026-01-31T08:00:00.5", false}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(is_rfc3339_date_time(text), expected) << text;
  EXPECT_EQ(read_fixed_digits("12a", 0, 2), 12);
  EXPECT_EQ(read_fixed_digits("12a", 1, 2), -1);
  EXPECT_EQ(read_fixed_digits("12", 1, 2), -1);
  EXPECT_EQ(read_fixed_digits("12", 2, 0), 0);
}

TEST(UpdateManifest, VersionsCompareNumerically) {
  EXPECT_EQ(parse_version("4294967295.0.007"), (Version{4294967295u, 0, 7}));
  for (const char* bad : {"1.2", "1.2.3.4", "1.2.3-beta", "1..3", ".1.2", "1.2.", "+1.2.3",
                          " 1.2.3", "1.2.3 ", "4294967296.0.0", "1.a.3", ""}) {
    EXPECT_THROW(parse_version(bad), std::runtime_error) << bad;
  }
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"1.0.1", "1.0.0", true},   {"2.0.0", "1.9.9", true},    {"1.10.0", "1.9.0", true},
      {"1.0.0", "1.0.0", false},  {"0.9.10", "1.0.0", false},  {"1.0.0", "1.0.1", false},
      {"1.1.0", "1.0.9", true},   {"01.0.0", "1.0.0", false}};
  for (const auto& [candidate, current, expected] : cases) {
    EXPECT_EQ(is_newer_version(candidate, current), expected) << candidate << " " << current;
  }
  EXPECT_THROW(is_newer_version("1.0.0", "1.0"), std::runtime_error);
}

TEST(UpdateManifest, SizeText) {
  const std::pair<uint64_t, const char*> cases[] = {
      {1, "1 B (1 bytes)"},
      {512, "512 B (512 bytes)"},
      {1023, "1023 B (1023 bytes)"},
      {1024, "1.00 KiB (1024 bytes)"},
      {1536, "1.50 KiB (1536 bytes)"},
      {1048575, "1024.00 KiB (1048575 bytes)"},
      {1048576, "1.00 MiB (1048576 bytes)"},
      {5ull << 40, "5.00 TiB (5497558138880 bytes)"},
      {1ull << 60, "1048576.00 TiB (1152921504606846976 bytes)"}};
  for (const auto& [bytes, expected] : cases) EXPECT_EQ(update_size_text(bytes), expected);
}
