#pragma once
// An update of the preview that replaces only the blocks an edit changed: reading a whole large
// document into the control again costs seconds, while most edits change one paragraph. The
// plan says which text of the control goes and what must stand there afterwards, so that the
// control can be checked before and after; whenever a part cannot be replaced safely there is
// no plan, and the whole content is replaced.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "render/markdown_model.h"
#include "render/preview_positions.h"

namespace tavrel::win {

// Blocks [begin, old_end) of the old list give way to blocks [begin, new_end) of the new one;
// everything before and after is the same in both.
struct BlockDiff {
  std::size_t begin = 0;
  std::size_t old_end = 0;
  std::size_t new_end = 0;
};

bool same_block(const Block& a, const Block& b);

// The longest common run of blocks at the start, then at the end of what is left.
BlockDiff block_diff(const std::vector<Block>& before, const std::vector<Block>& after);

struct PreviewSplice {
  BlockDiff blocks;
  std::uint64_t begin = 0;    // where the replaced text starts in the control
  std::uint64_t old_end = 0;  // where it ends before the update
  // The whole text's length before and after, as the control counts it: the last paragraph's
  // break is the control's own end mark, which it does not count.
  std::uint64_t old_length = 0;
  std::uint64_t new_length = 0;
  std::u16string old_text;  // what the replaced range shows before
  std::u16string new_text;  // and what the new blocks show afterwards
  // The new blocks with one block on each side, afterwards: the control looks for web
  // addresses again around a change and drops the link marks it set on other text there.
  std::uint64_t touched_begin = 0;
  std::uint64_t touched_end = 0;
};

// The part replacement from the shown model to the next one, or nothing when only a whole
// replacement is safe: nothing shown, front matter changed, the change at the document's end
// (the control treats a document's last paragraph apart), a table row in or next to the change,
// or more than about an eighth of the text changing.
std::optional<PreviewSplice> plan_preview_splice(const RenderedMarkdown& shown,
                                                 const RenderedMarkdown& next);
// The same, with the positions of both models already counted.
std::optional<PreviewSplice> plan_preview_splice(const RenderedMarkdown& shown,
                                                 const PreviewPositions& before,
                                                 const RenderedMarkdown& next,
                                                 const PreviewPositions& after);

// How the control gives back a line break inside a paragraph.
inline constexpr char16_t kShownLineBreak = u'\v';

// The text that blocks [begin, end) show in the control, as the control gives it back; table
// rows are not covered (their marks are the control's own).
std::u16string shown_block_text(const std::vector<Block>& blocks, std::size_t begin,
                                std::size_t end);

}  // namespace tavrel::win
