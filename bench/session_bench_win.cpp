// Developer benchmark of a long editing session (Win64 only, run under Wine or Windows; not
// shipped, not a test). A shown main window on a temporary profile:
//  1. fresh: opens DOCUMENT and waits until its first preview is applied;
//  2. edits it EDITS times, one character each, every edit rendered and applied as after a
//     pause in typing, and reports the process memory after the first and after the last edit;
//  3. in a second window, opens every TAB file, edits each a few times with its renders
//     applied, switches through the tabs, types on in the last tab for a while (each edit
//     rendered and applied), then opens DOCUMENT once more and times it as in 1.
//
//   tavrel_session_bench [--edits N] [--tab-edits N] [--typing N] DOCUMENT [TAB]...
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

#include "bench/bench_window_win.h"
#include "core/app_win.h"
#include "ui/editor_win.h"
#include "ui/main_window_win.h"

using namespace tavrel::win;
using namespace tavrel::bench;

namespace {

using Clock = std::chrono::steady_clock;

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

// Nothing pending and every message handled.
void settle(App& app) {
  finish_jobs(app);
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
  settle(app);
  UpdateWindow(app.main_window);
}

// Opening as the user does, in its parts: the file into its editor, the render task (not on
// the UI thread), and applying its result up to the painted window.
struct Opening {
  double open = 0, render = 0, apply = 0;
  double total() const { return open + render + apply; }
};

Opening open_and_render(App& app, const std::filesystem::path& path) {
  Opening opening;
  opening.open = time_ms([&] {
    if (!app.open_path(path)) throw std::runtime_error("cannot open " + path.string());
  });
  opening.render = time_ms([&] {
    if (app.render_future.valid()) app.render_future.wait();
  });
  opening.apply = time_ms([&] {
    settle(app);
    UpdateWindow(app.main_window);
  });
  return opening;
}

void print_opening(const Opening& opening) {
  std::printf("  %-40s %10.1f ms (file and editor %.1f, render task %.1f, apply %.1f)\n",
              "open the document, first preview", opening.total(), opening.open, opening.render,
              opening.apply);
}

struct Window {
  TempProfile profile{"tavrel-session-bench-"};
  App app{GetModuleHandleW(nullptr), false, {L"tavrel.exe", L"--profile", profile.path().native()}};
  Window() {
    app.create_window();
    ShowWindow(app.main_window, SW_SHOW);
    settle(app);
  }
  ~Window() {
    settle(app);
    release_main_window(app);
  }
};

void fresh_session(const std::filesystem::path& document, int edits) {
  Window window;
  std::printf("fresh window\n");
  print_opening(open_and_render(window.app, document));
  print_memory("after opening", memory_now());
  edit_once(window.app);
  const Memory first = memory_now();
  print_memory("after the first edit", first);
  for (int i = 1; i < edits; ++i) edit_once(window.app);
  const Memory last = memory_now();
  std::printf("  after %d edits:\n", edits);
  print_memory("", last);
  std::printf("  %-40s %+9.1f %% (commit %+.1f %%)\n", "working set, last against first",
              100.0 * (last.working_set_mb / first.working_set_mb - 1.0),
              100.0 * (last.commit_mb / first.commit_mb - 1.0));
}

struct SessionLength {
  int tab_edits = 5;
  int typing = 30;
};

void long_session(const std::filesystem::path& document,
                  const std::vector<std::filesystem::path>& tabs, SessionLength length) {
  Window window;
  App& app = window.app;
  for (const auto& tab : tabs) {
    open_and_render(app, tab);
    for (int i = 0; i < length.tab_edits; ++i) edit_once(app);
  }
  for (std::size_t i = 0; i < app.documents.size(); ++i) {
    app.select_document(i);
    settle(app);
  }
  std::printf("window with %zu open tabs, %d edits each\n", app.documents.size(), length.tab_edits);
  const std::size_t before = app.documents.size();
  std::vector<double> pauses;
  for (int i = 0; i < length.typing; ++i) pauses.push_back(time_ms([&] { edit_once(app); }));
  if (!pauses.empty()) {
    std::printf("  %d edits in the last tab: the first %.1f ms, the last %.1f ms\n", length.typing,
                pauses.front(), pauses.back());
  }
  print_memory("before opening", memory_now());
  print_opening(open_and_render(app, document));
  print_memory("after opening", memory_now());
  if (app.documents.size() != before + 1) throw std::runtime_error("the document did not open");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  start_ui_thread();

  int edits = 50;
  SessionLength length;
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    if (argument == L"--edits" && i + 1 < argc) {
      edits = std::max(1, _wtoi(argv[++i]));
    } else if (argument == L"--tab-edits" && i + 1 < argc) {
      length.tab_edits = std::max(0, _wtoi(argv[++i]));
    } else if (argument == L"--typing" && i + 1 < argc) {
      length.typing = std::max(0, _wtoi(argv[++i]));
    } else {
      files.emplace_back(argument);
    }
  }
  if (files.empty()) {
    std::fprintf(
        stderr,
        "usage: tavrel_session_bench [--edits N] [--tab-edits N] [--typing N] DOCUMENT [TAB]...\n");
    return 2;
  }
  int code = 0;
  try {
    fresh_session(files.front(), edits);
    if (files.size() > 1) long_session(files.front(), {files.begin() + 1, files.end()}, length);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "benchmark failed: %s\n", error.what());
    code = 1;
  }
  std::fflush(stdout);
  CoUninitialize();
  return code;
}
