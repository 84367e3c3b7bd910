#include "core/session_guard_win.h"

#include <stdexcept>
#include <system_error>

#include "core/app_win.h"
#include "core/documents_win.h"
#include "core/fs_error.h"
#include "core/instance_payload.h"

namespace tavrel::win {
namespace {

// The running instance creates its mutex before its window and marks the window only after
// creating it, so a start right behind another one waits about two seconds for the mark.
constexpr int kFindAttempts = 40;
constexpr DWORD kFindPauseMs = 50;
constexpr UINT kSendTimeoutMs = 5000;

HWND wait_for_session_window(const std::wstring& name) {
  for (int attempt = 0; attempt < kFindAttempts; ++attempt) {
    SessionSearch search{&name, nullptr};
    EnumWindows(find_session_window, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(kFindPauseMs);
  }
  throw std::runtime_error("Another Tavrel session is starting. Please try again.");
}

void send_to_running_window(HWND running, const ForwardedArguments& payload) {
  COPYDATASTRUCT message = payload.message();
  DWORD_PTR result = 0;
  const LRESULT sent =
      SendMessageTimeoutW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message),
                          SMTO_BLOCK | SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
  if (sent == 0 || result != 1) {
    throw std::runtime_error("The existing Tavrel window is busy. Please try again.");
  }
}

// A minimised window comes back; a maximised one stays maximised (restoring it would shrink it).
void bring_to_front(HWND running) {
  if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
  SetForegroundWindow(running);
}

}  // namespace

std::wstring session_name(const std::filesystem::path& profile_dir) {
  std::error_code ec;
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(profile_dir, ec);
  if (ec) throw_fs_error("weakly_canonical", profile_dir, ec);
  return guard_name(canonical.native());
}

COPYDATASTRUCT ForwardedArguments::message() const {
  COPYDATASTRUCT data{};
  data.dwData = kForwardedArgumentsTag;
  data.cbData = static_cast<DWORD>(json.size());  // no terminating zero
  data.lpData = const_cast<char*>(json.data());
  return data;
}

ForwardedArguments forward_arguments(int count, const wchar_t* const* arguments) {
  std::vector<std::wstring> paths;
  for (const std::wstring& file : file_arguments(count, arguments)) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
    if (ec) throw_fs_error("absolute", file, ec);
    paths.push_back(absolute.native());
  }
  return ForwardedArguments{encode_forwarded_arguments(paths)};
}

BOOL CALLBACK find_session_window(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<SessionSearch*>(context);
  if (GetPropW(window, search->name->c_str()) == nullptr) return TRUE;
  search->found = window;
  return FALSE;
}

bool acquire_session(SessionGuard& guard, const App& app, int count,
                     const wchar_t* const* arguments) {
  guard.name = session_name(app.profile_dir);
  const std::wstring mutex_name = guard_mutex_name(guard.name);
  guard.mutex = CreateMutexW(nullptr, FALSE, mutex_name.c_str());
  const DWORD created = GetLastError();
  if (!guard.mutex) throw std::runtime_error("Cannot protect the Tavrel session");
  if (created != ERROR_ALREADY_EXISTS) return false;

  const HWND running = wait_for_session_window(guard.name);
  send_to_running_window(running, forward_arguments(count, arguments));
  bring_to_front(running);
  return true;
}

LRESULT receive_forwarded_arguments(App& app, const COPYDATASTRUCT* data) {
  if (data == nullptr) return 0;
  ReceivedArguments received;
  try {
    received = decode_forwarded_arguments(data->dwData, data->lpData, data->cbData);
  } catch (const std::exception& error) {
    // The sender must not wait behind the error box.
    ReplyMessage(0);
    app.show_error(error);
    return 0;
  }
  // The payload is only valid until the reply; the paths were copied out of it above. Answering
  // before the first open keeps a slow file or an error box from making the sender call us busy.
  ReplyMessage(received.answer);
  open_paths(app, std::vector<std::filesystem::path>(received.paths.begin(), received.paths.end()));
  return received.answer;
}

}  // namespace tavrel::win
