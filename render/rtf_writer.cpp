#include "render/rtf_writer.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstring>
#include <stdexcept>

#include "render/grapheme_cuts.h"

namespace tavrel::win {
namespace {

constexpr std::string_view kHead =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Segoe UI;}{\\f1 Cascadia Mono;}}{\\colortbl;";
// Body text, links, quotes and code spans, code background and borders (0xRRGGBB).
constexpr std::array<std::uint32_t, 4> kDarkColors{0xE1E7EE, 0xFFA757, 0xA7C1E3, 0x1F2732};
constexpr std::array<std::uint32_t, 4> kLightColors{0x232E3D, 0xB34D0D, 0x4E5F84, 0xF1F5F8};
constexpr std::uint32_t kFirstRunColor = 5;
constexpr std::string_view kBlockEnd = "\\b0\\i0\\cb0\\par ";
// Kept free at the right of a fitted table: the last border is drawn on its edge.
constexpr std::int64_t kTableMarginTwips = 120;
// A wider area is worth a new layout from this step on (about 20 pixels at 96 DPI).
constexpr std::uint32_t kTableRefitStepTwips = 300;
// Wine's RichEdit lays out a stretch of text of one format in time and memory growing with the
// square of its length once it spans many rows: one paragraph of 40,000 characters took 21 s
// and 630 MB, one of 1.4 MB did not finish. A run longer than this is written in pieces of about
// a row whose text colour alternates with a twin one step of blue away, which no eye tells from
// it but which keeps the control from joining the pieces (smaller pieces lay out faster still,
// down to about a row).
constexpr std::size_t kLongRunBytes = 1024;
constexpr std::size_t kRunPieceBytes = 128;
constexpr std::size_t kLongestPieceBytes = 3 * kRunPieceBytes;
// The colours a text takes on its own: body, links, quotes and code spans.
constexpr std::uint32_t kOwnColours = 3;

void append_decimal(std::string& out, std::int64_t value) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

// Writes "\\u" + the unit read as a signed 16-bit number + "?" (the reader's fallback
// character) at `out`; returns the end (at most 9 bytes).
char* write_unicode_escape(char* out, char16_t unit) {
  *out++ = '\\';
  *out++ = 'u';
  out = std::to_chars(out, out + 6, static_cast<int>(static_cast<std::int16_t>(unit))).ptr;
  *out++ = '?';
  return out;
}

char* write_literal(char* out, std::string_view literal) {
  std::memcpy(out, literal.data(), literal.size());
  return out + literal.size();
}

// Writes the RTF form of one ASCII byte at `out`; returns the end (at most 9 bytes).
char* write_ascii(char* out, unsigned char byte) {
  switch (byte) {
    case '\\':
      return write_literal(out, "\\\\");
    case '{':
      return write_literal(out, "\\{");
    case '}':
      return write_literal(out, "\\}");
    case '\n':
      return write_literal(out, "\\line ");
    case '\r':
      return out;
    case '\t':
      return write_literal(out, "\\tab ");
    default:
      break;
  }
  if (byte >= 0x20 && byte <= 0x7E) {
    *out++ = static_cast<char>(byte);
    return out;
  }
  return write_unicode_escape(out, byte);
}

// Printable ASCII other than the three RTF specials is copied as it is.
constexpr std::array<bool, 256> make_plain_bytes() {
  std::array<bool, 256> plain{};
  for (int byte = 0x20; byte <= 0x7E; ++byte) plain[byte] = true;
  plain['\\'] = plain['{'] = plain['}'] = false;
  return plain;
}
constexpr std::array<bool, 256> kPlainBytes = make_plain_bytes();

[[noreturn]] void throw_invalid_utf8() { throw std::runtime_error("Invalid UTF-8"); }

// Decodes the multi-byte sequence at `pos` with the rules of the strict UTF-8 to UTF-16
// conversion (no overlong forms, no surrogates, nothing past U+10FFFF) and advances `pos`.
char32_t decode_sequence(std::string_view text, std::size_t& pos) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(pos);
  std::size_t length;
  char32_t value;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
  } else {
    throw_invalid_utf8();
  }
  if (text.size() - pos < length) throw_invalid_utf8();
  for (std::size_t i = 1; i < length; ++i) {
    unsigned char next = byte(pos + i);
    if ((next & 0xC0) != 0x80) throw_invalid_utf8();
    value = (value << 6) | (next & 0x3F);
  }
  if ((length == 3 && value < 0x800) || (length == 4 && value < 0x10000) || value > 0x10FFFF ||
      (value >= 0xD800 && value <= 0xDFFF)) {
    throw_invalid_utf8();
  }
  pos += length;
  return value;
}

