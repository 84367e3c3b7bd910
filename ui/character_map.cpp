// Stand-ins for the characters above U+FFFF of one search. The expression is read just far
// enough to find where such characters are written (alone, after a backslash, as an escape
// \x{...} or in a class) and which single units it names, so that no stand-in collides with them;
// everything else is copied as written, and the engine reports any error in it.
#include "ui/character_map.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <optional>

#include "ui/case_fold.h"
#include "ui/find_replace.h"

namespace tavrel::win {
namespace {

bool is_high_surrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

bool pair_at(std::wstring_view text, std::size_t at) {
  return at + 1 < text.size() && is_high_surrogate(text[at]) && is_low_surrogate(text[at + 1]);
}

char32_t code_point(wchar_t high, wchar_t low) {
  return 0x10000u + ((static_cast<char32_t>(high) - 0xD800u) << 10) +
         (static_cast<char32_t>(low) - 0xDC00u);
}

struct Span {
  char32_t first = 0;
  char32_t last = 0;
};

// One piece of an expression: text copied as written, one character above U+FFFF, or a class
// with its members that are single units (as written) and those above U+FFFF.
struct Piece {
  enum class Kind { verbatim, character, character_class };
  Kind kind = Kind::verbatim;
  std::wstring text;
  std::vector<Span> spans;
  bool negated = false;
};

struct ParsedExpression {
  std::vector<Piece> pieces;
  std::vector<Span> named;  // single units named by an escape or lying in a class range
  bool has_wide = false;    // a character above U+FFFF is written somewhere
};

int hex_digit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// The value of an escape \x{...} or \xHH at pattern[at]; `length` receives its units.
std::optional<char32_t> hex_escape(std::wstring_view pattern, std::size_t at, std::size_t& length) {
  if (pattern.substr(at, 2) != L"\\x" || at + 2 >= pattern.size()) return std::nullopt;
  std::size_t first = at + 2;
  std::size_t end = first + 2;
  if (pattern[first] == L'{') {
    end = pattern.find(L'}', ++first);
    if (end == std::wstring_view::npos || end == first) return std::nullopt;
  } else if (end > pattern.size()) {
    return std::nullopt;
  }
  // Any number of digits, as the engine reads them ("\x{0001F600}"), so the value is checked
  // as it grows.
  char32_t value = 0;
  for (std::size_t i = first; i < end; ++i) {
    const int digit = hex_digit(pattern[i]);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<char32_t>(digit);
    if (value > 0x10FFFF) return std::nullopt;
  }
  length = end - at + (pattern[at + 2] == L'{' ? 1 : 0);
  return value;
}

// A character above U+FFFF written at pattern[at]: a pair, or where escapes count, a pair after
// a backslash or an escape \x{...}. `length` receives its units.
std::optional<char32_t> wide_at(std::wstring_view pattern, std::size_t at, bool escapes,
                                std::size_t& length) {
  if (pair_at(pattern, at)) {
    length = 2;
    return code_point(pattern[at], pattern[at + 1]);
  }
  if (!escapes || pattern[at] != L'\\') return std::nullopt;
  if (pair_at(pattern, at + 1)) {
    length = 3;
    return code_point(pattern[at + 1], pattern[at + 2]);
  }
  std::size_t escape_length = 0;
  const auto value = hex_escape(pattern, at, escape_length);
  if (!value || *value <= 0xFFFF) return std::nullopt;
  length = escape_length;
  return value;
}

// The end of a named class such as "[:alpha:]" at pattern[at], else 0.
std::size_t named_class_end(std::wstring_view pattern, std::size_t at) {
  if (pattern.substr(at, 2) != L"[:") return 0;
  const std::size_t close = pattern.find(L":]", at + 2);
  return close == std::wstring_view::npos ? 0 : close + 2;
}

void add_verbatim(ParsedExpression& parsed, std::wstring_view units) {
  if (parsed.pieces.empty() || parsed.pieces.back().kind != Piece::Kind::verbatim) {
    parsed.pieces.emplace_back();
  }
  parsed.pieces.back().text.append(units);
}

// Reads the class that opens at pattern[at]; returns the position after it. A "]" first in it
// (after "^") is a member, as are the brackets of a named class such as "[:alpha:]". A class
// without wide members is copied as written. A "-" between a wide member and another member is
// a member itself, as the engine would take it between two units it cannot order.
std::size_t read_class(std::wstring_view pattern, std::size_t at, ParsedExpression& parsed) {
  Piece piece{Piece::Kind::character_class, {}, {}, false};
  std::size_t i = at + 1;
  piece.negated = i < pattern.size() && pattern[i] == L'^';
  if (piece.negated) ++i;
  const std::size_t first = i;
  enum class Range { none, after_member, after_dash } range = Range::none;
  char32_t range_start = 0;  // the member before a "-" that makes a range
  bool after_wide = false;
  while (i < pattern.size()) {
    std::size_t length = 1;
    if (pattern[i] == L']' && i > first) {
      if (piece.spans.empty()) {
        add_verbatim(parsed, pattern.substr(at, i + 1 - at));
      } else {
        parsed.pieces.push_back(std::move(piece));
      }
      return i + 1;
    }
    if (const auto wide = wide_at(pattern, i, true, length)) {
      Span span{*wide, *wide};
      std::size_t more = 0;
      if (i + length < pattern.size() && pattern[i + length] == L'-') {
        if (const auto last = wide_at(pattern, i + length + 1, true, more)) {
          if (*last < *wide) throw InvalidExpression("Invalid range in a character class");
          span.last = *last;
          length += 1 + more;
        }
      }
      if (range == Range::after_dash) piece.text.insert(piece.text.size() - 1, 1, L'\\');
      piece.spans.push_back(span);
      parsed.has_wide = true;
      range = Range::none;
      after_wide = true;
      i += length;
      continue;
    }
    std::optional<char32_t> value;
    if (pattern[i] == L'\\' && i + 1 < pattern.size()) {
      value = hex_escape(pattern, i, length);
      if (value) parsed.named.push_back({*value, *value});
      if (!value) length = 2;
    } else if (const std::size_t close = named_class_end(pattern, i)) {
      length = close - i;
    } else {
      value = pattern[i];
    }
    if (pattern[i] == L'-' && length == 1 && range == Range::after_member) {
      range = Range::after_dash;
    } else if (range == Range::after_dash || !value) {
      if (value && *value >= range_start) parsed.named.push_back({range_start, *value});
      range = Range::none;
    } else {
      range_start = *value;
      range = Range::after_member;
    }
    if (after_wide && pattern[i] == L'-') piece.text += L'\\';
    after_wide = false;
    piece.text.append(pattern.substr(i, length));
    i += length;
  }
  add_verbatim(parsed, pattern.substr(at));  // unclosed: the engine reports it
  return pattern.size();
}

ParsedExpression parse_expression(std::wstring_view pattern, bool regex) {
  ParsedExpression parsed;
  bool quoted = false;  // inside \Q...\E
  std::size_t at = 0;
  while (at < pattern.size()) {
    std::size_t length = 1;
    const bool escape = regex && pattern[at] == L'\\' && at + 1 < pattern.size();
    if (const auto wide = wide_at(pattern, at, regex && !quoted, length)) {
      parsed.pieces.push_back({Piece::Kind::character, {}, {{*wide, *wide}}, false});
      parsed.has_wide = true;
    } else if (quoted) {
      quoted = !(escape && pattern[at + 1] == L'E');
      if (escape) length = 2;
      add_verbatim(parsed, pattern.substr(at, length));
    } else if (escape) {
      quoted = pattern[at + 1] == L'Q';
      if (const auto value = hex_escape(pattern, at, length)) {
        parsed.named.push_back({*value, *value});
      } else {
        length = 2;
      }
      add_verbatim(parsed, pattern.substr(at, length));
    } else if (regex && pattern[at] == L'[') {
      at = read_class(pattern, at, parsed);
      continue;
    } else {
      add_verbatim(parsed, pattern.substr(at, 1));
    }
    at += length;
  }
  return parsed;
}

// Units free to stand in, in order of preference: private use, noncharacters, then surrogate
// units (the mapped text holds those only as lone halves of broken pairs).
constexpr Span kStandInUnits[] = {
    {0xE000, 0xF8FF}, {0xFDD0, 0xFDEF}, {0xFFF0, 0xFFF8}, {0xD800, 0xDFFF}};

// `count` units that neither text nor expression holds, avoiding those the expression names
// while there are enough others.
std::vector<wchar_t> free_units(std::size_t count, const std::vector<bool>& held,
                                const std::vector<bool>& named) {
  for (const bool avoid_named : {true, false}) {
    std::vector<wchar_t> units;
    for (const Span& span : kStandInUnits) {
      for (char32_t unit = span.first; unit <= span.last && units.size() < count; ++unit) {
        if (!held[unit] && !(avoid_named && named[unit])) {
          units.push_back(static_cast<wchar_t>(unit));
        }
      }
    }
    if (units.size() == count) return units;
  }
  throw SearchTooComplex("Too many different characters above U+FFFF");
}

// The members of a class as written, safe to follow with more members: a leading "^" and a
// trailing "-" lose their meaning.
std::wstring plain_members(std::wstring text) {
  std::size_t backslashes = 0;
  while (backslashes + 1 < text.size() && text[text.size() - 2 - backslashes] == L'\\') {
    ++backslashes;
  }
  if (!text.empty() && text.back() == L'-' && backslashes % 2 == 0) {
    text.insert(text.size() - 1, 1, L'\\');
  }
  if (!text.empty() && text.front() == L'^') text.insert(0, 1, L'\\');
  return text;
}

// Units as class members, runs of consecutive units as ranges.
void append_units(std::wstring& out, std::vector<wchar_t> units) {
  std::sort(units.begin(), units.end());
  units.erase(std::unique(units.begin(), units.end()), units.end());
  for (std::size_t i = 0; i < units.size();) {
    std::size_t run = i;
    while (run + 1 < units.size() && units[run + 1] == units[run] + 1) ++run;
    out += units[i];
    if (run > i) (out += L'-') += units[run];
    i = run + 1;
  }
}

// The stand-ins of one search.
struct StandIns {
  std::vector<char32_t> code_points;  // ascending
  std::vector<wchar_t> units;         // units[i] stands for code_points[i]
  wchar_t never = 0;                  // a unit found nowhere, for a class that takes nothing

