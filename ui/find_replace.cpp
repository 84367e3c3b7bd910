// Find and replace over texts. Boost.Regex (standalone, header-only) with "." never matching a
// line break, as in ECMAScript; "^" and "$" match at every line's start and end, which is what a
// search in a document means.
#define BOOST_REGEX_STANDALONE
#include "ui/find_replace.h"

#include <boost/regex.hpp>

#include <algorithm>

namespace tavrel::win {
namespace {

template <class Char>
boost::basic_regex<Char> compile(std::basic_string_view<Char> pattern, bool regex,
                                 bool match_case) {
  auto flags = regex ? boost::regex_constants::ECMAScript | boost::regex_constants::no_mod_s
                     : boost::regex_constants::literal;
  if (!match_case) flags |= boost::regex_constants::icase;
  try {
    return boost::basic_regex<Char>(pattern.data(), pattern.data() + pattern.size(), flags);
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

bool is_continuation_byte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// The group a "$" at format[dollar] names: two digits when that group exists, else one; 0 when
// it names none (the text then stays as written). `digits` receives the digits used.
std::size_t group_reference(std::string_view format, std::size_t dollar, std::size_t groups,
                            std::size_t& digits) {
  const auto digit = [&](std::size_t at) -> int {
    if (at >= format.size() || format[at] < '0' || format[at] > '9') return -1;
    return format[at] - '0';
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
void append_formatted(std::string& out, const std::string& text, const boost::smatch& match,
                      std::string_view format) {
  const auto start = static_cast<std::size_t>(match[0].first - text.begin());
  const std::size_t end = start + static_cast<std::size_t>(match.length(0));
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '$' || i + 1 == format.size()) {
      out += format[i];
      continue;
    }
    const char next = format[i + 1];
    std::size_t digits = 0;
    if (next == '$') {
      out += '$';
    } else if (next == '&') {
      out.append(text, start, end - start);
    } else if (next == '`') {
      out.append(text, 0, start);
    } else if (next == '\'') {
      out.append(text, end);
    } else if (const std::size_t group = group_reference(format, i, match.size() - 1, digits)) {
      out += match.str(static_cast<int>(group));
      i += digits;
      continue;
    } else {
      out += '$';
      continue;
    }
    ++i;
  }
}

bool is_high_surrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

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
  const boost::regex expression = compile<char>(pattern, regex, match_case);
  std::string out;
  std::uint64_t matches = 0;
  std::size_t copied = 0;
  guarded([&] {
    const boost::sregex_iterator end;
    for (boost::sregex_iterator it(text.begin(), text.end(), expression); it != end; ++it) {
      const auto start = static_cast<std::size_t>((*it)[0].first - text.begin());
      if (it->length(0) == 0 && start < text.size() && is_continuation_byte(text[start])) continue;
      out.append(text, copied, start - copied);
      if (regex) {
        append_formatted(out, text, *it, replacement);
      } else {
        out += replacement;
      }
      copied = start + static_cast<std::size_t>(it->length(0));
      ++matches;
    }
    return 0;
  });
  out.append(text, copied);
  if (count != nullptr) *count = matches;
  return out;
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

std::optional<TextRange> find_regex(std::wstring_view text, std::wstring_view pattern,
                                    bool match_case, std::size_t from) {
  const boost::wregex expression = compile<wchar_t>(pattern, true, match_case);
  const auto search = [&](std::size_t at) -> std::optional<TextRange> {
    boost::match_results<std::wstring_view::const_iterator> match;
    const auto flags = at > 0 ? boost::match_prev_avail : boost::match_default;
    const bool found = guarded([&] {
      return boost::regex_search(text.begin() + static_cast<std::ptrdiff_t>(at), text.end(), match,
                                 expression, flags);
    });
    if (!found) return std::nullopt;
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
