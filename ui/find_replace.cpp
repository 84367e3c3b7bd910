// Find and replace over texts. Boost.Regex (standalone, header-only) with "." never matching a
// line break, as in ECMAScript; "^" and "$" match at every line's start and end, which is what a
// search in a document means.
#define BOOST_REGEX_STANDALONE
#include "ui/find_replace.h"

#include <boost/regex.hpp>
#include <boost/version.hpp>

#include <algorithm>
#include <chrono>
#include <utility>

#include "core/text_convert.h"
#include "ui/case_fold.h"
#include "ui/character_map.h"

namespace tavrel::win {
namespace {

bool is_high_surrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The engine's character handling with Unicode's case folding for expressions that ignore case.
// The engine compares single units; the characters above U+FFFF are stand-ins there, which fold
// as the characters they stand for, so the traits' "locale" (what a traits object is given
// before an expression is compiled with it) is the character map of the search.
class FoldingTraits : public boost::regex_traits<wchar_t> {
 public:
  using locale_type = const CharacterMap*;
  locale_type imbue(locale_type map) {
    std::swap(map_, map);
    return map;
  }
  locale_type getloc() const { return map_; }
  wchar_t translate(wchar_t c, bool icase) const { return icase ? fold(c) : c; }
  wchar_t translate_nocase(wchar_t c) const { return fold(c); }
  wchar_t tolower(wchar_t c) const { return fold(c); }

 private:
  wchar_t fold(wchar_t c) const { return map_ != nullptr ? map_->fold(c) : fold_case(c); }

  const CharacterMap* map_ = nullptr;
};
using Expression = boost::basic_regex<wchar_t, FoldingTraits>;

// One use of the find bar with an expression (a search, or a replacement with all its searches)
// may keep the window busy this long; after that the expression counts as too complex for the
// document. A state the engine visits costs between 2 and 25 ns depending on the expression, so a
// limit on their number would either stop real searches of large documents or let runaway ones
// run for many seconds: the engine looks at the clock instead, every so many states. Plain text
// is found in time that grows only with the document, which has no size limit then: no deadline.
constexpr std::chrono::milliseconds kTimeLimit{1500};
constexpr std::ptrdiff_t kStatesBetweenClockChecks = 1 << 20;
constexpr std::size_t kMatchesBetweenClockChecks = 256;
// A replacement result may be this many UTF-16 units longer than four times the text; a longer
// one comes of a replacement text too costly ("$`" in each of many matches grows with the square
// of the document, a long text in place of every character fills the memory).
constexpr std::size_t kResultAllowance = 0x2000000;

// The engine's counters of the search under way, and when the current use of the bar must end.
struct EngineWatch {
  std::chrono::steady_clock::time_point deadline;
  const std::ptrdiff_t* states = nullptr;
  std::ptrdiff_t* allowed_states = nullptr;
  const unsigned* recursions = nullptr;
};
thread_local EngineWatch watch;

bool past_deadline() { return std::chrono::steady_clock::now() >= watch.deadline; }

// The engine calls this when its states exceed what it was allowed, and when its nesting gets
// too deep; only the first may go on, and only while there is time left.
bool engine_may_go_on() {
  constexpr unsigned kEngineNestingLimit = 80;
  if (watch.states == nullptr || *watch.recursions > kEngineNestingLimit ||
      *watch.states <= *watch.allowed_states || past_deadline()) {
    return false;
  }
  *watch.allowed_states = *watch.states + kStatesBetweenClockChecks;
  return true;
}

}  // namespace
}  // namespace tavrel::win

// The engine's own complexity limit grows with the square of the text, so a runaway expression
// runs for minutes before it. For this program's searches the engine gets the clock instead: its
// limit is a number of states between looks at the clock, and the error it raises at that limit
// lets it go on until the deadline.
// These hooks follow the engine's internals of the Boost release the setup script installs; a
// different release must be checked against them before it is let in.
static_assert(BOOST_VERSION / 100 == 1081, "find_replace.cpp hooks Boost.Regex 1.81 internals");
namespace boost::BOOST_REGEX_DETAIL_NS {
using FindTraits = regex_traits_wrapper<tavrel::win::FoldingTraits>;
using FindMatcher = perl_matcher<const wchar_t*, std::allocator<sub_match<const wchar_t*>>,
                                 tavrel::win::FoldingTraits>;

template <>
inline void FindMatcher::estimate_max_state_count(std::random_access_iterator_tag*) {
  max_state_count = tavrel::win::kStatesBetweenClockChecks;
}

template <>
inline bool FindMatcher::find() {
  struct Watched {
    explicit Watched(FindMatcher& matcher) {
      auto& watch = tavrel::win::watch;
      watch.states = &matcher.state_count;
      watch.allowed_states = &matcher.max_state_count;
      watch.recursions = &matcher.m_recursions;
    }
    ~Watched() { tavrel::win::watch.states = nullptr; }
  };
  state_count = 0;
  const Watched watched(*this);
  return find_imp();
}

template <>
inline void raise_error<FindTraits>(const FindTraits& traits, regex_constants::error_type code) {
  if (code == regex_constants::error_complexity && tavrel::win::engine_may_go_on()) return;
  const regex_error error(traits.error_string(code), code, 0);
  raise_runtime_error(error);
}
}  // namespace boost::BOOST_REGEX_DETAIL_NS

