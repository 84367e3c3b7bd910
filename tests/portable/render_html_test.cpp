// render_markdown beyond the block model: front matter, HTML, heading ids and offsets, anchors
// and the table of contents.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <md4c-html.h>

#include "render/heading_ids.h"
#include "render/markdown_model.h"
#include "test_support.h"

namespace tavrel::win {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> ids_of(const RenderedMarkdown& doc) {
  std::vector<std::string> ids;
  for (const Heading& heading : doc.headings) {
    ids.push_back(heading.id);
  }
  return ids;
}

std::vector<std::uint64_t> offsets_of(const RenderedMarkdown& doc) {
  std::vector<std::uint64_t> offsets;
  for (const Heading& heading : doc.headings) {
    offsets.push_back(heading.offset);
  }
  return offsets;
}

// The plain search of the whole remaining input, heading after heading.
std::vector<std::uint64_t> reference_offsets(const std::string& input, std::size_t start,
                                             const std::vector<Heading>& headings) {
  std::vector<std::uint64_t> offsets;
  std::size_t position = start;
  for (const Heading& heading : headings) {
    std::size_t offset = position;
    if (heading.text.size() <= input.size() - position) {
      std::size_t const found = input.find(heading.text, position);
      offset = found == std::string::npos ? position : found;
    }
    offsets.push_back(offset);
    position = offset + heading.text.size();
  }
  return offsets;
}

// md4c's own HTML of the same text, before anchors and the table of contents.
std::string raw_html(const std::string& input) {
  std::string html;
  md_html(
      input.data(), static_cast<MD_SIZE>(input.size()),
      [](MD_CHAR const* data, MD_SIZE size, void* out) {
        static_cast<std::string*>(out)->append(data, size);
      },
      &html, 0x1F6C, 0);
  return html;
}

// Inserting into the HTML in place, one heading at a time.
std::string reference_anchors(std::string html, const std::vector<Heading>& headings) {
  std::size_t search = 0;
  for (const Heading& heading : headings) {
    std::string const tag = "<h" + std::to_string(heading.level) + ">";
    std::size_t const at = html.find(tag, search);
    if (at == std::string::npos) {
      break;
    }
    html.insert(at + tag.size() - 1, " id=\"" + heading.id + "\"");
    search = at + tag.size() + heading.id.size() + 6;
  }
  return html;
}

TEST(RenderHtmlGolden, EveryInputMatchesItsHtml) {
  fs::path const folder = fs::path(TAVREL_TEST_DATA) / "render" / "html";
  std::vector<fs::path> inputs;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == ".md") {
      inputs.push_back(entry.path());
    }
  }
  std::sort(inputs.begin(), inputs.end());
  ASSERT_GE(inputs.size(), 4u);
  const char* update = std::getenv("TAVREL_UPDATE_GOLDEN");
  for (const fs::path& input : inputs) {
    SCOPED_TRACE(input.filename().string());
    std::string const actual = render_markdown(test::read_bytes(input)).html;
    fs::path expected = input;
    expected.replace_extension(".html");
    if (update != nullptr && std::string(update) == "1") {
      test::write_bytes(expected, actual);
    }
    ASSERT_TRUE(fs::exists(expected));
    EXPECT_EQ(test::read_bytes(expected), actual);
  }
}

TEST(RenderHtmlFrontMatter, IsStrippedAndHeadingOffsetCountsIt) {
  const auto doc = render_markdown("---\ntitle: x\n---\n# A\n");
  EXPECT_EQ(doc.front_matter, "title: x");
  ASSERT_EQ(doc.headings.size(), 1u);
  EXPECT_EQ(doc.headings[0].text, "A");
  EXPECT_EQ(doc.headings[0].id, "a");
  EXPECT_EQ(doc.headings[0].offset, 19u);
  EXPECT_EQ(doc.html, "<h1 id=\"a\">A</h1>\n");
}

TEST(RenderHtmlFrontMatter, TwoFencesInARowAreNoFrontMatter) {
  const auto doc = render_markdown("---\n---\n# A\n");
  EXPECT_EQ(doc.front_matter, "");
  EXPECT_EQ(doc.html, "<hr>\n<hr>\n<h1 id=\"a\">A</h1>\n");
  EXPECT_EQ(doc.headings.at(0).offset, 10u);
}

TEST(RenderHtmlFrontMatter, ALaterFenceClosesWhatTwoFencesOpened) {
  const auto doc = render_markdown("---\n---\n# A\n\n---\n\nb\n");
  EXPECT_EQ(doc.front_matter, "---\n# A\n");
  EXPECT_TRUE(doc.headings.empty());
  EXPECT_EQ(doc.html, "<p>b</p>\n");
}

