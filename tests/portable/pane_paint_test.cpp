#include "ui/pane_paint.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "core/text_convert.h"
#include "ui/palette.h"

using namespace tavrel::win;

namespace {

LayoutInput window(int width, int height, int dpi, bool outline, int view_mode) {
  LayoutInput input;
  input.width = width;
  input.height = height;
  input.dpi = dpi;
  input.outline = outline;
  input.view_mode = view_mode;
  return input;
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

TEST(PanePaint, FillsHeadersAndRulesFollowTheLayout) {
  LayoutInput distraction_free = window(1000, 700, 96, true, 1);
  distraction_free.distraction_free = true;
  LayoutInput visual = window(1200, 800, 96, false, 3);
  visual.sidebar = false;
  const std::tuple<LayoutInput, bool, std::string> cases[] = {
      {window(1200, 800, 96, false, 1), false,
       "F232,90,1200,770#1 F232,50,1200,90#2 H262,90,1200,122 MARKDOWN "
       "H754,90,1200,122 PREVIEW H22,50,220,82 WORKSPACE R0,7,1200,7 "
       "R0,48,1200,48 R231,50,231,770 R716,102,716,758 R0,769,1200,769 "},
      {distraction_free, false, "F0,0,1000,670#1 R500,12,500,658 R0,669,1000,669 "},
      // The outline column and its header need more than 960 design pixels.
      {window(961, 700, 96, true, 1), false,
       "F232,90,755,670#1 F232,50,755,90#2 H262,90,755,122 MARKDOWN "
       "H531,90,755,122 PREVIEW H22,50,220,82 WORKSPACE H775,50,961,82 ON "
       "THIS PAGE R0,7,961,7 R0,48,961,48 R231,50,231,670 R493,102,493,658 "
       "R0,669,961,669 "},
      {visual, true,
       "F0,90,1200,770#1 F0,50,1200,90#2 H30,90,1200,122 BIÊN TẬP TRỰC QUAN "
       "R0,7,1200,7 R0,48,1200,48 R0,769,1200,769 "},
      {window(1200, 800, 96, true, 1), true,
       "F232,90,994,770#1 F232,50,994,90#2 H262,90,994,122 MARKDOWN "
       "H651,90,994,122 XEM TRƯỚC H22,50,220,82 THƯ MỤC H1014,50,1200,82 "
       "TRONG TÀI LIỆU R0,7,1200,7 R0,48,1200,48 R231,50,231,770 "
       "R613,102,613,758 R0,769,1200,769 "},
      {window(1800, 1200, 144, false, 1), false,
       "F348,135,1800,1155#1 F348,75,1800,135#2 H393,135,1800,183 MARKDOWN "
       "H1131,135,1800,183 PREVIEW H33,75,330,123 WORKSPACE R0,11,1800,11 "
       "R0,72,1800,72 R347,75,347,1155 R1074,153,1074,1137 R0,1153,1800,1153 "},  // 31 * 1.5
                                                                                  // rounds up
  };
  for (const auto& [input, vietnamese, expected] : cases) {
    EXPECT_EQ(describe(plan_pane_paint(input, vietnamese)), expected) << input.width;
  }
  EXPECT_EQ(pane_label(PaneLabel::VisualEditor, false), L"VISUAL EDITOR");
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
}

TEST(StatusText, CaretEncodingLineEndsAndKeyMode) {
  EXPECT_EQ(status_right_text(std::nullopt, KeyModeState{true, false}, true),
            L"UTF-8    |    Markdown");
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
  document.encoding = TextEncoding::Utf16Le;
  EXPECT_EQ(status_right_text(document, KeyModeState{true, false}, false),
            L"NORMAL    |    Ln 1, 8    |    UTF-16 LE    |    CRLF");
}
