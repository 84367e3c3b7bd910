// Markdown text to everything the program shows or exports from it: front matter, block model,
// heading list, plain text and HTML with heading anchors and a table of contents.
#include <climits>
#include <cstring>
#include <exception>
#include <md4c-html.h>
#include <stdexcept>
#include <utility>

#include "render/heading_ids.h"
#include "render/markdown_passes.h"
#include "render/markdown_parser.h"
#include "render/markdown_walk.h"

namespace tavrel::win {
namespace {

constexpr unsigned kHtmlParserFlags = kPreviewParserFlags | MD_FLAG_NOHTML;

// Receives md4c's HTML. Heading tags arrive as chunks of their own ("<h2>"), and with raw HTML
// off every other "<" of the output is escaped, so noting where they pass finds exactly the tags
// that a search of the finished text would find.
struct HtmlSink {
  HtmlPass* pass = nullptr;
  std::exception_ptr failure;
};

struct FrontMatter {
  std::string text;
  std::size_t body = 0;  // where the Markdown after the front matter starts
};

FrontMatter split_front_matter(std::string_view markdown) {
  FrontMatter result;
  result.body = front_matter_end(markdown);
  if (result.body != 0) {
    result.text = markdown.substr(kFrontMatterOpen.size(),
                                  result.body - kFrontMatterOpen.size() - kFrontMatterClose.size());
  }
  return result;
}

// The heading list, each heading's text taken from the plain text.
void collect_headings(RenderedMarkdown& doc, std::string_view input, std::size_t body,
                      const std::vector<HeadingSource>& heading_sources) {
  HeadingIdTable ids;
  HeadingLocator locator(input, body);
  doc.headings.reserve(heading_sources.size());
  for (const HeadingSource& source : heading_sources) {
    Heading heading;
    heading.level = doc.blocks[source.block].level;
    heading.text = doc.plain_text.substr(source.text_begin, source.text_end - source.text_begin);
    heading.id = ids.next(heading.text);
    heading.offset = locator.locate(source);
    doc.headings.push_back(std::move(heading));
  }
}

bool is_encoded_surrogate(MD_CHAR const* data, MD_SIZE size) {
  return size == 3 && static_cast<unsigned char>(data[0]) == 0xED &&
         static_cast<unsigned char>(data[1]) >= 0xA0;
}

bool is_heading_tag(MD_CHAR const* data, MD_SIZE size) {
  return size == 4 && data[0] == '<' && data[1] == 'h' && data[2] >= '1' && data[2] <= '6' &&
         data[3] == '>';
}

void append_html_chunk(MD_CHAR const* data, MD_SIZE size, void* userdata) {
  auto& sink = *static_cast<HtmlSink*>(userdata);
  if (sink.failure) {
    return;
  }
  try {
    std::string& html = sink.pass->html;
    if (is_heading_tag(data, size)) {
      sink.pass->heading_tags.push_back(
          {html.size() + 3, static_cast<std::uint32_t>(data[2] - '0')});
    }
    // The HTML renderer writes numeric entities of the surrogate range as three bytes that
    // are not UTF-8; they become U+FFFD like every other value that is no character.
    if (is_encoded_surrogate(data, size)) {
      html.append("\xEF\xBF\xBD");
    } else if (size > 0 && std::memchr(data, '\0', size) != nullptr) {
      // A NUL in a code block comes once as U+FFFD and once more as the raw byte.
      for (MD_SIZE i = 0; i < size; ++i) {
        if (data[i] != '\0') {
          html.push_back(data[i]);
        }
      }
    } else {
      html.append(data, size);
    }
  } catch (...) {
    sink.failure = std::current_exception();
  }
}

// Gives heading tags their ids, paired with the headings in order: each heading takes the next
// tag of its level, and a heading whose level no later tag has ends the pairing. The text after
// each tag moves back once, from the end, within the room the pass left, so the HTML is not
// copied into a second buffer.
void anchor_headings(std::string& html, const std::vector<HeadingTag>& tags,
                     const std::vector<Heading>& headings) {
  std::vector<std::pair<std::size_t, std::string>> anchors;  // tag's ">", attribute before it
  std::size_t extra = 0;
  std::size_t tag = 0;
  for (const Heading& heading : headings) {
    while (tag < tags.size() && tags[tag].level != heading.level) {
      ++tag;
    }
    if (tag == tags.size()) {
      break;
    }
    std::string attribute = " id=\"" + escape_html(heading.id) + "\"";
    extra += attribute.size();
    anchors.emplace_back(tags[tag++].close, std::move(attribute));
  }
  std::size_t end = html.size();
  html.resize(end + extra);
  char* const data = html.data();
  for (auto anchor = anchors.rbegin(); anchor != anchors.rend(); ++anchor) {
    const auto& [close, attribute] = *anchor;
    std::memmove(data + close + extra, data + close, end - close);
    extra -= attribute.size();
    std::memcpy(data + close + extra, attribute.data(), attribute.size());
    end = close;
  }
}

}  // namespace

HtmlPass render_html_pass(std::string_view markdown) {
  std::string_view const source = markdown.substr(split_front_matter(markdown).body);
  HtmlPass pass;
  // Documentation comes out about 1.3 times as long as its Markdown; running out of room would
  // copy all of it once more, while room never written costs nothing.
  pass.html.reserve(source.size() + source.size() / 2 + 64);
  HtmlSink sink{&pass, nullptr};
  if (source.size() <= UINT_MAX) {
    md_html(source.data(), static_cast<MD_SIZE>(source.size()), append_html_chunk, &sink,
            kHtmlParserFlags, 0);
  }
  if (sink.failure) {
    std::rethrow_exception(sink.failure);
  }
  return pass;
}

RenderedMarkdown render_model_pass(std::string_view markdown) {
  FrontMatter front = split_front_matter(markdown);
  std::string_view const source = markdown.substr(front.body);

  MarkdownWalk walk;
  parse_block_model(walk, source);

  RenderedMarkdown doc;
  doc.blocks = std::move(walk.result.blocks);
  doc.front_matter = std::move(front.text);
  doc.plain_text = std::move(walk.plain_text);
  collect_headings(doc, markdown, front.body, walk.heading_sources);
  apply_toc_to_blocks(doc.blocks, doc.headings, toc_expansion_limit(doc.headings.size()));
  return doc;
}

std::string finish_html(HtmlPass pass, const std::vector<Heading>& headings) {
  std::string html = std::move(pass.html);
  anchor_headings(html, pass.heading_tags, headings);
  replace_toc_markers(html, table_of_contents_html(headings), toc_expansion_limit(headings.size()));
  return html;
}

RenderedMarkdown render_markdown(const std::string& markdown) {
  RenderedMarkdown doc = render_model_pass(markdown);
  doc.html = finish_html(render_html_pass(markdown), doc.headings);
  return doc;
}

}  // namespace tavrel::win
