#include "core/file_association.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tavrel::win {
namespace {

const std::wstring kExe = L"C:\\Apps\\Tav rel\\tavrel.exe";

// Stands for the system's comparison, which folds every script; ASCII is enough here.
bool same_ascii_ignoring_case(const std::wstring& a, const std::wstring& b) {
  const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c + (L'a' - L'A') : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](wchar_t x, wchar_t y) { return lower(x) == lower(y); });
}

TEST(FileAssociation, RowsNameTheRunningExecutableAndOnlyOpenWithMayFail) {
  const auto rows = association_rows(kExe);
  ASSERT_EQ(rows.size(), 13u);
  EXPECT_EQ(rows[1].subkey, L"Software\\Classes\\Tavrel.Document\\DefaultIcon");
  EXPECT_EQ(rows[1].data, L"\"C:\\Apps\\Tav rel\\tavrel.exe\",-102");
  EXPECT_EQ(rows[2].data, L"\"C:\\Apps\\Tav rel\\tavrel.exe\" \"%1\"");
  EXPECT_EQ(rows[4].data, rows[2].data);
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].open_with, i >= 11) << i;
  EXPECT_EQ(rows[12].subkey, L"Software\\Classes\\.markdown\\OpenWithProgids");
}

TEST(FileAssociation, IconIsRefreshedOnlyForTheRegisteredExecutable) {
  const std::wstring command = association_command(kExe);
  const std::wstring icon = association_icon(kExe);
  struct Case {
    std::optional<std::wstring> command, icon;
    bool refresh;
  };
  const Case cases[] = {
      {std::nullopt, std::nullopt, false},
      {L"\"C:\\Old\\tavrel.exe\" \"%1\"", std::nullopt, false},
      {command, icon, false},
      {command, std::nullopt, true},
      {L"\"c:\\apps\\TAV REL\\tavrel.EXE\" \"%1\"", L"\"C:\\Old\\tavrel.exe\",-102", true},
      {command, L"\"c:\\apps\\tav rel\\tavrel.exe\",-102", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(association_icon_needs_refresh(kExe, c.command, c.icon, same_ascii_ignoring_case),
              c.refresh);
  }
}

}  // namespace
}  // namespace tavrel::win
