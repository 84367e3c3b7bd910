#pragma once
// The formatting toolbar's buttons and their pictures, free of Win32 so that the geometry can be
// checked anywhere. The pictures are strokes on a 20 x 20 design grid; whoever draws them maps
// the grid onto the button and supplies a canvas.
#include <span>
#include <string_view>

namespace tavrel::win {

// One toolbar entry; a separator has command id 0. Texts are UTF-8.
struct ToolbarEntry {
  int command_id = 0;
  int width_dip = 0;
  bool one_pixel = false;  // a separator whose width is exactly one pixel at every DPI
  std::string_view tooltip_en;
  std::string_view tooltip_vi;
  std::string_view label_en;  // drawn beside the icon; empty: icon only
  std::string_view label_vi;
};

std::span<const ToolbarEntry> toolbar_entries();
const ToolbarEntry* find_toolbar_entry(int command_id);  // null for separators and strangers

// The entry's width in pixels at `dpi`.
int toolbar_entry_width(const ToolbarEntry& entry, int dpi);

std::string_view toolbar_tooltip(int command_id, bool vietnamese);  // empty when unknown
std::string_view toolbar_label(int command_id, bool vietnamese);    // empty: no label

inline constexpr float icon_pen_width = 1.65f;
inline constexpr float icon_design_size = 20.0f;

struct IconPoint {
  float x = 0;
  float y = 0;
};

// What an icon asks of whoever draws it. Every call is one stroke with the current pen.
class IconCanvas {
 public:
  virtual ~IconCanvas() = default;
  virtual void line(IconPoint from, IconPoint to) = 0;
  virtual void rect(float left, float top, float width, float height) = 0;
  virtual void ellipse(float left, float top, float width, float height) = 0;
  virtual void curve(IconPoint p0, IconPoint p1, IconPoint p2, IconPoint p3) = 0;
  virtual void pen_width(float width) = 0;
  virtual void pen_accent() = 0;  // from now on the pen takes the accent colour
};

// Draws the picture of `command_id`; an id without a picture draws nothing.
void draw_icon_strokes(IconCanvas& canvas, int command_id);

}  // namespace tavrel::win
