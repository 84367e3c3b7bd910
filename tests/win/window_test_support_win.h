#pragma once
// Helpers for tests that drive real windows: message boxes answered automatically, runs of the
// real program bounded in time, and top-level windows found by process.
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

// Polls `done` every 20 ms until it holds or the time is up (a hang guard, not a measurement).
inline bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// Answers every message box this thread opens while it lives with OK, and records what they
// said. The box is found through a thread-local CBT hook when it is activated.
class BoxWatcher {
 public:
  struct Box {
    std::wstring title;
    std::wstring text;
    HWND owner;
  };

  BoxWatcher() : hook_(SetWindowsHookExW(WH_CBT, hook_proc, nullptr, GetCurrentThreadId())) {
    current() = this;
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
    const auto window = reinterpret_cast<HWND>(wparam);
    if (code == HCBT_ACTIVATE && current() && class_name(window) == L"#32770") {
      current()->boxes_.push_back(
          Box{text_of(window), box_text(window), GetWindow(window, GW_OWNER)});
      PostMessageW(window, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }

  HHOOK hook_ = nullptr;
  std::vector<Box> boxes_;
};

// Top-level windows of one process of one class.
inline std::vector<HWND> process_windows(DWORD pid, const wchar_t* window_class) {
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
        if (owner == s->pid && class_name(window) == s->window_class) s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A run of the real program in `folder`. Whatever happens in the test, the process does not
// outlive it: a process still running at the end is terminated.
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
    if (CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
      CloseHandle(info.hThread);
      process_ = info.hProcess;
      pid_ = info.dwProcessId;
    }
    EXPECT_NE(process_, nullptr) << "the program did not start";
  }
  ~ProgramRun() {
    if (process_ == nullptr) return;
    wait(std::chrono::milliseconds(0));
    CloseHandle(process_);
  }
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

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

  HWND main_window(std::chrono::milliseconds limit = std::chrono::seconds(20)) const {
    return visible_window(L"Tavrel.Main", limit);
  }
  HWND box(std::chrono::milliseconds limit = std::chrono::seconds(20)) const {
    return visible_window(L"#32770", limit);
  }

 private:
  // A shown top-level window of this run, waiting for it to appear.
  HWND visible_window(const wchar_t* window_class, std::chrono::milliseconds limit) const {
    HWND found = nullptr;
    wait_until(
        [&] {
          for (HWND w : process_windows(pid_, window_class)) {
            if (IsWindowVisible(w)) found = w;
          }
          return found != nullptr || !running();
        },
        limit);
    return found;
  }

  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

}  // namespace tavrel::test