TEST(RenderHtmlFrontMatter, EmptyAndUnclosedFrontMatter) {
  const auto empty = render_markdown("---\n\n---\ntext\n");
  EXPECT_EQ(empty.front_matter, "");
  EXPECT_EQ(empty.html, "<p>text</p>\n");
  const auto unclosed = render_markdown("---\ntitle: x\n");
  EXPECT_EQ(unclosed.front_matter, "");
  EXPECT_EQ(unclosed.html, "<hr>\n<p>title: x</p>\n");
}

TEST(RenderHtmlIds, RepeatsAreNumberedByBaseId) {
  const auto doc = render_markdown("# Hello World\n# Hello World\n## Hello World\n");
  EXPECT_EQ(ids_of(doc),
            (std::vector<std::string>{"hello-world", "hello-world-1", "hello-world-2"}));
}

TEST(RenderHtmlIds, ProducedIdsAreNotComparedWithOtherBaseIds) {
  const auto doc = render_markdown("# a\n# a-1\n# a\n");
  EXPECT_EQ(ids_of(doc), (std::vector<std::string>{"a", "a-1", "a-1"}));
}

TEST(RenderHtmlIds, CharacterRules) {
  EXPECT_EQ(make_heading_id("A & B!"), "a--b");
  EXPECT_EQ(make_heading_id("!!!"), "section");
  EXPECT_EQ(make_heading_id(""), "section");
  EXPECT_EQ(make_heading_id("  x\t_y-Z "), "--x-_y-z-");
  EXPECT_EQ(make_heading_id("Tiếng Việt"), "ti\xE1\xBA\xBFng-vi\xE1\xBB\x87t");
  EXPECT_EQ(make_heading_id("\xC3\x89t\xC3\xA9"), "\xC3\x89t\xC3\xA9");
}

TEST(RenderHtmlIds, EmptyHeadingGetsSection) {
  const auto doc = render_markdown("#\n\n# ...\n");
  EXPECT_EQ(ids_of(doc), (std::vector<std::string>{"section", "section-1"}));
  EXPECT_EQ(doc.headings[0].text, "");
}

TEST(RenderHtmlOffsets, SameTextGetsIncreasingOffsets) {
  std::string const input = "# Same\n\ntext\n\n# Same\n";
  const auto doc = render_markdown(input);
  EXPECT_EQ(offsets_of(doc), (std::vector<std::uint64_t>{2, 16}));
}

TEST(RenderHtmlOffsets, MatchThePlainSearchWhereItFindsEachHeading) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    std::string input = round % 3 == 0 ? "---\nmeta: 1\n---\n" : "";
    std::size_t const start = input.size();
    int unique = 0;
    for (int block = 0; block < 60; ++block) {
      switch (random() % 6) {
        case 0:
          input += "some lowercase words here\nand more\n\n";
          break;
        case 1:
          input += "# Title " + std::to_string(random() % 4) + "\n\n";
          break;
        case 2:
          input += "## *Styled* Unique" + std::to_string(unique++) + " ##\n\n";
          break;
        case 3:
          input += "### Q" + std::to_string(unique++) + " &amp; R\n\n";
          break;
        case 4:
          input += "> #### Quoted T" + std::to_string(random() % 3) + "\n\n";
          break;
        default:
          input += "Setext Head " + std::to_string(random() % 3) + "\n---\n\n";
          break;
      }
    }
    const auto doc = render_markdown(input);
    EXPECT_EQ(offsets_of(doc), reference_offsets(input, start, doc.headings)) << input;
  }
}

TEST(RenderHtmlOffsets, TextElsewhereDoesNotPullTheHeadingAway) {
  // The plain search would settle on the paragraph before the heading, or on a later heading
  // whose text matches this one's decoded text; both point the outline at the wrong line.
  std::string const before = "Intro is mentioned first.\n\n# Intro\n";
  EXPECT_EQ(render_markdown(before).headings.at(0).offset, 29u);
  std::string const later = "# A &amp; B\n\n# A & B\n";
  const auto doc = render_markdown(later);
  EXPECT_EQ(offsets_of(doc), (std::vector<std::uint64_t>{0, 15}));
}

TEST(RenderHtmlOffsets, HeadingsNotWrittenVerbatimKeepTheRunningPosition) {
  std::string const input = "# a&#98;c\n\n# x *y*\n\n# z\n";
  const auto doc = render_markdown(input);
  EXPECT_EQ(offsets_of(doc), (std::vector<std::uint64_t>{0, 3, 22}));
}

