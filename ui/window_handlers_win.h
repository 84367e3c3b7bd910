#pragma once
// The message handlers behind main_window_proc, one per message, shared between the files that
// implement them.
#include <windows.h>

#include "core/app_win.h"

namespace tavrel::win {

struct WindowMessage {
  HWND window;
  UINT id;
  WPARAM wparam;
  LPARAM lparam;

  LRESULT default_result() const { return DefWindowProcW(window, id, wparam, lparam); }
};

// WM_COMMAND and WM_NOTIFY.
LRESULT on_command_message(App& app, const WindowMessage& message);
LRESULT on_notify_message(App& app, const WindowMessage& message);

// WM_TIMER, including the end of a self-test run.
LRESULT on_timer_message(App& app, const WindowMessage& message);

// The split bar between editor and preview.
LRESULT on_splitter_press(App& app, const WindowMessage& message);
LRESULT on_splitter_move(App& app, const WindowMessage& message);
LRESULT on_splitter_release(App& app, const WindowMessage& message);
LRESULT on_capture_lost(App& app, const WindowMessage& message);

}  // namespace tavrel::win