namespace tavrel::win {
namespace {

using Match = boost::match_results<const wchar_t*>;

// Starts the time of one use of the find bar.
void start_clock(bool regex) {
  watch.deadline = regex ? std::chrono::steady_clock::now() + kTimeLimit
                         : std::chrono::steady_clock::time_point::max();
}

[[noreturn]] void too_complex() { throw SearchTooComplex("The search takes too long"); }

// The expression of `map`, for searches in its text; `map` must outlive it.
Expression compile(const CharacterMap& map, bool regex, bool match_case) {
  auto flags = regex ? boost::regex_constants::ECMAScript | boost::regex_constants::no_mod_s
                     : boost::regex_constants::literal;
  if (!match_case) flags |= boost::regex_constants::icase;
  const std::wstring& pattern = map.pattern();
  try {
    Expression expression;
    expression.imbue(&map);
    return expression.assign(pattern.data(), pattern.data() + pattern.size(), flags);
  } catch (const boost::regex_error& error) {
    throw InvalidExpression(error.what());
  }
}

// The first match at or after `from`, the text before it serving as context. After an empty
// match at `from`, one at the same place must not be empty (so a walk over the matches moves
// on). The engine's refusals (complexity, its own stack) become SearchTooComplex.
bool search_from(std::wstring_view text, const Expression& expression, std::size_t from,
                 bool after_empty, Match& match) {
  auto flags = from > 0 ? boost::match_prev_avail : boost::match_default;
  if (after_empty) flags |= boost::regex_constants::match_not_initial_null;
  try {
    return boost::regex_search(text.data() + from, text.data() + text.size(), match, expression,
                               flags, text.data());
  } catch (const std::runtime_error& error) {
    throw SearchTooComplex(error.what());
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

// Appends the ECMAScript expansion of `format` for one match of the mapped text. "$`" is all of
// the text before the match and "$'" all of it after; a backslash is an ordinary character.
void append_formatted(std::wstring& out, const CharacterMap& map, const Match& match,
                      std::wstring_view format) {
  const std::wstring_view text = map.text();
  const auto part = [&](const wchar_t* first, const wchar_t* last) {
    map.append_original(out, text.substr(static_cast<std::size_t>(first - text.data()),
                                         static_cast<std::size_t>(last - first)));
  };
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
      part(match[0].first, match[0].second);
    } else if (next == L'`') {
      part(text.data(), match[0].first);
    } else if (next == L'\'') {
      part(match[0].second, text.data() + text.size());
    } else if (const std::size_t group = group_reference(format, i, match.size() - 1, digits)) {
      const auto& sub = match[static_cast<int>(group)];
      if (sub.matched) part(sub.first, sub.second);
      i += digits;
      continue;
    } else {
      out += L'$';
      continue;
    }
    ++i;
  }
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
  start_clock(regex);
  const std::wstring wide = to_wide(text);
  const std::wstring wide_pattern = to_wide(pattern);
  const CharacterMap map(wide, wide_pattern, regex, !match_case);
  const Expression expression = compile(map, regex, match_case);
  const std::wstring format = to_wide(replacement);
  const std::wstring_view view = map.text();
  const std::size_t result_limit = 4 * wide.size() + kResultAllowance;
  std::wstring out;
  std::uint64_t matches = 0;
  std::size_t copied = 0;
  bool after_empty = false;
  Match match;
  while (copied <= view.size() && search_from(view, expression, copied, after_empty, match)) {
    const auto start = static_cast<std::size_t>(match[0].first - view.data());
    const auto end = static_cast<std::size_t>(match[0].second - view.data());
    map.append_original(out, view.substr(copied, start - copied));
    if (regex) {
      append_formatted(out, map, match, format);
    } else {
      out += format;
    }
    if (out.size() > result_limit) too_complex();
    copied = end;
    after_empty = end == start;
    if (++matches % kMatchesBetweenClockChecks == 0 && past_deadline()) too_complex();
  }
  map.append_original(out, view.substr(copied));
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
  start_clock(regex);
  const CharacterMap map(text, pattern, regex, !match_case);
  const Expression expression = compile(map, regex, match_case);
  const std::wstring_view mapped = map.text();
  const auto search = [&](std::size_t at) -> std::optional<TextRange> {
    Match match;
    if (!search_from(mapped, expression, at, false, match)) return std::nullopt;
    const auto start = static_cast<std::size_t>(match[0].first - mapped.data());
    auto end = static_cast<std::size_t>(match[0].second - mapped.data());
    if (end == start && end < mapped.size()) ++end;  // one whole character
    return TextRange{map.to_original(start), map.to_original(end)};
  };
  // From the end of the text only an empty match at the end could follow: start over instead,
  // so that repeated searches wrap rather than stay at the end.
  const std::size_t start = map.to_mapped(std::min(from, text.size()));
  if (start < mapped.size()) {
    if (auto match = search(start)) return match;
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
