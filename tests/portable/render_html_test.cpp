// The pieces of render_markdown's HTML and heading list that the golden documents cannot reach:
// the id and escaping rules one character at a time, the bounded search for a heading's text and
// the limit on tables of contents.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "render/heading_ids.h"
#include "render/markdown_model.h"

namespace tavrel::win {
namespace {

TEST(RenderHtml, TextRulesBeyondWhatDocumentsReach) {
  // Markdown trims headings and turns NUL into U+FFFD, and md4c passes on only well-formed
  // entities of at most seven digits.
  EXPECT_EQ(make_heading_id("  x\t_y-Z "), "--x-_y-z-");
  EXPECT_EQ(make_heading_id(""), "section");
  EXPECT_EQ(escape_html(std::string("\"&'<>\0\xC3\xA9", 8)),
            std::string("&quot;&amp;&#39;&lt;&gt;\0\xC3\xA9", 27));
  EXPECT_EQ(decode_html_entity("&#99999999999999999999999;"), "\xEF\xBF\xBD");
  for (const std::string kept : {"&#;", "&#x;", "&#xg;", "&#", "&AMP"}) {
    EXPECT_EQ(decode_html_entity(kept), kept);
  }
}

TEST(RenderHtml, EveryTocMarkerUpToTheLimitIsReplaced) {
  auto replaced = [](std::string html, std::size_t limit) {
    replace_toc_markers(html, "<nav/>", limit);
    return html;
  };
  const std::string three = "<p>[TOC]</p><p>[TOC]</p>x<p>[TOC]</p>";
  EXPECT_EQ(replaced(three, SIZE_MAX), "<nav/><nav/>x<nav/>");
  EXPECT_EQ(replaced(three, 2), "<nav/><nav/>x<p>[TOC]</p>");
  EXPECT_EQ(replaced("<p>[TOC]</p>", 0), "<p>[TOC]</p>");
  EXPECT_EQ(replaced("<p>[TOC]</p", SIZE_MAX), "<p>[TOC]</p");
  EXPECT_EQ(replaced("[TOC]</p><p>[TOC]</p>", SIZE_MAX), "[TOC]</p><nav/>");
  EXPECT_EQ(replaced("<p><p>[TOC]</p>[TOC]</p>", SIZE_MAX), "<p><nav/>[TOC]</p>");
}

TEST(RenderHtml, ManyTablesOfManyHeadingsStayBounded) {
  // 300 tables of 1000 headings would be 300,000 entries: only the first hundred tables are
  // expanded, the rest stay as the marker they were written as.
  std::string input;
  for (int i = 0; i < 300; ++i) input += "[TOC]\n\n";
  for (int i = 0; i < 1000; ++i) input += "# h\n";
  const RenderedMarkdown doc = render_markdown(input);
  std::size_t expanded = 0, kept = 0;
  for (const Block& block : doc.blocks) {
    expanded += block.runs.size() == 1000;
    kept += block.runs.size() == 1 && block.runs[0].text == "[TOC]";
  }
  EXPECT_EQ(expanded, 100u);
  EXPECT_EQ(kept, 200u);
  EXPECT_EQ(doc.html.find("<p>[TOC]</p>"), 100 * (table_of_contents_html(doc.headings).size() + 1));
  EXPECT_EQ(toc_expansion_limit(0), SIZE_MAX);
  EXPECT_EQ(toc_expansion_limit(250000), 1u);
  EXPECT_EQ(toc_expansion_limit(kMaxTocEntries / 7), 7u);
}

}  // namespace
}  // namespace tavrel::win
