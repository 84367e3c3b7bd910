#include "ui/pane_paint.h"

#include <gtest/gtest.h>

#include <string>

#include "ui/palette.h"

using namespace tavrel::win;

namespace {

LayoutInput window(int width, int height, int dpi = 96) {
  LayoutInput input;
  input.width = width;
  input.height = height;
  input.dpi = dpi;
  return input;
}

bool has_header(const PanePaintPlan& plan, const std::wstring& text) {
  for (const PaneHeader& header : plan.headers) {
    if (header.text == text) return true;
  }
  return false;
}

TEST(PanePaint, SplitViewWithSidebarAt96Dpi) {
  const PanePaintPlan plan = plan_pane_paint(window(1200, 800), false);
  // split = 232 + (1200 - 232) * 50 / 100
  ASSERT_EQ(plan.fills.size(), 2u);
  EXPECT_EQ(plan.fills[0], (PaneFill{Rect{232, 90, 1200, 770}, palette_surface}));
  EXPECT_EQ(plan.fills[1], (PaneFill{Rect{232, 50, 1200, 90}, palette_pane}));
  ASSERT_EQ(plan.headers.size(), 3u);
  EXPECT_EQ(plan.headers[0], (PaneHeader{Rect{262, 90, 1200, 122}, L"MARKDOWN"}));
  EXPECT_EQ(plan.headers[1], (PaneHeader{Rect{754, 90, 1200, 122}, L"PREVIEW"}));
  EXPECT_EQ(plan.headers[2], (PaneHeader{Rect{22, 50, 220, 82}, L"WORKSPACE"}));
  ASSERT_EQ(plan.rules.size(), 5u);
  EXPECT_EQ(plan.rules[0], (PaneRule{0, 7, 1200, 7}));
  EXPECT_EQ(plan.rules[1], (PaneRule{0, 48, 1200, 48}));
  EXPECT_EQ(plan.rules[2], (PaneRule{231, 50, 231, 770}));
  EXPECT_EQ(plan.rules[3], (PaneRule{716, 102, 716, 758}));
  EXPECT_EQ(plan.rules[4], (PaneRule{0, 769, 1200, 769}));
}

TEST(PanePaint, DistractionFreeKeepsOnlySurfaceSplitAndStatusRules) {
  LayoutInput input = window(1000, 700);
  input.distraction_free = true;
  input.outline = true;
  const PanePaintPlan plan = plan_pane_paint(input, false);
  ASSERT_EQ(plan.fills.size(), 1u);
  EXPECT_EQ(plan.fills[0], (PaneFill{Rect{0, 0, 1000, 670}, palette_surface}));
  EXPECT_TRUE(plan.headers.empty());
  ASSERT_EQ(plan.rules.size(), 2u);
  EXPECT_EQ(plan.rules[0], (PaneRule{500, 12, 500, 658}));
  EXPECT_EQ(plan.rules[1], (PaneRule{0, 669, 1000, 669}));

  input.view_mode = 0;
  EXPECT_EQ(plan_pane_paint(input, false).rules.size(), 1u);
}

TEST(PanePaint, OutlineHeaderOnlyAboveTheWidthLimit) {
  LayoutInput input = window(960, 700);
  input.outline = true;
  EXPECT_FALSE(has_header(plan_pane_paint(input, false), L"ON THIS PAGE"));
  input.width = 961;
  const PanePaintPlan plan = plan_pane_paint(input, false);
  ASSERT_TRUE(has_header(plan, L"ON THIS PAGE"));
  EXPECT_EQ(plan.headers.back().rect, (Rect{961 - 206 + 20, 50, 961, 82}));
  EXPECT_EQ(plan.fills[0].rect.right, 961 - 206);  // the surface stops at the outline column
}

TEST(PanePaint, ViewModesAndLanguages) {
  LayoutInput input = window(1200, 800);
  input.sidebar = false;
  input.view_mode = 3;
  const PanePaintPlan visual = plan_pane_paint(input, true);
  ASSERT_EQ(visual.headers.size(), 1u);
  EXPECT_EQ(visual.headers[0].text, L"BIÊN TẬP TRỰC QUAN");
  EXPECT_EQ(visual.headers[0].rect.left, 30);
  EXPECT_EQ(visual.rules.size(), 3u);  // no sidebar rule, no split rule

  input.view_mode = 1;
  input.sidebar = true;
  input.outline = true;
  const PanePaintPlan vietnamese = plan_pane_paint(input, true);
  EXPECT_TRUE(has_header(vietnamese, L"MARKDOWN"));
  EXPECT_TRUE(has_header(vietnamese, L"XEM TRƯỚC"));
  EXPECT_TRUE(has_header(vietnamese, L"THƯ MỤC"));
  EXPECT_TRUE(has_header(vietnamese, L"TRONG TÀI LIỆU"));
  EXPECT_EQ(pane_label(PaneLabel::VisualEditor, false), L"VISUAL EDITOR");
}

TEST(PanePaint, LengthsScaleWithDpi) {
  const PanePaintPlan plan = plan_pane_paint(window(1800, 1200, 144), false);
  EXPECT_EQ(plan.fills[0], (PaneFill{Rect{348, 135, 1800, 1155}, palette_surface}));
  EXPECT_EQ(plan.headers[2], (PaneHeader{Rect{33, 75, 330, 123}, L"WORKSPACE"}));
  EXPECT_EQ(plan.rules[0], (PaneRule{0, 11, 1800, 11}));
  EXPECT_EQ(plan.rules[2], (PaneRule{347, 75, 347, 1155}));
  EXPECT_EQ(plan.rules.back(), (PaneRule{0, 1153, 1800, 1153}));  // 31 * 1.5 rounds up
}

TEST(StatusText, StatisticsOrMessage) {
  TextStats stats;
  stats.words = 1234;
  stats.characters = 5678;
  stats.paragraphs = 9;
  stats.reading_minutes = 6;
  EXPECT_EQ(status_left_text(L"", stats, false),
            L"1234 words   |   5678 characters   |   9 paragraphs   |   6 min read");
  EXPECT_EQ(status_left_text(L"", stats, true),
            L"1234 từ   |   5678 ký tự   |   9 đoạn   |   6 phút đọc");
  EXPECT_EQ(status_left_text(L"Pinned documents updated", stats, false),
            L"Pinned documents updated");
  EXPECT_EQ(status_left_text(L"", TextStats{}, false),
            L"0 words   |   0 characters   |   0 paragraphs   |   0 min read");
}

TEST(StatusText, NoDocumentShowsTheFixedText) {
  EXPECT_EQ(status_right_text(std::nullopt, KeyModeState{}, false), L"UTF-8    |    Markdown");
  EXPECT_EQ(status_right_text(std::nullopt, KeyModeState{true, false}, true),
            L"UTF-8    |    Markdown");
}

TEST(StatusText, CaretEncodingAndLineEnds) {
  // The caret at the start of the third line.
  StatusDocument document{StatusCaret{2, 14, 14}, TextEncoding::Utf8, false};
  EXPECT_EQ(status_right_text(document, KeyModeState{}, false),
            L"Ln 3, 1    |    UTF-8    |    LF");
  document.caret = StatusCaret{0, 7, 0};
  document.encoding = TextEncoding::Utf16Be;
  document.crlf = true;
  EXPECT_EQ(status_right_text(document, KeyModeState{}, true),
            L"Dòng 1, 8    |    UTF-16 BE    |    CRLF");
  document.encoding = TextEncoding::Utf8Bom;
  EXPECT_EQ(status_right_text(document, KeyModeState{true, true}, false),
            L"INSERT    |    Ln 1, 8    |    UTF-8 BOM    |    CRLF");
  document.encoding = TextEncoding::Utf16Le;
  EXPECT_EQ(status_right_text(document, KeyModeState{true, false}, false),
            L"NORMAL    |    Ln 1, 8    |    UTF-16 LE    |    CRLF");
}

}  // namespace
