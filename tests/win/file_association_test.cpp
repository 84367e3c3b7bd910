// The start-up repair of the document icon, against the registry of the test prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/file_association.h"
#include "core/file_association_win.h"

namespace tavrel::test {
namespace {

const std::wstring kProgId = win::association_prog_id_key;

std::optional<std::wstring> stored_icon() {
  wchar_t data[1024] = {};
  DWORD bytes = sizeof(data);
  if (RegGetValueW(HKEY_CURRENT_USER, (kProgId + L"\\DefaultIcon").c_str(), nullptr, RRF_RT_REG_SZ,
                   nullptr, data, &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(data);
}

// The registered command names this executable when the paths differ only in letter case, in
// any script: Windows paths do. A path that differs otherwise belongs to another copy.
TEST(FileAssociationIcon, RegisteredCommandComparesAsWindowsPathsDo) {
  const std::wstring exe = L"C:\\Ứng dụng\\Bản Đỏ\\tavrel.exe";
  const std::pair<std::wstring, bool> cases[] = {
      {L"c:\\ỨNG DỤNG\\bản đỏ\\TAVREL.EXE", true},
      {L"C:\\Ứng dụng\\Bản Đo\\tavrel.exe", false},
      {L"C:\\Ung dung\\Ban Do\\tavrel.exe", false},
  };
  for (const auto& [registered, ours] : cases) {
    RegDeleteTreeW(HKEY_CURRENT_USER, kProgId.c_str());
    win::write_registry_value(HKEY_CURRENT_USER, kProgId + L"\\shell\\open\\command", nullptr,
                              win::association_command(registered));
    win::refresh_association_icon_for(exe);
    EXPECT_EQ(stored_icon(), ours ? std::optional(win::association_icon(exe)) : std::nullopt)
        << ours;
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, kProgId.c_str());
}

}  // namespace
}  // namespace tavrel::test
