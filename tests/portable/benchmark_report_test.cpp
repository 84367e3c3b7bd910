// The benchmark report as the start-up measurements read it: exact text, and clocks that read
// backwards never wrap into huge figures.
#include "selftest/benchmark_report.h"

#include <gtest/gtest.h>

using namespace tavrel::win;

TEST(BenchmarkReport, IsIndentedInKeyOrderWithTheDifferencesOfTheReadings) {
  const BenchmarkSample sample{1000, 1370, 5'000'000, 5'125'000, 3372, 52'428'800, 7, false};
  EXPECT_EQ(benchmark_report_json(sample),
            "{\n"
            "  \"idle_cpu_ms\": 12.5,\n"
            "  \"idle_wall_ms\": 2002,\n"
            "  \"main_to_preview_ms\": 370,\n"
            "  \"native\": true,\n"
            "  \"private_bytes\": 7,\n"
            "  \"working_set_bytes\": 52428800\n"
            "}");
}

TEST(BenchmarkReport, ReadingsBelowTheirStartCountAsNoTime) {
  const BenchmarkSample sample{500, 400, 9, 3, 300, 0, 0, true};
  const std::string report = benchmark_report_json(sample);
  for (const char* member : {"\"idle_cpu_ms\": 0.0", "\"idle_wall_ms\": 0",
                             "\"main_to_preview_ms\": 0", "\"native\": false"})
    EXPECT_NE(report.find(member), std::string::npos) << member;
}
