#pragma once
// The program's own modal dialogs: one window class, one state record, one modal loop and one
// window procedure; only the page of controls and its accept action differ by kind. The kind of
// a dialog is the command id that opens it (kDialogCopyCode: the preview's "Copy code block...").
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_win.h"
#include "core/handles_win.h"

namespace tavrel::win {

inline constexpr wchar_t kDialogClass[] = L"Tavrel.Dialog";
inline constexpr uint32_t kDialogCopyCode = 5000;

// Control ids the frame knows; the pages add their own.
inline constexpr int dlg_primary = 1;  // also the page heading
inline constexpr int dlg_secondary = 2;
inline constexpr int dlg_search = 10;
inline constexpr int dlg_list = 11;
inline constexpr int dlg_about_link = 34;

struct DialogState {
  App* app = nullptr;
  uint32_t kind = 0;
  HWND dialog = nullptr;
  HWND input_edit = nullptr;
  HWND list = nullptr;
  HWND text_view = nullptr;
  HWND primary_button = nullptr;
  HWND secondary_button = nullptr;
  HWND auto_save_check = nullptr;
  HWND seconds_edit = nullptr;
  UniqueFont font;  // the About title font
  bool done = false;
  std::vector<std::filesystem::path> candidates;
  std::vector<std::filesystem::path> shown;
  std::vector<std::string> items;
  std::vector<uint32_t> row_commands;
};

LRESULT CALLBACK dialog_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
const wchar_t* dialog_title(const DialogState& state);  // empty for a kind that has no dialog
HWND dialog_create_control(DialogState& state, const wchar_t* class_name, const wchar_t* text,
                           DWORD style, int id, int x, int y, int width, int height);
void dialog_build_page(DialogState& state);

// A message box owned by the dialog ("Tavrel"), through App::message_box when a test set one.
int dialog_message(const DialogState& state, const std::wstring& text, UINT type);

// Puts a list box's rows in place of its old ones and selects row 0 when there is one.
void dialog_fill_list(HWND list, const std::vector<std::wstring>& rows);
int dialog_list_row(const DialogState& state);  // the selected row, or -1

// The pages (one source file each).
void build_file_list_page(DialogState& state);  // quick open, recent and pinned, history
void dialog_refill_list(DialogState& state);
void accept_file_list(DialogState& state);
void build_settings_page(DialogState& state);
void accept_settings(DialogState& state);
void build_shortcuts_page(DialogState& state);
void show_selected_shortcut(DialogState& state);
void accept_shortcut(DialogState& state);
void build_licenses_page(DialogState& state);
void dialog_build_about(DialogState& state);
void open_about_link(DialogState& state);
void build_emoji_page(DialogState& state);
void accept_emoji(DialogState& state);
void build_copy_code_page(DialogState& state);
void accept_copy_code(DialogState& state);

// The notices text of resource 201 of `module`; throws std::runtime_error "Could not load
// embedded library notices" when it is missing or empty.
std::wstring load_notices_text(HINSTANCE module);

}  // namespace tavrel::win
