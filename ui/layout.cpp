#include "ui/layout.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace tavrel::win {

int mul_div(int value, int numerator, int denominator) {
  if (denominator == 0) return -1;
  std::int64_t product = static_cast<std::int64_t>(value) * numerator;
  std::int64_t divisor = denominator;
  if (divisor < 0) {
    product = -product;
    divisor = -divisor;
  }
  const std::int64_t half = divisor / 2;
  const std::int64_t result =
      product >= 0 ? (product + half) / divisor : (product - half) / divisor;
  if (result > std::numeric_limits<int>::max() || result < -std::numeric_limits<int>::max()) {
    return -1;
  }
  return static_cast<int>(result);
}

int scale_for_dpi(int value, int dpi) { return mul_div(value, dpi, 96); }

int pane_control_id(Pane pane) {
  switch (pane) {
    case Pane::Toolbar:
      return 10;
    case Pane::DocumentTabs:
      return 11;
    case Pane::WorkspaceTree:
      return 12;
    case Pane::OutlineList:
      return 13;
    case Pane::FindEdit:
      return 16;
    case Pane::ReplaceEdit:
      return 17;
    case Pane::MatchCase:
      return 18;
    case Pane::Regex:
      return 19;
    case Pane::FindNext:
      return 20;
    case Pane::ReplaceOne:
      return 21;
    case Pane::ReplaceAll:
      return 22;
    case Pane::CloseFind:
      return 23;
    case Pane::Preview:
      return 30;
    case Pane::StatusBar:
      return 14;
    case Pane::ActiveEditor:
    case Pane::WebHost:
      return 0;
  }
  return 0;
}

namespace {

// A width or height that would come out negative (a very small window) collapses to zero.
Rect make_rect(int left, int top, int right, int bottom) {
  return Rect{left, top, std::max(left, right), std::max(top, bottom)};
}

Rect sized_rect(int left, int top, int width, int height) {
  return make_rect(left, top, left + width, top + height);
}

// The editor share of the split, truncating toward zero; widened so that no percentage can
// overflow.
int split_position(int left, int right, int percent) {
  const std::int64_t span = static_cast<std::int64_t>(right) - left;
  return static_cast<int>(left + span * percent / 100);
}

struct Edges {
  int left;
  int right;
  bool sidebar_shown;
  bool outline_shown;
};

Edges column_edges(const LayoutInput& in) {
  const bool df = in.distraction_free;
  Edges e{};
  e.sidebar_shown = in.sidebar && !df;
  e.outline_shown = in.outline && !df && in.width > scale_for_dpi(960, in.dpi);
  e.left = e.sidebar_shown ? scale_for_dpi(232, in.dpi) : 0;
  e.right = e.outline_shown ? in.width - scale_for_dpi(206, in.dpi) : in.width;
  return e;
}

// The find row after the find box, left to right: each window's width and the step from its left
// edge to the next window's, at 96 DPI. Width 0 is the replace box: as wide as the find box, its
// step counted from its right edge.
struct RowItem {
  Pane pane;
  int width;
  int step;
  bool replace_only;
};
constexpr RowItem kFindRowTail[] = {
    {Pane::ReplaceEdit, 0, 8, true},  {Pane::MatchCase, 44, 46, false},
    {Pane::Regex, 42, 44, false},     {Pane::FindNext, 34, 38, false},
    {Pane::ReplaceOne, 34, 38, true}, {Pane::ReplaceAll, 54, 58, true},
    {Pane::CloseFind, 34, 34, false},
};

// The boxes share what the buttons leave of the document area, so that the row ends where the
// panes below it end, never over the outline or past the window; only a window too small for
// the boxes' least width lets the row run on.
void place_find_row(const LayoutInput& in, Layout& out) {
  const auto s = [&](int v) { return scale_for_dpi(v, in.dpi); };
  if (!out.find_row_shown) {
    out.at(Pane::FindEdit) = PanePlacement{std::nullopt, false};
    for (const RowItem& item : kFindRowTail) {
      out.at(item.pane) = PanePlacement{std::nullopt, false};
    }
    return;
  }
  const bool replace = in.find_replace_mode;
  const auto in_row = [&](const RowItem& item) { return replace || !item.replace_only; };
  const int n = replace ? 2 : 1;
  int fixed = s(28) + s(18);  // before the second field, and the panes' right margin
  for (const RowItem& item : kFindRowTail) {
    if (in_row(item)) fixed += s(item.step);
  }
  const int designed = (out.right - s(280) - out.left) / n;
  const int fitting = (out.right - out.left - fixed) / n;
  const int e = std::max(s(100), std::min(designed, fitting));
  const int y0 = out.top + s(38);
  out.at(Pane::FindEdit) = PanePlacement{sized_rect(out.left + s(20), y0, e, s(30)), true};
  int x = out.left + e + s(28);
  for (const RowItem& item : kFindRowTail) {
    if (!in_row(item)) {
      out.at(item.pane) = PanePlacement{std::nullopt, false};
      continue;
    }
    const int width = item.width == 0 ? e : s(item.width);
    out.at(item.pane) = PanePlacement{sized_rect(x, y0, width, s(30)), true};
    x += (item.width == 0 ? e : 0) + s(item.step);
  }
}

void place_document_panes(const LayoutInput& in, Layout& out) {
  const auto s = [&](int v) { return scale_for_dpi(v, in.dpi); };
  const int L = out.left;
  const int Y = out.panes_top;
  const int editor_width = std::max(s(20), out.editor_right - L - s(26));
  const int editor_height = std::max(s(20), out.bottom - Y - s(12));
  const Rect editor = sized_rect(L + s(18), Y, editor_width, editor_height);

  const int S = out.split;
  const int preview_left = S + s(21);
  const Rect preview = make_rect(
      preview_left, Y, preview_left + std::max(s(20), out.right - S - s(39)), editor.bottom);

  const bool visual_editor = in.view_mode == 3;
  out.at(Pane::ActiveEditor) = PanePlacement{editor, !(out.web_visible && visual_editor)};
  out.at(Pane::Preview) = PanePlacement{preview, in.view_mode == 1 && !out.web_visible};
  out.at(Pane::WebHost) = PanePlacement{visual_editor ? editor : preview, out.web_visible};
}

}  // namespace

