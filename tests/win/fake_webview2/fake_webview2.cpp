// A test double of the WebView2 loader and runtime, built as WebView2Loader.dll beside the test
// executable and never shipped. Its objects implement the program's own declarations of the
// interfaces; every slot it does not act on answers E_NOTIMPL and logs "Stub.<method>", so that
// a call landing in the wrong slot shows in the log.
#include "tests/win/fake_webview2/fake_webview2.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "web/web_com_win.h"
#include "web/webview2_win.h"

using tavrel::win::ComObject;
using tavrel::win::ComPtr;

namespace {

using Text = std::optional<std::wstring>;
class WebView;

struct State {
  std::string log, flags;
  std::deque<std::function<void()>> pending;
  std::map<std::string, std::deque<std::wstring>, std::less<>> answers;
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

bool flag(const char* name) {
  return state().flags.find("," + std::string(name) + ",") != std::string::npos;
}

Text text_of(const wchar_t* text) { return text ? Text(text) : std::nullopt; }

std::string str(const std::string& text) { return text; }
std::string str(const wchar_t* text) {
  if (text == nullptr) return "(null)";
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  return out;
}
template <typename T>
requires std::is_arithmetic_v<T> || std::is_enum_v<T> std::string str(T value) {
  return std::to_string(static_cast<long long>(value));
}

// Appends one line to the log; S_OK, for the slots that only record their call.
template <typename... Parts>
HRESULT note(const Parts&... parts) {
  ((state().log += str(parts)), ...);
  state().log += '\n';
  return S_OK;
}

HRESULT give(const Text& text, LPWSTR* out) {
  *out = text ? tavrel::win::co_task_copy(*text) : nullptr;
  return S_OK;
}
template <typename T>
HRESULT give(T value, T* out) {
  *out = value;
  return S_OK;
}

// A reference to a COM object that a std::function can carry.
template <typename T>
std::shared_ptr<T> share(T* object) {
  object->AddRef();
  return std::shared_ptr<T>(object, [](T* held) { held->Release(); });
}

// --- Completions arrive through the calling thread's message loop -------------------------------

LRESULT CALLBACK deliver(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_APP) return DefWindowProcW(window, message, wparam, lparam);
  if (!state().pending.empty()) {
    const std::function<void()> completion = std::move(state().pending.front());
    state().pending.pop_front();
    completion();
  }
  return 0;
}

void post(std::function<void()> completion) {
  if (state().window == nullptr) {
    WNDCLASSW type{};
    type.lpfnWndProc = deliver;
    type.lpszClassName = L"FakeWebView2Completions";
    RegisterClassW(&type);
    state().window = CreateWindowExW(0, type.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                     nullptr, nullptr, nullptr);
  }
  state().pending.push_back(std::move(completion));
  PostMessageW(state().window, WM_APP, 0, 0);
}

// Completes with a new Made, or with E_FAIL and nothing.
template <typename Made, typename Handler>
void complete(Handler* handler, bool fails) {
  post([handler = share(handler), fails] {
    const auto made = fails ? ComPtr<Made>() : ComPtr<Made>::attach(new Made());
    handler->Invoke(fails ? E_FAIL : S_OK, made.get());
  });
}

// --- Every slot, answering E_NOTIMPL unless overridden ------------------------------------------

#define FAKE_STUB(name, params) \
  HRESULT STDMETHODCALLTYPE name params override { return note("Stub." #name), E_NOTIMPL; }
#define FAKE_PUT(object, name) \
  HRESULT STDMETHODCALLTYPE name(BOOL value) override { return note(object "." #name " ", value); }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"

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

// The objects of one interface each: event arguments, requests and responses, the environment.
// Each carries the text it was made with and the one value the program may set on it.
template <typename I>
class Stubs;
#define FAKE_SINGLE(I)                   \
  template <>                            \
  class Stubs<I> : public ComObject<I> { \
   public:                               \
    TAVREL_WV2_##I(FAKE_STUB)            \
  };
FAKE_SINGLE(ICoreWebView2Environment)
FAKE_SINGLE(ICoreWebView2WebMessageReceivedEventArgs)
FAKE_SINGLE(ICoreWebView2NavigationStartingEventArgs)
FAKE_SINGLE(ICoreWebView2NewWindowRequestedEventArgs)
FAKE_SINGLE(ICoreWebView2PermissionRequestedEventArgs)
FAKE_SINGLE(ICoreWebView2WebResourceRequestedEventArgs)
FAKE_SINGLE(ICoreWebView2WebResourceRequest)
FAKE_SINGLE(ICoreWebView2WebResourceResponse)

#pragma GCC diagnostic pop

template <typename I>
class Args : public Stubs<I> {
 public:
  explicit Args(const wchar_t* text = nullptr, const wchar_t* json = nullptr)
      : text_(text_of(text)), json_(text_of(json)) {}
  Text text_, json_;
  int value_ = 0;
};
using Response = Args<ICoreWebView2WebResourceResponse>;

// Counts the environment, controller and web view objects alive.
struct Live {
  Live() { ++state().live; }
  ~Live() { --state().live; }
};

class MessageArgs final : public Args<ICoreWebView2WebMessageReceivedEventArgs> {
 public:
  using Args::Args;
  HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* out) override { return give(text_, out); }
  HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* out) override { return give(json_, out); }
};
class NavigationArgs final : public Args<ICoreWebView2NavigationStartingEventArgs> {
 public:
  using Args::Args;
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* out) override { return give(text_, out); }
  HRESULT STDMETHODCALLTYPE put_Cancel(BOOL value) override { return value_ = value, S_OK; }
};
class NewWindowArgs final : public Args<ICoreWebView2NewWindowRequestedEventArgs> {
 public:
  using Args::Args;
  HRESULT STDMETHODCALLTYPE put_Handled(BOOL value) override { return value_ = value, S_OK; }
};
class PermissionArgs final : public Args<ICoreWebView2PermissionRequestedEventArgs> {
 public:
  using Args::Args;
  HRESULT STDMETHODCALLTYPE put_State(COREWEBVIEW2_PERMISSION_STATE value) override {
    return value_ = value, S_OK;
  }
};
class Request final : public Args<ICoreWebView2WebResourceRequest> {
 public:
  using Args::Args;
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* out) override { return give(text_, out); }
};
// Keeps the status code of the response put.
class ResourceArgs final : public Args<ICoreWebView2WebResourceRequestedEventArgs> {
 public:
  using Args::Args;
  HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** out) override {
    return give<ICoreWebView2WebResourceRequest*>(new Request(text_ ? text_->c_str() : nullptr),
                                                  out);
  }
  HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) override {
    const auto* own = dynamic_cast<const Response*>(response);
    return value_ = own ? own->value_ : -1, S_OK;
  }
};

