#include "ui/layout.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace tavrel::win;

namespace {

struct PaneExpect {
  Pane pane;
  std::optional<Rect> rect;  // nullopt: the window keeps where it is
  bool shown;
};

struct Edges {
  int left, right, top, bottom, split, panes_top, editor_right;
};

struct LayoutCase {
  std::string name;
  LayoutInput input;
  Edges edges;
  std::vector<PaneExpect> panes;
};

LayoutInput split_view(int width, int height, int dpi) {
  LayoutInput in;
  in.width = width;
  in.height = height;
  in.dpi = dpi;
  in.sidebar = true;
  in.outline = true;
  in.view_mode = 1;
  in.split_percent = 50;
  return in;
}

LayoutInput with_find(LayoutInput in, bool replace) {
  in.find_bar_visible = true;
  in.find_replace_mode = replace;
  return in;
}

std::string describe(Pane pane) { return "pane " + std::to_string(static_cast<int>(pane)); }

std::vector<LayoutCase> layout_cases() {
  std::vector<LayoutCase> cases;
  cases.push_back({"split view at 96 DPI",
                   split_view(1280, 800, 96),
                   {232, 1074, 90, 770, 653, 128, 650},
                   {{Pane::Toolbar, Rect{0, 8, 1280, 48}, true},
                    {Pane::DocumentTabs, Rect{232, 50, 1074, 90}, true},
                    {Pane::WorkspaceTree, Rect{14, 88, 214, 758}, true},
                    {Pane::OutlineList, Rect{1082, 88, 1272, 758}, true},
                    {Pane::FindEdit, std::nullopt, false},
                    {Pane::CloseFind, std::nullopt, false},
                    {Pane::ActiveEditor, Rect{250, 128, 642, 758}, true},
                    {Pane::Preview, Rect{674, 128, 1056, 758}, true},
                    {Pane::WebHost, Rect{674, 128, 1056, 758}, false},
                    {Pane::StatusBar, Rect{0, 770, 1280, 800}, true}}});
  // 120 DPI makes many lengths land on halves, which round away from zero as MulDiv does.
  cases.push_back({"split view at 120 DPI",
                   split_view(1600, 1000, 120),
                   {290, 1342, 113, 962, 816, 161, 812},
                   {{Pane::Toolbar, Rect{0, 10, 1600, 60}, true},
                    {Pane::DocumentTabs, Rect{290, 63, 1342, 113}, true},
                    {Pane::WorkspaceTree, Rect{18, 110, 268, 947}, true},
                    {Pane::OutlineList, Rect{1352, 110, 1590, 947}, true},
                    {Pane::ActiveEditor, Rect{313, 161, 802, 947}, true},
                    {Pane::Preview, Rect{842, 161, 1319, 947}, true},
                    {Pane::StatusBar, Rect{0, 962, 1600, 1000}, true}}});
  cases.push_back({"split view at 144 DPI",
                   split_view(1920, 1200, 144),
                   {348, 1611, 135, 1155, 979, 192, 974},
                   {{Pane::Toolbar, Rect{0, 12, 1920, 72}, true},
                    {Pane::DocumentTabs, Rect{348, 75, 1611, 135}, true},
                    {Pane::WorkspaceTree, Rect{21, 132, 321, 1137}, true},
                    {Pane::OutlineList, Rect{1623, 132, 1908, 1137}, true},
                    {Pane::ActiveEditor, Rect{375, 192, 962, 1137}, true},
                    {Pane::Preview, Rect{1011, 192, 1584, 1137}, true},
                    {Pane::StatusBar, Rect{0, 1155, 1920, 1200}, true}}});
  cases.push_back({"replace row at 96 DPI",
                   with_find(split_view(1280, 800, 96), true),
                   {232, 1074, 90, 770, 653, 170, 650},
                   {{Pane::FindEdit, Rect{252, 128, 533, 158}, true},
                    {Pane::ReplaceEdit, Rect{541, 128, 822, 158}, true},
                    {Pane::MatchCase, Rect{830, 128, 874, 158}, true},
                    {Pane::Regex, Rect{876, 128, 918, 158}, true},
                    {Pane::FindNext, Rect{920, 128, 954, 158}, true},
                    {Pane::ReplaceOne, Rect{958, 128, 992, 158}, true},
                    {Pane::ReplaceAll, Rect{996, 128, 1050, 158}, true},
                    {Pane::CloseFind, Rect{1054, 128, 1088, 158}, true},
                    {Pane::ActiveEditor, Rect{250, 170, 642, 758}, true},
                    {Pane::Preview, Rect{674, 170, 1056, 758}, true}}});
  cases.push_back({"replace row at 144 DPI",
                   with_find(split_view(1920, 1200, 144), true),
                   {348, 1611, 135, 1155, 979, 255, 974},
                   {{Pane::FindEdit, Rect{378, 192, 799, 237}, true},
                    {Pane::ReplaceEdit, Rect{811, 192, 1232, 237}, true},
                    {Pane::MatchCase, Rect{1244, 192, 1310, 237}, true},
                    {Pane::Regex, Rect{1313, 192, 1376, 237}, true},
                    {Pane::FindNext, Rect{1379, 192, 1430, 237}, true},
                    {Pane::ReplaceOne, Rect{1436, 192, 1487, 237}, true},
                    {Pane::ReplaceAll, Rect{1493, 192, 1574, 237}, true},
                    {Pane::CloseFind, Rect{1580, 192, 1631, 237}, true},
                    {Pane::ActiveEditor, Rect{375, 255, 962, 1137}, true}}});
  // Find only: the replace controls are hidden where they are and take no room in the row.
  cases.push_back({"find row at 144 DPI, outline too narrow",
                   with_find(split_view(1280, 800, 144), false),
                   {348, 1280, 135, 755, 814, 255, 809},
                   {{Pane::OutlineList, Rect{1292, 132, 1577, 737}, false},
                    {Pane::FindEdit, Rect{378, 192, 890, 237}, true},
                    {Pane::ReplaceEdit, std::nullopt, false},
                    {Pane::MatchCase, Rect{902, 192, 968, 237}, true},
                    {Pane::Regex, Rect{971, 192, 1034, 237}, true},
                    {Pane::FindNext, Rect{1037, 192, 1088, 237}, true},
                    {Pane::ReplaceOne, std::nullopt, false},
                    {Pane::ReplaceAll, std::nullopt, false},
                    {Pane::CloseFind, Rect{1094, 192, 1145, 237}, true},
                    {Pane::ActiveEditor, Rect{375, 255, 797, 737}, true}}});
  LayoutInput df = with_find(split_view(1280, 800, 96), false);
  df.distraction_free = true;
  df.view_mode = 0;
  cases.push_back({"distraction-free editor",
                   df,
                   {0, 1280, 0, 770, 640, 16, 1280},
                   {{Pane::Toolbar, Rect{0, 8, 1280, 48}, false},
                    {Pane::DocumentTabs, Rect{0, 50, 1280, 90}, false},
                    {Pane::WorkspaceTree, Rect{14, 88, 214, 758}, false},
                    {Pane::OutlineList, Rect{1288, 88, 1478, 758}, false},
                    {Pane::FindEdit, std::nullopt, false},
                    {Pane::ActiveEditor, Rect{18, 16, 1272, 758}, true},
                    {Pane::Preview, Rect{661, 16, 1262, 758}, false},
                    {Pane::StatusBar, Rect{0, 770, 1280, 800}, true}}});
  LayoutInput editor_only = split_view(1280, 800, 120);
  editor_only.outline = false;
  editor_only.view_mode = 0;
  cases.push_back({"editor only at 120 DPI",
                   editor_only,
                   {290, 1280, 113, 762, 785, 161, 1280},
                   {{Pane::OutlineList, Rect{1290, 110, 1528, 747}, false},
                    {Pane::ActiveEditor, Rect{313, 161, 1270, 747}, true},
                    {Pane::Preview, Rect{811, 161, 1257, 747}, false},
                    {Pane::WebHost, Rect{811, 161, 1257, 747}, false}}});
  LayoutInput narrow = split_view(1366, 768, 120);
  narrow.sidebar = false;
  narrow.split_percent = 75;
  cases.push_back({"no sidebar, split at 75 percent",
                   narrow,
                   {0, 1108, 113, 730, 831, 161, 827},
                   {{Pane::DocumentTabs, Rect{0, 63, 1108, 113}, true},
                    {Pane::WorkspaceTree, Rect{18, 110, 268, 715}, false},
                    {Pane::ActiveEditor, Rect{23, 161, 817, 715}, true},
                    {Pane::Preview, Rect{857, 161, 1085, 715}, true}}});
  // A window smaller than the fixed parts: nothing may get a negative width or height.
  cases.push_back({"tiny client area",
                   split_view(200, 50, 96),
                   {232, 200, 90, 20, 216, 128, 213},
                   {{Pane::DocumentTabs, Rect{232, 50, 232, 90}, true},
                    {Pane::WorkspaceTree, Rect{14, 88, 214, 88}, true},
                    {Pane::ActiveEditor, Rect{250, 128, 270, 148}, true},
                    {Pane::Preview, Rect{237, 128, 257, 148}, true},
                    {Pane::StatusBar, Rect{0, 20, 200, 50}, true}}});
  return cases;
}

}  // namespace

