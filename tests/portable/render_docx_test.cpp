#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "render/docx_writer.h"
#include "render/markdown_model.h"
#include "render/rtf_writer.h"

namespace tavrel::win {
namespace {

const std::string kDocStart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:body>";
const std::string kDocEnd =
    "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1134\" w:right=\"1134\" "
    "w:bottom=\"1134\" w:left=\"1134\"/></w:sectPr></w:body></w:document>";
const std::string kSpacing = "<w:spacing w:after=\"160\"/>";
const std::string kCode = "<w:rFonts w:ascii=\"Consolas\" w:hAnsi=\"Consolas\"/>";
const std::string kT = "<w:t xml:space=\"preserve\">";

Run run(std::string text, RunStyle style = RunStyle::None, std::string color = {},
        std::string link = {}) {
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

RenderedMarkdown model(std::vector<Block> blocks) {
  RenderedMarkdown result;
  result.blocks = std::move(blocks);
  return result;
}

std::string body_of(const RenderedMarkdown& doc) {
  std::string xml = docx_document_xml(doc);
  EXPECT_EQ(xml.substr(0, kDocStart.size()), kDocStart);
  EXPECT_GE(xml.size(), kDocStart.size() + kDocEnd.size());
  EXPECT_EQ(xml.substr(xml.size() - kDocEnd.size()), kDocEnd);
  return xml.substr(kDocStart.size(), xml.size() - kDocStart.size() - kDocEnd.size());
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("missing test file " + path.string());
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t found = 0;
  for (std::size_t pos = text.find(part); pos != std::string::npos;
       pos = text.find(part, pos + 1)) {
    ++found;
  }
  return found;
}

TEST(DocxRuns, EmptyPropertiesStayAndTextIsPreserved) {
  EXPECT_EQ(write_docx_run({run("plain")}, false),
            "<w:r><w:rPr></w:rPr>" + kT + "plain</w:t></w:r>");
  EXPECT_EQ(write_docx_run({run("")}, false), "<w:r><w:rPr></w:rPr>" + kT + "</w:t></w:r>");
}

TEST(DocxRuns, LineFeedsBecomeBreaks) {
  EXPECT_EQ(write_docx_run({run("a\nb")}, false),
            "<w:r><w:rPr></w:rPr>" + kT + "a</w:t><w:br/>" + kT + "b</w:t></w:r>");
  EXPECT_EQ(write_docx_run({run("a\n")}, false),
            "<w:r><w:rPr></w:rPr>" + kT + "a</w:t><w:br/>" + kT + "</w:t></w:r>");
  EXPECT_EQ(count(write_docx_run({run("\n\n\n")}, false), "<w:br/>"), 3u);
}

TEST(DocxRuns, MarkupCharactersAreEscaped) {
  EXPECT_EQ(write_docx_run({run("&<>\"'\t")}, false),
            "<w:r><w:rPr></w:rPr>" + kT + "&amp;&lt;&gt;&quot;&#39;\t</w:t></w:r>");
}

TEST(DocxRuns, PropertiesFollowTheSchemaOrder) {
  RunStyle all = RunStyle::Strong | RunStyle::Emphasis | RunStyle::Strike | RunStyle::Underline |
                 RunStyle::Code;
  EXPECT_EQ(write_docx_run({run("x", all, "#1a2B3c")}, false),
            "<w:r><w:rPr>" + kCode +
                "<w:b/><w:i/><w:strike/><w:color w:val=\"1a2B3c\"/><w:sz w:val=\"20\"/>"
                "<w:u w:val=\"single\"/></w:rPr>" +
                kT + "x</w:t></w:r>");
  EXPECT_EQ(write_docx_run({run("x", RunStyle::Underline)}, false),
            "<w:r><w:rPr><w:u w:val=\"single\"/></w:rPr>" + kT + "x</w:t></w:r>");
}

TEST(DocxRuns, CodeBlockForcesTheCodeFont) {
  EXPECT_EQ(write_docx_run({run("a"), run("b", RunStyle::Strong)}, true),
            "<w:r><w:rPr>" + kCode + "<w:sz w:val=\"20\"/></w:rPr>" + kT +
                "a</w:t></w:r>"
                "<w:r><w:rPr>" +
                kCode + "<w:b/><w:sz w:val=\"20\"/></w:rPr>" + kT + "b</w:t></w:r>");
}

TEST(DocxRuns, LinksAreWrittenAsStyledText) {
  EXPECT_EQ(write_docx_run({run("site", RunStyle::Emphasis, {}, "https://example.com/")}, false),
            "<w:r><w:rPr><w:i/></w:rPr>" + kT + "site</w:t></w:r>");
}

TEST(DocxText, ForbiddenXmlCharactersNeverReachTheDocument) {
  // C0 controls other than tab, LF and CR are dropped.
  EXPECT_EQ(escape_docx_text(std::string("a\0b\x01"
                                         "c\x08\x0B\x0C\x1F"
                                         "d",
                                         10)),
            "abcd");
  EXPECT_EQ(escape_docx_text("t\tl\nr\r"), "t\tl\nr\r");
  // U+FFFE and U+FFFF become U+FFFD; their neighbours U+FFFD and U+FFFC stay.
  EXPECT_EQ(escape_docx_text("\xEF\xBF\xBE|\xEF\xBF\xBF|\xEF\xBF\xBD|\xEF\xBF\xBC"),
            "\xEF\xBF\xBD|\xEF\xBF\xBD|\xEF\xBF\xBD|\xEF\xBF\xBC");
  // DEL, C1 controls and characters beyond the BMP are allowed.
  EXPECT_EQ(escape_docx_text("\x7F\xC2\x85\xF0\x9F\x98\x80"), "\x7F\xC2\x85\xF0\x9F\x98\x80");
}

TEST(DocxText, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  const std::string r = "\xEF\xBF\xBD";
  EXPECT_EQ(escape_docx_text("a\xFF"
                             "b"),
            "a" + r + "b");
  EXPECT_EQ(escape_docx_text("\xC3"), r);                               // cut at the end
  EXPECT_EQ(escape_docx_text("\xC3<"), r + "&lt;");                     // cut by ASCII
  EXPECT_EQ(escape_docx_text("\xED\xA0\x80"), r + r + r);               // surrogate
  EXPECT_EQ(escape_docx_text("\xC0\xAF"), r + r);                       // overlong
  EXPECT_EQ(escape_docx_text("\xE0\x80\xAF"), r + r + r);               // overlong
  EXPECT_EQ(escape_docx_text("\xF4\x90\x80\x80"), r + r + r + r);       // past U+10FFFF
  EXPECT_EQ(escape_docx_text("\xF4\x8F\xBF\xBF"), "\xF4\x8F\xBF\xBF");  // U+10FFFF itself
  EXPECT_EQ(escape_docx_text("Ti\xE1\xBA\xBFng"), "Ti\xE1\xBA\xBFng");
}

TEST(DocxText, ColourValuesAreEscapedToo) {
  std::string xml = write_docx_run({run("x", RunStyle::None, "#\"<\x01")}, false);
  EXPECT_NE(xml.find("<w:color w:val=\"&quot;&lt;\"/>"), std::string::npos);
}

TEST(DocxDocument, EmptyModelHasOnlyTheSection) {
  EXPECT_EQ(docx_document_xml(model({})), kDocStart + kDocEnd);
  EXPECT_EQ(docx_package_entries(model({})).size(), 5u);
}

TEST(DocxDocument, ParagraphPropertiesFollowTheSchemaOrder) {
  EXPECT_EQ(body_of(model({block(BlockKind::Heading, 3, {run("H")})})),
            "<w:p><w:pPr><w:pStyle w:val=\"Heading3\"/>" + kSpacing + "</w:pPr>" +
                write_docx_run({run("H")}, false) + "</w:p>");
  EXPECT_EQ(body_of(model({block(BlockKind::Quote, 2, {run("Q")})})),
            "<w:p><w:pPr>" + kSpacing + "<w:ind w:left=\"360\"/></w:pPr>" +
                write_docx_run({run("Q")}, false) + "</w:p>");
}

TEST(DocxDocument, OtherBlocksGetOnlyTheSpacing) {
  for (BlockKind kind : {BlockKind::Paragraph, BlockKind::ListItem, BlockKind::Rule}) {
    EXPECT_EQ(
        body_of(model({block(kind, 1, {run("x")})})),
        "<w:p><w:pPr>" + kSpacing + "</w:pPr>" + write_docx_run({run("x")}, false) + "</w:p>");
  }
  EXPECT_EQ(body_of(model({block(BlockKind::CodeBlock, 0, {run("c")})})),
            "<w:p><w:pPr>" + kSpacing + "</w:pPr>" + write_docx_run({run("c")}, true) + "</w:p>");
}

TEST(DocxDocument, TablesCarryAGridColumnPerCell) {
  std::string body = body_of(model({row(1, {{run("a")}, {run("b")}, {run("c")}}),
                                    row(0, {{run("1")}, {run("2")}, {run("3")}})}));
  std::string grid = "<w:tblGrid>" + std::string() + "<w:gridCol w:w=\"2400\"/>" +
                     "<w:gridCol w:w=\"2400\"/>" + "<w:gridCol w:w=\"2400\"/></w:tblGrid>";
  EXPECT_EQ(body.find("</w:tblPr>" + grid + "<w:tr>"), body.find("</w:tblPr>"));
  EXPECT_NE(body.find(grid), std::string::npos);
  EXPECT_EQ(count(body, "<w:tc>"), 6u);
  EXPECT_EQ(count(body, "<w:tcW w:w=\"2400\" w:type=\"dxa\"/>"), 6u);
  EXPECT_EQ(body.substr(body.size() - 8), "</w:tbl>");
}

TEST(DocxDocument, AdjacentRowsFormOneTableWithTheWidestGrid) {
  std::string body =
      body_of(model({row(1, {{run("a")}}), row(0, {{run("1")}, {run("2")}}),
                     block(BlockKind::Paragraph, 0, {run("p")}), row(0, {{run("x")}})}));
  EXPECT_EQ(count(body, "<w:tbl>"), 2u);
  EXPECT_EQ(count(body, "</w:tbl>"), 2u);
  EXPECT_EQ(count(body, "<w:gridCol "), 3u);  // two for the first table, one for the second
  EXPECT_LT(body.find("</w:tbl>"), body.find("<w:p><w:pPr>"));
}

TEST(DocxDocument, RowWithoutCellsStillHasACell) {
  std::string body = body_of(model({block(BlockKind::TableRow, 0, {run("ignored")})}));
  EXPECT_EQ(count(body, "<w:tc>"), 1u);
  EXPECT_EQ(count(body, "<w:gridCol "), 1u);
  EXPECT_EQ(body.find("ignored"), std::string::npos);
}

TEST(DocxPackage, PartsAreFixedAndInOrder) {
  std::vector<ZipEntry> entries = docx_package_entries(model({}));
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].name, "[Content_Types].xml");
  EXPECT_EQ(entries[1].name, "_rels/.rels");
  EXPECT_EQ(entries[2].name, "word/document.xml");
  EXPECT_EQ(entries[3].name, "word/styles.xml");
  EXPECT_EQ(entries[4].name, "word/_rels/document.xml.rels");
  EXPECT_EQ(entries[0].data.find("<?xml"), std::string::npos);
  EXPECT_NE(
      entries[0].data.find("<Override PartName=\"/word/styles.xml\" ContentType=\"application/"
                           "vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"),
      std::string::npos);
  EXPECT_EQ(count(entries[4].data, "<Relationship "), 1u);
  EXPECT_EQ(entries[4].data.find("hyperlink"), std::string::npos);
  std::string bytes = build_docx(model({}));
  EXPECT_EQ(bytes, build_zip(entries));
  EXPECT_LT(bytes.find("[Content_Types].xml"), bytes.find("_rels/.rels"));
}

TEST(DocxPackage, StylesDefineTheSixHeadings) {
  std::string styles = docx_styles_xml();
  EXPECT_EQ(styles.substr(0, 21), "<?xml version=\"1.0\"?>");
  EXPECT_NE(styles.find(
                "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/>"
                "<w:pPr><w:keepNext/><w:outlineLvl w:val=\"0\"/></w:pPr><w:rPr><w:b/>"
                "<w:sz w:val=\"36\"/></w:rPr></w:style>"),
            std::string::npos);
  EXPECT_NE(styles.find("w:styleId=\"Heading6\"><w:name w:val=\"heading 6\"/><w:pPr><w:keepNext/>"
                        "<w:outlineLvl w:val=\"5\"/></w:pPr><w:rPr><w:b/><w:sz w:val=\"16\"/>"),
            std::string::npos);
  EXPECT_EQ(count(styles, "<w:style "), 6u);
}

// Markdown inputs under tests/data/render/docx with their expected word/document.xml.
void expect_markdown_golden(const std::string& name) {
  std::filesystem::path dir = std::filesystem::path(TAVREL_TEST_DATA) / "render" / "docx";
  std::string xml = docx_document_xml(render_markdown(read_file(dir / (name + ".md"))));
  std::filesystem::path expected = dir / (name + ".document.xml");
  if (std::getenv("TAVREL_UPDATE_GOLDEN")) {
    std::ofstream(expected, std::ios::binary) << xml;
    return;
  }
  EXPECT_EQ(xml, read_file(expected)) << "golden " << name;
}

TEST(DocxGolden, BlockKinds) { expect_markdown_golden("block_kinds"); }
TEST(DocxGolden, TablesAndSpans) { expect_markdown_golden("tables_spans"); }

TEST(DocxFromMarkdown, UnderlineAndColourEndWithTheirBlock) {
  std::string body = body_of(
      render_markdown("<u>under <span style=\"color:#A1B2C3\">red\n\nnext paragraph\n\n- item"));
  std::size_t second = body.rfind("<w:p>", body.find("next paragraph"));
  ASSERT_NE(second, std::string::npos);
  EXPECT_LT(body.find("<w:u w:val=\"single\"/>"), second);
  EXPECT_LT(body.find("<w:color w:val=\"A1B2C3\"/>"), second);
  EXPECT_EQ(body.find("<w:u ", second), std::string::npos);
  EXPECT_EQ(body.find("<w:color ", second), std::string::npos);
}

// Writes sample files for the outside validators of tests/scripts/docx_validate.sh when
// TAVREL_EXPORT_DIR names a folder.
TEST(DocxExport, WritesFilesForOutsideValidators) {
  std::filesystem::path dir = std::filesystem::path(TAVREL_TEST_DATA) / "render" / "docx";
  RenderedMarkdown sample = render_markdown(read_file(dir / "export_sample.md"));
  RenderedMarkdown hostile = model({
      block(BlockKind::Heading, 1, {run(std::string("Control\x01\x0B\x1F chars \0 nul", 22))}),
      block(BlockKind::Paragraph, 0,
            {run("nonchar \xEF\xBF\xBE \xEF\xBF\xBF bad \xFF\xC3 end", RunStyle::Strong)}),
      row(1, {{run("k\x02")}, {run("v\x7F")}}),
  });
  std::string sample_docx = build_docx(sample);
  std::string hostile_docx = build_docx(hostile);
  EXPECT_EQ(sample_docx.substr(0, 4), "PK\x03\x04");
  const char* target = std::getenv("TAVREL_EXPORT_DIR");
  if (!target) GTEST_SKIP() << "TAVREL_EXPORT_DIR not set";
  std::filesystem::path out = target;
  std::filesystem::create_directories(out);
  std::ofstream(out / "sample.docx", std::ios::binary) << sample_docx;
  std::ofstream(out / "sample.rtf", std::ios::binary) << render_rtf(sample, false, 11);
  std::ofstream(out / "hostile.docx", std::ios::binary) << hostile_docx;
  std::ofstream(out / "empty.docx", std::ios::binary) << build_docx(model({}));
}

}  // namespace
}  // namespace tavrel::win
