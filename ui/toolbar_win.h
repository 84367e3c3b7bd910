#pragma once
// The formatting toolbar's buttons and their drawing.
#include <windows.h>

namespace Gdiplus {
class Graphics;
}

namespace tavrel::win {

class App;

void add_toolbar_button(App& app, int command_id, int width_dip);

// Strokes one command's picture on `graphics`, whose transform maps the 20 x 20 design grid.
void draw_toolbar_icon(Gdiplus::Graphics& graphics, int command_id, COLORREF colour,
                       COLORREF accent);

}  // namespace tavrel::win
