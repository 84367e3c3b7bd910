#pragma once
// The start-up benchmark's report: what the process measured, turned into the JSON text the
// automated start-up measurements read.
#include <cstdint>
#include <string>

namespace tavrel::win {

// Readings of one benchmark run; ticks in milliseconds, processor times in 100-ns units.
struct BenchmarkSample {
  uint64_t start_tick = 0;
  uint64_t first_preview_tick = 0;
  uint64_t first_preview_cpu = 0;
  uint64_t cpu_now = 0;
  uint64_t now_tick = 0;
  uint64_t working_set_bytes = 0;
  uint64_t private_bytes = 0;
  bool web_preview = false;
};

// The report, indented by 2 with its members in key order. A clock or processor counter that
// reads below its earlier value counts as no time rather than wrapping to a huge figure.
std::string benchmark_report_json(const BenchmarkSample& sample);

}  // namespace tavrel::win
