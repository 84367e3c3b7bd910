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
  std::string line(width - 1, 'x');
  line.push_back('\n');
  std::string text;
  text.reserve(count * width);
  for (std::size_t i = 0; i < count; ++i) text += line;
  return text;
}

std::string repeat(std::string_view piece, std::size_t count) {
  std::string text;
  text.reserve(piece.size() * count);
  for (std::size_t i = 0; i < count; ++i) text += piece;
  return text;
}

bool on_boundary(std::string_view text, std::uint64_t pos) {
  return pos >= text.size() || (static_cast<unsigned char>(text[pos]) & 0xC0) != 0x80;
}

std::string window_text(std::string_view text, TextWindow window) {
  return std::string(text.substr(window.begin, window.end - window.begin));
}

EditorHandle handle(std::uintptr_t value) { return reinterpret_cast<EditorHandle>(value); }

}  // namespace

TEST(RenderWindow, LargeDocumentThresholdIsExclusive) {
  EXPECT_FALSE(is_large_document(kLargeDocumentBytes));
  EXPECT_TRUE(is_large_document(kLargeDocumentBytes + 1));

  RenderRequest exact =
      make_render_request(std::string(kLargeDocumentBytes, 'a'), 1, handle(8), false, 5000000);
  EXPECT_FALSE(exact.partial);
  EXPECT_EQ(exact.offset, 0u);
  RenderRequest over = make_render_request(fixed_lines(kLargeDocumentBytes / 64 + 1, 64), 1,
                                           handle(8), false, 64 * 1000 + 10);
  EXPECT_TRUE(over.partial);
  // Visible at byte 64010: the lead starts at 47626; the next line starts at 47680.
  EXPECT_EQ(over.offset, 47680u);
}

TEST(RenderWindow, Utf16UnitsAreMeasuredInUtf8Bytes) {
  const std::string text =
      "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"
      "b";  // a é € 😀 b
  const std::uint64_t expected[] = {0, 1, 3, 6, 6, 10, 11, 11};
  for (std::uint64_t units = 0; units < std::size(expected); ++units) {
    EXPECT_EQ(utf8_offset_of_units(text, units), expected[units]) << units;
  }
  EXPECT_EQ(utf8_offset_of_units(text, 1000), text.size());
}

TEST(RenderWindow, NearTheTopTheWindowStartsAtZero) {
  const std::string text = fixed_lines(1000, 100);
  EXPECT_EQ(partial_window_offset(text, 0), 0u);
  EXPECT_EQ(partial_window_offset(text, 16384), 0u);
  EXPECT_EQ(partial_window_offset(text, -7), 0u);
  EXPECT_NE(partial_window_offset(text, 16385), 0u);
}

TEST(RenderWindow, StartsOnTheFirstLineStartAboutSixteenKibAbove) {
  const std::string text = fixed_lines(1000, 100);
  // Visible at 30000: the lead starts at 13616, the next line starts at 13700.
  EXPECT_EQ(partial_window_offset(text, 30000), 13700u);
  EXPECT_EQ(text[13699], '\n');
}

TEST(RenderWindow, NeverStartsBelowTheVisiblePartOfALongParagraph) {
  // A wrapped display line deep inside a 50000-byte paragraph: the next LF is far below.
  const std::string text = std::string(50000, 'a') + "\n" + std::string(300000, 'b');
  const std::uint64_t offset = partial_window_offset(text, 30000);
  EXPECT_LE(offset, 30000u);
  EXPECT_GE(offset, 30000u - kPartialLeadBytes);
}

TEST(RenderWindow, StartWithoutALineFeedIsACharacterBoundary) {
  const std::string text = repeat("\xE2\x82\xAC", 100000);  // "€" three bytes each
  // 10000 units are 30000 bytes; 30000 - 16384 = 13616 lies inside a character.
  const std::uint64_t offset = partial_window_offset(text, 10000);
  EXPECT_TRUE(on_boundary(text, offset));
  EXPECT_GE(offset, 13616u);
  EXPECT_LT(offset, 13616u + 3);
}

TEST(RenderWindow, IsCutBeforeItsLastLineFeed) {
  const std::string text = fixed_lines(10000, 100);
  const TextWindow window = partial_window(text, 0);
  EXPECT_EQ(window.begin, 0u);
  EXPECT_LE(window.end, kPartialWindowBytes);
  EXPECT_EQ(text[window.end], '\n');
  EXPECT_GT(window.end, kPartialWindowBytes - 100);
}

TEST(RenderWindow, WithoutLineFeedsTheCutIsACharacterBoundary) {
  const std::string text = "a" + repeat("\xE2\x82\xAC", 100000);
  const TextWindow window = partial_window(text, 0);
  EXPECT_TRUE(on_boundary(text, window.end));
  EXPECT_GT(window.end, kPartialWindowBytes - 4);
  EXPECT_TRUE(is_valid_utf8(window_text(text, window)));

  const TextWindow shifted = partial_window(text, 2);  // inside the first "€"
  EXPECT_EQ(shifted.begin, 4u);
  EXPECT_TRUE(is_valid_utf8(window_text(text, shifted)));
}