TEST(LayoutGeometry, MatchesTheDesignedTables) {
  for (const LayoutCase& c : layout_cases()) {
    SCOPED_TRACE(c.name);
    const Layout layout = compute_layout(c.input);
    EXPECT_EQ(layout.left, c.edges.left);
    EXPECT_EQ(layout.right, c.edges.right);
    EXPECT_EQ(layout.top, c.edges.top);
    EXPECT_EQ(layout.bottom, c.edges.bottom);
    EXPECT_EQ(layout.split, c.edges.split);
    EXPECT_EQ(layout.panes_top, c.edges.panes_top);
    EXPECT_EQ(layout.editor_right, c.edges.editor_right);
    for (const PaneExpect& p : c.panes) {
      SCOPED_TRACE(describe(p.pane));
      EXPECT_EQ(layout.at(p.pane).rect, p.rect);
      EXPECT_EQ(layout.at(p.pane).shown, p.shown);
    }
  }
}

TEST(LayoutGeometry, OutlineNeedsMoreThan960DesignPixels) {
  struct Threshold {
    int dpi;
    int hidden_width;
  };
  for (const Threshold t : {Threshold{96, 960}, Threshold{120, 1200}, Threshold{144, 1440}}) {
    SCOPED_TRACE(t.dpi);
    const Layout at_limit = compute_layout(split_view(t.hidden_width, 800, t.dpi));
    EXPECT_FALSE(at_limit.outline_shown);
    EXPECT_FALSE(at_limit.at(Pane::OutlineList).shown);
    EXPECT_EQ(at_limit.right, t.hidden_width);
    const Layout wider = compute_layout(split_view(t.hidden_width + 1, 800, t.dpi));
    EXPECT_TRUE(wider.outline_shown);
    EXPECT_TRUE(wider.at(Pane::OutlineList).shown);
    EXPECT_EQ(wider.right, t.hidden_width + 1 - scale_for_dpi(206, t.dpi));
  }
}

