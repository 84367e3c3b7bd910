#pragma once
// Helpers for tests that drive real windows: message boxes answered automatically, processes of
// the real program bounded in time, and top-level windows found by process.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ui/layout.h"

namespace tavrel::win {
inline void PrintTo(const Rect& r, std::ostream* out) {
  *out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
}  // namespace tavrel::win

namespace tavrel::test {

// What the program entry prepares before any window exists: common controls and RichEdit.
inline void load_window_libraries() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
  InitCommonControlsEx(&controls);
  LoadLibraryW(L"Msftedit.dll");
}

inline std::wstring class_name(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

inline std::wstring text_of(HWND window) {
  std::wstring text(512, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), 512)));
  return text;
}

// The texts of a message box's static controls joined by newlines (the icon has none).
inline std::wstring box_text(HWND box) {
  std::wstring joined;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (_wcsicmp(class_name(child).c_str(), L"Static") == 0 && !text_of(child).empty()) {
      joined += text_of(child) + L"\n";
    }
  }
  return joined;
}

// Polls `done` every 20 ms until it holds or the time is up.
inline bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// Answers every message box this thread opens while it lives, with OK, and records what they
// said. The box is found through a thread-local CBT hook when it is activated.
class BoxWatcher {
 public:
  struct Box {
    std::wstring title;
    std::wstring text;
    HWND owner;
  };

  BoxWatcher() {
    current() = this;
    hook_ = SetWindowsHookExW(WH_CBT, hook_proc, nullptr, GetCurrentThreadId());
  }
  ~BoxWatcher() {
    UnhookWindowsHookEx(hook_);
    current() = nullptr;
  }
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;

  const std::vector<Box>& boxes() const { return boxes_; }

 private:
  static BoxWatcher*& current() {
    thread_local BoxWatcher* watcher = nullptr;
    return watcher;
  }
  static LRESULT CALLBACK hook_proc(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE && current()) {
      const auto window = reinterpret_cast<HWND>(wparam);
      if (class_name(window) == L"#32770") {
        current()->boxes_.push_back(
            Box{text_of(window), box_text(window), GetWindow(window, GW_OWNER)});
        PostMessageW(window, WM_COMMAND, IDOK, 0);
      }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }

  HHOOK hook_ = nullptr;
  std::vector<Box> boxes_;
};

// Top-level windows of one process, optionally of one class.
inline std::vector<HWND> process_windows(DWORD pid, const wchar_t* window_class = nullptr) {
  struct Search {
    DWORD pid;
    const wchar_t* window_class;
    std::vector<HWND> found;
  } search{pid, window_class, {}};
  EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto* s = reinterpret_cast<Search*>(context);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == s->pid && (!s->window_class || class_name(window) == s->window_class)) {
          s->found.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A run of the real program. Whatever happens in the test, the process does not outlive it: a
// process still running at the end is terminated.
class ProgramRun {
 public:
  explicit ProgramRun(const std::vector<std::wstring>& arguments,
                      const std::filesystem::path& folder = {}) {
    const std::filesystem::path exe = std::filesystem::path(TAVREL_EXE).make_preferred();
    std::wstring command = L"\"" + exe.native() + L"\"";
    for (const std::wstring& argument : arguments) command += L" \"" + argument + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    const std::wstring cwd = folder.empty() ? std::wstring() : folder.native();
    started_ = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              cwd.empty() ? nullptr : cwd.c_str(), &startup, &info) != 0;
    if (started_) {
      CloseHandle(info.hThread);
      process_ = info.hProcess;
      pid_ = info.dwProcessId;
    }
  }
  ~ProgramRun() {
    if (process_ == nullptr) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_, 99);
      WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
  }
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  bool started() const { return started_; }
  DWORD pid() const { return pid_; }
  bool running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

  // The exit code, or nothing when the process is still running after `limit` (it is then
  // terminated, so a hanging program fails the test instead of blocking the run).
  std::optional<DWORD> wait(std::chrono::milliseconds limit) {
    if (process_ == nullptr) return std::nullopt;
    if (WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
      TerminateProcess(process_, 99);
      WaitForSingleObject(process_, 5000);
      return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
  }

  // The shown main window of this run, waiting for it to appear.
  HWND main_window(std::chrono::milliseconds limit = std::chrono::seconds(20)) const {
    HWND found = nullptr;
    wait_until(
        [&] {
          for (HWND w : process_windows(pid_, L"Tavrel.Main")) {
            if (IsWindowVisible(w)) found = w;
          }
          return found != nullptr || !running();
        },
        limit);
    return found;
  }

  // A message box of this run, waiting for it to appear.
  HWND box(std::chrono::milliseconds limit = std::chrono::seconds(20)) const {
    HWND found = nullptr;
    wait_until(
        [&] {
          for (HWND w : process_windows(pid_, L"#32770")) {
            if (IsWindowVisible(w)) found = w;
          }
          return found != nullptr || !running();
        },
        limit);
    return found;
  }

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  bool started_ = false;
};

}  // namespace tavrel::test
