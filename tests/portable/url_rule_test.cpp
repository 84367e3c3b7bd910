#include "update/url_rule.h"

#include <gtest/gtest.h>

using namespace tavrel::win;

TEST(HttpsUrlRule, AcceptsAndRefuses) {
  const std::pair<std::string, bool> cases[] = {
      {"https://example.com/updates/stable.json", true},
      {"https://example.com:8443/a?b=c#d", true},
      {"https://[::1]:8443/a", true},
      {"https://bücher.example/é!~", true},  // "!" is the first character past the controls
      {"https://a", true},
      {"https://", false},
      {"http://example.com/", false},
      {"HTTPS://example.com/", false},
      {"https:///path", false},
      {"https://?q", false},
      {"https://user@example.com/", false},
      {"https://exa mple.com/", false},
      {"https://example.com/\x7f", false},
      {"https://example.com/\\x", false},
      {"https://example.com/\t", false},
      {"https://example.com/\x01", false},
      {"https://:443/", false},
      {"https://[]/", false},
      {"https://[::1/", false},
      {"ftp://example.com/", false}};
  for (const auto& [url, expected] : cases) EXPECT_EQ(is_https_url(url), expected) << url;
  const std::string longest = "https://example.com/" + std::string(kMaxUrlBytes - 20, 'a');
  EXPECT_TRUE(is_https_url(longest));
  EXPECT_FALSE(is_https_url(longest + "a"));
  EXPECT_THROW(is_https_url("https://example.com/\xFF"), std::runtime_error);
}
