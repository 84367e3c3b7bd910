// Settings and recovery snapshots refuse nesting beyond the guard's depth as they refuse text
// that is not JSON, and still take the deepest nesting allowed.
#include <gtest/gtest.h>

#include "core/json_guard.h"
#include "core/recovery.h"
#include "core/settings.h"
#include "tests/portable/test_support.h"

namespace tavrel::win {

TEST(JsonGuard, ReadersRefuseTooDeepNesting) {
  const auto member = [](size_t depth) {  // `depth` levels in all
    return "{\"x\":" + std::string(depth - 1, '[') + std::string(depth - 1, ']') + "}";
  };
  const std::pair<std::string, bool> rows[] = {
      {member(kJsonDepthLimit), true},
      {"{\"x\":\"" + std::string(50000, '[') + "\\\"\"}", true},  // brackets in a string
      {member(kJsonDepthLimit + 1), false},
      {member(50000), false},
      {"{\"x\":[}", false}};
  for (const auto& row : rows) {
    const std::string& text = row.first;
    const bool taken = row.second;
    SCOPED_TRACE(text.substr(0, 20));
    EXPECT_EQ(read_settings_object(text).has_value(), taken);
    EXPECT_EQ(test::error_text([&] { parse_recovery_snapshot(text); }).empty(), taken);
  }
}

}  // namespace tavrel::win
