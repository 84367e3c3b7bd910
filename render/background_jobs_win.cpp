// The two background jobs of the main window and their collection on timer 1: the preview
// render of the active document and the workspace scan. Each task gets copies only; the UI
// thread reads the futures with zero waits and never parses Markdown itself.
#include <windows.h>
#include <richedit.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <optional>
#include <string>
#include <utility>

#include "core/text_convert.h"
#include "core/workspace_scan.h"
#include "render/render_job.h"
#include "selftest/benchmark_win.h"
#include "ui/editor_win.h"
#include "ui/main_window_win.h"
#include "ui/preview_nav_win.h"
#include "web/web_host_win.h"

namespace tavrel::win {
namespace {

constexpr UINT kPollIntervalMs = 40;

// A failed scan still names the folder it was made for, so that a failure for a folder that is
// no longer the workspace does not keep the new one from being scanned.
class ScanFailed : public std::runtime_error {
 public:
  ScanFailed(std::filesystem::path root, const std::string& what)
      : std::runtime_error(what), root_(std::move(root)) {}
  const std::filesystem::path& root() const { return root_; }

 private:
  std::filesystem::path root_;
};

WorkspaceScan run_scan(std::filesystem::path root) {
  try {
    return scan_job(root);
  } catch (const std::exception& error) {
    throw ScanFailed(std::move(root), error.what());
  }
}

template <typename T>
bool is_ready(const std::future<T>& future) {
  return future.valid() && future.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

// The first character of the top line; looked up only in large-document mode, where the
// rendered window follows it.
std::int64_t first_visible_position(HWND edit) {
  const LRESULT line = SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
  return static_cast<std::int64_t>(SendMessageW(edit, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
}

// The preview counts as there once it is painted: its first paint is part of showing it, not
// idle work.
void note_first_preview(App& app) {
  if (!app.benchmark || app.first_preview_tick != 0) return;
  RedrawWindow(app.main_window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  app.first_preview_tick = GetTickCount64();
  app.first_preview_cpu = process_cpu_time();
  SetTimer(app.main_window, timer_benchmark, kBenchmarkDelayMs, nullptr);
}

// The preview keeps its scroll position across the update, and keeps its control when only a
// few blocks changed; when it cannot take the RTF it keeps what it showed, and so do the outline
// and the counts.
void apply_render_result(App& app, RenderResult& result) {
  const std::optional<PreviewSpan> part = splice_preview_content(app, result);
  if (!part) replace_preview_content(app, result.rtf);
  app.preview_look = result.look;
  app.rendered = std::move(result.markdown);
  // The text kept around a changed part keeps its links.
  mark_preview_anchors(app, std::move(result.positions.anchors), part.value_or(kWholePreview));
  app.stats = result.stats;
  app.refresh_outline();
  app.invalidate_status();
  if (app.web_preview) web_send_document(app);
  note_first_preview(app);
}

std::optional<RenderTarget> active_render_target(App& app) {
  if (app.documents.empty()) return std::nullopt;
  const Document& document = *app.current_document();
  return RenderTarget{document.editor, document.revision};
}

void collect_render(App& app) {
  std::future<RenderResult> future = std::move(app.render_future);
  try {
    RenderResult result = future.get();
    if (render_result_applies(result, active_render_target(app))) apply_render_result(app, result);
  } catch (const std::exception& error) {
    app.set_status(to_wide_lenient(error.what()));
  }
  if (app.render_again) {
    app.render_again = false;
    app.request_render();
  }
}

void take_scan_for(App& app, const std::filesystem::path& root, WorkspaceScan* scan) {
  switch (decide_scan_result(root, app.workspace_root)) {
    case ScanDecision::Apply:
      if (scan == nullptr) return;
      app.workspace_files = std::move(scan->files);
      app.fill_workspace_tree();
      return;
    case ScanDecision::Drop:
      return;
    case ScanDecision::DropAndRescan:
      app.scan_workspace();
      return;
  }
}

void collect_scan(App& app) {
  std::future<WorkspaceScan> future = std::move(app.scan_future);
  try {
    WorkspaceScan scan = future.get();
    take_scan_for(app, scan.root, &scan);
  } catch (const ScanFailed& error) {
    app.set_status(to_wide_lenient(error.what()));  // the previous list stays
    take_scan_for(app, error.root(), nullptr);
  } catch (const std::exception& error) {
    app.set_status(to_wide_lenient(error.what()));
  }
}

}  // namespace

void App::request_render() {
  if (documents.empty()) return;
  if (render_future.valid()) {
    render_again = true;
    return;
  }
  Document& document = *current_document();
  // An editor still holding the text it was given was fitted to it then (richedit_set_text_utf8).
  if (std::exchange(editor_holding_text, nullptr) != document.editor) {
    document.text = richedit_text_utf8(document.editor);
    richedit_fit_wrap_to_lines(document.editor, document.text);
  }
  const std::int64_t first_visible =
      is_large_document(document.text.size()) ? first_visible_position(document.editor) : 0;
  RenderRequest request =
      make_render_request(document.text, document.revision, document.editor, dark, first_visible);
  request.table_twips = win::preview_table_twips(preview_edit);
  preview_table_twips = request.table_twips;
  large_document = request.partial;
  if (large_document) {
    set_status(vietnamese ? L"T\u00E0i li\u1EC7u l\u1EDBn | preview theo v\u00F9ng \u0111ang xem"
                          : L"Large document | preview follows the visible section");
  }
  render_future = std::async(std::launch::async, std::move(request));
  SetTimer(main_window, timer_poll_jobs, kPollIntervalMs, nullptr);
}

void App::poll_jobs() {
  if (is_ready(render_future)) collect_render(*this);
  if (is_ready(scan_future)) collect_scan(*this);
  if (!render_future.valid() && !scan_future.valid()) KillTimer(main_window, timer_poll_jobs);
}

// A request while a scan runs is dropped, not queued: when that scan comes back for a folder
// that is no longer the workspace, its collection starts the scan of the current one.
void App::scan_workspace() {
  if (workspace_root.empty() || scan_future.valid()) return;
  scan_future = std::async(std::launch::async, run_scan, workspace_root);
  SetTimer(main_window, timer_poll_jobs, kPollIntervalMs, nullptr);
}

}  // namespace tavrel::win
