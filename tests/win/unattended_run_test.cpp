// The watchdog of a self-test run, in this process (its end of the process is shown by the
// program runs): it fires once its time is up, whatever the thread that made it does, and
// never after it was stopped.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "selftest/unattended_run_win.h"
#include "tests/win/app_window_fixture_win.h"

using namespace std::chrono_literals;

namespace tavrel::test {
namespace {

TEST(Watchdog, FiresWhileItsThreadIsBusyAndNeverAfterItWasStopped) {
  std::atomic<int> fired = 0;
  {
    win::Watchdog watchdog(50ms, [&] { ++fired; });
    // This thread stays busy, as a UI thread caught in a modal loop would.
    EXPECT_TRUE(wait_until([&] { return fired == 1; }, 30s));
  }
  {
    win::Watchdog stopped(1h, [&] { ++fired; });
  }
  EXPECT_EQ(fired, 1);
}

}  // namespace
}  // namespace tavrel::test
