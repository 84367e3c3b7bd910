#include "ui/layout.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "core/text_convert.h"
#include "ui/palette.h"
#include "ui/pane_paint.h"

using namespace tavrel::win;

namespace {

// Distinct system colours, so a role taken from the wrong one shows.
constexpr SystemColours kSystem{rgb(1, 1, 1), rgb(2, 2, 2), rgb(3, 3, 3), rgb(4, 4, 4)};

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

// The plan in painting order: fills with their palette index, headers, rules.
std::string describe(const PanePaintPlan& plan) {
  std::ostringstream out;
  const auto rect = [&](char kind, const Rect& r) {
    out << kind << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  };
  for (const PaneFill& f : plan.fills) rect('F', f.rect), out << "#" << f.colour << " ";
  for (const PaneHeader& h : plan.headers) rect('H', h.rect), out << " " << to_utf8(h.text) << " ";
  for (const PaneRule& r : plan.rules) rect('R', Rect{r.x1, r.y1, r.x2, r.y2}), out << " ";
  return out.str();
}

}  // namespace

// The designed geometry, and a window smaller than its fixed parts.
TEST(LayoutGeometry, MatchesTheDesignedTables) {
  const std::pair<LayoutInput, std::string> cases[] = {
      {split_view(1280, 800, 96),
       "232 1074 90 770 653 128 650 | 0,8,1280,48+ 232,50,1074,90+ "
       "14,88,214,758+ 1082,88,1272,758+ =- =- =- =- =- =- =- =- "
       "250,128,642,758+ 674,128,1056,758+ 674,128,1056,758- 0,770,1280,800+"},
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

// The sidebar follows its setting and distraction-free mode hides it, the outline, the bars and
// the find row whatever their settings; a hidden column gives its width to the documents.
TEST(LayoutGeometry, ViewFlagsDecideTogether) {
  struct Case {
    bool sidebar, outline, distraction_free;
    const char* shown;  // tree, outline, toolbar, tabs, find box
    int left, right, top, panes_top;
  } const cases[] = {
      {true, true, false, "+++++", 232, 1074, 90, 170},
      {false, true, false, "-++++", 0, 1074, 90, 170},
      {true, false, false, "+-+++", 232, 1280, 90, 170},
      {false, false, false, "--+++", 0, 1280, 90, 170},
      {true, true, true, "-----", 0, 1280, 0, 16},
      {false, false, true, "-----", 0, 1280, 0, 16},
  };
  for (const Case& c : cases) {
    LayoutInput in = with_find(split_view(1280, 800, 96), false);
    in.sidebar = c.sidebar;
    in.outline = c.outline;
    in.distraction_free = c.distraction_free;
    const Layout l = compute_layout(in);
    std::string shown;
    for (Pane p : {Pane::WorkspaceTree, Pane::OutlineList, Pane::Toolbar, Pane::DocumentTabs,
                   Pane::FindEdit}) {
      shown += l.at(p).shown ? '+' : '-';
    }
    SCOPED_TRACE(std::string(c.shown) + (c.distraction_free ? " distraction-free" : ""));
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(l.sidebar_shown, c.shown[0] == '+');
    EXPECT_EQ(l.outline_shown, c.shown[1] == '+');
    EXPECT_EQ(std::tuple(l.left, l.right, l.top, l.panes_top),
              std::tuple(c.left, c.right, c.top, c.panes_top));
    EXPECT_TRUE(l.at(Pane::ActiveEditor).shown && l.at(Pane::StatusBar).shown);
  }
}

// The find row ends where the panes below it end: inside the window, clear of the outline, its
// windows in order without overlapping. With room to spare the boxes keep their designed width.
TEST(LayoutGeometry, FindRowFitsTheDocumentArea) {
  struct Case {
    int width, dpi;
    bool sidebar, outline, replace;
    int find_box_width;
  } const cases[] = {
      {1272, 96, true, false, true, 364},  // a 1280-pixel window
      {1272, 96, true, true, true, 261},   // with the outline
      {1272, 96, true, true, false, 554},  // find only: as designed, R - 280 - L
      {842, 96, true, false, true, 149},   // the smallest window
      {961, 96, true, true, true, 105},    // the outline's first width
      {1920, 144, true, true, true, 397}, {1600, 120, false, false, true, 603},
  };
  for (const Case& c : cases) {
    LayoutInput in = with_find(split_view(c.width, 800, c.dpi), c.replace);
    in.sidebar = c.sidebar;
    in.outline = c.outline;
    const Layout l = compute_layout(in);
    SCOPED_TRACE(std::to_string(c.width) + " " + std::to_string(c.dpi));
    EXPECT_EQ(l.at(Pane::FindEdit).rect->width(), c.find_box_width);
    const int panes_end = l.at(Pane::Preview).rect->right;
    int x = l.left;
    for (Pane p : {Pane::FindEdit, Pane::ReplaceEdit, Pane::MatchCase, Pane::Regex, Pane::FindNext,
                   Pane::ReplaceOne, Pane::ReplaceAll, Pane::CloseFind}) {
      if (!l.at(p).shown) continue;
      const Rect r = *l.at(p).rect;
      EXPECT_GT(r.left, x) << pane_control_id(p);
      x = r.right;
    }
    EXPECT_LE(x, panes_end);
    EXPECT_GE(x, panes_end - (c.replace ? 1 : 72 * c.dpi / 96 + 1));
    if (l.outline_shown) {
      EXPECT_LT(x, l.at(Pane::OutlineList).rect->left);
    }
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
  // "mode web host: shown"
  for (const std::string row : {"3wh:--+", "1wh:+-+", "0wh:+--", "3-h:+--", "3w-:+--"}) {
    const int mode = row[0] - '0';
    in.view_mode = mode;
    in.web_preview = row[1] == 'w';
    in.web_host_exists = row[2] == 'h';
    const Layout layout = compute_layout(in);
    std::string text;
    for (Pane pane : {Pane::ActiveEditor, Pane::Preview, Pane::WebHost}) {
      text += layout.at(pane).shown ? "+" : "-";
    }
    EXPECT_EQ(row.substr(0, 4) + text, row);
    EXPECT_EQ(layout.web_visible, layout.at(Pane::WebHost).shown);
    const Rect web_rect = layout.at(Pane::WebHost).rect.value();
    const Rect expected_rect = mode == 1   ? layout.at(Pane::Preview).rect.value()
                               : mode == 3 ? Rect{250, 128, 1066, 758}
                                           : web_rect;
    EXPECT_EQ(web_rect, expected_rect);
  }
}

// Two panes sharing a control id would move or command each other's window.
TEST(LayoutGeometry, PaneControlIdsAreDistinct) {
  std::set<int> ids;
  for (std::size_t i = 0; i < kPaneCount; ++i) ids.insert(pane_control_id(static_cast<Pane>(i)));
  EXPECT_EQ(ids.size(), kPaneCount - 1);  // the editors and the web host share 0
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
  EXPECT_TRUE(split_percent_at(collapsed, 232) == 25 && split_percent_at(collapsed, 233) == 75);
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
  // Halves round away from zero; a zero denominator or an overflow gives -1.
  constexpr int kMax = 0x7FFFFFFF;
  const int mul_divs[][4] = {{5, 1, 2, 3},        {-5, 1, 2, -3},      {7, 1, 2, 4},
                             {206, 120, 96, 258}, {21, 120, 96, 26},   {5, -1, -2, 3},
                             {1, 1, 0, -1},       {kMax, 2, 1, -1},    {-kMax, 2, 1, -1},
                             {kMax, 1, 1, kMax},  {-kMax, 1, 1, -kMax}};
  for (const auto& [value, numerator, denominator, result] : mul_divs) {
    EXPECT_EQ(mul_div(value, numerator, denominator), result) << value << "*" << numerator;
  }
  EXPECT_EQ(scale_for_dpi(40, 0), 0);
  const Rect client{0, 0, 400, 300};
  EXPECT_EQ(padded_text_rect(client, 12, true, 144), (Rect{18, 12, 382, 288}));
  EXPECT_EQ(padded_text_rect(client, 18, false, 120), (Rect{23, 10, 377, 300}));
  // The smallest editor is narrower than its two margins: the text area collapses, never inverts.
  const Rect tiny = padded_text_rect(Rect{0, 0, 20, 20}, 12, true, 96);
  EXPECT_TRUE(tiny.width() == 0 && tiny.height() >= 0);
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
  const auto none = VisibilityChange::None;
  for (const auto& [to, move, resize] : {std::tuple(Rect{15, 20, 115, 220}, true, false),
                                         {Rect{10, 21, 110, 221}, true, false},
                                         {Rect{10, 20, 110, 250}, false, true},
                                         {Rect{10, 20, 111, 220}, false, true}}) {
    EXPECT_EQ(plan(true, {to, true}), std::tuple(move, resize, none)) << to.left << to.top;
  }
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

// The selected tree item on the selection fill, every other item on the pane's background.
TEST(PanePaint, TreeSelectionTakesTheSelectionFill) {
  EXPECT_EQ(tree_item_colours(true), (ItemColours{palette_text, palette_accent_fill}));
  EXPECT_EQ(tree_item_colours(false), (ItemColours{palette_text, palette_background}));
}

TEST(PanePaint, FillsHeadersAndRulesFollowTheLayout) {
  LayoutInput in = split_view(1200, 800, 96);
  in.outline = false;
  EXPECT_EQ(describe(plan_pane_paint(in, false)),
            "F232,90,1200,770#1 F232,50,1200,90#2 H262,90,1200,122 MARKDOWN "
            "H754,90,1200,122 PREVIEW H22,50,220,82 WORKSPACE R0,7,1200,7 "
            "R0,48,1200,48 R231,50,231,770 R716,102,716,758 R0,769,1200,769 ");
}

TEST(PanePaint, VisualEditorAndOutlineHeaders) {
  LayoutInput in = split_view(1200, 800, 96);
  in.view_mode = 3;
  in.sidebar = false;
  EXPECT_EQ(plan_pane_paint(in, false).headers,
            (std::vector<PaneHeader>{{Rect{30, 90, 994, 122}, L"VISUAL EDITOR"},
                                     {Rect{1014, 50, 1200, 82}, L"ON THIS PAGE"}}));
}

TEST(StatusText, StatisticsOrMessageLeftCaretEncodingLineEndsAndKeyModeRight) {
  const TextStats stats{.words = 1234, .characters = 5678, .paragraphs = 9, .reading_minutes = 6};
  EXPECT_EQ(status_left_text(L"", stats, true),
            L"1234 từ   |   5678 ký tự   |   9 đoạn   |   6 phút đọc");
  EXPECT_EQ(status_left_text(L"Pinned", stats, false), L"Pinned");
  // The caret at the start of the third line.
  StatusDocument document{StatusCaret{2, 14, 14}, TextEncoding::Utf8, false};
  EXPECT_EQ(status_right_text(document, KeyModeState{}, false),
            L"Ln 3, 1    |    UTF-8    |    LF");
  document = StatusDocument{StatusCaret{0, 7, 0}, TextEncoding::Utf16Be, true};
  EXPECT_EQ(status_right_text(document, KeyModeState{}, true),
            L"Dòng 1, 8    |    UTF-16 BE    |    CRLF");
  document.encoding = TextEncoding::Utf8Bom;
  EXPECT_EQ(status_right_text(document, KeyModeState{true, true}, false),
            L"INSERT    |    Ln 1, 8    |    UTF-8 BOM    |    CRLF");
}

TEST(ThemeChoice, FollowsSettingWindowsValueAndHighContrast) {
  const Palette high = high_contrast_palette(kSystem);
  // Setting, Windows value (-1: unreadable), high contrast; then dark.
  const int cases[][4] = {{0, 0, 0, 1}, {0, 1, 0, 0},  {0, -1, 0, 0}, {0, 7, 0, 0},  {1, 0, 0, 0},
                          {2, 1, 0, 1}, {2, -1, 0, 1}, {5, 0, 0, 0},  {-1, 0, 0, 0}, {2, 1, 1, 1},
                          {0, 0, 1, 1}, {1, 0, 1, 0},  {0, -1, 1, 0}};
  for (const auto& [setting, value, high_contrast, dark] : cases) {
    const AppsUseLightTheme windows =
        value < 0 ? std::nullopt : AppsUseLightTheme(static_cast<std::uint32_t>(value));
    const ThemeChoice choice = choose_theme(setting, windows, high_contrast, kSystem);
    EXPECT_EQ(choice.dark, bool(dark)) << setting << " " << value << " " << high_contrast;
    EXPECT_EQ(choice.high_contrast, bool(high_contrast));
    EXPECT_EQ(choice.palette, high_contrast ? high : dark ? kDarkPalette : kLightPalette);
    EXPECT_EQ(theme_is_dark(setting, windows), bool(dark));
  }
}

TEST(ThemedChrome, EditFieldColours) {
  const ThemeChoice dark = choose_theme(2, 1u, false, kSystem);
  const ThemeChoice light = choose_theme(1, 0u, false, kSystem);
  const auto colours = [](const ThemeChoice& theme, bool focused) {
    const EditFieldColours c = edit_field_colours(theme, focused);
    return std::vector<Colour>{c.background, c.frame, c.text};
  };
  // The ordinary themes keep field colours of their own, readable under the theme's text, with a
  // frame that shows against the field and turns to the accent on focus.
  const auto light_sum = [](Colour c) { return red_of(c) + green_of(c) + blue_of(c); };
  for (const ThemeChoice& theme : {dark, light}) {
    const std::vector<Colour> c = colours(theme, false);
    EXPECT_EQ(c[2], theme.palette[palette_text]);
    EXPECT_EQ(light_sum(c[0]) < light_sum(c[2]), theme.dark);
    EXPECT_NE(c[1], c[0]);
    EXPECT_EQ(colours(theme, true),
              (std::vector<Colour>{c[0], theme.palette[palette_accent], c[2]}));
  }
  // A black high-contrast scheme while Windows asks apps for the light theme: the field must not
  // be white under white text.
  const SystemColours black{rgb(0, 0, 0), rgb(0, 0, 0), rgb(255, 255, 255), rgb(0, 255, 255)};
  const ThemeChoice contrast = choose_theme(0, 1u, true, black);
  EXPECT_EQ(colours(contrast, false),
            (std::vector<Colour>{rgb(0, 0, 0), rgb(255, 255, 255), rgb(255, 255, 255)}));
  EXPECT_EQ(colours(contrast, true)[1], rgb(0, 255, 255));
}

TEST(ThemedChrome, EditBoxClientRect) {
  const std::tuple<Rect, int, int, Rect> boxes[] = {
      // 30 pixels high, font 16: 7 above and below, 9 at the sides; odd room rounds down.
      {Rect{0, 0, 200, 30}, 16, 96, Rect{9, 7, 191, 23}},
      {Rect{0, 0, 300, 45}, 25, 144, Rect{14, 10, 286, 35}},
      // A font as high as the box still leaves one pixel (at 96 DPI) of frame room.
      {Rect{0, 0, 100, 16}, 16, 96, Rect{9, 1, 91, 15}},
      // Smaller than the padding: an empty client area in the middle, never an inverted one.
      {Rect{50, 50, 60, 51}, 16, 96, Rect{55, 50, 55, 50}},
      {Rect{0, 0, 80, 9}, 30, 480, Rect{40, 4, 40, 4}}};
  for (const auto& [proposed, font, dpi, client] : boxes) {
    EXPECT_EQ(edit_box_client_rect(proposed, font, dpi), client) << proposed.right << " " << dpi;
  }
}