  wchar_t of(char32_t c) const {
    return units[static_cast<std::size_t>(
        std::lower_bound(code_points.begin(), code_points.end(), c) - code_points.begin())];
  }
};

// A stand-in for every character above U+FFFF in the text and written alone in the expression,
// each a unit that neither holds; when letter case is ignored, for their foldings too, so that
// the stand-in of a character folds to another stand-in.
StandIns choose_stand_ins(std::wstring_view text, std::wstring_view pattern,
                          const ParsedExpression& parsed, bool ignore_case) {
  std::vector<std::uint64_t> wanted(0x100000 / 64);  // code points above U+FFFF, less 0x10000
  const auto want = [&](char32_t c) { wanted[(c - 0x10000) / 64] |= 1ull << ((c - 0x10000) % 64); };
  std::vector<bool> held(0x10000);
  std::vector<bool> named(0x10000);
  // Pairs of the expression are pieces of it, each with its stand-in.
  const auto hold_units = [&](std::wstring_view units, bool want_pairs) {
    for (std::size_t i = 0; i < units.size(); ++i) {
      if (pair_at(units, i)) {
        if (want_pairs) want(code_point(units[i], units[i + 1]));
        ++i;
      } else if (static_cast<char32_t>(units[i]) < held.size()) {
        held[units[i]] = true;
      }
    }
  };
  hold_units(text, true);
  hold_units(pattern, false);
  for (const Piece& piece : parsed.pieces) {
    for (const Span& span : piece.spans) {
      if (span.first == span.last) want(span.first);
    }
  }
  for (const Span& span : parsed.named) {
    for (char32_t unit = span.first; unit <= std::min<char32_t>(span.last, 0xFFFF); ++unit) {
      named[unit] = true;
    }
  }
  const auto wanted_code_points = [&wanted] {
    std::vector<char32_t> code_points;
    for (std::size_t word = 0; word < wanted.size(); ++word) {
      for (std::uint64_t bits = wanted[word]; bits != 0; bits &= bits - 1) {
        code_points.push_back(static_cast<char32_t>(0x10000 + word * 64 + std::countr_zero(bits)));
      }
    }
    return code_points;
  };
  StandIns stand_ins;
  stand_ins.code_points = wanted_code_points();
  if (ignore_case) {
    for (const char32_t c : stand_ins.code_points) want(fold_code_point(c));
    stand_ins.code_points = wanted_code_points();
  }
  stand_ins.units = free_units(stand_ins.code_points.size() + 1, held, named);
  stand_ins.never = stand_ins.units.back();
  stand_ins.units.pop_back();
  return stand_ins;
}

// The stand-ins of the characters a class member (a character or a range) takes. Ignoring case,
// the engine compares folded units, and compares a range of single units with its folded ends:
// so a range takes the characters whose folding lies between the foldings of its ends, as well
// as those between its ends.
void append_members(std::vector<wchar_t>& members, const Span& span, const StandIns& stand_ins,
                    bool ignore_case) {
  const std::vector<char32_t>& code_points = stand_ins.code_points;
  if (!ignore_case) {
    const auto from = std::lower_bound(code_points.begin(), code_points.end(), span.first);
    const auto to = std::upper_bound(from, code_points.end(), span.last);
    for (auto c = from; c != to; ++c) members.push_back(stand_ins.of(*c));
    return;
  }
  const char32_t low = fold_code_point(span.first);
  const char32_t high = fold_code_point(span.last);
  for (std::size_t i = 0; i < code_points.size(); ++i) {
    const char32_t c = code_points[i];
    const char32_t folded = fold_code_point(c);
    if ((c >= span.first && c <= span.last) || (folded >= low && folded <= high)) {
      members.push_back(stand_ins.units[i]);
    }
  }
}

// The expression with each character above U+FFFF written as its stand-in, and each class that
// holds such characters holding their stand-ins instead.
std::wstring mapped_pattern(const ParsedExpression& parsed, const StandIns& stand_ins,
                            bool ignore_case) {
  std::wstring pattern;
  for (const Piece& piece : parsed.pieces) {
    if (piece.kind == Piece::Kind::verbatim) {
      pattern += piece.text;
      continue;
    }
    if (piece.kind == Piece::Kind::character) {
      pattern += stand_ins.of(piece.spans.front().first);
      continue;
    }
    std::vector<wchar_t> members;
    for (const Span& span : piece.spans) append_members(members, span, stand_ins, ignore_case);
    const std::wstring units = plain_members(piece.text);
    if (members.empty() && units.empty()) members.push_back(stand_ins.never);
    pattern += piece.negated ? L"[^" : L"[";
    pattern += units;
    append_units(pattern, std::move(members));
    pattern += L']';
  }
  return pattern;
}

}  // namespace

CharacterMap::CharacterMap(std::wstring_view text, std::wstring_view pattern, bool regex,
                           bool ignore_case)
    : original_(text), text_(text) {
  const ParsedExpression parsed = parse_expression(pattern, regex);
  bool pairs = false;
  for (std::size_t i = 0; i + 1 < text.size() && !pairs; ++i) pairs = pair_at(text, i);
  if (!pairs && !parsed.has_wide) {
    pattern_ = pattern;
    return;
  }
  const StandIns stand_ins = choose_stand_ins(text, pattern, parsed, ignore_case);
  by_unit_.assign(0x10000, 0);
  if (ignore_case) folded_.assign(0x10000, 0);
  for (std::size_t i = 0; i < stand_ins.code_points.size(); ++i) {
    by_unit_[stand_ins.units[i]] = stand_ins.code_points[i];
    if (ignore_case)
      folded_[stand_ins.units[i]] = stand_ins.of(fold_code_point(stand_ins.code_points[i]));
  }
  mapped_.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (pair_at(text, i)) {
      mapped_ += stand_ins.of(code_point(text[i], text[i + 1]));
      ++i;
    } else {
      mapped_ += text[i];
    }
  }
  text_ = mapped_;
  pattern_ = mapped_pattern(parsed, stand_ins, ignore_case);
}

