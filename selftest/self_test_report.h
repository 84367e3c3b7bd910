#pragma once
// The self-test run's requirement and its JSON report.
#include <array>
#include <cstdint>
#include <string>

namespace tavrel::win {

inline constexpr std::size_t kSelfTestCheckCount = 27;
// The report's check names, in report order.
extern const std::array<const char*, kSelfTestCheckCount> kSelfTestChecks;

// Throws std::runtime_error with `message` when `condition` is false.
void require(bool condition, const char* message);

struct SelfTestFigures {
  std::string profile;  // UTF-8
  int toolbar_height = 0;
  std::uint64_t layout_toggle_ms = 0;
};

// "native-report.json" (indent 2) of a run in which every check passed.
std::string build_self_test_report(const SelfTestFigures& figures);

}  // namespace tavrel::win
