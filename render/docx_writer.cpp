#include "render/docx_writer.h"

#include <algorithm>
#include <array>

namespace tavrel::win {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

constexpr std::string_view kDocumentStart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:body>";
constexpr std::string_view kDocumentEnd =
    "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/>"
    "<w:pgMar w:top=\"1134\" w:right=\"1134\" w:bottom=\"1134\" w:left=\"1134\"/></w:sectPr>"
    "</w:body></w:document>";
constexpr std::string_view kTableStart =
    "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/><w:tblBorders>"
    "<w:bottom w:val=\"single\" w:sz=\"4\" w:color=\"DCE4EA\"/>"
    "<w:insideH w:val=\"single\" w:sz=\"4\" w:color=\"DCE4EA\"/></w:tblBorders></w:tblPr>";
constexpr std::string_view kGridColumn = "<w:gridCol w:w=\"2400\"/>";
constexpr std::string_view kCellStart =
    "<w:tc><w:tcPr><w:tcW w:w=\"2400\" w:type=\"dxa\"/></w:tcPr><w:p>";
constexpr std::string_view kCodeFont = "<w:rFonts w:ascii=\"Consolas\" w:hAnsi=\"Consolas\"/>";
constexpr std::string_view kTextStart = "<w:t xml:space=\"preserve\">";

constexpr std::string_view kContentTypes =
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" "
    "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
    "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
    "<Override PartName=\"/word/styles.xml\" ContentType=\"application/"
    "vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
    "</Types>";
constexpr std::string_view kPackageRelationships =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/officeDocument\" Target=\"word/document.xml\"/>"
    "</Relationships>";
constexpr std::string_view kDocumentRelationships =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rIdStyles\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
    "2006/relationships/styles\" Target=\"styles.xml\"/>"
    "</Relationships>";

// Bytes that the fast path cannot copy: markup characters, control characters and every byte
// of a multi-byte sequence.
constexpr std::array<bool, 256> make_special_bytes() {
  std::array<bool, 256> special{};
  for (int byte = 0; byte < 0x20; ++byte)
    special[byte] = byte != '\t' && byte != '\n' && byte != '\r';
  for (int byte = 0x80; byte < 0x100; ++byte) special[byte] = true;
  for (unsigned char byte : std::string_view("&<>\"'")) special[byte] = true;
  return special;
}
constexpr std::array<bool, 256> kSpecialBytes = make_special_bytes();

// Length of the valid UTF-8 sequence starting at `pos` (the same rules as the strict
// conversions: no overlong forms, no surrogates, nothing past U+10FFFF), or 0.
std::size_t utf8_sequence_length(std::string_view text, std::size_t pos) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(pos);
  std::size_t length;
  unsigned char low = 0x80;  // allowed range of the second byte
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
  } else {
    return 0;
  }
  if (text.size() - pos < length) return 0;
  if (byte(pos + 1) < low || byte(pos + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// Handles the byte at `pos` that the fast path stopped at; returns the bytes consumed.
std::size_t append_special(std::string& out, std::string_view text, std::size_t pos) {
  auto lead = static_cast<unsigned char>(text[pos]);
  switch (lead) {
    case '&':
      out += "&amp;";
      return 1;
    case '<':
      out += "&lt;";
      return 1;
    case '>':
      out += "&gt;";
      return 1;
    case '"':
      out += "&quot;";
      return 1;
    case '\'':
      out += "&#39;";
      return 1;
    default:
      break;
  }
  if (lead < 0x80) return 1;  // a control character XML 1.0 cannot carry at all
  std::size_t length = utf8_sequence_length(text, pos);
  if (length == 0) {
    out += kReplacement;
    return 1;
  }
  std::string_view sequence = text.substr(pos, length);
  // U+FFFE and U+FFFF are not XML characters either.
  if (sequence == "\xEF\xBF\xBE" || sequence == "\xEF\xBF\xBF") {
    out += kReplacement;
  } else {
    out += sequence;
  }
  return length;
}

void append_escaped(std::string& out, std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t plain = pos;
    while (plain < text.size() && !kSpecialBytes[static_cast<unsigned char>(text[plain])]) ++plain;
    out.append(text.data() + pos, plain - pos);
    if (plain == text.size()) break;
    pos = plain + append_special(out, text, plain);
  }
}

void append_run_properties(std::string& out, const Run& run, bool code_block) {
  bool code = code_block || has_style(run.style, RunStyle::Code);
  // Schema order of the run properties: rFonts, b, i, strike, color, sz, u.
  out += "<w:rPr>";
  if (code) out += kCodeFont;
  if (has_style(run.style, RunStyle::Strong)) out += "<w:b/>";
  if (has_style(run.style, RunStyle::Emphasis)) out += "<w:i/>";
  if (has_style(run.style, RunStyle::Strike)) out += "<w:strike/>";
  if (!run.color.empty()) {
    out += "<w:color w:val=\"";
    append_escaped(out, std::string_view(run.color).substr(1));
    out += "\"/>";
  }
  if (code) out += "<w:sz w:val=\"20\"/>";
  if (has_style(run.style, RunStyle::Underline)) out += "<w:u w:val=\"single\"/>";
  out += "</w:rPr>";
}

void append_run_text(std::string& out, std::string_view text) {
  // n line feeds give n + 1 text elements with a break between each two.
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find('\n', start);
    out += kTextStart;
    append_escaped(out, text.substr(start, end == std::string_view::npos ? end : end - start));
    out += "</w:t>";
    if (end == std::string_view::npos) break;
    out += "<w:br/>";
    start = end + 1;
  }
}