TEST(LayoutGeometry, DistractionFreeSplitViewKeepsOnlyDocumentPanes) {
  LayoutInput in = split_view(1280, 800, 96);
  in.distraction_free = true;
  in.find_bar_visible = true;
  const Layout layout = compute_layout(in);
  for (std::size_t i = 0; i < kPaneCount; ++i) {
    const auto pane = static_cast<Pane>(i);
    const bool expected =
        pane == Pane::ActiveEditor || pane == Pane::Preview || pane == Pane::StatusBar;
    EXPECT_EQ(layout.at(pane).shown, expected) << describe(pane);
  }
  EXPECT_EQ(layout.at(Pane::ActiveEditor).rect->top, 16);
}

TEST(LayoutGeometry, WebViewTakesThePaneItReplaces) {
  LayoutInput in = split_view(1280, 800, 96);
  in.web_host_exists = true;
  in.web_preview = true;

  in.view_mode = 3;
  Layout layout = compute_layout(in);
  EXPECT_FALSE(layout.at(Pane::ActiveEditor).shown);
  EXPECT_FALSE(layout.at(Pane::Preview).shown);
  EXPECT_TRUE(layout.at(Pane::WebHost).shown);
  EXPECT_EQ(layout.at(Pane::WebHost).rect, (Rect{250, 128, 1066, 758}));

  in.view_mode = 1;
  layout = compute_layout(in);
  EXPECT_TRUE(layout.at(Pane::ActiveEditor).shown);
  EXPECT_FALSE(layout.at(Pane::Preview).shown);
  EXPECT_TRUE(layout.at(Pane::WebHost).shown);
  EXPECT_EQ(layout.at(Pane::WebHost).rect, layout.at(Pane::Preview).rect);

  in.view_mode = 0;
  layout = compute_layout(in);
  EXPECT_FALSE(layout.web_visible);
  EXPECT_FALSE(layout.at(Pane::WebHost).shown);

  // Without the advanced preview switched on the visual editor falls back to the native editor.
  in.view_mode = 3;
  in.web_preview = false;
  layout = compute_layout(in);
  EXPECT_TRUE(layout.at(Pane::ActiveEditor).shown);
  EXPECT_FALSE(layout.at(Pane::WebHost).shown);
  in.web_preview = true;
  in.web_host_exists = false;
  EXPECT_TRUE(compute_layout(in).at(Pane::ActiveEditor).shown);
}

