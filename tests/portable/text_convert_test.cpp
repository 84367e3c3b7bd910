#include "core/text_convert.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/portable/test_support.h"

using namespace tavrel::win;
using tavrel::test::bytes;

TEST(Utf8Decoding, RefusesEveryMalformedFormAndAcceptsBoundaryValues) {
  for (const std::string& bad :
       {bytes({0xC0, 0x80}), bytes({0xC1, 0xBF}), bytes({0xE0, 0x80, 0x80}),
        bytes({0xE0, 0x9F, 0xBF}), bytes({0xED, 0xA0, 0x80}), bytes({0xED, 0xBF, 0xBF}),
        bytes({0xF0, 0x8F, 0xBF, 0xBF}), bytes({0xF4, 0x90, 0x80, 0x80}), bytes({0x80}),
        bytes({0xBF}), bytes({0xC3}), bytes({0xE2, 0x82}), bytes({0xF0, 0x9F, 0x98}),
        bytes({0xF5, 0x80, 0x80, 0x80}), bytes({0xFF}), bytes({'a', 0xC3, 'b'}),
        bytes({0xC3, 0xC0}), bytes({0xE2, 0x82, 0x7F})}) {
    EXPECT_EQ(tavrel::test::error_text([&] { utf8_to_utf16(bad); }), "Invalid UTF-8")
        << testing::PrintToString(bad);
    EXPECT_FALSE(is_valid_utf8(bad));
  }
  const std::pair<std::string, std::u16string> good[] = {
      {bytes({0x7F}), std::u16string(1, 0x7F)},
      {bytes({0xC2, 0x80}), std::u16string(1, 0x80)},
      {bytes({0xDF, 0xBF}), std::u16string(1, 0x7FF)},
      {bytes({0xE0, 0xA0, 0x80}), std::u16string(1, 0x800)},
      {bytes({0xED, 0x9F, 0xBF}), std::u16string(1, 0xD7FF)},
      {bytes({0xEE, 0x80, 0x80}), std::u16string(1, 0xE000)},
      {bytes({0xEF, 0xBF, 0xBF}), std::u16string(1, 0xFFFF)},
      {bytes({0xF0, 0x90, 0x80, 0x80}), std::u16string{0xD800, 0xDC00}},
      {bytes({0xF0, 0x9F, 0x98, 0x80}), std::u16string{0xD83D, 0xDE00}},
      {bytes({0xF4, 0x8F, 0xBF, 0xBF}), std::u16string{0xDBFF, 0xDFFF}},
      {"", u""},
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)}};
  for (const auto& [utf8, utf16] : good) {
    EXPECT_EQ(utf8_to_utf16(utf8), utf16) << testing::PrintToString(utf8);
    EXPECT_TRUE(is_valid_utf8(utf8));
    EXPECT_EQ(utf16_to_utf8(utf16), utf8);
  }
}

TEST(Utf16Decoding, RefusesLoneAndReversedSurrogatesOrReplacesThem) {
  for (const std::u16string& bad :
       {std::u16string{0xD800}, std::u16string{0xDC00}, std::u16string{0xDBFF},
        std::u16string{0xDFFF}, std::u16string{0xDC00, 0xD800}, std::u16string{'a', 0xD83D},
        std::u16string{0xD83D, 'a'}, std::u16string{0xD83D, 0xE000}}) {
    EXPECT_THROW(utf16_to_utf8(bad), std::runtime_error);
  }
  EXPECT_EQ(utf16_to_utf8_lenient(std::u16string{'x', 0xD800}), "x\xEF\xBF\xBD");
  EXPECT_EQ(to_wide_lenient(bytes({'a', 0xFF, 'b'})), L"a\uFFFDb");
  const std::string text = "Tiếng Việt có dấu — 😀 ∑ a\nb";
  EXPECT_EQ(to_utf8(to_wide(text)), text);
}