// The text as RTF, unit by UTF-16 unit; throws exactly when the strict conversion to UTF-16
// would. The pieces are gathered in a local buffer, since most of them are only a few bytes.
void append_escaped(std::string& out, std::string_view text) {
  char buffer[2048];
  char* end = buffer;
  char* const limit = buffer + sizeof buffer - 2 * 9;  // room for the longest piece
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (end > limit) {
      out.append(buffer, end);
      end = buffer;
    }
    auto byte = static_cast<unsigned char>(text[pos]);
    if (kPlainBytes[byte]) {
      *end++ = static_cast<char>(byte);
      ++pos;
    } else if (byte < 0x80) {
      end = write_ascii(end, byte);
      ++pos;
    } else {
      // Everything from U+0080 on is escaped, one escape per UTF-16 unit.
      char32_t value = decode_sequence(text, pos);
      if (value < 0x10000) {
        end = write_unicode_escape(end, static_cast<char16_t>(value));
      } else {
        value -= 0x10000;
        end = write_unicode_escape(end, static_cast<char16_t>(0xD800 + (value >> 10)));
        end = write_unicode_escape(end, static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
      }
    }
  }
  out.append(buffer, end);
}

// How a block's runs are coloured: the run colours' indices, where the twins start in the colour
// table (0: no twins, no run is long) and the block's own text colour.
struct RunColours {
  const RtfColorMap& map;
  std::uint32_t twins = 0;
  std::uint32_t text = 1;

  std::uint32_t twin_of(std::uint32_t index) const {
    return twins + index - (index <= kOwnColours ? 1 : 2);  // index 4 is no text colour
  }
  std::uint32_t of(const Run& run) const {
    if (!run.color.empty()) {
      if (auto found = map.find(run.color); found != map.end()) return found->second;
    }
    if (!run.link.empty()) return 2;
    return has_style(run.style, RunStyle::Code) ? 3 : text;
  }
};

// Where the piece of a long text that starts at `at` ends: after the first space from
// kRunPieceBytes on (no word is cut), else, without one within as many bytes again, at the first
// place from there that splits no character (a letter keeps its combining marks, an emoji its
// modifiers and joined parts, a flag both halves). Text that offers no such place for
// kLongestPieceBytes (a letter under thousands of combining marks) is cut at a code point anyway,
// which keeps every piece small enough to lay out quickly.
std::size_t piece_end(std::string_view text, std::size_t at) {
  if (text.size() - at <= 2 * kRunPieceBytes) return text.size();
  const std::size_t from = at + kRunPieceBytes;
  const std::string_view window = text.substr(from, kRunPieceBytes);
  for (std::size_t space = window.find(' '); space != std::string_view::npos;
       space = window.find(' ', space + 1)) {
    if (CharacterCuts(text, at, from + space + 1).allowed()) return from + space + 1;
  }
  CharacterCuts cuts(text, at, from);
  while (!cuts.allowed() && cuts.at() - at < kLongestPieceBytes) cuts.advance();
  return cuts.at();
}

void append_text(std::string& out, std::string_view text, std::uint32_t twin) {
  if (twin == 0 || text.size() <= kLongRunBytes) return append_escaped(out, text);
  bool odd = false;
  for (std::size_t at = 0; at < text.size(); odd = !odd) {
    const std::size_t end = piece_end(text, at);
    if (odd) {
      out += "{\\cf";
      append_decimal(out, twin);
      out.push_back(' ');
    }
    append_escaped(out, text.substr(at, end - at));
    if (odd) out.push_back('}');
    at = end;
  }
}

