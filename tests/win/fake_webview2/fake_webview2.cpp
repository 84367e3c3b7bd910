// A test double of the WebView2 loader and runtime, built as WebView2Loader.dll beside the test
// executable and never shipped. Its objects implement the program's own declarations of the
// interfaces; every slot it does not act on answers E_NOTIMPL and logs "Stub.<method>", so that
// a call landing in the wrong slot shows in the log.
#include "tests/win/fake_webview2/fake_webview2.h"

#include <algorithm>
#include <cwchar>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "web/web_com_win.h"
#include "web/webview2_win.h"

using tavrel::win::co_task_copy;
using tavrel::win::ComObject;
using tavrel::win::ComPtr;

namespace {

using Text = std::optional<std::wstring>;

struct Answer {
  HRESULT result;
  Text json;
};

class WebView;

struct State {
  std::string log;
  std::set<std::string, std::less<>> flags;
  std::deque<std::function<void()>> pending;
  std::map<std::string, std::deque<Answer>, std::less<>> answers;
  HWND window = nullptr;
  WebView* webview = nullptr;  // the latest one, whose events the tests raise
  int live = 0;
  INT64 next_token = 0;
};

// Never destroyed: completions still queued at exit hold the program's objects, whose release
// must not run after the program's own statics are gone.
State& state() {
  static State* const instance = new State();
  return *instance;
}

bool flag(std::string_view name) { return state().flags.count(name) != 0; }

std::string utf8(const wchar_t* text) {
  if (text == nullptr) return "(null)";
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  return out;
}

void note(const std::string& line) {
  state().log += line;
  state().log += '\n';
}

Text text_of(const wchar_t* text) { return text ? Text(text) : std::nullopt; }

HRESULT give(const Text& text, LPWSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = text ? co_task_copy(*text) : nullptr;
  return S_OK;
}

template <typename T>
HRESULT give(T value, T* out) {
  if (out == nullptr) return E_POINTER;
  *out = value;
  return S_OK;
}

HRESULT deny(void** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOINTERFACE;
}

template <typename T>
ComPtr<T> hold(T* object) {
  if (object != nullptr) object->AddRef();
  return ComPtr<T>::attach(object);
}

// A reference to one of the program's objects that a std::function can carry.
template <typename T>
std::shared_ptr<T> share(T* object) {
  if (object != nullptr) object->AddRef();
  return std::shared_ptr<T>(object, [](T* held) {
    if (held != nullptr) held->Release();
  });
}

// --- Completions arrive through the calling thread's message loop -------------------------------

LRESULT CALLBACK deliver(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_APP) return DefWindowProcW(window, message, wparam, lparam);
  std::deque<std::function<void()>>& pending = state().pending;
  if (!pending.empty()) {
    std::function<void()> completion = std::move(pending.front());
    pending.pop_front();
    completion();
  }
  return 0;
}

void post(std::function<void()> completion) {
  State& s = state();
  if (s.window == nullptr) {
    WNDCLASSW type{};
    type.lpfnWndProc = deliver;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = L"FakeWebView2Completions";
    RegisterClassW(&type);
    s.window = CreateWindowExW(0, type.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               type.hInstance, nullptr);
  }
  s.pending.push_back(std::move(completion));
  PostMessageW(s.window, WM_APP, 0, 0);
}

// --- Every slot, answering E_NOTIMPL unless overridden ------------------------------------------

HRESULT not_implemented(const char* method) {
  note(std::string("Stub.") + method);
  return E_NOTIMPL;
}

