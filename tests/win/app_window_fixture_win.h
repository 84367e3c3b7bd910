#pragma once
// The base of the Win32 tests: AppWindowTest (a hidden main window on a temporary profile, its
// questions and save dialog answered by the test), message boxes answered, bounded program runs.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/app_win.h"
#include "tests/portable/test_support.h"
#include "ui/editor_win.h"
#include "ui/main_window_win.h"

namespace tavrel::test {

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

// A message box's static texts, each followed by a newline.
inline std::wstring box_text(HWND box) {
  std::wstring joined;
  for (HWND c = nullptr; (c = FindWindowExW(box, c, L"Static", nullptr));) {
    if (!text_of(c).empty()) joined += text_of(c) + L"\n";
  }
  return joined;
}

inline bool has(std::wstring_view t, std::wstring_view part) { return t.find(part) != t.npos; }
inline bool has(std::string_view t, std::string_view part) { return t.find(part) != t.npos; }

// Polls `done` until it holds or the time is up (a hang guard, not a measurement).
inline bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// While it lives, records and answers with OK every message box this thread opens.
class BoxWatcher {
 public:
  struct Box {
    std::wstring title, text;
    HWND owner;
  };
  BoxWatcher() { current_ = this; }
  ~BoxWatcher() {
    UnhookWindowsHookEx(hook_);
    current_ = nullptr;
  }
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;
  const std::vector<Box>& boxes() const { return boxes_; }

 private:
  static LRESULT CALLBACK hook_proc(int code, WPARAM wparam, LPARAM lparam) {
    const auto window = reinterpret_cast<HWND>(wparam);
    if (code == HCBT_ACTIVATE && current_ && class_name(window) == L"#32770") {
      current_->boxes_.push_back(
          Box{text_of(window), box_text(window), GetWindow(window, GW_OWNER)});
      PostMessageW(window, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }
  static inline thread_local BoxWatcher* current_ = nullptr;
  HHOOK hook_ = SetWindowsHookExW(WH_CBT, hook_proc, nullptr, GetCurrentThreadId());
  std::vector<Box> boxes_;
};

// Top-level windows of one process of one class.
inline std::vector<HWND> process_windows(DWORD pid, const wchar_t* window_class) {
  std::vector<HWND> found;
  for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, window_class, nullptr));) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == pid) found.push_back(w);
  }
  return found;
}

// The clipboard is one for the whole desktop, and the test shards run at the same time: a test
// that puts something there or reads it back holds this for its whole run, so that no other
// shard opens or changes the clipboard in between.
class ClipboardTestLock {
 public:
  ClipboardTestLock() : mutex_(CreateMutexW(nullptr, FALSE, L"Local\\TavrelTestsClipboard")) {
    if (mutex_ != nullptr) WaitForSingleObject(mutex_, 120000);
  }
  ClipboardTestLock(const ClipboardTestLock&) = delete;
  ClipboardTestLock& operator=(const ClipboardTestLock&) = delete;
  ~ClipboardTestLock() {
    if (mutex_ == nullptr) return;
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }

 private:
  HANDLE mutex_;
};

