// Program entry: prepares the process, takes the per-profile session or hands the file arguments
// to the running instance, creates the main window, opens the files and runs the message loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdint>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>

#include "core/app_win.h"
#include "core/documents_win.h"
#include "core/instance_payload.h"
#include "core/session_guard_win.h"
#include "core/text_convert.h"
#include "core/welcome.h"
#include "selftest/unattended_run_win.h"
#include "ui/main_window_win.h"
#include "web/web_host_win.h"

using namespace tavrel::win;

namespace {

struct RunFlags {
  bool self_test = false;
  bool benchmark = false;
};

RunFlags read_flags(int count, const wchar_t* const* arguments) {
  RunFlags flags;
  for (int i = 1; i < count; ++i) {
    const std::wstring_view argument = arguments[i];
    if (argument == L"--smoke-test") {
      flags.self_test = true;
    } else if (argument == L"--benchmark") {
      flags.benchmark = true;
    }
  }
  return flags;
}

// Owns the main window for the rest of the run: when start-up or the loop is left by an
// exception, the window goes before the App it points to, so the error box's own message loop
// cannot deliver a message to a destroyed App.
class MainWindowOwner {
 public:
  explicit MainWindowOwner(App& app) : app_(app) {}
  MainWindowOwner(const MainWindowOwner&) = delete;
  MainWindowOwner& operator=(const MainWindowOwner&) = delete;
  ~MainWindowOwner() { release_main_window(app_); }

 private:
  App& app_;
};

void open_start_files(App& app, int count, const wchar_t* const* arguments) {
  const std::vector<std::wstring> files = file_arguments(count, arguments);
  open_paths(app, std::vector<std::filesystem::path>(files.begin(), files.end()));
  if (app.documents.empty()) app.new_document(welcome_markdown(app.vietnamese));
}

// The exit code: the quit code after a normal end, 1 when the queue itself failed (the message
// then holds nothing meaningful).
int run_message_loop(App& app) {
  MSG message{};
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) return 1;
    if (got == 0) return static_cast<int>(message.wParam);
    run_loop_message(app, message);
  }
}

int run(HINSTANCE instance, std::uint64_t start_tick, RunFlags flags, int count,
        const wchar_t* const* arguments) {
  App app(instance, flags.self_test);
  if (flags.self_test) UnattendedRun::report_to(app.profile_dir / L"test-error.txt");
  SessionGuard guard;
  if (!flags.self_test && !flags.benchmark && acquire_session(guard, app, count, arguments)) {
    return 0;  // handed over; this process never shows a window
  }
  app.benchmark = flags.benchmark;
  app.start_tick = start_tick;

  MainWindowOwner window_owner(app);
  app.create_window();
  if (!guard.name.empty())
    SetPropW(app.main_window, guard.name.c_str(), reinterpret_cast<HANDLE>(1));
  open_start_files(app, count, arguments);
  app.restore_recovery();
  // The self-test checks the native program; a benchmark measures the start-up the user's saved
  // view asks for, the visual editor included.
  if (app.view_mode == 3 && !flags.self_test) {
    app.web_preview = true;
    web_start(app);
  }
  ShowWindow(app.main_window, flags.self_test ? SW_HIDE : SW_SHOW);
  UpdateWindow(app.main_window);
  if (flags.self_test) SetTimer(app.main_window, timer_self_test, kSelfTestDelayMs, nullptr);

  const int code = run_message_loop(app);
  guard.close();  // the next start of this profile may run on its own while we tear down
  return code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const std::uint64_t start_tick = GetTickCount64();
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
  InitCommonControlsEx(&controls);
  LoadLibraryW(L"Msftedit.dll");  // RichEdit 5.0; stays loaded for the whole run

  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr) count = 0;
  const RunFlags flags = read_flags(count, arguments);
  // Kept until the end: the start-up error box below must not wait in a self-test run either.
  std::optional<UnattendedRun> unattended;
  if (flags.self_test) unattended.emplace(kSelfTestTimeLimit);
  int exit_code = 1;
  try {
    exit_code = run(instance, start_tick, flags, count, arguments);
  } catch (const std::exception& error) {
    // The guard and the App are gone by now; the text may hold anything, the box must not fail.
    MessageBoxW(nullptr, to_wide_lenient(error.what()).c_str(), L"Tavrel", MB_ICONERROR);
    exit_code = 1;
  }
  LocalFree(arguments);
  if (SUCCEEDED(com)) CoUninitialize();
  return exit_code;
}
