// Developer benchmark of the RichEdit controls alone (Win64 only, run under Wine or Windows; not
// shipped, not a test): how long a shown control takes to take a document in and to paint it,
// apart from everything else the program does on opening. For each Markdown file, in a window of
// its own: the preview's RTF as the program renders it, streamed into the preview; and the text
// put into an editor with word wrap on and with it off. Each step is printed before it starts,
// so that a step that does not end is known.
//
//   tavrel_fill_bench [--only preview|wrap|nowrap] FILE...
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_window_win.h"
#include "core/app_win.h"
#include "render/markdown_model.h"
#include "render/rtf_writer.h"
#include "ui/commands.h"
#include "ui/editor_win.h"
#include "ui/main_window_win.h"

using namespace tavrel::win;
using namespace tavrel::bench;

namespace {

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

double peak_mb() {
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof(memory);
  K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
  return static_cast<double>(memory.PeakWorkingSetSize) / 1e6;
}

void step(const char* what) {
  std::printf("  %s ...", what);
  std::fflush(stdout);
}

void done(double ms) {
  std::printf(" %.0f ms (peak %.0f MB)\n", ms, peak_mb());
  std::fflush(stdout);
}

// The preview's RTF as a render result carries it, streamed into the shown preview, then painted.
void fill_preview(App& app, const std::string& text, bool raw) {
  std::string rtf = text;
  step("render RTF");
  if (!raw) done(time_ms([&] { rtf = render_rtf(render_markdown(text), false, 11); }));
  std::printf("  RTF %zu bytes, %zu breaks\n", rtf.size(), rtf_break_count(rtf, ~std::size_t{0}));
  step("preview stream-in");
  done(time_ms([&] { replace_preview_content(app, rtf); }));
  step("preview paint");
  done(time_ms([&] { UpdateWindow(app.preview_edit); }));
}

// An editor in the preview's place, as a document's editor is configured.
void fill_editor(App& app, const std::string& text, bool wrap) {
  app.word_wrap = wrap;
  const HWND edit = app.create_rich_edit(false);
  RECT place{};
  GetWindowRect(app.preview_edit, &place);
  MapWindowPoints(nullptr, app.main_window, reinterpret_cast<POINT*>(&place), 2);
  SetWindowPos(edit, HWND_TOP, place.left, place.top, place.right - place.left,
               place.bottom - place.top, SWP_SHOWWINDOW);
  step(wrap ? "editor text (wrap on)" : "editor text (wrap off)");
  done(time_ms([&] { richedit_set_text_utf8(edit, text); }));
  step("editor paint");
  done(time_ms([&] { UpdateWindow(edit); }));
  step("caret to the end");
  done(time_ms([&] {
    CHARRANGE end{-1, -1};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
    UpdateWindow(edit);
  }));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring only;
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    if (argument == L"--only" && i + 1 < argc) {
      only = argv[++i];
    } else {
      files.emplace_back(argument);
    }
  }
  return run_benchmark([&] {
    for (const auto& file : files) {
      const std::string text = read_file(file);
      std::printf("%s (%zu bytes)\n", file.filename().string().c_str(), text.size());
      for (const std::wstring kind : {L"preview", L"wrap", L"nowrap"}) {
        if (!only.empty() && only != kind) continue;
        TempProfile profile("tavrel-fill-bench-");
        App app(GetModuleHandleW(nullptr), false,
                {L"tavrel.exe", L"--profile", profile.path().native()});
        app.create_window();
        ShowWindow(app.main_window, SW_SHOW);
        pump_messages();
        if (kind == L"preview") {
          fill_preview(app, text, file.extension() == L".rtf");
        } else {
          fill_editor(app, text, kind == L"wrap");
        }
        release_main_window(app);
      }
    }
  });
}