// A run of the real program in `folder`, terminated if still running when the test ends.
// `before_start` gets the process id before the program runs its first instruction.
class ProgramRun {
 public:
  explicit ProgramRun(
      const std::vector<std::wstring>& arguments, const std::filesystem::path& folder = {},
      std::filesystem::path exe = std::filesystem::path(TAVREL_EXE).make_preferred(),
      const std::function<void(DWORD pid)>& before_start = {}) {
    std::wstring command = L"\"" + exe.native() + L"\"";
    for (const std::wstring& argument : arguments) command += L" \"" + argument + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE,
                       before_start ? CREATE_SUSPENDED : 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
      if (before_start) before_start(info.dwProcessId), ResumeThread(info.hThread);
      CloseHandle(info.hThread);
      process_ = info.hProcess;
      pid_ = info.dwProcessId;
    }
    EXPECT_NE(process_, nullptr) << "the program did not start";
  }
  ~ProgramRun() {
    if (process_) wait(std::chrono::milliseconds(0)), CloseHandle(process_);
  }
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;
  DWORD pid() const { return pid_; }
  bool running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

  // The exit code, or nothing when it still runs after `limit` (it is then terminated).
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
  // A shown top-level window of this run ("#32770": a message box), waiting for it to appear.
  HWND window(const wchar_t* window_class = L"Tavrel.Main",
              std::chrono::milliseconds limit = std::chrono::seconds(20)) const {
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

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// Moves the file's last-write time one hour on, as another program's save would.
inline void touch_later(const std::filesystem::path& path) {
  std::filesystem::last_write_time(path,
                                   std::filesystem::last_write_time(path) + std::chrono::hours(1));
}

class AppWindowTest : public ::testing::Test {
 protected:
  struct Question {
    HWND owner;
    std::wstring text, caption;
    UINT type;
  };
  static void SetUpTestSuite() {  // as the program entry does before any window
    INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
    InitCommonControlsEx(&controls);
    LoadLibraryW(L"Msftedit.dll");
  }
  void SetUp() override {
    app_ = std::make_unique<win::App>(
        GetModuleHandleW(nullptr), false,
        std::vector<std::wstring>{L"tavrel.exe", L"--profile", profile_.path().native()});
    app_->create_window();
    ASSERT_NE(app_->main_window, nullptr);
    SetWindowPos(app_->main_window, nullptr, 0, 0, 1200, 800, SWP_NOZORDER | SWP_NOACTIVATE);
    app_->message_box = [this](HWND owner, const std::wstring& text, const std::wstring& caption,
                               UINT type) {
      questions_.push_back(Question{owner, text, caption, type});
      if (answers_.empty()) return IDCANCEL;
      const int answer = answers_.front();
      answers_.pop_front();
      return answer;
    };
    app_->choose_save_path = [this](HWND, const std::wstring& suggested) {
      suggested_paths_.push_back(suggested);
      return save_path_;
    };
  }
  void TearDown() override {
    if (app_) finish_jobs(), win::release_main_window(*app_);
    app_.reset();
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
  }

  // Collects renders and scans until none is pending (one may start the next).
  void finish_jobs() {
    for (int round = 0; round < 20 && (app_->render_future.valid() || app_->scan_future.valid());
         ++round) {
      if (app_->render_future.valid()) app_->render_future.wait();
      if (app_->scan_future.valid()) app_->scan_future.wait();
      app_->poll_jobs();
    }
  }

  win::Document& add_document(const std::string& text = {}) {
    app_->new_document(text);
    return *app_->current_document();
  }
  win::Document& active() { return *app_->current_document(); }
  HWND editor() { return active().editor; }
  std::string editor_text() { return win::richedit_text_utf8(editor()); }
  std::string preview_text() { return win::richedit_text_utf8(app_->preview_edit); }

  // Types at the end of the active editor; the control reports the change as for the user.
  void type_text(const std::wstring& text) {
    select(-1, -1);
    SendMessageW(editor(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  }
  void select(LONG start, LONG end) {
    CHARRANGE range{start, end};
    SendMessageW(editor(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  }
  static COLORREF colour_at(HWND edit, LONG position) {
    SendMessageW(edit, EM_SETSEL, position, position + 1);
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    SendMessageW(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format.crTextColor;
  }
  static CHARRANGE selection(HWND edit) {
    CHARRANGE range{};
    return SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range)), range;
  }
  LRESULT send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    return SendMessageW(app_->main_window, message, wparam, lparam);
  }
  std::wstring title() const { return text_of(app_->main_window); }
  std::vector<std::wstring> tab_texts() const {
    std::vector<std::wstring> texts;
    const int count = static_cast<int>(SendMessageW(app_->tab_control, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      wchar_t buffer[260] = {};
      TCITEMW item{TCIF_TEXT, 0, 0, buffer, 260, 0, 0};
      TabCtrl_GetItem(app_->tab_control, i, &item);
      texts.push_back(buffer);
    }
    return texts;
  }
  std::filesystem::path recovery_file(const std::string& id) const {
    return profile_.path() / "recovery" / (id + ".json");
  }
  TempDir profile_;
  TempDir files_;
  std::unique_ptr<win::App> app_;
  std::vector<Question> questions_;
  std::deque<int> answers_;                // taken in turn; once they are gone the answer is Cancel
  std::optional<std::wstring> save_path_;  // what the save dialog returns (nothing: cancelled)
  std::vector<std::wstring> suggested_paths_;
};

}  // namespace tavrel::test