TEST(RenderHtmlOffsets, NeverPastTheEndOfTheInput) {
  // Each NUL becomes three bytes of U+FFFD, so the heading texts outgrow the input.
  std::string input =
      "# " + std::string(4, '\0') + "\n# " + std::string(3, '\0') + "\n# " + std::string(1, '\0');
  const auto doc = render_markdown(input);
  EXPECT_EQ(offsets_of(doc), (std::vector<std::uint64_t>{0, 12, 16}));
  EXPECT_EQ(input.size(), 16u);
}

TEST(RenderHtmlOffsets, SearchIsExactOnRepetitiveText) {
  std::string const hay = std::string(50, 'a') + "b" + std::string(50, 'a') + "ab";
  std::string const needle = std::string(50, 'a') + "b";
  EXPECT_EQ(find_first_between(hay, needle, 0, hay.size()), 0u);
  EXPECT_EQ(find_first_between(hay, needle, 1, hay.size()), 52u);
  EXPECT_EQ(find_first_between(hay, needle, 1, 51), std::string_view::npos);
  EXPECT_EQ(find_first_between(hay, "", 5, 5), 5u);
  std::mt19937 random(3);
  for (int i = 0; i < 2000; ++i) {
    std::string h, n;
    for (int k = static_cast<int>(random() % 40); k > 0; --k)
      h += static_cast<char>('a' + random() % 2);
    for (int k = 1 + static_cast<int>(random() % 4); k > 0; --k)
      n += static_cast<char>('a' + random() % 2);
    std::size_t const from = random() % (h.size() + 1);
    std::size_t expected = h.find(n, from);
    EXPECT_EQ(find_first_between(h, n, from, h.size()), expected) << h << " " << n << " " << from;
  }
}

TEST(RenderHtmlAnchors, SameAsInsertingIntoTheFinishedHtmlOneAtATime) {
  std::mt19937 random(11);
  const char* pieces[] = {"# A\n\n",
                          "## B b\n\n",
                          "### A\n\n",
                          "text <h2> &lt;h1&gt;\n\n",
                          "```\n<h3>\n```\n\n",
                          "    <h1>x</h1>\n\n",
                          "> ## Q\n\n",
                          "- #### L\n\n",
                          "[TOC]\n\n",
                          "`<h5>`\n\n",
                          "###### Six <h6>\n\n",
                          "T\n=\n\n",
                          "![<h1>](<h2>)\n\n"};
  for (int round = 0; round < 300; ++round) {
    std::string input;
    for (int k = static_cast<int>(random() % 14); k > 0; --k) {
      input += pieces[random() % std::size(pieces)];
    }
    const auto doc = render_markdown(input);
    std::string expected = reference_anchors(raw_html(input), doc.headings);
    replace_toc_markers(expected, table_of_contents_html(doc.headings), SIZE_MAX);
    EXPECT_EQ(doc.html, expected) << input;
  }
}

TEST(RenderHtmlAnchors, HeadingTagInCodeIsEscapedAndNeverAnchored) {
  const auto doc = render_markdown("```\n<h2>x</h2>\n```\n\n## Real\n");
  EXPECT_EQ(doc.html,
            "<pre><code>&lt;h2&gt;x&lt;/h2&gt;\n</code></pre>\n<h2 id=\"real\">Real</h2>\n");
}

TEST(RenderHtmlToc, ParagraphOfTocBecomesNavAndLinkedRuns) {
  const auto doc = render_markdown("[TOC]\n\n# A\n\n## B c\n");
  EXPECT_EQ(doc.html,
            "<nav class=\"toc\"><a style=\"margin-left:0px\" href=\"#a\">A</a>"
            "<a style=\"margin-left:16px\" href=\"#b-c\">B c</a></nav>\n"
            "<h1 id=\"a\">A</h1>\n<h2 id=\"b-c\">B c</h2>\n");
  ASSERT_EQ(doc.blocks.at(0).runs.size(), 2u);
  const win::Run& second = doc.blocks[0].runs[1];
  EXPECT_EQ(second.text, "  B c\n");
  EXPECT_EQ(second.style, RunStyle::Underline);
  EXPECT_EQ(second.link, "#b-c");
  EXPECT_EQ(second.color, "");
  EXPECT_EQ(doc.plain_text.substr(0, 7), "[TOC]\n\n");
}

TEST(RenderHtmlToc, WithoutHeadingsTheNavIsEmpty) {
  const auto doc = render_markdown("[TOC]\n");
  EXPECT_EQ(doc.html, "<nav class=\"toc\"></nav>\n");
  ASSERT_EQ(doc.blocks.size(), 1u);
  EXPECT_EQ(doc.blocks[0].kind, BlockKind::Paragraph);
  EXPECT_TRUE(doc.blocks[0].runs.empty());
}

