// Developer benchmark of the Vim and Emacs keys (Win64 only, run under Wine or Windows; not
// shipped, not a test): the UI thread's cost of one key, from the key-down offered to the key
// layer to the editor painted, with the caret in the middle of a generated document of each
// size. Every key starts from the same caret; the median of the runs is reported.
//
//   tavrel_key_bench [--runs N] [SIZE_KB]...   (default sizes: 10 10000)
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <richedit.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/doc_generator.h"
#include "bench/bench_window_win.h"
#include "core/app_win.h"
#include "ui/editor_win.h"
#include "ui/main_window_win.h"

using namespace tavrel::win;
using namespace tavrel::bench;

namespace {

using Clock = std::chrono::steady_clock;

struct Key {
  const char* label;
  bool emacs;
  WPARAM first, second;  // second: the other key of a pair (dd, yy), or 0
  BYTE modifier;         // VK_CONTROL, VK_MENU, VK_SHIFT or 0
};

constexpr Key kKeys[] = {
    {"vim h", false, 'H', 0, 0},
    {"vim l", false, 'L', 0, 0},
    {"vim x", false, 'X', 0, 0},
    {"vim a", false, 'A', 0, 0},
    {"vim G", false, 'G', 0, VK_SHIFT},
    {"vim w", false, 'W', 0, 0},
    {"vim b", false, 'B', 0, 0},
    {"vim o", false, 'O', 0, 0},
    {"vim O", false, 'O', 0, VK_SHIFT},
    {"vim dd", false, 'D', 'D', 0},
    {"vim yy", false, 'Y', 'Y', 0},
    {"emacs Ctrl+K", true, 'K', 0, VK_CONTROL},
    {"emacs Alt+F", true, 'F', 0, VK_MENU},
    {"emacs Alt+B", true, 'B', 0, VK_MENU},
};

// The keyboard state the key layer reads the modifiers from.
void hold(BYTE modifier) {
  BYTE state[256] = {};
  if (modifier != 0) state[modifier] = 0x80;
  SetKeyboardState(state);
}

void send_key(App& app, HWND edit, WPARAM key, BYTE modifier) {
  MSG message{edit, static_cast<UINT>(modifier == VK_MENU ? WM_SYSKEYDOWN : WM_KEYDOWN), key, 1};
  hold(modifier);
  if (!app.handle_shortcut(message)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  hold(0);
}

// The edits of the keys are put back between runs (untimed), so every run sees the same text.
double time_key(App& app, HWND edit, const Key& key, LONG middle) {
  app.vim = !key.emacs;
  app.emacs = key.emacs;
  app.vim_insert = false;
  CHARRANGE at{middle, middle};
  SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&at));
  SendMessageW(edit, EM_EMPTYUNDOBUFFER, 0, 0);
  const auto start = Clock::now();
  send_key(app, edit, key.first, key.modifier);
  if (key.second != 0) send_key(app, edit, key.second, key.modifier);
  UpdateWindow(edit);
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  while (SendMessageW(edit, EM_CANUNDO, 0, 0)) SendMessageW(edit, EM_UNDO, 0, 0);
  KillTimer(app.main_window, timer_render);
  KillTimer(app.main_window, timer_recovery);
  return ms;
}

void run_size(double kilobytes, int runs) {
  TempProfile profile("tavrel-key-bench-");
  App app(GetModuleHandleW(nullptr), false, {L"tavrel.exe", L"--profile", profile.path().native()});
  app.create_window();
  ShowWindow(app.main_window, SW_SHOW);
  const std::string text = bench::generate_document(static_cast<std::size_t>(kilobytes * 1000));
  app.new_document(text);
  // The preview plays no part in a key: its render is dropped.
  if (app.render_future.valid()) app.render_future.wait();
  ++app.current_document()->revision;
  app.poll_jobs();
  KillTimer(app.main_window, timer_render);
  const HWND edit = app.current_document()->editor;
  SetFocus(edit);
  const auto middle = static_cast<LONG>(richedit_text_units(edit).size() / 2);
  std::printf("%g KB document (%zu bytes), medians of %d keys:\n", kilobytes, text.size(), runs);
  for (const Key& key : kKeys) {
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) samples.push_back(time_key(app, edit, key, middle));
    std::sort(samples.begin(), samples.end());
    std::printf("  %-16s %9.2f ms\n", key.label, samples[samples.size() / 2]);
  }
  // What any motion costs at least: the control's own placing of the caret, and painting.
  std::vector<double> moves;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    CHARRANGE at{middle + 1, middle + 1};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&at));
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
    UpdateWindow(edit);
    moves.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    CHARRANGE back{middle, middle};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&back));
  }
  std::sort(moves.begin(), moves.end());
  std::printf("  %-16s %9.2f ms\n", "caret alone", moves[moves.size() / 2]);
  std::fflush(stdout);
  if (app.render_future.valid()) app.render_future.wait();
  release_main_window(app);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  start_ui_thread();
  int runs = 9;
  std::vector<double> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    if (argument == L"--runs" && i + 1 < argc) {
      runs = std::max(1, _wtoi(argv[++i]));
    } else {
      sizes.push_back(_wtof(argv[i]));
    }
  }
  if (sizes.empty()) sizes = {10, 10000};
  try {
    for (const double size : sizes) run_size(size, runs);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "benchmark failed: %s\n", error.what());
    return 1;
  }
  CoUninitialize();
  return 0;
}
