// Heading ids and offsets, anchors in the HTML, and the table of contents.
#include "render/heading_ids.h"

#include <algorithm>
#include <cstdint>

namespace tavrel::win {
namespace {

constexpr std::string_view kTocMarker = "<p>[TOC]</p>";

bool is_ascii_alnum(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::size_t line_end(std::string_view text, std::size_t at) {
  std::size_t const found = text.find('\n', at);
  return found == std::string_view::npos ? text.size() : found;
}

// Characters that open an inline span (or escape one) and so may stand before a heading's first
// text on its line.
bool is_inline_opener(char c) {
  return c == '*' || c == '_' || c == '`' || c == '[' || c == '!' || c == '~' || c == '$' ||
         c == '<' || c == '\\';
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Skips block quote markers, list markers and indentation at the start of a line.
std::size_t skip_containers(std::string_view line) {
  std::size_t at = 0;
  while (true) {
    while (at < line.size() && (is_blank(line[at]) || line[at] == '>')) {
      ++at;
    }
    std::size_t marker = at;
    if (marker < line.size() &&
        (line[marker] == '-' || line[marker] == '+' || line[marker] == '*')) {
      ++marker;
    } else {
      while (marker < line.size() && line[marker] >= '0' && line[marker] <= '9') {
        ++marker;
      }
      if (marker > at && marker < line.size() && (line[marker] == '.' || line[marker] == ')')) {
        ++marker;
      } else {
        marker = at;
      }
    }
    if (marker == at || marker >= line.size() || !is_blank(line[marker])) {
      return at;
    }
    at = marker;
  }
}

// Where the text of an ATX heading line starts (behind its opening hashes and blanks); npos when
// the line opens no ATX heading.
std::size_t atx_text_start(std::string_view line) {
  std::size_t at = skip_containers(line);
  std::size_t const hashes = at;
  while (at < line.size() && line[at] == '#') {
    ++at;
  }
  if (at == hashes || at - hashes > 6 || (at < line.size() && !is_blank(line[at]))) {
    return std::string_view::npos;
  }
  while (at < line.size() && is_blank(line[at])) {
    ++at;
  }
  return at;
}

// Where the heading text that the parser first pointed at (`first`) starts: behind the opening
// hashes on an ATX line; on other lines before the markers that open emphasis, code, links and
// images, since the parser points behind them.
std::size_t text_start(std::string_view text, std::size_t first) {
  std::size_t begin = first;
  while (begin > 0 && text[begin - 1] != '\n') {
    --begin;
  }
  std::size_t const atx = atx_text_start(text.substr(begin, first - begin));
  if (atx != std::string_view::npos) {
    return begin + atx;
  }
  std::size_t at = first;
  while (at > begin && is_inline_opener(text[at - 1])) {
    --at;
  }
  return at;
}

}  // namespace

std::string make_heading_id(const std::string& text) {
  std::string id;
  id.reserve(text.size());
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == ' ' || c == '\t') {
      id += '-';
    } else if (is_ascii_alnum(c)) {
      id += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    } else if (c == '-' || c == '_' || c >= 0x80) {
      id += ch;
    }
  }
  if (id.empty()) {
    id = "section";
  }
  return id;
}

std::string HeadingIdTable::next(const std::string& heading_text) {
  std::string id = make_heading_id(heading_text);
  std::uint32_t& count = seen_[id];
  if (count > 0) {
    id += '-';
    id += std::to_string(count);
  }
  ++count;
  return id;
}

HeadingLocator::HeadingLocator(std::string_view input, std::size_t body)
    : input_(input), body_(std::min(body, input.size())), cursor_(body_) {}

std::uint64_t HeadingLocator::locate(const HeadingSource& source) {
  std::size_t offset = 0;
  if (source.first_text != HeadingSource::kNone && body_ + source.first_text < input_.size()) {
    offset = text_start(input_.substr(body_), source.first_text) + body_;
  } else {
    offset = place_textless(source);
  }
  cursor_ = std::min(line_end(input_, offset) + 1, input_.size());
  return offset;
}

// A heading without text of its own (an empty ATX heading, or one holding only an empty image)
// lies on a whole line behind all text before it and before the text after it: the first line
// there that opens a heading, else the first line there.
std::size_t HeadingLocator::place_textless(const HeadingSource& source) const {
  std::size_t from = std::max(cursor_, std::min(body_ + source.floor, input_.size()));
  if (from > body_ && from < input_.size() && input_[from - 1] != '\n') {
    from = std::min(line_end(input_, from) + 1, input_.size());
  }
  std::size_t const to = source.ceiling == HeadingSource::kNone
                             ? input_.size()
                             : std::min(body_ + source.ceiling, input_.size());
  for (std::size_t line = from; line < to;) {
    std::size_t const end = line_end(input_, line);
    std::size_t const text = atx_text_start(input_.substr(line, end - line));
    if (text != std::string_view::npos) {
      return line + text;
    }
    line = end + 1;
  }
  return from;
}

std::string table_of_contents_html(const std::vector<Heading>& headings) {
  std::string nav = "<nav class=\"toc\">";
  for (const Heading& heading : headings) {
    nav += "<a style=\"margin-left:";
    nav += std::to_string((static_cast<std::uint64_t>(heading.level) - 1) * 16);
    nav += "px\" href=\"#";
    nav += escape_html(heading.id);
    nav += "\">";
    nav += escape_html(heading.text);
    nav += "</a>";
  }
  nav += "</nav>";
  return nav;
}

std::size_t toc_expansion_limit(std::size_t heading_count) {
  if (heading_count == 0) {
    return SIZE_MAX;  // an empty table is smaller than nothing to worry about
  }
  return std::max<std::size_t>(1, kMaxTocEntries / heading_count);
}

void replace_toc_markers(std::string& html, const std::string& nav, std::size_t limit) {
  // Looking for the rare "[TOC]</p>" and checking the "<p>" before it is much quicker than
  // stopping at every "<" of the document.
  constexpr std::string_view head = "<p>";
  std::string_view const tail = kTocMarker.substr(head.size());
  auto next_marker = [&](std::size_t from) {
    for (std::size_t at = html.find(tail, from + head.size()); at != std::string::npos;
         at = html.find(tail, at + 1)) {
      if (html.compare(at - head.size(), head.size(), head) == 0) {
        return at - head.size();
      }
    }
    return std::string::npos;
  };
  std::size_t at = limit == 0 ? std::string::npos : next_marker(0);
  if (at == std::string::npos) {
    return;
  }
  std::string out;
  out.reserve(html.size() + nav.size());
  std::size_t copied = 0;
  for (std::size_t done = 0; at != std::string::npos && done < limit;
       at = next_marker(copied), ++done) {
    out.append(html, copied, at - copied);
    out += nav;
    copied = at + kTocMarker.size();
  }
  out.append(html, copied, std::string::npos);
  html = std::move(out);
}

void apply_toc_to_blocks(std::vector<Block>& blocks, const std::vector<Heading>& headings,
                         std::size_t limit) {
  std::size_t done = 0;
  for (Block& block : blocks) {
    if (done == limit) {
      return;
    }
    if (block.kind != BlockKind::Paragraph || block.runs.size() != 1 ||
        block.runs[0].text != "[TOC]") {
      continue;
    }
    ++done;
    block.runs.clear();
    block.runs.reserve(headings.size());
    for (const Heading& heading : headings) {
      Run run;
      run.text.assign(2 * static_cast<std::size_t>(std::max<std::uint32_t>(heading.level, 1) - 1),
                      ' ');
      run.text += heading.text;
      run.text += '\n';
      run.style = RunStyle::Underline;
      run.link = "#" + heading.id;
      block.runs.push_back(std::move(run));
    }
  }
}

}  // namespace tavrel::win
