// Find and replace over texts. Boost.Regex (standalone, header-only) with "." never matching a
// line break, as in ECMAScript; "^" and "$" match at every line's start and end, which is what a
// search in a document means.
#define BOOST_REGEX_STANDALONE
#include "ui/find_replace.h"

#include <boost/regex.hpp>

#include <algorithm>

#include "core/text_convert.h"
#include "ui/case_fold.h"

namespace tavrel::win {
namespace {

bool is_high_surrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The engine's character handling with that folding for expressions that ignore case.
struct FoldingTraits : boost::regex_traits<wchar_t> {
  wchar_t translate(wchar_t c, bool icase) const { return icase ? fold_case(c) : c; }
  wchar_t translate_nocase(wchar_t c) const { return fold_case(c); }
  wchar_t tolower(wchar_t c) const { return fold_case(c); }
};
using Expression = boost::basic_regex<wchar_t, FoldingTraits>;

// Any one character of the UTF-16 text: a surrogate pair whole, else one unit ("." does not
// take a line break).
constexpr std::wstring_view kPair = L"[\\x{D800}-\\x{DBFF}][\\x{DC00}-\\x{DFFF}]";
constexpr std::wstring_view kAnyCharacter = L"(?:[\\x{D800}-\\x{DBFF}][\\x{DC00}-\\x{DFFF}]|.)";
// A match may not end between the two halves of a pair: the engine backtracks to a shorter
// match instead. (The same guard at the start would keep the engine from skipping ahead to the
// units a match can begin with, ten times slower; `search_from` checks the start.)
constexpr std::wstring_view kNotInsidePair =
    L"(?:(?<![\\x{D800}-\\x{DBFF}])|(?![\\x{DC00}-\\x{DFFF}]))";

std::wstring unit_escape(unsigned unit) {
  static constexpr wchar_t digits[] = L"0123456789ABCDEF";
  std::wstring out = L"\\x{";
  for (int shift = 12; shift >= 0; shift -= 4) out += digits[(unit >> shift) & 0xF];
  return out + L"}";
}

// The pairs of the code points from..to (both above U+FFFF) as alternatives, one per run of
// shared first units.
std::wstring pair_range(char32_t from, char32_t to) {
  const auto high = [](char32_t c) { return 0xD800u + ((c - 0x10000u) >> 10); };
  const auto low = [](char32_t c) { return 0xDC00u + ((c - 0x10000u) & 0x3FFu); };
  const auto lows = [](unsigned first, unsigned last) {
    return first == last ? unit_escape(first)
                         : L"[" + unit_escape(first) + L"-" + unit_escape(last) + L"]";
  };
  if (high(from) == high(to)) return unit_escape(high(from)) + lows(low(from), low(to));
  std::wstring out = unit_escape(high(from)) + lows(low(from), 0xDFFF) + L"|";
  if (high(to) - high(from) > 1) {
    out += lows(high(from) + 1, high(to) - 1) + lows(0xDC00, 0xDFFF) + L"|";
  }
  return out + unit_escape(high(to)) + lows(0xDC00, low(to));
}

char32_t code_point(wchar_t high, wchar_t low) {
  return 0x10000u + ((static_cast<char32_t>(high) - 0xD800u) << 10) +
         (static_cast<char32_t>(low) - 0xDC00u);
}

// Members written as single units go into an ordinary class; a member that is a pair (or a
// range of pairs) becomes an alternative, so the class takes that character whole. A negated
// class takes any other pair whole and never a lone half.
std::wstring class_of(bool negated, std::wstring units, const std::wstring& pairs) {
  if (!units.empty() && (units.front() == L']' || units.front() == L'^')) units.insert(0, L"\\");
  if (units.size() >= 2 && units.back() == L'-' && units[units.size() - 2] != L'\\') {
    units.insert(units.size() - 1, L"\\");
  }
  if (negated) {
    const std::wstring not_listed = pairs.empty() ? L"" : L"(?!" + pairs + L")";
    return L"(?:" + not_listed + std::wstring(kPair) + L"|[^" + units + L"\\x{D800}-\\x{DFFF}])";
  }
  if (units.empty()) return L"(?:" + pairs + L")";
  return L"(?:" + pairs + L"|[" + units + L"])";
}

// Rewrites the class that opens at pattern[at]; returns the position after it. A "]" first in
// it (after "^") is a member, as are the brackets of a named class such as "[:alpha:]". A
// class without pairs is copied as written.
std::size_t rewrite_class(std::wstring_view pattern, std::size_t at, std::wstring& out) {
  std::size_t i = at + 1;
  const bool negated = i < pattern.size() && pattern[i] == L'^';
  if (negated) ++i;
  const std::size_t first = i;
  std::wstring units;
  std::wstring pairs;
  while (i < pattern.size()) {
    const wchar_t c = pattern[i];
    const auto pair_at = [&](std::size_t k) {
      return k + 1 < pattern.size() && is_high_surrogate(pattern[k]) &&
             is_low_surrogate(pattern[k + 1]);
    };
    if (c == L']' && i > first) {
      ++i;
      if (pairs.empty() && !negated) {
        out.append(pattern.substr(at, i - at));
      } else {
        out += class_of(negated, units, pairs);
      }
      return i;
    }
    if (c == L'\\' && i + 1 < pattern.size()) {
      units.append(pattern.substr(i, 2));
      i += 2;
    } else if (const std::size_t close = pattern.find(L":]", i + 2);
               c == L'[' && i + 1 < pattern.size() && pattern[i + 1] == L':' &&
               close != std::wstring_view::npos) {
      units.append(pattern.substr(i, close + 2 - i));
      i = close + 2;
    } else if (pair_at(i)) {
      const char32_t from = code_point(pattern[i], pattern[i + 1]);
      char32_t to = from;
      i += 2;
      if (i < pattern.size() && pattern[i] == L'-' && pair_at(i + 1)) {
        to = code_point(pattern[i + 1], pattern[i + 2]);
        i += 3;
      }
      if (to < from) throw InvalidExpression("Invalid range in a character class");
      pairs += (pairs.empty() ? L"" : L"|") + pair_range(from, to);
    } else {
      units += c;
      ++i;
    }
  }
  out.append(pattern.substr(at));  // unclosed: the engine reports it
  return i;
}

// The expression as the wide engine runs it over UTF-16 text: "." and classes take a surrogate
// pair whole. Quoted text (\Q...\E) and escapes are copied as written.
std::wstring whole_characters_only(std::wstring_view pattern) {
  std::wstring out;
  std::size_t at = 0;
  bool quoted = false;
  while (at < pattern.size()) {
    const wchar_t c = pattern[at];
    const bool escape = c == L'\\' && at + 1 < pattern.size();
    if (quoted) {
      quoted = !(escape && pattern[at + 1] == L'E');
      const std::size_t length = escape ? 2 : 1;
      out.append(pattern.substr(at, length));
      at += length;
    } else if (escape) {
      quoted = pattern[at + 1] == L'Q';
      out.append(pattern.substr(at, 2));
      at += 2;
    } else if (c == L'[') {
      at = rewrite_class(pattern, at, out);
    } else {
      if (c == L'.') {
        out += kAnyCharacter;
      } else {
        out += c;
      }
      ++at;
    }
  }
  if (quoted) out += L"\\E";
  return out;
}

// Letter case folds by `fold_case`. The rewritten expression compiles alone first, so that the
// guard after it can neither hide nor cause an error (a stray ")" would close its group).
Expression compile(std::wstring_view pattern, bool regex, bool match_case) {
  auto flags = regex ? boost::regex_constants::ECMAScript | boost::regex_constants::no_mod_s
                     : boost::regex_constants::literal;
  if (!match_case) flags |= boost::regex_constants::icase;
  try {
    if (!regex) return Expression(pattern.data(), pattern.data() + pattern.size(), flags);
    const std::wstring inner = whole_characters_only(pattern);
    const Expression checked(inner, flags);
    return Expression(L"(?:" + inner + L")" + std::wstring(kNotInsidePair), flags);
  } catch (const boost::regex_error& error) {
    throw InvalidExpression(error.what());
  }
}

// Runs a search; the engine's refusals (complexity, its own stack) become SearchTooComplex.
template <class Search>
auto guarded(Search search) {
  try {
    return search();
  } catch (const std::runtime_error& error) {
    throw SearchTooComplex(error.what());
  }
}

using Match = boost::match_results<std::wstring_view::const_iterator>;

bool inside_pair(std::wstring_view text, std::size_t at) {
  return at > 0 && at < text.size() && is_high_surrogate(text[at - 1]) &&
         is_low_surrogate(text[at]);
}

// The first match at or after `from` that does not begin inside a pair, the text before `from`
// serving as context. After an empty match at `from`, one at the same place must not be empty
// (so a walk over the matches moves on).
bool search_from(std::wstring_view text, const Expression& expression, std::size_t from,
                 bool after_empty, Match& match) {
  for (std::size_t at = from;;) {
    auto flags = at > 0 ? boost::match_prev_avail : boost::match_default;
    if (after_empty && at == from) flags |= boost::regex_constants::match_not_initial_null;
    if (!guarded([&] {
          return boost::regex_search(text.begin() + static_cast<std::ptrdiff_t>(at), text.end(),
                                     match, expression, flags, text.begin());
        })) {
      return false;
    }
    const auto start = static_cast<std::size_t>(match[0].first - text.begin());
    if (!inside_pair(text, start)) return true;
    at = start + 1;
  }
}

// The group a "$" at format[dollar] names: two digits when that group exists, else one; 0 when
// it names none (the text then stays as written). `digits` receives the digits used.
std::size_t group_reference(std::wstring_view format, std::size_t dollar, std::size_t groups,
                            std::size_t& digits) {
  const auto digit = [&](std::size_t at) -> int {
    if (at >= format.size() || format[at] < L'0' || format[at] > L'9') return -1;
    return static_cast<int>(format[at] - L'0');
  };
  const int first = digit(dollar + 1);
  const int second = digit(dollar + 2);
  if (first < 0) return 0;
  if (second >= 0) {
    const auto two = static_cast<std::size_t>(first * 10 + second);
    if (two >= 1 && two <= groups) {
      digits = 2;
      return two;
    }
  }
  const auto one = static_cast<std::size_t>(first);
  if (one < 1 || one > groups) return 0;
  digits = 1;
  return one;
}

// Appends the ECMAScript expansion of `format` for one match of `text`. "$`" is all of the text
// before the match and "$'" all of it after; a backslash is an ordinary character.
void append_formatted(std::wstring& out, std::wstring_view text, const Match& match,
                      std::wstring_view format) {
  const auto start = static_cast<std::size_t>(match[0].first - text.begin());
  const std::size_t end = start + static_cast<std::size_t>(match.length(0));
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != L'$' || i + 1 == format.size()) {
      out += format[i];
      continue;
    }
    const wchar_t next = format[i + 1];
    std::size_t digits = 0;
    if (next == L'$') {
      out += L'$';
    } else if (next == L'&') {
      out.append(text, start, end - start);
    } else if (next == L'`') {
      out.append(text, 0, start);
    } else if (next == L'\'') {
      out.append(text, end);
    } else if (const std::size_t group = group_reference(format, i, match.size() - 1, digits)) {
      out += match.str(static_cast<int>(group));
      i += digits;
      continue;
    } else {
      out += L'$';
      continue;
    }
    ++i;
  }
}

