#pragma once
// Per-user registration of the program as a handler of Markdown files.
#include <windows.h>

#include <string>

namespace tavrel::win {

class App;

// Creates or opens the key and sets one REG_SZ value (null name: the default value); throws
// std::runtime_error on failure.
void write_registry_value(HKEY root, const std::wstring& subkey, const wchar_t* name,
                          const std::wstring& value);

// Writes every row under HKEY_CURRENT_USER, tells the shell, and opens the default-apps page.
void register_file_association(App& app);

// Points the document icon at `exe` when `exe` is the registered handler and the icon does not
// already name it; never throws.
void refresh_association_icon_for(const std::wstring& exe);

}  // namespace tavrel::win
