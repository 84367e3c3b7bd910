#pragma once
// The control side of the test double of the WebView2 loader and runtime (WebView2Loader.dll in
// the test executable's folder). The double records every call the program makes, one line
// each ("Object.method arguments"), delivers completions through the calling thread's message
// loop, and raises the web view's events on demand. Everything runs on the UI thread.
#include <windows.h>

#include <cstddef>
#include <string>

// The exported control functions, each as fake_webview2_<name>.
//  reset: clears the log, the queued DevTools answers and the undelivered completions, and sets
//    the comma-separated flags: create-fails, environment-fails, controller-fails,
//    controller-call-fails, no-webview3, no-webview16, devtools-call-fails.
//  log: the log since the reset; returns its full length and copies at most size - 1 bytes and
//    a terminating zero.
//  raise: raises "WebMessageReceived" (text: the source), "NavigationStarting",
//    "NewWindowRequested", "PermissionRequested" or "WebResourceRequested" (text: the URI) on
//    the latest web view through every handler the program
//    registered, and returns what they left: 0, or Cancel, Handled, the permission State and
//    the status code of the response put (0 without one).
//  devtools_answer: queues the JSON the next DevTools call of that method succeeds with; a call
//    with nothing queued completes with E_FAIL and null JSON.
//  pending: completions posted but not yet delivered.
//  live: environment, controller and web view objects still alive.
#define FAKE_WEBVIEW2_API(X)                                                   \
  X(void, reset, (const char* flags))                                          \
  X(size_t, log, (char* buffer, size_t size))                                  \
  X(int, raise, (const char* event, const wchar_t* text, const wchar_t* json)) \
  X(void, devtools_answer, (const char* method, const wchar_t* json))          \
  X(int, pending, (void))                                                      \
  X(int, live, (void))

namespace fake_webview2 {

#define FAKE_WEBVIEW2_MEMBER(result, name, params) result(*name) params = nullptr;
#define FAKE_WEBVIEW2_RESOLVE(result, name, params)    \
  found.name = reinterpret_cast<decltype(found.name)>( \
      reinterpret_cast<void*>(GetProcAddress(module, "fake_webview2_" #name)));

struct Api {
  FAKE_WEBVIEW2_API(FAKE_WEBVIEW2_MEMBER)
};

// The control functions of the double beside the test executable, loaded here when the program
// has not yet done so.
inline const Api& api() {
  static const Api resolved = [] {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"WebView2Loader.dll";
    HMODULE module = GetModuleHandleW(path.c_str());
    if (module == nullptr) module = LoadLibraryExW(path.c_str(), nullptr, 0x900);
    Api found;
    FAKE_WEBVIEW2_API(FAKE_WEBVIEW2_RESOLVE)
    return found;
  }();
  return resolved;
}

#undef FAKE_WEBVIEW2_RESOLVE
#undef FAKE_WEBVIEW2_MEMBER

}  // namespace fake_webview2
