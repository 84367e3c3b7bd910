// The main window's own painting between its child controls: backgrounds, the tab band, pane
// headers and the 1-pixel rules, plus the rule under the menu bar in the non-client area.
#include <windows.h>

#include "ui/main_window_win.h"
#include "ui/paint_win.h"
#include "ui/theme_win.h"

namespace tavrel::win {
namespace {

RECT to_win_rect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// A 1-pixel pen of the border colour, selected while it lives.
class RulePen {
 public:
  RulePen(HDC dc, COLORREF colour) : dc_(dc), pen_(CreatePen(PS_SOLID, 1, colour)) {
    if (pen_ != nullptr) previous_ = SelectObject(dc_, pen_);
  }
  ~RulePen() {
    if (pen_ == nullptr) return;
    SelectObject(dc_, previous_);
    DeleteObject(pen_);
  }
  RulePen(const RulePen&) = delete;
  RulePen& operator=(const RulePen&) = delete;

 private:
  HDC dc_;
  HPEN pen_;
  HGDIOBJ previous_ = nullptr;
};

void paint_plan(const App& app, HDC dc, const PanePaintPlan& plan) {
  for (const PaneFill& fill : plan.fills) {
    const RECT rect = to_win_rect(fill.rect);
    if (fill.colour == palette_surface && app.surface_brush != nullptr) {
      FillRect(dc, &rect, app.surface_brush);
    } else {
      fill_colour(dc, rect, app.palette[fill.colour]);
    }
  }
  for (const PaneHeader& header : plan.headers) {
    draw_label(dc, to_win_rect(header.rect), header.text, app.palette[palette_muted_text],
               app.ui_bold_font, kSingleLine);
  }
  const RulePen pen(dc, app.palette[palette_border]);
  for (const PaneRule& rule : plan.rules) {
    MoveToEx(dc, rule.x1, rule.y1, nullptr);
    LineTo(dc, rule.x2, rule.y2);
  }
}

}  // namespace

void draw_label(HDC dc, RECT rect, const std::wstring& text, COLORREF colour, HFONT font,
                UINT flags) {
  const HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  DrawTextW(dc, text.c_str(), -1, &rect, flags | DT_NOPREFIX);
  if (previous != nullptr) SelectObject(dc, previous);
}

void fill_colour(HDC dc, const RECT& rect, COLORREF colour) {
  const COLORREF previous = SetDCBrushColor(dc, colour);
  FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  SetDCBrushColor(dc, previous);
}

void App::paint_panes() {
  const PaintScope paint(main_window);
  const HDC dc = paint.dc();
  if (dc == nullptr) return;
  FillRect(dc, &paint.client(),
           background_brush != nullptr ? background_brush : GetSysColorBrush(COLOR_WINDOW));
  if (ui_font == nullptr) return;  // before the first theme only the background shows
  paint_plan(*this, dc, plan_pane_paint(layout_input(*this), vietnamese));
}

void App::paint_menu_bar_rule() {
  if (background_brush == nullptr || main_window == nullptr) return;
  MENUBARINFO bar{};
  bar.cbSize = sizeof(bar);
  if (!GetMenuBarInfo(main_window, OBJID_MENU, 0, &bar)) return;
  RECT window{};
  GetWindowRect(main_window, &window);
  RECT rule = bar.rcBar;
  OffsetRect(&rule, -window.left, -window.top);
  rule.top = rule.bottom;
  rule.bottom = rule.top + 1;
  const HDC dc = GetWindowDC(main_window);
  if (dc == nullptr) return;
  fill_colour(dc, rule, palette[palette_border]);
  ReleaseDC(main_window, dc);
}

}  // namespace tavrel::win
