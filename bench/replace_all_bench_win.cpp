// Developer benchmark of Replace all on a large document (Win64 only, run under Wine or Windows;
// not shipped, not a test). A shown main window on a temporary profile opens a document in which
// every line holds "fox" (or the given file), times the opening, then replaces every "fox" by
// "CAT-CAT" (plain text) on one of the roads below, and times undoing it.
//
//   tavrel_replace_bench [--road NAME] [--undo] [--file PATH] [SIZE_MB]...   (default: 1 5)
//
// Roads: "product" (App::replace_matches, what the find bar runs) and, to compare what the
// control offers for a whole-text change: "replacesel" (one EM_REPLACESEL over the changed
// span), "streamin" (EM_STREAMIN into the selected span), "settextex" (EM_SETTEXTEX with
// ST_SELECTION | ST_KEEPUNDO over the span), "paragraphs" (one EM_REPLACESEL per changed line,
// from the end). Sizes are in millions of bytes. Some roads take minutes under Wine: run them
// under `timeout`.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_window_win.h"
#include "core/app_win.h"
#include "core/text_convert.h"
#include "ui/editor_win.h"
#include "ui/find_replace.h"
#include "ui/main_window_win.h"

using namespace tavrel::win;
using namespace tavrel::bench;

namespace {

constexpr UINT kUtf16CodePage = 1200;

// About 78 bytes a line, as in the document the freeze was seen with (5 MB, 64,428 lines).
std::string fox_document(std::size_t bytes) {
  static const char* const kLines[] = {
      "The quick brown fox jumps over the lazy dog, again and again in line ",
      "- Con c\xC3\xA1o (fox) nh\xE1\xBA\xA3y qua con ch\xC3\xB3 l\xC6\xB0\xE1\xBB\x9Di "
      "\xF0\x9F\xA6\x8A number ",
      "## A fox heading with *emphasis*, `code` and [a link](https://example.com/) ",
      "| fox | table | cell | in a row of a table with some more words | ",
  };
  std::string text;
  text.reserve(bytes + 128);
  for (std::size_t line = 0; text.size() < bytes; ++line) {
    text += kLines[line % 4];
    text += std::to_string(line);
    text += '\n';
  }
  return text;
}

double working_set_mb() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return static_cast<double>(counters.WorkingSetSize) / 1e6;
}

bool has_tweak(const std::wstring& tweaks, const wchar_t* name) {
  return tweaks.find(name) != std::wstring::npos;
}

void settle(App& app) {
  finish_jobs(app);
  pump_messages();
}

std::wstring editor_units(const std::string& utf8) {
  std::wstring units = to_wide(utf8);
  std::replace(units.begin(), units.end(), L'\n', L'\r');
  return units;
}

void road_replacesel(HWND edit, const TextSplice& splice) {
  richedit_replace(edit, splice.start, splice.end, splice.text);
}

void road_streamin(HWND edit, const TextSplice& splice) {
  richedit_select(edit, splice.start, splice.end);
  StreamSource source{reinterpret_cast<const char*>(splice.text.data()),
                      splice.text.size() * sizeof(wchar_t), 0};
  EDITSTREAM stream{};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
  stream.pfnCallback = stream_string_in;
  SendMessageW(edit, EM_STREAMIN, SF_TEXT | SF_UNICODE | SFF_SELECTION,
               reinterpret_cast<LPARAM>(&stream));
}

void road_settextex(HWND edit, const TextSplice& splice) {
  richedit_select(edit, splice.start, splice.end);
  SETTEXTEX how{ST_SELECTION | ST_KEEPUNDO, kUtf16CodePage};
  SendMessageW(edit, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how),
               reinterpret_cast<LPARAM>(splice.text.c_str()));
}

// Each changed line on its own, from the last, so that earlier positions stay valid.
void road_paragraphs(HWND edit, const std::wstring& before, const std::wstring& after) {
  std::vector<std::pair<std::size_t, std::size_t>> old_lines, new_lines;
  const auto split = [](const std::wstring& text, auto& lines) {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
      if (i == text.size() || text[i] == L'\r') {
        lines.emplace_back(start, i);
        start = i + 1;
      }
    }
  };
  split(before, old_lines);
  split(after, new_lines);
  if (old_lines.size() != new_lines.size()) throw std::runtime_error("line count changed");
  for (std::size_t i = old_lines.size(); i-- > 0;) {
    const auto [old_start, old_end] = old_lines[i];
    const auto [new_start, new_end] = new_lines[i];
    const std::wstring line = after.substr(new_start, new_end - new_start);
    if (before.compare(old_start, old_end - old_start, line) == 0) continue;
    richedit_select(edit, old_start, old_end);
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(line.c_str()));
  }
}

