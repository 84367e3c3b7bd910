#pragma once
// The document tab strip: its subclass procedure (painting, close zone, middle-click close and
// dragging tabs to reorder the documents). App::rebuild_tabs refills it.
#include <windows.h>

namespace tavrel::win {

// Subclass id 1 of the tab control; the reference data is the App.
LRESULT CALLBACK tabs_subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR id, DWORD_PTR app);

// Width of the close zone at a tab's right edge, at 96 DPI. The drawn "x" takes the 24 at the
// very edge, so a click on it always lands inside the zone.
inline constexpr int kTabCloseZone = 27;
inline constexpr int kTabWidth = 200;
inline constexpr int kTabHeight = 30;

}  // namespace tavrel::win