void append_runs(std::string& out, const std::vector<Run>& runs, const RunColours& colours) {
  const RtfColorMap& map = colours.map;
  for (const Run& run : runs) {
    out.push_back('{');
    if (has_style(run.style, RunStyle::Strong)) out += "\\b ";
    if (has_style(run.style, RunStyle::Emphasis)) out += "\\i ";
    if (has_style(run.style, RunStyle::Strike)) out += "\\strike ";
    if (has_style(run.style, RunStyle::Underline)) out += "\\ul ";
    if (has_style(run.style, RunStyle::Code)) out += "\\f1\\cf3 ";
    if (!run.link.empty()) out += "\\cf2\\ul ";
    // Last, so that an explicit colour wins over the code and link colours.
    if (!run.color.empty()) {
      auto found = map.find(run.color);
      if (found != map.end()) {
        out += "\\cf";
        append_decimal(out, found->second);
        out.push_back(' ');
      }
    }
    append_text(out, run.text, colours.twins == 0 ? 0 : colours.twin_of(colours.of(run)));
    out.push_back('}');
  }
}

std::uint32_t parse_color(const std::string& color) {
  std::uint32_t value = 0;
  if (color.size() > 1) std::from_chars(color.data() + 1, color.data() + color.size(), value, 16);
  return value;
}

void append_color_row(std::string& out, std::uint32_t value) {
  out += "\\red";
  append_decimal(out, (value >> 16) & 255);
  out += "\\green";
  append_decimal(out, (value >> 8) & 255);
  out += "\\blue";
  append_decimal(out, value & 255);
  out.push_back(';');
}

// The twins of the text colours follow the run colours: the own ones, then one per run colour.
// Returns where they start, or 0 without them.
std::uint32_t append_color_table(std::string& out, RtfColorMap& map, bool dark, bool twins) {
  const std::array<std::uint32_t, 4>& theme = dark ? kDarkColors : kLightColors;
  out += kHead;
  for (const std::uint32_t colour : theme) append_color_row(out, colour);
  std::uint32_t index = kFirstRunColor;
  for (auto& [color, slot] : map) {
    slot = index++;
    append_color_row(out, parse_color(color));
  }
  if (!twins) return 0;
  for (std::uint32_t i = 0; i < kOwnColours; ++i) append_color_row(out, theme[i] ^ 1);
  for (const auto& entry : map) append_color_row(out, parse_color(entry.first) ^ 1);
  return index;
}

void append_table_row(std::string& out, const Block& block, const RunColours& colours,
                      std::uint32_t table_twips) {
  out += "\\trowd\\trgaph80";
  std::uint64_t count = block.cells.size();
  std::uint64_t width = table_twips / count;
  for (std::uint64_t i = 1; i <= count; ++i) {
    out += "\\clbrdrb\\brdrs\\brdrw5\\brdrcf4";
    if (block.level != 0) out += "\\clcbpat4";  // header row shading
    out += "\\cellx";
    append_decimal(out, static_cast<std::int64_t>(width * i));
  }
  for (const std::vector<Run>& cell : block.cells) {
    out += "\\intbl ";
    append_runs(out, cell, colours);
    out += "\\cell ";
  }
  out += "\\row ";
}

std::string_view heading_size(std::uint32_t level) {
  if (level == 1) return "38";
  if (level == 2) return "30";
  return "25";
}

