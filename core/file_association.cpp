#include "core/file_association.h"

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

bool association_icon_needs_refresh(const std::wstring& exe,
                                    const std::optional<std::wstring>& stored_command,
                                    const std::optional<std::wstring>& stored_icon,
                                    SameIgnoringCase same_ignoring_case) {
  if (!stored_command || !same_ignoring_case(*stored_command, association_command(exe))) {
    return false;
  }
  return !stored_icon || *stored_icon != association_icon(exe);
}

}  // namespace tavrel::win
