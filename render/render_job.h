#pragma once
// The preview render that runs on a background task: a snapshot of one document goes in, the
// statistics, block model, HTML and RTF come out. The task sees copies only; the editor window
// travels as an opaque value that the UI thread compares when the result comes back.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "render/markdown_model.h"
#include "render/preview_positions.h"
#include "render/rtf_writer.h"
#include "render/text_stats.h"

namespace tavrel::win {

// Texts longer than this many bytes render only a window near the visible part.
inline constexpr std::uint64_t kLargeDocumentBytes = 0xA00000;
// The most bytes such a window holds.
inline constexpr std::uint64_t kPartialWindowBytes = 0x30000;
// How far above the first visible line the window starts.
inline constexpr std::uint64_t kPartialLeadBytes = 16384;
// Body font size of the preview RTF, in points.
inline constexpr std::uint32_t kPreviewFontPoints = 11;

// The editor window of a document (an HWND on Windows), only ever compared.
using EditorHandle = void*;

struct RenderResult;

// What a preview's content was rendered for: only a result made for the same can replace a part
// of it. An empty editor stands for a content of unknown making.
struct RenderLook {
  EditorHandle editor = nullptr;
  bool dark = false;
  bool partial = false;
  std::uint32_t table_twips = kDefaultTableTwips;
  bool operator==(const RenderLook&) const = default;
};

// The snapshot handed to the task; calling it runs the render.
struct RenderRequest {
  std::string text;            // the whole editor text, UTF-8 with LF line ends
  std::uint64_t revision = 0;  // the document's revision at the snapshot
  EditorHandle editor = nullptr;
  bool dark = false;
  bool partial = false;      // large-document mode
  std::uint64_t offset = 0;  // where the rendered window starts (0 unless partial)
  std::uint32_t table_twips = kDefaultTableTwips;  // fitted to the preview's text area

  RenderResult operator()() const;
};

struct RenderResult {
  std::uint64_t revision = 0;
  EditorHandle editor = nullptr;
  RenderedMarkdown markdown;   // heading offsets refer to the whole text
  PreviewPositions positions;  // where the parts of `markdown` land in the preview
  std::string rtf;
  TextStats stats;
  RenderLook look;
  // For documents of some of the blocks (rtf_block_range): their head, and where each block
  // starts in `rtf`, with the offset where the blocks end last.
  std::string rtf_range_head;
  std::vector<std::size_t> rtf_block_starts;
};

// The byte range [begin, end) of the text that a partial render parses.
struct TextWindow {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
};

// The document and revision a result must still match to be shown.
struct RenderTarget {
  EditorHandle editor = nullptr;
  std::uint64_t revision = 0;
};

bool is_large_document(std::uint64_t text_bytes);

// Bytes taken by the first `units` UTF-16 units of the UTF-8 text, without converting it; a
// count that ends inside a surrogate pair stops before that character.
std::uint64_t utf8_offset_of_units(std::string_view text, std::uint64_t units);

// Where the window of a large text starts: on a line start about 16 KiB above the first visible
// position (a UTF-16 position, as the editor counts it), never past that position, and always on
// a character boundary.
std::uint64_t partial_window_offset(std::string_view text, std::int64_t first_visible_position);

// The window rendered for a start offset: at most kPartialWindowBytes, cut before its last LF so
// that no line is rendered half, or on a character boundary when it holds no LF. A window that
// reaches the end of the text keeps everything up to the end, last line included.
TextWindow partial_window(std::string_view text, std::uint64_t offset);

// The request for a snapshot; decides large-document mode and the window offset.
RenderRequest make_render_request(std::string text, std::uint64_t revision, EditorHandle editor,
                                  bool dark, std::int64_t first_visible_position);

// The task body. Failures (such as "Markdown parser failed") propagate to the future.
RenderResult render_job(const RenderRequest& request);

// True when a finished result belongs to the active document as it is now: same editor, same
// revision. Without an active document nothing applies.
bool render_result_applies(const RenderResult& result, std::optional<RenderTarget> active);

}  // namespace tavrel::win
