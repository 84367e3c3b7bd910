// Markdown text to everything the program shows or exports from it: front matter, block model,
// heading list, plain text and HTML with heading anchors and a table of contents.
#include <climits>
#include <cstring>
#include <exception>
#include <md4c-html.h>
#include <stdexcept>
#include <utility>

#include "render/heading_ids.h"
#include "render/markdown_walk.h"

namespace tavrel::win {
namespace {

constexpr unsigned kHtmlParserFlags = 0x1F2C | 0x60;
constexpr std::string_view kFence = "---\n";
constexpr std::string_view kClosingFence = "\n---\n";

// Receives md4c's HTML. Heading tags arrive as chunks of their own ("<h2>"), and with raw HTML
// off every other "<" of the output is escaped, so the anchors can be added as the tags pass by:
// the same result as searching the finished text for each heading's tag in turn, without a
// second pass or a copy.
struct HtmlSink {
  std::string* html = nullptr;
  const std::vector<Heading>* headings = nullptr;
  std::size_t next_heading = 0;  // the heading whose tag comes next
  std::exception_ptr failure;
};

struct FrontMatter {
  std::string text;
  std::size_t body = 0;  // where the Markdown after the front matter starts
};

FrontMatter split_front_matter(const std::string& markdown) {
  FrontMatter result;
  if (!markdown.starts_with(kFence)) {
    return result;
  }
  std::size_t const close = markdown.find(kClosingFence, kFence.size());
  if (close == std::string::npos) {
    return result;
  }
  result.text = markdown.substr(kFence.size(), close - kFence.size());
  result.body = close + kClosingFence.size();
  return result;
}

void append_runs_text(std::string& out, const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    out += run.text;
  }
}

// Appends the block's text (runs, then the cells separated by tabs) to `out`.
void append_block_text(std::string& out, const Block& block) {
  std::size_t const start = out.size();
  append_runs_text(out, block.runs);
  for (const auto& cell : block.cells) {
    if (out.size() > start) {
      out += '\t';
    }
    append_runs_text(out, cell);
  }
}

void collect_text_and_headings(RenderedMarkdown& doc, std::string_view input, std::size_t body,
                               const std::vector<SourceSpan>& heading_sources) {
  HeadingIdTable ids;
  HeadingLocator locator(input, body);
  std::size_t heading_index = 0;
  for (const Block& block : doc.blocks) {
    std::size_t const start = doc.plain_text.size();
    append_block_text(doc.plain_text, block);
    if (block.kind == BlockKind::Heading) {
      Heading heading;
      heading.level = block.level;
      heading.text = doc.plain_text.substr(start);
      heading.id = ids.next(heading.text);
      SourceSpan source;
      if (heading_index < heading_sources.size() &&
          heading_sources[heading_index].begin != std::string_view::npos) {
        source.begin = heading_sources[heading_index].begin + body;
        source.end = heading_sources[heading_index].end + body;
      }
      ++heading_index;
      heading.offset = locator.locate(heading.text, source);
      doc.headings.push_back(std::move(heading));
    }
    doc.plain_text += "\n\n";
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

// Writes the heading tag with its id when it is the tag of the next heading; a tag of another
// level is passed over, exactly as a search for "<hN>" would skip it.
bool append_anchored_tag(HtmlSink& sink, MD_CHAR const* data) {
  const auto& headings = *sink.headings;
  if (sink.next_heading >= headings.size()) {
    return false;
  }
  const Heading& heading = headings[sink.next_heading];
  if (heading.level != static_cast<std::uint32_t>(data[2] - '0')) {
    return false;
  }
  sink.html->append(data, 3);
  sink.html->append(" id=\"");
  sink.html->append(escape_html(heading.id));
  sink.html->append("\">");
  ++sink.next_heading;
  return true;
}

void append_html_chunk(MD_CHAR const* data, MD_SIZE size, void* userdata) {
  auto& sink = *static_cast<HtmlSink*>(userdata);
  if (sink.failure) {
    return;
  }
  try {
    if (is_heading_tag(data, size) && append_anchored_tag(sink, data)) {
      return;
    }
    // The HTML renderer writes numeric entities of the surrogate range as three bytes that
    // are not UTF-8; they become U+FFFD like every other value that is no character.
    if (is_encoded_surrogate(data, size)) {
      sink.html->append("\xEF\xBF\xBD");
    } else if (size > 0 && std::memchr(data, '\0', size) != nullptr) {
      // A NUL in a code block comes once as U+FFFD and once more as the raw byte.
      for (MD_SIZE i = 0; i < size; ++i) {
        if (data[i] != '\0') {
          sink.html->push_back(data[i]);
        }
      }
    } else {
      sink.html->append(data, size);
    }
  } catch (...) {
    sink.failure = std::current_exception();
  }
}

std::string render_html(std::string_view source, const std::vector<Heading>& headings) {
  std::string html;
  html.reserve(source.size() + source.size() / 4 + 64);
  HtmlSink sink{&html, &headings, 0, nullptr};
  if (source.size() <= UINT_MAX) {
    md_html(source.data(), static_cast<MD_SIZE>(source.size()), append_html_chunk, &sink,
            kHtmlParserFlags, 0);
  }
  if (sink.failure) {
    std::rethrow_exception(sink.failure);
  }
  return html;
}

}  // namespace

RenderedMarkdown render_markdown(const std::string& markdown) {
  FrontMatter front = split_front_matter(markdown);
  std::string_view const input(markdown);
  std::string_view const source = input.substr(front.body);

  MarkdownWalk walk;
  parse_block_model(walk, source);

  RenderedMarkdown doc;
  doc.blocks = std::move(walk.result.blocks);
  doc.front_matter = std::move(front.text);
  doc.plain_text.reserve(source.size() + source.size() / 8);
  collect_text_and_headings(doc, input, front.body, walk.heading_sources);

  doc.html = render_html(source, doc.headings);
  std::size_t const toc_limit = toc_expansion_limit(doc.headings.size());
  replace_toc_markers(doc.html, table_of_contents_html(doc.headings), toc_limit);
  apply_toc_to_blocks(doc.blocks, doc.headings, toc_limit);
  return doc;
}

}  // namespace tavrel::win
