#pragma once
// The block model as RTF for the RichEdit preview, printing and the native image export.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "render/markdown_model.h"

namespace tavrel::win {

// Run colour text ("#RRGGBB" as written) to its colour table index; ordered by plain byte
// comparison, so indices follow the sorted colour texts.
using RtfColorMap = std::map<std::string, std::uint32_t>;

// How wide every table is, in twips, where the text area leaves room for it and where the area is
// not known (the image export lays out wider than this).
inline constexpr std::uint32_t kDefaultTableTwips = 7600;
// The narrowest table written, whatever the text area.
inline constexpr std::uint32_t kMinTableTwips = 1440;

// The table width for a text area `area` twips wide: the default where it fits, else the area less
// a margin that keeps the last column's border in sight. An area of 0 or less is not known yet.
std::uint32_t table_twips_for(std::int64_t area);

// Whether tables written `used` twips wide must be written again for `wanted`: always when the
// area became narrower (a column would be cut), when it became wider only by a visible step.
bool table_refit_needed(std::uint32_t used, std::uint32_t wanted);

// One RTF document (ASCII only) for the model, in the dark or light colours, with `size` points
// as the body font size and every table `table_twips` wide, its columns equally wide. Throws
// std::runtime_error("Invalid UTF-8") for invalid run text.
std::string render_rtf(const RenderedMarkdown& markdown, bool dark, std::uint32_t size,
                       std::uint32_t table_twips = kDefaultTableTwips);

// render_rtf in pieces: the colour table and the document head are made once, then the blocks
// can be written in ranges, also on two threads at once. The head, the ranges from 0 to the block
// count in order, and the end, joined, are render_rtf's text. The model must outlive the writer.
class RtfWriter {
 public:
  RtfWriter(const RenderedMarkdown& markdown, bool dark, std::uint32_t size,
            std::uint32_t table_twips = kDefaultTableTwips);

  // The document head, in a string with room for the whole document.
  std::string head() const;
  // With `starts`, the offset in `out` where each block begins is added to it.
  void append_blocks(std::string& out, std::size_t begin, std::size_t end,
                     std::vector<std::size_t>* starts = nullptr) const;
  // Blocks [begin, end) in a string of their own.
  std::string blocks(std::size_t begin, std::size_t end,
                     std::vector<std::size_t>* starts = nullptr) const;
  static void append_end(std::string& out);

  // The head of a document that holds only some of the blocks (rtf_block_range): the same
  // tables, no front matter, and a character state of its own, since such a document is read
  // into the middle of a text whose format it would otherwise continue.
  std::string range_head() const;

  // A block index that splits the expected output of the blocks into two about equal halves.
  std::size_t middle() const;

 private:
  const RenderedMarkdown& markdown_;
  RtfColorMap colors_;
  std::vector<std::size_t> estimates_;  // expected output up to and including each block
  std::string paragraph_start_;
  std::string head_;
  std::size_t tables_end_ = 0;  // where the colour table's entries end in head_
  std::uint32_t twins_ = 0;     // where the twins of the text colours start (0: none)
  std::string font_size_;
  std::uint32_t table_twips_;
};

// Blocks [begin, end) of a document as one document of their own, for a reader that takes them
// in place of others: `range_head` from its writer, then the blocks' text cut from `rtf`, where
// `starts` holds each block's offset and, last, the offset where the blocks end.
std::string rtf_block_range(std::string_view range_head, std::string_view rtf,
                            const std::vector<std::size_t>& starts, std::size_t begin,
                            std::size_t end);

// Adds every non-empty run colour to the map (index 0 until indices are assigned).
void collect_run_colors(RtfColorMap& map, const std::vector<Run>& runs);

// One group per run, with the run's style, link and colour words.
std::string write_rtf_run(const std::vector<Run>& runs, const RtfColorMap& map);

// How many paragraph and line breaks (\par, \line) an RTF document holds: each starts a line.
// Counting stops at `stop_at`, for callers that only ask whether there are that many.
std::size_t rtf_break_count(std::string_view rtf, std::size_t stop_at = std::string_view::npos);

// How many characters of text the body of an RTF document (from its first \pard on) shows: a
// lower bound for its layout where no break counts. Counting stops at `stop_at`, as above.
std::size_t rtf_text_count(std::string_view rtf, std::size_t stop_at = std::string_view::npos);

// The RTF form of a UTF-8 text: escapes for \ { }, line and tab words, \uN? for the rest.
std::string escape_rtf(std::string_view text);

}  // namespace tavrel::win
