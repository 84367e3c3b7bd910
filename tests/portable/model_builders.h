#pragma once
// Block models written by hand, for the writers' cases that no Markdown text can produce, and a
// check of a text conversion against a table of cases.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "render/markdown_model.h"

namespace tavrel::test {

inline win::Run run(std::string text, win::RunStyle style = win::RunStyle::None,
                    std::string link = {}, std::string color = {}) {
  return win::Run{std::move(text), style, std::move(link), std::move(color)};
}

inline win::Block block(win::BlockKind kind, std::uint32_t level, std::vector<win::Run> runs,
                        std::vector<std::vector<win::Run>> cells = {}) {
  win::Block result;
  result.kind = kind;
  result.level = level;
  result.runs = std::move(runs);
  result.cells = std::move(cells);
  return result;
}

inline win::RenderedMarkdown model(std::vector<win::Block> blocks, std::string front_matter = {}) {
  win::RenderedMarkdown result;
  result.blocks = std::move(blocks);
  result.front_matter = std::move(front_matter);
  return result;
}

using Cases = std::initializer_list<std::pair<std::string, std::string>>;

template <typename Convert>
void expect_conversions(Convert convert, Cases cases) {
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(std::string(convert(input)), expected)
        << "input: " << ::testing::PrintToString(input);
  }
}

}  // namespace tavrel::test