TEST(RenderWindow, AWindowReachingTheEndKeepsTheLastLine) {
  const std::string text = "# Title\n\nbody\nlast line";
  const TextWindow window = partial_window(text, 0);
  EXPECT_EQ(window_text(text, window), text);

  const std::string tail = fixed_lines(3000, 100) + "the very end";
  const TextWindow end_window = partial_window(tail, 200000);
  EXPECT_EQ(end_window.end, tail.size());
  EXPECT_EQ(partial_window(tail, tail.size() + 10).begin, tail.size());
  EXPECT_EQ(partial_window(tail, tail.size() + 10).end, tail.size());
}

TEST(RenderJob, RendersTheWholeTextAndCopiesTheIdentity) {
  RenderRequest request;
  request.text = "# Tiếng Việt\n\nXin chào 😀 **đậm**\n";
  request.revision = 42;
  request.editor = handle(0x1234);
  request.dark = true;
  RenderResult result = render_job(request);
  EXPECT_EQ(result.revision, 42u);
  EXPECT_EQ(result.editor, handle(0x1234));
  ASSERT_EQ(result.markdown.headings.size(), 1u);
  EXPECT_EQ(result.markdown.headings[0].text, "Tiếng Việt");
  EXPECT_EQ(result.stats.words, 7u);
  EXPECT_EQ(result.stats.lines, 4u);
  EXPECT_EQ(result.rtf.rfind("{\\rtf", 0), 0u);
  // The preview follows the theme of the snapshot.
  EXPECT_EQ(result.rtf, render_rtf(result.markdown, true, kPreviewFontPoints));
  EXPECT_NE(result.rtf, render_rtf(result.markdown, false, kPreviewFontPoints));
}

TEST(RenderJob, PartialRenderCountsTheWholeTextAndShiftsHeadingOffsets) {
  std::string text;
  for (int i = 0; i < 6000; ++i)
    text += "## Section " + std::to_string(i) + "\n\nSome words here.\n\n";
  RenderRequest request = make_render_request(text, 3, handle(1), false, 0);
  ASSERT_FALSE(request.partial);
  request.partial = true;
  request.offset = partial_window_offset(text, 200000);
  ASSERT_GT(request.offset, 0u);

  RenderResult result = render_job(request);
  EXPECT_EQ(result.stats.lines, 1u + 4u * 6000u);
  EXPECT_EQ(result.stats.words, 6000u * 6u);
  ASSERT_FALSE(result.markdown.headings.empty());
  EXPECT_LT(result.markdown.headings.size(), 6000u);
  for (const Heading& heading : result.markdown.headings) {
    ASSERT_LT(heading.offset, text.size());
    EXPECT_EQ(text.compare(heading.offset, heading.text.size(), heading.text), 0) << heading.text;
  }
  EXPECT_GE(result.markdown.headings.front().offset, request.offset);
}

TEST(RenderJob, PartialRenderOfMultiByteTextWithoutLineFeedsSucceeds) {
  RenderRequest request;
  request.text = "a" + repeat("\xE1\xBB\x87", 70000);  // "ệ", no LF, longer than a window
  request.partial = true;
  request.offset = 1;
  RenderResult result;
  ASSERT_NO_THROW(result = render_job(request));
  EXPECT_EQ(result.stats.characters, 70001u);
  EXPECT_FALSE(result.rtf.empty());
}

TEST(RenderJob, PartialRenderAtTheEndShowsTheLastLine) {
  RenderRequest request;
  request.text = fixed_lines(3000, 100) + "\nclosing words";
  request.partial = true;
  request.offset = 200000;
  RenderResult result = render_job(request);
  EXPECT_NE(result.markdown.plain_text.find("closing words"), std::string::npos);
}

TEST(RenderJob, RunsAsATaskAndFailuresTravelThroughTheFuture) {
  RenderRequest good = make_render_request("# A\n", 7, handle(2), false, 0);
  std::future<RenderResult> done = std::async(std::launch::async, std::move(good));
  RenderResult result = done.get();
  EXPECT_EQ(result.revision, 7u);
  ASSERT_EQ(result.markdown.headings.size(), 1u);

  RenderRequest bad = make_render_request("text \xFF\xFE", 8, handle(2), false, 0);
  std::future<RenderResult> failed = std::async(std::launch::async, std::move(bad));
  EXPECT_THROW(failed.get(), std::runtime_error);
}

TEST(RenderResults, OnlyTheSameEditorAndRevisionApply) {
  RenderResult result;
  result.editor = handle(0x40);
  result.revision = 5;
  EXPECT_TRUE(render_result_applies(result, RenderTarget{handle(0x40), 5}));
  EXPECT_FALSE(render_result_applies(result, RenderTarget{handle(0x40), 6}));
  EXPECT_FALSE(render_result_applies(result, RenderTarget{handle(0x41), 5}));
  EXPECT_FALSE(render_result_applies(result, std::nullopt));
  RenderResult empty;
  EXPECT_FALSE(render_result_applies(empty, RenderTarget{nullptr, 0}));
}
