#pragma once
// The control side of the test double of the WebView2 loader and runtime (WebView2Loader.dll in
// the test executable's folder). The double records every call the program makes, one line
// each ("Object.method arguments"), delivers completions through the calling thread's message
// loop, and raises the web view's events on demand. Everything runs on the UI thread.
#include <windows.h>

#include <cstddef>
#include <string>

// The exported control functions, each as fake_webview2_<name>.
//  reset: clears the log, the flags, the queued DevTools answers and the undelivered
//    completions. Flags, comma-separated: create-fails, environment-fails, controller-fails,
//    controller-call-fails, no-webview3, no-webview16, no-settings3, no-controller2.
//  log: the log since the reset; returns its full length and copies at most size - 1 bytes and
//    a terminating zero.
//  message, navigation, new_window, permission, resource: raise WebMessageReceived,
//    NavigationStarting, NewWindowRequested, PermissionRequested and WebResourceRequested on the
//    latest web view through every handler the program registered. message gives E_UNEXPECTED
//    without a web view, S_FALSE without a handler, else the first failure of a handler or
//    S_OK; a null json reads as null. The others return what the handlers left: Cancel,
//    Handled, the permission State (-1 without a web view) and whether a response was put
//    (with its status, reason and headers).
//  devtools_answer: queues the answer of the next DevTools call of that method; a call with
//    nothing queued completes with E_FAIL and null JSON.
//  pending: completions posted but not yet delivered.
//  live: environment, controller and web view objects still alive.
#define FAKE_WEBVIEW2_API(X)                                                                  \
  X(void, reset, (const char* flags))                                                         \
  X(size_t, log, (char* buffer, size_t size))                                                 \
  X(HRESULT, message, (const wchar_t* source, const wchar_t* json))                           \
  X(BOOL, navigation, (const wchar_t* uri))                                                   \
  X(BOOL, new_window, (void))                                                                 \
  X(int, permission, (void))                                                                  \
  X(BOOL, resource,                                                                           \
    (const wchar_t* uri, int* status, wchar_t* reason, size_t reason_chars, wchar_t* headers, \
     size_t header_chars))                                                                    \
  X(void, devtools_answer, (const char* method, HRESULT result, const wchar_t* json))         \
  X(int, pending, (void))                                                                     \
  X(int, live, (void))

namespace fake_webview2 {

// The double's path: beside the test executable, never beside the program.
inline std::wstring loader_path() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path.substr(0, path.find_last_of(L"\\/") + 1) + L"WebView2Loader.dll";
}

#define FAKE_WEBVIEW2_MEMBER(result, name, params) result(*name) params = nullptr;
#define FAKE_WEBVIEW2_RESOLVE(result, name, params)    \
  found.name = reinterpret_cast<decltype(found.name)>( \
      reinterpret_cast<void*>(GetProcAddress(module, "fake_webview2_" #name)));

struct Api {
  FAKE_WEBVIEW2_API(FAKE_WEBVIEW2_MEMBER)
};

// The control functions of the loaded double (loaded here when the program has not yet done so).
inline const Api& api() {
  static const Api resolved = [] {
    const std::wstring path = loader_path();
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

// Runs the thread's message loop until every posted completion has been delivered.
inline void deliver_completions() {
  for (int round = 0; round < 1000 && api().pending() > 0; ++round) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

}  // namespace fake_webview2
