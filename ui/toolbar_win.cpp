// The formatting toolbar: its buttons, and each button painted at custom-draw time with a
// picture stroked by GDI+ in the theme's colours, so it stays sharp at every DPI.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>

#include "core/app_win.h"
#include "core/text_convert.h"
#include "ui/main_window_win.h"
#include "ui/palette.h"
#include "ui/gdiplus_win.h"
#include "ui/toolbar_model.h"
#include "ui/toolbar_win.h"

namespace tavrel::win {

namespace {

Gdiplus::Color gdiplus_colour(COLORREF colour) {
  return Gdiplus::Color(255, GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

// Turns the picture's strokes into GDI+ calls; a failing call only loses its own stroke.
class GdiplusCanvas final : public IconCanvas {
 public:
  GdiplusCanvas(Gdiplus::Graphics& graphics, COLORREF colour, COLORREF accent)
      : graphics_(graphics), pen_(gdiplus_colour(colour), icon_pen_width), accent_(accent) {
    pen_.SetLineCap(Gdiplus::LineCapRound, Gdiplus::LineCapRound, Gdiplus::DashCapRound);
    pen_.SetLineJoin(Gdiplus::LineJoinRound);
  }

  void line(IconPoint a, IconPoint b) override { graphics_.DrawLine(&pen_, a.x, a.y, b.x, b.y); }
  void rect(float x, float y, float w, float h) override {
    graphics_.DrawRectangle(&pen_, x, y, w, h);
  }
  void ellipse(float x, float y, float w, float h) override {
    graphics_.DrawEllipse(&pen_, x, y, w, h);
  }
  void curve(IconPoint a, IconPoint b, IconPoint c, IconPoint d) override {
    graphics_.DrawBezier(&pen_, a.x, a.y, b.x, b.y, c.x, c.y, d.x, d.y);
  }
  void pen_width(float width) override { pen_.SetWidth(width); }
  void pen_accent() override { pen_.SetColor(gdiplus_colour(accent_)); }

 private:
  Gdiplus::Graphics& graphics_;
  Gdiplus::Pen pen_;
  COLORREF accent_;
};

void add_separator(App& app, const ToolbarEntry& entry) {
  TBBUTTON button{};
  button.iBitmap = toolbar_entry_width(entry, app.dpi);
  button.fsStyle = BTNS_SEP;
  SendMessageW(app.toolbar, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
}

// The label sits between the icon (9 + 20 + 7 DIP from the left) and a 7 DIP right margin. In
// a font wider than the one the widths were designed for, "Open" would shrink to "O...": such a
// button grows until its label fits.
int label_fit_width(const App& app, int command_id) {
  const std::wstring label = to_wide(toolbar_label(command_id, app.vietnamese));
  if (label.empty() || app.ui_font == nullptr) return 0;
  const HDC dc = GetDC(app.toolbar);
  if (dc == nullptr) return 0;
  const HGDIOBJ previous = SelectObject(dc, app.ui_font);
  SIZE extent{};
  const bool measured =
      GetTextExtentPoint32W(dc, label.c_str(), static_cast<int>(label.size()), &extent) != FALSE;
  SelectObject(dc, previous);
  ReleaseDC(app.toolbar, dc);
  return measured ? app.scale(9 + 20 + 7 + 7) + extent.cx + 1 : 0;
}

}  // namespace

void add_toolbar_button(App& app, int command_id, int width_dip) {
  const std::wstring tooltip = to_wide(toolbar_tooltip(command_id, app.vietnamese));
  TBBUTTON button{};
  button.iBitmap = I_IMAGENONE;
  button.idCommand = command_id;
  button.fsState = TBSTATE_ENABLED;
  button.fsStyle = BTNS_BUTTON;
  button.iString = reinterpret_cast<INT_PTR>(tooltip.c_str());
  SendMessageW(app.toolbar, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
  TBBUTTONINFOW info{};
  info.cbSize = sizeof(info);
  info.dwMask = TBIF_SIZE;
  info.cx = static_cast<WORD>(std::max(app.scale(width_dip), label_fit_width(app, command_id)));
  SendMessageW(app.toolbar, TB_SETBUTTONINFOW, static_cast<WPARAM>(command_id),
               reinterpret_cast<LPARAM>(&info));
}

void draw_toolbar_icon(Gdiplus::Graphics& graphics, int command_id, COLORREF colour,
                       COLORREF accent) {
  GdiplusCanvas canvas(graphics, colour, accent);
  draw_icon_strokes(canvas, command_id);
}

void App::rebuild_toolbar() {
  if (toolbar == nullptr) return;
  while (SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0) > 0) {
    SendMessageW(toolbar, TB_DELETEBUTTON, 0, 0);
  }
  SendMessageW(toolbar, TB_SETPADDING, 0, MAKELPARAM(scale(14), scale(8)));
  SendMessageW(toolbar, TB_SETINDENT, static_cast<WPARAM>(scale(14)), 0);
  for (const ToolbarEntry& entry : toolbar_entries()) {
    if (entry.command_id == 0) {
      add_separator(*this, entry);
    } else {
      add_toolbar_button(*this, entry.command_id, entry.width_dip);
    }
  }
  SendMessageW(toolbar, TB_SETBUTTONSIZE, 0, MAKELPARAM(scale(34), scale(34)));
  SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
  SendMessageW(toolbar, TB_CHECKBUTTON, 131, MAKELPARAM(view_mode == 1, 0));
  SendMessageW(toolbar, TB_CHECKBUTTON, 136, MAKELPARAM(sidebar, 0));
  InvalidateRect(toolbar, nullptr, TRUE);
}

void App::draw_toolbar_item(NMCUSTOMDRAW& draw) {
  const bool gdiplus = ensure_gdiplus();
  const int id = static_cast<int>(draw.dwItemSpec);
  const UINT state = draw.uItemState;
  const bool active = (state & (CDIS_SELECTED | CDIS_CHECKED | CDIS_HOT)) != 0;
  const bool disabled = (state & CDIS_DISABLED) != 0;
  const RECT& rc = draw.rc;
  SetDCBrushColor(draw.hdc, palette[active ? palette_accent_fill : palette_background]);
  FillRect(draw.hdc, &rc, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));

  const std::wstring label = to_wide(toolbar_label(id, vietnamese));
  const COLORREF ink = disabled ? palette[palette_muted_text]
                                : (active ? palette[palette_accent] : palette[palette_text]);
  const int s = scale(20);
  const int left = label.empty() ? (rc.left + rc.right - s) / 2 : rc.left + scale(9);
  const int top = (rc.top + rc.bottom - s) / 2;
  if (gdiplus) {
    Gdiplus::Graphics graphics(draw.hdc);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics.TranslateTransform(static_cast<float>(left), static_cast<float>(top));
    const float factor = static_cast<float>(s) / icon_design_size;
    graphics.ScaleTransform(factor, factor);
    draw_toolbar_icon(graphics, id, ink, palette[palette_accent]);
  }
  if (label.empty()) return;
  RECT text_rect = rc;
  text_rect.left = left + s + scale(7);
  text_rect.right -= scale(7);
  const HGDIOBJ old_font = SelectObject(draw.hdc, ui_font);
  SetBkMode(draw.hdc, TRANSPARENT);
  SetTextColor(draw.hdc, ink);
  DrawTextW(draw.hdc, label.c_str(), -1, &text_rect, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
  SelectObject(draw.hdc, old_font);
}

}  // namespace tavrel::win
