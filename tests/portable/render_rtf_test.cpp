#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "core/text_convert.h"
#include "render/markdown_model.h"
#include "render/rtf_writer.h"

namespace tavrel::win {
namespace {

const std::string kDarkHead =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Segoe UI;}{\\f1 Cascadia Mono;}}{\\colortbl;"
    "\\red225\\green231\\blue238;\\red255\\green167\\blue87;\\red167\\green193\\blue227;"
    "\\red31\\green39\\blue50;";
const std::string kLightHead =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Segoe UI;}{\\f1 Cascadia Mono;}}{\\colortbl;"
    "\\red35\\green46\\blue61;\\red179\\green77\\blue13;\\red78\\green95\\blue132;"
    "\\red241\\green245\\blue248;";
const std::string kBodyStart = "}\\viewkind4\\uc1\\f0\\fs22\\cf1 ";
const std::string kPara = "\\pard\\sa180\\sl300\\slmult1\\f0\\fs22\\cf1 ";
const std::string kEnd = "\\b0\\i0\\cb0\\par ";

Run run(std::string text, RunStyle style = RunStyle::None, std::string link = {},
        std::string color = {}) {
  return Run{std::move(text), style, std::move(link), std::move(color)};
}

Block block(BlockKind kind, std::uint32_t level, std::vector<Run> runs) {
  Block result;
  result.kind = kind;
  result.level = level;
  result.runs = std::move(runs);
  return result;
}

Block row(std::uint32_t level, std::vector<std::vector<Run>> cells) {
  Block result;
  result.kind = BlockKind::TableRow;
  result.level = level;
  result.cells = std::move(cells);
  return result;
}

RenderedMarkdown model(std::vector<Block> blocks, std::string front_matter = {}) {
  RenderedMarkdown result;
  result.blocks = std::move(blocks);
  result.front_matter = std::move(front_matter);
  return result;
}

// The body of a one-block document, between the colour table and the final brace.
std::string body_of(const RenderedMarkdown& doc) {
  std::string rtf = render_rtf(doc, true, 11);
  std::size_t start = rtf.find(kBodyStart);
  EXPECT_NE(start, std::string::npos);
  return rtf.substr(start + kBodyStart.size(), rtf.size() - start - kBodyStart.size() - 1);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("missing test file " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Compares with a golden file; TAVREL_UPDATE_GOLDEN=1 rewrites it instead (review the diff).
void expect_golden(const std::string& name, const std::string& actual) {
  std::string path = std::string(TAVREL_TEST_DATA) + "/render/rtf/" + name;
  if (std::getenv("TAVREL_UPDATE_GOLDEN")) {
    std::ofstream(path, std::ios::binary) << actual;
    return;
  }
  EXPECT_EQ(actual, read_file(path)) << "golden " << name;
}

TEST(RtfWriter, EmptyModelIsHeaderAndBody) {
  EXPECT_EQ(render_rtf(model({}), true, 11), kDarkHead + kBodyStart + "}");
  EXPECT_EQ(render_rtf(model({}), false, 11), kLightHead + kBodyStart + "}");
}

TEST(RtfWriter, BaseSizeSetsTheBodyFont) {
  std::string rtf = render_rtf(model({block(BlockKind::Paragraph, 0, {run("x")})}), true, 12);
  EXPECT_NE(rtf.find("}\\viewkind4\\uc1\\f0\\fs24\\cf1 \\pard\\sa180\\sl300\\slmult1\\f0\\fs24"),
            std::string::npos);
}

TEST(RtfWriter, ParagraphEscapesBraces) {
  EXPECT_EQ(body_of(model({block(BlockKind::Paragraph, 0, {run("a{b}")})})),
            kPara + "{a\\{b\\}}" + kEnd);
}

TEST(RtfWriter, RunWordsComeInFixedOrder) {
  RunStyle all = RunStyle::Strong | RunStyle::Emphasis | RunStyle::Strike | RunStyle::Underline |
                 RunStyle::Code;
  EXPECT_EQ(write_rtf_run({run("x", RunStyle::Strong | RunStyle::Emphasis, "u")}, {}),
            "{\\b \\i \\cf2\\ul x}");
  EXPECT_EQ(write_rtf_run({run("x", all)}, {}), "{\\b \\i \\strike \\ul \\f1\\cf3 x}");
  EXPECT_EQ(write_rtf_run({run("a"), run("b", RunStyle::Strike)}, {}), "{a}{\\strike b}");
}

TEST(RtfWriter, ExplicitColourComesLast) {
  std::string rtf = render_rtf(
      model({block(BlockKind::Paragraph, 0, {run("c", RunStyle::Code, "l", "#123456")})}), true,
      11);
  EXPECT_NE(rtf.find("{\\f1\\cf3 \\cf2\\ul \\cf5 c}"), std::string::npos);
  EXPECT_NE(rtf.find("\\red18\\green52\\blue86;}"), std::string::npos);
}

TEST(RtfWriter, RunColoursAreIndexedBySortedText) {
  RenderedMarkdown doc = model(
      {block(BlockKind::Paragraph, 0,
             {run("r", RunStyle::None, {}, "#FF0000"), run("g", RunStyle::None, {}, "#00FF00")})});
  std::string rtf = render_rtf(doc, false, 11);
  std::string head = kLightHead + "\\red0\\green255\\blue0;\\red255\\green0\\blue0;}";
  EXPECT_EQ(rtf.substr(0, head.size()), head);
  EXPECT_NE(rtf.find("{\\cf6 r}{\\cf5 g}"), std::string::npos);
}

TEST(RtfWriter, ColoursDifferingInCaseAreTwoEntries) {
  RenderedMarkdown doc = model(
      {block(BlockKind::Paragraph, 0,
             {run("a", RunStyle::None, {}, "#ff0000"), run("b", RunStyle::None, {}, "#FF0000")})},
      {});
  doc.blocks.push_back(row(0, {{run("c", RunStyle::None, {}, "#abcdef")}}));
  std::string rtf = render_rtf(doc, true, 11);
  // "#FF0000" < "#abcdef" < "#ff0000" by byte value.
  EXPECT_NE(rtf.find("\\red255\\green0\\blue0;\\red171\\green205\\blue239;"
                     "\\red255\\green0\\blue0;}"),
            std::string::npos);
  EXPECT_NE(rtf.find("{\\cf7 a}{\\cf5 b}"), std::string::npos);
  EXPECT_NE(rtf.find("\\intbl {\\cf6 c}\\cell "), std::string::npos);
}

TEST(RtfWriter, HeadingSizesAreFixed) {
  for (auto [level, size] : {std::pair{1u, "38"}, {2u, "30"}, {3u, "25"}, {4u, "25"}, {6u, "25"}}) {
    EXPECT_EQ(body_of(model({block(BlockKind::Heading, level, {run("H")})})),
              kPara + "\\sb240\\sa160\\b\\fs" + size + " {H}" + kEnd);
  }
}

TEST(RtfWriter, BlockKindsHaveTheirParagraphWords) {
  EXPECT_EQ(body_of(model({block(BlockKind::CodeBlock, 0, {run("x\ny")})})),
            kPara + "\\f1\\fs20\\li180\\ri180\\cb4\\sa120 {x\\line y}" + kEnd);
  EXPECT_EQ(body_of(model({block(BlockKind::Quote, 3, {run("q")})})),
            kPara + "\\li260\\cf3\\i {q}" + kEnd);
  EXPECT_EQ(body_of(model({block(BlockKind::ListItem, 2, {run("-  i")})})),
            kPara + "\\li400\\sa80 {-  i}" + kEnd);
  EXPECT_EQ(body_of(model({block(BlockKind::Rule, 0, {run("ignored")})})),
            kPara + "\\brdrb\\brdrs\\brdrw8\\brdrcf4\\par ");
}

TEST(RtfWriter, TableRowsShareTheWidthEqually) {
  Block header = row(1, {{run("a", RunStyle::Strong)}, {run("b", RunStyle::Strong)}, {}});
  std::string cell = "\\clbrdrb\\brdrs\\brdrw5\\brdrcf4\\clcbpat4\\cellx";
  EXPECT_EQ(body_of(model({header})),
            kPara + "\\trowd\\trgaph80" + cell + "2533" + cell + "5066" + cell + "7599" +
                "\\intbl {\\b a}\\cell \\intbl {\\b b}\\cell \\intbl \\cell \\row ");
  EXPECT_EQ(body_of(model({row(0, {{run("x")}})})),
            kPara +
                "\\trowd\\trgaph80\\clbrdrb\\brdrs\\brdrw5\\brdrcf4\\cellx7600"
                "\\intbl {x}\\cell \\row ");
}

TEST(RtfWriter, TableRowWithoutCellsIsAParagraph) {
  EXPECT_EQ(body_of(model({block(BlockKind::TableRow, 0, {run("t")})})), kPara + "{t}" + kEnd);
}

TEST(RtfWriter, FrontMatterComesFirstInMutedColour) {
  EXPECT_EQ(body_of(model({block(BlockKind::Paragraph, 0, {run("p")})}, "title: x\n{y}")),
            "{\\cf3\\fs18 title: x\\line \\{y\\}}\\par\\par " + kPara + "{p}" + kEnd);
}

TEST(RtfWriter, EveryBlockStartsFromTheBaseLook) {
  // Underline, colour and code of one block must not reach the next one.
  RenderedMarkdown doc = model({
      block(BlockKind::Heading, 1, {run("u", RunStyle::Underline, {}, "#FF0000")}),
      block(BlockKind::CodeBlock, 0, {run("c")}),
      block(BlockKind::Paragraph, 0, {run("plain")}),
  });
  std::string body = body_of(doc);
  EXPECT_EQ(body, kPara + "\\sb240\\sa160\\b\\fs38 {\\ul \\cf5 u}" + kEnd + kPara +
                      "\\f1\\fs20\\li180\\ri180\\cb4\\sa120 {c}" + kEnd + kPara + "{plain}" + kEnd);
}

TEST(RtfEscape, WritesUtf16UnitsAsSignedDecimals) {
  EXPECT_EQ(escape_rtf("caf\xC3\xA9"), "caf\\u233?");
  EXPECT_EQ(escape_rtf("\xEF\xBF\xBD"), "\\u-3?");
  EXPECT_EQ(escape_rtf("\xF0\x9F\x98\x80"), "\\u-10179?\\u-8704?");
  EXPECT_EQ(escape_rtf("Vi\xE1\xBB\x87t"), "Vi\\u7879?t");
}

TEST(RtfEscape, ControlAndSpecialCharacters) {
  EXPECT_EQ(escape_rtf("a\\b{c}"), "a\\\\b\\{c\\}");
  EXPECT_EQ(escape_rtf("l1\r\nl2\tx"), "l1\\line l2\\tab x");
  EXPECT_EQ(escape_rtf(std::string("\x01\x1F\x7F\0", 4)), "\\u1?\\u31?\\u127?\\u0?");
  EXPECT_EQ(escape_rtf(" ~"), " ~");
}

TEST(RtfEscape, InvalidUtf8Throws) {
  for (std::string bad :
       {"\xC3", "\xC3x", "a\x80", "\xED\xA0\x80", "\xC0\xAF", "\xF4\x90\x80\x80"}) {
    EXPECT_THROW(escape_rtf(bad), std::runtime_error) << bad;
  }
  EXPECT_THROW(render_rtf(model({block(BlockKind::Paragraph, 0, {run("ok \xFF")})}), true, 11),
               std::runtime_error);
}

// The escaping rules applied to the UTF-16 form, one unit at a time.
std::string reference_escape(const std::string& text) {
  std::string out;
  for (char16_t unit : utf8_to_utf16(text)) {
    if (unit == u'\\' || unit == u'{' || unit == u'}') {
      out += '\\';
      out += static_cast<char>(unit);
    } else if (unit == u'\n') {
      out += "\\line ";
    } else if (unit == u'\t') {
      out += "\\tab ";
    } else if (unit >= 0x20 && unit <= 0x7E) {
      out += static_cast<char>(unit);
    } else if (unit != u'\r') {
      out += "\\u" + std::to_string(static_cast<std::int16_t>(unit)) + "?";
    }
  }
  return out;
}

TEST(RtfEscape, RefusesExactlyWhatTheStrictConversionRefuses) {
  const char bytes[] = {'a',    '\n',   '\\',   '\x7F', '\x80', '\xBF', '\xC2', '\xDF', '\xE0',
                        '\xED', '\xEF', '\xF0', '\xF4', '\xF5', '\xA0', '\x90', '\x8F', '\x01'};
  std::uint32_t seed = 7;
  int valid = 0;
  for (int round = 0; round < 3000; ++round) {
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
}

// A model with every block kind and run look, independent of the Markdown parser.
RenderedMarkdown all_kinds_model() {
  return model(
      {
          block(BlockKind::Heading, 1, {run("Ti\xE1\xBA\xBFng Vi\xE1\xBB\x87t")}),
          block(BlockKind::Paragraph, 0,
                {run("plain "), run("bold", RunStyle::Strong), run(" "),
                 run("em", RunStyle::Emphasis), run(" link", RunStyle::None, "https://x.y/"),
                 run(" red", RunStyle::None, {}, "#FF0000"), run(" code", RunStyle::Code)}),
          block(BlockKind::Heading, 2, {run("Second")}),
          block(BlockKind::Quote, 1, {run("quoted \xE2\x80\x94 text")}),
          block(BlockKind::ListItem, 1, {run("\xE2\x80\xA2  item")}),
          block(BlockKind::ListItem, 2, {run("3.  nested")}),
          block(BlockKind::CodeBlock, 0, {run("int main() {\n\treturn 0;\n}\n")}),
          block(BlockKind::Rule, 0, {}),
          row(1, {{run("Name", RunStyle::Strong)}, {run("Value", RunStyle::Strong)}}),
          row(0, {{run("a")}, {run("1", RunStyle::None, {}, "#00ff00")}}),
          block(BlockKind::Heading, 5, {run("Fifth")}),
      },
      "title: demo");
}

TEST(RtfGolden, AllKindsDark) {
  expect_golden("all_kinds.dark.rtf", render_rtf(all_kinds_model(), true, 11));
}

TEST(RtfGolden, AllKindsLight) {
  expect_golden("all_kinds.light.rtf", render_rtf(all_kinds_model(), false, 11));
}

// Markdown inputs under tests/data/render/rtf with their expected RTF in both themes.
void expect_markdown_golden(const std::string& name) {
  std::string dir = std::string(TAVREL_TEST_DATA) + "/render/rtf/";
  RenderedMarkdown doc = render_markdown(read_file(dir + name + ".md"));
  expect_golden(name + ".dark.rtf", render_rtf(doc, true, 11));
  expect_golden(name + ".light.rtf", render_rtf(doc, false, 11));
}

TEST(RtfGolden, BlockKindsFromMarkdown) { expect_markdown_golden("block_kinds"); }
TEST(RtfGolden, TablesAndSpansFromMarkdown) { expect_markdown_golden("tables_spans"); }

TEST(RtfFromMarkdown, UnderlineAndColourEndWithTheirBlock) {
  std::string rtf = render_rtf(
      render_markdown("<u>under <span style=\"color:#A1B2C3\">red\n\nnext paragraph\n"), true, 11);
  EXPECT_NE(rtf.find("{\\ul \\cf5 red}"), std::string::npos);
  EXPECT_NE(rtf.find(kPara + "{next paragraph}" + kEnd), std::string::npos);
}

}  // namespace
}  // namespace tavrel::win
