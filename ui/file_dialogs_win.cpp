// File and folder dialogs, and links handed to the shell.
#include "ui/file_dialogs_win.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <vector>

#include "core/app_win.h"
#include "core/handles_win.h"
#include "ui/text_ops.h"

namespace tavrel::win {
namespace {

// Frees a string the shell allocated for us.
class TaskString {
 public:
  TaskString() = default;
  ~TaskString() { CoTaskMemFree(text_); }
  TaskString(const TaskString&) = delete;
  TaskString& operator=(const TaskString&) = delete;
  PWSTR* put() { return &text_; }
  PWSTR get() const { return text_; }

 private:
  PWSTR text_ = nullptr;
};

}  // namespace

std::optional<std::wstring> choose_file(HWND owner, bool save, const wchar_t* filter,
                                        const wchar_t* default_extension,
                                        const std::wstring& suggested_name) {
  std::vector<wchar_t> name(kFileNameBufferUnits, L'\0');
  if (!suggested_name.empty())
    wcsncpy_s(name.data(), name.size(), suggested_name.c_str(), _TRUNCATE);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrDefExt = default_extension;
  dialog.Flags = save ? OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_OVERWRITEPROMPT
                      : OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
  const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
  if (!chosen) return std::nullopt;
  return std::wstring(name.data());  // up to the first NUL
}

std::optional<std::wstring> choose_folder(HWND owner) {
  ComPtr<IFileOpenDialog> dialog;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IFileOpenDialog, reinterpret_cast<void**>(dialog.put())))) {
    return std::nullopt;
  }
  FILEOPENDIALOGOPTIONS options = 0;
  if (FAILED(dialog->GetOptions(&options))) return std::nullopt;
  if (FAILED(dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM)))
    return std::nullopt;
  if (FAILED(dialog->Show(owner))) return std::nullopt;  // cancelled, or no dialog at all
  ComPtr<IShellItem> item;
  if (FAILED(dialog->GetResult(item.put())) || !item) return std::nullopt;
  TaskString path;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, path.put())) || path.get() == nullptr)
    return std::nullopt;
  return std::wstring(path.get());
}

// Only the schemes a browser or mail program should see: a local file, a relative path or
// another scheme in a document could otherwise start a program.
void App::open_link(const std::wstring& url) {
  if (!is_openable_link(url)) return;
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(main_window, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) {
    set_status(vietnamese ? L"Kh\u00F4ng m\u1EDF \u0111\u01B0\u1EE3c li\u00EAn k\u1EBFt"
                          : L"Could not open this link");
  }
}

}  // namespace tavrel::win
