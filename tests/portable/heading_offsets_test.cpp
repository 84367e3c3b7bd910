// The outline moves the caret to a heading's offset, so every heading must point at its own
// source line, where its text starts, whatever inline syntax the heading is written with.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/markdown_model.h"
#include "render/render_job.h"

namespace tavrel::win {
namespace {

struct LineColumn {
  std::size_t line = 0;    // 0-based
  std::size_t column = 0;  // bytes from the line start

  bool operator==(const LineColumn&) const = default;
};

void PrintTo(const LineColumn& at, std::ostream* out) {
  *out << "line " << at.line << " column " << at.column;
}

LineColumn line_column(const std::string& text, std::uint64_t offset) {
  LineColumn at;
  for (std::uint64_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++at.line;
      at.column = 0;
    } else {
      ++at.column;
    }
  }
  return at;
}

struct Shape {
  const char* markdown;
  std::vector<LineColumn> headings;
};

// Each row: a document and, for each of its headings in order, where its text starts.
const std::vector<Shape> kShapes = {
    {"# Plain\n", {{0, 2}}},
    {"Event: 'connect' is mentioned first.\n\n## Event: `'connect'`\n", {{2, 3}}},
    {"## `http.get(options)`\n\n## Class: `http.Agent`\n", {{0, 3}, {2, 3}}},
    {"### *Styled* heading ###\n", {{0, 4}}},
    {"# [**Linked** text](http://example.com) and more\n", {{0, 2}}},
    {"# A & B\n\n# A &amp; B\n", {{0, 2}, {2, 2}}},
    {"# a&#98;c\n\nabc\n\n# x *y*\n", {{0, 2}, {4, 2}}},
    {"Intro is mentioned first.\n\n# Intro\n\n# Intro\n", {{2, 2}, {4, 2}}},
    {"Setext\nTwo *lines*\n---------\n", {{0, 0}}},
    {"*Emphasised* title\n==================\n", {{0, 0}}},
    {"> Quoted setext\n> ---\n\n> ## Quoted *atx*\n", {{0, 2}, {3, 5}}},
    {"- # In a list\n\n1. ## Numbered\n", {{0, 4}, {2, 6}}},
    {"# ![logo](logo.png) Title\n\n# ![](badge.svg) Badge\n", {{0, 2}, {2, 2}}},
    {"   ## <u>Underlined</u>\n", {{0, 6}}},
    {"```\n# not a heading\n#\n```\n\n#\n\n##\n\ntext\n", {{5, 1}, {7, 2}}},
    {"# \\*escaped\\*\n", {{0, 2}}},
    {"---\ntitle: x\n---\n# After front matter\n", {{3, 2}}},
};

TEST(HeadingOffsets, EveryShapeLandsOnItsOwnLine) {
  for (const Shape& shape : kShapes) {
    std::string const markdown = shape.markdown;
    std::vector<LineColumn> actual;
    for (const Heading& heading : render_markdown(markdown).headings) {
      actual.push_back(line_column(markdown, heading.offset));
    }
    EXPECT_EQ(actual, shape.headings) << markdown;
  }
}

TEST(HeadingOffsets, PartialRenderKeepsThemOnTheirLines) {
  // A window of a large document starts on a later line; offsets still name the whole text.
  std::string text(kLargeDocumentBytes, 'x');
  for (std::size_t i = 99; i < text.size(); i += 100) {
    text[i] = '\n';
  }
  std::size_t const at = text.size() / 2 / 100 * 100;
  text.replace(at, 13, "## `code` h\n\n");
  text += "tail\n";
  const RenderRequest request =
      make_render_request(text, 1, nullptr, false, static_cast<std::int64_t>(at));
  ASSERT_TRUE(request.partial);
  const RenderResult result = render_job(request);
  ASSERT_EQ(result.markdown.headings.size(), 1u);
  EXPECT_EQ(result.markdown.headings[0].offset, at + 3);
}

}  // namespace
}  // namespace tavrel::win