void append_runs(std::string& out, const std::vector<Run>& runs, bool code_block) {
  for (const Run& run : runs) {
    out += "<w:r>";
    append_run_properties(out, run, code_block);
    append_run_text(out, run.text);
    out += "</w:r>";
  }
}

// Writes the table made of the consecutive table rows starting at `first`; returns the index
// of the first block after it. Every row gets at least one cell and the grid one column per
// cell of the widest row, so that the table is complete for strict readers.
std::size_t append_table(std::string& out, const std::vector<Block>& blocks, std::size_t first) {
  std::size_t last = first;
  std::size_t columns = 1;
  while (last < blocks.size() && blocks[last].kind == BlockKind::TableRow) {
    columns = std::max(columns, blocks[last].cells.size());
    ++last;
  }
  out += kTableStart;
  out += "<w:tblGrid>";
  for (std::size_t i = 0; i < columns; ++i) out += kGridColumn;
  out += "</w:tblGrid>";
  for (std::size_t index = first; index < last; ++index) {
    out += "<w:tr>";
    for (const std::vector<Run>& cell : blocks[index].cells) {
      out += kCellStart;
      append_runs(out, cell, false);
      out += "</w:p></w:tc>";
    }
    if (blocks[index].cells.empty()) {
      out += kCellStart;
      out += "</w:p></w:tc>";
    }
    out += "</w:tr>";
  }
  out += "</w:tbl>";
  return last;
}

void append_paragraph(std::string& out, const Block& block) {
  // Schema order of the paragraph properties: pStyle, spacing, ind.
  out += "<w:p><w:pPr>";
  if (block.kind == BlockKind::Heading) {
    out += "<w:pStyle w:val=\"Heading";
    out += std::to_string(block.level);
    out += "\"/>";
  }
  out += "<w:spacing w:after=\"160\"/>";
  if (block.kind == BlockKind::Quote) out += "<w:ind w:left=\"360\"/>";
  out += "</w:pPr>";
  append_runs(out, block.runs, block.kind == BlockKind::CodeBlock);
  out += "</w:p>";
}

std::size_t estimated_size(const RenderedMarkdown& doc) {
  std::size_t size = kDocumentStart.size() + kDocumentEnd.size();
  for (const Block& block : doc.blocks) {
    size += 96;
    for (const Run& run : block.runs) size += run.text.size() + 96;
    for (const std::vector<Run>& cell : block.cells) {
      size += kCellStart.size() + 16;
      for (const Run& run : cell) size += run.text.size() + 96;
    }
  }
  return size;
}

}  // namespace

std::string escape_docx_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  append_escaped(out, text);
  return out;
}

std::string write_docx_run(const std::vector<Run>& runs, bool code_block) {
  std::string out;
  append_runs(out, runs, code_block);
  return out;
}

std::string docx_document_xml(const RenderedMarkdown& doc) {
  std::string out;
  out.reserve(estimated_size(doc));
  out += kDocumentStart;
  const std::vector<Block>& blocks = doc.blocks;
  std::size_t index = 0;
  while (index < blocks.size()) {
    if (blocks[index].kind == BlockKind::TableRow) {
      index = append_table(out, blocks, index);
    } else {
      append_paragraph(out, blocks[index]);
      ++index;
    }
  }
  out += kDocumentEnd;
  return out;
}

std::string docx_styles_xml() {
  std::string out =
      "<?xml version=\"1.0\"?>"
      "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
      "<w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii=\"Calibri\" w:hAnsi=\"Calibri\"/>"
      "<w:sz w:val=\"22\"/></w:rPr></w:rPrDefault></w:docDefaults>";
  for (int level = 1; level <= 6; ++level) {
    std::string n = std::to_string(level);
    out += "<w:style w:type=\"paragraph\" w:styleId=\"Heading" + n + "\">";
    out += "<w:name w:val=\"heading " + n + "\"/>";
    out +=
        "<w:pPr><w:keepNext/><w:outlineLvl w:val=\"" + std::to_string(level - 1) + "\"/></w:pPr>";
    out += "<w:rPr><w:b/><w:sz w:val=\"" + std::to_string((10 - level) * 4) + "\"/></w:rPr>";
    out += "</w:style>";
  }
  out += "</w:styles>";
  return out;
}

std::vector<ZipEntry> docx_package_entries(const RenderedMarkdown& doc) {
  std::vector<ZipEntry> entries(5);
  entries[0].name = "[Content_Types].xml";
  entries[0].data = kContentTypes;
  entries[1].name = "_rels/.rels";
  entries[1].data = kPackageRelationships;
  entries[2].name = "word/document.xml";
  entries[2].data = docx_document_xml(doc);
  entries[3].name = "word/styles.xml";
  entries[3].data = docx_styles_xml();
  entries[4].name = "word/_rels/document.xml.rels";
  entries[4].data = kDocumentRelationships;
  return entries;
}

std::string build_docx(const RenderedMarkdown& doc) { return build_zip(docx_package_entries(doc)); }

}  // namespace tavrel::win
