// The welcome document in both languages: valid document text whose rendering has the same
// shape in each, with the headings, table and code block the start page promises.
#include "core/welcome.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text_convert.h"
#include "render/markdown_model.h"

using namespace tavrel::win;

TEST(WelcomeText, IsDocumentTextOfTheSameShapeInBothLanguages) {
  std::vector<BlockKind> kinds[2];
  for (bool vietnamese : {false, true}) {
    const std::string text = welcome_markdown(vietnamese);
    EXPECT_TRUE(is_valid_utf8(text));
    EXPECT_EQ(text.find('\r'), std::string::npos);  // LF line ends, as every document in memory
    EXPECT_EQ(text.rfind("# Tavrel\n\n", 0), 0u);
    EXPECT_EQ(text.back(), '\n');
    const RenderedMarkdown rendered = render_markdown(text);
    EXPECT_EQ(rendered.headings.size(), 4u);
    const Block* table = nullptr;
    const Block* code = nullptr;
    for (const Block& block : rendered.blocks) {
      kinds[vietnamese].push_back(block.kind);
      if (block.kind == BlockKind::TableRow && table == nullptr) table = &block;
      if (block.kind == BlockKind::CodeBlock) code = &block;
    }
    ASSERT_TRUE(table != nullptr && code != nullptr);
    EXPECT_EQ(table->cells.size(), 2u);
    EXPECT_EQ(code->text, "cpp");
    EXPECT_NE(code->runs.at(0).text.find("const char* app = \"Tavrel\";"), std::string::npos);
  }
  EXPECT_EQ(kinds[1], kinds[0]);
  EXPECT_EQ(render_markdown(welcome_markdown(true)).headings[1].text,
            "B\xE1\xBA\xAFt \xC4\x91\xE1\xBA\xA7u");
  EXPECT_NE(welcome_markdown(false).find("- Press `Ctrl + \\` to show or hide the preview.\n"),
            std::string::npos);
}
