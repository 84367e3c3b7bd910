#pragma once
// The message handlers behind main_window_proc, one per message, shared between the files that
// implement them, and the one message record of every window procedure and subclass here.
#include <windows.h>

#include "core/app_win.h"

namespace tavrel::win {

// One message as a procedure received it, with the processing it falls back on: DefWindowProcW
// for a window procedure, DefSubclassProc for a subclass.
struct WindowMessage {
  HWND window;
  UINT id;
  WPARAM wparam;
  LPARAM lparam;
  WNDPROC default_procedure = DefWindowProcW;
  mutable bool defaulted = false;  // the default processing has seen the message

  LRESULT default_result() const { return default_with_key(wparam); }
  // The same message with another key, for the key remaps of the editors.
  LRESULT default_with_key(WPARAM key) const {
    defaulted = true;
    return default_procedure(window, id, key, lparam);
  }
};

// WM_COMMAND and WM_NOTIFY.
LRESULT on_command_message(App& app, const WindowMessage& message);
LRESULT on_notify_message(App& app, const WindowMessage& message);

// NM_CUSTOMDRAW of the workspace tree: the colours of its items.
LRESULT on_tree_draw(const App& app, const WindowMessage& message);

// WM_TIMER, including the end of a self-test run.
LRESULT on_timer_message(App& app, const WindowMessage& message);

// The split bar between editor and preview.
LRESULT on_splitter_press(App& app, const WindowMessage& message);
LRESULT on_splitter_move(App& app, const WindowMessage& message);
LRESULT on_splitter_release(App& app, const WindowMessage& message);
LRESULT on_capture_lost(App& app, const WindowMessage& message);

}  // namespace tavrel::win