// --- Settings, web view, controller, environment ------------------------------------------------

class Settings final : public SettingsStubs {
 public:
  FAKE_PUT("Settings", put_IsStatusBarEnabled)
  FAKE_PUT("Settings", put_AreDevToolsEnabled)
  FAKE_PUT("Settings", put_AreDefaultContextMenusEnabled)
  FAKE_PUT("Settings", put_IsZoomControlEnabled)
  FAKE_PUT("Settings3", put_AreBrowserAcceleratorKeysEnabled)
};

#define FAKE_EVENT(Event)                                                            \
  HRESULT STDMETHODCALLTYPE add_##Event(ICoreWebView2##Event##EventHandler* handler, \
                                        EventRegistrationToken* token) override {    \
    note("WebView.add_" #Event);                                                     \
    handlers_[#Event].push_back(share<IUnknown>(handler));                           \
    token->value = ++state().next_token;                                             \
    return S_OK;                                                                     \
  }

class WebView final : public WebViewStubs {
 public:
  WebView() { state().webview = this; }
  ~WebView() override {
    if (state().webview == this) state().webview = nullptr;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    const bool old = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ICoreWebView2) ||
                     IsEqualIID(iid, IID_ICoreWebView2_2);
    if ((flag("no-webview3") && !old) ||
        (flag("no-webview16") && IsEqualIID(iid, IID_ICoreWebView2_16))) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    return WebViewStubs::QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** out) override {
    return give<ICoreWebView2Settings*>(settings_.copy().detach(), out);
  }
  HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override {
    return note("WebView.Navigate ", uri);
  }
  HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR json) override {
    return note("WebView.PostWebMessageAsJson ", json);
  }
  FAKE_EVENT(WebMessageReceived)
  FAKE_EVENT(NavigationStarting)
  FAKE_EVENT(NewWindowRequested)
  FAKE_EVENT(PermissionRequested)
  FAKE_EVENT(WebResourceRequested)
  HRESULT STDMETHODCALLTYPE
  AddWebResourceRequestedFilter(LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) override {
    return note("WebView.AddWebResourceRequestedFilter ", uri, "|", context);
  }
  HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(
      LPCWSTR method, LPCWSTR parameters,
      ICoreWebView2CallDevToolsProtocolMethodCompletedHandler* handler) override {
    note("WebView.CallDevToolsProtocolMethod ", method, " ", parameters);
    if (flag("devtools-call-fails")) return E_FAIL;
    auto& queued = state().answers[str(method)];
    const Text answer = queued.empty() ? std::nullopt : Text(queued.front());
    if (!queued.empty()) queued.pop_front();
    post([handler = share(handler), answer] {
      handler->Invoke(answer ? S_OK : E_FAIL, answer ? answer->c_str() : nullptr);
    });
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetVirtualHostNameToFolderMapping(
      LPCWSTR host, LPCWSTR folder, COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND kind) override {
    return note("WebView.SetVirtualHostNameToFolderMapping ", host, "|", folder, "|", kind);
  }
  HRESULT STDMETHODCALLTYPE ShowPrintUI(COREWEBVIEW2_PRINT_DIALOG_KIND kind) override {
    return note("WebView16.ShowPrintUI ", kind);
  }

  // A closed controller's web view raises no more events and lets go of its handlers.
  void close() { handlers_.clear(); }

  // Calls every handler of the event; returns the value they left on the arguments.
  template <typename Handler, typename EventArgs>
  int raise(const char* event, EventArgs* made) {
    const auto args = ComPtr<EventArgs>::attach(made);
    const auto keep = share(this);  // a handler may release the last reference
    const auto handlers = handlers_[event];
    for (const auto& handler : handlers) static_cast<Handler*>(handler.get())->Invoke(this, made);
    return args->value_;
  }

 private:
  std::map<std::string, std::vector<std::shared_ptr<IUnknown>>, std::less<>> handlers_;
  ComPtr<ICoreWebView2Settings> settings_ = ComPtr<ICoreWebView2Settings>::attach(new Settings());
  Live live_;
};

class Controller final : public ControllerStubs {
 public:
  FAKE_PUT("Controller", put_IsVisible)
  HRESULT STDMETHODCALLTYPE put_Bounds(RECT r) override {
    return note("Controller.put_Bounds ", r.left, ",", r.top, ",", r.right, ",", r.bottom);
  }
  HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override {
    return note("Controller.MoveFocus ", reason);
  }
  HRESULT STDMETHODCALLTYPE Close() override { return webview_->close(), note("Controller.Close"); }
  HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** out) override {
    return give<ICoreWebView2*>(webview_.copy().detach(), out);
  }
  HRESULT STDMETHODCALLTYPE put_DefaultBackgroundColor(COREWEBVIEW2_COLOR c) override {
    return note("Controller2.put_DefaultBackgroundColor ", c.A, ",", c.R, ",", c.G, ",", c.B);
  }

 private:
  ComPtr<WebView> webview_ = ComPtr<WebView>::attach(new WebView());
  Live live_;
};

