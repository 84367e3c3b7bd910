// The start-up benchmark's report: two seconds after the first applied preview the process reads
// its own memory and processor counters, writes them beside its settings and closes.
#include "selftest/benchmark_win.h"

#include <windows.h>
#include <psapi.h>

#include "core/app_win.h"
#include "core/file_io_win.h"
#include "selftest/benchmark_report.h"

namespace tavrel::win {

namespace {

uint64_t filetime_ticks(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

uint64_t process_cpu_time() {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  return filetime_ticks(kernel) + filetime_ticks(user);
}

// Counters first, so that building and writing the report does not count as idle work. Wine
// fills no PrivateUsage (it reads 0 there); the report carries what the system gives.
void App::write_benchmark_report() {
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof(memory);
  K32GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                          sizeof(memory));
  BenchmarkSample sample;
  sample.cpu_now = process_cpu_time();
  sample.working_set_bytes = memory.WorkingSetSize;
  sample.private_bytes = memory.PrivateUsage;
  sample.start_tick = start_tick;
  sample.first_preview_tick = first_preview_tick;
  sample.first_preview_cpu = first_preview_cpu;
  sample.web_preview = web_preview;
  sample.now_tick = GetTickCount64();
  write_file_atomic(profile_dir / "benchmark.json", benchmark_report_json(sample));
  // WM_DESTROY ends the message loop: no close prompt and no settings save on this way out.
  DestroyWindow(main_window);
}

}  // namespace tavrel::win
