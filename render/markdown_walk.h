#pragma once
// Internal to the renderer: the state md4c's parser fills through our callbacks while it builds
// the block model. Only render_markdown and the tests of the walk use this header.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include <md4c.h>

#include "render/markdown_model.h"

namespace tavrel::win {

// Where the parser saw a heading in the buffer it parsed (positions relative to its start).
// md4c reports no block positions, only text that points into the buffer, so a heading is placed
// by the text around it.
struct HeadingSource {
  static constexpr std::size_t kNone = std::string_view::npos;
  std::size_t first_text = kNone;  // its first text that points into the buffer
  std::size_t floor = 0;           // end of all such text before it: the heading lies behind
  std::size_t ceiling = kNone;     // the first such text after it began: the heading lies before
  std::size_t block = 0;           // its block
  std::size_t text_begin = 0;      // its text in MarkdownWalk::plain_text
  std::size_t text_end = 0;
};

// A run of the target that text went to last, kept compact while more text may join it.
struct OpenRun {
  std::size_t text_begin = 0;  // in MarkdownWalk::plain_text; it ends where the next one begins
  RunStyle style = RunStyle::None;
  std::uint32_t link = 0;   // slot in MarkdownWalk::open_links
  std::uint32_t color = 0;  // slot in MarkdownWalk::open_colors
};

// The link or colour values of the open runs, each kept once however many runs in a row share
// it. Slot 0 is the empty value, which plain text between links takes, so text alternating
// with one link needs two slots, not one per run. The slots keep their buffers from one target
// to the next.
struct OpenStrings {
  std::vector<std::string> slots{std::string()};
  std::size_t count = 1;
  std::uint64_t last_epoch = 0;  // epoch of slots[count - 1] when count > 1

  // The slot holding `value`, whose epoch is `epoch` (equal epochs mean equal values).
  std::uint32_t slot_of(const std::string& value, std::uint64_t epoch);
  void clear() { count = 1; }
};

struct MarkdownWalk {
  RenderedMarkdown result;  // only `blocks` is filled by the callbacks
  RunStyle style = RunStyle::None;
  std::vector<std::uint32_t> style_stack;  // style saved at each open span
  std::vector<std::string> link_stack;     // link saved at each span that replaces it ...
  std::size_t link_depth = 0;              // ... in its first slots; the rest keep buffers
  std::string link;
  std::string color;
  std::uint32_t quote_depth = 0;
  std::uint32_t list_depth = 0;
  bool in_cell = false;
  std::vector<std::uint32_t> list_numbers;  // next number of each open list, 0 for bullets

  // Bookkeeping that keeps the walk linear and lets render_markdown place headings.
  std::vector<std::uint8_t> span_saved_link;  // per open span: did it push on link_stack
  std::uint64_t link_epoch = 0;               // changes whenever `link` gets a new value
  std::uint64_t color_epoch = 0;              // changes whenever `color` gets a new value
  std::uint64_t next_epoch = 1;
  std::vector<std::uint64_t> link_epoch_stack;
  std::uint64_t tail_link_epoch = 0;  // epochs of the last run appended ...
  std::uint64_t tail_color_epoch = 0;
  std::size_t tail_block = 0;  // ... and which target (blocks.size(),
  std::size_t tail_cells = 0;  //     cells.size() or 0) it went to
  // The runs of that target that text may still join. They become Runs only when no more text
  // can reach them (a new cell or block, or text for another target): the run list then gets
  // one allocation instead of growing run by run, and each run's text is copied once, whole,
  // from plain_text instead of growing piece by piece.
  std::vector<OpenRun> open_runs;
  OpenStrings open_links;
  OpenStrings open_colors;
  std::string_view source;  // the buffer handed to the parser
  bool in_heading = false;
  std::vector<HeadingSource> heading_sources;  // one per heading block, in order
  std::size_t text_seen = 0;           // end of the furthest text that pointed into `source`
  std::size_t headings_unbounded = 0;  // headings from this index on have no ceiling yet

  // The plain text, gathered while each piece of text is fresh in the cache rather than by a
  // second walk over the finished blocks: every block's runs, then its cells (each after a tab
  // when text came before it), then "\n\n". Text only ever reaches the last block, and the
  // parser opens cells only in table rows, which get no runs, so arrival order is block order.
  std::string plain_text;
  std::size_t block_text_start = 0;  // where the last block's text begins in plain_text
  std::exception_ptr failure;        // an exception caught inside a callback
};

void push_block(MarkdownWalk& walk, BlockKind kind, std::uint32_t level, std::string text);
// Ends the plain text of the last block; the parse calls it once more at its end.
void close_block_text(MarkdownWalk& walk);
void append_run(MarkdownWalk& walk, std::string text);
void append_run(MarkdownWalk& walk, std::string_view text);

// md4c callbacks. They never let an exception escape into C: it is kept in `failure` and the
// parse is aborted.
int on_enter_block(MD_BLOCKTYPE type, void* detail, void* userdata);
int on_leave_block(MD_BLOCKTYPE type, void* detail, void* userdata);
int on_enter_span(MD_SPANTYPE type, void* detail, void* userdata);
int on_leave_span(MD_SPANTYPE type, void* detail, void* userdata);
int on_text(MD_TEXTTYPE type, MD_CHAR const* text, MD_SIZE size, void* userdata);

// Runs md4c over `source` with the callbacks above and the model's parser flags. Throws
// "Markdown parser failed" when md4c gives up, or rethrows what a callback caught.
void parse_block_model(MarkdownWalk& walk, std::string_view source);

// What an inline HTML tag does to the walk: "<u>" and "</u>" switch underline, a colour tag sets
// the colour and "</span>" ends it; every other tag is dropped.
void apply_inline_tag(MarkdownWalk& walk, std::string_view tag);

// md4c reports a NUL inside a code block as U+FFFD and then hands the NUL byte on once more at
// the start of the following text; the replacement already stands for it, so the byte goes.
std::string without_nul(std::string_view piece);

// The matcher of an inline colour tag: exactly <span style="color:#RRGGBB"> (hex digits in
// either case). Returns the colour ("#RRGGBB") or an empty view.
std::string_view match_color_span(std::string_view tag);

}  // namespace tavrel::win
