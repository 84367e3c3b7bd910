// Every reader of outside JSON refuses nesting beyond the guard's depth, the way it refuses a
// text that is not JSON, and still takes the deepest nesting the guard allows.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/instance_payload.h"
#include "core/json_guard.h"
#include "core/recovery.h"
#include "core/settings.h"
#include "tests/portable/test_support.h"

namespace tavrel::win {
namespace {

bool settings_take(const std::string& text) { return read_settings_object(text).has_value(); }
bool recovery_takes(const std::string& text) {
  return test::error_text([&] { parse_recovery_snapshot(text); }).empty();
}
bool hand_over_takes(const std::string& text) {
  return test::error_text(
             [&] { decode_forwarded_arguments(kForwardedArgumentsTag, text.data(), text.size()); })
      .empty();
}

TEST(JsonGuard, EveryReaderRefusesTooDeepNesting) {
  const auto member = [](size_t depth) {  // {"x": depth - 1 arrays}: `depth` levels in all
    return "{\"x\":" + std::string(depth - 1, '[') + std::string(depth - 1, ']') + "}";
  };
  const std::string deep_string = "{\"x\":\"" + std::string(50000, '[') + "\\\"\"}";
  const struct {
    const char* name;
    std::function<bool(const std::string&)> takes;
  } readers[] = {
      {"settings", settings_take},
      {"recovery", recovery_takes},
      {"hand-over", [](const std::string& t) { return hand_over_takes("[" + t + "]"); }}};
  for (const auto& reader : readers) {
    SCOPED_TRACE(reader.name);
    EXPECT_TRUE(reader.takes(member(kJsonDepthLimit - 1)));  // the list adds a level
    EXPECT_TRUE(reader.takes(deep_string));
    EXPECT_FALSE(reader.takes(member(kJsonDepthLimit + 1)));
    EXPECT_FALSE(reader.takes(member(50000)));
    EXPECT_FALSE(reader.takes("{\"x\":[}"));
  }
}

}  // namespace
}  // namespace tavrel::win
