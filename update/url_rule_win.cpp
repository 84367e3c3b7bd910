#include <windows.h>
#include <winhttp.h>

#include "core/text_convert.h"
#include "update/url_rule.h"

namespace tavrel::win {

bool winhttp_accepts_https_url(const std::string& url) {
  std::wstring wide = to_wide(url);  // invalid UTF-8 throws, as for every other conversion
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUserNameLength = static_cast<DWORD>(-1);
  parts.dwPasswordLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(wide.c_str(), static_cast<DWORD>(wide.size()), 0, &parts)) return false;
  return parts.nScheme == INTERNET_SCHEME_HTTPS && parts.dwHostNameLength > 0 &&
         parts.dwUserNameLength == 0 && parts.dwPasswordLength == 0;
}

}  // namespace tavrel::win
