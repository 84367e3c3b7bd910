#pragma once
// Drawing helpers shared by the pane painting and the owner-drawn items.
#include <windows.h>

#include <optional>
#include <string>

#include "core/app_win.h"
#include "ui/commands.h"
#include "ui/pane_paint.h"

namespace tavrel::win {

// DrawTextW flags of the labels; DT_NOPREFIX is always added by draw_label.
inline constexpr UINT kSingleLine = DT_SINGLELINE | DT_VCENTER;
inline constexpr UINT kEllipsis = kSingleLine | DT_END_ELLIPSIS;
inline constexpr UINT kRightAligned = kSingleLine | DT_RIGHT;
inline constexpr UINT kCentred = kSingleLine | DT_CENTER;

// Draws `text` in `rect` with the font and colour on a transparent background, without
// ampersand processing; the DC's font comes back afterwards.
void draw_label(HDC dc, RECT rect, const std::wstring& text, COLORREF colour, HFONT font,
                UINT flags);

// Fills with any colour through the DC brush.
void fill_colour(HDC dc, const RECT& rect, COLORREF colour);

// What an owner-drawn menu item shows: the label at the left and, after a tab in the record's
// text, the shortcut at the right. Ampersands stay as they are.
MenuTextParts menu_item_texts(const MenuItem& item);

// The status bar's two texts for the App as it is now.
std::wstring status_bar_left_text(const App& app);
std::wstring status_bar_right_text(const App& app);

}  // namespace tavrel::win