// Widens an empty match at `at` to the code point there (none at the end of the text).
std::size_t one_code_point_on(std::wstring_view text, std::size_t at) {
  if (at >= text.size()) return at;
  const bool pair =
      at + 1 < text.size() && is_high_surrogate(text[at]) && is_low_surrogate(text[at + 1]);
  return at + (pair ? 2 : 1);
}

}  // namespace

std::wstring find_status_text(FindStatus status, bool vietnamese, std::uint64_t count) {
  switch (status) {
    case FindStatus::no_matches:
      return vietnamese ? L"Không tìm thấy" : L"No matches";
    case FindStatus::match_selected:
      return vietnamese ? L"Đã chọn kết quả" : L"Match selected";
    case FindStatus::invalid_expression:
      return vietnamese ? L"Biểu thức chính quy không hợp lệ" : L"Invalid regular expression";
    case FindStatus::too_large:
      return vietnamese ? L"Thay thế regex giới hạn tài liệu 4 MB"
                        : L"Regex replacement is limited to 4 MB documents";
    case FindStatus::too_complex:
      return vietnamese ? L"Biểu thức quá phức tạp cho tài liệu này"
                        : L"The expression is too complex for this document";
    case FindStatus::replaced:
      return std::to_wstring(count) + (vietnamese ? L" kết quả đã thay thế" : L" replacements");
  }
  return {};
}

