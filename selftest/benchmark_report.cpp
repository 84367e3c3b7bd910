#include "selftest/benchmark_report.h"

#include <nlohmann/json.hpp>

namespace tavrel::win {

namespace {

uint64_t elapsed(uint64_t from, uint64_t to) { return to > from ? to - from : 0; }

}  // namespace

std::string benchmark_report_json(const BenchmarkSample& sample) {
  const nlohmann::json report = {
      {"main_to_preview_ms", elapsed(sample.start_tick, sample.first_preview_tick)},
      {"working_set_bytes", sample.working_set_bytes},
      {"private_bytes", sample.private_bytes},
      {"idle_cpu_ms",
       static_cast<double>(elapsed(sample.first_preview_cpu, sample.cpu_now)) / 10000.0},
      {"idle_wall_ms", elapsed(sample.first_preview_tick, sample.now_tick)},
      {"native", !sample.web_preview},
  };
  return report.dump(2);
}

}  // namespace tavrel::win
