#pragma once
// The block model as RTF for the RichEdit preview, printing and the native image export.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "render/markdown_model.h"

namespace tavrel::win {

// Run colour text ("#RRGGBB" as written) to its colour table index; ordered by plain byte
// comparison, so indices follow the sorted colour texts.
using RtfColorMap = std::map<std::string, std::uint32_t>;

// One RTF document (ASCII only) for the model, in the dark or light colours, with `size` points
// as the body font size. Throws std::runtime_error("Invalid UTF-8") for invalid run text.
std::string render_rtf(const RenderedMarkdown& markdown, bool dark, std::uint32_t size);

// Adds every non-empty run colour to the map (index 0 until indices are assigned).
void collect_run_colors(RtfColorMap& map, const std::vector<Run>& runs);

// One group per run, with the run's style, link and colour words.
std::string write_rtf_run(const std::vector<Run>& runs, const RtfColorMap& map);

// The RTF form of a UTF-8 text: escapes for \ { }, line and tab words, \uN? for the rest.
std::string escape_rtf(std::string_view text);

}  // namespace tavrel::win
