#include "update/url_rule.h"

#include <algorithm>
#include <stdexcept>

#include "core/text_convert.h"

namespace tavrel::win {

bool url_authority_ok(const std::string& url) {
  constexpr size_t kSchemeLength = 8;  // "https://"
  size_t end = url.find_first_of("/?#", kSchemeLength);
  std::string authority =
      url.substr(kSchemeLength, end == std::string::npos ? end : end - kSchemeLength);
  if (authority.empty() || authority.find('@') != std::string::npos) return false;
  // The host ends before an optional port; "[...]" holds an IPv6 literal with its own colons.
  size_t host_end = authority.front() == '[' ? authority.find(']') : authority.find(':');
  if (authority.front() == '[') return host_end != std::string::npos && host_end > 1;
  std::string host = authority.substr(0, host_end);
  return !host.empty();
}

bool is_https_url(const std::string& url) {
  if (url.size() > kMaxUrlBytes) return false;
  if (url.size() < 9 || url.compare(0, 8, "https://") != 0) return false;
  bool clean = std::none_of(url.begin(), url.end(), [](char c) {
    auto b = static_cast<unsigned char>(c);
    return b < 33 || b == 127 || b == '\\';
  });
  if (!clean || !url_authority_ok(url)) return false;
#ifdef _WIN32
  return winhttp_accepts_https_url(url);
#else
  // WinHTTP sees UTF-16: text that does not convert fails there, so it fails here too.
  if (!is_valid_utf8(url)) throw std::runtime_error("Invalid UTF-8");
  return true;
#endif
}

}  // namespace tavrel::win
