// The guards of an unattended self-test run: a thread hook that sees every window this thread
// is about to activate, and a watchdog thread that does not depend on the UI thread's loop.
#include "selftest/unattended_run_win.h"

#include <string_view>
#include <utility>

#include "core/file_io_win.h"
#include "core/text_convert.h"
#include "ui/main_window_win.h"

namespace tavrel::win {

namespace {

std::mutex& abandon_mutex() {
  static std::mutex mutex;
  return mutex;
}

std::filesystem::path& error_file() {  // guarded by abandon_mutex()
  static std::filesystem::path file;
  return file;
}

std::string window_text_utf8(HWND window) {
  const std::wstring text = window_text(window);
  return utf16_to_utf8_lenient(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

std::wstring class_of(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// The main window may be activated (focus moves inside it even while hidden), and so may no
// window at all; any other window of this thread that is activated is a box in front of it.
// Wine also reports here the activation of other processes' windows (a dialog another program
// on the same desktop opens), which are not this run's to answer.
bool is_box_of_this_thread(HWND window) {
  return window != nullptr && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId() &&
         class_of(window) != kMainWindowClass;
}

LRESULT CALLBACK box_hook(int code, WPARAM wparam, LPARAM lparam) {
  const auto window = reinterpret_cast<HWND>(wparam);
  if (code == HCBT_ACTIVATE && is_box_of_this_thread(window)) {
    abandon_self_test("A box would have waited for an answer: " + describe_box(window));
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

Watchdog::Watchdog(std::chrono::milliseconds limit, std::function<void()> on_expiry)
    : thread_([this, limit, on_expiry = std::move(on_expiry)] {
        std::unique_lock lock(mutex_);
        if (!stop_signal_.wait_for(lock, limit, [this] { return stopping_; })) on_expiry();
      }) {}

Watchdog::~Watchdog() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stop_signal_.notify_all();
  thread_.join();
}

void abandon_self_test(const std::string& reason) {
  // The lock is never given back: a second reason (the watchdog while a box is reported) waits
  // here until the process is gone.
  abandon_mutex().lock();
  try {
    if (!error_file().empty()) write_file_atomic(error_file(), reason);
  } catch (const std::exception&) {
    // The exit code still tells that the run failed.
  }
  // Not ExitProcess: the UI thread may sit in a modal loop holding whatever it holds.
  TerminateProcess(GetCurrentProcess(), 2);
  for (;;) Sleep(INFINITE);
}

std::string describe_box(HWND box) {
  std::string text = "\"";
  text += window_text_utf8(box);
  text += '"';
  if (class_of(box) != L"#32770") return text;
  for (HWND child = nullptr; (child = FindWindowExW(box, child, L"Static", nullptr));) {
    const std::string line = window_text_utf8(child);
    if (!line.empty()) text += " " + line;
  }
  return text;
}

UnattendedRun::UnattendedRun(std::chrono::milliseconds limit)
    : hook_(SetWindowsHookExW(WH_CBT, box_hook, nullptr, GetCurrentThreadId())),
      watchdog_(limit, [limit] {
        abandon_self_test(
            "The self-test did not end within " +
            std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limit).count()) +
            " seconds");
      }) {}

UnattendedRun::~UnattendedRun() {
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
}

void UnattendedRun::report_to(const std::filesystem::path& file) {
  std::lock_guard lock(abandon_mutex());
  error_file() = file;
}

}  // namespace tavrel::win
