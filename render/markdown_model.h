#pragma once
// The styled block model of one rendered document, and the entry from Markdown text to it.
// The native preview (RTF), the DOCX export, printing and the outline are all produced from
// RenderedMarkdown; nothing here depends on Win32.
#include <cstdint>
#include <string>
#include <vector>

namespace tavrel::win {

// Bit set describing the look of one run of text.
enum class RunStyle : std::uint32_t {
  None = 0,
  Strong = 1,
  Emphasis = 2,
  Strike = 4,
  Code = 8,
  Underline = 16,
};

constexpr RunStyle operator|(RunStyle a, RunStyle b) {
  return static_cast<RunStyle>(static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b));
}
constexpr RunStyle operator&(RunStyle a, RunStyle b) {
  return static_cast<RunStyle>(static_cast<std::uint32_t>(a) & static_cast<std::uint32_t>(b));
}
constexpr RunStyle operator~(RunStyle a) {
  return static_cast<RunStyle>(~static_cast<std::uint32_t>(a));
}
constexpr RunStyle& operator|=(RunStyle& a, RunStyle b) { return a = a | b; }
constexpr RunStyle& operator&=(RunStyle& a, RunStyle b) { return a = a & b; }

// True when every bit of `bits` is set in `style`.
constexpr bool has_style(RunStyle style, RunStyle bits) {
  return bits != RunStyle::None && (style & bits) == bits;
}

// One piece of text with one look.
struct Run {
  std::string text;  // UTF-8
  RunStyle style = RunStyle::None;
  std::string link;   // target of the enclosing link (image alt text: the source)
  std::string color;  // "#RRGGBB" as written in the source, empty when none
};

enum class BlockKind : std::uint32_t {
  Paragraph = 0,
  Heading = 1,
  CodeBlock = 2,
  Quote = 3,
  ListItem = 4,
  Rule = 5,
  TableRow = 6,
};

struct Block {
  BlockKind kind = BlockKind::Paragraph;
  std::uint32_t level = 0;              // heading level, quote depth, list depth, 1 = header row
  std::vector<Run> runs;                // empty for rules and table rows
  std::string text;                     // code block language word; empty for other kinds
  std::vector<std::vector<Run>> cells;  // one run list per table cell (TableRow only)
};

// One entry of the heading list (outline, anchors, table of contents).
struct Heading {
  std::uint32_t level = 0;  // 1 to 6
  std::string text;         // the heading's run texts concatenated
  std::string id;           // anchor id, unique within one render
  std::uint64_t offset =
      0;  // UTF-8 byte offset of the heading text in the input (front matter included)
};

struct RenderedMarkdown {
  std::vector<Block> blocks;
  std::vector<Heading> headings;
  std::string front_matter;  // inner text of a leading "---" block, empty when none
  std::string html;
  std::string plain_text;
};

// Markdown (UTF-8, LF line ends) to the block model, heading list, plain text and HTML.
// Throws std::runtime_error("Markdown parser failed") when the parser gives up.
RenderedMarkdown render_markdown(const std::string& markdown);

// Escapes " & ' < > for HTML and XML text and attribute values; every other byte is copied.
std::string escape_html(const std::string& text);

// Decodes one entity as the parser reports it ("&" to ";" inclusive). Unknown or undecodable
// entities come back unchanged; numeric values that are not Unicode scalars give U+FFFD.
std::string decode_html_entity(const std::string& entity);

// The base anchor id of a heading text (before duplicates are numbered).
std::string make_heading_id(const std::string& text);

}  // namespace tavrel::win
