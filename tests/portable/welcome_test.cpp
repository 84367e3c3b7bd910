// The welcome document in both languages: valid document text whose rendering has the same
// shape in each, with the headings, table and code block the start page promises.
#include "core/welcome.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text_convert.h"
#include "render/markdown_model.h"

using namespace tavrel::win;

namespace {

std::vector<BlockKind> kinds_of(const RenderedMarkdown& rendered) {
  std::vector<BlockKind> kinds;
  for (const Block& block : rendered.blocks) kinds.push_back(block.kind);
  return kinds;
}

std::string cell_text(const std::vector<Run>& cell) {
  std::string text;
  for (const Run& run : cell) text += run.text;
  return text;
}

const Block* first_of(const RenderedMarkdown& rendered, BlockKind kind) {
  for (const Block& block : rendered.blocks) {
    if (block.kind == kind) return &block;
  }
  return nullptr;
}

}  // namespace

TEST(WelcomeText, IsDocumentTextInBothLanguages) {
  for (bool vietnamese : {false, true}) {
    const std::string text = welcome_markdown(vietnamese);
    EXPECT_TRUE(is_valid_utf8(text));
    EXPECT_EQ(text.find('\r'), std::string::npos);  // LF line ends, as every document in memory
    EXPECT_EQ(text.rfind("# Tavrel\n\n", 0), 0u);
    EXPECT_EQ(text.back(), '\n');
  }
}

TEST(WelcomeText, EnglishHasTheHeadingsTableAndCodeBlock) {
  const RenderedMarkdown rendered = render_markdown(welcome_markdown(false));
  ASSERT_EQ(rendered.headings.size(), 4u);
  EXPECT_EQ(rendered.headings[0].text, "Tavrel");
  EXPECT_EQ(rendered.headings[1].text, "Getting started");
  EXPECT_EQ(rendered.headings[2].text, "Formatting");
  EXPECT_EQ(rendered.headings[3].text, "Code example");

  const Block* header = first_of(rendered, BlockKind::TableRow);
  ASSERT_NE(header, nullptr);
  ASSERT_EQ(header->cells.size(), 2u);
  EXPECT_EQ(cell_text(header->cells[0]), "Shortcut");
  EXPECT_EQ(cell_text(header->cells[1]), "Action");

  const Block* code = first_of(rendered, BlockKind::CodeBlock);
  ASSERT_NE(code, nullptr);
  EXPECT_EQ(code->text, "cpp");
  ASSERT_FALSE(code->runs.empty());
  EXPECT_NE(code->runs[0].text.find("const char* app = \"Tavrel\";"), std::string::npos);
  EXPECT_NE(first_of(rendered, BlockKind::Rule), nullptr);
  EXPECT_NE(welcome_markdown(false).find("- Press `Ctrl + \\` to show or hide the preview.\n"),
            std::string::npos);
}

TEST(WelcomeText, VietnameseHasTheSameShape) {
  const RenderedMarkdown english = render_markdown(welcome_markdown(false));
  const RenderedMarkdown vietnamese = render_markdown(welcome_markdown(true));
  EXPECT_EQ(kinds_of(vietnamese), kinds_of(english));
  ASSERT_EQ(vietnamese.headings.size(), 4u);
  EXPECT_EQ(vietnamese.headings[1].text, "B\xE1\xBA\xAFt \xC4\x91\xE1\xBA\xA7u");
  const Block* header = first_of(vietnamese, BlockKind::TableRow);
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(cell_text(header->cells[0]), "Ph\xC3\xADm t\xE1\xBA\xAFt");
  EXPECT_NE(
      welcome_markdown(true).find("**Hi\xE1\xBB\x83n th\xE1\xBB\x8B > Giao di\xE1\xBB\x87n**"),
      std::string::npos);
}
