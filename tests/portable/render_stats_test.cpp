// Text statistics: chosen cases, then the word-at-a-time scan against the counting rules applied
// one byte at a time.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

#include "render/text_stats.h"

namespace tavrel::win {
namespace {

std::string words(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "word ";
  return text;
}

auto counts(const TextStats& s) {
  return std::tuple(s.words, s.characters, s.paragraphs, s.lines, s.reading_minutes);
}

TEST(TextStats, CountsWordsCharactersParagraphsLinesAndMinutes) {
  const std::pair<std::string, TextStats> cases[] = {
      {"", {0, 0, 0, 1, 0}},
      {"a b\n\t \r\nc\n", {3, 10, 2, 4, 1}},  // a line of blanks ends the paragraph
      {"first\n  second\n\n\n", {2, 17, 1, 5, 1}},
      {std::string(20, '\x80') + "\x7F\x01\xC3\xA9" + std::string(20, '\xBF'), {2, 3, 1, 1, 1}},
      {words(220), {220, 1100, 1, 1, 1}},
      {words(221), {221, 1105, 1, 1, 2}},
      {words(441), {441, 2205, 1, 1, 3}},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(counts(compute_text_stats(text)), counts(expected)) << testing::PrintToString(text);
  }
}

// The counting rules one byte at a time.
TextStats reference_stats(const std::string& text) {
  TextStats stats;
  bool in_word = false, in_paragraph = false, line_has_text = false;
  for (unsigned char byte : text) {
    if ((byte & 0xC0) == 0x80) continue;
    ++stats.characters;
    if (byte > 0x20) {
      stats.words += !in_word;
      stats.paragraphs += !in_paragraph;
      in_word = in_paragraph = line_has_text = true;
    } else {
      in_word = false;
      if (byte == '\n') {
        ++stats.lines;
        in_paragraph = in_paragraph && line_has_text;
        line_has_text = false;
      }
    }
  }
  stats.reading_minutes = (stats.words + 219) / 220;
  return stats;
}

TEST(TextStats, AgreesWithByteByByteCounting) {
  // Single bytes of every class, and whole characters, so that every stretch length and every
  // position of a multi-byte character against the scan's eight-byte steps comes up.
  const std::string bytes =
      " \n\r\t\x01"
      "a!\x7F\x80\xBF\xC0\xC3\xFF";
  const char* characters[] = {"word", " \n", "\xC3\xA9", "\xE1\xBA\xBF", "\xF0\x9F\x98\x80"};
  std::uint32_t seed = 999;
  for (int round = 0; round < 1500; ++round) {
    std::string text;
    for (int i = 0; i < round % 97; ++i) {
      seed = seed * 1664525u + 1013904223u;
      const std::size_t pick = (seed >> 16) % (bytes.size() + std::size(characters));
      text += pick < bytes.size() ? std::string(1, bytes[pick]) : characters[pick - bytes.size()];
    }
    ASSERT_EQ(counts(compute_text_stats(text)), counts(reference_stats(text)))
        << testing::PrintToString(text);
  }
}

}  // namespace
}  // namespace tavrel::win
