#pragma once
// Word, character, paragraph and line counts of a document, shown in the status bar.
#include <cstdint>
#include <string>

namespace tavrel::win {

struct TextStats {
  std::uint64_t words = 0;            // runs of bytes above 0x20
  std::uint64_t characters = 0;       // bytes that are not UTF-8 continuation bytes
  std::uint64_t paragraphs = 0;       // starts of text after a blank line (or the start)
  std::uint64_t lines = 1;            // 1 + the number of LF bytes
  std::uint64_t reading_minutes = 0;  // words / 220, rounded up
};

// One pass over the bytes; never fails, whatever the bytes are.
TextStats compute_text_stats(const std::string& text);

}  // namespace tavrel::win
