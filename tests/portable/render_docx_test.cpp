// The DOCX writer beyond its golden documents: text that XML 1.0 cannot carry, and the models no
// Markdown text produces. tests/scripts/docx_validate.sh opens the golden packages with outside
// readers.
#include <gtest/gtest.h>

#include <string>

#include "model_builders.h"
#include "render/docx_writer.h"

namespace tavrel::win {
namespace {

TEST(DocxText, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  // The golden documents hold the characters XML cannot carry; Markdown never has these bytes.
  const std::string r = "\xEF\xBF\xBD";
  test::expect_conversions(escape_docx_text, {{"a\xFF<\xC1\xBF", "a" + r + "&lt;" + r + r},
                                              {"\xC3", r},
                                              {"\xE2(\xA1", r + "(" + r},
                                              {"\xE1\x80", r + r},
                                              {"\xE0\x9F\xBF", r + r + r},
                                              {"\xED\xA0\x80", r + r + r},
                                              {"\xF0\x8F\xBF\xBF", r + r + r + r},
                                              {"\xF4\x90\x80\x80", r + r + r + r},
                                              {"\xF5\x80\x80\x80", r + r + r + r}});
}

TEST(DocxDocument, HandMadeModelsStayWellFormed) {
  using test::run;
  // A colour that never came through the colour-tag rule, and a table row without cells.
  const std::string xml = docx_document_xml(test::model({
      test::block(BlockKind::Paragraph, 0, {run("x", RunStyle::None, {}, "#\"<\x01")}),
      test::block(BlockKind::TableRow, 0, {run("ignored")}),
  }));
  EXPECT_NE(xml.find("<w:color w:val=\"&quot;&lt;\"/>"), std::string::npos);
  EXPECT_NE(xml.find("<w:tblGrid><w:gridCol w:w=\"2400\"/></w:tblGrid><w:tr><w:tc><w:tcPr>"
                     "<w:tcW w:w=\"2400\" w:type=\"dxa\"/></w:tcPr><w:p></w:p></w:tc></w:tr>"),
            std::string::npos);
  EXPECT_EQ(xml.find("ignored"), std::string::npos);
  // Rows of one table with different numbers of cells: the grid has a column per cell of the
  // widest.
  const std::string table = docx_document_xml(test::model({
      test::block(BlockKind::TableRow, 1, {}, {{run("a")}}),
      test::block(BlockKind::TableRow, 0, {}, {{run("1")}, {run("2")}}),
  }));
  EXPECT_NE(table.find("<w:tblGrid><w:gridCol w:w=\"2400\"/><w:gridCol w:w=\"2400\"/></w:tblGrid>"),
            std::string::npos);
}

}  // namespace
}  // namespace tavrel::win
