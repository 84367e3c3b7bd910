#include "core/text_convert.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/portable/test_support.h"

using namespace tavrel::win;
using tavrel::test::bytes;

TEST(Utf8Decoding, RefusesEveryMalformedForm) {
  for (const std::string& bad :
       {bytes({0xC0, 0x80}), bytes({0xE0, 0x80, 0x80}), bytes({0xED, 0xA0, 0x80}),
        bytes({0xF4, 0x90, 0x80, 0x80}), bytes({0x80}), bytes({0xC3}), bytes({0xE2, 0x82}),
        bytes({0xF0, 0x9F, 0x98}), bytes({0xF5, 0x80, 0x80, 0x80}), bytes({0xFF}),
        bytes({'a', 0xC3, 'b'})}) {
    EXPECT_THROW(utf8_to_utf16(bad), std::runtime_error) << testing::PrintToString(bad);
    EXPECT_FALSE(is_valid_utf8(bad));
  }
  try {
    utf8_to_utf16(bytes({0x80}));
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Invalid UTF-8");
  }
}

TEST(Utf8Decoding, AcceptsBoundaryValues) {
  EXPECT_EQ(utf8_to_utf16(bytes({0xF0, 0x9F, 0x98, 0x80})), (std::u16string{0xD83D, 0xDE00}));
  EXPECT_EQ(utf8_to_utf16(bytes({0xC2, 0x80})), std::u16string(1, 0x80));
  EXPECT_EQ(utf8_to_utf16(bytes({0xE0, 0xA0, 0x80})), std::u16string(1, 0x800));
  EXPECT_EQ(utf8_to_utf16(bytes({0xEF, 0xBF, 0xBF})), std::u16string(1, 0xFFFF));
  EXPECT_EQ(utf8_to_utf16(bytes({0xF4, 0x8F, 0xBF, 0xBF})), (std::u16string{0xDBFF, 0xDFFF}));
  EXPECT_EQ(utf8_to_utf16(""), u"");
  EXPECT_EQ(utf8_to_utf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(Utf16Decoding, RefusesLoneAndReversedSurrogates) {
  for (const std::u16string& bad :
       {std::u16string{0xD800}, std::u16string{0xDC00}, std::u16string{0xDC00, 0xD800},
        std::u16string{'a', 0xD83D}, std::u16string{0xD83D, 'a'}}) {
    EXPECT_THROW(utf16_to_utf8(bad), std::runtime_error);
  }
  EXPECT_EQ(utf16_to_utf8(std::u16string{0xD83D, 0xDE00}), bytes({0xF0, 0x9F, 0x98, 0x80}));
}

TEST(TextConversion, RoundTripsVietnameseAndEmoji) {
  const std::string text = "Tiếng Việt có dấu — 😀 ∑ a\nb";
  EXPECT_EQ(utf16_to_utf8(utf8_to_utf16(text)), text);
  EXPECT_EQ(to_utf8(to_wide(text)), text);
}

TEST(TextConversion, LenientFormsReplaceInsteadOfThrowing) {
  EXPECT_EQ(to_wide_lenient(bytes({'a', 0xFF, 'b'})), L"a\uFFFDb");
  EXPECT_EQ(utf16_to_utf8_lenient(std::u16string{'x', 0xD800}), "x\xEF\xBF\xBD");
}
