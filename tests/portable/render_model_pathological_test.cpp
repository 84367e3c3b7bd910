// Hostile documents must cost time in proportion to their size. Each case renders an input of
// size n and one of size 8n: linear work grows about 8 times, quadratic 64 times. Only the ratio
// is checked, with a limit (32) far from both, of std::clock times (processor time where the C
// library gives it, which a busy machine does not stretch). The inputs stay small: with megabytes
// of working memory, cache and allocation effects alone make linear work grow up to 25 times.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <string>

#include "render/markdown_model.h"

#ifndef _WIN32
namespace tavrel::win {
namespace {

// Processor time of one render of `input`, the render repeated for at least 20 ms so that a
// coarse clock weighs little.
double seconds_per_render(const std::string& input) {
  const std::clock_t start = std::clock();
  std::clock_t now = start;
  int renders = 0;
  do {
    EXPECT_FALSE(render_markdown(input).html.empty());
    ++renders;
    now = std::clock();
  } while (now - start < CLOCKS_PER_SEC / 50);
  return static_cast<double>(now - start) / CLOCKS_PER_SEC / renders;
}

std::string repeat(const std::string& piece, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += piece;
  return out;
}

TEST(RenderPathological, CostGrowsLinearlyWithTheInput) {
  // Each input is head + n pieces + middle + n tail pieces + end.
  const struct {
    const char* name;
    std::size_t n;
    std::string head, piece, middle, tail_piece, end;
  } cases[] = {
      {"nested quotes", 2000, "", "> ", "a\n", "", ""},
      {"nested lists", 750, "", "- ", "a\n", "", ""},
      {"nested emphasis", 2500, "", "*", "a", "*", "\n"},
      {"unmatched emphasis", 2000, "", "*a _b ", "\n", "", ""},
      {"strong and emphasis", 600, "", "**a* ", "\n", "", ""},
      {"verbatim headings", 1000, "", "# Chapter\n\nSome text in between.\n\n", "", "", ""},
      // Their decoded text occurs nowhere, so a search of the whole remaining text would scan to
      // the end for each of them.
      {"decoded headings", 700, "", "# a&#98;c *d*\n\npara\n\n", "", "", ""},
      {"empty headings", 2500, "", "#\n", "", "", ""},
      {"long paragraph", 250, "", "word *em* `code` [l](u) ", "\n", "", ""},
      {"long heading", 30000, "> > # ", "ab", "\n\n", "ab", "\n"},
      {"long link", 750, "[", "&amp;<u></u>", "](", "x", ")\n"},
      {"inline tags", 400, "", "<u>a</u><span style=\"color:#aabbcc\">b</span>", "", "", ""},
      {"table rows", 1000, "| a | b |\n|---|---|\n", "| x | *y* |\n", "", "", ""},
      // n * n exceeds the cap on table-of-contents entries, so both sizes expand equally many.
      {"tables of contents", 400, "", "[TOC]\n\n", "", "# h\n", ""},
      {"open brackets", 1250, "", "[", "a", "]", "\n"},
  };
  for (const auto& c : cases) {
    auto make = [&](std::size_t n) {
      return c.head + repeat(c.piece, n) + c.middle + repeat(c.tail_piece, n) + c.end;
    };
    // The best of five rounds, the sizes taking turns, so that a busy moment (or, where the clock
    // is wall time, a busy machine) weighs on both alike and on neither for long.
    const std::string small_input = make(c.n), large_input = make(8 * c.n);
    double small = 1e9, large = 1e9;
    for (int round = 0; round < 5; ++round) {
      small = std::min(small, seconds_per_render(small_input));
      large = std::min(large, seconds_per_render(large_input));
    }
    EXPECT_LT(large / std::max(small, 1e-4), 32.0)
        << c.name << ": " << small << " s for n=" << c.n << ", " << large << " s for 8n";
  }
}

}  // namespace
}  // namespace tavrel::win
#endif
