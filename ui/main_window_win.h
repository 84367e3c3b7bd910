#pragma once
// The main window: its class, child control ids, timers and window procedure.
#include <windows.h>

#include "core/app_win.h"
#include "ui/layout.h"

namespace tavrel::win {

inline constexpr wchar_t kMainWindowClass[] = L"Tavrel.Main";
inline constexpr int kAppIconResource = 101;

// Child control ids. Document editors take first_editor_id + the number of documents open when
// they are made.
inline constexpr int ctl_toolbar = 10;
inline constexpr int ctl_document_tabs = 11;
inline constexpr int ctl_workspace_tree = 12;
inline constexpr int ctl_outline_list = 13;
inline constexpr int ctl_status_bar = 14;
inline constexpr int ctl_find_edit = 16;
inline constexpr int ctl_replace_edit = 17;
inline constexpr int ctl_match_case = 18;
inline constexpr int ctl_regex = 19;
inline constexpr int ctl_find_next = 20;
inline constexpr int ctl_replace_one = 21;
inline constexpr int ctl_replace_all = 22;
inline constexpr int ctl_close_find = 23;
inline constexpr int ctl_preview = 30;
inline constexpr int ctl_emoji_popup = 90;
inline constexpr int first_editor_id = 200;
// WM_COMMAND ids from here on are commands (menu items and toolbar buttons).
inline constexpr int first_command_id = 100;

// The text insets at the sides of the editors and the preview, at 96 DPI.
inline constexpr int kEditorTextInset = 12;
inline constexpr int kPreviewTextInset = 18;

// Timers of the main window.
inline constexpr UINT_PTR timer_poll_jobs = 1;
inline constexpr UINT_PTR timer_render = 3;
inline constexpr UINT_PTR timer_recovery = 4;
inline constexpr UINT_PTR timer_save_settings = 5;
inline constexpr UINT_PTR timer_benchmark = 98;
inline constexpr UINT_PTR timer_self_test = 99;
inline constexpr UINT kRenderDelayMs = 220;
inline constexpr UINT kSaveSettingsDelayMs = 250;
inline constexpr UINT kBenchmarkDelayMs = 2000;
inline constexpr UINT kSelfTestDelayMs = 500;

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// One message of the main message loop: the key dispatcher first, then translation and dispatch.
void run_loop_message(App& app, const MSG& message);

// The layout's view of the App: client size, DPI and view flags.
LayoutInput layout_input(const App& app);

// Destroys the main window, if it still exists, after cutting it off from the App, so that no
// message reaches an App that is being torn down and no quit message is posted. Used when
// start-up or the message loop is left early, and by tests.
void release_main_window(App& app);

}  // namespace tavrel::win
