#include "render/preview_positions.h"

#include <algorithm>

namespace tavrel::win {
namespace {

// What the control adds around a table row's cells (the row's start and end marks, two
// characters each) and after each cell (its end mark).
constexpr std::uint64_t kRowMarks = 4;
constexpr std::uint64_t kCellMark = 1;
// A paragraph ends with one break; the front matter is followed by two.
constexpr std::uint64_t kParagraphMark = 1;
constexpr std::uint64_t kFrontMatterMarks = 2;

// UTF-16 units of a UTF-8 text as the RTF writer escapes it: a character from a four-byte
// sequence takes two, a CR none (the writer drops it), every other character one.
std::uint64_t shown_units(std::string_view text) {
  std::uint64_t units = 0;
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if ((byte & 0xC0) == 0x80 || byte == '\r') continue;
    units += byte >= 0xF0 ? 2 : 1;
  }
  return units;
}

class Counter {
 public:
  explicit Counter(PreviewPositions& out) : out_(out) {}

  void runs(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
      const std::uint64_t begin = at_;
      at_ += shown_units(run.text);
      if (!run.link.empty() && run.link.front() == '#' && at_ > begin) {
        out_.anchors.push_back({begin, at_, run.link});
      }
    }
  }

  void block(const Block& block) {
    out_.blocks.push_back(at_);
    if (block.kind == BlockKind::Heading) out_.headings.push_back(at_);
    if (block.kind == BlockKind::TableRow && !block.cells.empty()) {
      at_ += kRowMarks / 2;
      for (const std::vector<Run>& cell : block.cells) {
        runs(cell);
        at_ += kCellMark;
      }
      at_ += kRowMarks / 2;
      return;
    }
    if (block.kind != BlockKind::Rule) runs(block.runs);  // a rule is an empty paragraph
    at_ += kParagraphMark;
  }

  void skip(std::uint64_t units) { at_ += units; }
  std::uint64_t at() const { return at_; }

 private:
  PreviewPositions& out_;
  std::uint64_t at_ = 0;
};

}  // namespace

PreviewPositions preview_positions(const RenderedMarkdown& markdown) {
  PreviewPositions positions;
  Counter counter(positions);
  if (!markdown.front_matter.empty()) {
    counter.skip(shown_units(markdown.front_matter) + kFrontMatterMarks);
  }
  positions.blocks.reserve(markdown.blocks.size());
  for (const Block& block : markdown.blocks) counter.block(block);
  positions.end = counter.at();
  return positions;
}

const PreviewAnchor* anchor_at(const std::vector<PreviewAnchor>& anchors, std::uint64_t position) {
  const auto after = std::upper_bound(
      anchors.begin(), anchors.end(), position,
      [](std::uint64_t at, const PreviewAnchor& anchor) { return at < anchor.begin; });
  if (after == anchors.begin()) return nullptr;
  const PreviewAnchor& candidate = *std::prev(after);
  return position < candidate.end ? &candidate : nullptr;
}

std::optional<std::size_t> heading_of_anchor(const std::vector<Heading>& headings,
                                             std::string_view link) {
  if (link.empty() || link.front() != '#') return std::nullopt;
  link.remove_prefix(1);
  for (std::size_t i = 0; i < headings.size(); ++i) {
    if (headings[i].id == link) return i;
  }
  return std::nullopt;
}

bool has_table(const RenderedMarkdown& markdown) {
  return std::any_of(markdown.blocks.begin(), markdown.blocks.end(), [](const Block& block) {
    return block.kind == BlockKind::TableRow && !block.cells.empty();
  });
}

}  // namespace tavrel::win
