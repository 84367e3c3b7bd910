// The control's own answer is taken while it cannot be scaled: a content that stays within half
// of the 16-bit range is read as the control reports it, exactly. Beyond, the position is
// measured: the first character's place now against its place with the control scrolled to the
// top (not drawn in between), which holds however the control scales.
#include "ui/richedit_scroll_win.h"

#include <richedit.h>

#include <algorithm>
#include <cstdint>

#include "ui/editor_win.h"
#include "ui/theme_win.h"

namespace tavrel::win {
namespace {

constexpr LONG kSurelyUnscaled = 0xFFFF / 2;

// How far below the first character the last one starts.
LONG content_extent(HWND edit) {
  const auto end = static_cast<LONG>(richedit_length(edit));
  return richedit_client_point(edit, end).y - richedit_client_point(edit, 0).y;
}

bool may_count_scaled(HWND edit) {
  SCROLLINFO wide{};
  wide.cbSize = sizeof(wide);
  wide.fMask = SIF_RANGE;
  if (GetScrollInfo(edit, SB_HORZ, &wide) && wide.nMax > kSurelyUnscaled) return true;
  return content_extent(edit) > kSurelyUnscaled;
}

void set_scroll(HWND edit, POINT pixels) {
  SendMessageW(edit, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&pixels));
}

POINT measured_scroll_pos(HWND edit) {
  const POINT now = richedit_client_point(edit, 0);
  const RedrawGuard quiet(edit);
  set_scroll(edit, POINT{0, 0});
  const POINT top = richedit_client_point(edit, 0);
  const POINT pixels{std::max<LONG>(top.x - now.x, 0), std::max<LONG>(top.y - now.y, 0)};
  set_scroll(edit, pixels);
  return pixels;
}

}  // namespace

POINT richedit_client_point(HWND edit, LONG position) {
  POINTL at{};
  SendMessageW(edit, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), position);
  return POINT{at.x, at.y};
}

RECT richedit_text_area(HWND edit) {
  RECT area{};
  SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
  return area;
}

POINT richedit_scroll_pos(HWND edit) {
  if (may_count_scaled(edit)) return measured_scroll_pos(edit);
  POINT scroll{};
  SendMessageW(edit, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
  return scroll;
}

void richedit_set_scroll_pos(HWND edit, POINT pixels) { set_scroll(edit, pixels); }

ScrollRange richedit_vertical_range(HWND edit) {
  SCROLLINFO bar{};
  bar.cbSize = sizeof(bar);
  bar.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  const bool has_bar = GetScrollInfo(edit, SB_VERT, &bar) != FALSE;
  if (!may_count_scaled(edit)) {
    return has_bar ? ScrollRange{bar.nMax, bar.nPage, bar.nPos} : ScrollRange{};
  }
  const RECT area = richedit_text_area(edit);
  const auto page = static_cast<std::uint32_t>(std::max<LONG>(area.bottom - area.top, 0));
  // The content's height without its last line's: the range ends a line early at most.
  return ScrollRange{content_extent(edit), page, measured_scroll_pos(edit).y};
}

// By pixels, since lines differ in height: the line's distance from the top of the content,
// measured with the control scrolled there. Should a control take other units, the line is at
// least brought into view.
void richedit_scroll_to_top(HWND edit, LONG position) {
  const RedrawGuard quiet(edit);
  const LONG x = richedit_scroll_pos(edit).x;
  set_scroll(edit, POINT{x, 0});
  const RECT area = richedit_text_area(edit);
  set_scroll(edit, POINT{x, std::max<LONG>(richedit_client_point(edit, position).y - area.top, 0)});
  const LONG shown_at = richedit_client_point(edit, position).y;
  if (shown_at < area.top || shown_at >= area.bottom) SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

}  // namespace tavrel::win