std::string replace_all(const std::string& text, const std::string& pattern,
                        const std::string& replacement, bool regex, bool match_case,
                        std::uint64_t* count) {
  if (pattern.empty()) throw std::runtime_error("Search text is empty");
  const Expression expression = compile(to_wide(pattern), regex, match_case);
  const std::wstring wide = to_wide(text);
  const std::wstring format = to_wide(replacement);
  std::wstring out;
  std::uint64_t matches = 0;
  std::size_t copied = 0;
  bool after_empty = false;
  Match match;
  const std::wstring_view view = wide;
  while (copied <= view.size() && search_from(view, expression, copied, after_empty, match)) {
    const auto start = static_cast<std::size_t>(match[0].first - view.begin());
    const std::size_t end = start + static_cast<std::size_t>(match.length(0));
    out.append(wide, copied, start - copied);
    if (regex) {
      append_formatted(out, view, match, format);
    } else {
      out += format;
    }
    copied = end;
    after_empty = end == start;
    ++matches;
  }
  out.append(wide, copied);
  if (count != nullptr) *count = matches;
  return to_utf8(out);
}

ReplaceOutcome replace_in_document(const std::string& text, const FindQuery& query) {
  if (query.regex && text.size() > kRegexReplaceLimit) return {FindStatus::too_large, 0, {}};
  ReplaceOutcome outcome;
  try {
    outcome.text = replace_all(text, query.pattern, query.replacement, query.regex,
                               query.match_case, &outcome.count);
  } catch (const InvalidExpression&) {
    return {FindStatus::invalid_expression, 0, {}};
  } catch (const SearchTooComplex&) {
    return {FindStatus::too_complex, 0, {}};
  }
  return outcome;
}

