#pragma once
// One running instance per profile folder. A later start with the same profile hands its file
// arguments to the running window in one WM_COPYDATA message and ends; the running window reads
// them back with the same rules.
#include <windows.h>

#include <filesystem>
#include <string>

namespace tavrel::win {

class App;

// Held by the program entry for the whole run. The named mutex is created without ownership: the
// guard is the existence of the named object, which ends when its last handle is closed.
struct SessionGuard {
  HANDLE mutex = nullptr;
  std::wstring name;  // also the window property that marks the running instance

  SessionGuard() = default;
  SessionGuard(const SessionGuard&) = delete;
  SessionGuard& operator=(const SessionGuard&) = delete;
  ~SessionGuard() { close(); }

  void close() {
    if (mutex) CloseHandle(mutex);
    mutex = nullptr;
  }
};

// The guard name of a profile folder (its weakly canonical form, letter case folded).
std::wstring session_name(const std::filesystem::path& profile_dir);

// The hand-over payload: the JSON text of the absolute file paths and the message pointing at it.
struct ForwardedArguments {
  std::string json;

  COPYDATASTRUCT message() const;
};

// The file arguments of a command line made absolute against this process's current folder.
ForwardedArguments forward_arguments(int count, const wchar_t* const* arguments);

// False: this process is now the running instance of its profile (the guard holds the mutex and
// the name). True: the arguments were taken by the running instance, which was brought to the
// front. Throws when the session cannot be protected, the running window cannot be found in time
// or does not take the arguments.
bool acquire_session(SessionGuard& guard, const App& app, int count,
                     const wchar_t* const* arguments);

// EnumWindows callback; `context` is a SessionSearch.
struct SessionSearch {
  const std::wstring* name = nullptr;
  HWND found = nullptr;
};
BOOL CALLBACK find_session_window(HWND window, LPARAM context);

// The running window's side of WM_COPYDATA: validates the whole payload, answers the sender at
// once, and only then opens the paths. Returns the answer (1 all taken, 0 refused or cut short).
LRESULT receive_forwarded_arguments(App& app, const COPYDATASTRUCT* data);

}  // namespace tavrel::win
