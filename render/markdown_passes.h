#pragma once
// Internal to the renderer: render_markdown as two passes over the same text that need nothing
// from each other until the end, so the render job can run them on two threads. Run one after the
// other, they give exactly what render_markdown returns.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "render/markdown_model.h"

namespace tavrel::win {

// Where md4c wrote a heading's opening tag ("<hN>") into the HTML.
struct HeadingTag {
  std::size_t close = 0;    // position of the tag's ">"
  std::uint32_t level = 0;  // N
};

struct HtmlPass {
  std::string html;  // md4c's HTML, anchors and tables of contents not yet in it
  std::vector<HeadingTag> heading_tags;
};

// The HTML of the Markdown behind its front matter.
HtmlPass render_html_pass(std::string_view markdown);

// Everything but the HTML: front matter, block model (tables of contents included), headings
// with ids and offsets, and plain text.
RenderedMarkdown render_model_pass(std::string_view markdown);

// The finished HTML: the headings' anchors added and the tables of contents expanded.
std::string finish_html(HtmlPass pass, const std::vector<Heading>& headings);

}  // namespace tavrel::win
