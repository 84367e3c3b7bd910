#pragma once
// What the window benchmarks share: a profile folder of their own, timing, and waiting until the
// main window has nothing pending, so that every timing starts from an idle window.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/app_win.h"

namespace tavrel::bench {

// Removed again with everything in it when the benchmark ends.
class TempProfile {
 public:
  explicit TempProfile(const std::string& prefix);
  ~TempProfile();
  TempProfile(const TempProfile&) = delete;
  TempProfile& operator=(const TempProfile&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// COM, the common controls and RichEdit, as the program's entry sets them up.
void start_ui_thread();

// A benchmark's main around `body`: the UI thread set up first (start_ui_thread), a failure
// reported on stderr, COM closed after. Returns the exit code: 0, or 1 after a failure.
int run_benchmark(const std::function<void()>& body);

double time_ms(const std::function<void()>& action);
double median(std::vector<double> values);

void pump_messages();

// Collects the render and the workspace scan until neither is pending; pumps nothing.
void finish_jobs(win::App& app);

}  // namespace tavrel::bench
