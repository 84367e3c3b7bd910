#include "web/web_com_win.h"

#include <cwchar>
#include <new>
#include <optional>
#include <string>

namespace tavrel::win {

LPWSTR co_task_copy(std::wstring_view text) {
  auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
  if (copy == nullptr) return nullptr;
  std::wmemcpy(copy, text.data(), text.size());
  copy[text.size()] = L'\0';
  return copy;
}

namespace {

// The runtime version that goes with the interfaces of web/webview2_win.h.
constexpr wchar_t kTargetBrowserVersion[] = L"138.0.3351.48";

using OptionalText = std::optional<std::wstring>;

// The loader reads the options through the getters, each time expecting a copy it owns.
HRESULT get_text(const OptionalText& text, LPWSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!text) return S_OK;
  *out = co_task_copy(*text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT put_text(OptionalText& text, LPCWSTR value) {
  try {
    text = value ? OptionalText(value) : std::nullopt;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

class EnvironmentOptions final : public ComObject<ICoreWebView2EnvironmentOptions> {
 public:
  HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) override {
    return get_text(arguments_, value);
  }
  HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) override {
    return put_text(arguments_, value);
  }
  HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) override {
    return get_text(language_, value);
  }
  HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) override {
    return put_text(language_, value);
  }
  HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) override {
    return get_text(version_, value);
  }
  HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) override {
    return put_text(version_, value);
  }
  HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) override {
    if (allow == nullptr) return E_POINTER;
    *allow = single_sign_on_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) override {
    single_sign_on_ = allow;
    return S_OK;
  }

 private:
  OptionalText arguments_;
  OptionalText language_;
  OptionalText version_ = kTargetBrowserVersion;
  BOOL single_sign_on_ = FALSE;
};

}  // namespace

ComPtr<ICoreWebView2EnvironmentOptions> make_environment_options() {
  return ComPtr<ICoreWebView2EnvironmentOptions>::attach(new EnvironmentOptions());
}

}  // namespace tavrel::win
