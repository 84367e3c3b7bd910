// The welcome document in both languages: valid document text whose rendering has the same
// shape in each, with the headings, table and code block the start page promises.
#include "core/welcome.h"

#include <gtest/gtest.h>

#include "core/text_convert.h"
#include "render/markdown_model.h"

using namespace tavrel::win;

TEST(WelcomeText, IsDocumentTextOfTheSameShapeInBothLanguages) {
  std::vector<BlockKind> kinds[2];
  for (bool vietnamese : {false, true}) {
    const std::string text = welcome_markdown(vietnamese);
    EXPECT_TRUE(is_valid_utf8(text) && text.starts_with("# Tavrel\n\n") && text.ends_with('\n'));
    EXPECT_EQ(text.find('\r'), std::string::npos);  // LF line ends, as every document in memory
    const RenderedMarkdown rendered = render_markdown(text);
    EXPECT_EQ(rendered.headings.size(), 4u);
    for (const Block& block : rendered.blocks) kinds[vietnamese].push_back(block.kind);
  }
  EXPECT_EQ(kinds[1], kinds[0]);
  const RenderedMarkdown english = render_markdown(welcome_markdown(false));
  const auto table = std::find_if(english.blocks.begin(), english.blocks.end(),
                                  [](const Block& b) { return b.kind == BlockKind::TableRow; });
  ASSERT_NE(table, english.blocks.end());
  EXPECT_EQ(table->cells.size(), 2u);
}
