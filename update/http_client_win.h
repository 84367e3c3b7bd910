#pragma once
// The HTTPS GET of the update check: WinHTTP, synchronous, on the update worker thread.
#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <chrono>
#include <string>

#include "core/handles_win.h"

namespace tavrel::win {

struct WinHttpHandleTraits {
  static HINTERNET invalid() { return nullptr; }
  static void close(HINTERNET h) { WinHttpCloseHandle(h); }
};
// A session, connection or request handle.
using WinHttpHandle = Owned<HINTERNET, WinHttpHandleTraits>;

// Reading the body may take this long in all; a single stalled read is bounded by the 5-second
// receive timeout instead.
inline constexpr std::chrono::milliseconds kManifestReadDeadline{20000};

std::wstring utf8_url_to_wide(const std::string& url);

// Throws "Cancelled" when `cancelled` is set, else "Network error <GetLastError()>" unless `ok`.
void check_winhttp(const std::atomic<bool>& cancelled, BOOL ok);

// The body of a 200 answer to a GET of `url`; every failure is a std::runtime_error whose text
// the update dialog shows. The deadline is a parameter only so that tests can shorten it.
std::string http_get_manifest(const std::string& url, const std::atomic<bool>& cancelled,
                              std::chrono::milliseconds read_deadline = kManifestReadDeadline);

}  // namespace tavrel::win
