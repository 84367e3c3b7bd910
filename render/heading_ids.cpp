// Heading ids and offsets, anchors in the HTML, and the table of contents.
#include "render/heading_ids.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tavrel::win {
namespace {

constexpr std::string_view kTocMarker = "<p>[TOC]</p>";

bool is_ascii_alnum(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::vector<std::size_t> failure_table(std::string_view needle) {
  std::vector<std::size_t> fail(needle.size(), 0);
  std::size_t k = 0;
  for (std::size_t i = 1; i < needle.size(); ++i) {
    while (k > 0 && needle[i] != needle[k]) {
      k = fail[k - 1];
    }
    if (needle[i] == needle[k]) {
      ++k;
    }
    fail[i] = k;
  }
  return fail;
}

std::size_t line_start(std::string_view text, std::size_t at) {
  while (at > 0 && text[at - 1] != '\n') {
    --at;
  }
  return at;
}

std::size_t line_end(std::string_view text, std::size_t at) {
  std::size_t const found = text.find('\n', at);
  return found == std::string_view::npos ? text.size() : found;
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

std::size_t find_first_between(std::string_view haystack, std::string_view needle, std::size_t from,
                               std::size_t last_start) {
  if (needle.empty()) {
    return from <= haystack.size() ? from : std::string_view::npos;
  }
  if (needle.size() > haystack.size() || from > last_start ||
      from > haystack.size() - needle.size()) {
    return std::string_view::npos;
  }
  last_start = std::min(last_start, haystack.size() - needle.size());
  std::size_t const end = last_start + needle.size();
  const std::vector<std::size_t> fail = failure_table(needle);
  std::size_t k = 0;
  for (std::size_t i = from; i < end; ++i) {
    if (k == 0) {
      // Jump straight to the next possible start; most text never matches the first byte.
      const void* hit = std::memchr(haystack.data() + i, needle[0], end - i);
      if (hit == nullptr) {
        return std::string_view::npos;
      }
      i = static_cast<std::size_t>(static_cast<const char*>(hit) - haystack.data());
    }
    while (k > 0 && haystack[i] != needle[k]) {
      k = fail[k - 1];
    }
    if (haystack[i] == needle[k]) {
      ++k;
    }
    if (k == needle.size()) {
      return i + 1 - needle.size();
    }
  }
  return std::string_view::npos;
}

HeadingLocator::HeadingLocator(std::string_view input, std::size_t start)
    : input_(input), position_(std::min(start, input.size())) {}

std::uint64_t HeadingLocator::locate(std::string_view text, SourceSpan source) {
  std::size_t offset = position_;
  const bool fits = text.size() <= input_.size() - position_;
  if (!text.empty() && fits && source.begin < input_.size()) {
    // A hit anywhere on the heading's own lines is what a search of the whole remaining text
    // would have found first; hits beyond them would only be unrelated text further down.
    std::size_t const from = std::max(position_, line_start(input_, source.begin));
    std::size_t const last_byte = source.end > source.begin ? source.end - 1 : source.begin;
    std::size_t const last = line_end(input_, last_byte);
    std::size_t const found = find_first_between(input_, text, from, last);
    if (found != std::string_view::npos) {
      offset = found;
    }
  }
  // Never past the end: an offset must name a place in the text.
  position_ = std::min(offset + text.size(), input_.size());
  return offset;
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
