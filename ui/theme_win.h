#pragma once
// The themed chrome around the standard controls: flicker-free painting, batched redraws, the
// popup-menu frame hook and the flat find-bar edit boxes.
#include <windows.h>
#include <uxtheme.h>


#include "core/app_win.h"
#include "ui/palette.h"

namespace tavrel::win {

// The palette as the theme chose it, for the colour helpers of ui/palette.h.
ThemeChoice current_theme(const App& app);

// Paints a window through a memory bitmap of its client size where buffered painting is
// available, else straight into the paint DC. Begins painting on construction and ends it
// (copying the buffer to the window) on destruction.
class PaintScope {
 public:
  explicit PaintScope(HWND window);
  ~PaintScope();
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;

  HDC dc() const { return target_; }
  const RECT& client() const { return client_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  RECT client_{};
  HDC target_ = nullptr;
  HPAINTBUFFER buffer_ = nullptr;
};

// Whether the window has the visible style (it may still sit inside a hidden parent).
bool is_shown(HWND window);

// Redrawing switched off while it lives; on the way out the window is invalidated and, when it
// was shown, drawn once, whole with its children. A hidden window is only invalidated: switching
// redrawing back on would show it.
class RedrawGuard {
 public:
  explicit RedrawGuard(HWND window);
  ~RedrawGuard();
  RedrawGuard(const RedrawGuard&) = delete;
  RedrawGuard& operator=(const RedrawGuard&) = delete;

 private:
  HWND window_;
  bool active_ = false;
};

// Removes the thread's popup-menu hook, if any, and forgets the App it served.
void remove_menu_hook();

LRESULT CALLBACK menu_hook_proc(int code, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK menu_frame_subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                          UINT_PTR id, DWORD_PTR app);
LRESULT CALLBACK edit_box_subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR id, DWORD_PTR app);

// The frame of a themed popup menu or edit box, drawn on a window DC: a 1-pixel frame in
// `outer`, then (for menus) `inner_frames` more 1-pixel frames of `inner` inside it.
void draw_window_frame(HDC dc, RECT bounds, COLORREF outer, HBRUSH inner, int inner_frames);

}  // namespace tavrel::win
