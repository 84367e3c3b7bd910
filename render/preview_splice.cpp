#include "render/preview_splice.h"

#include <algorithm>

#include "core/text_convert.h"
#include "render/preview_positions.h"

namespace tavrel::win {
namespace {

// A part may change up to this share of the text (1/n); above it a fresh control is cheaper
// than removing that much from the old one.
constexpr std::uint64_t kMaxChangedShare = 8;
// How the control gives back a paragraph's end.
constexpr char16_t kParagraphEnd = u'\r';
// The control's own end mark takes the place of the last paragraph's break.
constexpr std::uint64_t kFinalMark = 1;

bool same_runs(const std::vector<Run>& a, const std::vector<Run>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Run& x, const Run& y) {
    return x.style == y.style && x.text == y.text && x.link == y.link && x.color == y.color;
  });
}

bool is_table_row(const std::vector<Block>& blocks, std::size_t index) {
  return index < blocks.size() && blocks[index].kind == BlockKind::TableRow &&
         !blocks[index].cells.empty();
}

// A table row in [begin, end) or right before or after it.
bool table_near(const std::vector<Block>& blocks, std::size_t begin, std::size_t end) {
  for (std::size_t i = begin == 0 ? 0 : begin - 1; i <= end; ++i) {
    if (is_table_row(blocks, i)) return true;
  }
  return false;
}

void append_runs(std::u16string& out, const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    for (const char16_t unit : utf8_to_utf16(run.text)) {
      if (unit == u'\r') continue;  // the writer drops it
      out.push_back(unit == u'\n' ? kShownLineBreak : unit);
    }
  }
}

}  // namespace

bool same_block(const Block& a, const Block& b) {
  return a.kind == b.kind && a.level == b.level && a.text == b.text && same_runs(a.runs, b.runs) &&
         std::equal(a.cells.begin(), a.cells.end(), b.cells.begin(), b.cells.end(), same_runs);
}

BlockDiff block_diff(const std::vector<Block>& before, const std::vector<Block>& after) {
  const std::size_t shorter = std::min(before.size(), after.size());
  std::size_t prefix = 0;
  while (prefix < shorter && same_block(before[prefix], after[prefix])) ++prefix;
  std::size_t suffix = 0;
  while (suffix < shorter - prefix &&
         same_block(before[before.size() - 1 - suffix], after[after.size() - 1 - suffix])) {
    ++suffix;
  }
  return {prefix, before.size() - suffix, after.size() - suffix};
}

std::u16string shown_block_text(const std::vector<Block>& blocks, std::size_t begin,
                                std::size_t end) {
  std::u16string text;
  for (std::size_t i = begin; i < end && i < blocks.size(); ++i) {
    if (blocks[i].kind != BlockKind::Rule) append_runs(text, blocks[i].runs);
    text.push_back(kParagraphEnd);
  }
  return text;
}

std::optional<PreviewSplice> plan_preview_splice(const RenderedMarkdown& shown,
                                                 const RenderedMarkdown& next) {
  return plan_preview_splice(shown, preview_positions(shown), next, preview_positions(next));
}

std::optional<PreviewSplice> plan_preview_splice(const RenderedMarkdown& shown,
                                                 const PreviewPositions& before,
                                                 const RenderedMarkdown& next,
                                                 const PreviewPositions& after) {
  if (shown.blocks.empty() || next.blocks.empty() || shown.front_matter != next.front_matter)
    return std::nullopt;
  PreviewSplice splice;
  splice.blocks = block_diff(shown.blocks, next.blocks);
  const BlockDiff& diff = splice.blocks;
  if (diff.begin == diff.old_end && diff.begin == diff.new_end) {  // nothing shown changes
    splice.begin = splice.old_end = before.end;
    splice.old_length = before.end - kFinalMark;
    splice.new_length = after.end - kFinalMark;
    return splice;
  }
  if (diff.old_end >= shown.blocks.size() || diff.new_end >= next.blocks.size())
    return std::nullopt;
  if (table_near(shown.blocks, diff.begin, diff.old_end) ||
      table_near(next.blocks, diff.begin, diff.new_end))
    return std::nullopt;
  splice.begin = before.blocks[diff.begin];
  splice.old_end = before.blocks[diff.old_end];
  splice.old_length = before.end - kFinalMark;
  splice.new_length = after.end - kFinalMark;
  const std::uint64_t changed =
      (splice.old_end - splice.begin) + (after.blocks[diff.new_end] - splice.begin);
  if (changed * kMaxChangedShare > std::max(before.end, after.end)) return std::nullopt;
  splice.touched_begin = after.blocks[diff.begin == 0 ? 0 : diff.begin - 1];
  splice.touched_end =
      diff.new_end + 1 < next.blocks.size() ? after.blocks[diff.new_end + 1] : after.end;
  splice.old_text = shown_block_text(shown.blocks, diff.begin, diff.old_end);
  splice.new_text = shown_block_text(next.blocks, diff.begin, diff.new_end);
  // The model's own count and the text must agree, or the positions are not to be trusted.
  if (splice.old_text.size() != splice.old_end - splice.begin ||
      splice.new_text.size() != after.blocks[diff.new_end] - splice.begin)
    return std::nullopt;
  return splice;
}

}  // namespace tavrel::win
