#pragma once
// The common Open and Save-as dialogs, the shell folder picker, and opening links in the user's
// default handler. They hold no state and run modal to their owner.
#include <windows.h>

#include <optional>
#include <string>

namespace tavrel::win {

// Filters: pairs of description and pattern, the list ended by a double NUL.
inline constexpr wchar_t kOpenFilter[] =
    L"Markdown / Text\0*.md;*.markdown;*.txt\0All files\0*.*\0\0";
inline constexpr wchar_t kImageFilter[] = L"Images\0*.png;*.jpg;*.jpeg;*.gif;*.bmp;*.webp\0\0";
inline constexpr wchar_t kSaveAsFilter[] =
    L"Markdown (*.md)\0*.md\0Text (*.txt)\0*.txt\0All files\0*.*\0\0";
inline constexpr wchar_t kDocumentExtension[] = L"md";

// The longest name the dialogs can return, with its terminating NUL.
inline constexpr size_t kFileNameBufferUnits = 32768;

// The chosen full path; nothing when the user cancels or the dialog fails. The process's
// current directory is left as it was.
std::optional<std::wstring> choose_file(HWND owner, bool save, const wchar_t* filter,
                                        const wchar_t* default_extension,
                                        const std::wstring& suggested_name);

// The chosen folder's file-system path; nothing when the user cancels or any step fails.
std::optional<std::wstring> choose_folder(HWND owner);

}  // namespace tavrel::win
