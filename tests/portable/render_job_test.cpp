#include "render/render_job.h"

#include <gtest/gtest.h>

#include <future>
#include <string>

#include "core/text_convert.h"
#include "render/rtf_writer.h"

using namespace tavrel::win;

namespace {

// `count` lines of exactly `width` bytes, LF included.
std::string fixed_lines(std::size_t count, std::size_t width) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += std::string(width - 1, 'x') + "\n";
  return text;
}

std::string repeat(std::string_view piece, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += piece;
  return text;
}

bool on_boundary(std::string_view text, std::uint64_t pos) {
  return pos >= text.size() || (static_cast<unsigned char>(text[pos]) & 0xC0) != 0x80;
}

EditorHandle handle(std::uintptr_t value) { return reinterpret_cast<EditorHandle>(value); }

}  // namespace

TEST(RenderWindow, LargeDocumentThresholdAndUnitOffsets) {
  EXPECT_FALSE(is_large_document(kLargeDocumentBytes));
  EXPECT_TRUE(is_large_document(kLargeDocumentBytes + 1));
  const RenderRequest exact =
      make_render_request(std::string(kLargeDocumentBytes, 'a'), 1, handle(8), false, 5000000);
  EXPECT_TRUE(!exact.partial && exact.offset == 0u);
  const RenderRequest over = make_render_request(fixed_lines(kLargeDocumentBytes / 64 + 1, 64), 1,
                                                 handle(8), false, 64 * 1000 + 10);
  EXPECT_TRUE(over.partial && over.offset == 47680u);  // lead at 47626, next line at 47680
  // a é € 😀 U+10FFFF !
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF!";
  const std::uint64_t expected[] = {0, 1, 3, 6, 6, 10, 10, 14, 15, 15};
  for (std::uint64_t units = 0; units < std::size(expected); ++units) {
    EXPECT_EQ(utf8_offset_of_units(text, units), expected[units]) << units;
  }
  EXPECT_EQ(utf8_offset_of_units(text, 1000), text.size());
}

TEST(RenderWindow, StartsOnALineStartAboutSixteenKibAbove) {
  const std::string text = fixed_lines(1000, 100);
  for (const std::int64_t caret : {0, 16384, -7}) EXPECT_EQ(partial_window_offset(text, caret), 0u);
  EXPECT_NE(partial_window_offset(text, 16385), 0u);
  EXPECT_EQ(partial_window_offset(text, 30000), 13700u);  // lead at 13616, next line at 13700
  // Never below the visible part of a long paragraph whose next LF is far below.
  const std::string paragraph = std::string(50000, 'a') + "\n" + std::string(300000, 'b');
  const std::uint64_t offset = partial_window_offset(paragraph, 30000);
  EXPECT_LE(offset, 30000u);
  EXPECT_GE(offset, 30000u - kPartialLeadBytes);
  // Without a line feed the start is a character boundary: 13616 lies inside a "€".
  const std::string euros = repeat("\xE2\x82\xAC", 100000);
  const std::uint64_t start = partial_window_offset(euros, 10000);
  EXPECT_TRUE(on_boundary(euros, start));
  EXPECT_TRUE(start >= 13616u && start < 13616u + 3) << start;
}

TEST(RenderWindow, IsCutBeforeItsLastLineFeedOrOnACharacterBoundary) {
  const std::string lines = fixed_lines(10000, 100);
  TextWindow window = partial_window(lines, 0);
  EXPECT_EQ(window.begin, 0u);
  EXPECT_TRUE(window.end <= kPartialWindowBytes && window.end > kPartialWindowBytes - 100);
  EXPECT_EQ(lines[window.end], '\n');

  const std::string euros = "a" + repeat("\xE2\x82\xAC", 100000);
  window = partial_window(euros, 0);
  EXPECT_TRUE(on_boundary(euros, window.end));
  EXPECT_GT(window.end, kPartialWindowBytes - 4);
  window = partial_window(euros, 2);  // inside the first "€"
  EXPECT_EQ(window.begin, 4u);
  EXPECT_TRUE(is_valid_utf8(euros.substr(window.begin, window.end - window.begin)));
  // A boundary is at most three continuation bytes on, also in bytes that are no UTF-8.
  EXPECT_EQ(partial_window(std::string(5, '\x80') + "x", 0).begin, 3u);

  // A window reaching the end keeps the last line.
  const std::string tail = fixed_lines(3000, 100) + "the very end";
  EXPECT_EQ(partial_window(tail, 200000).end, tail.size());
  window = partial_window(tail, tail.size() + 10);
  EXPECT_TRUE(window.begin == tail.size() && window.end == tail.size());
}