// Every block starts from the same paragraph and character state and ends its own bold, italic
// and background, so nothing of one block's look reaches the next.
void append_block(std::string& out, const Block& block, RunColours colours,
                  std::string_view paragraph_start, std::uint32_t table_twips) {
  out += paragraph_start;
  switch (block.kind) {
    case BlockKind::Heading:
      out += "\\sb240\\sa160\\b\\fs";
      out += heading_size(block.level);
      out.push_back(' ');
      break;
    case BlockKind::CodeBlock:
      out += "\\f1\\fs20\\li180\\ri180\\cb4\\sa120 ";
      break;
    case BlockKind::Quote:
      out += "\\li260\\cf3\\i ";
      colours.text = 3;
      break;
    case BlockKind::ListItem:
      out += "\\li";
      append_decimal(out, 200 * static_cast<std::int64_t>(block.level));
      out += "\\sa80 ";
      break;
    case BlockKind::Rule:
      out += "\\brdrb\\brdrs\\brdrw8\\brdrcf4\\par ";
      return;
    case BlockKind::TableRow:
      if (!block.cells.empty()) {
        append_table_row(out, block, colours, table_twips);
        return;
      }
      break;
    case BlockKind::Paragraph:
    default:
      break;
  }
  append_runs(out, block.runs, colours);
  out += kBlockEnd;
}

// Collects the run colours and returns about how many RTF bytes the runs will need, in one walk
// over the runs; `longest` grows to the longest run text.
std::size_t prepare_runs(RtfColorMap& map, const std::vector<Run>& runs, std::size_t& longest) {
  std::size_t estimate = 0;
  for (const Run& run : runs) {
    if (!run.color.empty()) map.emplace(run.color, 0);
    estimate += 2 * run.text.size() + 16;
    longest = std::max(longest, run.text.size());
  }
  return estimate;
}

}  // namespace

void collect_run_colors(RtfColorMap& map, const std::vector<Run>& runs) {
  std::size_t longest = 0;
  prepare_runs(map, runs, longest);
}

std::string write_rtf_run(const std::vector<Run>& runs, const RtfColorMap& map) {
  std::string out;
  append_runs(out, runs, RunColours{map});
  return out;
}

std::size_t rtf_break_count(std::string_view rtf, std::size_t stop_at) {
  std::size_t count = 0;
  for (std::size_t at = rtf.find('\\'); at != std::string_view::npos && count < stop_at;
       at = rtf.find('\\', at)) {
    std::size_t word = ++at;
    while (word < rtf.size() && rtf[word] >= 'a' && rtf[word] <= 'z') ++word;
    const std::string_view name = rtf.substr(at, word - at);
    if (name == "par" || name == "line") ++count;
    at = std::max(word, at + 1);  // an escaped symbol (\\, \{) is skipped whole
  }
  return count;
}

// Control words and groups are skipped; an escaped symbol (\\, \{, \'e9) and a Unicode escape
// with its fallback character (\u233?) are one character each.
std::size_t rtf_text_count(std::string_view rtf, std::size_t stop_at) {
  const std::size_t body = rtf.find("\\pard");
  std::size_t count = 0;
  for (std::size_t at = body == std::string_view::npos ? rtf.size() : body;
       at < rtf.size() && count < stop_at;) {
    const char c = rtf[at++];
    if (c == '{' || c == '}' || c == '\r' || c == '\n') continue;
    if (c != '\\') {
      ++count;
      continue;
    }
    if (at < rtf.size() && !std::isalpha(static_cast<unsigned char>(rtf[at]))) {
      ++count;
      at += rtf[at] == '\'' ? 3 : 1;
      continue;
    }
    const std::size_t word = at;
    while (at < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[at]))) ++at;
    const bool unicode = rtf.substr(word, at - word) == "u";
    if (at < rtf.size() && rtf[at] == '-') ++at;
    while (at < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[at]))) ++at;
    if (at < rtf.size() && rtf[at] == ' ') ++at;
    if (unicode) {
      ++count;
      ++at;  // the fallback character
    }
  }
  return count;
}

std::string escape_rtf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  append_escaped(out, text);
  return out;
}

std::uint32_t table_twips_for(std::int64_t area) {
  if (area <= 0) return kDefaultTableTwips;
  return static_cast<std::uint32_t>(
      std::clamp<std::int64_t>(area - kTableMarginTwips, kMinTableTwips, kDefaultTableTwips));
}

bool table_refit_needed(std::uint32_t used, std::uint32_t wanted) {
  return wanted < used || wanted - used >= kTableRefitStepTwips;
}