TEST(RenderHtmlToc, MoreTextThanTheMarkerIsLeftAlone) {
  const auto doc = render_markdown("[TOC] x\n\n# A\n");
  EXPECT_EQ(doc.html, "<p>[TOC] x</p>\n<h1 id=\"a\">A</h1>\n");
  EXPECT_EQ(doc.blocks.at(0).runs.at(0).text, "[TOC] x");
}

TEST(RenderHtmlToc, EveryMarkerIsReplaced) {
  auto replaced = [](std::string html, std::size_t limit = SIZE_MAX) {
    replace_toc_markers(html, "<nav/>", limit);
    return html;
  };
  EXPECT_EQ(replaced("<p>[TOC]</p><p>[TOC]</p>x<p>[TOC]</p>"), "<nav/><nav/>x<nav/>");
  EXPECT_EQ(replaced("<p>[TOC]</p"), "<p>[TOC]</p");
  EXPECT_EQ(replaced("[TOC]</p><p>[TOC]</p>"), "[TOC]</p><nav/>");
  EXPECT_EQ(replaced("<p><p>[TOC]</p>[TOC]</p>"), "<p><nav/>[TOC]</p>");
  EXPECT_EQ(replaced(""), "");
  EXPECT_EQ(replaced("<p>[TOC]</p><p>[TOC]</p>x<p>[TOC]</p>", 2), "<nav/><nav/>x<p>[TOC]</p>");
  EXPECT_EQ(replaced("<p>[TOC]</p>", 0), "<p>[TOC]</p>");
}

TEST(RenderHtmlToc, ManyTablesOfManyHeadingsStayBounded) {
  // 300 tables of 1000 headings would be 300,000 entries: only the first hundred tables are
  // expanded, the rest stay as the marker they were written as.
  std::string input;
  for (int i = 0; i < 300; ++i) {
    input += "[TOC]\n\n";
  }
  for (int i = 0; i < 1000; ++i) {
    input += "# h\n";
  }
  const auto doc = render_markdown(input);
  ASSERT_EQ(doc.headings.size(), 1000u);
  EXPECT_EQ(toc_expansion_limit(1000), 100u);
  std::size_t expanded = 0;
  std::size_t kept = 0;
  for (const Block& block : doc.blocks) {
    if (block.kind != BlockKind::Paragraph) {
      continue;
    }
    if (block.runs.size() == 1000) {
      ++expanded;
    } else if (block.runs.size() == 1 && block.runs[0].text == "[TOC]") {
      ++kept;
    }
  }
  EXPECT_EQ(expanded, 100u);
  EXPECT_EQ(kept, 200u);
  std::size_t navs = 0;
  for (std::size_t at = doc.html.find("<nav"); at != std::string::npos;
       at = doc.html.find("<nav", at + 1)) {
    ++navs;
  }
  EXPECT_EQ(navs, 100u);
  EXPECT_EQ(toc_expansion_limit(0), SIZE_MAX);
  EXPECT_EQ(toc_expansion_limit(250000), 1u);
}

TEST(RenderHtmlInline, UnderlineTagsAreTextInHtmlButStyleInTheModel) {
  const auto doc = render_markdown("<u>word</u>\n");
  EXPECT_EQ(doc.html, "<p>&lt;u&gt;word&lt;/u&gt;</p>\n");
  ASSERT_EQ(doc.blocks.at(0).runs.size(), 1u);
  EXPECT_EQ(doc.blocks[0].runs[0].style, RunStyle::Underline);
}

TEST(RenderHtmlInline, EntitiesThatAreNoCharacterGiveReplacementCharacter) {
  const auto doc = render_markdown("&#0;&#xD800;&#xDFFF;&#x110000;\n");
  std::string const r = "\xEF\xBF\xBD";
  EXPECT_EQ(doc.html, "<p>" + r + r + r + r + "</p>\n");
}

TEST(RenderHtmlPlainText, EveryBlockEndsWithABlankLineAndCellsAreTabbed) {
  const auto doc = render_markdown("a\n\n***\n\n| x | y |\n|---|---|\n|  | z |\n");
  EXPECT_EQ(doc.plain_text, "a\n\n\n\nx\ty\n\nz\n\n");
}

TEST(RenderHtmlEscape, FiveCharactersAndNothingElse) {
  EXPECT_EQ(escape_html("\"&'<>"), "&quot;&amp;&#39;&lt;&gt;");
  EXPECT_EQ(escape_html("plain \xC3\xA9\t\n"), "plain \xC3\xA9\t\n");
  EXPECT_EQ(escape_html(std::string("a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
}  // namespace tavrel::win
