#pragma once
// What the per-user registration of Markdown files writes, and when a start of the program
// refreshes the document icon. Win32 does the writing (core/file_association_win.cpp).
#include <optional>
#include <string>
#include <vector>

namespace tavrel::win {

// One value under HKEY_CURRENT_USER. An empty name is the key's default value. `open_with`
// rows hold a REG_NONE value without data and may fail without stopping the registration.
struct AssociationRow {
  std::wstring subkey;
  std::wstring name;
  std::wstring data;
  bool open_with = false;
};

inline constexpr wchar_t association_prog_id_key[] = L"Software\\Classes\\Tavrel.Document";

std::wstring association_command(const std::wstring& exe);  // "exe" "%1"
std::wstring association_icon(const std::wstring& exe);     // "exe",-102

// Every row in the order it is written, for the executable at `exe`.
std::vector<AssociationRow> association_rows(const std::wstring& exe);

// Equality ignoring letter case as the system compares paths (every script, not ASCII only).
using SameIgnoringCase = bool (*)(const std::wstring&, const std::wstring&);

// True when this executable is the registered handler (command compared by `same_ignoring_case`)
// and the stored icon is missing or not exactly ours.
bool association_icon_needs_refresh(const std::wstring& exe,
                                    const std::optional<std::wstring>& stored_command,
                                    const std::optional<std::wstring>& stored_icon,
                                    SameIgnoringCase same_ignoring_case);

}  // namespace tavrel::win
