#include <gtest/gtest.h>

#include <string>

#include "render/text_stats.h"

namespace tavrel::win {
namespace {

void expect_stats(const std::string& text, std::uint64_t words, std::uint64_t characters,
                  std::uint64_t paragraphs, std::uint64_t lines, std::uint64_t minutes) {
  TextStats stats = compute_text_stats(text);
  EXPECT_EQ(stats.words, words) << "words";
  EXPECT_EQ(stats.characters, characters) << "characters";
  EXPECT_EQ(stats.paragraphs, paragraphs) << "paragraphs";
  EXPECT_EQ(stats.lines, lines) << "lines";
  EXPECT_EQ(stats.reading_minutes, minutes) << "reading minutes";
}

std::string repeat_words(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "word ";
  return text;
}

TEST(TextStats, EmptyTextHasOneLine) {
  expect_stats("", 0, 0, 0, 1, 0);
  TextStats fresh;
  EXPECT_EQ(fresh.lines, 1u);
}

TEST(TextStats, CountsWordsParagraphsAndLines) { expect_stats("a b\n\nc", 3, 6, 2, 3, 1); }

TEST(TextStats, ALineOfBlanksEndsTheParagraph) {
  expect_stats("a\n \nb", 2, 5, 2, 3, 1);
  expect_stats("a\n\t \r\nb", 2, 7, 2, 3, 1);
}

TEST(TextStats, CrlfBlankLineEndsTheParagraph) {
  expect_stats("one\r\n\r\ntwo\r\n", 2, 12, 2, 4, 1);
}

TEST(TextStats, IndentedLineContinuesTheParagraph) {
  expect_stats("first line\n  second line\nthird", 5, 30, 1, 3, 1);
}

TEST(TextStats, ReadingMinutesRoundUp) {
  expect_stats(repeat_words(1), 1, 5, 1, 1, 1);
  EXPECT_EQ(compute_text_stats(repeat_words(220)).reading_minutes, 1u);
  EXPECT_EQ(compute_text_stats(repeat_words(221)).reading_minutes, 2u);
  EXPECT_EQ(compute_text_stats(repeat_words(440)).reading_minutes, 2u);
  EXPECT_EQ(compute_text_stats(repeat_words(441)).reading_minutes, 3u);
}

TEST(TextStats, MultiByteCharactersCountOnce) {
  expect_stats("\xC3\xA9", 1, 1, 1, 1, 1);  // é
  // Vietnamese: "Tiếng Việt" is 10 code points in 14 bytes.
  expect_stats("Ti\xE1\xBA\xBFng Vi\xE1\xBB\x87t", 2, 10, 1, 1, 1);
  expect_stats("\xF0\x9F\x98\x80", 1, 1, 1, 1, 1);  // one emoji
}

TEST(TextStats, ContinuationBytesNeitherStartNorEndWords) {
  // A stray continuation byte after a blank is skipped: no word starts there.
  expect_stats(" \x80 ", 0, 2, 0, 1, 0);
  // Between two letters it does not split the word.
  expect_stats(
      "a\x80"
      "b",
      1, 2, 1, 1, 1);
}

TEST(TextStats, ControlCharactersSeparateWords) {
  expect_stats(
      "a\x01"
      "b\x1F"
      "c",
      3, 5, 1, 1, 1);
  expect_stats(std::string("a\0b", 3), 2, 3, 1, 1, 1);
}

TEST(TextStats, DelAndHighBytesAreWordBytes) {
  expect_stats("\x7F", 1, 1, 1, 1, 1);
  expect_stats("\xFF\xFE", 1, 2, 1, 1, 1);
}

TEST(TextStats, TrailingNewlinesAddLinesNotParagraphs) {
  expect_stats("x\n\n\n", 1, 4, 1, 4, 1);
  expect_stats("\n\n", 0, 2, 0, 3, 0);
}

TEST(TextStats, LongStretchesCountLikeShortOnes) {
  // Stretches longer than eight bytes, with multi-byte characters across any boundary.
  std::string word = "Ti\xE1\xBA\xBFngVi\xE1\xBB\x87t\xE1\xBA\xBF\xE1\xBA\xBF";
  for (std::size_t lead = 0; lead < 9; ++lead) {
    std::string text = std::string(lead, ' ') + word + " " + word + word + "\n";
    expect_stats(text, 2, lead + 3 * 11 + 2, 1, 2, 1);  // 11 characters a word
  }
  expect_stats(" " + std::string(20, '\x80') + " ", 0, 2, 0, 1, 0);
  expect_stats(std::string(20, '\x80') + "a" + std::string(20, '\xBF'), 1, 1, 1, 1, 1);
}

// The counting rules one byte at a time, to check the word-at-a-time scan against.
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
        if (!line_has_text) in_paragraph = false;
        line_has_text = false;
      }
    }
  }
  stats.reading_minutes = (stats.words + 219) / 220;
  return stats;
}

void expect_like_reference(const std::string& text, int round) {
  TextStats expected = reference_stats(text);
  TextStats actual = compute_text_stats(text);
  ASSERT_EQ(actual.words, expected.words) << round;
  ASSERT_EQ(actual.characters, expected.characters) << round;
  ASSERT_EQ(actual.paragraphs, expected.paragraphs) << round;
  ASSERT_EQ(actual.lines, expected.lines) << round;
}

std::uint32_t next_random(std::uint32_t& seed) {
  seed = seed * 1664525u + 1013904223u;
  return seed >> 16;
}

TEST(TextStats, AgreesWithByteByByteCountingOnRandomBytes) {
  const char alphabet[] = {' ',    '\n',   '\r',   '\t',   'a',    'Z',    '\x01', '\x20',
                           '\x21', '\x7F', '\x80', '\xBF', '\xC0', '\xC3', '\xE1', '\xFF'};
  std::uint32_t seed = 12345;
  for (int round = 0; round < 500; ++round) {
    std::string text;
    for (int i = 0; i < round % 97; ++i) text.push_back(alphabet[next_random(seed) % 16]);
    expect_like_reference(text, round);
  }
}

TEST(TextStats, AgreesWithByteByByteCountingOnRandomText) {
  // Valid UTF-8 and stray lead bytes, but no stray continuation bytes.
  const char* tokens[] = {" ",    "\n",       "\n\n",         " \n",
                          "\r\n", "\t",       "\x01",         "word",
                          "x",    "\xC3\xA9", "\xE1\xBA\xBF", "\xF0\x9F\x98\x80",
                          "\x7F", "\xC3",     "\xFF",         "Vi\xE1\xBB\x87t"};
  std::uint32_t seed = 999;
  for (int round = 0; round < 1000; ++round) {
    std::string text;
    for (int i = 0; i < round % 61; ++i) text += tokens[next_random(seed) % 16];
    expect_like_reference(text, round);
  }
}

TEST(TextStats, LargeTextIsCountedInOnePass) {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "alpha beta\n\n";
  TextStats stats = compute_text_stats(text);
  EXPECT_EQ(stats.words, 200000u);
  EXPECT_EQ(stats.paragraphs, 100000u);
  EXPECT_EQ(stats.lines, 200001u);
  EXPECT_EQ(stats.characters, text.size());
  EXPECT_EQ(stats.reading_minutes, (200000u + 219) / 220);
}

}  // namespace
}  // namespace tavrel::win