#define FAKE_STUB(name, params) \
  HRESULT STDMETHODCALLTYPE name params override { return not_implemented(#name); }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"

class EnvironmentStubs : public ComObject<ICoreWebView2Environment> {
 public:
  TAVREL_WV2_ICoreWebView2Environment(FAKE_STUB)
};
class ControllerStubs : public ComObject<ICoreWebView2Controller2, ICoreWebView2Controller> {
 public:
  TAVREL_WV2_ICoreWebView2Controller(FAKE_STUB) TAVREL_WV2_ICoreWebView2Controller2(FAKE_STUB)
};
class SettingsStubs
    : public ComObject<ICoreWebView2Settings3, ICoreWebView2Settings, ICoreWebView2Settings2> {
 public:
  TAVREL_WV2_ICoreWebView2Settings(FAKE_STUB) TAVREL_WV2_ICoreWebView2Settings2(FAKE_STUB)
      TAVREL_WV2_ICoreWebView2Settings3(FAKE_STUB)
};
// clang-format off
class WebViewStubs
    : public ComObject<ICoreWebView2_16, ICoreWebView2, ICoreWebView2_2, ICoreWebView2_3,
                       ICoreWebView2_4, ICoreWebView2_5, ICoreWebView2_6, ICoreWebView2_7,
                       ICoreWebView2_8, ICoreWebView2_9, ICoreWebView2_10, ICoreWebView2_11,
                       ICoreWebView2_12, ICoreWebView2_13, ICoreWebView2_14, ICoreWebView2_15> {
 public:
  TAVREL_WV2_ICoreWebView2(FAKE_STUB) TAVREL_WV2_ICoreWebView2_2(FAKE_STUB)
  TAVREL_WV2_ICoreWebView2_3(FAKE_STUB) TAVREL_WV2_ICoreWebView2_4(FAKE_STUB)
  TAVREL_WV2_ICoreWebView2_5(FAKE_STUB) TAVREL_WV2_ICoreWebView2_6(FAKE_STUB)
  TAVREL_WV2_ICoreWebView2_7(FAKE_STUB) TAVREL_WV2_ICoreWebView2_8(FAKE_STUB)
  TAVREL_WV2_ICoreWebView2_9(FAKE_STUB) TAVREL_WV2_ICoreWebView2_10(FAKE_STUB)
  TAVREL_WV2_ICoreWebView2_11(FAKE_STUB) TAVREL_WV2_ICoreWebView2_12(FAKE_STUB)
  TAVREL_WV2_ICoreWebView2_13(FAKE_STUB) TAVREL_WV2_ICoreWebView2_14(FAKE_STUB)
  TAVREL_WV2_ICoreWebView2_15(FAKE_STUB) TAVREL_WV2_ICoreWebView2_16(FAKE_STUB)
};
// clang-format on
#define FAKE_SINGLE_STUBS(Interface)                     \
  class Interface##Stubs : public ComObject<Interface> { \
   public:                                               \
    TAVREL_WV2_##Interface(FAKE_STUB)                    \
  };
FAKE_SINGLE_STUBS(ICoreWebView2WebMessageReceivedEventArgs)
FAKE_SINGLE_STUBS(ICoreWebView2NavigationStartingEventArgs)
FAKE_SINGLE_STUBS(ICoreWebView2NewWindowRequestedEventArgs)
FAKE_SINGLE_STUBS(ICoreWebView2PermissionRequestedEventArgs)
FAKE_SINGLE_STUBS(ICoreWebView2WebResourceRequestedEventArgs)
FAKE_SINGLE_STUBS(ICoreWebView2WebResourceRequest)
FAKE_SINGLE_STUBS(ICoreWebView2WebResourceResponse)

#pragma GCC diagnostic pop

// Counts the environment, controller and web view objects alive.
struct Live {
  Live() { ++state().live; }
  ~Live() { --state().live; }
  Live(const Live&) = delete;
  Live& operator=(const Live&) = delete;
};

#define FAKE_LOGGED_PUT(object, name)                   \
  HRESULT STDMETHODCALLTYPE name(BOOL value) override { \
    note(object "." #name " " + std::to_string(value)); \
    return S_OK;                                        \
  }

// --- Event arguments, requests and responses ----------------------------------------------------

class MessageArgs final : public ICoreWebView2WebMessageReceivedEventArgsStubs {
 public:
  MessageArgs(Text source, Text json) : source_(std::move(source)), json_(std::move(json)) {}
  HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* value) override { return give(source_, value); }
  HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* value) override {
    return give(json_, value);
  }

 private:
  Text source_;
  Text json_;
};

