#include "core/text_codec.h"

#include <gtest/gtest.h>

#include "core/text_convert.h"
#include "tests/portable/test_support.h"

using namespace tavrel::win;
using tavrel::test::bytes;
using tavrel::test::error_text;

TEST(TextDecoding, MarksLineEndsAndRefusals) {
  const std::tuple<std::string, std::string, TextEncoding, bool> decoded[] = {
      {"", "", TextEncoding::Utf8, false},
      {bytes({0xEF, 0xBB, 0xBF}), "", TextEncoding::Utf8Bom, false},
      {bytes({0xFF, 0xFE}), "", TextEncoding::Utf16Le, false},
      {"a\r\nb\rc\n", "a\nb\nc\n", TextEncoding::Utf8, true},
      {"a\rb", "a\nb", TextEncoding::Utf8, false},
      {"a\r\r\nb", "a\n\nb", TextEncoding::Utf8, true},
      {"a\n\rb", "a\n\nb", TextEncoding::Utf8, false},
      {bytes({0xFF, 0xFE, 'A', 0, '\r', 0, '\n', 0, 0x3D, 0xD8, 0x00, 0xDE}), "A\n\xF0\x9F\x98\x80",
       TextEncoding::Utf16Le, true},
      {bytes({0xFE, 0xFF, 0x1E, 0xC7}), "\xE1\xBB\x87", TextEncoding::Utf16Be, false},
      {bytes({0xFE, 0xFF, 0xFF, 0x00}), "\xEF\xBC\x80", TextEncoding::Utf16Be, false}};
  for (const auto& [input, text, encoding, crlf] : decoded) {
    const DecodedText result = decode_text_bytes(input);
    EXPECT_TRUE(result.text == text && result.encoding == encoding && result.crlf == crlf) << text;
  }
  const std::pair<const char*, std::vector<std::string>> refused[] = {
      {"Incomplete UTF-16 file", {bytes({0xFF, 0xFE, 'A'}), bytes({0xFE, 0xFF, 0, 'A', 0})}},
      {"Invalid UTF-16",
       {bytes({0xFF, 0xFE, 0x3D, 0xD8}), bytes({0xFF, 0xFE, 0, 0xDE, 0x3D, 0xD8})}},
      {"Invalid UTF-8",
       {bytes({0xC0, 0x80}), bytes({'a', 0xE1, 0xBB}), bytes({0xED, 0xA0, 0x80}),
        bytes({0xEF, 0xBB, 0xBF, 0xFF})}},
      {"Binary files are not supported",
       {std::string("a\0b", 3), bytes({0xFF, 0xFE, 'a', 0, 0, 0})}}};
  for (const auto& [message, inputs] : refused) {
    for (const std::string& input : inputs) {
      EXPECT_EQ(error_text([&] { decode_text_bytes(input); }), message);
    }
  }
}

TEST(TextEncoding, WritesMarksAndLineEndsAndRoundTrips) {
  EXPECT_EQ(encode_text_bytes("A\n", true, TextEncoding::Utf16Be),
            bytes({0xFE, 0xFF, 0x00, 0x41, 0x00, 0x0D, 0x00, 0x0A}));
  EXPECT_EQ(encode_text_bytes("A\n", false, TextEncoding::Utf16Le),
            bytes({0xFF, 0xFE, 0x41, 0x00, 0x0A, 0x00}));
  EXPECT_EQ(encode_text_bytes("a\nb", true, TextEncoding::Utf8Bom),
            "\xEF\xBB\xBF"
            "a\r\nb");
  EXPECT_EQ(encode_text_bytes("a\nb", false, TextEncoding::Utf8), "a\nb");
  EXPECT_EQ(encode_text_bytes("A", false, static_cast<TextEncoding>(9)),
            bytes({0xFE, 0xFF, 0, 'A'}));
  EXPECT_EQ(error_text([] { encode_text_bytes("\xFF", false, TextEncoding::Utf16Le); }),
            "Invalid UTF-8");
  const std::string text = "# Tiêu đề\n\nVăn bản 😀 with ∑ and tabs\t\nlast line";
  for (auto encoding :
       {TextEncoding::Utf8, TextEncoding::Utf8Bom, TextEncoding::Utf16Le, TextEncoding::Utf16Be}) {
    for (bool crlf : {false, true}) {
      const DecodedText back = decode_text_bytes(encode_text_bytes(text, crlf, encoding));
      EXPECT_TRUE(back.text == text && back.encoding == encoding && back.crlf == crlf);
    }
  }
}

TEST(TextFile, ReadsFilesAndReportsWhatItFound) {
  tavrel::test::TempDir dir;
  tavrel::test::write_bytes(dir / "a.md", "a\r\nb\rc\n");
  TextEncoding encoding = TextEncoding::Utf16Be;
  bool crlf = false;
  EXPECT_EQ(read_text_file(dir / "a.md", &encoding, &crlf), "a\nb\nc\n");
  EXPECT_TRUE(encoding == TextEncoding::Utf8 && crlf);
  EXPECT_EQ(read_text_file(dir / "a.md"), "a\nb\nc\n");  // pointers are optional

  tavrel::test::write_bytes(dir / "bad.md", std::string("x\0", 2));
  encoding = TextEncoding::Utf16Be;
  EXPECT_EQ(error_text([&] { read_text_file(dir / "bad.md", &encoding, &crlf); }),
            "Binary files are not supported");
  EXPECT_EQ(encoding, TextEncoding::Utf16Be) << "outputs are written only on success";
  // A file-system failure reads "operation: reason [path]" and is still a filesystem_error.
  const std::filesystem::path missing = dir / "missing.md";
  try {
    read_text_file(missing);
    ADD_FAILURE() << "a missing file was read";
  } catch (const std::filesystem::filesystem_error& error) {
    const std::string text = error.what();
    EXPECT_EQ(text.rfind("file_size: " + error.code().message(), 0), 0u) << text;
    EXPECT_TRUE(text.ends_with("[" + missing.string() + "]") && error.path1() == missing) << text;
  }

  // Sparse files: the one over the limit must never be read at all; the one at the limit is
  // read and then refused for what it holds (zeros).
  for (const auto& [size, message] :
       {std::pair(kMaxTextFileBytes + 1, "File exceeds the 256 MB safety limit"),
        {kMaxTextFileBytes, "Binary files are not supported"}}) {
    tavrel::test::write_bytes(dir / "big.md", "");
    std::filesystem::resize_file(dir / "big.md", size);
    EXPECT_EQ(error_text([&] { read_text_file(dir / "big.md"); }), message);
  }
}

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
  const std::string text = "Tiếng Việt có dấu — 😀 ∑ \xEF\xBF\xBF a\nb";
  EXPECT_EQ(to_utf8(to_wide(text)), text);
}
