#pragma once
// Whole characters for a regular expression engine that works on UTF-16 units. For the length of
// one search, every character above U+FFFF (a surrogate pair) in the text and in the expression
// is stood for by one unit that occurs in neither, so "." and classes take such a character whole
// while the engine keeps its fast single-unit paths; a stand-in maps back exactly, since no other
// unit of the searched text has its value.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::win {

class CharacterMap {
 public:
  // `pattern` is an expression (ECMAScript grammar as Boost.Regex reads it) when `regex`, else
  // literal text; `ignore_case` when the search folds letter case. Throws InvalidExpression for
  // a class range that runs backwards, and SearchTooComplex when the text holds more different
  // characters above U+FFFF than there are free units to stand for them.
  CharacterMap(std::wstring_view text, std::wstring_view pattern, bool regex, bool ignore_case);
  CharacterMap(const CharacterMap&) = delete;
  CharacterMap& operator=(const CharacterMap&) = delete;

  // The text and the expression (same kind as given) to hand to the engine.
  std::wstring_view text() const { return text_; }
  const std::wstring& pattern() const { return pattern_; }

  // The folding of a unit of `text()` or `pattern()` (ui/case_fold.h): when case is ignored, a
  // stand-in folds to the stand-in of its character's folding.
  wchar_t fold(wchar_t unit) const;

  // Appends a part of `text()` with each stand-in turned back into its pair.
  void append_original(std::wstring& out, std::wstring_view part) const;

  // Positions between the given text and `text()`; a position between the halves of a pair
  // moves past the pair.
  std::size_t to_mapped(std::size_t original) const;
  std::size_t to_original(std::size_t mapped) const;

 private:
  bool is_stand_in(wchar_t unit) const;

  std::wstring_view original_;
  std::wstring mapped_;
  std::wstring_view text_;
  std::wstring pattern_;
  std::vector<char32_t> by_unit_;  // the code point a unit stands for, else 0; empty: none
  std::vector<wchar_t> folded_;    // the stand-in a stand-in folds to; empty: case is kept
};

}  // namespace tavrel::win
