// Developer benchmark of the UI thread's share of one edit (Win64 only, run under Wine or
// Windows; not shipped, not a test): a shown main window on a temporary profile holds a
// generated document; each run types one character, then times what the UI thread does until
// the render task runs (reading the editor text, converting it, starting the job) and what it
// does when the result comes back (streaming the RTF into the preview and the rest of applying
// it). The render itself runs on its task and is reported apart.
//
//   tavrel_ui_bench [--runs N] [--apply-limit MB] [SIZE_MB]...   (default sizes: 1 10 11)
//
// Sizes are in millions of bytes, so 10 stays below the large-document threshold (10 MiB) and
// 11 is above it.
//
// Applying a result replaces only the changed blocks of the shown preview where it can; else it
// streams the RTF into a new control (Wine's RichEdit empties a full one in time quadratic in its
// length), which costs seconds per megabyte under Wine, where laying out the preview shapes every
// run of text. Above the apply limit (default 2 MB) the edits' results are
// therefore dropped instead of applied, and only the first result is timed. The whole replacement
// is reported apart: the same RTF replacing the shown preview once more.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/doc_generator.h"
#include "bench/bench_window_win.h"
#include "core/app_win.h"
#include "render/render_job.h"
#include "render/rtf_writer.h"
#include "ui/editor_win.h"
#include "ui/main_window_win.h"
#include "ui/text_ops.h"

using namespace tavrel::win;
using namespace tavrel::bench;

namespace {

using Clock = std::chrono::steady_clock;

struct Samples {
  std::vector<double> notice, read, convert, request, request_whole, job, apply, preview;
  int kept_control = 0;  // applications that changed only a part of the shown preview
};

void type_character(HWND edit, LONG position) {
  CHARRANGE at{position, position};
  SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&at));
  SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"x"));
}

// One edit: the control's change notice, then the render request in its parts and whole, the
// task, and the application (or, for `drop`, the dropping) of the result.
void measure_edit(App& app, LONG position, bool drop, Samples& samples) {
  const HWND edit = app.current_document()->editor;
  samples.notice.push_back(time_ms([&] { type_character(edit, position); }));
  KillTimer(app.main_window, timer_render);
  KillTimer(app.main_window, timer_recovery);

  std::wstring units;
  samples.read.push_back(time_ms([&] { units = richedit_text_units(edit); }));
  std::string text;
  samples.convert.push_back(time_ms([&] { text = editor_text_to_utf8(units); }));
  samples.request.push_back(time_ms([&] {
    RenderRequest request =
        make_render_request(text, app.current_document()->revision, edit, false, 0);
    auto future = std::async(std::launch::async, [] { return 0; });  // the cost of starting a task
    future.wait();
  }));

  samples.request_whole.push_back(time_ms([&] { app.request_render(); }));
  samples.job.push_back(time_ms([&] { app.render_future.wait(); }));
  if (drop) ++app.current_document()->revision;  // as if typed on meanwhile
  const HWND preview = app.preview_edit;
  samples.apply.push_back(time_ms([&] { app.poll_jobs(); }));
  pump_messages();
  if (drop) return;
  if (app.preview_edit == preview) ++samples.kept_control;
  // The same content again, as a whole: it was made for the same look, so the next edit may
  // still replace only its part.
  const RenderLook look = app.preview_look;
  const std::string rtf = render_rtf(app.rendered, app.dark, kPreviewFontPoints, look.table_twips);
  samples.preview.push_back(time_ms([&] { replace_preview_content(app, rtf); }));
  app.preview_look = look;
  pump_messages();
}

// The process's committed memory in MB (its private bytes read 0 under Wine).
double committed_mb() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return static_cast<double>(counters.PagefileUsage) / 1e6;
}

void report(const char* label, const std::vector<double>& values) {
  std::printf("  %-44s %10.1f ms\n", label, median(values));
}

void run_size(App& app, double megabytes, int runs, double apply_limit_mb) {
  finish_jobs(app);
  const std::string document =
      tavrel::win::bench::generate_document(static_cast<size_t>(megabytes * 1e6));
  std::printf("%g MB document (%zu bytes%s)\n", megabytes, document.size(),
              is_large_document(document.size()) ? ", large-document mode" : "");
  const double load = time_ms([&] { app.new_document(document); });
  std::printf("  %-44s %10.1f ms\n", "open: new document with the text (once)", load);
  const double first = time_ms([&] { finish_jobs(app); });
  std::printf("  %-44s %10.1f ms\n", "first render, wait and apply (once)", first);
  const bool drop = megabytes > apply_limit_mb && !is_large_document(document.size());

  Samples samples;
  const auto middle =
      static_cast<LONG>(richedit_text_units(app.current_document()->editor).size() / 2);
  double after_first = 0;
  for (int i = 0; i < runs; ++i) {
    measure_edit(app, middle, drop, samples);
    if (i == 0) after_first = committed_mb();
  }
  const double after_last = committed_mb();
  std::printf(
      "  memory committed after the first edit %8.1f MB, after edit %d %8.1f MB (%+.1f %%)\n",
      after_first, runs, after_last, 100.0 * (after_last / after_first - 1.0));
  std::printf("  medians of %d edits:\n", runs);
  report("edit notice (typing one character)", samples.notice);
  report("UI: read editor text (EM_GETTEXTEX)", samples.read);
  report("UI: convert to UTF-8 with LF", samples.convert);
  report("UI: build request + start task", samples.request);
  report("UI: request_render as a whole", samples.request_whole);
  report("task: render job (not on the UI thread)", samples.job);
  report(
      drop ? "UI: drop a stale result (poll_jobs)" : "UI: apply result (poll_jobs, RTF stream-in)",
      samples.apply);
  if (!drop) {
    report("UI: the preview filled whole (new control)", samples.preview);
    std::printf("  %-44s %7d of %d\n", "applied in the shown control (changed part)",
                samples.kept_control, runs);
  }
  std::printf("  %-44s %10zu units\n", "preview text",
              richedit_text_units(app.preview_edit).size());
  std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int runs = 5;
  double apply_limit_mb = 2;
  std::vector<double> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    if (argument == L"--runs" && i + 1 < argc) {
      runs = std::max(1, _wtoi(argv[++i]));
    } else if (argument == L"--apply-limit" && i + 1 < argc) {
      apply_limit_mb = _wtof(argv[++i]);
    } else {
      sizes.push_back(_wtof(argv[i]));
    }
  }
  if (sizes.empty()) sizes = {1, 10, 11};

  return run_benchmark([&] {
    // A window of its own per size: emptying a full preview is what Wine does slowest.
    for (double size : sizes) {
      TempProfile profile("tavrel-ui-bench-");
      App app(GetModuleHandleW(nullptr), false,
              {L"tavrel.exe", L"--profile", profile.path().native()});
      app.create_window();
      ShowWindow(app.main_window, SW_SHOW);
      pump_messages();
      run_size(app, size, runs, apply_limit_mb);
      finish_jobs(app);
      release_main_window(app);
    }
  });
}
