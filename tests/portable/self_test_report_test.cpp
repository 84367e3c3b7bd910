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
  EXPECT_EQ(text.substr(0, 5), "{\n  \"");          // indent 2
  const auto report = nlohmann::json::parse(text);  // its members are read by smoke-test.sh
  EXPECT_EQ(report["profile"], "C:\\p\u00e9");
  EXPECT_EQ(report["checks"].get<std::set<std::string>>().size(), 27u);
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
