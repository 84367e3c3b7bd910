#include <windows.h>
#include <objbase.h>

#include <exception>

#include "core/app_win.h"
#include "core/text_convert.h"

using namespace tavrel::win;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  uint64_t start_tick = GetTickCount64();
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int exit_code = 0;
  try {
    bool smoke = false;
    for (const std::wstring& arg : command_line_arguments()) smoke = smoke || arg == L"--smoke-test";
    App app(instance, smoke);
    app.start_tick = start_tick;
  } catch (const std::exception& e) {
    MessageBoxW(nullptr, to_wide_lenient(e.what()).c_str(), L"Tavrel", MB_OK | MB_ICONERROR);
    exit_code = 1;
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return exit_code;
}
