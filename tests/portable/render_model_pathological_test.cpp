// Hostile documents must cost time in proportion to their size. Each case renders an input of
// size n and one of size 8n: linear work grows about 8 times, quadratic 64 times. Only the ratio
// is checked, of the processor time (not the wall time, which a busy machine stretches) and the
// best of several runs, with a limit far from both.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <string>

#include "render/markdown_model.h"

namespace tavrel::win {
namespace {

// Processor time of one render of `input`: the best of three rounds, each repeating the render
// for at least 20 ms so that a coarse clock or a busy moment weighs little.
double seconds_per_render(const std::string& input) {
  double best = 1e9;
  for (int round = 0; round < 3; ++round) {
    const std::clock_t start = std::clock();
    std::clock_t now = start;
    int renders = 0;
    do {
      EXPECT_FALSE(render_markdown(input).html.empty());
      ++renders;
      now = std::clock();
    } while (now - start < CLOCKS_PER_SEC / 50);
    best = std::min(best, static_cast<double>(now - start) / CLOCKS_PER_SEC / renders);
  }
  return best;
}

std::string repeat(const std::string& piece, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += piece;
  return out;
}

TEST(RenderPathological, CostGrowsLinearlyWithTheInput) {
  const struct {
    const char* name;
    std::size_t n;
    std::function<std::string(std::size_t)> make;
  } cases[] = {
      {"nested quotes", 8000, [](std::size_t n) { return repeat("> ", n) + "a\n"; }},
      {"nested lists", 3000, [](std::size_t n) { return repeat("- ", n) + "a\n"; }},
      {"nested emphasis", 10000,
       [](std::size_t n) { return repeat("*", n) + "a" + repeat("*", n) + "\n"; }},
      {"unmatched emphasis", 15000, [](std::size_t n) { return repeat("*a _b ", n / 2) + "\n"; }},
      {"strong and emphasis", 7500, [](std::size_t n) { return repeat("**a* ", n / 3) + "\n"; }},
      {"verbatim headings", 1000,
       [](std::size_t n) { return repeat("# Chapter\n\nSome text in between.\n\n", n); }},
      // Their decoded text occurs nowhere, so a search of the whole remaining text would scan to
      // the end for each of them.
      {"decoded headings", 700,
       [](std::size_t n) { return repeat("# a&#98;c *d*\n\npara\n\n", n); }},
      {"empty headings", 2500, [](std::size_t n) { return repeat("#\n", n); }},
      {"long paragraph", 1000,
       [](std::size_t n) { return repeat("word *em* `code` [l](u) ", n) + "\n"; }},
      {"long heading", 30000,
       [](std::size_t n) { return "> > # " + repeat("ab", n) + "\n\n" + repeat("ab", n) + "\n"; }},
      {"long link", 3000,
       [](std::size_t n) {
         return "[" + repeat("&amp;<u></u>", n) + "](" + repeat("x", n) + ")\n";
       }},
      {"inline tags", 1600,
       [](std::size_t n) { return repeat("<u>a</u><span style=\"color:#aabbcc\">b</span>", n); }},
      {"table rows", 1000,
       [](std::size_t n) { return "| a | b |\n|---|---|\n" + repeat("| x | *y* |\n", n); }},
      {"tables of contents", 400,
       [](std::size_t n) { return repeat("[TOC]\n\n", n) + repeat("# h\n", n); }},
      {"open brackets", 5000,
       [](std::size_t n) { return repeat("[", n) + "a" + repeat("]", n) + "\n"; }},
  };
  for (const auto& c : cases) {
    const double small = seconds_per_render(c.make(c.n));
    const double large = seconds_per_render(c.make(8 * c.n));
    EXPECT_LT(large / std::max(small, 1e-4), 20.0)
        << c.name << ": " << small << " s for n=" << c.n << ", " << large << " s for 8n";
  }
}

}  // namespace
}  // namespace tavrel::win
