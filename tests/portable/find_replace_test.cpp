#include "ui/find_replace.h"

#include <gtest/gtest.h>

namespace tavrel::win {
namespace {

struct ReplaceCase {
  std::string text, pattern, replacement;
  bool regex, match_case;
  std::string expected;
  std::uint64_t count;
};

TEST(ReplaceAll, TableOfFormsModesAndCase) {
  const ReplaceCase cases[] = {
      {"a.b axb", ".", ",", false, true, "a,b axb", 1},
      {"ab", ".", ",", true, true, ",,", 2},
      {"x1 y2", "([a-z])(\\d)", "$2$1", true, true, "1x 2y", 2},
      {"x1 y2", "([a-z])(\\d)", "$2$1", false, true, "x1 y2", 0},
      {"a(b)", "(b)", "$1", false, true, "a$1", 1},
      {"abc", "b", "[$&|$`|$'|$$|$0|$3|$]", true, true, "a[b|a|c|$|$0|$3|$]c", 1},
      {"abab", "b", "<$`>", true, true, "a<a>a<aba>", 2},
      {"abcdefghijk", "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", "$11$10$1$01$011", true, true, "kjaaa1",
       1},
      {"ab", "(a)", "$12", true, true, "a2b", 1},
      {"a\\b", "\\\\", "\\n\\", true, true, "a\\n\\b", 1},
      {"Aa aA", "aa", "-", false, false, "- -", 2},
      {"Aa aA", "aa", "-", false, true, "Aa aA", 0},
      {"ab", "x*", "-", true, true, "-a-b-", 3},
      {"é", "x*", "-", true, true, "-é-", 2},
      {"l1\nl2", "^", "> ", true, true, "> l1\n> l2", 2},
      {"l1\nl2", ".*", "[$&]", true, true, "[l1][]\n[l2][]", 4},
      {"abc", "", "", true, true, "", 0},
  };
  for (const ReplaceCase& c : cases) {
    SCOPED_TRACE(c.pattern + " -> " + c.replacement);
    std::uint64_t count = 99;
    if (c.pattern.empty()) {
      EXPECT_THROW(replace_all(c.text, c.pattern, c.replacement, c.regex, c.match_case, &count),
                   std::runtime_error);
      continue;
    }
    EXPECT_EQ(replace_all(c.text, c.pattern, c.replacement, c.regex, c.match_case, &count),
              c.expected);
    EXPECT_EQ(count, c.count);
  }
}

TEST(ReplaceAll, DocumentLimitAndFailuresBecomeStatuses) {
  const std::string limit(kRegexReplaceLimit, 'a');
  const ReplaceOutcome at_limit = replace_in_document(limit, {"a+", "b", true, true});
  EXPECT_EQ(at_limit.status, FindStatus::replaced);
  EXPECT_EQ(at_limit.text, "b");
  const std::string over = limit + "a";
  EXPECT_EQ(replace_in_document(over, {"a+", "b", true, true}).status, FindStatus::too_large);
  const ReplaceOutcome plain = replace_in_document(over, {"aa", "b", false, true});
  EXPECT_EQ(plain.count, over.size() / 2);
  EXPECT_EQ(plain.text, std::string(over.size() / 2, 'b') + "a");
  EXPECT_EQ(replace_in_document("x(", {"(", "", true, true}).status,
            FindStatus::invalid_expression);
  const ReplaceOutcome none = replace_in_document("abc", {"z", "", true, true});
  EXPECT_EQ(none.status, FindStatus::replaced);
  EXPECT_EQ(none.count, 0u);
  EXPECT_EQ(find_status_text(none.status, false, none.count), L"0 replacements");
  EXPECT_EQ(find_status_text(FindStatus::replaced, true, 1), L"1 kết quả đã thay thế");
}

// The engine either answers or gives up with a status; it neither crashes nor runs for ever.
TEST(ReplaceAll, HeavyExpressionsOnAMegabyteLineEndSoundly) {
  const std::string line(1 << 20, 'a');
  for (const char* pattern : {".*", "(a|b)*c"}) {
    SCOPED_TRACE(pattern);
    const ReplaceOutcome outcome = replace_in_document(line, {pattern, "x", true, true});
    EXPECT_TRUE(outcome.status == FindStatus::replaced ||
                outcome.status == FindStatus::too_complex);
    try {
      const std::string narrow = pattern;
      find_regex(std::wstring(line.begin(), line.end()), std::wstring(narrow.begin(), narrow.end()),
                 true, 0);
    } catch (const SearchTooComplex&) {}
  }
}

TEST(FindRegex, WrapsWidensAndKeepsTheTextBeforeAsContext) {
  struct Case {
    std::wstring text, pattern;
    bool match_case;
    std::size_t from;
    std::optional<TextRange> expected;
  };
  const Case cases[] = {
      {L"ab\nab", L"ab", true, 1, TextRange{3, 5}},
      {L"ab\nab", L"ab", true, 4, TextRange{0, 2}},
      {L"ab\nab", L"AB", false, 5, TextRange{0, 2}},
      {L"ab\nab", L"AB", true, 0, std::nullopt},
      {L"ab\nab", L"^", true, 1, TextRange{3, 4}},
      {L"ab ab", L"\\bb", true, 1, std::nullopt},
      {L"a\xD83D\xDE00", L"x*", true, 1, TextRange{1, 3}},
      {L"a\nb", L"$", true, 3, TextRange{1, 2}},
      {L"ab", L"$", true, 2, TextRange{2, 2}},
      {L"a.c", L"a.c", true, 9, TextRange{0, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.pattern.begin(), c.pattern.end()));
    EXPECT_EQ(find_regex(c.text, c.pattern, c.match_case, c.from), c.expected);
  }
  EXPECT_THROW(find_regex(L"a", L"(", true, 0), InvalidExpression);
}

TEST(ChangedSpan, ReplacesOnlyTheMiddleAndKeepsPairsWhole) {
  struct Case {
    std::wstring before, after;
    std::size_t start, end;
    std::wstring text;
  };
  const Case cases[] = {
      {L"abcd", L"abXd", 2, 3, L"X"},
      {L"aaa", L"aaaa", 3, 3, L"a"},
      {L"abc", L"abc", 3, 3, L""},
      {L"\xD83D\xDE00", L"\xD83D\xDE01", 0, 2, L"\xD83D\xDE01"},
      {L"\xD83D\xDE00", L"\xD83Dx\xDE00", 0, 2, L"\xD83Dx\xDE00"},
  };
  for (const Case& c : cases) {
    const TextSplice splice = changed_span(c.before, c.after);
    EXPECT_EQ(splice.start, c.start);
    EXPECT_EQ(splice.end, c.end);
    EXPECT_EQ(splice.text, c.text);
    std::wstring applied = c.before;
    applied.replace(splice.start, splice.end - splice.start, splice.text);
    EXPECT_EQ(applied, c.after);
  }
}

}  // namespace
}  // namespace tavrel::win