TEST(LayoutGeometry, PaneIdsFollowTheControlTable) {
  EXPECT_EQ(pane_control_id(Pane::Toolbar), 10);
  EXPECT_EQ(pane_control_id(Pane::DocumentTabs), 11);
  EXPECT_EQ(pane_control_id(Pane::StatusBar), 14);
  EXPECT_EQ(pane_control_id(Pane::FindEdit), 16);
  EXPECT_EQ(pane_control_id(Pane::CloseFind), 23);
  EXPECT_EQ(pane_control_id(Pane::Preview), 30);
  EXPECT_EQ(pane_control_id(Pane::ActiveEditor), 0);
  EXPECT_EQ(pane_control_id(Pane::WebHost), 0);
}

TEST(Splitter, HitZoneIsSevenPixelsEitherSideAtDesignSize) {
  const LayoutInput in = split_view(1280, 800, 96);  // split line at 653
  EXPECT_TRUE(splitter_hit(in, 653));
  EXPECT_TRUE(splitter_hit(in, 646));
  EXPECT_TRUE(splitter_hit(in, 660));
  EXPECT_FALSE(splitter_hit(in, 645));
  EXPECT_FALSE(splitter_hit(in, 661));

  const LayoutInput large = split_view(1920, 1200, 144);  // split line at 979, zone 12
  EXPECT_TRUE(splitter_hit(large, 979 - 11));
  EXPECT_TRUE(splitter_hit(large, 979 + 11));
  EXPECT_FALSE(splitter_hit(large, 979 - 12));
  EXPECT_FALSE(splitter_hit(large, 979 + 12));
}

TEST(Splitter, NoDragOutsideTheSplitView) {
  LayoutInput in = split_view(1280, 800, 96);
  for (int mode : {0, 3}) {
    in.view_mode = mode;
    EXPECT_FALSE(splitter_hit(in, 653)) << mode;
  }
}

