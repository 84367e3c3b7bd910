#include "ui/layout.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

using namespace tavrel::win;

namespace {

LayoutInput split_view(int width, int height, int dpi) {
  LayoutInput in;
  in.width = width;
  in.height = height;
  in.dpi = dpi;
  in.outline = true;
  return in;
}

LayoutInput with_find(LayoutInput in, bool replace) {
  in.find_bar_visible = true;
  in.find_replace_mode = replace;
  return in;
}

// The edges, then every pane in order: its rectangle ("=" where the window stays) and "+" when
// shown, "-" when hidden.
std::string describe(const Layout& l) {
  std::ostringstream out;
  for (int edge : {l.left, l.right, l.top, l.bottom, l.split, l.panes_top, l.editor_right}) {
    out << edge << " ";
  }
  out << "|";
  for (const PanePlacement& p : l.panes) {
    if (p.rect) {
      out << " " << p.rect->left << "," << p.rect->top << "," << p.rect->right << ","
          << p.rect->bottom;
    } else {
      out << " =";
    }
    out << (p.shown ? "+" : "-");
  }
  return out.str();
}

}  // namespace

// The designed geometry; 120 DPI makes many lengths land on halves, which round away from zero.
TEST(LayoutGeometry, MatchesTheDesignedTables) {
  LayoutInput df = with_find(split_view(1280, 800, 96), true);
  df.distraction_free = true;  // only the document panes and the status bar stay
  LayoutInput editor_only = split_view(1280, 800, 120);
  editor_only.outline = false;
  editor_only.view_mode = 0;
  LayoutInput no_sidebar = split_view(1366, 768, 120);
  no_sidebar.sidebar = false;
  no_sidebar.split_percent = 75;
  const std::pair<LayoutInput, std::string> cases[] = {
      {split_view(1280, 800, 96),
       "232 1074 90 770 653 128 650 | 0,8,1280,48+ 232,50,1074,90+ "
       "14,88,214,758+ 1082,88,1272,758+ =- =- =- =- =- =- =- =- "
       "250,128,642,758+ 674,128,1056,758+ 674,128,1056,758- 0,770,1280,800+"},
      {with_find(split_view(1920, 1200, 144), true),
       "348 1611 135 1155 979 255 974 | 0,12,1920,72+ 348,75,1611,135+ "
       "21,132,321,1137+ 1623,132,1908,1137+ 378,192,799,237+ "
       "811,192,1232,237+ 1244,192,1310,237+ 1313,192,1376,237+ "
       "1379,192,1430,237+ 1436,192,1487,237+ 1493,192,1574,237+ "
       "1580,192,1631,237+ 375,255,962,1137+ 1011,255,1584,1137+ "
       "1011,255,1584,1137- 0,1155,1920,1200+"},
      // Find only, outline too narrow: the replace controls stay hidden where they are.
      {with_find(split_view(1280, 800, 144), false),
       "348 1280 135 755 814 255 809 | 0,12,1280,72+ 348,75,1280,135+ "
       "21,132,321,737+ 1292,132,1577,737- 378,192,890,237+ =- "
       "902,192,968,237+ 971,192,1034,237+ 1037,192,1088,237+ =- =- "
       "1094,192,1145,237+ 375,255,797,737+ 846,255,1253,737+ "
       "846,255,1253,737- 0,755,1280,800+"},
      {df,
       "0 1280 0 770 640 16 637 | 0,8,1280,48- 0,50,1280,90- 14,88,214,758- 1288,88,1478,758- "
       "=- =- =- =- =- =- =- =- 18,16,629,758+ 661,16,1262,758+ 661,16,1262,758- 0,770,1280,800+"},
      {editor_only,
       "290 1280 113 762 785 161 1280 | 0,10,1280,60+ 290,63,1280,113+ "
       "18,110,268,747+ 1290,110,1528,747- =- =- =- =- =- =- =- =- "
       "313,161,1270,747+ 811,161,1257,747- 811,161,1257,747- 0,762,1280,800+"},
      {no_sidebar,
       "0 1108 113 730 831 161 827 | 0,10,1366,60+ 0,63,1108,113+ "
       "18,110,268,715- 1118,110,1356,715+ =- =- =- =- =- =- =- =- "
       "23,161,817,715+ 857,161,1085,715+ 857,161,1085,715- 0,730,1366,768+"},
      // Smaller than the fixed parts: nothing may get a negative width or height, and the find
      // fields keep their least width.
      {with_find(split_view(200, 50, 96), true),
       "232 200 90 20 216 170 213 | 0,8,200,48+ 232,50,232,90+ 14,88,214,88+ 208,88,398,88- "
       "252,128,352,158+ 360,128,460,158+ 468,128,512,158+ 514,128,556,158+ 558,128,592,158+ "
       "596,128,630,158+ 634,128,688,158+ 692,128,726,158+ 250,170,270,190+ 237,170,257,190+ "
       "237,170,257,190- 0,20,200,50+"}};
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(describe(compute_layout(input)), expected) << input.width << " " << input.dpi;
  }
}

