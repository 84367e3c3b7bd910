#pragma once
// The block model as a minimal Word document (Office Open XML word-processing package), built as
// text and packed by the program's own ZIP writer. Only bytes are produced here; writing the file
// is left to the atomic writer (write_docx in docx_writer_win.h).
#include <string>
#include <string_view>
#include <vector>

#include "render/markdown_model.h"
#include "render/zip_writer.h"

namespace tavrel::win {

// The whole .docx file for the model.
std::string build_docx(const RenderedMarkdown& doc);

// The five package parts, in archive order: "[Content_Types].xml", "_rels/.rels",
// "word/document.xml", "word/styles.xml", "word/_rels/document.xml.rels".
std::vector<ZipEntry> docx_package_entries(const RenderedMarkdown& doc);

// word/document.xml for the model.
std::string docx_document_xml(const RenderedMarkdown& doc);

// word/styles.xml: Calibri 11 points and the six heading styles.
std::string docx_styles_xml();

// The w:r elements of one paragraph or table cell; `code_block` forces the code font on every run.
std::string write_docx_run(const std::vector<Run>& runs, bool code_block);

// Text made safe for XML 1.0 element content and attribute values: " & ' < > escaped as
// escape_html does; control characters other than tab, LF and CR dropped; U+FFFE, U+FFFF and
// bytes that are not valid UTF-8 replaced by U+FFFD.
std::string escape_docx_text(std::string_view text);

}  // namespace tavrel::win
