// The RTF writer beyond its golden documents: the escaping of text, which must refuse exactly what
// the strict UTF-16 conversion refuses, and the models no Markdown text produces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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

// The body's characters, as the control holds them (a character outside the first plane two).
TEST(RtfWriter, TextCountSeesOnlyTheBodysCharacters) {
  const RenderedMarkdown markdown = test::model({test::block(
      BlockKind::Paragraph, 0,
      {test::run("a{b}\\\xC3\xA9\n"), test::run("\xF0\x9F\x98\x80", RunStyle::Strong)})});
  EXPECT_EQ(rtf_text_count(render_rtf(markdown, false, 11)), 8u);
  EXPECT_EQ(rtf_text_count("{\\rtf1{\\fonttbl{\\f0 Segoe UI;}}\\pard\\'e9\\u-3?x\\par }"), 3u);
  EXPECT_EQ(rtf_text_count("{\\rtf1 no body}"), 0u);
  EXPECT_EQ(rtf_text_count("\\pard abcdef", 2), 2u);  // counts no further than asked
}

}  // namespace
}  // namespace tavrel::win

namespace tavrel::win {
namespace {

// The colour table's rows; row 0 is the automatic colour.
std::vector<std::string> colour_rows(const std::string& rtf) {
  const std::size_t begin = rtf.find("{\\colortbl;") + 11;
  std::vector<std::string> rows{""};
  for (std::size_t at = begin, end; (end = rtf.find(';', at)) < rtf.find('}', begin); at = end + 1)
    rows.push_back(rtf.substr(at, end - at));
  return rows;
}

// The body with every group opened by `open` taken apart (its words and its closing brace gone).
std::string without_groups(std::string body, const std::string& open) {
  for (std::size_t at; (at = body.find(open)) != std::string::npos;) {
    body.erase(body.find('}', at), 1);
    body.erase(at, open.size());
  }
  return body;
}

std::size_t longest_between_braces(const std::string& rtf) {
  std::size_t longest = 0;
  for (std::size_t at = 0, end; (end = rtf.find_first_of("{}", at)) != std::string::npos;
       at = end + 1)
    longest = std::max(longest, end - at);
  return longest;
}

// A run long enough to slow the preview's layout is written in pieces of about a row whose colour
// alternates with a twin one step of blue away; the text and the other colours stay as they were.
TEST(RtfWriter, LongRunsAlternateWithATwinOfTheirColour) {
  const std::string words = [] {
    std::string text;
    while (text.size() < 3000) text += "lorem ipsum dolor ";
    return text;
  }();
  std::string accents;
  while (accents.size() < 3000) accents += "\xC3\xA9";  // no space, two bytes a character
  struct Case {
    Block block;
    std::string colour;  // the run's colour row, light theme
    std::string words;   // what opens the run group
  };
  const std::vector<Case> cases{
      {test::block(BlockKind::Paragraph, 0, {test::run(words)}), "\\red35\\green46\\blue61", ""},
      {test::block(BlockKind::Paragraph, 0, {test::run(std::string(3000, 'a'))}),
       "\\red35\\green46\\blue61", ""},
      {test::block(BlockKind::Heading, 2, {test::run(accents)}), "\\red35\\green46\\blue61", ""},
      {test::block(BlockKind::Quote, 0, {test::run(words)}), "\\red78\\green95\\blue132", ""},
      {test::block(BlockKind::Paragraph, 0, {test::run(words, RunStyle::None, "https://a.b")}),
       "\\red179\\green77\\blue13", "\\cf2\\ul "},
      {test::block(BlockKind::ListItem, 1, {test::run(words, RunStyle::Code)}),
       "\\red78\\green95\\blue132", "\\f1\\cf3 "},
      {test::block(BlockKind::Paragraph, 0, {test::run(words, RunStyle::Strong, "", "#FF0000")}),
       "\\red255\\green0\\blue0", "\\b \\cf5 "},
  };
  for (const Case& c : cases) {
    const std::string rtf = render_rtf(
        test::model({c.block, test::block(BlockKind::Paragraph, 0, {test::run("short")})}), false,
        11);
    const std::vector<std::string> rows = colour_rows(rtf);
    const std::string twin_row =
        c.colour.substr(0, c.colour.rfind('e') + 1) +
        std::to_string(std::stoi(c.colour.substr(c.colour.rfind('e') + 1)) ^ 1);
    const auto twin = std::find(rows.begin(), rows.end(), twin_row);
    ASSERT_NE(twin, rows.end()) << c.colour;
    const std::string open = "{\\cf" + std::to_string(twin - rows.begin()) + " ";
    const std::size_t body = rtf.find("\\pard");
    const std::string plain = without_groups(rtf.substr(body), open);
    EXPECT_NE(rtf.find(open, body), std::string::npos);
    // A piece is at most two rows' worth of text, an escape at most 9 bytes.
    EXPECT_LE(longest_between_braces(rtf.substr(body)), 2 * 9 * 128u + 8) << c.colour;
    const std::string run_start = "{" + c.words;
    const std::size_t text_at = plain.find(run_start) + run_start.size();
    EXPECT_EQ(plain.substr(text_at, plain.find('}', text_at) - text_at),
              escape_rtf(c.block.runs[0].text));
    EXPECT_TRUE(plain.ends_with("{short}\\b0\\i0\\cb0\\par }"));  // a short run stays whole
  }
}

// A long paragraph of the characters `clusters` (each one character as a reader sees it) in a
// shuffled order, and where each character starts in the text's UTF-16 units, as RTF counts.
struct ClusterText {
  std::string text;
  std::vector<std::size_t> starts;
};

ClusterText cluster_text(const std::vector<std::string>& clusters, std::size_t bytes) {
  ClusterText out;
  std::size_t units = 0;
  for (std::uint32_t seed = 11; out.text.size() < bytes;) {
    seed = seed * 1664525u + 1013904223u;
    const std::string& cluster = clusters[(seed >> 16) % clusters.size()];
    out.starts.push_back(units);
    out.text += cluster;
    units += utf8_to_utf16(cluster).size();
  }
  return out;
}

bool is_letter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

// Where the run's text changes between its colour and the twin one, in UTF-16 units of the text.
std::vector<std::size_t> colour_cuts(const std::string& rtf, const std::string& twin_open) {
  std::vector<std::size_t> cuts;
  std::size_t units = 0;
  bool in_twin = false;
  for (std::size_t at = rtf.find("\\pard"); at < rtf.size();) {
    if (rtf.compare(at, twin_open.size(), twin_open) == 0) {
      cuts.push_back(units);
      in_twin = true;
      at += twin_open.size();
    } else if (rtf[at] == '}') {
      if (in_twin && rtf[at + 1] != '}') cuts.push_back(units);
      in_twin = false;
      ++at;
    } else if (rtf[at] == '{') {
      ++at;
    } else if (rtf.compare(at, 2, "\\u") == 0 && !is_letter(rtf[at + 2])) {
      ++units;
      at = rtf.find('?', at) + 1;
    } else if (rtf[at] == '\\' && is_letter(rtf[at + 1])) {
      at = rtf.find(' ', at) + 1;  // control words, no text
    } else {
      ++units;  // a character or an escaped symbol
      at += rtf[at] == '\\' ? 2 : 1;
    }
  }
  return cuts;
}

// A long run is cut only between whole characters: never before a combining or spacing mark, a
// joiner, a variation selector or an emoji modifier, never after a joiner or a virama, never
// between the halves of a flag or inside a tag sequence.
TEST(RtfWriter, LongRunsAreCutBetweenWholeCharacters) {
  const struct Case {
    const char* name;
    std::vector<std::string> clusters;
  } cases[] = {
      {"decomposed Vietnamese",
       {"a\xCC\x80", "e\xCC\x82\xCC\x81", "o\xCC\x9B\xCC\xA3", "u\xCC\x9B\xCC\x80", "n", "g", "d",
        "i\xCC\x83", "y\xCC\x89", "A\xCC\x86\xCC\x83", " ", " \xCC\x81"}},
      {"emoji with modifiers",
       {"\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD", "\xF0\x9F\x91\x8B\xF0\x9F\x8F\xBB",
        "\xF0\x9F\xA7\x91\xF0\x9F\x8F\xBF", "x"}},
      {"joined emoji",
       {"\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7\xE2\x80\x8D"
        "\xF0\x9F\x91\xA6",
        "\xF0\x9F\x91\xA9\xF0\x9F\x8F\xBE\xE2\x80\x8D\xF0\x9F\x92\xBB",
        "\xF0\x9F\x8F\xB3\xEF\xB8\x8F\xE2\x80\x8D\xF0\x9F\x8C\x88", "\xE2\x9D\xA4\xEF\xB8\x8F"}},
      {"flags in a row",
       {"\xF0\x9F\x87\xBB\xF0\x9F\x87\xB3", "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA",
        "\xF0\x9F\x87\xAF\xF0\x9F\x87\xB5", "\xF0\x9F\x87\xBA\xF0\x9F\x87\xB8", "x"}},
      {"keycaps and tag flags",
       {"1\xEF\xB8\x8F\xE2\x83\xA3", "#\xEF\xB8\x8F\xE2\x83\xA3", "z",
        "\xF0\x9F\x8F\xB4\xF3\xA0\x81\xA7\xF3\xA0\x81\xA2\xF3\xA0\x81\xA5\xF3\xA0\x81\xAE\xF3\xA0"
        "\x81\xA7\xF3\xA0\x81\xBF"}},
      {"Devanagari conjuncts and vowel signs",
       {"\xE0\xA4\x95\xE0\xA5\x8D\xE0\xA4\xB7", "\xE0\xA4\xA4\xE0\xA5\x8D\xE0\xA4\xB0",
        "\xE0\xA4\x95\xE0\xA4\xBF", "\xE0\xA4\x95\xE0\xA5\x80",
        "\xE0\xA4\xB9\xE0\xA4\xBF\xE0\xA4\x82", "\xE0\xA4\xA6"}},
      {"Thai vowels and tone marks",
       {"\xE0\xB8\x99\xE0\xB9\x89\xE0\xB8\xB3", "\xE0\xB8\x97\xE0\xB8\xB5\xE0\xB9\x88",
        "\xE0\xB8\x81\xE0\xB8\xB4", "\xE0\xB9\x84", "\xE0\xB8\x97", "\xE0\xB8\xA2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ClusterText paragraph = cluster_text(c.clusters, 6000);
    const std::string rtf =
        render_rtf(test::model({test::block(BlockKind::Paragraph, 0, {test::run(paragraph.text)})}),
                   false, 11);
    // The body text's twin is the first colour after the theme's four.
    const std::vector<std::size_t> cuts = colour_cuts(rtf, "{\\cf5 ");
    EXPECT_GT(cuts.size(), 10u);
    for (const std::size_t cut : cuts) {
      EXPECT_TRUE(std::binary_search(paragraph.starts.begin(), paragraph.starts.end(), cut))
          << "cut at unit " << cut;
    }
  }
  // Ten thousand marks on one letter leave no place between whole characters: the run is still
  // cut, into pieces not much longer than the others.
  std::string marks = "a";
  for (int i = 0; i < 10000; ++i) marks += "\xCC\x81";
  const std::string rtf =
      render_rtf(test::model({test::block(BlockKind::Paragraph, 0, {test::run(marks)})}), true, 11);
  EXPECT_GT(colour_cuts(rtf, "{\\cf5 ").size(), 20u);
  EXPECT_LE(longest_between_braces(rtf.substr(rtf.find("\\pard"))), 2 * 9 * 128u + 8);
}
}  // namespace
}  // namespace tavrel::win