TEST(Splitter, PercentTruncatesAndClamps) {
  const LayoutInput in = split_view(1280, 800, 96);  // L 232, R 1074, span 842
  EXPECT_EQ(split_percent_at(in, 653), 50);
  EXPECT_EQ(split_percent_at(in, 660), 50);  // 50.8 truncates
  EXPECT_EQ(split_percent_at(in, 661), 50);
  EXPECT_EQ(split_percent_at(in, 662), 51);
  EXPECT_EQ(split_percent_at(in, 232 + 842 * 30 / 100), 29);  // 29.93
  EXPECT_EQ(split_percent_at(in, 0), 25);
  EXPECT_EQ(split_percent_at(in, -32768), 25);  // captured mouse far left of the window
  EXPECT_EQ(split_percent_at(in, 1280), 75);
  EXPECT_EQ(split_percent_at(in, 32767), 75);

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

TEST(TextMargins, InsetScalesWithDpi) {
  const Rect client{0, 0, 400, 300};
  EXPECT_EQ(padded_text_rect(client, 12, true, 96), (Rect{12, 8, 388, 292}));
  EXPECT_EQ(padded_text_rect(client, 18, false, 96), (Rect{18, 8, 382, 300}));
  EXPECT_EQ(padded_text_rect(client, 12, true, 144), (Rect{18, 12, 382, 288}));
  EXPECT_EQ(padded_text_rect(client, 18, false, 120), (Rect{23, 10, 377, 300}));
  // The smallest editor is narrower than its two margins: the text area collapses, never inverts.
  const Rect tiny = padded_text_rect(Rect{0, 0, 20, 20}, 12, true, 96);
  EXPECT_EQ(tiny.width(), 0);
  EXPECT_GE(tiny.height(), 0);
}

TEST(WindowLimits, MinimumTrackingSizeScales) {
  EXPECT_EQ(minimum_window_size(96), (Size{850, 520}));
  EXPECT_EQ(minimum_window_size(120), (Size{1063, 650}));
  EXPECT_EQ(minimum_window_size(144), (Size{1275, 780}));
}

TEST(DpiScaling, RoundsLikeMulDiv) {
  EXPECT_EQ(mul_div(5, 1, 2), 3);
  EXPECT_EQ(mul_div(-5, 1, 2), -3);
  EXPECT_EQ(mul_div(7, 1, 2), 4);
  EXPECT_EQ(mul_div(206, 120, 96), 258);
  EXPECT_EQ(mul_div(21, 120, 96), 26);
  EXPECT_EQ(mul_div(5, -1, -2), 3);
  EXPECT_EQ(mul_div(1, 1, 0), -1);
  EXPECT_EQ(mul_div(0x7FFFFFFF, 2, 1), -1);
  EXPECT_EQ(scale_for_dpi(40, 0), 0);
}

TEST(WindowMoves, UnchangedWindowNeedsNoMove) {
  const Rect r{10, 20, 110, 220};
  EXPECT_FALSE(plan_window_move(r, true, PanePlacement{r, true}).has_value());
  EXPECT_FALSE(plan_window_move(r, false, PanePlacement{std::nullopt, false}).has_value());
}

TEST(WindowMoves, ReportsOnlyWhatChanges) {
  const Rect r{10, 20, 110, 220};
  auto moved = plan_window_move(r, true, PanePlacement{Rect{15, 20, 115, 220}, true});
  ASSERT_TRUE(moved);
  EXPECT_TRUE(moved->move);
  EXPECT_FALSE(moved->resize);
  EXPECT_EQ(moved->visibility, VisibilityChange::None);

  auto resized = plan_window_move(r, true, PanePlacement{Rect{10, 20, 110, 250}, true});
  ASSERT_TRUE(resized);
  EXPECT_FALSE(resized->move);
  EXPECT_TRUE(resized->resize);

  auto hidden = plan_window_move(r, true, PanePlacement{std::nullopt, false});
  ASSERT_TRUE(hidden);
  EXPECT_FALSE(hidden->move);
  EXPECT_FALSE(hidden->resize);
  EXPECT_EQ(hidden->visibility, VisibilityChange::Hide);

  auto shown = plan_window_move(r, false, PanePlacement{r, true});
  ASSERT_TRUE(shown);
  EXPECT_EQ(shown->visibility, VisibilityChange::Show);
}

TEST(WindowMoves, SecondPassOverAnAppliedLayoutMovesNothing) {
  for (int dpi : {96, 120, 144}) {
    const Layout layout = compute_layout(with_find(split_view(1600, 1000, dpi), true));
    for (const PanePlacement& p : layout.panes) {
      const Rect current = p.rect.value_or(Rect{1, 2, 3, 4});
      EXPECT_FALSE(plan_window_move(current, p.shown, p).has_value()) << dpi;
    }
  }
}
