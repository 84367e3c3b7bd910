#pragma once
// The searching and replacing behind the find bar, apart from the control: one engine for Find
// next and for replacement, over UTF-16 text, so the two agree on every match, with letter case
// folded the same on every build; the status texts; and the smallest edit that turns one text
// into another (so a replacement is one undo step that never empties the control). Expressions use
// the ECMAScript grammar of Boost.Regex: it reports an expression too hard to match by throwing,
// where the standard library's engine overflows the stack on long matches. No expression keeps
// the window busy for long: a search or replacement with one that runs out of time (about a second
// and a half) gives up as too complex, as does a replacement whose result grows far beyond the
// text.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tavrel::win {

// Regex replacement refuses documents longer than this many bytes.
inline constexpr std::size_t kRegexReplaceLimit = 0x400000;

// The expression does not compile.
class InvalidExpression : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The engine gave up (out of time or of its own stack), or a replacement result grew too large.
class SearchTooComplex : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class FindStatus {
  no_matches,
  match_selected,
  invalid_expression,
  too_large,
  too_complex,
  replaced,
};

// The status-bar text of an outcome; `count` is used by `replaced` only.
std::wstring find_status_text(FindStatus status, bool vietnamese, std::uint64_t count = 0);

// Every match of `pattern` in `text` (UTF-8) replaced. Regex mode expands the ECMAScript format
// forms in `replacement` ($&, $1 to $99, $`, $', $$); plain mode matches and inserts literally.
// Matching is over the UTF-16 form of the text, as `find_match` does: "." takes one character (a
// surrogate pair whole, as does a class) and no match begins or ends inside a pair, so a valid
// text stays valid. `count` (when given) receives the number of replacements. Throws
// std::runtime_error "Search text is empty" and "Invalid UTF-8", InvalidExpression,
// SearchTooComplex.
std::string replace_all(const std::string& text, const std::string& pattern,
                        const std::string& replacement, bool regex, bool match_case,
                        std::uint64_t* count);

struct FindQuery {
  std::string pattern;  // UTF-8, not empty
  std::string replacement;
  bool regex = false;
  bool match_case = false;
};

struct ReplaceOutcome {
  FindStatus status = FindStatus::replaced;
  std::uint64_t count = 0;
  std::string text;  // the new text when `replaced`
};

// Replace all over a whole document: the size limit of regex mode and every failure of the
// engine become a status, and a failure leaves nothing to apply.
ReplaceOutcome replace_in_document(const std::string& text, const FindQuery& query);

struct TextRange {
  std::size_t start = 0;
  std::size_t end = 0;
  bool operator==(const TextRange&) const = default;
};

// The next match of `pattern` (an expression in regex mode, else literal text) in `text` (UTF-16
// units, LF line ends) at or after `from`, else the first one from the start; the same matches
// as `replace_all` takes. The text before `from` is context: "^" does not match in the middle
// of a line there, nor "\b" inside a word. A match of length 0 is widened to one code point
// where the text has one; no match begins or ends inside a surrogate pair. Throws
// InvalidExpression, SearchTooComplex.
std::optional<TextRange> find_match(std::wstring_view text, std::wstring_view pattern, bool regex,
                                    bool match_case, std::size_t from);

// The edit from `before` to `after` over their differing middle only: replace [start, end) of
// `before` by `text`. Never splits a surrogate pair.
struct TextSplice {
  std::size_t start = 0;
  std::size_t end = 0;
  std::wstring text;
};
TextSplice changed_span(std::wstring_view before, std::wstring_view after);

}  // namespace tavrel::win
