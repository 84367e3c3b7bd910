#include "render/text_stats.h"

#include <algorithm>
#include <cstring>

namespace tavrel::win {
namespace {

constexpr std::uint64_t kWordsPerMinute = 220;

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The counting rules applied one byte at a time: a continuation byte is skipped entirely, every
// other byte is a character, a byte above 0x20 is part of a word and gives its line text, and a
// line without text ends the paragraph.
TextStats count_byte_by_byte(const unsigned char* bytes, std::size_t size) {
  TextStats stats;
  bool in_word = false;
  bool in_paragraph = false;
  bool line_has_text = false;
  for (std::size_t pos = 0; pos < size; ++pos) {
    unsigned char byte = bytes[pos];
    if (is_continuation(byte)) continue;
    ++stats.characters;
    if (byte > 0x20) {
      if (!in_word) ++stats.words;
      if (!in_paragraph) ++stats.paragraphs;
      in_word = in_paragraph = line_has_text = true;
      continue;
    }
    in_word = false;
    if (byte == '\n') {
      ++stats.lines;
      if (!line_has_text) in_paragraph = false;
      line_has_text = false;
    }
  }
  return stats;
}

// Counts that depend on a byte and its predecessor only, in a loop the compiler can vectorise.
// They equal the byte-by-byte rules as long as no continuation byte follows an ASCII byte (or
// starts the text): then every skipped continuation byte sits behind a byte above 0x20, so a
// word starts exactly where a non-continuation byte above 0x20 follows a byte of 0x20 or below.
struct PairCounts {
  std::uint64_t characters = 0;
  std::uint64_t line_feeds = 0;
  std::uint64_t word_starts = 0;
  std::uint64_t stray_continuations = 0;
};

// One stretch of at most 255 bytes after the first: byte-wide sums let the loop use the widest
// vector lanes.
void count_pairs_chunk(const unsigned char* bytes, std::size_t begin, std::size_t end,
                       PairCounts& counts) {
  std::uint8_t characters = 0;
  std::uint8_t line_feeds = 0;
  std::uint8_t word_starts = 0;
  std::uint8_t stray = 0;
  for (std::size_t pos = begin; pos < end; ++pos) {
    std::uint8_t byte = bytes[pos];
    std::uint8_t before = bytes[pos - 1];
    std::uint8_t continuation = (byte & 0xC0) == 0x80;
    characters += 1 - continuation;
    line_feeds += byte == '\n';
    word_starts += (byte > 0x20) & (1 - continuation) & (before <= 0x20);
    stray += continuation & (before < 0x80);
  }
  counts.characters += characters;
  counts.line_feeds += line_feeds;
  counts.word_starts += word_starts;
  counts.stray_continuations += stray;
}

PairCounts count_pairs(const unsigned char* bytes, std::size_t size) {
  constexpr std::size_t kChunk = 255;
  PairCounts counts;
  if (size == 0) return counts;
  counts.characters = !is_continuation(bytes[0]);
  counts.line_feeds = bytes[0] == '\n';
  counts.word_starts = bytes[0] > 0x20 && !is_continuation(bytes[0]);
  counts.stray_continuations = is_continuation(bytes[0]);
  for (std::size_t begin = 1; begin < size; begin += kChunk) {
    count_pairs_chunk(bytes, begin, begin + std::min(kChunk, size - begin), counts);
  }
  return counts;
}

// Paragraph starts, line by line: a line with text starts a paragraph when it is the first line
// or follows a line without text. Without stray continuation bytes, a line has text exactly when
// it holds a byte above 0x20.
std::uint64_t count_paragraphs(const unsigned char* bytes, std::size_t size) {
  std::uint64_t paragraphs = 0;
  bool previous_blank = true;
  std::size_t pos = 0;
  while (true) {
    const auto* found =
        static_cast<const unsigned char*>(std::memchr(bytes + pos, '\n', size - pos));
    std::size_t end = found ? static_cast<std::size_t>(found - bytes) : size;
    bool has_text = false;
    for (std::size_t i = pos; i < end; ++i) {
      if (bytes[i] > 0x20) {
        has_text = true;
        break;
      }
    }
    if (has_text && previous_blank) ++paragraphs;
    previous_blank = !has_text;
    if (!found) break;
    pos = end + 1;
  }
  return paragraphs;
}

}  // namespace

TextStats compute_text_stats(const std::string& text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  TextStats stats;
  PairCounts counts = count_pairs(bytes, text.size());
  if (counts.stray_continuations == 0) {
    stats.characters = counts.characters;
    stats.words = counts.word_starts;
    stats.lines = 1 + counts.line_feeds;
    stats.paragraphs = count_paragraphs(bytes, text.size());
  } else {
    // Text that is not UTF-8 (stray continuation bytes) takes the slow road.
    stats = count_byte_by_byte(bytes, text.size());
  }
  stats.reading_minutes = (stats.words + kWordsPerMinute - 1) / kWordsPerMinute;
  return stats;
}

}  // namespace tavrel::win
