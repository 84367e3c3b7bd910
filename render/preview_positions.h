#pragma once
// Where the parts of a block model land in the text of a RichEdit control that read the model's
// RTF (render_rtf): positions in UTF-16 units, as the control counts them. Headings and links
// inside the document are found there by position, never by searching their text, which may
// occur earlier (a table of contents repeats every heading).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "render/markdown_model.h"

namespace tavrel::win {

// A run that links to a place in the document ("#" and a heading id).
struct PreviewAnchor {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
  std::string target;  // the link as written, "#" included
};

struct PreviewPositions {
  std::vector<std::uint64_t> headings;  // where each heading's text starts, in heading order
  std::vector<PreviewAnchor> anchors;   // in text order
  std::vector<std::uint64_t> blocks;    // where each block starts, in block order
  std::uint64_t end = 0;                // the length of the whole text
};

PreviewPositions preview_positions(const RenderedMarkdown& markdown);

// The anchor whose run holds `position`, or nothing.
const PreviewAnchor* anchor_at(const std::vector<PreviewAnchor>& anchors, std::uint64_t position);

// The index of the first heading whose id the link ("#id") names, or nothing.
std::optional<std::size_t> heading_of_anchor(const std::vector<Heading>& headings,
                                             std::string_view link);

// Whether any block is a table row with cells, whose layout follows the preview's width.
bool has_table(const RenderedMarkdown& markdown);

}  // namespace tavrel::win