TEST(LayoutGeometry, OutlineNeedsMoreThan960DesignPixels) {
  for (const auto& [dpi, hidden_width] : {std::pair(96, 960), {120, 1200}, {144, 1440}}) {
    const Layout at_limit = compute_layout(split_view(hidden_width, 800, dpi));
    EXPECT_FALSE(at_limit.outline_shown || at_limit.at(Pane::OutlineList).shown) << dpi;
    EXPECT_EQ(at_limit.right, hidden_width);
    const Layout wider = compute_layout(split_view(hidden_width + 1, 800, dpi));
    EXPECT_TRUE(wider.outline_shown && wider.at(Pane::OutlineList).shown) << dpi;
    EXPECT_EQ(wider.right, hidden_width + 1 - scale_for_dpi(206, dpi));
  }
}

// Per view mode, advanced preview and web host: editor, preview and web host shown. Without the
// advanced preview or its host the visual editor falls back to the native editor.
TEST(LayoutGeometry, WebViewTakesThePaneItReplaces) {
  LayoutInput in = split_view(1280, 800, 96);
  for (const auto& [mode, web, host, shown] : {std::tuple(3, true, true, "--+"),
                                               {1, true, true, "+-+"},
                                               {0, true, true, "+--"},
                                               {3, false, true, "+--"},
                                               {3, true, false, "+--"}}) {
    in.view_mode = mode;
    in.web_preview = web;
    in.web_host_exists = host;
    const Layout layout = compute_layout(in);
    std::string text;
    for (Pane pane : {Pane::ActiveEditor, Pane::Preview, Pane::WebHost}) {
      text += layout.at(pane).shown ? "+" : "-";
    }
    EXPECT_EQ(text, shown) << mode << web << host;
    EXPECT_EQ(layout.web_visible, layout.at(Pane::WebHost).shown);
    const Rect web_rect = layout.at(Pane::WebHost).rect.value();
    const Rect expected_rect = mode == 1   ? layout.at(Pane::Preview).rect.value()
                               : mode == 3 ? Rect{250, 128, 1066, 758}
                                           : web_rect;
    EXPECT_EQ(web_rect, expected_rect);
  }
}

// Every window but the editors and the web host has a control id of its own.
TEST(LayoutGeometry, PaneControlIdsAreDistinct) {
  std::set<int> ids;
  for (std::size_t i = 0; i < kPaneCount; ++i) {
    const auto pane = static_cast<Pane>(i);
    const int id = pane_control_id(pane);
    EXPECT_EQ(id == 0, pane == Pane::ActiveEditor || pane == Pane::WebHost) << i;
    EXPECT_TRUE(id == 0 || ids.insert(id).second) << id;
  }
}

TEST(Splitter, HitZoneAndPercent) {
  const LayoutInput in = split_view(1280, 800, 96);  // L 232, R 1074, split line at 653
  for (const int x : {645, 646, 653, 660, 661}) {
    EXPECT_EQ(splitter_hit(in, x), x >= 646 && x <= 660) << x;
  }
  const LayoutInput large = split_view(1920, 1200, 144);  // split line at 979, zone 12
  EXPECT_TRUE(splitter_hit(large, 979 - 11) && splitter_hit(large, 979 + 11));
  EXPECT_FALSE(splitter_hit(large, 979 - 12) || splitter_hit(large, 979 + 12));
  for (int mode : {0, 3}) {
    LayoutInput other = in;
    other.view_mode = mode;
    EXPECT_FALSE(splitter_hit(other, 653)) << mode;
  }
  // Truncated, clamped to 25..75 also for a mouse captured far outside the window.
  const int percents[][2] = {{653, 50}, {661, 50},    {662, 51},  {484, 29},
                             {0, 25},   {-32768, 25}, {1280, 75}, {32767, 75}};
  for (const auto [x, percent] : percents) {
    EXPECT_EQ(split_percent_at(in, x), percent) << x;
  }
  LayoutInput collapsed = in;  // no room between the columns: the span counts as 1
  collapsed.width = 232;
  collapsed.outline = false;
  EXPECT_EQ(split_percent_at(collapsed, 232), 25);
  EXPECT_EQ(split_percent_at(collapsed, 233), 75);
}

