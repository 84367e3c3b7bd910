#pragma once
// The optional web preview: a WebView2 control that shows the web renderer beside the editor
// (advanced preview) or in its place (visual editor). Everything here runs on the UI thread.
#include <windows.h>

#include <filesystem>
#include <string>

#include "core/app_win.h"
#include "core/handles_win.h"
#include "web/web_com_win.h"
#include "web/webview2_win.h"

namespace tavrel::win {

// One running web preview. Shared by App::web and by every handler registered with the runtime,
// so that a callback arriving after web_stop still finds it; `app` is then null and the callback
// does nothing.
struct WebState {
  App* app = nullptr;
  // Never freed while the process runs: the runtime may still call into it from a callback that
  // is on the stack when the last reference to this state goes.
  HMODULE loader = nullptr;
  ComPtr<ICoreWebView2Environment> environment;
  ComPtr<ICoreWebView2Controller> controller;
  ComPtr<ICoreWebView2> webview;
  bool ready = false;  // the page has said it listens; never cleared

  WebState() = default;
  WebState(const WebState&) = delete;
  WebState& operator=(const WebState&) = delete;
  ~WebState();
};

void web_start(App& app);
void web_stop(App& app);  // safe when nothing runs
// Gives the web preview up after a start failure; the text matching the interface language goes
// to the status bar.
void web_fall_back(App& app, const wchar_t* english, const wchar_t* vietnamese);
bool web_focus(App& app);
void web_update_bounds(App& app);

// Talking to the page (only once it has said it is ready).
void web_send_document(App& app);
// The visual editor takes a command only while it is shown and ready; false: not taken.
bool web_send_command(App& app, int id);
void web_scroll_to(App& app, double fraction);
HRESULT web_on_message_received(const std::shared_ptr<WebState>& state,
                                ICoreWebView2WebMessageReceivedEventArgs* args);

// Image export and printing through the page; false: not taken, the native route runs.
bool web_export_image(App& app, const std::filesystem::path& target, bool jpeg);
bool capture_image(App& app, const std::filesystem::path& target, bool jpeg);
bool web_print(App& app);

// The folder of the running executable, where the loader and the renderer are looked for.
std::filesystem::path app_folder();

}  // namespace tavrel::win
