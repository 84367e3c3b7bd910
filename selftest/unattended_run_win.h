#pragma once
// A self-test run has nobody to answer it. A box that would wait for a person (a message box, a
// common dialog, one of the program's own modal windows) and a run that does not end in time
// both end the process at once with exit code 2, the reason in "test-error.txt".
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace tavrel::win {

// Generous for a loaded machine under Wine, where a whole run takes seconds.
inline constexpr std::chrono::seconds kSelfTestTimeLimit{240};

// Calls `on_expiry` on a thread of its own once `limit` has passed, unless it is destroyed
// first. It keeps counting whatever the thread that made it does (a modal loop included).
class Watchdog {
 public:
  Watchdog(std::chrono::milliseconds limit, std::function<void()> on_expiry);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable stop_signal_;
  bool stopping_ = false;
  std::thread thread_;
};

// Writes `reason` to the error file (when one is known and can be written) and ends the process
// with exit code 2; from any thread, once.
[[noreturn]] void abandon_self_test(const std::string& reason);

// What a box that is being activated says: its title and, for a system dialog, its texts.
std::string describe_box(HWND box);

// While it lives on the UI thread: every box of this thread, and the end of the time limit,
// abandon the run.
class UnattendedRun {
 public:
  explicit UnattendedRun(std::chrono::milliseconds limit);
  ~UnattendedRun();
  UnattendedRun(const UnattendedRun&) = delete;
  UnattendedRun& operator=(const UnattendedRun&) = delete;

  // Where the reason goes; until the profile folder exists the run ends without one.
  static void report_to(const std::filesystem::path& error_file);

 private:
  HHOOK hook_ = nullptr;
  Watchdog watchdog_;
};

}  // namespace tavrel::win
