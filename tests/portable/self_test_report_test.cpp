#include "selftest/self_test_report.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>
#include <string>

namespace tavrel::win {
namespace {

TEST(SelfTestReport, HoldsTheFiguresAndTwentySevenDistinctChecks) {
  const std::string text = build_self_test_report({"C:\\p\u00e9", 34, 7});
  EXPECT_EQ(text.substr(0, 5), "{\n  \"");  // indent 2
  const auto report = nlohmann::json::parse(text);
  EXPECT_EQ(report.size(), 7u);
  EXPECT_EQ(report["passed"], true);
  EXPECT_EQ(report["profile"], "C:\\p\u00e9");
  EXPECT_EQ(report["toolbarHeight"], 34);
  EXPECT_EQ(report["layoutToggleCommandMs"], 7u);
  EXPECT_EQ(report["themeCount"], 3);
  EXPECT_EQ(report["layoutToggleCount"], 16);
  const auto names = report["checks"].get<std::set<std::string>>();
  EXPECT_EQ(names.size(), 27u);
  EXPECT_EQ(report["checks"].front(), "startup preview");
  EXPECT_EQ(report["checks"].back(), "find focus and modal guard");
}

TEST(SelfTestReport, RequireThrowsItsMessageOnlyWhenFalse) {
  EXPECT_NO_THROW(require(true, "x"));
  try {
    require(false, "PNG export empty");
    FAIL();
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "PNG export empty");
  }
}

}  // namespace
}  // namespace tavrel::win
