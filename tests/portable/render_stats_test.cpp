// Text statistics: chosen cases, then the word-at-a-time scan against the counting rules applied
// one byte at a time.
#include <gtest/gtest.h>

#include <string>

#include "render/text_stats.h"

namespace tavrel::win {
namespace {

std::string words(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "word ";
  return text;
}

TEST(TextStats, CountsWordsCharactersParagraphsLinesAndMinutes) {
  const std::string vietnamese = "Ti\xE1\xBA\xBFngVi\xE1\xBB\x87t\xE1\xBA\xBF\xE1\xBA\xBF";  // 11
  const struct {
    std::string text;
    std::uint64_t words, characters, paragraphs, lines, minutes;
  } cases[] = {
      {"", 0, 0, 0, 1, 0},
      {"a b\n\nc", 3, 6, 2, 3, 1},
      {"a\n\t \r\nb", 2, 7, 2, 3, 1},  // a line of blanks ends the paragraph
      {"one\r\n\r\ntwo\r\n", 2, 12, 2, 4, 1},
      {"first line\n  second line\nthird", 5, 30, 1, 3, 1},
      {"x\n\n\n", 1, 4, 1, 4, 1},
      {"\n\n", 0, 2, 0, 3, 0},
      {" \x80 ", 0, 2, 0, 1, 0},  // a stray continuation byte starts no word ...
      {"a\x80"
       "b",
       1, 2, 1, 1, 1},  // ... and ends none
      {std::string("a\x01"
                   "b\x1F"
                   "c\0d",
                   7),
       4, 7, 1, 1, 1},
      {"\x7F \xFF\xFE \xF0\x9F\x98\x80", 3, 6, 1, 1, 1},
      {" " + std::string(20, '\x80') + " ", 0, 2, 0, 1, 0},
      {std::string(20, '\x80') + "a" + std::string(20, '\xBF'), 1, 1, 1, 1, 1},
      {"       " + vietnamese + " " + vietnamese + vietnamese + "\n", 2, 42, 1, 2, 1},
      {words(220), 220, 1100, 1, 1, 1},
      {words(221), 221, 1105, 1, 1, 2},
      {words(441), 441, 2205, 1, 1, 3},
  };
  for (const auto& c : cases) {
    const TextStats stats = compute_text_stats(c.text);
    EXPECT_EQ(stats.words, c.words) << testing::PrintToString(c.text);
    EXPECT_EQ(stats.characters, c.characters) << testing::PrintToString(c.text);
    EXPECT_EQ(stats.paragraphs, c.paragraphs) << testing::PrintToString(c.text);
    EXPECT_EQ(stats.lines, c.lines) << testing::PrintToString(c.text);
    EXPECT_EQ(stats.reading_minutes, c.minutes) << testing::PrintToString(c.text);
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
  return stats;
}

TEST(TextStats, AgreesWithByteByByteCounting) {
  // Single bytes of every class, and whole characters, so that every stretch length and every
  // position of a multi-byte character against the scan's eight-byte steps comes up.
  const char* tokens[] = {" ",
                          "\n",
                          "\r",
                          "\t",
                          "\x01",
                          "a",
                          "\x20",
                          "\x21",
                          "\x7F",
                          "\x80",
                          "\xBF",
                          "\xC0",
                          "\xC3",
                          "\xFF",
                          "word",
                          " \n",
                          "\xC3\xA9",
                          "\xE1\xBA\xBF",
                          "\xF0\x9F\x98\x80",
                          "Vi\xE1\xBB\x87t"};
  std::uint32_t seed = 999;
  for (int round = 0; round < 1500; ++round) {
    std::string text;
    for (int i = 0; i < round % 97; ++i) {
      seed = seed * 1664525u + 1013904223u;
      text += tokens[(seed >> 16) % std::size(tokens)];
    }
    const TextStats expected = reference_stats(text);
    const TextStats actual = compute_text_stats(text);
    ASSERT_EQ(actual.words, expected.words) << round;
    ASSERT_EQ(actual.characters, expected.characters) << round;
    ASSERT_EQ(actual.paragraphs, expected.paragraphs) << round;
    ASSERT_EQ(actual.lines, expected.lines) << round;
  }
}

}  // namespace
}  // namespace tavrel::win
