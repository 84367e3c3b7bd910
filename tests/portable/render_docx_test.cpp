// The DOCX and ZIP writers beyond the golden packages, which pin their bytes and which
// tests/scripts/docx_validate.sh opens with outside readers: bytes that are not UTF-8, models no
// Markdown text produces, and the limits of the ZIP fields.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "model_builders.h"
#include "render/docx_writer.h"
#include "render/rtf_writer.h"
#include "render/zip_writer.h"

namespace tavrel::win {
namespace {

TEST(DocxText, BytesThatAreNotUtf8BecomeReplacementCharactersAndRtfRefusesThem) {
  // Markdown passes such bytes on; the golden documents hold the rest of the escaping.
  const std::string r = "\xEF\xBF\xBD";
  for (const auto& [bad, expected] : std::initializer_list<std::pair<std::string, std::string>>{
           {"a\xFF<\xC1\xBF", "a" + r + "&lt;" + r + r},
           {"\xC3x\x80", r + "x" + r},
           {"\xE2(\xA1", r + "(" + r},
           {"\xE1\x80", r + r},
           {"\xE0\x9F\xBF", r + r + r},
           {"\xED\xA0\x80", r + r + r},
           {"\xF0\x8F\xBF\xBF", r + r + r + r},
           {"\xF4\x90\x80\x80", r + r + r + r},
           {"\xF5\x80\x80\x80", r + r + r + r}}) {
    EXPECT_EQ(escape_docx_text(bad), expected) << testing::PrintToString(bad);
    EXPECT_THROW(escape_rtf(bad), std::runtime_error) << testing::PrintToString(bad);
  }
}

TEST(DocxDocument, HandMadeModelsStayWellFormed) {
  using test::block, test::run;
  // A colour that never came through the colour-tag rule, and a table row without cells.
  const std::string xml = docx_document_xml(test::model({
      block(BlockKind::Paragraph, 0, {run("x", RunStyle::None, {}, "#\"<\x01")}),
      block(BlockKind::TableRow, 0, {run("ignored")}),
  }));
  EXPECT_NE(xml.find("<w:color w:val=\"&quot;&lt;\"/>"), std::string::npos);
  EXPECT_NE(xml.find("<w:tblGrid><w:gridCol w:w=\"2400\"/></w:tblGrid><w:tr><w:tc><w:tcPr>"
                     "<w:tcW w:w=\"2400\" w:type=\"dxa\"/></w:tcPr><w:p></w:p></w:tc></w:tr>"),
            std::string::npos);
  EXPECT_EQ(xml.find("ignored"), std::string::npos);
  // Rows of one table with different numbers of cells: the grid has a column per cell of the
  // widest.
  const std::string table =
      docx_document_xml(test::model({block(BlockKind::TableRow, 1, {}, {{run("a")}}),
                                     block(BlockKind::TableRow, 0, {}, {{run("1")}, {run("2")}})}));
  EXPECT_NE(table.find("<w:tblGrid><w:gridCol w:w=\"2400\"/><w:gridCol w:w=\"2400\"/></w:tblGrid>"),
            std::string::npos);
}

TEST(Zip, ChecksumsAndRecomputedFields) {
  EXPECT_EQ(zip_crc32(""), 0u);
  EXPECT_EQ(zip_crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(zip_crc32(std::string("\xFF\xFF\xFF\xFF", 4)), 0xFFFFFFFFu);
  EXPECT_EQ(build_zip({}), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
  // Offsets and CRCs handed in are recomputed, never trusted.
  EXPECT_EQ(build_zip({{"x", "1", 99, 7}, {"y", "22", 5, 5}}),
            build_zip({{"x", "1", 0, 0}, {"y", "22", 0, 0}}));
}

TEST(Zip, LayoutUsesTheFieldsToTheirLimitsAndNoFurther) {
  using Sizes = std::vector<ZipEntrySize>;
  const std::uint64_t max = 0xFFFFFFFFull;
  EXPECT_EQ(plan_zip_layout({{5, 5}, {10, 0}, {1, 100}}), (std::vector<std::uint32_t>{0, 40, 80}));
  // The central directory may start at the last 32-bit offset, but no later.
  EXPECT_EQ(plan_zip_layout({{1, max - 31}}), std::vector<std::uint32_t>{0});
  EXPECT_NO_THROW(plan_zip_layout({{0, max - 30}}));
  EXPECT_NO_THROW(plan_zip_layout(Sizes(65535, ZipEntrySize{10, 10})));
  EXPECT_NO_THROW(plan_zip_layout({{65535, 0}}));
  EXPECT_NO_THROW(plan_zip_layout(Sizes(65535, ZipEntrySize{65491, 0})));  // directory of 2^32 - 1
  EXPECT_NO_THROW(plan_zip_layout({{1, 3000000000ull}, {1, max - 3000000000ull - 62}}));
  const Sizes refused[] = {
      Sizes(65536),                              // too many entries
      {{65536, 0}},                              // name past 16 bits
      {{1, max + 1}},                            // data past 32 bits
      {{1, max - 30}},                           // directory starts too late
      {{1, 3000000000ull}, {1, 3000000000ull}},  // local part past 32 bits
      Sizes(65535, ZipEntrySize{65507, 0}),      // directory past 32 bits
  };
  for (const Sizes& sizes : refused) {
    EXPECT_THROW(plan_zip_layout(sizes), std::runtime_error) << sizes.size();
  }
  EXPECT_THROW(build_zip(std::vector<ZipEntry>(65536)), std::runtime_error);
  EXPECT_THROW(build_zip({{std::string(65536, 'n'), "", 0, 0}}), std::runtime_error);
}

}  // namespace
}  // namespace tavrel::win
