#include "ui/case_fold.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "core/text_convert.h"

namespace tavrel::win {
namespace {

// The simple foldings (statuses C and S) of Unicode's own file, which the setup script installs.
std::map<char32_t, char32_t> unicode_foldings() {
  std::ifstream file("/usr/share/unicode/CaseFolding.txt");
  EXPECT_TRUE(file) << "unicode-data is not installed";
  std::map<char32_t, char32_t> foldings;
  for (std::string line; std::getline(file, line);) {
    // "0041; C; 0061; # LATIN CAPITAL LETTER A"
    std::istringstream fields(line.substr(0, line.find('#')));
    std::string code, status, mapping;
    std::getline(fields, code, ';');
    std::getline(fields, status, ';');
    std::getline(fields, mapping, ';');
    if (status == " C" || status == " S") {
      foldings[std::stoul(code, nullptr, 16)] = std::stoul(mapping, nullptr, 16);
    }
  }
  return foldings;
}

std::string utf8(char32_t c) {
  if (c < 0x10000) return utf16_to_utf8(std::u16string(1, static_cast<char16_t>(c)));
  const char32_t above = c - 0x10000;
  return utf16_to_utf8(std::u16string{static_cast<char16_t>(0xD800 + (above >> 10)),
                                      static_cast<char16_t>(0xDC00 + (above & 0x3FF))});
}

// Every code point folds as Unicode's file says, alone (a UTF-16 unit below U+10000) and as
// UTF-8 among other text, whatever the byte length of its folding; one the file leaves out
// folds to itself.
TEST(CaseFold, FollowsUnicodeCaseFoldingData) {
  const std::map<char32_t, char32_t> foldings = unicode_foldings();
  ASSERT_GT(foldings.size(), 1400u);
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const auto listed = foldings.find(c);
    const char32_t expected = listed == foldings.end() ? c : listed->second;
    if (c <= 0xFFFF) {
      ASSERT_EQ(static_cast<char32_t>(fold_case(static_cast<wchar_t>(c))), expected)
          << static_cast<unsigned>(c);
    }
    ASSERT_EQ(fold_case_utf8("x" + utf8(c) + "Y"), "x" + utf8(expected) + "y")
        << static_cast<unsigned>(c);
  }
  // Bytes that are not UTF-8 stay, and the text around them folds.
  for (const char* kept : {"\xC3", "\x80\x80", "\xC1\x81", "\xE0\x81\x81", "\xED\xA0\x80",
                           "\xE1\xBA", "\xF0\x9F\x98", "\xFF", "\xF4\x90\x80\x80"}) {
    EXPECT_EQ(fold_case_utf8(kept), kept) << kept;
  }
  EXPECT_EQ(fold_case_utf8("\xFFQ\xC3\x9C\xF0\x90\x90"), "\xFFq\xC3\xBC\xF0\x90\x90");
}

}  // namespace
}  // namespace tavrel::win
