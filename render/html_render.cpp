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

struct HtmlSink {
    std::string* html = nullptr;
    std::exception_ptr failure;
};

struct FrontMatter {
    std::string text;
    std::size_t body = 0;  // where the Markdown after the front matter starts
};

FrontMatter split_front_matter(std::string const& markdown) {
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

void append_runs_text(std::string& out, std::vector<Run> const& runs) {
    for (Run const& run : runs) {
        out += run.text;
    }
}

// Appends the block's text (runs, then the cells separated by tabs) to `out`.
void append_block_text(std::string& out, Block const& block) {
    std::size_t const start = out.size();
    append_runs_text(out, block.runs);
    for (auto const& cell : block.cells) {
        if (out.size() > start) {
            out += '\t';
        }
        append_runs_text(out, cell);
    }
}

void collect_text_and_headings(RenderedMarkdown& doc, std::string_view input, std::size_t body,
                               std::vector<SourceSpan> const& heading_sources) {
    HeadingIdTable ids;
    HeadingLocator locator(input, body);
    std::size_t heading_index = 0;
    for (Block const& block : doc.blocks) {
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
    return size == 3 && static_cast<unsigned char>(data[0]) == 0xED && static_cast<unsigned char>(data[1]) >= 0xA0;
}

void append_html_chunk(MD_CHAR const* data, MD_SIZE size, void* userdata) {
    auto& sink = *static_cast<HtmlSink*>(userdata);
    if (sink.failure) {
        return;
    }
    try {
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

std::string render_html(std::string_view source) {
    std::string html;
    html.reserve(source.size() + source.size() / 4 + 64);
    HtmlSink sink{&html, nullptr};
    if (source.size() <= UINT_MAX) {
        md_html(source.data(), static_cast<MD_SIZE>(source.size()), append_html_chunk, &sink, kHtmlParserFlags, 0);
    }
    if (sink.failure) {
        std::rethrow_exception(sink.failure);
    }
    return html;
}

}  // namespace

RenderedMarkdown render_markdown(std::string const& markdown) {
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

    std::string const html = render_html(source);
    doc.html = replace_toc_markers(insert_heading_anchors(html, doc.headings), table_of_contents_html(doc.headings));
    apply_toc_to_blocks(doc.blocks, doc.headings);
    return doc;
}

}  // namespace tavrel::win
