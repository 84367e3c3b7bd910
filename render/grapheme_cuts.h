#pragma once
// Where a long UTF-8 text may be cut into pieces without splitting a character as a reader sees
// it: a letter with its combining marks, an emoji with its modifiers, joiners and variation
// selectors, a flag, a keycap, a conjunct, CR LF. A generous subset of the extended grapheme
// cluster boundaries of Unicode: some places between whole characters are refused too (never one
// that splits a character), which only moves a cut a little further.
#include <cstddef>
#include <string_view>

namespace tavrel::win {

// Walks a text code point by code point from a place and tells at each place whether a cut there
// keeps every character whole. Invalid UTF-8 is walked a byte at a time.
class CharacterCuts {
 public:
  // Starts at `at`, moved on to the next code point start. `begin` is a place before it where a
  // cut is allowed (the text's start or a cut made there): flags pair from there.
  CharacterCuts(std::string_view text, std::size_t begin, std::size_t at);

  // Moves over the next code point; false at the end of the text.
  bool advance();
  std::size_t at() const { return at_; }
  bool allowed() const;

 private:
  std::string_view text_;
  std::size_t at_;
  char32_t before_ = 0;  // the code point before at_ (0: none)
  unsigned before_flags_ = 0;
  char32_t next_ = 0;  // the code point from at_ on
  unsigned next_flags_ = 0;
  std::size_t next_length_ = 0;  // its bytes (0: at the end)
  bool pairing_ = false;         // an odd number of regional indicators ends at at_
};

}  // namespace tavrel::win
