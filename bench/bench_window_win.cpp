#include "bench/bench_window_win.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <random>
#include <system_error>

namespace tavrel::bench {

TempProfile::TempProfile(const std::string& prefix) {
  std::random_device seed;
  path_ = std::filesystem::temp_directory_path() / (prefix + std::to_string(seed()));
  std::filesystem::create_directories(path_);
}

TempProfile::~TempProfile() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void start_ui_thread() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
  InitCommonControlsEx(&controls);
  LoadLibraryW(L"Msftedit.dll");
}

int run_benchmark(const std::function<void()>& body) {
  start_ui_thread();
  int code = 0;
  try {
    body();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "benchmark failed: %s\n", error.what());
    code = 1;
  }
  CoUninitialize();
  return code;
}

double time_ms(const std::function<void()>& action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

void pump_messages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void finish_jobs(win::App& app) {
  while (app.render_future.valid() || app.scan_future.valid()) {
    if (app.render_future.valid()) app.render_future.wait();
    if (app.scan_future.valid()) app.scan_future.wait();
    app.poll_jobs();
  }
}

}  // namespace tavrel::bench