Layout compute_layout(const LayoutInput& in) {
  const auto s = [&](int v) { return scale_for_dpi(v, in.dpi); };
  const bool df = in.distraction_free;
  const int W = in.width;
  const int H = in.height;

  Layout out;
  const Edges edges = column_edges(in);
  out.sidebar_shown = edges.sidebar_shown;
  out.outline_shown = edges.outline_shown;
  out.left = edges.left;
  out.right = edges.right;
  out.top = df ? 0 : s(90);
  out.bottom = H - s(30);
  out.split = split_position(out.left, out.right, in.split_percent);
  out.web_visible =
      in.web_host_exists && in.web_preview && (in.view_mode == 1 || in.view_mode == 3);
  out.find_row_shown = in.find_bar_visible && !df;
  out.panes_top = out.top + (df ? s(16) : s(38)) + (out.find_row_shown ? s(42) : 0);
  out.editor_right = in.view_mode == 1 ? out.split - s(3) : out.right;

  const int L = out.left;
  const int R = out.right;
  const int B = out.bottom;
  out.at(Pane::Toolbar) = PanePlacement{sized_rect(0, s(8), W, s(40)), !df};
  out.at(Pane::DocumentTabs) = PanePlacement{make_rect(L, s(50), R, s(50) + s(40)), !df};
  out.at(Pane::WorkspaceTree) =
      PanePlacement{make_rect(s(14), s(88), s(14) + s(200), s(88) + B - s(100)), out.sidebar_shown};
  out.at(Pane::OutlineList) = PanePlacement{
      make_rect(R + s(8), s(88), R + s(8) + s(190), s(88) + B - s(100)), out.outline_shown};
  place_find_row(in, out);
  place_document_panes(in, out);
  out.at(Pane::StatusBar) = PanePlacement{sized_rect(0, B, W, s(30)), true};
  return out;
}

bool splitter_hit(const LayoutInput& input, int x) {
  if (input.view_mode != 1) return false;
  const Edges edges = column_edges(input);
  const int split = split_position(edges.left, edges.right, input.split_percent);
  return std::llabs(static_cast<long long>(x) - split) < scale_for_dpi(8, input.dpi);
}

int split_percent_at(const LayoutInput& input, int x) {
  const Edges edges = column_edges(input);
  const std::int64_t span =
      std::max<std::int64_t>(static_cast<std::int64_t>(edges.right) - edges.left, 1);
  const std::int64_t percent = (static_cast<std::int64_t>(x) - edges.left) * 100 / span;
  return static_cast<int>(std::clamp<std::int64_t>(percent, kMinSplitPercent, kMaxSplitPercent));
}

Rect padded_text_rect(const Rect& client, int side, bool bottom, int dpi) {
  const int inset = scale_for_dpi(side, dpi);
  const int top_inset = scale_for_dpi(8, dpi);
  return make_rect(client.left + inset, client.top + top_inset, client.right - inset,
                   client.bottom - (bottom ? top_inset : 0));
}

Size minimum_window_size(int dpi) { return Size{scale_for_dpi(850, dpi), scale_for_dpi(520, dpi)}; }

std::optional<WindowMove> plan_window_move(const Rect& current, bool visible,
                                           const PanePlacement& target) {
  const Rect wanted = target.rect.value_or(current);
  WindowMove move;
  move.move = wanted.left != current.left || wanted.top != current.top;
  move.resize = wanted.width() != current.width() || wanted.height() != current.height();
  if (visible != target.shown) {
    move.visibility = target.shown ? VisibilityChange::Show : VisibilityChange::Hide;
  }
  if (!move.move && !move.resize && move.visibility == VisibilityChange::None) return std::nullopt;
  return move;
}

}  // namespace tavrel::win
