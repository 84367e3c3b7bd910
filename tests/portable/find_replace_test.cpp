#include "ui/find_replace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "core/text_convert.h"

namespace tavrel::win {
namespace {

struct Replacement {
  std::string text, pattern, replacement;
  bool regex, match_case;
  std::string expected;
  std::uint64_t count;
};

template <std::size_t N>
void expect_replacements(const Replacement (&cases)[N]) {
  for (const Replacement& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.pattern + " -> " + c.replacement);
    std::uint64_t count = 99;
    EXPECT_EQ(replace_all(c.text, c.pattern, c.replacement, c.regex, c.match_case, &count),
              c.expected);
    EXPECT_EQ(count, c.count);
  }
}

TEST(ReplaceAll, FormsModesCaseAndEmptyMatches) {
  const Replacement cases[] = {
      {"a.b axb", ".", ",", false, true, "a,b axb", 1},
      {"ab", ".", ",", true, true, ",,", 2},
      {"a(b)", "(b)", "$1", false, true, "a$1", 1},
      {"abc", "b", "[$&|$`|$'|$$|$0|$3|$]", true, true, "a[b|a|c|$|$0|$3|$]c", 1},
      {"abab", "b", "<$`>", true, true, "a<a>a<aba>", 2},
      {"abcdefghijk", "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", "$11$10$09$011$:", true, true,
       "kjia1$:", 1},
      {"ab", "(a)", "$12\\", true, true, "a2\\b", 1},
      {"Aa aA", "aa", "-", false, false, "- -", 2},
      {"Aa aA", "aa", "-", true, true, "Aa aA", 0},
      {"é", "x*", "-", true, true, "-é-", 2},
      {"l1\nl2", "^", "> ", true, true, "> l1\n> l2", 2},
      {"l1\nl2", ".*", "[$&]", true, true, "[l1][]\n[l2][]", 4},
  };
  expect_replacements(cases);
  EXPECT_THROW(replace_all("a", "", "", false, true, nullptr), std::runtime_error);
}

// Replacement takes whole characters, as the find step does: Vietnamese, CJK and emoji. "😀" and
// "😁" share their first UTF-16 unit, so a class or "." that took one unit would cut them.
TEST(ReplaceAll, MatchesWholeCharactersBeyondAscii) {
  struct Case {
    std::string text, pattern, replacement;
    bool regex;
    std::string expected;
    std::uint64_t count;
  } const cases[] = {
      {"phở phơ bún Phở", "[ởơ]", "o", true, "pho pho bún Pho", 3},
      {"phở phơ bún Phở", "b.n", "X", true, "phở phơ X Phở", 1},
      {"Mạnh ạ", "[ạ]", "", true, "Mnh ", 2},
      {"phở phơ", "phơ", "pho", false, "phở pho", 1},
      {"中文字典 文字", "文.", "<$&>", true, "中<文字>典 <文字>", 2},
      {"中文字典", "[^中]+", "-", true, "中-", 1},
      {"a😀b", ".", "x", true, "xxx", 3},
      {"😀😁", "😁", "!", true, "😀!", 1},
      {"😀😁", "[😁]", "!", true, "😀!", 1},
      {"😀😁a", "[😁a]+", "!", true, "😀!", 1},
      {"😀😁a", "[^😀]", "!", true, "😀!!", 2},
      {"😀😁a\n", "[^😀-😂]", "!", true, "😀😁!!", 2},
      {"😁🙂", "[😀-😂]", "!", true, "!🙂", 1},
      {"😁𝐁🌀😀𝄞", "[𝐀-😀]", "!", true, "😁!!!𝄞", 3},
      {"a😀", "a.?", "<$&>", true, "<a😀>", 1},
      {"😀😁", "\\x{D83D}", "x", true, "😀😁", 0},
      {"😀😁", "\\x{DE00}", "x", true, "😀😁", 0},
      {"😀", "x*", "-", true, "-😀-", 2},
      {"😀😁", "(.)(.)", "$2$1", true, "😁😀", 1},
      {"a.😀.", "\\Q.😀", "_", true, "a_.", 1},
      {"\\a😀", "\\Q\\a\\E.", "!", true, "!", 1},
      {"a😀]", "[]😀]", "_", true, "a__", 2},
      {"x😀", "[[:alpha:].]+", "_", true, "_😀", 1},
      {"a-b😀c", "[^a-😀]", "!", true, "a-!😀!", 2},
      {"a]b😀", "[^\\]]", "!", true, "!]!!", 3},
      {"abc😀", "[^ab]", "!", true, "ab!!", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.pattern);
    std::uint64_t count = 99;
    EXPECT_EQ(replace_all(c.text, c.pattern, c.replacement, c.regex, true, &count), c.expected);
    EXPECT_EQ(count, c.count);
  }
}

// A character above U+FFFF counts as one in every form of an expression: quantified, as an
// escape, in a class range, in a group and its back-reference, in the text around a match, next
// to Vietnamese letters folded by case; units of its own kind in the text (private use) stay
// apart from it.
TEST(ReplaceAll, WholeCharactersInEveryFormOfAnExpression) {
  const Replacement cases[] = {
      {"😀😀a", "😀+", "!", true, true, "!a", 1},
      {"😀 b", "\\S", "_", true, true, "_ _", 2},
      {"x😀y", "x\\x{1F600}y", "!", true, true, "!", 1},
      {"😀🙂🚀a", "[\\x{1F600}-\\x{1F64F}]", "!", true, true, "!!🚀a", 2},
      {"😀🙂🚀a", "[^\\x{1F600}-\\x{1F64F}]", "!", true, true, "😀🙂!!", 2},
      {"😀😀 😀😁", "(.)\\1", "[$1]", true, true, "[😀] 😀😁", 1},
      {"PHỞ😀 phở😁", "phở.", "_", true, false, "_ _", 2},
      {"a😀b", "😀", "[$`|$'|$&]", true, true, "a[a|b|😀]b", 1},
      {"😀$1😀", "😀$1", "x", false, true, "x😀", 1},
      {"😁b🙂", "[😀-😂a-c]+", "!", true, true, "!🙂", 1},
      {"-a😀b", "[😀-a]", "!", true, true, "!!!b", 3},
      {"a-x😀b", "[a-😀x]", "!", true, true, "!!!!b", 4},
      {"\xEE\x80\x80😀", "\\x{E000}", "!", true, true, "!😀", 1},
      {"😀x", "\\x{E000}", "!", true, true, "😀x", 0},
      {"😀\xEE\x84\xA3", "[\\x{E000}-\\x{F8FF}]", "!", true, true, "😀!", 1},
      {"😀x", "[😁-😂]", "!", true, true, "😀x", 0},
      {"😀x", "[^😁-😂]", "!", true, true, "!!", 2},
      {"😀 x😀", "\\b.😀", "!", true, true, "😀 !", 1},
      {"ở😀ở", "ở(.)Ở", "$1", true, false, "😀", 1},
      {"x😀y", "x\\x{1f600}y", "!", true, true, "!", 1},
      {"x😀y", "x\\x{0001F600}y", "!", true, true, "!", 1},
      {"\xEF\xBF\xBF😀", "\\x{FFFF}", "!", true, true, "!😀", 1},
      {"😁", "😀", "!", true, true, "😁", 0},
      {"😁x", "😀", "!", false, true, "😁x", 0},
      {"1😁2😀a", "\\d[😀😁]", "!", true, true, "!!a", 2},
      {"..\\x{1F600} ..😀", "\\Q..\\x{1F600}\\E", "!", true, true, "! ..😀", 1},
      {"b😀:", "[ab:]😀", "!", true, true, "!:", 1},
      {"ab😀c", "[ab😀]", "!", true, true, "!!!c", 3},
  };
  expect_replacements(cases);
}

// Find next reports positions in the editor's UTF-16 units, with emoji and Vietnamese before
// the match; a lone half of a pair is one character of its own.
TEST(FindRegex, PositionsAroundPairsAndLoneHalves) {
  struct Case {
    std::wstring text, pattern;
    std::size_t from;
    std::optional<TextRange> expected;
  } const cases[] = {
      {L"ph\x1EDF \xD83D\xDE00 PH\x1EDE", L"ph\x1EDF", 1, TextRange{7, 10}},
      {L"ph\x1EDF \xD83D\xDE00 PH\x1EDE", L"ph\x1EDF", 5, TextRange{7, 10}},
      {L"\xD83D\xDE00\xD83D\xDE00x", L"\xD83D\xDE00+", 0, TextRange{0, 4}},
      {L"\xD83D\xD83D\xDE00"
       L"b",
       L".", 0, TextRange{0, 1}},
      {L"\xD83D\xD83D\xDE00"
       L"b",
       L".", 1, TextRange{1, 3}},
      {L"\xD83D\xD83D\xDE00"
       L"b",
       L"[^b]", 2, TextRange{0, 1}},
      {L"a\xDC00", L".$", 0, TextRange{1, 2}},
      {L"\xDE00\xD83D", L"..", 0, TextRange{0, 2}},
      {L"\xD83D\xDE00\xD83D", L"\\x{D83D}", 0, TextRange{2, 3}},
      {L"\xD83D\xDE00"
       L"a",
       L"x*", 1, TextRange{2, 3}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(find_match(c.text, c.pattern, true, false, c.from), c.expected)
        << "row " << &c - cases << " from " << c.from;
  }
}

// An expression that backtracks without end, a wrong turn anyone can type, gives up as too
// complex instead of freezing the window, for Find next as for Replace all, and nothing is
// replaced; so does a replacement whose result would outgrow the document many times over.
TEST(ReplaceAll, RunawaySearchesGiveUpAndChangeNothing) {
  std::string lines;
  for (int i = 0; i < 4000; ++i) lines += "the quick brown fox jumps over the lay dog = 42\n";
  struct Case {
    std::string text, pattern, replacement;
    bool regex;
  } const cases[] = {
      {lines, "(.*)*z", "x", true},
      {std::string(200000, 'a'), "(a*)*b", "x", true},
      {std::string(20000, 'a'), "a", "$`", true},
      {std::string(200000, 'a'), "a", std::string(1000, 'b'), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    const ReplaceOutcome outcome =
        replace_in_document(c.text, {c.pattern, c.replacement, c.regex, true});
    EXPECT_EQ(outcome.status, FindStatus::too_complex);
    EXPECT_EQ(outcome.count, 0u);
    EXPECT_TRUE(outcome.text.empty());
  }
  EXPECT_THROW(find_match(to_wide(lines), L"^(\\w+\\s?)*=$", true, false, 0), SearchTooComplex);
  EXPECT_EQ(find_status_text(FindStatus::too_complex, false),
            L"The expression is too complex for this document");
}

// Each different character above U+FFFF of a search is stood for by a unit the text does not
// hold (private use, the noncharacters, U+FFF0 to U+FFF8, surrogate units; one more stands for
// nothing): a text with as many as fit is searched whole, one more character or one unit fewer
// free gives up as too complex, and nothing is replaced.
TEST(ReplaceAll, EveryFreeUnitStandsInForAWideCharacter) {
  constexpr std::size_t kFit = 0x1900 + 0x20 + 9 + 0x800 - 1;
  const auto wide_characters = [](std::size_t count) {
    std::wstring text;
    for (char32_t c = 0x20000; c < 0x20000 + count; ++c) {
      text += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      text += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    }
    return to_utf8(text);
  };
  const struct Case {
    std::string text;
    FindStatus status;
    std::uint64_t count;
  } cases[] = {
      {wide_characters(kFit), FindStatus::replaced, kFit},
      {wide_characters(kFit + 1), FindStatus::too_complex, 0},
      {wide_characters(kFit) + "\xEF\xA3\xBF", FindStatus::too_complex, 0},  // U+F8FF
      {wide_characters(kFit - 1) + "\xEF\xA3\xBF", FindStatus::replaced, kFit},
  };
  for (const Case& c : cases) {
    const ReplaceOutcome outcome = replace_in_document(c.text, {".", "", true, true});
    EXPECT_EQ(outcome.status, c.status) << &c - cases;
    EXPECT_EQ(outcome.count, c.count) << &c - cases;
  }
}

// Ignoring case folds the letters of every cased script by Unicode's case folding, in both modes
// and on every build, those above U+FFFF too (alone, in classes and ranges, and in a group a
// back-reference repeats); Find next stops at exactly the matches Replace all counts.
TEST(ReplaceAll, IgnoringCaseFoldsEveryAlphabetAlike) {
  struct Case {
    std::string text, pattern;
    std::uint64_t regex_count, plain_count, matching_case;
  } const cases[] = {
      {"phở PHỞ Phở", "phở", 3, 3, 1},
      {"Đà Nẵng ĐÀ NẴNG", "đà nẵng", 2, 2, 0},
      {"ƠI ơi Ưu ưu", "[ơư]", 4, 0, 2},
      {"ΑΒΓ αβγ", "αβγ", 2, 2, 1},
      {"Привет ПРИВЕТ", "привет", 2, 2, 0},
      {"ŁÓDŹ łódź Ÿ ÿ", "łódź|ÿ", 4, 0, 2},
      {"ĀĶŐ āķő", "āķő", 2, 2, 1},
      {"ABC abc", "[a-c]+", 2, 0, 1},
      {"× ÷", "÷", 1, 1, 1},  // signs, not letters
      {"ΟΔΟΣ οδος Οδός", "οδος", 2, 2, 1},
      {"ΕΛΛΗΝΙΚΆ ελληνικά", "ελληνικά", 2, 2, 1},
      {"Ґанок ґанок", "ґанок", 2, 2, 1},
      {"Ꭰ ꭰ", "ꭰ", 2, 2, 1},
      {"K k K Ω ω ẞ ß", "k|ω|ß", 7, 0, 3},
      {"𐐀 𐐨 𐒰 𐓘", "𐐨|𐓘", 4, 0, 2},
      {"𐐔𐐯𐑅 𐐼𐐯𐑅", "𐐼𐐯𐑅", 2, 2, 1},
      {"𐐔𐐯 𐐼𐐯", "[𐐀-𐐧]𐐯", 2, 0, 1},
      {"𐐀𐐨x", "[^𐐀]", 1, 0, 2},
      {"𐐀𐐨 𐐨𐐨", "(.)\\1", 2, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.pattern);
    for (const bool regex : {true, false}) {
      std::uint64_t count = 0;
      replace_all(c.text, c.pattern, "", regex, false, &count);
      EXPECT_EQ(count, regex ? c.regex_count : c.plain_count) << regex;
      const std::wstring text = to_wide(c.text);
      std::uint64_t found = 0;
      for (std::size_t from = 0;; ++found) {
        const auto match = find_match(text, to_wide(c.pattern), regex, false, from);
        if (!match || match->start < from) break;
        from = match->end;
      }
      EXPECT_EQ(found, count) << regex;
    }
    std::uint64_t exact = 0;
    replace_all(c.text, c.pattern, "", true, true, &exact);
    EXPECT_EQ(exact, c.matching_case);
  }
}

TEST(FindRegex, AgreesWithReplaceAndNeverSplitsAPair) {
  const std::wstring text =
      L"a\xD83D\xDE00"
      L"b\xD83D\xDE01";  // a😀b😁
  struct Case {
    std::wstring pattern;
    std::size_t from;
    std::optional<TextRange> expected;
  } const cases[] = {
      {L".", 1, TextRange{1, 3}},
      {L"[\xD83D\xDE01]", 0, TextRange{4, 6}},
      {L"\xD83D\xDE01", 0, TextRange{4, 6}},
      {L"[^a]", 0, TextRange{1, 3}},
      {L"\\S", 2, TextRange{3, 4}},
      {L"b.$", 0, TextRange{3, 6}},
      {L"\\x{DE00}|b", 0, TextRange{3, 4}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(find_match(text, c.pattern, true, true, c.from), c.expected)
        << to_utf8(c.pattern) << " from " << c.from;
  }
}

TEST(ReplaceAll, DocumentLimitAndFailuresBecomeStatuses) {
  const std::string limit(kRegexReplaceLimit, 'a');
  EXPECT_EQ(replace_in_document(limit, {"a+", "b", true, true}).text, "b");
  const std::string over = limit + "a";
  EXPECT_EQ(replace_in_document(over, {"a+", "b", true, true}).status, FindStatus::too_large);
  EXPECT_EQ(replace_in_document(over, {"aa", "b", false, true}).count, over.size() / 2);
  EXPECT_EQ(replace_in_document("x(", {"(", "", true, true}).status,
            FindStatus::invalid_expression);
  const ReplaceOutcome none = replace_in_document("abc", {"z", "", true, true});
  EXPECT_EQ(find_status_text(none.status, false, none.count), L"0 replacements");
  // A megabyte line: the engine answers or gives up with a status, it neither crashes nor hangs.
  const std::string line(1 << 20, 'a');
  for (const std::string pattern : {".*", "(a|b)*c"}) {
    const FindStatus status = replace_in_document(line, {pattern, "x", true, true}).status;
    EXPECT_TRUE(status == FindStatus::replaced || status == FindStatus::too_complex) << pattern;
    try {
      find_match(std::wstring(line.begin(), line.end()),
                 std::wstring(pattern.begin(), pattern.end()), true, true, 0);
    } catch (const SearchTooComplex&) {}
  }
}

TEST(FindRegex, WrapsWidensAndKeepsTheTextBeforeAsContext) {
  struct Case {
    std::wstring text, pattern;
    bool match_case;
    std::size_t from;
    std::optional<TextRange> expected;
  } const cases[] = {
      {L"ab\nab", L"ab", true, 1, TextRange{3, 5}},
      {L"ab\nab", L"AB", false, 5, TextRange{0, 2}},
      {L"ab\nab", L"AB", true, 0, std::nullopt},
      {L"ab\nab", L"^", true, 1, TextRange{3, 4}},
      {L"ab ab", L"\\bb", true, 1, std::nullopt},
      {L"a\xD800\xDC00", L"x*", true, 1, TextRange{1, 3}},
      {L"\xDC00\xDC00", L"x*", true, 0, TextRange{0, 1}},
      {L"a\nb", L"$", true, 3, TextRange{1, 2}},
      {L"ab", L"$", true, 2, TextRange{2, 2}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(find_match(c.text, c.pattern, true, c.match_case, c.from), c.expected)
        << std::string(c.pattern.begin(), c.pattern.end());
  }
  EXPECT_THROW(find_match(L"a", L"(", true, true, 0), InvalidExpression);
}

// The expression is read within its bounds: it need not be followed by a NUL.
TEST(FindRegex, ReadsNothingPastTheExpression) {
  const auto exact = [](std::wstring_view units) {
    auto copy = std::make_unique<wchar_t[]>(units.size());
    std::copy(units.begin(), units.end(), copy.get());
    return copy;
  };
  const std::wstring text = L"a\xD83D\xDE00";
  const std::wstring_view wide = L"a\xD83D\xDE00", open_class = L"[\xD83D\xDE00";
  const auto wide_copy = exact(wide), open_copy = exact(open_class);
  EXPECT_EQ(find_match(text, {wide_copy.get(), wide.size()}, true, true, 0), (TextRange{0, 3}));
  EXPECT_THROW(find_match(text, {open_copy.get(), open_class.size()}, true, true, 0),
               InvalidExpression);
}

TEST(ChangedSpan, ReplacesOnlyTheMiddleAndKeepsPairsWhole) {
  struct Case {
    std::wstring before, after;
    std::size_t start, end;
  } const cases[] = {
      {L"abcd", L"abXd", 2, 3},
      {L"aaa", L"aaaa", 3, 3},
      {L"\xD83D\xDE00", L"\xD83D\xDE01", 0, 2},
      {L"\xD83D\xDE00", L"\xD83Dx\xDE00", 0, 2},
      {L"\xD800\xDC00", L"\xD800\xDC01", 0, 2},
      {L"\xDBFF\xDFFF", L"\xDBFE\xDFFF", 0, 2},
  };
  for (const Case& c : cases) {
    const TextSplice splice = changed_span(c.before, c.after);
    EXPECT_EQ(std::pair(splice.start, splice.end), std::pair(c.start, c.end));
    EXPECT_EQ(std::wstring(c.before).replace(splice.start, splice.end - splice.start, splice.text),
              c.after);
  }
}

}  // namespace
}  // namespace tavrel::win
