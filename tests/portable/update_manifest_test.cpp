#include "update/update_manifest.h"

#include <gtest/gtest.h>

#include <chrono>

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
  const std::string hash(63, 'a'), invalid = "Invalid update manifest",
                                   field = "Invalid update field: ";
  const std::string fraction = R"(,"published_at":"2026-01-31T08:00:00.)" + std::string(19, '5');
  const std::pair<std::string, std::string> cases[] = {
      {with(""), ""},
      {"[]", invalid},
      {with("") + " // note", invalid},
      {R"({"url":"https://e.x/"})", "Missing update field: version"},
      {R"({"version":"1.0.0"})", "Missing update field: url"},
      {R"({"version":1,"url":"https://e.x/"})", field + "version"},
      {R"({"version":"","url":"https://e.x/"})", field + "version"},
      {R"({"version":")" + std::string(38, '0') + R"(.1","url":"https://e.x/"})", invalid},
      {R"({"version":")" + std::string(39, '0') + R"(.1","url":"https://e.x/"})",
       field + "version"},
      {R"({"version":"01.002.3","url":"https://e.x/"})", ""},
      {R"({"version":"1.2.3","url":"http://e.x/"})", "Update download URL must use HTTPS"},
      {R"({"version":"1.2.3","url":"https://e.x/\u001f"})", field + "url"},
      {R"({"version":"1.2.3","url":"https://e.x/\u007f"})", field + "url"},
      {R"({"version":"1.2.3","url":["https://e.x/"]})", field + "url"},
      {with(R"(,"published_at":"")"), field + "published_at"},
      {with(fraction + "Z\""), ""},
      {with(fraction + "5Z\""), field + "published_at"},
      {with(R"(,"published_at":"2026-02-30T08:00:00Z")"),
       "Invalid update publication date (expected RFC 3339)"},
      {with(R"(,"sha256":"F)" + hash + "\""), ""},
      {with(R"(,"sha256":")" + hash + "\""), "Invalid update SHA256"},
      {with(R"(,"sha256":"aa)" + hash + "\""), field + "sha256"},
      {with(R"(,"size":18446744073709551615,"extra":[1,{"x":null}])"), ""},
      {with("") + std::string(kMaxManifestBytes - with("").size(), ' '), ""},
      {with("") + std::string(kMaxManifestBytes + 1 - with("").size(), ' '),
       "Update manifest is too large"}};
  for (const auto& [body, expected] : cases) {
    EXPECT_EQ(manifest_error(body), expected) << body.substr(0, 200);
  }
  for (const char* digit : {"g", "G", "/", ":", "`", "@"}) {
    EXPECT_EQ(manifest_error(with(R"(,"sha256":")" + hash + digit + "\"")),
              "Invalid update SHA256");
  }
  for (const char* size : {"0", "-5", "1.5", "\"10\"", "18446744073709551616", "null"}) {
    EXPECT_EQ(manifest_error(with(R"(,"size":)" + std::string(size))),
              "Invalid update size (expected a positive byte count)");
  }
}

TEST(UpdateManifest, KeepsValuesAndLowerCasesTheHash) {
  const std::string hash = std::string(22, 'A') + std::string(21, 'F') + std::string(21, '9');
  const UpdateManifest full = parse_update_manifest(
      with(R"(,"published_at":"2024-02-29T23:59:59-00:30","size":42,"sha256":")" + hash + "\""));
  EXPECT_EQ(full.url, "https://example.com/t.zip");
  EXPECT_EQ(full.published_at, "2024-02-29T23:59:59-00:30");
  EXPECT_EQ(full.sha256, std::string(22, 'a') + std::string(21, 'f') + std::string(21, '9'));
  EXPECT_EQ(full.size, 42u);
  const UpdateManifest bare = parse_update_manifest(with(""));
  EXPECT_TRUE(bare.version == "1.2.3" && bare.published_at.empty() && bare.sha256.empty());
  EXPECT_FALSE(bare.size);
}

TEST(UpdateManifest, PublicationDates) {
  for (const char* good :
       {"2026-01-31T08:00:00Z", "2026-01-31T08:00:00.5+07:00", "2024-02-29T23:59:59-00:30",
        "2000-02-29T00:00:00Z", "0001-12-31T23:59:59+23:59", "2026-01-01T00:00:00.123456Z"}) {
    EXPECT_TRUE(is_rfc3339_date_time(good)) << good;
  }
  for (const char* bad :
       {"2023-02-29T00:00:00Z",  "1900-02-29T00:00:00Z",       "2026-04-31T00:00:00Z",
        "2026-13-01T00:00:00Z",  "2026-00-01T00:00:00Z",       "2026-01-00T00:00:00Z",
        "0000-01-01T00:00:00Z",  "2026-01-31t08:00:00Z",       "2026-01-31T08:00:00z",
        "2026-01-31T08:00:00",   "2026-01-31T24:00:00Z",       "2026-01-31T23:60:00Z",
        "2026-01-31T23:59:60Z",  "2026-01-31T08:00:00+24:00",  "2026-01-31T08:00:00+23:60",
        "2026-01-31T08:00:00.Z", "2026-01-31T08:00:00+07:00Z", "2026-01-31T08:00:00*07:00",
        "2026-1-31T08:00:00Z",   "2026-01-31T08-00:00Z",       "2026-01-3xT08:00:00Z"}) {
    EXPECT_FALSE(is_rfc3339_date_time(bad)) << bad;
  }
  for (int year : {1, 1900, 2000, 2023, 2024, 2100, 2400}) {
    for (unsigned month = 1; month <= 12; ++month) {
      const std::chrono::year_month_day_last last{std::chrono::year(year) / month /
                                                  std::chrono::last};
      EXPECT_EQ(days_in_month(year, static_cast<int>(month)), static_cast<unsigned>(last.day()));
    }
  }
}

TEST(UpdateManifest, VersionsCompareNumerically) {
  EXPECT_EQ(parse_version("4294967295.0.007"), (Version{4294967295u, 0, 7}));
  for (const char* bad : {"1.2", "1.2.3.4", "1.2.3-beta", "1..3", ".1.2", "1.2.", "+1.2.3",
                          " 1.2.3", "1.2.3 ", "4294967296.0.0", "1.a.3", ""}) {
    EXPECT_THROW(parse_version(bad), std::runtime_error) << bad;
  }
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"1.0.1", "1.0.0", true},  {"2.0.0", "1.9.9", true},   {"1.10.0", "1.9.0", true},
      {"1.0.0", "1.0.0", false}, {"0.9.10", "1.0.0", false}, {"01.0.0", "1.0.0", false}};
  for (const auto& [candidate, current, expected] : cases) {
    EXPECT_EQ(is_newer_version(candidate, current), expected) << candidate << " " << current;
  }
}

TEST(UpdateManifest, SizeText) {
  const std::pair<uint64_t, const char*> cases[] = {
      {1023, "1023 B (1023 bytes)"},
      {1024, "1.00 KiB (1024 bytes)"},
      {1048575, "1024.00 KiB (1048575 bytes)"},
      {1ull << 60, "1048576.00 TiB (1152921504606846976 bytes)"}};
  for (const auto& [bytes, expected] : cases) EXPECT_EQ(update_size_text(bytes), expected);
}
