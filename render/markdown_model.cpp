// The block model: md4c's parser walks the document and these callbacks turn what it reports
// into a flat list of styled blocks. Nothing here may throw into md4c (it is C); failures are
// parked in the walk and rethrown once the parser has returned.
#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

#include "render/markdown_parser.h"
#include "render/markdown_walk.h"

namespace tavrel::win {
namespace {

constexpr std::string_view kReplacementChar = "\xEF\xBF\xBD";

MarkdownWalk& walk_of(void* userdata) { return *static_cast<MarkdownWalk*>(userdata); }

// Runs one callback body; an exception is kept for render_markdown and the parse stops, since
// the model would be incomplete anyway.
template <typename Body>
int guarded(void* userdata, Body&& body) {
  MarkdownWalk& walk = walk_of(userdata);
  try {
    body(walk);
    return 0;
  } catch (...) {
    walk.failure = std::current_exception();
    return 1;
  }
}

std::string_view attribute_text(const MD_ATTRIBUTE& attribute) {
  if (attribute.text == nullptr || attribute.size == 0) {
    return {};
  }
  return {attribute.text, attribute.size};
}

// Underline from an inline tag and colour from a colour span belong to the block they were
// opened in; without this an unclosed tag would restyle the rest of the document.
void end_leaf_block(MarkdownWalk& walk) {
  walk.style &= ~RunStyle::Underline;
  walk.color.clear();
  walk.color_epoch = 0;
}

void append_list_marker(MarkdownWalk& walk, MD_BLOCK_LI_DETAIL const* detail) {
  if (detail != nullptr && detail->is_task) {
    append_run(walk,
               std::string_view(detail->task_mark == ' ' ? "\xE2\x98\x90  " : "\xE2\x98\x91  "));
  } else if (!walk.list_numbers.empty() && walk.list_numbers.back() != 0) {
    std::uint32_t& next = walk.list_numbers.back();
    append_run(walk, std::to_string(next) + ".  ");
    ++next;
  } else {
    append_run(walk, std::string_view("\xE2\x80\xA2  "));
  }
}

void enter_paragraph(MarkdownWalk& walk) {
  auto& blocks = walk.result.blocks;
  if (walk.list_depth > 0 && !blocks.empty() && blocks.back().kind == BlockKind::ListItem) {
    return;  // later paragraphs of an item join the item
  }
  if (walk.quote_depth > 0) {
    push_block(walk, BlockKind::Quote, walk.quote_depth, {});
  } else {
    push_block(walk, BlockKind::Paragraph, 0, {});
  }
}

// The open runs become Runs of their target, each text copied whole from plain_text.
void close_open_runs(MarkdownWalk& walk) {
  std::vector<OpenRun>& open = walk.open_runs;
  if (open.empty()) {
    return;
  }
  Block& block = walk.result.blocks[walk.tail_block - 1];
  std::vector<Run>& target = walk.tail_cells == 0 ? block.runs : block.cells[walk.tail_cells - 1];
  if (target.empty()) {
    target.reserve(open.size());
  }
  for (std::size_t i = 0; i < open.size(); ++i) {
    std::size_t const end = i + 1 < open.size() ? open[i + 1].text_begin : walk.plain_text.size();
    Run& run = target.emplace_back();
    run.text.assign(walk.plain_text, open[i].text_begin, end - open[i].text_begin);
    run.style = open[i].style;
    run.link = walk.open_links.slots[open[i].link];
    run.color = walk.open_colors.slots[open[i].color];
  }
  open.clear();
  walk.open_links.clear();
  walk.open_colors.clear();
}

void open_cell(MarkdownWalk& walk, Block& row) {
  close_open_runs(walk);
  if (walk.plain_text.size() > walk.block_text_start) {
    walk.plain_text += '\t';
  }
  row.cells.emplace_back();
}

void enter_cell(MarkdownWalk& walk, bool header) {
  if (walk.result.blocks.empty()) {
    push_block(walk, BlockKind::TableRow, 0, {});
  }
  Block& row = walk.result.blocks.back();
  walk.in_cell = true;
  open_cell(walk, row);
  if (header) {
    walk.style |= RunStyle::Strong;
    row.level = 1;
  }
}

void enter_block(MarkdownWalk& walk, MD_BLOCKTYPE type, void* detail) {
  // Any new block ends the text of the one before it (a tight item's text ends where its
  // nested list starts).
  end_leaf_block(walk);
  switch (type) {
    case MD_BLOCK_QUOTE:
      ++walk.quote_depth;
      break;
    case MD_BLOCK_UL:
      ++walk.list_depth;
      walk.list_numbers.push_back(0);
      break;
    case MD_BLOCK_OL:
      ++walk.list_depth;
      walk.list_numbers.push_back(static_cast<const MD_BLOCK_OL_DETAIL*>(detail)->start);
      break;
    case MD_BLOCK_LI:
      push_block(walk, BlockKind::ListItem, walk.list_depth, {});
      append_list_marker(walk, static_cast<const MD_BLOCK_LI_DETAIL*>(detail));
      break;
    case MD_BLOCK_HR:
      push_block(walk, BlockKind::Rule, 0, {});
      break;
    case MD_BLOCK_H:
      push_block(walk, BlockKind::Heading, static_cast<const MD_BLOCK_H_DETAIL*>(detail)->level,
                 {});
      walk.heading_sources.push_back({HeadingSource::kNone, walk.text_seen, HeadingSource::kNone,
                                      walk.result.blocks.size() - 1, walk.plain_text.size(),
                                      walk.plain_text.size()});
      walk.in_heading = true;
      break;
    case MD_BLOCK_CODE:
      push_block(
          walk, BlockKind::CodeBlock, 0,
          std::string(attribute_text(static_cast<const MD_BLOCK_CODE_DETAIL*>(detail)->lang)));
      break;
    case MD_BLOCK_P:
      enter_paragraph(walk);
      break;
    case MD_BLOCK_TR:
      push_block(walk, BlockKind::TableRow, 0, {});
      break;
    case MD_BLOCK_TH:
      enter_cell(walk, true);
      break;
    case MD_BLOCK_TD:
      enter_cell(walk, false);
      break;
    default:
      break;
  }
}

void leave_block(MarkdownWalk& walk, MD_BLOCKTYPE type) {
  switch (type) {
    case MD_BLOCK_QUOTE:
      walk.quote_depth -= walk.quote_depth > 0 ? 1 : 0;
      break;
    case MD_BLOCK_UL:
    case MD_BLOCK_OL:
      walk.list_depth -= walk.list_depth > 0 ? 1 : 0;
      if (!walk.list_numbers.empty()) {
        walk.list_numbers.pop_back();
      }
      break;
    case MD_BLOCK_TH:
      walk.style &= ~RunStyle::Strong;
      walk.in_cell = false;
      end_leaf_block(walk);
      break;
    case MD_BLOCK_TD:
      walk.in_cell = false;
      end_leaf_block(walk);
      break;
    case MD_BLOCK_H:
      walk.in_heading = false;
      end_leaf_block(walk);
      break;
    case MD_BLOCK_P:
    case MD_BLOCK_LI:
    case MD_BLOCK_CODE:
      end_leaf_block(walk);
      break;
    default:
      break;
  }
}

void enter_span(MarkdownWalk& walk, MD_SPANTYPE type, void* detail) {
  walk.style_stack.push_back(static_cast<std::uint32_t>(walk.style));
  const bool replaces_link = type == MD_SPAN_A || type == MD_SPAN_IMG;
  walk.span_saved_link.push_back(replaces_link ? 1 : 0);
  switch (type) {
    case MD_SPAN_EM:
      walk.style |= RunStyle::Emphasis;
      break;
    case MD_SPAN_STRONG:
      walk.style |= RunStyle::Strong;
      break;
    case MD_SPAN_CODE:
    case MD_SPAN_LATEXMATH:
    case MD_SPAN_LATEXMATH_DISPLAY:
      walk.style |= RunStyle::Code;
      break;
    case MD_SPAN_DEL:
      walk.style |= RunStyle::Strike;
      break;
    case MD_SPAN_U:
      walk.style |= RunStyle::Underline;
      break;
    case MD_SPAN_IMG:
      append_run(walk, std::string_view("\xE2\x96\xA7 "));
      [[fallthrough]];
    case MD_SPAN_A: {
      std::string_view target =
          type == MD_SPAN_A ? attribute_text(static_cast<const MD_SPAN_A_DETAIL*>(detail)->href)
                            : attribute_text(static_cast<const MD_SPAN_IMG_DETAIL*>(detail)->src);
      // The slot gives its old buffer in exchange, so nested and repeated links rarely
      // allocate.
      if (walk.link_depth == walk.link_stack.size()) {
        walk.link_stack.emplace_back();
      }
      walk.link.swap(walk.link_stack[walk.link_depth++]);
      walk.link_epoch_stack.push_back(walk.link_epoch);
      walk.link.assign(target);
      walk.link_epoch = walk.next_epoch++;
      break;
    }
    default:
      break;
  }
}

void leave_span(MarkdownWalk& walk) {
  if (walk.style_stack.empty()) {
    return;
  }
  walk.style = static_cast<RunStyle>(walk.style_stack.back());
  walk.style_stack.pop_back();
  const bool saved_link = walk.span_saved_link.back() != 0;
  walk.span_saved_link.pop_back();
  if (saved_link) {
    walk.link.swap(walk.link_stack[--walk.link_depth]);
    walk.link_epoch = walk.link_epoch_stack.back();
    walk.link_epoch_stack.pop_back();
  }
}

// Keeps what places each heading: its own first text, the text before it and the text after it.
void note_source_text(MarkdownWalk& walk, const char* text, std::size_t size) {
  const auto base = reinterpret_cast<std::uintptr_t>(walk.source.data());
  const auto at = reinterpret_cast<std::uintptr_t>(text);
  if (text == nullptr || at < base || at - base >= walk.source.size()) {
    return;  // replacement characters and line breaks come from the parser's own constants
  }
  std::size_t const begin = at - base;
  auto& headings = walk.heading_sources;
  if (walk.in_heading && headings.back().first_text == HeadingSource::kNone) {
    headings.back().first_text = begin;
  }
  std::size_t const closed = headings.size() - (walk.in_heading ? 1 : 0);
  for (; walk.headings_unbounded < closed; ++walk.headings_unbounded) {
    headings[walk.headings_unbounded].ceiling = begin;
  }
  walk.text_seen = std::max(walk.text_seen, begin + std::min(size, walk.source.size() - begin));
}

void handle_text(MarkdownWalk& walk, MD_TEXTTYPE type, const char* data, std::size_t size) {
  std::string_view const piece =
      data == nullptr ? std::string_view() : std::string_view(data, size);
  note_source_text(walk, data, size);
  switch (type) {
    case MD_TEXT_HTML:
      apply_inline_tag(walk, piece);
      break;
    case MD_TEXT_BR:
      append_run(walk, std::string_view("\n"));
      break;
    case MD_TEXT_SOFTBR:
      append_run(walk, std::string_view(" "));
      break;
    case MD_TEXT_NULLCHAR:
      append_run(walk, kReplacementChar);
      break;
    case MD_TEXT_ENTITY:
      append_run(walk, decode_html_entity(std::string(piece)));
      break;
    default:
      if (!piece.empty() && std::memchr(piece.data(), '\0', piece.size()) != nullptr) {
        append_run(walk, without_nul(piece));
      } else {
        append_run(walk, piece);
      }
      break;
  }
}

std::vector<Run>& current_target(MarkdownWalk& walk) {
  if (walk.result.blocks.empty()) {
    push_block(walk, BlockKind::Paragraph, 0, {});
  }
  Block& block = walk.result.blocks.back();
  if (!walk.in_cell) {
    return block.runs;
  }
  if (block.cells.empty()) {
    open_cell(walk, block);
  }
  return block.cells.back();
}

}  // namespace

void close_block_text(MarkdownWalk& walk) {
  if (walk.result.blocks.empty()) {
    return;
  }
  close_open_runs(walk);
  if (!walk.heading_sources.empty() &&
      walk.heading_sources.back().block == walk.result.blocks.size() - 1) {
    walk.heading_sources.back().text_end = walk.plain_text.size();
  }
  walk.plain_text += "\n\n";
}

void push_block(MarkdownWalk& walk, BlockKind kind, std::uint32_t level, std::string text) {
  close_block_text(walk);
  walk.block_text_start = walk.plain_text.size();
  Block block;
  block.kind = kind;
  block.level = level;
  block.text = std::move(text);
  walk.result.blocks.push_back(std::move(block));
}

std::uint32_t OpenStrings::slot_of(const std::string& value, std::uint64_t epoch) {
  if (value.empty()) {
    return 0;
  }
  if (count > 1 && (last_epoch == epoch || slots[count - 1] == value)) {
    last_epoch = epoch;
    return static_cast<std::uint32_t>(count - 1);
  }
  if (count == slots.size()) {
    slots.emplace_back();
  }
  slots[count].assign(value);
  last_epoch = epoch;
  return static_cast<std::uint32_t>(count++);
}

void append_run(MarkdownWalk& walk, std::string_view text) {
  std::vector<Run>& target = current_target(walk);
  std::size_t const block = walk.result.blocks.size();
  std::size_t const cells = walk.in_cell ? walk.result.blocks.back().cells.size() : 0;
  if (walk.tail_block != block || walk.tail_cells != cells) {
    close_open_runs(walk);
  }
  std::vector<OpenRun>& open = walk.open_runs;
  bool joins = false;
  if (!open.empty()) {
    // The last open run took the last text, so equal epochs prove equal strings without
    // comparing them, which keeps long links with many text pieces linear.
    const OpenRun& last = open.back();
    joins = last.style == walk.style &&
            (walk.tail_link_epoch == walk.link_epoch ||
             walk.open_links.slots[last.link] == walk.link) &&
            (walk.tail_color_epoch == walk.color_epoch ||
             walk.open_colors.slots[last.color] == walk.color);
  } else if (!target.empty()) {
    // Text came back to a target whose runs were made already.
    Run& last = target.back();
    if (last.style == walk.style && last.link == walk.link && last.color == walk.color) {
      last.text.append(text);
      joins = true;
    }
  }
  if (!joins) {
    open.push_back({walk.plain_text.size(), walk.style,
                    walk.open_links.slot_of(walk.link, walk.link_epoch),
                    walk.open_colors.slot_of(walk.color, walk.color_epoch)});
  }
  walk.plain_text.append(text);
  walk.tail_block = block;
  walk.tail_cells = cells;
  walk.tail_link_epoch = walk.link_epoch;
  walk.tail_color_epoch = walk.color_epoch;
}

void append_run(MarkdownWalk& walk, std::string text) { append_run(walk, std::string_view(text)); }

int on_enter_block(MD_BLOCKTYPE type, void* detail, void* userdata) {
  return guarded(userdata, [&](MarkdownWalk& walk) { enter_block(walk, type, detail); });
}

int on_leave_block(MD_BLOCKTYPE type, void*, void* userdata) {
  return guarded(userdata, [&](MarkdownWalk& walk) { leave_block(walk, type); });
}

int on_enter_span(MD_SPANTYPE type, void* detail, void* userdata) {
  return guarded(userdata, [&](MarkdownWalk& walk) { enter_span(walk, type, detail); });
}

int on_leave_span(MD_SPANTYPE, void*, void* userdata) {
  return guarded(userdata, [&](MarkdownWalk& walk) { leave_span(walk); });
}

int on_text(MD_TEXTTYPE type, MD_CHAR const* data, MD_SIZE size, void* userdata) {
  return guarded(userdata, [&](MarkdownWalk& walk) { handle_text(walk, type, data, size); });
}

void parse_block_model(MarkdownWalk& walk, std::string_view source) {
  const MD_SIZE size = parser_size(source);
  walk.source = source;
  // Typical prose makes a block every hundred bytes or so; starting near that saves most of
  // the regrowth of a large document.
  walk.result.blocks.reserve(source.size() / 128 + 8);
  walk.plain_text.reserve(source.size() + source.size() / 8);
  const MD_PARSER parser =
      preview_parser(on_enter_block, on_leave_block, on_enter_span, on_leave_span, on_text);
  const int rc = md_parse(source.data(), size, &parser, &walk);
  close_block_text(walk);
  end_parse(rc, walk.failure);
}

}  // namespace tavrel::win
