#pragma once
// Internal to the renderer: heading ids, heading offsets, anchors and the table of contents.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "render/markdown_model.h"
#include "render/markdown_walk.h"

namespace tavrel::win {

// Hands out unique ids within one render: intro, intro-1, intro-2, ... keyed by the base id.
class HeadingIdTable {
 public:
  std::string next(const std::string& heading_text);

 private:
  std::unordered_map<std::string, std::uint32_t> seen_;
};

// Places each heading, in document order, where its text starts on its own source line. The
// place comes from where the parser found the heading's text, never from looking the text up:
// emphasis, code spans, links, images, entities and repeated titles would all mislead a search.
class HeadingLocator {
 public:
  // `body` is where the parsed buffer starts in `input` (behind the front matter).
  HeadingLocator(std::string_view input, std::size_t body);

  std::uint64_t locate(const HeadingSource& source);

 private:
  std::size_t place_textless(const HeadingSource& source) const;

  std::string_view input_;
  std::size_t body_;
  std::size_t cursor_;  // start of the line after the heading placed last
};

std::string table_of_contents_html(const std::vector<Heading>& headings);

// Every table of contents repeats the whole heading list, so a short document of many "[TOC]"
// lines and many headings would grow quadratically. The first table always appears; more appear
// while all of them together hold at most this many entries.
inline constexpr std::size_t kMaxTocEntries = 100000;
std::size_t toc_expansion_limit(std::size_t heading_count);

// Replaces the first `limit` occurrences of "<p>[TOC]</p>" by `nav`, in place.
void replace_toc_markers(std::string& html, const std::string& nav, std::size_t limit);

// The first `limit` paragraphs that are exactly one "[TOC]" run become one linked run per
// heading.
void apply_toc_to_blocks(std::vector<Block>& blocks, const std::vector<Heading>& headings,
                         std::size_t limit);

}  // namespace tavrel::win
