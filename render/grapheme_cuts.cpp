#include "render/grapheme_cuts.h"

#include <algorithm>
#include <iterator>

#include "core/text_convert.h"

namespace tavrel::win {
namespace {

constexpr unsigned kKeepBefore = 1;  // belongs to the character before it
constexpr unsigned kKeepAfter = 2;   // belongs to the character after it
constexpr unsigned kRegional = 4;    // half of a flag

struct ClassRange {
  char32_t first;
  char32_t last;
  unsigned char flags;
};

constexpr ClassRange kClasses[] = {
#include "render/grapheme_classes.inc"
};
static_assert(std::is_sorted(std::begin(kClasses), std::end(kClasses),
                             [](const ClassRange& a, const ClassRange& b) {
                               return a.last < b.first;
                             }));

unsigned flags_of(char32_t point) {
  if (point < kClasses[0].first) return 0;
  const auto* range =
      std::upper_bound(std::begin(kClasses), std::end(kClasses), point,
                       [](char32_t value, const ClassRange& entry) { return value < entry.first; });
  --range;
  return point <= range->last ? range->flags : 0;
}

bool is_continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// The code point at `at` and its length in bytes; an invalid sequence reads as one byte of its own.
char32_t decode(std::string_view text, std::size_t at, std::size_t& length) {
  std::size_t end = at;
  char32_t value = 0;
  if (!decode_utf8(text, end, value)) {
    length = 1;
    return 0xFFFD;
  }
  length = end - at;
  return value;
}

// Where the code point that ends at `end` starts, looking back no further than `begin`.
std::size_t start_before(std::string_view text, std::size_t begin, std::size_t end) {
  std::size_t start = end - 1;
  while (start > begin && end - start < 4 && is_continuation(text[start])) --start;
  std::size_t length;
  decode(text, start, length);
  return start + length == end ? start : end - 1;
}

}  // namespace

CharacterCuts::CharacterCuts(std::string_view text, std::size_t begin, std::size_t at)
    : text_(text), at_(at) {
  for (int step = 0; step < 3 && at_ < text.size() && is_continuation(text[at_]); ++step) ++at_;
  if (at_ > begin) {
    std::size_t start = start_before(text, begin, at_);
    std::size_t length;
    before_ = decode(text, start, length);
    before_flags_ = flags_of(before_);
    // Flags pair from the first regional indicator of a row on.
    for (char32_t point = before_; (flags_of(point) & kRegional) != 0;) {
      pairing_ = !pairing_;
      if (start == begin) break;
      start = start_before(text, begin, start);
      point = decode(text, start, length);
    }
  }
  if (at_ < text.size()) {
    next_ = decode(text, at_, next_length_);
    next_flags_ = flags_of(next_);
  }
}

bool CharacterCuts::advance() {
  if (next_length_ == 0) return false;
  pairing_ = (next_flags_ & kRegional) != 0 && !pairing_;
  before_ = next_;
  before_flags_ = next_flags_;
  at_ += next_length_;
  next_length_ = 0;
  if (at_ < text_.size()) {
    next_ = decode(text_, at_, next_length_);
    next_flags_ = flags_of(next_);
  }
  return true;
}

bool CharacterCuts::allowed() const {
  if (before_ == 0 || next_length_ == 0) return true;
  if (before_ == U'\r') return next_ != U'\n';
  if ((before_flags_ & kKeepAfter) != 0 || (next_flags_ & kKeepBefore) != 0) return false;
  return !(pairing_ && (next_flags_ & kRegional) != 0);
}

}  // namespace tavrel::win
