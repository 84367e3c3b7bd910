// Labels are cut by bytes for a predictable width, but never inside a UTF-8 sequence: half a
// character would turn into a replacement mark or fail the conversion for the list box.
#include "ui/insert_rows.h"

#include <algorithm>

namespace tavrel::win {
namespace {

constexpr size_t kLabelCodeBytes = 100;

bool is_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::string code_preview(const std::string& code) {
  size_t end = std::min(code.size(), kLabelCodeBytes);
  if (end < code.size()) {
    while (end > 0 && is_continuation(code[end])) --end;
  }
  std::string preview = code.substr(0, end);
  std::replace(preview.begin(), preview.end(), '\n', ' ');
  return preview;
}

}  // namespace

std::string emoji_of_row(const std::string& row) { return row.substr(0, row.find(' ')); }

CodeRows code_block_rows(const RenderedMarkdown& rendered) {
  CodeRows rows;
  for (const Block& block : rendered.blocks) {
    if (block.kind != BlockKind::CodeBlock) continue;
    std::string code;
    for (const Run& run : block.runs) code += run.text;
    rows.labels.push_back(block.text + "  |  " + code_preview(code));
    rows.code.push_back(std::move(code));
  }
  return rows;
}

}  // namespace tavrel::win