class Environment final : public Stubs<ICoreWebView2Environment> {
 public:
  HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
      HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override {
    note("Environment.CreateCoreWebView2Controller");
    if (flag("controller-call-fails")) return E_FAIL;
    if (!IsWindow(parent)) return E_INVALIDARG;  // the runtime needs a real parent window
    complete<Controller>(handler, flag("controller-fails"));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE
  CreateWebResourceResponse(IStream*, int status, LPCWSTR reason, LPCWSTR headers,
                            ICoreWebView2WebResourceResponse** response) override {
    *response = new Response();
    static_cast<Response*>(*response)->value_ = status;
    return note("Environment.CreateWebResourceResponse ", status, "|", reason, "|", headers);
  }

 private:
  Live live_;
};

}  // namespace

#define FAKE_EXPORT(result, name, params) \
  extern "C" __declspec(dllexport) result fake_webview2_##name params;
FAKE_WEBVIEW2_API(FAKE_EXPORT)

extern "C" __declspec(dllexport) HRESULT STDMETHODCALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR, PCWSTR user_data_folder, ICoreWebView2EnvironmentOptions* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
  tavrel::win::CoTaskString arguments;
  options->get_AdditionalBrowserArguments(arguments.put());
  note("Loader.Create ", user_data_folder, "|", arguments.get());
  if (flag("create-fails")) return E_FAIL;
  complete<Environment>(handler, flag("environment-fails"));
  return S_OK;
}
static_assert(std::is_same_v<decltype(&CreateCoreWebView2EnvironmentWithOptions),
                             CreateCoreWebView2EnvironmentWithOptionsFn>);

void fake_webview2_reset(const char* flags) {
  // Dropping an undelivered completion may release the program's objects, which may log.
  std::deque<std::function<void()>> dropped = std::move(state().pending);
  state().pending.clear();
  dropped.clear();
  state().log.clear();
  state().answers.clear();
  state().flags = "," + std::string(flags) + ",";
}

size_t fake_webview2_log(char* buffer, size_t size) {
  const std::string& log = state().log;
  if (size > 0) buffer[log.copy(buffer, size - 1)] = '\0';
  return log.size();
}

int fake_webview2_raise(const char* event, const wchar_t* text, const wchar_t* json) {
  WebView* view = state().webview;
  if (view == nullptr) return -1;
  const std::string_view name = event;
#define FAKE_RAISE(Event, Type) \
  if (name == #Event)           \
    return view->raise<ICoreWebView2##Event##EventHandler>(#Event, new Type(text, json));
  FAKE_RAISE(WebMessageReceived, MessageArgs)
  FAKE_RAISE(NavigationStarting, NavigationArgs)
  FAKE_RAISE(NewWindowRequested, NewWindowArgs)
  FAKE_RAISE(PermissionRequested, PermissionArgs)
  FAKE_RAISE(WebResourceRequested, ResourceArgs)
  return -1;
}

void fake_webview2_devtools_answer(const char* method, const wchar_t* json) {
  state().answers[method].emplace_back(json);
}

int fake_webview2_pending(void) { return static_cast<int>(state().pending.size()); }

int fake_webview2_live(void) { return state().live; }

// The program frees its loader when the preview stops; the double stays, so that completions
// still queued and the tests' resolved control functions remain valid.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  HMODULE self = nullptr;
  if (reason == DLL_PROCESS_ATTACH)
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&state), &self);
  return TRUE;
}
