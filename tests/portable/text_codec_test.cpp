#include "core/text_codec.h"

#include <gtest/gtest.h>

#include "tests/portable/test_support.h"

using namespace tavrel::win;
using tavrel::test::bytes;
using tavrel::test::error_text;

TEST(TextDecoding, MarksLineEndsAndRefusals) {
  const std::tuple<std::string, std::string, TextEncoding, bool> decoded[] = {
      {"", "", TextEncoding::Utf8, false},
      {bytes({0xEF, 0xBB, 0xBF}), "", TextEncoding::Utf8Bom, false},
      {bytes({0xFF, 0xFE}), "", TextEncoding::Utf16Le, false},
      {bytes({0xFE, 0xFF}), "", TextEncoding::Utf16Be, false},
      {"a\r\nb\rc\n", "a\nb\nc\n", TextEncoding::Utf8, true},
      {"a\rb", "a\nb", TextEncoding::Utf8, false},
      {"a\r\r\nb", "a\n\nb", TextEncoding::Utf8, true},
      {"a\n\rb", "a\n\nb", TextEncoding::Utf8, false},
      {bytes({0xEF, 0xBB, 0xBF, 'h', 'i'}), "hi", TextEncoding::Utf8Bom, false},
      {bytes({0xFF, 0xFE, 'A', 0, '\r', 0, '\n', 0, 0x3D, 0xD8, 0x00, 0xDE}), "A\n\xF0\x9F\x98\x80",
       TextEncoding::Utf16Le, true},
      {bytes({0xFE, 0xFF, 0x1E, 0xC7}), "\xE1\xBB\x87", TextEncoding::Utf16Be, false},
      {bytes({0xFE, 0xFF, 0xFF, 0x00}), "\xEF\xBC\x80", TextEncoding::Utf16Be, false}};
  for (const auto& [input, text, encoding, crlf] : decoded) {
    const DecodedText result = decode_text_bytes(input);
    EXPECT_EQ(result.text, text);
    EXPECT_EQ(result.encoding, encoding) << text;
    EXPECT_EQ(result.crlf, crlf) << text;
  }
  const std::pair<std::string, const char*> refused[] = {
      {bytes({0xFF, 0xFE, 'A'}), "Incomplete UTF-16 file"},
      {bytes({0xFE, 0xFF, 0, 'A', 0}), "Incomplete UTF-16 file"},
      {bytes({0xFF, 0xFE, 0x3D, 0xD8}), "Invalid UTF-16"},
      {bytes({0xFF, 0xFE, 0x00, 0xDE, 0x3D, 0xD8}), "Invalid UTF-16"},
      {bytes({0xC0, 0x80}), "Invalid UTF-8"},
      {bytes({'a', 0xE1, 0xBB}), "Invalid UTF-8"},
      {bytes({0xED, 0xA0, 0x80}), "Invalid UTF-8"},
      {bytes({0xEF, 0xBB, 0xBF, 0xFF}), "Invalid UTF-8"},
      {std::string("a\0b", 3), "Binary files are not supported"},
      {bytes({0xFF, 0xFE, 'a', 0, 0, 0}), "Binary files are not supported"}};
  for (const auto& c : refused) {
    EXPECT_EQ(error_text([&] { decode_text_bytes(c.first); }), c.second) << c.second;
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
  const std::string missing = error_text([&] { read_text_file(dir / "missing.md"); });
  EXPECT_NE(missing.find("file_size"), std::string::npos) << missing;

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