bool CharacterMap::is_stand_in(wchar_t unit) const {
  return static_cast<char32_t>(unit) < by_unit_.size() && by_unit_[unit] != 0;
}

wchar_t CharacterMap::fold(wchar_t unit) const {
  if (!is_stand_in(unit)) return fold_case(unit);
  return folded_.empty() ? unit : folded_[unit];
}

void CharacterMap::append_original(std::wstring& out, std::wstring_view part) const {
  if (by_unit_.empty()) {
    out.append(part);
    return;
  }
  for (const wchar_t unit : part) {
    if (!is_stand_in(unit)) {
      out += unit;
      continue;
    }
    const char32_t c = by_unit_[unit] - 0x10000;
    out += static_cast<wchar_t>(0xD800 + (c >> 10));
    out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
  }
}

std::size_t CharacterMap::to_mapped(std::size_t original) const {
  if (by_unit_.empty()) return original;
  std::size_t mapped = 0;
  for (std::size_t i = 0; i < original && i < original_.size(); ++i, ++mapped) {
    if (pair_at(original_, i)) ++i;
  }
  return mapped;
}

std::size_t CharacterMap::to_original(std::size_t mapped) const {
  if (by_unit_.empty()) return mapped;
  std::size_t original = mapped;
  for (std::size_t i = 0; i < mapped && i < text_.size(); ++i) original += is_stand_in(text_[i]);
  return original;
}

}  // namespace tavrel::win
