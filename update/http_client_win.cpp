#include "update/http_client_win.h"

#include <stdexcept>

#include "core/text_convert.h"
#include "update/update_manifest.h"
#include "update/url_rule.h"

namespace tavrel::win {

namespace {

constexpr DWORD kTimeoutMs = 5000;
constexpr DWORD kReadChunk = 16384;

struct Target {
  std::wstring host;
  std::wstring object;  // path and query; the fragment is never sent
  INTERNET_PORT port = 0;
};

Target split_url(const std::wstring& wide, const std::atomic<bool>& cancelled) {
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  check_winhttp(cancelled,
                WinHttpCrackUrl(wide.c_str(), static_cast<DWORD>(wide.size()), 0, &parts));
  Target target;
  target.host.assign(parts.lpszHostName, parts.dwHostNameLength);
  if (parts.lpszUrlPath) target.object.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  if (parts.lpszExtraInfo) target.object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  target.object = target.object.substr(0, target.object.find(L'#'));
  if (target.object.empty()) target.object = L"/";
  target.port = parts.nPort;
  return target;
}

void set_dword_option(const std::atomic<bool>& cancelled, HINTERNET request, DWORD option,
                      DWORD value) {
  check_winhttp(cancelled, WinHttpSetOption(request, option, &value, sizeof(value)));
}

DWORD query_status(const std::atomic<bool>& cancelled, HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof(status);
  check_winhttp(
      cancelled,
      WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                          WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX));
  return status;
}

std::string read_body(const std::atomic<bool>& cancelled, HINTERNET request,
                      std::chrono::milliseconds read_deadline) {
  std::string body;
  const auto deadline = std::chrono::steady_clock::now() + read_deadline;
  std::string buffer(kReadChunk, '\0');
  for (;;) {
    DWORD read = 0;
    const BOOL ok = WinHttpReadData(request, buffer.data(), kReadChunk, &read);
    check_winhttp(cancelled, ok);
    if (read == 0) return body;
    if (body.size() + read > kMaxManifestBytes)
      throw std::runtime_error("Update manifest is too large");
    body.append(buffer.data(), read);
    if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("Network timeout");
  }
}

}  // namespace

std::wstring utf8_url_to_wide(const std::string& url) {
  const std::u16string wide = utf8_to_utf16(url);
  return std::wstring(wide.begin(), wide.end());
}

void check_winhttp(const std::atomic<bool>& cancelled, BOOL ok) {
  if (cancelled.load()) throw std::runtime_error("Cancelled");
  if (!ok) throw std::runtime_error("Network error " + std::to_string(GetLastError()));
}

std::string http_get_manifest(const std::string& url, const std::atomic<bool>& cancelled,
                              std::chrono::milliseconds read_deadline) {
  if (!is_https_url(url)) throw std::runtime_error("Update source must use HTTPS");
  if (cancelled.load()) throw std::runtime_error("Cancelled");
  const Target target = split_url(utf8_url_to_wide(url), cancelled);

  WinHttpHandle session(WinHttpOpen(L"Tavrel/1.0", WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                    WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  check_winhttp(cancelled, session.get() != nullptr);
  check_winhttp(cancelled,
                WinHttpSetTimeouts(session.get(), kTimeoutMs, kTimeoutMs, kTimeoutMs, kTimeoutMs));
  WinHttpHandle connection(WinHttpConnect(session.get(), target.host.c_str(), target.port, 0));
  check_winhttp(cancelled, connection.get() != nullptr);
  const wchar_t* accept[] = {L"application/json", nullptr};
  WinHttpHandle request(WinHttpOpenRequest(connection.get(), L"GET", target.object.c_str(), nullptr,
                                           WINHTTP_NO_REFERER, accept,
                                           WINHTTP_FLAG_SECURE | WINHTTP_FLAG_REFRESH));
  check_winhttp(cancelled, request.get() != nullptr);
  set_dword_option(cancelled, request.get(), WINHTTP_OPTION_REDIRECT_POLICY,
                   WINHTTP_OPTION_REDIRECT_POLICY_DISALLOW_HTTPS_TO_HTTP);
  set_dword_option(cancelled, request.get(), WINHTTP_OPTION_AUTOLOGON_POLICY,
                   WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH);
  set_dword_option(cancelled, request.get(), WINHTTP_OPTION_DISABLE_FEATURE,
                   WINHTTP_DISABLE_COOKIES);
  check_winhttp(cancelled, WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                                              WINHTTP_NO_REQUEST_DATA, 0, 0, 0));
  check_winhttp(cancelled, WinHttpReceiveResponse(request.get(), nullptr));
  const DWORD status = query_status(cancelled, request.get());
  if (status != 200) throw std::runtime_error("HTTP " + std::to_string(status));
  return read_body(cancelled, request.get(), read_deadline);
  // The owners close the request, the connection and the session, in that order.
}

}  // namespace tavrel::win