TEST(Splitter, PercentRoundTripsThroughTheLayout) {
  for (int dpi : {96, 120, 144}) {
    LayoutInput in = split_view(scale_for_dpi(1280, dpi), scale_for_dpi(800, dpi), dpi);
    for (int percent = kMinSplitPercent; percent <= kMaxSplitPercent; ++percent) {
      in.split_percent = percent;
      const Layout layout = compute_layout(in);
      // Dropping the bar where the line already is must not creep it leftwards.
      EXPECT_EQ(split_percent_at(in, layout.split + 1), percent) << dpi << " " << percent;
      EXPECT_TRUE(splitter_hit(in, layout.split));
    }
  }
}

TEST(DpiScaling, MulDivMarginsAndWindowLimits) {
  const int mul_divs[][4] = {{5, 1, 2, 3},
                             {-5, 1, 2, -3},
                             {7, 1, 2, 4},
                             {206, 120, 96, 258},
                             {21, 120, 96, 26},
                             {5, -1, -2, 3},
                             {1, 1, 0, -1},
                             {0x7FFFFFFF, 2, 1, -1},
                             {-0x7FFFFFFF, 2, 1, -1},
                             {0x7FFFFFFF, 1, 1, 0x7FFFFFFF},
                             {-0x7FFFFFFF, 1, 1, -0x7FFFFFFF}};
  for (const auto& [value, numerator, denominator, result] : mul_divs) {
    EXPECT_EQ(mul_div(value, numerator, denominator), result) << value << "*" << numerator;
  }
  EXPECT_EQ(scale_for_dpi(40, 0), 0);
  const Rect client{0, 0, 400, 300};
  EXPECT_EQ(padded_text_rect(client, 12, true, 96), (Rect{12, 8, 388, 292}));
  EXPECT_EQ(padded_text_rect(client, 12, true, 144), (Rect{18, 12, 382, 288}));
  EXPECT_EQ(padded_text_rect(client, 18, false, 120), (Rect{23, 10, 377, 300}));
  // The smallest editor is narrower than its two margins: the text area collapses, never inverts.
  const Rect tiny = padded_text_rect(Rect{0, 0, 20, 20}, 12, true, 96);
  EXPECT_EQ(tiny.width(), 0);
  EXPECT_GE(tiny.height(), 0);
  EXPECT_EQ(minimum_window_size(96), (Size{850, 520}));
  EXPECT_EQ(minimum_window_size(120), (Size{1063, 650}));
}

TEST(WindowMoves, ReportsOnlyWhatChanges) {
  const Rect r{10, 20, 110, 220};
  EXPECT_FALSE(plan_window_move(r, true, PanePlacement{r, true}));
  EXPECT_FALSE(plan_window_move(r, false, PanePlacement{std::nullopt, false}));
  const auto plan = [&](bool visible, PanePlacement target) {
    const WindowMove m = plan_window_move(r, visible, target).value();
    return std::tuple(m.move, m.resize, m.visibility);
  };
  EXPECT_EQ(plan(true, {Rect{15, 20, 115, 220}, true}),
            std::tuple(true, false, VisibilityChange::None));
  EXPECT_EQ(plan(true, {Rect{10, 21, 110, 221}, true}),
            std::tuple(true, false, VisibilityChange::None));
  EXPECT_EQ(plan(true, {Rect{10, 20, 110, 250}, true}),
            std::tuple(false, true, VisibilityChange::None));
  EXPECT_EQ(plan(true, {Rect{10, 20, 111, 220}, true}),
            std::tuple(false, true, VisibilityChange::None));
  EXPECT_EQ(plan(true, {std::nullopt, false}), std::tuple(false, false, VisibilityChange::Hide));
  EXPECT_EQ(plan(false, {r, true}), std::tuple(false, false, VisibilityChange::Show));
  // A second pass over an applied layout moves nothing.
  for (int dpi : {96, 120, 144}) {
    for (const PanePlacement& p :
         compute_layout(with_find(split_view(1600, 1000, dpi), true)).panes) {
      EXPECT_FALSE(plan_window_move(p.rect.value_or(Rect{1, 2, 3, 4}), p.shown, p)) << dpi;
    }
  }
}
