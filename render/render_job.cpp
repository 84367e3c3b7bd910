#include "render/render_job.h"

#include <algorithm>
#include <future>
#include <optional>
#include <system_error>
#include <utility>

#include "render/markdown_passes.h"
#include "render/rtf_writer.h"

namespace tavrel::win {
namespace {

constexpr std::uint64_t kMaxContinuationBytes = 3;

bool is_continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// The first character boundary at or after `pos`.
std::uint64_t boundary_forward(std::string_view text, std::uint64_t pos) {
  for (std::uint64_t step = 0; step < kMaxContinuationBytes; ++step) {
    if (pos >= text.size() || !is_continuation(text[pos])) break;
    ++pos;
  }
  return pos;
}

// The last character boundary at or before `pos`, but not before `floor`.
std::uint64_t boundary_backward(std::string_view text, std::uint64_t pos, std::uint64_t floor) {
  for (std::uint64_t step = 0; step < kMaxContinuationBytes; ++step) {
    if (pos <= floor || pos >= text.size() || !is_continuation(text[pos])) break;
    --pos;
  }
  return pos;
}

struct SideResult {
  TextStats stats;
  std::string html;
  std::string rtf_tail;                  // the RTF from the middle block on
  std::vector<std::size_t> tail_starts;  // where its blocks start in it
};

// A thread of its own when one can be had; else the work runs when its result is asked for.
template <typename Work>
std::future<SideResult> start_beside(Work& work) {
  try {
    return std::async(std::launch::async, work);
  } catch (const std::system_error&) {
    return std::async(std::launch::deferred, work);
  }
}

}  // namespace

RenderResult RenderRequest::operator()() const { return render_job(*this); }

bool is_large_document(std::uint64_t text_bytes) { return text_bytes > kLargeDocumentBytes; }

std::uint64_t utf8_offset_of_units(std::string_view text, std::uint64_t units) {
  // Every character starts with a non-continuation byte and takes one UTF-16 unit, two from a
  // four-byte lead on; the loop stops at the first character that no longer fits.
  std::uint64_t pos = 0;
  for (; pos < text.size(); ++pos) {
    if (is_continuation(text[pos])) continue;
    const unsigned char byte = static_cast<unsigned char>(text[pos]);
    const std::uint64_t needed = (byte >= 0xF0 && byte <= 0xF4) ? 2 : 1;
    if (units < needed) break;
    units -= needed;
  }
  return pos;
}

std::uint64_t partial_window_offset(std::string_view text, std::int64_t first_visible_position) {
  const std::uint64_t visible = utf8_offset_of_units(
      text, static_cast<std::uint64_t>(std::max<std::int64_t>(first_visible_position, 0)));
  if (visible <= kPartialLeadBytes) return 0;
  const std::uint64_t start = visible - kPartialLeadBytes;
  // Only a line start between `start` and the visible position will do: the first LF after
  // `start` may lie far below the visible part when a long paragraph precedes it.
  const std::string_view lead = text.substr(start, visible - start);
  const std::size_t line_feed = lead.find('\n');
  if (line_feed != std::string_view::npos) return start + line_feed + 1;
  return boundary_forward(text, start);
}

TextWindow partial_window(std::string_view text, std::uint64_t offset) {
  TextWindow window;
  window.begin = boundary_forward(text, std::min<std::uint64_t>(offset, text.size()));
  window.end =
      window.begin + std::min<std::uint64_t>(text.size() - window.begin, kPartialWindowBytes);
  if (window.end == text.size()) return window;
  const std::string_view section = text.substr(window.begin, window.end - window.begin);
  const std::size_t last_line_feed = section.rfind('\n');
  if (last_line_feed != std::string_view::npos) {
    window.end = window.begin + last_line_feed;
  } else {
    window.end = boundary_backward(text, window.end, window.begin);
  }
  return window;
}

RenderRequest make_render_request(std::string text, std::uint64_t revision, EditorHandle editor,
                                  bool dark, std::int64_t first_visible_position) {
  RenderRequest request;
  request.partial = is_large_document(text.size());
  if (request.partial) request.offset = partial_window_offset(text, first_visible_position);
  request.text = std::move(text);
  request.revision = revision;
  request.editor = editor;
  request.dark = dark;
  return request;
}

RenderResult render_job(const RenderRequest& request) {
  RenderResult result;
  result.revision = request.revision;
  result.editor = request.editor;
  result.look = {request.editor, request.dark, request.partial, request.table_twips};
  std::string_view section = request.text;
  if (request.partial) {
    const TextWindow window = partial_window(request.text, request.offset);
    section = section.substr(window.begin, window.end - window.begin);
  }
  // The HTML pass needs nothing from the model but the finished heading list, so a second
  // worker runs it (and the counts) while this one builds the model; it anchors the headings in
  // the HTML while this one prepares the RTF writer, then each writes half of the RTF.
  std::optional<RtfWriter> rtf;
  std::promise<void> model_done;
  std::promise<void> writer_done;
  auto beside = [&request, section, &result, &rtf, model = model_done.get_future().share(),
                 writer = writer_done.get_future().share()] {
    SideResult side;
    side.stats = compute_text_stats(request.text);
    HtmlPass pass = render_html_pass(section);
    model.get();  // rethrows when the model failed: then there is nothing to anchor
    side.html = finish_html(std::move(pass), result.markdown.headings);
    writer.get();
    side.rtf_tail = rtf->blocks(rtf->middle(), result.markdown.blocks.size(), &side.tail_starts);
    return side;
  };
  std::future<SideResult> side = start_beside(beside);
  std::promise<void>* pending = &model_done;  // the promise a failure must break
  try {
    result.markdown = render_model_pass(section);
    const auto shift = static_cast<std::uint64_t>(section.data() - request.text.data());
    for (Heading& heading : result.markdown.headings) heading.offset += shift;
    model_done.set_value();
    pending = &writer_done;
    rtf.emplace(result.markdown, request.dark, kPreviewFontPoints, request.table_twips);
  } catch (...) {
    pending->set_exception(std::current_exception());
    throw;
  }
  writer_done.set_value();
  result.rtf = rtf->head();
  result.rtf_block_starts.reserve(result.markdown.blocks.size() + 1);
  rtf->append_blocks(result.rtf, 0, rtf->middle(), &result.rtf_block_starts);
  result.rtf_range_head = rtf->range_head();
  SideResult done = side.get();
  const std::size_t tail_at = result.rtf.size();
  for (const std::size_t start : done.tail_starts)
    result.rtf_block_starts.push_back(tail_at + start);
  result.rtf += done.rtf_tail;
  result.rtf_block_starts.push_back(result.rtf.size());
  RtfWriter::append_end(result.rtf);
  result.stats = done.stats;
  result.markdown.html = std::move(done.html);
  result.positions = preview_positions(result.markdown);
  return result;
}

bool render_result_applies(const RenderResult& result, std::optional<RenderTarget> active) {
  if (!active || result.editor == nullptr) return false;
  return result.editor == active->editor && result.revision == active->revision;
}

}  // namespace tavrel::win
