// A WebView2Loader.dll of the wrong kind (test only): it loads, but lacks the export the program
// creates its environment with.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT STDMETHODCALLTYPE CreateCoreWebView2Environment(void*) {
  return E_NOTIMPL;
}
