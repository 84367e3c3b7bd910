#pragma once
// The program's own COM objects for the web preview: the completion and event handlers it hands
// to the WebView2 runtime, and the environment options object, which the loader does not
// provide. The runtime calls them on the UI thread; no exception may cross back into it.
#include <windows.h>

#include <string_view>
#include <utility>

#include "core/handles_win.h"
#include "web/webview2_win.h"

namespace tavrel::win {

// A fresh CoTaskMemAlloc copy that the receiver frees with CoTaskMemFree; null when out of
// memory. Strings handed across a WebView2 interface travel this way.
LPWSTR co_task_copy(std::wstring_view text);

// A CoTaskMemAlloc'd string received through an out parameter, freed when this goes.
class CoTaskString {
 public:
  CoTaskString() = default;
  CoTaskString(const CoTaskString&) = delete;
  CoTaskString& operator=(const CoTaskString&) = delete;
  ~CoTaskString() { CoTaskMemFree(text_); }
  LPWSTR* put() {
    CoTaskMemFree(std::exchange(text_, nullptr));
    return &text_;
  }
  const wchar_t* get() const { return text_; }
  // An absent string reads as empty.
  std::wstring_view view() const { return text_ ? std::wstring_view(text_) : std::wstring_view(); }

 private:
  LPWSTR text_ = nullptr;
};

// Reference counting and QueryInterface for an object implementing interface I. It answers
// IUnknown, I and the interfaces in Also (the earlier links of a versioned chain, which I
// extends), and nothing else.
template <typename I, typename... Also>
class ComObject : public I {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (!answers(iid)) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<I*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 protected:
  ComObject() = default;  // holds the creator's reference
  // Virtual functions of an implementation come after the interface's slots and move none.
  virtual ~ComObject() = default;

  static bool answers(REFIID iid) {
    return IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, iid_of<I>()) ||
           (IsEqualIID(iid, iid_of<Also>()) || ...);
  }

 private:
  LONG references_ = 1;
};

namespace detail {

template <typename Method>
struct InvokeOf;
template <typename Handler, typename... Args>
struct InvokeOf<HRESULT (STDMETHODCALLTYPE Handler::*)(Args...)> {
  using Signature = HRESULT(Args...);
};

template <typename Handler, typename Signature, typename Function>
class FunctionHandler;
template <typename Handler, typename... Args, typename Function>
class FunctionHandler<Handler, HRESULT(Args...), Function> final : public ComObject<Handler> {
 public:
  explicit FunctionHandler(Function invoke) : invoke_(std::move(invoke)) {}
  HRESULT STDMETHODCALLTYPE Invoke(Args... args) override {
    try {
      return invoke_(args...);
    } catch (...) {
      return E_FAIL;
    }
  }

 private:
  Function invoke_;
};

}  // namespace detail

// A completion or event handler (any interface whose one method is Invoke) that forwards Invoke
// to the function, which takes Invoke's parameters and returns the HRESULT for the runtime. The
// function may own move-only things such as ComPtr. An exception it throws ends the call with
// E_FAIL.
template <typename Handler, typename Function>
ComPtr<Handler> make_handler(Function invoke) {
  using Signature = typename detail::InvokeOf<decltype(&Handler::Invoke)>::Signature;
  using Object = detail::FunctionHandler<Handler, Signature, Function>;
  return ComPtr<Handler>::attach(new Object(std::move(invoke)));
}

// The options the environment is created with; only the additional browser arguments are meant
// to be set. The target browser version is the runtime version matching the interfaces declared
// here, and single sign-on with the system account is off.
ComPtr<ICoreWebView2EnvironmentOptions> make_environment_options();

}  // namespace tavrel::win