TEST(RenderJob, RendersTheWholeTextInTheThemeOfTheSnapshotAndCopiesTheIdentity) {
  const RenderResult result = render_job(
      make_render_request("# Tiếng Việt\n\nXin chào 😀 **đậm**\n", 42, handle(0x1234), true, 0));
  EXPECT_TRUE(result.revision == 42u && result.editor == handle(0x1234));
  EXPECT_TRUE(result.stats.words == 7u && result.stats.lines == 4u);
  EXPECT_EQ(result.markdown.headings.at(0).text, "Tiếng Việt");
  EXPECT_EQ(result.rtf, render_rtf(result.markdown, true, kPreviewFontPoints));

  // The tables take the width the request brings from the preview.
  RenderRequest narrow =
      make_render_request("| a | b |\n|---|---|\n| c | d |\n", 1, handle(1), false, 0);
  narrow.table_twips = 3001;
  const RenderResult fitted = render_job(narrow);
  EXPECT_EQ(fitted.rtf, render_rtf(fitted.markdown, false, kPreviewFontPoints, 3001));
  EXPECT_NE(fitted.rtf.find("\\cellx3000"), std::string::npos);
}

TEST(RenderJob, PartialRenderCountsTheWholeTextAndShiftsHeadingOffsets) {
  std::string text;
  for (int i = 0; i < 6000; ++i)
    text += "## Section " + std::to_string(i) + "\n\nSome words here.\n\n";
  RenderRequest request = make_render_request(text, 3, handle(1), false, 0);
  request.partial = true;
  request.offset = partial_window_offset(text, 200000);
  ASSERT_GT(request.offset, 0u);
  const RenderResult result = render_job(request);
  EXPECT_EQ(result.stats.lines, 1u + 4u * 6000u);
  EXPECT_EQ(result.stats.words, 6000u * 6u);
  ASSERT_TRUE(!result.markdown.headings.empty() && result.markdown.headings.size() < 6000u);
  for (const Heading& heading : result.markdown.headings) {
    ASSERT_LT(heading.offset, text.size());
    EXPECT_EQ(text.compare(heading.offset, heading.text.size(), heading.text), 0) << heading.text;
  }
  EXPECT_GE(result.markdown.headings.front().offset, request.offset);

  request.text = "a" + repeat("\xE1\xBB\x87", 70000);  // "ệ", no LF, longer than a window
  request.offset = 1;
  EXPECT_EQ(render_job(request).stats.characters, 70001u);
  request.text = fixed_lines(3000, 100) + "\nclosing words";
  request.offset = 200000;
  EXPECT_NE(render_job(request).markdown.plain_text.find("closing words"), std::string::npos);
}

TEST(RenderJob, RunsAsATaskAndOnlyItsOwnTargetApplies) {
  const RenderResult result =
      std::async(std::launch::async, make_render_request("# A\n", 7, handle(2), false, 0)).get();
  EXPECT_EQ(result.markdown.headings.size(), 1u);
  EXPECT_THROW(
      std::async(std::launch::async, make_render_request("\xFF", 8, handle(2), false, 0)).get(),
      std::runtime_error);
  EXPECT_TRUE(render_result_applies(result, RenderTarget{handle(2), 7}));
  for (const auto& other :
       {std::optional(RenderTarget{handle(2), 8}), std::optional(RenderTarget{handle(3), 7}),
        std::optional<RenderTarget>()}) {
    EXPECT_FALSE(render_result_applies(result, other));
  }
}
