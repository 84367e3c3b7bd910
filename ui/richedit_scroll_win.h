#pragma once
// Scroll positions of a RichEdit in pixels. Once its content is taller (or wider) than 65535
// pixels, the control reports EM_GETSCROLLPOS and its scroll bars in units scaled down to 16
// bits, while EM_SETSCROLLPOS always takes pixels: a position read and set back would move the
// view far up. These read the pixels the control takes.
#include <windows.h>

#include "ui/text_ops.h"

namespace tavrel::win {

// The rectangle the control draws its text in, in client coordinates.
RECT richedit_text_area(HWND edit);

// Where the character at `position` is drawn, in client coordinates.
POINT richedit_client_point(HWND edit, LONG position);

// Where the control is scrolled to, in the pixels EM_SETSCROLLPOS takes.
POINT richedit_scroll_pos(HWND edit);
void richedit_set_scroll_pos(HWND edit, POINT pixels);

// The vertical scroll range as a scroll bar gives it, in pixels.
ScrollRange richedit_vertical_range(HWND edit);

// Scrolls so that the line holding `position` is the first one shown (as far as the content
// lets the control scroll).
void richedit_scroll_to_top(HWND edit, LONG position);

}  // namespace tavrel::win