std::optional<TextRange> find_match(std::wstring_view text, std::wstring_view pattern, bool regex,
                                    bool match_case, std::size_t from) {
  const Expression expression = compile(pattern, regex, match_case);
  const auto search = [&](std::size_t at) -> std::optional<TextRange> {
    Match match;
    if (!search_from(text, expression, at, false, match)) return std::nullopt;
    const auto start = static_cast<std::size_t>(match[0].first - text.begin());
    const std::size_t end = start + static_cast<std::size_t>(match.length(0));
    return TextRange{start, end > start ? end : one_code_point_on(text, start)};
  };
  // From the end of the text only an empty match at the end could follow: start over instead,
  // so that repeated searches wrap rather than stay at the end.
  if (from < text.size()) {
    if (auto match = search(from)) return match;
  }
  return search(0);
}

TextSplice changed_span(std::wstring_view before, std::wstring_view after) {
  const std::size_t shorter = std::min(before.size(), after.size());
  std::size_t prefix = 0;
  while (prefix < shorter && before[prefix] == after[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < shorter - prefix &&
         before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
    ++suffix;
  }
  // A boundary between the halves of a pair moves outwards, so the pair is replaced whole.
  if (prefix > 0 && is_high_surrogate(before[prefix - 1])) --prefix;
  if (suffix > 0 && is_low_surrogate(before[before.size() - suffix])) --suffix;
  return TextSplice{prefix, before.size() - suffix,
                    std::wstring(after.substr(prefix, after.size() - suffix - prefix))};
}

}  // namespace tavrel::win
