// Hostile documents must cost time in proportion to their size. Each case renders an input of
// size n and one of size 4n and compares the two times: linear work grows about four times,
// quadratic work sixteen times. Only the ratio is checked, never an absolute time.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>

#include "render/markdown_model.h"

namespace tavrel::win {
namespace {

constexpr double kMaxGrowth = 9.0;  // between linear (4) and quadratic (16), with room for noise

using Maker = std::function<std::string(std::size_t)>;

double best_seconds(const std::string& input) {
  double best = 1e9;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto start = std::chrono::steady_clock::now();
    const RenderedMarkdown doc = render_markdown(input);
    const auto stop = std::chrono::steady_clock::now();
    EXPECT_FALSE(doc.html.empty() && !input.empty());
    best = std::min(best, std::chrono::duration<double>(stop - start).count());
  }
  return best;
}

void expect_linear(const Maker& make, std::size_t n) {
  std::string const small = make(n);
  std::string const large = make(4 * n);
  const double t_small = best_seconds(small);
  const double t_large = best_seconds(large);
  const double growth = t_large / std::max(t_small, 1e-6);
  EXPECT_LT(growth, kMaxGrowth) << "n=" << n << " small " << t_small << " s, large " << t_large
                                << " s";
}

std::string repeat(const std::string& piece, std::size_t count) {
  std::string out;
  out.reserve(piece.size() * count);
  for (std::size_t i = 0; i < count; ++i) {
    out += piece;
  }
  return out;
}

TEST(RenderPathological, DeeplyNestedQuotes) {
  expect_linear([](std::size_t n) { return repeat("> ", n) + "a\n"; }, 20000);
}

TEST(RenderPathological, DeeplyNestedListsOnOneLine) {
  expect_linear([](std::size_t n) { return repeat("- ", n) + "a\n"; }, 5000);
}

TEST(RenderPathological, NestedEmphasisRuns) {
  expect_linear([](std::size_t n) { return repeat("*", n) + "a" + repeat("*", n) + "\n"; }, 12500);
}

TEST(RenderPathological, UnmatchedEmphasisMarkers) {
  expect_linear([](std::size_t n) { return repeat("*a _b ", n / 2) + "\n"; }, 12500);
}

TEST(RenderPathological, AlternatingStrongAndEmphasis) {
  expect_linear([](std::size_t n) { return repeat("**a* ", n / 3) + "\n"; }, 12500);
}

TEST(RenderPathological, ManyHeadingsWrittenVerbatim) {
  expect_linear([](std::size_t n) { return repeat("# Chapter\n\nSome text in between.\n\n", n); },
                5000);
}

TEST(RenderPathological, ManyHeadingsNotWrittenVerbatim) {
  // Their decoded text occurs nowhere, so a search of the whole remaining text would scan to
  // the end for each of them.
  expect_linear([](std::size_t n) { return repeat("# a&#98;c *d*\n\npara\n\n", n); }, 5000);
}

TEST(RenderPathological, ManyEmptyHeadings) {
  expect_linear([](std::size_t n) { return repeat("#\n", n); }, 5000);
}

TEST(RenderPathological, LongParagraphLine) {
  expect_linear([](std::size_t n) { return repeat("word *em* `code` [l](u) ", n) + "\n"; }, 5000);
}

TEST(RenderPathological, LongHeadingLine) {
  expect_linear(
      [](std::size_t n) { return "> > # " + repeat("ab", n) + "\n\n" + repeat("ab", n) + "\n"; },
      50000);
}

TEST(RenderPathological, LongLinkTargetWithManyTextPieces) {
  expect_linear(
      [](std::size_t n) { return "[" + repeat("&amp;<u></u>", n) + "](" + repeat("x", n) + ")\n"; },
      5000);
}

TEST(RenderPathological, ManyInlineTagsOnOneLine) {
  expect_linear(
      [](std::size_t n) {
        return repeat("<u>a</u><span style=\"color:#aabbcc\">b</span>", n) + "\n";
      },
      5000);
}

TEST(RenderPathological, ManyTableRows) {
  expect_linear([](std::size_t n) { return "| a | b |\n|---|---|\n" + repeat("| x | *y* |\n", n); },
                5000);
}

TEST(RenderPathological, ManyTablesOfContentsAndHeadings) {
  expect_linear([](std::size_t n) { return repeat("[TOC]\n\n", n) + repeat("# h\n", n); }, 2000);
}

TEST(RenderPathological, ManyOpenBrackets) {
  expect_linear([](std::size_t n) { return repeat("[", n) + "a" + repeat("]", n) + "\n"; }, 5000);
}

}  // namespace
}  // namespace tavrel::win
