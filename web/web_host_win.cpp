// Starting, placing, focusing and stopping the web preview, and keeping its page locked down:
// no navigation away from the renderer's index, no new windows, no permissions, and no request
// that leaves the machine.
#include <windows.h>

#include "core/file_io_win.h"
#include "ui/editor_win.h"
#include "web/web_com_win.h"
#include "web/web_host_win.h"
#include "web/web_protocol.h"

namespace tavrel::win {

namespace {

using StatePtr = std::shared_ptr<WebState>;

constexpr DWORD kLoaderSearch = LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR;

// What the status bar says when the web preview cannot run, in both languages.
struct Failure {
  const wchar_t* english;
  const wchar_t* vietnamese;
};
constexpr Failure kMissingLoader{L"Optional renderer is missing from the app folder",
                                 L"Thiếu bộ hiển thị nâng cao trong thư mục ứng dụng"};
constexpr Failure kIncompatible{L"Optional renderer is incompatible",
                                L"Bộ hiển thị nâng cao không tương thích"};
constexpr Failure kCannotStart{L"Could not start the optional renderer",
                               L"Không mở được bộ hiển thị nâng cao"};
constexpr Failure kNoRuntime{L"Advanced preview requires Microsoft Edge WebView2 Runtime",
                             L"Preview nâng cao cần Microsoft Edge WebView2 Runtime"};
constexpr Failure kNoController{L"WebView2 could not create a renderer",
                                L"WebView2 không tạo được bộ hiển thị"};

void fall_back(App& app, const Failure& failure) {
  web_fall_back(app, failure.english, failure.vietnamese);
}

bool too_large_for_the_page(App& app) {
  if (app.documents.empty()) return false;
  if (richedit_text_utf8(app.current_document()->editor).size() <= kMaxWebDocumentBytes)
    return false;
  app.web_preview = false;
  app.view_mode = 1;
  app.set_status(ui_text(app, L"Large documents use the native editor and section preview",
                         L"Tài liệu lớn dùng trình biên tập native và preview từng vùng"));
  return true;
}

HRESULT on_navigation_starting(ICoreWebView2NavigationStartingEventArgs* args) {
  CoTaskString uri;
  const bool known = SUCCEEDED(args->get_Uri(uri.put())) && uri.get() != nullptr;
  if (!known || !is_app_navigation(uri.view())) args->put_Cancel(TRUE);
  return S_OK;
}

HRESULT on_resource_requested(const StatePtr& state,
                              ICoreWebView2WebResourceRequestedEventArgs* args) {
  if (state->app == nullptr) return S_OK;
  std::wstring uri;
  ComPtr<ICoreWebView2WebResourceRequest> request;
  if (SUCCEEDED(args->get_Request(request.put())) && request) {
    CoTaskString text;
    if (SUCCEEDED(request->get_Uri(text.put()))) uri = text.view();
  }
  if (is_served_locally(uri) || !state->environment) return S_OK;
  ComPtr<ICoreWebView2WebResourceResponse> response;
  if (SUCCEEDED(state->environment->CreateWebResourceResponse(
          nullptr, 403, L"Offline only", L"Content-Type: text/plain", response.put())))
    args->put_Response(response.get());
  return S_OK;
}

void apply_settings(ICoreWebView2* webview) {
  ComPtr<ICoreWebView2Settings> settings;
  if (FAILED(webview->get_Settings(settings.put())) || !settings) return;
  settings->put_IsStatusBarEnabled(FALSE);
  settings->put_AreDevToolsEnabled(FALSE);
  settings->put_IsZoomControlEnabled(FALSE);
  settings->put_AreDefaultContextMenusEnabled(FALSE);
  if (auto settings3 = settings.query<ICoreWebView2Settings3>())
    settings3->put_AreBrowserAcceleratorKeysEnabled(FALSE);
}

void set_background(const App& app, ICoreWebView2Controller* controller) {
  auto controller2 = retained(controller).query<ICoreWebView2Controller2>();
  if (!controller2) return;
  const COLORREF surface = app.palette[1];
  controller2->put_DefaultBackgroundColor(
      COREWEBVIEW2_COLOR{255, GetRValue(surface), GetGValue(surface), GetBValue(surface)});
}

// Registers `function` as the handler of one of the web view's events; the registration goes
// with the web view.
template <typename Handler, typename Function>
void subscribe(ICoreWebView2* webview,
               HRESULT (STDMETHODCALLTYPE ICoreWebView2::*add)(Handler*, EventRegistrationToken*),
               Function function) {
  EventRegistrationToken token{};
  (webview->*add)(make_handler<Handler>(std::move(function)).get(), &token);
}

void register_handlers(const StatePtr& state, ICoreWebView2* webview) {
  subscribe(webview, &ICoreWebView2::add_WebMessageReceived,
            [state](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
              return web_on_message_received(state, args);
            });
  subscribe(webview, &ICoreWebView2::add_NavigationStarting,
            [](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
              return on_navigation_starting(args);
            });
  subscribe(webview, &ICoreWebView2::add_NewWindowRequested,
            [](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
              return args->put_Handled(TRUE), S_OK;
            });
  subscribe(webview, &ICoreWebView2::add_PermissionRequested,
            [](ICoreWebView2*, ICoreWebView2PermissionRequestedEventArgs* args) {
              return args->put_State(COREWEBVIEW2_PERMISSION_STATE_DENY), S_OK;
            });
  webview->AddWebResourceRequestedFilter(L"*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
  subscribe(webview, &ICoreWebView2::add_WebResourceRequested,
            [state](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
              return on_resource_requested(state, args);
            });
}

HRESULT on_controller_created(const StatePtr& state, HRESULT result,
                              ICoreWebView2Controller* controller) {
  App* app = state->app;
  if (app == nullptr) return S_OK;
  if (FAILED(result) || controller == nullptr) return fall_back(*app, kNoController), S_OK;
  if (state->controller.get() != controller) state->controller = retained(controller);
  state->webview.reset();
  controller->get_CoreWebView2(state->webview.put());
  ICoreWebView2* webview = state->webview.get();
  if (webview == nullptr) return fall_back(*app, kNoController), S_OK;
  apply_settings(webview);
  set_background(*app, controller);
  // A runtime too old to map folders onto hosts cannot show the renderer at all.
  auto webview3 = state->webview.query<ICoreWebView2_3>();
  if (!webview3) return fall_back(*app, kIncompatible), S_OK;
  webview3->SetVirtualHostNameToFolderMapping(std::wstring(kAppHost).c_str(),
                                              (app_folder() / L"renderer").c_str(),
                                              COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_DENY_CORS);
  register_handlers(state, webview);
  webview->Navigate(std::wstring(kAppIndex).c_str());
  app->layout_panes();
  return S_OK;
}

HRESULT on_environment_created(const StatePtr& state, HRESULT result,
                               ICoreWebView2Environment* environment) {
  App* app = state->app;
  if (app == nullptr) return S_OK;
  if (FAILED(result) || environment == nullptr) return fall_back(*app, kNoRuntime), S_OK;
  if (state->environment.get() != environment) state->environment = retained(environment);
  auto handler = make_handler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
      [state](HRESULT created, ICoreWebView2Controller* controller) {
        return on_controller_created(state, created, controller);
      });
  // Without a completion to come, the placeholder would say "Loading" for ever.
  if (FAILED(environment->CreateCoreWebView2Controller(app->web_host, handler.get())))
    fall_back(*app, kNoController);
  return S_OK;
}

void create_placeholder(App& app) {
  app.web_host = CreateWindowExW(
      0, L"STATIC", ui_text(app, L"Loading advanced preview...", L"Đang mở preview nâng cao..."),
      WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0, app.main_window, nullptr, app.instance, nullptr);
  app.layout_panes();
}

}  // namespace

WebState::~WebState() {
  if (controller) controller->Close();
  webview.reset();
  controller.reset();
  environment.reset();
}

std::filesystem::path app_folder() { return executable_path().parent_path(); }

void web_start(App& app) {
  if (too_large_for_the_page(app)) return;
  if (app.web) {
    app.layout_panes();
    web_send_document(app);
    return;
  }
  auto state = std::make_shared<WebState>();
  state->app = &app;
  app.web = state;
  state->loader =
      LoadLibraryExW((app_folder() / L"WebView2Loader.dll").c_str(), nullptr, kLoaderSearch);
  if (state->loader == nullptr) return fall_back(app, kMissingLoader);
  create_placeholder(app);
  const auto create =
      reinterpret_cast<CreateCoreWebView2EnvironmentWithOptionsFn>(reinterpret_cast<void*>(
          GetProcAddress(state->loader, "CreateCoreWebView2EnvironmentWithOptions")));
  if (create == nullptr) return fall_back(app, kIncompatible);
  auto options = make_environment_options();
  options->put_AdditionalBrowserArguments(
      L"--disable-background-networking --disable-component-update");
  const std::filesystem::path user_data = app.profile_dir / L"renderer";
  auto handler = make_handler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
      [state](HRESULT result, ICoreWebView2Environment* environment) {
        return on_environment_created(state, result, environment);
      });
  if (FAILED(create(nullptr, user_data.c_str(), options.get(), handler.get())))
    fall_back(app, kCannotStart);
}

