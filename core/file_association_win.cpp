// The per-user Markdown association: the rows of core/file_association.h written under
// HKEY_CURRENT_USER, and at every start a quiet repair of the document icon when this
// executable is the registered handler. The program never makes itself the default: the user
// does that on the default-apps page.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/app_win.h"
#include "core/file_association.h"
#include "core/file_association_win.h"
#include "core/file_io_win.h"

namespace tavrel::win {

namespace {

class RegistryKey {
 public:
  RegistryKey(HKEY root, const std::wstring& subkey) {
    if (RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, &key_, nullptr) != ERROR_SUCCESS) {
      throw std::runtime_error("Cannot register file association");
    }
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() { RegCloseKey(key_); }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::optional<std::wstring> read_default_value(const std::wstring& subkey) {
  std::vector<wchar_t> buffer(65536 / sizeof(wchar_t), L'\0');
  DWORD bytes = 65536;
  if (RegGetValueW(HKEY_CURRENT_USER, subkey.c_str(), nullptr, RRF_RT_REG_SZ, nullptr,
                   buffer.data(), &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(buffer.data());
}

// Paths compare as the file system does: the letters of every script fold, where the C
// runtime's towlower folds ASCII only.
bool same_ignoring_case(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

void notify_association_change() {
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

// The Open-with lists are a courtesy: a failure leaves the rest of the registration standing.
void write_open_with(const AssociationRow& row) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, row.subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExW(key, row.name.c_str(), 0, REG_NONE, nullptr, 0);
  RegCloseKey(key);
}

}  // namespace

void write_registry_value(HKEY root, const std::wstring& subkey, const wchar_t* name,
                          const std::wstring& value) {
  const RegistryKey key(root, subkey);
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  if (RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     bytes) != ERROR_SUCCESS) {
    throw std::runtime_error("Cannot write file association");
  }
}

void register_file_association(App& app) {
  for (const AssociationRow& row : association_rows(executable_path().native())) {
    if (row.open_with) {
      write_open_with(row);
    } else {
      write_registry_value(HKEY_CURRENT_USER, row.subkey,
                           row.name.empty() ? nullptr : row.name.c_str(), row.data);
    }
  }
  notify_association_change();
  app.set_status(app.vietnamese ? L"Đã đăng ký. Chọn Tavrel cho .md trong Cài đặt Windows."
                                : L"Registered. Choose Tavrel for .md in Windows Settings.");
  ShellExecuteW(app.main_window, L"open", L"ms-settings:defaultapps?registeredAppUser=Tavrel",
                nullptr, nullptr, SW_SHOWNORMAL);
}

void refresh_association_icon_for(const std::wstring& exe) {
  try {
    const std::wstring prog_id = association_prog_id_key;
    const auto command = read_default_value(prog_id + L"\\shell\\open\\command");
    if (!command) return;
    const auto icon = read_default_value(prog_id + L"\\DefaultIcon");
    if (!association_icon_needs_refresh(exe, command, icon, same_ignoring_case)) return;
    write_registry_value(HKEY_CURRENT_USER, prog_id + L"\\DefaultIcon", nullptr,
                         association_icon(exe));
    notify_association_change();
  } catch (const std::exception&) {
    // A start never complains about the icon of a registration it did not ask for.
  }
}

void App::refresh_association_icon() {
  if (smoke_test || custom_profile) return;
  try {
    refresh_association_icon_for(executable_path().native());
  } catch (const std::exception&) {
    // Not even the executable's path: nothing to repair.
  }
}

}  // namespace tavrel::win