void run_road(App& app, const std::wstring& road) {
  const HWND edit = app.current_document()->editor;
  if (road == L"product") {
    SetWindowTextW(app.find_edit, L"fox");
    SetWindowTextW(app.replace_edit, L"CAT-CAT");
    SendMessageW(app.regex_button, BM_SETCHECK, BST_UNCHECKED, 0);
    app.replace_matches(true);
    return;
  }
  const std::string text = richedit_text_utf8(edit);
  uint64_t count = 0;
  const std::string replaced = replace_all(text, "fox", "CAT-CAT", false, false, &count);
  const std::wstring before = editor_units(text), after = editor_units(replaced);
  const TextSplice splice = changed_span(before, after);
  if (road == L"replacesel") {
    road_replacesel(edit, splice);
  } else if (road == L"streamin") {
    road_streamin(edit, splice);
  } else if (road == L"settextex") {
    road_settextex(edit, splice);
  } else if (road == L"delete") {
    richedit_select(edit, splice.start, splice.end);
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
  } else if (road == L"delete-back" || road == L"delete-front") {
    std::vector<std::size_t> breaks;
    for (std::size_t i = splice.start; i < splice.end; ++i)
      if (before[i] == L'\r') breaks.push_back(i);
    if (road == L"delete-back") {
      std::size_t end = splice.end;
      for (std::size_t i = breaks.size(); i-- > 0;) {
        richedit_select(edit, breaks[i], end);
        SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
        end = breaks[i];
      }
      richedit_select(edit, splice.start, end);
      SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
    } else {
      std::size_t start = splice.start;
      for (const std::size_t at : breaks) {
        richedit_select(edit, splice.start, splice.start + (at + 1 - start));
        SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
        start = at + 1;
      }
    }
  } else if (road == L"insert") {
    richedit_select(edit, splice.end, splice.end);
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(splice.text.c_str()));
  } else if (road == L"paragraphs") {
    road_paragraphs(edit, before, after);
  } else {
    throw std::runtime_error("unknown road");
  }
}

void measure(const std::filesystem::path& file, const std::wstring& road, bool undo) {
  TempProfile profile("tavrel-replace-bench-");
  App app{GetModuleHandleW(nullptr), false, {L"tavrel.exe", L"--profile", profile.path().native()}};
  app.create_window();
  ShowWindow(app.main_window, SW_SHOW);
  settle(app);
  const double open = time_ms([&] {
    if (!app.open_path(file)) throw std::runtime_error("cannot open the document");
  });
  const double preview = time_ms([&] { settle(app); });
  HWND edit = app.current_document()->editor;
  const std::string original = richedit_text_utf8(edit);
  const double opened_mb = working_set_mb();
  const wchar_t* tweak = _wgetenv(L"TWEAK");
  const std::wstring t = tweak ? tweak : L"";
  const double replace = time_ms([&] {
    if (has_tweak(t, L"noredraw")) SendMessageW(edit, WM_SETREDRAW, FALSE, 0);
    if (has_tweak(t, L"nomask")) SendMessageW(edit, EM_SETEVENTMASK, 0, 0);
    if (has_tweak(t, L"hide")) ShowWindow(edit, SW_HIDE);
    if (has_tweak(t, L"nowrap")) SendMessageW(edit, EM_SETTARGETDEVICE, 0, 1);
    if (has_tweak(t, L"suspend")) richedit_suspend_undo(edit, true);
    run_road(app, road);
    if (has_tweak(t, L"suspend")) richedit_suspend_undo(edit, false);
    if (has_tweak(t, L"noredraw")) SendMessageW(edit, WM_SETREDRAW, TRUE, 0);
  });
  const double painted = time_ms([&] {
    settle(app);
    UpdateWindow(app.main_window);
  });
  edit = app.current_document()->editor;  // a new control on some roads
  const std::string replaced = richedit_text_utf8(edit);
  uint64_t count = 0;
  const bool right = replaced == replace_all(original, "fox", "CAT-CAT", false, false, &count);
  std::printf(
      "  %-10ls open %8.1f ms (+ first preview %8.1f), replace all %9.1f ms (+ render "
      "%8.1f), %s, modified %d, working set %.0f MB after opening, %.0f MB after\n",
      road.c_str(), open, preview, replace, painted, right ? "right text" : "WRONG TEXT",
      app.current_document()->modified ? 1 : 0, opened_mb, working_set_mb());
  if (undo) {
    const double undone = time_ms([&] { SendMessageW(edit, EM_UNDO, 0, 0); });
    edit = app.current_document()->editor;
    std::printf("  %-10s one undo %9.1f ms, text back %d\n", "", undone,
                richedit_text_utf8(edit) == original ? 1 : 0);
  }
  std::fflush(stdout);
  release_main_window(app);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  start_ui_thread();
  std::wstring road = L"product";
  bool undo = false;
  std::vector<std::filesystem::path> files;
  std::vector<double> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    if (argument == L"--road" && i + 1 < argc) {
      road = argv[++i];
    } else if (argument == L"--undo") {
      undo = true;
    } else if (argument == L"--file" && i + 1 < argc) {
      files.emplace_back(argv[++i]);
    } else {
      sizes.push_back(_wtof(argv[i]));
    }
  }
  if (files.empty() && sizes.empty()) sizes = {1, 5};
  int code = 0;
  try {
    TempProfile documents("tavrel-replace-docs-");
    for (const double size : sizes) {
      const std::string text = fox_document(static_cast<std::size_t>(size * 1e6));
      const std::filesystem::path file =
          documents.path() / ("fox-" + std::to_string(static_cast<int>(size * 1000)) + "k.md");
      std::ofstream(file, std::ios::binary) << text;
      std::printf("%.2f MB, %zu lines:\n", size,
                  static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
      files.push_back(file);
    }
    for (const auto& file : files) {
      std::printf("%s\n", file.filename().string().c_str());
      measure(file, road, undo);
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "benchmark failed: %s\n", error.what());
    code = 1;
  }
  CoUninitialize();
  return code;
}
