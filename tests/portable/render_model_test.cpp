// The block model built from md4c's parse: golden dumps of small documents, and the inline rules
// (entities, colour tags, run merging) checked one by one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "render/markdown_model.h"
#include "render/markdown_walk.h"
#include "test_support.h"

namespace tavrel::win {
namespace {

namespace fs = std::filesystem;

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\x%02X", c);
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  return out + "\"";
}

const char* kind_name(BlockKind kind) {
  switch (kind) {
    case BlockKind::Paragraph:
      return "Paragraph";
    case BlockKind::Heading:
      return "Heading";
    case BlockKind::CodeBlock:
      return "CodeBlock";
    case BlockKind::Quote:
      return "Quote";
    case BlockKind::ListItem:
      return "ListItem";
    case BlockKind::Rule:
      return "Rule";
    case BlockKind::TableRow:
      return "TableRow";
  }
  return "?";
}

std::string style_names(RunStyle style) {
  static constexpr std::pair<RunStyle, const char*> names[] = {
      {RunStyle::Strong, "Strong"},       {RunStyle::Emphasis, "Emphasis"},
      {RunStyle::Strike, "Strike"},       {RunStyle::Code, "Code"},
      {RunStyle::Underline, "Underline"},
  };
  std::string out;
  for (const auto& [bit, name] : names) {
    if (has_style(style, bit)) {
      out += out.empty() ? "" : "|";
      out += name;
    }
  }
  return out;
}

void dump_runs(std::string& out, const std::vector<Run>& runs, const std::string& indent) {
  for (const Run& run : runs) {
    out += indent + "run " + quoted(run.text);
    if (run.style != RunStyle::None) {
      out += " style=" + style_names(run.style);
    }
    if (!run.link.empty()) {
      out += " link=" + quoted(run.link);
    }
    if (!run.color.empty()) {
      out += " color=" + run.color;
    }
    out += "\n";
  }
}

// One line per block, run, cell and heading; the golden files hold this text.
std::string dump_model(const RenderedMarkdown& doc) {
  std::string out;
  if (!doc.front_matter.empty()) {
    out += "front_matter " + quoted(doc.front_matter) + "\n";
  }
  for (const Block& block : doc.blocks) {
    out += std::string("block ") + kind_name(block.kind) + " level=" + std::to_string(block.level);
    if (!block.text.empty()) {
      out += " text=" + quoted(block.text);
    }
    out += "\n";
    dump_runs(out, block.runs, "  ");
    for (const auto& cell : block.cells) {
      out += "  cell\n";
      dump_runs(out, cell, "    ");
    }
  }
  for (const Heading& heading : doc.headings) {
    out += "heading " + std::to_string(heading.level) + " " + quoted(heading.text) +
           " id=" + heading.id + " offset=" + std::to_string(heading.offset) + "\n";
  }
  out += "plain_text " + quoted(doc.plain_text) + "\n";
  return out;
}

// Set TAVREL_UPDATE_GOLDEN=1 to rewrite the expected files after a deliberate change.
bool updating_golden() {
  const char* value = std::getenv("TAVREL_UPDATE_GOLDEN");
  return value != nullptr && std::string(value) == "1";
}

std::vector<fs::path> inputs_in(const fs::path& folder) {
  std::vector<fs::path> inputs;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == ".md") {
      inputs.push_back(entry.path());
    }
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

const Run& only_run(const RenderedMarkdown& doc, std::size_t block = 0) {
  EXPECT_LT(block, doc.blocks.size());
  EXPECT_EQ(doc.blocks.at(block).runs.size(), 1u);
  return doc.blocks.at(block).runs.at(0);
}

TEST(RenderModelGolden, EveryInputMatchesItsDump) {
  fs::path const folder = fs::path(TAVREL_TEST_DATA) / "render" / "model";
  const auto inputs = inputs_in(folder);
  ASSERT_GE(inputs.size(), 8u);
  for (const fs::path& input : inputs) {
    SCOPED_TRACE(input.filename().string());
    std::string const actual = dump_model(render_markdown(test::read_bytes(input)));
    fs::path expected_path = input;
    expected_path.replace_extension(".model");
    if (updating_golden()) {
      test::write_bytes(expected_path, actual);
    }
    ASSERT_TRUE(fs::exists(expected_path));
    EXPECT_EQ(test::read_bytes(expected_path), actual);
  }
}

TEST(RenderModelRuns, AdjacentTextWithOneLookFormsOneRun) {
  const auto doc = render_markdown("**a** b");
  ASSERT_EQ(doc.blocks.size(), 1u);
  ASSERT_EQ(doc.blocks[0].runs.size(), 2u);
  EXPECT_EQ(doc.blocks[0].runs[0].text, "a");
  EXPECT_EQ(doc.blocks[0].runs[0].style, RunStyle::Strong);
  EXPECT_EQ(doc.blocks[0].runs[1].text, " b");
  EXPECT_EQ(doc.blocks[0].runs[1].style, RunStyle::None);
}

TEST(RenderModelRuns, SoftBreakIsSpaceAndHardBreakIsNewline) {
  EXPECT_EQ(only_run(render_markdown("a\nb")).text, "a b");
  EXPECT_EQ(only_run(render_markdown("a  \nb")).text, "a\nb");
  EXPECT_EQ(only_run(render_markdown("a\\\nb")).text, "a\nb");
}

TEST(RenderModelRuns, TwoLinksToOneTargetMergeButDifferentTargetsDoNot) {
  const auto same = render_markdown("[a](x)[b](x)");
  ASSERT_EQ(same.blocks[0].runs.size(), 1u);
  EXPECT_EQ(same.blocks[0].runs[0].text, "ab");
  const auto different = render_markdown("[a](x)[b](y)");
  ASSERT_EQ(different.blocks[0].runs.size(), 2u);
  EXPECT_EQ(different.blocks[0].runs[1].link, "y");
}

TEST(RenderModelRuns, TextAfterALinkInsideEmphasisGetsTheOuterLookBack) {
  const auto doc = render_markdown("*a [b](u) c*");
  ASSERT_EQ(doc.blocks[0].runs.size(), 3u);
  EXPECT_EQ(doc.blocks[0].runs[1].link, "u");
  EXPECT_EQ(doc.blocks[0].runs[1].style, RunStyle::Emphasis);
  EXPECT_EQ(doc.blocks[0].runs[2].text, " c");
  EXPECT_EQ(doc.blocks[0].runs[2].link, "");
}

TEST(RenderModelRuns, ImageMarkerCarriesTheEnclosingLinkAndAltTextTheSource) {
  const auto plain = render_markdown("![alt](p.png)");
  ASSERT_EQ(plain.blocks[0].runs.size(), 2u);
  EXPECT_EQ(plain.blocks[0].runs[0].text, "\xE2\x96\xA7 ");
  EXPECT_EQ(plain.blocks[0].runs[0].link, "");
  EXPECT_EQ(plain.blocks[0].runs[1].text, "alt");
  EXPECT_EQ(plain.blocks[0].runs[1].link, "p.png");
  const auto linked = render_markdown("[![alt](p.png)](site)");
  ASSERT_EQ(linked.blocks[0].runs.size(), 2u);
  EXPECT_EQ(linked.blocks[0].runs[0].link, "site");
}

TEST(RenderModelInline, ColourSpanColoursItsTextOnly) {
  const auto doc = render_markdown("<span style=\"color:#FF0000\">red</span>x");
  ASSERT_EQ(doc.blocks[0].runs.size(), 2u);
  EXPECT_EQ(doc.blocks[0].runs[0].color, "#FF0000");
  EXPECT_EQ(doc.blocks[0].runs[1].color, "");
}

TEST(RenderModelInline, ColourSpansDoNotNest) {
  const auto doc = render_markdown(
      "<span style=\"color:#112233\">a<span style=\"color:#445566\">b</span>c</span>d");
  ASSERT_EQ(doc.blocks[0].runs.size(), 3u);
  EXPECT_EQ(doc.blocks[0].runs[1].color, "#445566");
  EXPECT_EQ(doc.blocks[0].runs[2].text, "cd");
  EXPECT_EQ(doc.blocks[0].runs[2].color, "");
}

TEST(RenderModelInline, UnknownTagsLeaveNoText) {
  EXPECT_EQ(only_run(render_markdown("a <b>bold</b> <span>s</span>")).text, "a bold s");
}

TEST(RenderModelInline, ColourTagMatcherIsExact) {
  EXPECT_EQ(match_color_span("<span style=\"color:#a1B2c3\">"), "#a1B2c3");
  EXPECT_EQ(match_color_span("<span style=\"color:#a1B2c\">"), "");
  EXPECT_EQ(match_color_span("<span style=\"color:#a1B2c3g\">"), "");
  EXPECT_EQ(match_color_span("<span style=\"color:#a1B2cg\">"), "");
  EXPECT_EQ(match_color_span("<span style=\"color: #a1B2c3\">"), "");
  EXPECT_EQ(match_color_span("<span style='color:#a1B2c3'>"), "");
  EXPECT_EQ(match_color_span("<SPAN style=\"color:#a1B2c3\">"), "");
  EXPECT_EQ(match_color_span(std::string(5000, '<')), "");
}

TEST(RenderModelInline, UnderlineAndColourEndWithTheirBlock) {
  const auto doc = render_markdown(
      "<u>a <span style=\"color:#00ff00\">b\n\nc\n\n# d\n\n| <u>e | f |\n|---|---|\n\n- <u>g\n  - "
      "h\n");
  ASSERT_EQ(doc.blocks.size(), 6u);
  ASSERT_EQ(doc.blocks[0].runs.size(), 2u);
  EXPECT_EQ(doc.blocks[0].runs[1].style, RunStyle::Underline);
  EXPECT_EQ(doc.blocks[0].runs[1].color, "#00ff00");
  for (std::size_t i : {1, 2}) {
    EXPECT_EQ(only_run(doc, i).style, RunStyle::None);
    EXPECT_EQ(only_run(doc, i).color, "");
  }
  ASSERT_EQ(doc.blocks[3].cells.size(), 2u);
  EXPECT_EQ(doc.blocks[3].cells[0].at(0).style, RunStyle::Strong | RunStyle::Underline);
  EXPECT_EQ(doc.blocks[3].cells[1].at(0).style, RunStyle::Strong);
  EXPECT_EQ(doc.blocks[4].runs.at(1).style, RunStyle::Underline);
  EXPECT_EQ(only_run(doc, 5).text, "\xE2\x80\xA2  h");
  EXPECT_EQ(only_run(doc, 5).style, RunStyle::None);
}

TEST(RenderModelEntities, ListedNamesDecode) {
  EXPECT_EQ(decode_html_entity("&amp;"), "&");
  EXPECT_EQ(decode_html_entity("&quot;"), "\"");
  EXPECT_EQ(decode_html_entity("&apos;"), "'");
  EXPECT_EQ(decode_html_entity("&nbsp;"), " ");
  EXPECT_EQ(decode_html_entity("&copy;"), "\xC2\xA9");
  EXPECT_EQ(decode_html_entity("&mdash;"), "\xE2\x80\x94");
  EXPECT_EQ(decode_html_entity("&ndash;"), "\xE2\x80\x93");
}

TEST(RenderModelEntities, UnlistedNamesStayAsWritten) {
  EXPECT_EQ(decode_html_entity("&hellip;"), "&hellip;");
  EXPECT_EQ(decode_html_entity("&AMP;"), "&AMP;");
  EXPECT_EQ(only_run(render_markdown("a &hellip; b")).text, "a &hellip; b");
}

TEST(RenderModelEntities, NumericValuesDecode) {
  EXPECT_EQ(decode_html_entity("&#65;"), "A");
  EXPECT_EQ(decode_html_entity("&#x41;"), "A");
  EXPECT_EQ(decode_html_entity("&#X41;"), "A");
  EXPECT_EQ(decode_html_entity("&#233;"), "\xC3\xA9");
  EXPECT_EQ(decode_html_entity("&#x1F600;"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(decode_html_entity("&#x10FFFF;"), "\xF4\x8F\xBF\xBF");
  EXPECT_EQ(decode_html_entity("&#xFFFF;"), "\xEF\xBF\xBF");
}

TEST(RenderModelEntities, ValuesThatAreNoCharacterBecomeReplacementCharacter) {
  std::string const replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(decode_html_entity("&#0;"), replacement);
  EXPECT_EQ(decode_html_entity("&#x0;"), replacement);
  EXPECT_EQ(decode_html_entity("&#0000000;"), replacement);
  EXPECT_EQ(decode_html_entity("&#xD800;"), replacement);
  EXPECT_EQ(decode_html_entity("&#xDFFF;"), replacement);
  EXPECT_EQ(decode_html_entity("&#55296;"), replacement);
  EXPECT_EQ(decode_html_entity("&#x110000;"), replacement);
  EXPECT_EQ(decode_html_entity("&#9999999;"), replacement);
  EXPECT_EQ(decode_html_entity("&#99999999999999999999999;"), replacement);
  const auto doc = render_markdown("a&#0;b");
  EXPECT_EQ(only_run(doc).text.find('\0'), std::string::npos);
  EXPECT_EQ(only_run(doc).text, "a" + replacement + "b");
}

TEST(RenderModelEntities, TextWithoutDigitsStaysAsWritten) {
  EXPECT_EQ(decode_html_entity("&#;"), "&#;");
  EXPECT_EQ(decode_html_entity("&#x;"), "&#x;");
  EXPECT_EQ(decode_html_entity("&#xg;"), "&#xg;");
  EXPECT_EQ(decode_html_entity("&#"), "&#");
  EXPECT_EQ(decode_html_entity(""), "");
}

TEST(RenderModelEntities, NulCharactersBecomeOneReplacementCharacterEach) {
  std::string const replacement = "\xEF\xBF\xBD";
  const auto inline_doc = render_markdown(std::string("a\0b", 3));
  EXPECT_EQ(only_run(inline_doc).text, "a" + replacement + "b");
  const auto code = render_markdown(std::string("```\na\0b\0\0c\n```\n", 14));
  EXPECT_EQ(only_run(code).text, "a" + replacement + "b" + replacement + replacement + "c\n");
  EXPECT_EQ(code.html,
            "<pre><code>a" + replacement + "b" + replacement + replacement + "c\n</code></pre>\n");
}

TEST(RenderModelBlocks, ParagraphsOfOneItemJoinWithNothingBetween) {
  const auto doc = render_markdown("- a\n\n  b\n");
  ASSERT_EQ(doc.blocks.size(), 1u);
  EXPECT_EQ(doc.blocks[0].kind, BlockKind::ListItem);
  EXPECT_EQ(only_run(doc).text, "\xE2\x80\xA2  ab");
}

TEST(RenderModelBlocks, OrderedListsCountFromTheirStart) {
  const auto doc = render_markdown("3. a\n4. b\n\ntext\n\n0. c\n1. d\n");
  ASSERT_EQ(doc.blocks.size(), 5u);
  EXPECT_EQ(doc.blocks[0].runs[0].text, "3.  a");
  EXPECT_EQ(doc.blocks[1].runs[0].text, "4.  b");
  EXPECT_EQ(doc.blocks[3].runs[0].text, "\xE2\x80\xA2  c");
  EXPECT_EQ(doc.blocks[4].runs[0].text, "\xE2\x80\xA2  d");
}

TEST(RenderModelBlocks, OnlyParagraphsCarryTheQuoteDepth) {
  const auto doc = render_markdown("> # h\n>\n> ```\n> c\n> ```\n>\n> > p\n");
  ASSERT_EQ(doc.blocks.size(), 3u);
  EXPECT_EQ(doc.blocks[0].kind, BlockKind::Heading);
  EXPECT_EQ(doc.blocks[0].level, 1u);
  EXPECT_EQ(doc.blocks[1].kind, BlockKind::CodeBlock);
  EXPECT_EQ(doc.blocks[1].level, 0u);
  EXPECT_EQ(doc.blocks[2].kind, BlockKind::Quote);
  EXPECT_EQ(doc.blocks[2].level, 2u);
}

TEST(RenderModelBlocks, HeaderRowIsLevelOneWithStrongCells) {
  const auto doc = render_markdown("| a | *b* |\n|---|---|\n| c | d |\n");
  ASSERT_EQ(doc.blocks.size(), 2u);
  EXPECT_EQ(doc.blocks[0].level, 1u);
  EXPECT_TRUE(doc.blocks[0].runs.empty());
  ASSERT_EQ(doc.blocks[0].cells.size(), 2u);
  EXPECT_EQ(doc.blocks[0].cells[1][0].style, RunStyle::Strong | RunStyle::Emphasis);
  EXPECT_EQ(doc.blocks[1].level, 0u);
  EXPECT_EQ(doc.blocks[1].cells[0][0].style, RunStyle::None);
}

TEST(RenderModelBlocks, EmptyInputGivesNoBlocks) {
  const auto doc = render_markdown("");
  EXPECT_TRUE(doc.blocks.empty());
  EXPECT_TRUE(doc.headings.empty());
  EXPECT_EQ(doc.plain_text, "");
}

TEST(RenderModelWalk, StrayCallbacksLeaveTheWalkConsistent) {
  MarkdownWalk walk;
  // md4c never sends a leave without its enter, but the walk must not depend on that.
  EXPECT_EQ(on_leave_span(MD_SPAN_EM, nullptr, &walk), 0);
  EXPECT_EQ(on_leave_block(MD_BLOCK_UL, nullptr, &walk), 0);
  EXPECT_EQ(on_leave_block(MD_BLOCK_QUOTE, nullptr, &walk), 0);
  EXPECT_EQ(walk.list_depth, 0u);
  EXPECT_EQ(walk.quote_depth, 0u);
  EXPECT_EQ(on_text(MD_TEXT_NORMAL, "x", 1, &walk), 0);
  EXPECT_FALSE(walk.failure);
  ASSERT_EQ(walk.result.blocks.size(), 1u);
  EXPECT_EQ(walk.result.blocks[0].kind, BlockKind::Paragraph);
}

}  // namespace
}  // namespace tavrel::win
