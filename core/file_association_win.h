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

}  // namespace tavrel::win