void web_stop(App& app) {
  if (app.web) {
    const StatePtr state = std::move(app.web);
    state->app = nullptr;  // late callbacks find no App and do nothing
    if (state->controller) state->controller->Close();
    state->webview.reset();
    state->controller.reset();
  }
  if (app.web_host != nullptr) {
    DestroyWindow(app.web_host);
    app.web_host = nullptr;
  }
}

void web_fall_back(App& app, const wchar_t* english, const wchar_t* vietnamese) {
  app.web_preview = false;
  if (app.view_mode == 3) app.view_mode = 1;
  web_stop(app);
  app.layout_panes();
  app.build_menu();
  app.set_status(ui_text(app, english, vietnamese));
}

bool web_focus(App& app) {
  const WebState* state = app.web.get();
  if (!app.web_preview || state == nullptr || !state->ready || !state->controller) return false;
  if (!IsWindowVisible(app.web_host)) return false;
  return SUCCEEDED(state->controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC));
}

void web_update_bounds(App& app) {
  if (!app.web || app.web_host == nullptr || !app.web->controller) return;
  const bool visible = app.web_preview && (app.view_mode == 1 || app.view_mode == 3);
  RECT client{};
  GetClientRect(app.web_host, &client);
  app.web->controller->put_Bounds(client);
  app.web->controller->put_IsVisible(visible ? TRUE : FALSE);
}

}  // namespace tavrel::win
