// Developer benchmark of a long editing session (Win64 only, run under Wine or Windows; not
// shipped, not a test). A shown main window on a temporary profile:
//  1. fresh: opens DOCUMENT and waits until its first preview is applied;
//  2. edits it EDITS times, one character each, every edit rendered and applied as after a
//     pause in typing, and reports the process memory after the first and after the last edit;
//  3. in a second window, opens every TAB file, edits each a few times with its renders
//     applied, switches through the tabs, then opens DOCUMENT once more and times it as in 1.
//
//   tavrel_session_bench [--edits N] [--tab-edits N] DOCUMENT [TAB]...
//
// bench/long_session.sh picks real Markdown for it.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <psapi.h>
#include <richedit.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/app_win.h"
#include "ui/editor_win.h"
#include "ui/main_window_win.h"

using namespace tavrel::win;

namespace {

using Clock = std::chrono::steady_clock;

double time_ms(const std::function<void()>& action) {
  const auto start = Clock::now();
  action();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Memory {
  double working_set_mb = 0;
  double commit_mb = 0;
};

Memory memory_now() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return {static_cast<double>(counters.WorkingSetSize) / 1e6,
          static_cast<double>(counters.PagefileUsage) / 1e6};
}

void print_memory(const char* label, const Memory& memory) {
  std::printf("  %-40s working set %8.1f MB, commit %8.1f MB\n", label, memory.working_set_mb,
              memory.commit_mb);
}

class TempProfile {
 public:
  TempProfile() {
    std::random_device seed;
    path_ =
        std::filesystem::temp_directory_path() / ("tavrel-session-bench-" + std::to_string(seed()));
    std::filesystem::create_directories(path_);
  }
  ~TempProfile() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void pump_messages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void finish_jobs(App& app) {
  while (app.render_future.valid() || app.scan_future.valid()) {
    if (app.render_future.valid()) app.render_future.wait();
    if (app.scan_future.valid()) app.scan_future.wait();
    app.poll_jobs();
  }
  pump_messages();
}

// One typed character in the middle of the active document, then what the pause after it
// brings: the render, its result applied, the window painted.
void edit_once(App& app) {
  const HWND edit = app.current_document()->editor;
  const LRESULT length = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
  CHARRANGE at{static_cast<LONG>(length / 3), static_cast<LONG>(length / 3)};
  SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&at));
  SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"x"));
  KillTimer(app.main_window, timer_render);
  KillTimer(app.main_window, timer_recovery);
  app.request_render();
  finish_jobs(app);
  UpdateWindow(app.main_window);
}

// Opening as the user does (the file, its editor, its first preview), in milliseconds.
double open_and_render(App& app, const std::filesystem::path& path) {
  return time_ms([&] {
    if (!app.open_path(path)) throw std::runtime_error("cannot open " + path.string());
    finish_jobs(app);
    UpdateWindow(app.main_window);
  });
}

struct Window {
  TempProfile profile;
  App app{GetModuleHandleW(nullptr), false, {L"tavrel.exe", L"--profile", profile.path().native()}};
  Window() {
    app.create_window();
    ShowWindow(app.main_window, SW_SHOW);
    finish_jobs(app);
  }
  ~Window() {
    finish_jobs(app);
    release_main_window(app);
  }
};

void fresh_session(const std::filesystem::path& document, int edits) {
  Window window;
  std::printf("fresh window\n");
  std::printf("  %-40s %10.1f ms\n", "open the document, first preview",
              open_and_render(window.app, document));
  print_memory("after opening", memory_now());
  edit_once(window.app);
  const Memory first = memory_now();
  print_memory("after the first edit", first);
  for (int i = 1; i < edits; ++i) edit_once(window.app);
  const Memory last = memory_now();
  std::printf("  after %d edits:\n", edits);
  print_memory("", last);
  std::printf("  %-40s %+9.1f %%\n", "working set, last against first",
              100.0 * (last.working_set_mb / first.working_set_mb - 1.0));
}

void long_session(const std::filesystem::path& document,
                  const std::vector<std::filesystem::path>& tabs, int tab_edits) {
  Window window;
  App& app = window.app;
  for (const auto& tab : tabs) {
    open_and_render(app, tab);
    for (int i = 0; i < tab_edits; ++i) edit_once(app);
  }
  for (std::size_t i = 0; i < app.documents.size(); ++i) {
    app.select_document(i);
    finish_jobs(app);
  }
  std::printf("window with %zu open tabs, %d edits each\n", app.documents.size(), tab_edits);
  print_memory("before opening", memory_now());
  std::printf("  %-40s %10.1f ms\n", "open the document, first preview",
              open_and_render(app, document));
  print_memory("after opening", memory_now());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
  InitCommonControlsEx(&controls);
  LoadLibraryW(L"Msftedit.dll");

  int edits = 50;
  int tab_edits = 5;
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    if (argument == L"--edits" && i + 1 < argc) {
      edits = std::max(1, _wtoi(argv[++i]));
    } else if (argument == L"--tab-edits" && i + 1 < argc) {
      tab_edits = std::max(0, _wtoi(argv[++i]));
    } else {
      files.emplace_back(argument);
    }
  }
  if (files.empty()) {
    std::fprintf(stderr,
                 "usage: tavrel_session_bench [--edits N] [--tab-edits N] DOCUMENT [TAB]...\n");
    return 2;
  }
  int code = 0;
  try {
    fresh_session(files.front(), edits);
    if (files.size() > 1) long_session(files.front(), {files.begin() + 1, files.end()}, tab_edits);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "benchmark failed: %s\n", error.what());
    code = 1;
  }
  std::fflush(stdout);
  CoUninitialize();
  return code;
}
