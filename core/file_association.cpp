#include "core/file_association.h"

#include <cwctype>

namespace tavrel::win {

std::wstring association_command(const std::wstring& exe) { return L"\"" + exe + L"\" \"%1\""; }

std::wstring association_icon(const std::wstring& exe) { return L"\"" + exe + L"\",-102"; }

std::vector<AssociationRow> association_rows(const std::wstring& exe) {
  const std::wstring prog_id = association_prog_id_key;
  const std::wstring app = L"Software\\Classes\\Applications\\Tavrel.exe";
  const std::wstring caps = L"Software\\Tavrel\\Capabilities";
  const std::wstring command = association_command(exe);
  return {
      {prog_id, L"", L"Markdown document"},
      {prog_id + L"\\DefaultIcon", L"", association_icon(exe)},
      {prog_id + L"\\shell\\open\\command", L"", command},
      {app, L"FriendlyAppName", L"Tavrel"},
      {app + L"\\shell\\open\\command", L"", command},
      {app + L"\\SupportedTypes", L".md", L""},
      {caps, L"ApplicationName", L"Tavrel"},
      {caps, L"ApplicationDescription", L"Markdown editor and reader"},
      {caps + L"\\FileAssociations", L".md", L"Tavrel.Document"},
      {caps + L"\\FileAssociations", L".markdown", L"Tavrel.Document"},
      {L"Software\\RegisteredApplications", L"Tavrel", caps},
      {L"Software\\Classes\\.md\\OpenWithProgids", L"Tavrel.Document", L"", true},
      {L"Software\\Classes\\.markdown\\OpenWithProgids", L"Tavrel.Document", L"", true},
  };
}

namespace {

bool equal_ignoring_case(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool association_icon_needs_refresh(const std::wstring& exe,
                                    const std::optional<std::wstring>& stored_command,
                                    const std::optional<std::wstring>& stored_icon) {
  if (!stored_command || !equal_ignoring_case(*stored_command, association_command(exe))) {
    return false;
  }
  return !stored_icon || *stored_icon != association_icon(exe);
}

}  // namespace tavrel::win
