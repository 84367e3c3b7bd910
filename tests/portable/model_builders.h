#pragma once
// Block models written by hand, for the writers' cases that no Markdown text produces. The
// arguments follow the order of the fields.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "render/markdown_model.h"

namespace tavrel::test {

inline win::Run run(std::string text, win::RunStyle style = win::RunStyle::None,
                    std::string link = {}, std::string color = {}) {
  return {std::move(text), style, std::move(link), std::move(color)};
}

inline win::Block block(win::BlockKind kind, std::uint32_t level, std::vector<win::Run> runs,
                        std::vector<std::vector<win::Run>> cells = {}) {
  return {kind, level, std::move(runs), {}, std::move(cells)};
}

inline win::RenderedMarkdown model(std::vector<win::Block> blocks) {
  return {std::move(blocks), {}, {}, {}, {}};
}

}  // namespace tavrel::test