class NavigationArgs final : public ICoreWebView2NavigationStartingEventArgsStubs {
 public:
  explicit NavigationArgs(Text uri) : uri_(std::move(uri)) {}
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return give(uri_, uri); }
  HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* cancel) override { return give(cancel_, cancel); }
  HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) override {
    cancel_ = cancel;
    return S_OK;
  }
  BOOL cancel_ = FALSE;

 private:
  Text uri_;
};

class NewWindowArgs final : public ICoreWebView2NewWindowRequestedEventArgsStubs {
 public:
  HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) override { return give(handled_, handled); }
  HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override {
    handled_ = handled;
    return S_OK;
  }
  BOOL handled_ = FALSE;
};

class PermissionArgs final : public ICoreWebView2PermissionRequestedEventArgsStubs {
 public:
  HRESULT STDMETHODCALLTYPE get_State(COREWEBVIEW2_PERMISSION_STATE* value) override {
    return give(state_, value);
  }
  HRESULT STDMETHODCALLTYPE put_State(COREWEBVIEW2_PERMISSION_STATE value) override {
    state_ = value;
    return S_OK;
  }
  COREWEBVIEW2_PERMISSION_STATE state_ = COREWEBVIEW2_PERMISSION_STATE_DEFAULT;
};

class Request final : public ICoreWebView2WebResourceRequestStubs {
 public:
  explicit Request(Text uri) : uri_(std::move(uri)) {}
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return give(uri_, uri); }

 private:
  Text uri_;
};

class Response final : public ICoreWebView2WebResourceResponseStubs {
 public:
  Response(int status, Text reason, Text headers)
      : status_(status), reason_(std::move(reason)), headers_(std::move(headers)) {}
  HRESULT STDMETHODCALLTYPE get_StatusCode(int* status) override { return give(status_, status); }
  HRESULT STDMETHODCALLTYPE put_StatusCode(int status) override {
    status_ = status;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_ReasonPhrase(LPWSTR* reason) override {
    return give(reason_, reason);
  }
  HRESULT STDMETHODCALLTYPE put_ReasonPhrase(LPCWSTR reason) override {
    reason_ = text_of(reason);
    return S_OK;
  }
  int status_;
  Text reason_;
  Text headers_;
};

class ResourceArgs final : public ICoreWebView2WebResourceRequestedEventArgsStubs {
 public:
  explicit ResourceArgs(Text uri)
      : request_(ComPtr<ICoreWebView2WebResourceRequest>::attach(new Request(std::move(uri)))) {}
  HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** request) override {
    return give(request_.copy().detach(), request);
  }
  HRESULT STDMETHODCALLTYPE get_Response(ICoreWebView2WebResourceResponse** response) override {
    return give(response_.copy().detach(), response);
  }
  HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) override {
    response_ = hold(response);
    return S_OK;
  }
  ComPtr<ICoreWebView2WebResourceResponse> response_;

 private:
  ComPtr<ICoreWebView2WebResourceRequest> request_;
};

// --- Settings, web view, controller, environment ------------------------------------------------

class Settings final : public SettingsStubs {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (flag("no-settings3") && IsEqualIID(iid, IID_ICoreWebView2Settings3)) return deny(out);
    return SettingsStubs::QueryInterface(iid, out);
  }
  FAKE_LOGGED_PUT("Settings", put_IsStatusBarEnabled)
  FAKE_LOGGED_PUT("Settings", put_AreDevToolsEnabled)
  FAKE_LOGGED_PUT("Settings", put_AreDefaultContextMenusEnabled)
  FAKE_LOGGED_PUT("Settings", put_IsZoomControlEnabled)
  FAKE_LOGGED_PUT("Settings3", put_AreBrowserAcceleratorKeysEnabled)
};

template <typename Handler>
using Handlers = std::vector<std::shared_ptr<Handler>>;

class WebView final : public WebViewStubs {
 public:
  WebView() { state().webview = this; }
  ~WebView() override {
    if (state().webview == this) state().webview = nullptr;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    const bool is16 = IsEqualIID(iid, IID_ICoreWebView2_16);
    if (is16 && flag("no-webview16")) return deny(out);
    if (flag("no-webview3") && (is16 || is_3_to_15(iid))) return deny(out);
    return WebViewStubs::QueryInterface(iid, out);
  }

  HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override {
    return give(settings_.copy().detach(), settings);
  }
  HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override {
    note("WebView.Navigate " + utf8(uri));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR json) override {
    note("WebView.PostWebMessageAsJson " + utf8(json));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* h,
                                                   EventRegistrationToken* token) override {
    return add("WebMessageReceived", messages_, h, token);
  }
  HRESULT STDMETHODCALLTYPE add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* h,
                                                   EventRegistrationToken* token) override {
    return add("NavigationStarting", navigations_, h, token);
  }
  HRESULT STDMETHODCALLTYPE add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* h,
                                                   EventRegistrationToken* token) override {
    return add("NewWindowRequested", new_windows_, h, token);
  }
  HRESULT STDMETHODCALLTYPE add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler* h,
                                                    EventRegistrationToken* token) override {
    return add("PermissionRequested", permissions_, h, token);
  }
  HRESULT STDMETHODCALLTYPE add_WebResourceRequested(
      ICoreWebView2WebResourceRequestedEventHandler* h, EventRegistrationToken* token) override {
    return add("WebResourceRequested", resources_, h, token);
  }
  HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(
      const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) override {
    note("WebView.AddWebResourceRequestedFilter " + utf8(uri) + "|" + std::to_string(context));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(
      LPCWSTR method, LPCWSTR parameters,
      ICoreWebView2CallDevToolsProtocolMethodCompletedHandler* handler) override {
    const std::string name = utf8(method);
    note("WebView.CallDevToolsProtocolMethod " + name + " " + utf8(parameters));
    if (handler == nullptr) return E_POINTER;
    Answer answer{E_FAIL, std::nullopt};
    auto queued = state().answers.find(name);
    if (queued != state().answers.end() && !queued->second.empty()) {
      answer = std::move(queued->second.front());
      queued->second.pop_front();
    }
    post([handler = share(handler), answer] {
      handler->Invoke(answer.result, answer.json ? answer.json->c_str() : nullptr);
    });
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetVirtualHostNameToFolderMapping(
      LPCWSTR host, LPCWSTR folder, COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND kind) override {
    note("WebView.SetVirtualHostNameToFolderMapping " + utf8(host) + "|" + utf8(folder) + "|" +
         std::to_string(kind));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ShowPrintUI(COREWEBVIEW2_PRINT_DIALOG_KIND kind) override {
    note("WebView16.ShowPrintUI " + std::to_string(kind));
    return S_OK;
  }

  // A closed controller's web view raises no more events and lets go of its handlers.
  void close() {
    messages_.clear();
    navigations_.clear();
    new_windows_.clear();
    permissions_.clear();
    resources_.clear();
  }

  // Calls every handler; S_FALSE when there is none, else the first failure or S_OK.
  template <typename Handler, typename Args>
  HRESULT raise(const Handlers<Handler> WebView::*list, Args* args) {
    const ComPtr<WebView> keep = hold(this);  // a handler may release the last reference
    const Handlers<Handler> handlers = this->*list;
    HRESULT result = handlers.empty() ? S_FALSE : S_OK;
    for (const auto& handler : handlers) {
      const HRESULT answer = handler->Invoke(this, args);
      if (SUCCEEDED(result) && FAILED(answer)) result = answer;
    }
    return result;
  }

  Handlers<ICoreWebView2WebMessageReceivedEventHandler> messages_;
  Handlers<ICoreWebView2NavigationStartingEventHandler> navigations_;
  Handlers<ICoreWebView2NewWindowRequestedEventHandler> new_windows_;
  Handlers<ICoreWebView2PermissionRequestedEventHandler> permissions_;
  Handlers<ICoreWebView2WebResourceRequestedEventHandler> resources_;

 private:
  static bool is_3_to_15(REFIID iid) {
    for (const IID* later :
         {&IID_ICoreWebView2_3, &IID_ICoreWebView2_4, &IID_ICoreWebView2_5, &IID_ICoreWebView2_6,
          &IID_ICoreWebView2_7, &IID_ICoreWebView2_8, &IID_ICoreWebView2_9, &IID_ICoreWebView2_10,
          &IID_ICoreWebView2_11, &IID_ICoreWebView2_12, &IID_ICoreWebView2_13,
          &IID_ICoreWebView2_14, &IID_ICoreWebView2_15}) {
      if (IsEqualIID(iid, *later)) return true;
    }
    return false;
  }

  template <typename Handler>
  HRESULT add(const char* event, Handlers<Handler>& list, Handler* handler,
              EventRegistrationToken* token) {
    note(std::string("WebView.add_") + event);
    if (handler == nullptr || token == nullptr) return E_POINTER;
    list.push_back(share(handler));
    token->value = ++state().next_token;
    return S_OK;
  }

  ComPtr<ICoreWebView2Settings> settings_ = ComPtr<ICoreWebView2Settings>::attach(new Settings());
  Live live_;
};

class Controller final : public ControllerStubs {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (flag("no-controller2") && IsEqualIID(iid, IID_ICoreWebView2Controller2)) return deny(out);
    return ControllerStubs::QueryInterface(iid, out);
  }
  FAKE_LOGGED_PUT("Controller", put_IsVisible)
  HRESULT STDMETHODCALLTYPE put_Bounds(RECT r) override {
    note("Controller.put_Bounds " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override {
    note("Controller.MoveFocus " + std::to_string(reason));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Close() override {
    note("Controller.Close");
    webview_->close();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** webview) override {
    return give<ICoreWebView2*>(webview_.copy().detach(), webview);
  }
  HRESULT STDMETHODCALLTYPE put_DefaultBackgroundColor(COREWEBVIEW2_COLOR c) override {
    note("Controller2.put_DefaultBackgroundColor " + std::to_string(c.A) + "," +
         std::to_string(c.R) + "," + std::to_string(c.G) + "," + std::to_string(c.B));
    return S_OK;
  }

 private:
  ComPtr<WebView> webview_ = ComPtr<WebView>::attach(new WebView());
  Live live_;
};

class Environment final : public EnvironmentStubs {
 public:
  HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
      HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override {
    note("Environment.CreateCoreWebView2Controller");
    if (flag("controller-call-fails")) return E_FAIL;
    if (!IsWindow(parent)) return E_INVALIDARG;  // the runtime needs a real parent window
    if (handler == nullptr) return E_POINTER;
    post([handler = share(handler), fails = flag("controller-fails")] {
      if (fails) {
        handler->Invoke(E_FAIL, nullptr);
        return;
      }
      const ComPtr<Controller> controller = ComPtr<Controller>::attach(new Controller());
      handler->Invoke(S_OK, controller.get());
    });
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE
  CreateWebResourceResponse(IStream*, int status, LPCWSTR reason, LPCWSTR headers,
                            ICoreWebView2WebResourceResponse** response) override {
    note("Environment.CreateWebResourceResponse " + std::to_string(status) + "|" + utf8(reason) +
         "|" + utf8(headers));
    if (response == nullptr) return E_POINTER;
    *response = new Response(status, text_of(reason), text_of(headers));
    return S_OK;
  }

 private:
  Live live_;
};

void copy_out(const Text& text, wchar_t* buffer, size_t chars) {
  if (buffer == nullptr || chars == 0) return;
  const size_t size = text ? std::min(text->size(), chars - 1) : 0;
  if (size > 0) std::wmemcpy(buffer, text->data(), size);
  buffer[size] = L'\0';
}

template <typename Args, typename Handler>
ComPtr<Args> raise_event(const Handlers<Handler> WebView::*list, ComPtr<Args> args) {
  if (state().webview != nullptr) state().webview->raise(list, args.get());
  return args;
}

}  // namespace

#define FAKE_EXPORT(result, name, params) \
  extern "C" __declspec(dllexport) result fake_webview2_##name params;
FAKE_WEBVIEW2_API(FAKE_EXPORT)

extern "C" __declspec(dllexport) HRESULT STDMETHODCALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR, PCWSTR user_data_folder, ICoreWebView2EnvironmentOptions* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
  std::string arguments = "(no options)";
  if (options != nullptr) {
    LPWSTR text = nullptr;
    if (SUCCEEDED(options->get_AdditionalBrowserArguments(&text))) arguments = utf8(text);
    CoTaskMemFree(text);
  }
  note("Loader.Create " + utf8(user_data_folder) + "|" + arguments);
  if (flag("create-fails")) return E_FAIL;
  if (handler == nullptr) return E_POINTER;
  post([handler = share(handler), fails = flag("environment-fails")] {
    if (fails) {
      handler->Invoke(E_FAIL, nullptr);
      return;
    }
    const ComPtr<Environment> environment = ComPtr<Environment>::attach(new Environment());
    handler->Invoke(S_OK, environment.get());
  });
  return S_OK;
}
static_assert(std::is_same_v<decltype(&CreateCoreWebView2EnvironmentWithOptions),
                             CreateCoreWebView2EnvironmentWithOptionsFn>);

void fake_webview2_reset(const char* flags) {
  State& s = state();
  // Dropping an undelivered completion may release the program's objects, which may log.
  std::deque<std::function<void()>> dropped = std::move(s.pending);
  s.pending.clear();
  dropped.clear();
  s.log.clear();
  s.answers.clear();
  s.flags.clear();
  std::string_view rest = flags ? flags : "";
  while (!rest.empty()) {
    const size_t comma = std::min(rest.find(','), rest.size());
    if (comma > 0) s.flags.emplace(rest.substr(0, comma));
    rest.remove_prefix(std::min(comma + 1, rest.size()));
  }
}

size_t fake_webview2_log(char* buffer, size_t size) {
  const std::string& log = state().log;
  if (buffer != nullptr && size > 0) {
    const size_t copied = std::min(log.size(), size - 1);
    log.copy(buffer, copied);
    buffer[copied] = '\0';
  }
  return log.size();
}

HRESULT fake_webview2_message(const wchar_t* source, const wchar_t* json) {
  WebView* webview = state().webview;
  if (webview == nullptr) return E_UNEXPECTED;
  const auto args = ComPtr<MessageArgs>::attach(new MessageArgs(text_of(source), text_of(json)));
  return webview->raise(&WebView::messages_, args.get());
}

BOOL fake_webview2_navigation(const wchar_t* uri) {
  return raise_event(&WebView::navigations_,
                     ComPtr<NavigationArgs>::attach(new NavigationArgs(text_of(uri))))
      ->cancel_;
}

BOOL fake_webview2_new_window(void) {
  return raise_event(&WebView::new_windows_, ComPtr<NewWindowArgs>::attach(new NewWindowArgs()))
      ->handled_;
}

int fake_webview2_permission(void) {
  if (state().webview == nullptr) return -1;
  return raise_event(&WebView::permissions_, ComPtr<PermissionArgs>::attach(new PermissionArgs()))
      ->state_;
}

BOOL fake_webview2_resource(const wchar_t* uri, int* status, wchar_t* reason, size_t reason_chars,
                            wchar_t* headers, size_t header_chars) {
  const ComPtr<ResourceArgs> args = raise_event(
      &WebView::resources_, ComPtr<ResourceArgs>::attach(new ResourceArgs(text_of(uri))));
  if (!args->response_) return FALSE;
  if (status != nullptr) args->response_->get_StatusCode(status);
  tavrel::win::CoTaskString text;
  args->response_->get_ReasonPhrase(text.put());
  copy_out(text_of(text.get()), reason, reason_chars);
  const auto* own = dynamic_cast<const Response*>(args->response_.get());
  copy_out(own ? own->headers_ : std::nullopt, headers, header_chars);
  return TRUE;
}

void fake_webview2_devtools_answer(const char* method, HRESULT result, const wchar_t* json) {
  state().answers[method ? method : ""].push_back({result, text_of(json)});
}

int fake_webview2_pending(void) { return static_cast<int>(state().pending.size()); }

int fake_webview2_live(void) { return state().live; }

// The program frees its loader when the preview stops; the double stays, so that completions
// still queued and the tests' resolved control functions remain valid.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&state), &self);
  }
  return TRUE;
}
