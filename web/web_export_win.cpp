// PNG and JPEG export and printing through the web renderer, so that the output shows what the
// page shows. Each step is a DevTools call whose completion starts the next one; every
// completion holds its own copies and does nothing once the preview has stopped.
#include <windows.h>

#include <stdexcept>

#include "core/file_io_win.h"
#include "core/text_convert.h"
#include "web/web_com_win.h"
#include "web/web_host_win.h"
#include "web/web_protocol.h"

namespace tavrel::win {

namespace {

using StatePtr = std::shared_ptr<WebState>;
using DevToolsHandler = std::function<void(App&, const std::string&)>;

// Only split view with the advanced preview exports through the page; the visual editor and
// the editor-only view export natively.
bool can_capture(const App& app) {
  return app.web && app.web->ready && app.web->webview && app.web_preview && app.view_mode != 0 &&
         app.view_mode != 3;
}

// A failed export or print replaces its progress text with the failure, so the status bar never
// says that work is still under way.
void show_outcome_in_status(App& app, const std::exception& error) {
  app.set_status(to_wide_lenient(error.what()));
}

// Calls a DevTools method; `then` gets the result JSON when the call succeeded with a result,
// and `failed` is shown otherwise (thrown here when the call is refused at once).
void call_devtools(const StatePtr& state, const wchar_t* method, const std::string& parameters,
                   std::string failed, DevToolsHandler then) {
  auto handler = make_handler<ICoreWebView2CallDevToolsProtocolMethodCompletedHandler>(
      [state, failed, then = std::move(then)](HRESULT result, LPCWSTR json) -> HRESULT {
        App* app = state->app;
        if (app == nullptr) return S_OK;
        try {
          if (FAILED(result) || json == nullptr) throw std::runtime_error(failed);
          then(*app, to_utf8(json));
        } catch (const std::exception& error) {
          show_outcome_in_status(*app, error);
          app->show_error(error);
        }
        return S_OK;
      });
  // A call refused at once never completes: say so rather than leave the progress text standing.
  if (FAILED(state->webview->CallDevToolsProtocolMethod(method, to_wide(parameters).c_str(),
                                                        handler.get()))) {
    const std::runtime_error error(failed);
    if (state->app != nullptr) show_outcome_in_status(*state->app, error);
    throw error;
  }
}

void on_screenshot(App& app, const std::filesystem::path& target, const std::string& json) {
  const std::vector<std::uint8_t> bytes = screenshot_bytes(json);
  write_file_atomic(target, std::string(bytes.begin(), bytes.end()));
  app.set_status(ui_text(app, L"Image exported", L"Đã xuất hình ảnh"));
}

void on_layout_metrics(const StatePtr& state, const std::filesystem::path& target, bool jpeg,
                       const std::string& json) {
  const CaptureSize size = capture_size(json);
  if (!capture_fits(size))
    throw std::runtime_error("Image is too large. Use PDF for this document.");
  call_devtools(
      state, L"Page.captureScreenshot", capture_parameters(size, jpeg), "Image capture failed",
      [target](App& app, const std::string& result) { on_screenshot(app, target, result); });
}

}  // namespace

bool capture_image(App& app, const std::filesystem::path& target, bool jpeg) {
  if (!can_capture(app)) return false;
  app.set_status(ui_text(app, L"Rendering the full document...", L"Đang dựng toàn bộ tài liệu..."));
  const StatePtr state = app.web;
  // A failed measurement is a failed export: silence would leave this text standing as if the
  // capture were still under way.
  call_devtools(state, L"Page.getLayoutMetrics", "{}", "Image capture failed",
                [state, target, jpeg](App&, const std::string& json) {
                  on_layout_metrics(state, target, jpeg, json);
                });
  return true;
}

bool web_export_image(App& app, const std::filesystem::path& target, bool jpeg) {
  if (!can_capture(app)) return false;
  const std::string start_id = app.current_document()->id;
  app.set_status(
      ui_text(app, L"Preparing images and diagrams...", L"Đang chuẩn bị ảnh và sơ đồ..."));
  call_devtools(app.web, L"Runtime.evaluate", std::string(kPrepareExportParameters),
                "Could not prepare the image",
                [start_id, target, jpeg](App& app, const std::string& json) {
                  if (evaluation_failed(json))
                    throw std::runtime_error("Could not prepare the image");
                  if (app.documents.empty() || app.current_document()->id != start_id)
                    throw std::runtime_error("Document changed during export. Please try again.");
                  // Declined here means the preview left split view while the page prepared.
                  if (!capture_image(app, target, jpeg))
                    throw std::runtime_error("Image capture failed");
                });
  return true;
}

bool web_print(App& app) {
  if (!app.web || !app.web->ready || !app.web->webview || !app.web_preview || app.view_mode == 0)
    return false;
  auto printer = app.web->webview.query<ICoreWebView2_16>();
  if (!printer) return false;
  call_devtools(app.web, L"Runtime.evaluate", std::string(kPrepareExportParameters),
                "Could not prepare the document for printing",
                [printer = std::make_shared<ComPtr<ICoreWebView2_16>>(std::move(printer))](
                    App&, const std::string& json) {
                  if (evaluation_failed(json))
                    throw std::runtime_error("Could not prepare the document for printing");
                  (*printer)->ShowPrintUI(COREWEBVIEW2_PRINT_DIALOG_KIND_BROWSER);
                });
  return true;
}

}  // namespace tavrel::win