RtfWriter::RtfWriter(const RenderedMarkdown& markdown, bool dark, std::uint32_t size,
                     std::uint32_t table_twips)
    : markdown_(markdown), table_twips_(table_twips) {
  // Room for the usual output (text with some escapes, run groups and paragraph words), so
  // that the string grows at most once more.
  estimates_.reserve(markdown.blocks.size());
  std::size_t total = 0;
  std::size_t longest = markdown.front_matter.size();
  for (const Block& block : markdown.blocks) {
    std::size_t estimate = 64 + prepare_runs(colors_, block.runs, longest);
    for (const std::vector<Run>& cell : block.cells)
      estimate += 48 + prepare_runs(colors_, cell, longest);
    total += estimate;
    estimates_.push_back(total);
  }

  append_decimal(font_size_, 2 * static_cast<std::int64_t>(size));
  paragraph_start_ = "\\pard\\sa180\\sl300\\slmult1\\f0\\fs" + font_size_ + "\\cf1 ";

  twins_ = append_color_table(head_, colors_, dark, longest > kLongRunBytes);
  tables_end_ = head_.size();
  head_ += "}\\viewkind4\\uc1\\f0\\fs";
  head_ += font_size_;
  head_ += "\\cf1 ";
  if (!markdown.front_matter.empty()) {
    head_ += "{\\cf3\\fs18 ";
    append_text(head_, markdown.front_matter,
                twins_ == 0 ? 0 : RunColours{colors_, twins_}.twin_of(3));
    head_ += "}\\par\\par ";
  }
}

std::size_t RtfWriter::middle() const {
  if (estimates_.empty()) return 0;
  auto half = std::lower_bound(estimates_.begin(), estimates_.end(), estimates_.back() / 2);
  return static_cast<std::size_t>(half - estimates_.begin());
}

std::string RtfWriter::head() const {
  std::string out;
  out.reserve(head_.size() + (estimates_.empty() ? 0 : estimates_.back()) + 512);
  out += head_;
  return out;
}

std::string RtfWriter::range_head() const {
  return head_.substr(0, tables_end_) + "}\\viewkind4\\uc1\\plain\\f0\\fs" + font_size_ + "\\cf1 ";
}

void RtfWriter::append_blocks(std::string& out, std::size_t begin, std::size_t end,
                              std::vector<std::size_t>* starts) const {
  end = std::min(end, markdown_.blocks.size());
  for (std::size_t i = begin; i < end; ++i) {
    if (starts != nullptr) starts->push_back(out.size());
    append_block(out, markdown_.blocks[i], RunColours{colors_, twins_}, paragraph_start_,
                 table_twips_);
  }
}

std::string RtfWriter::blocks(std::size_t begin, std::size_t end,
                              std::vector<std::size_t>* starts) const {
  std::string out;
  end = std::min(end, estimates_.size());
  if (begin < end) out.reserve(estimates_[end - 1] - (begin == 0 ? 0 : estimates_[begin - 1]));
  append_blocks(out, begin, end, starts);
  return out;
}

void RtfWriter::append_end(std::string& out) { out.push_back('}'); }

std::string rtf_block_range(std::string_view range_head, std::string_view rtf,
                            const std::vector<std::size_t>& starts, std::size_t begin,
                            std::size_t end) {
  if (begin > end || end >= starts.size() || starts[end] > rtf.size()) {
    throw std::out_of_range("Block range outside the RTF");
  }
  std::string out;
  out.reserve(range_head.size() + starts[end] - starts[begin] + 1);
  out += range_head;
  out += rtf.substr(starts[begin], starts[end] - starts[begin]);
  RtfWriter::append_end(out);
  return out;
}

std::string render_rtf(const RenderedMarkdown& markdown, bool dark, std::uint32_t size,
                       std::uint32_t table_twips) {
  RtfWriter writer(markdown, dark, size, table_twips);
  std::string out = writer.head();
  writer.append_blocks(out, 0, markdown.blocks.size());
  RtfWriter::append_end(out);
  return out;
}

}  // namespace tavrel::win
