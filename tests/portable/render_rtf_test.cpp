// The RTF writer beyond its golden documents: the escaping of text, which must refuse exactly what
// the strict UTF-16 conversion refuses, and the models no Markdown text produces.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/text_convert.h"
#include "model_builders.h"
#include "render/rtf_writer.h"

namespace tavrel::win {
namespace {

TEST(RtfEscape, WritesUtf16UnitsAsSignedDecimals) {
  // The golden documents hold the bounds of each UTF-8 length; Markdown has no NUL or CR.
  EXPECT_EQ(escape_rtf(std::string("a\\b{c}\r\n\t\x01\0", 11)),
            "a\\\\b\\{c\\}\\line \\tab \\u1?\\u0?");
}

// The escaping rules applied to the UTF-16 form, one unit at a time.
std::string reference_escape(const std::string& text) {
  std::string out;
  for (char16_t unit : utf8_to_utf16(text)) {
    if (unit == u'\\' || unit == u'{' || unit == u'}') {
      out += {'\\', static_cast<char>(unit)};
    } else if (unit == u'\n' || unit == u'\t') {
      out += unit == u'\n' ? "\\line " : "\\tab ";
    } else if (unit >= 0x20 && unit <= 0x7E) {
      out += static_cast<char>(unit);
    } else if (unit != u'\r') {
      out += "\\u" + std::to_string(static_cast<std::int16_t>(unit)) + "?";
    }
  }
  return out;
}

TEST(RtfEscape, RefusesExactlyWhatTheStrictConversionRefuses) {
  const char bytes[] = {'a',    '\n',   '\\',   '\x7F', '\x80', '\xBF', '\xC2', '\xDF',
                        '\xE0', '\xED', '\xEF', '\xF0', '\xF4', '\xF5', '\xA0', '\x90',
                        '\x8F', '\x01', '{',    '}',    '\r',   '\t',   '\x9F', '\xC1'};
  std::uint32_t seed = 7;
  int valid = 0;
  for (int round = 0; round < 4000; ++round) {
    std::string text;
    for (int i = 0; i < 1 + round % 7; ++i) {
      seed = seed * 1664525u + 1013904223u;
      text.push_back(bytes[(seed >> 16) % sizeof bytes]);
    }
    if (is_valid_utf8(text)) {
      ++valid;
      EXPECT_EQ(escape_rtf(text), reference_escape(text)) << round;
    } else {
      EXPECT_THROW(escape_rtf(text), std::runtime_error) << round;
    }
  }
  EXPECT_GT(valid, 100);
  // Text longer than the writer's buffer, with escapes across its refills.
  const std::string long_text(3000, '{');
  EXPECT_EQ(escape_rtf(long_text + "\xC3\xA9"), reference_escape(long_text + "\xC3\xA9"));
}

TEST(RtfWriter, RowWithoutCellsIsAParagraph) {
  const std::string rtf =
      render_rtf(test::model({test::block(BlockKind::TableRow, 0, {test::run("t")})}), true, 11);
  EXPECT_EQ(rtf.substr(rtf.find("\\viewkind4")),
            "\\viewkind4\\uc1\\f0\\fs22\\cf1 \\pard\\sa180\\sl300\\slmult1\\f0\\fs22\\cf1 "
            "{t}\\b0\\i0\\cb0\\par }");
}

// The right edges ("\\cellx") of the first table row, in order.
std::vector<long> cell_edges(const std::string& rtf) {
  std::vector<long> edges;
  const std::string row_end = "\\row ";
  const std::size_t end = rtf.find(row_end);
  for (std::size_t at = rtf.find("\\cellx"); at < end; at = rtf.find("\\cellx", at + 1)) {
    edges.push_back(std::stol(rtf.substr(at + 6)));
  }
  return edges;
}

RenderedMarkdown table_of(std::size_t columns) {
  std::vector<std::vector<Run>> cells(columns, std::vector<Run>{test::run("cell")});
  return test::model({test::block(BlockKind::TableRow, 1, {}, cells)});
}

TEST(RtfWriter, TablesSpanTheWidthAskedForInEqualColumns) {
  const struct {
    std::size_t columns;
    std::uint32_t twips;
    std::vector<long> edges;
  } rows[] = {
      {3, kDefaultTableTwips, {2533, 5066, 7599}},
      {3, 4000, {1333, 2666, 3999}},
      {1, 4000, {4000}},
      {2, 1441, {720, 1440}},
      {7, 9000, {1285, 2570, 3855, 5140, 6425, 7710, 8995}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(cell_edges(render_rtf(table_of(row.columns), false, 11, row.twips)), row.edges)
        << row.columns << " columns in " << row.twips;
  }
  EXPECT_EQ(render_rtf(table_of(3), true, 11), render_rtf(table_of(3), true, 11, 7600));
}

// A text area narrower than the usual table gets a table that ends inside it, with room for the
// last border; a wider one keeps the usual width, as does an area not known yet.
TEST(RtfWriter, TableWidthFitsTheTextArea) {
  for (std::int64_t area = kMinTableTwips + 120; area < 12000; area += 37) {
    const std::uint32_t twips = table_twips_for(area);
    SCOPED_TRACE(area);
    EXPECT_LE(twips, kDefaultTableTwips);
    if (twips < kDefaultTableTwips) {
      EXPECT_LE(twips + 100, area);
      EXPECT_GE(twips + 200, area);  // no more than a border's room is left free
    }
    for (std::size_t columns : {1u, 3u, 8u}) {
      EXPECT_LT(cell_edges(render_rtf(table_of(columns), false, 11, twips)).back(), area - 100);
    }
  }
  // Where the usual width stops fitting.
  EXPECT_EQ(table_twips_for(7720), kDefaultTableTwips);
  EXPECT_EQ(table_twips_for(7719), kDefaultTableTwips - 1);
  EXPECT_EQ(table_twips_for(20000), kDefaultTableTwips);
  for (std::int64_t unknown : {0, -300}) EXPECT_EQ(table_twips_for(unknown), kDefaultTableTwips);
  EXPECT_EQ(table_twips_for(200), kMinTableTwips);  // columns of a few twips are no use
}

TEST(RtfWriter, TablesAreWrittenAgainWhenNarrowerOrClearlyWider) {
  const struct {
    std::uint32_t used, wanted;
    bool again;
  } rows[] = {
      {7600, 7600, false}, {7600, 7599, true},  {5000, 4990, true},
      {5000, 5100, false}, {5000, 5299, false}, {5000, 5300, true},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(table_refit_needed(row.used, row.wanted), row.again) << row.used << " " << row.wanted;
  }
}

TEST(RtfWriter, BreakCountSeesOnlyBreakWords) {
  EXPECT_EQ(rtf_break_count("{\\pard a\\par b\\line c\\\\par \\{\\line\\pararaph\\par}"), 4u);
  EXPECT_EQ(rtf_break_count(escape_rtf("\\par\\line {\\par}")), 0u);
  EXPECT_EQ(rtf_break_count("\\par\\par\\line\\par", 2), 2u);  // counts no further than asked
}

}  // namespace
}  // namespace tavrel::win
