#pragma once
// The rule every update address must pass before the program talks to it.
#include <string>

namespace tavrel::win {

inline constexpr size_t kMaxUrlBytes = 16384;

// True for an https:// address with a host and no user name or password, free of control
// characters, spaces and backslashes. On Windows WinHTTP must also accept it.
bool is_https_url(const std::string& url);

// The authority checks of is_https_url on their own: a non-empty host and no user information.
bool url_authority_ok(const std::string& url);

#ifdef _WIN32
// WinHttpCrackUrl's verdict (scheme https, host present, no user name or password).
bool winhttp_accepts_https_url(const std::string& url);
#endif

}  // namespace tavrel::win
