#include "core/text_codec.h"

#include <gtest/gtest.h>

#include "tests/portable/test_support.h"

using namespace tavrel::win;
using tavrel::test::bytes;
using tavrel::test::error_text;

namespace {

struct DecodeCase {
  const char* name;
  std::string input;
  std::string text;  // expected text, or the expected error message
  TextEncoding encoding;
  bool crlf;
  bool fails;
};

}  // namespace

TEST(TextDecoding, TableOfMarksLineEndsAndRefusals) {
  const DecodeCase cases[] = {
      {"empty", "", "", TextEncoding::Utf8, false, false},
      {"bom only", bytes({0xEF, 0xBB, 0xBF}), "", TextEncoding::Utf8Bom, false, false},
      {"le mark only", bytes({0xFF, 0xFE}), "", TextEncoding::Utf16Le, false, false},
      {"be mark only", bytes({0xFE, 0xFF}), "", TextEncoding::Utf16Be, false, false},
      {"crlf mix", "a\r\nb\rc\n", "a\nb\nc\n", TextEncoding::Utf8, true, false},
      {"lone cr", "a\rb", "a\nb", TextEncoding::Utf8, false, false},
      {"cr cr lf", "a\r\r\nb", "a\n\nb", TextEncoding::Utf8, true, false},
      {"lf cr", "a\n\rb", "a\n\nb", TextEncoding::Utf8, false, false},
      {"bom text", bytes({0xEF, 0xBB, 0xBF, 'h', 'i'}), "hi", TextEncoding::Utf8Bom, false, false},
      {"le text", bytes({0xFF, 0xFE, 'A', 0, '\r', 0, '\n', 0, 0x3D, 0xD8, 0x00, 0xDE}),
       "A\n\xF0\x9F\x98\x80", TextEncoding::Utf16Le, true, false},
      {"be text", bytes({0xFE, 0xFF, 0x1E, 0xC7}), "\xE1\xBB\x87", TextEncoding::Utf16Be, false,
       false},
      {"odd le", bytes({0xFF, 0xFE, 'A'}), "Incomplete UTF-16 file", {}, false, true},
      {"odd be", bytes({0xFE, 0xFF, 0, 'A', 0}), "Incomplete UTF-16 file", {}, false, true},
      {"le trailing high", bytes({0xFF, 0xFE, 0x3D, 0xD8}), "Invalid UTF-16", {}, false, true},
      {"le reversed pair",
       bytes({0xFF, 0xFE, 0x00, 0xDE, 0x3D, 0xD8}),
       "Invalid UTF-16",
       {},
       false,
       true},
      {"overlong", bytes({0xC0, 0x80}), "Invalid UTF-8", {}, false, true},
      {"truncated", bytes({'a', 0xE1, 0xBB}), "Invalid UTF-8", {}, false, true},
      {"surrogate in utf8", bytes({0xED, 0xA0, 0x80}), "Invalid UTF-8", {}, false, true},
      {"nul utf8", std::string("a\0b", 3), "Binary files are not supported", {}, false, true},
      {"nul utf16",
       bytes({0xFF, 0xFE, 'a', 0, 0, 0}),
       "Binary files are not supported",
       {},
       false,
       true},
      {"bom then invalid", bytes({0xEF, 0xBB, 0xBF, 0xFF}), "Invalid UTF-8", {}, false, true},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.fails) {
      EXPECT_EQ(error_text([&] { decode_text_bytes(c.input); }), c.text);
      continue;
    }
    DecodedText decoded = decode_text_bytes(c.input);
    EXPECT_EQ(decoded.text, c.text);
    EXPECT_EQ(decoded.encoding, c.encoding);
    EXPECT_EQ(decoded.crlf, c.crlf);
  }
}

TEST(TextEncoding, WritesMarksAndLineEnds) {
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
}

TEST(TextEncoding, EveryEncodingAndLineEndRoundTrips) {
  const std::string text = "# Tiêu đề\n\nVăn bản 😀 with ∑ and tabs\t\nlast line";
  for (auto encoding :
       {TextEncoding::Utf8, TextEncoding::Utf8Bom, TextEncoding::Utf16Le, TextEncoding::Utf16Be}) {
    for (bool crlf : {false, true}) {
      DecodedText back = decode_text_bytes(encode_text_bytes(text, crlf, encoding));
      EXPECT_EQ(back.text, text);
      EXPECT_EQ(back.encoding, encoding);
      EXPECT_EQ(back.crlf, crlf);
    }
  }
}

TEST(TextFile, ReadsFilesAndReportsWhatItFound) {
  tavrel::test::TempDir dir;
  tavrel::test::write_bytes(dir / "a.md", "a\r\nb\rc\n");
  TextEncoding encoding = TextEncoding::Utf16Be;
  bool crlf = false;
  EXPECT_EQ(read_text_file(dir / "a.md", &encoding, &crlf), "a\nb\nc\n");
  EXPECT_EQ(encoding, TextEncoding::Utf8);
  EXPECT_TRUE(crlf);
  EXPECT_EQ(read_text_file(dir / "a.md"), "a\nb\nc\n");  // pointers are optional

  tavrel::test::write_bytes(dir / "bad.md", std::string("x\0", 2));
  encoding = TextEncoding::Utf16Be;
  EXPECT_EQ(error_text([&] { read_text_file(dir / "bad.md", &encoding, &crlf); }),
            "Binary files are not supported");
  EXPECT_EQ(encoding, TextEncoding::Utf16Be) << "outputs are written only on success";

  std::string missing = error_text([&] { read_text_file(dir / "missing.md"); });
  EXPECT_NE(missing.find("file_size"), std::string::npos) << missing;
}

TEST(TextFile, SizeLimitIsCheckedBeforeReading) {
  tavrel::test::TempDir dir;
  // Sparse files: no disk space, and the over-limit one must never be read at all.
  std::filesystem::path over = dir / "over.md";
  tavrel::test::write_bytes(over, "");
  std::filesystem::resize_file(over, kMaxTextFileBytes + 1);
  EXPECT_EQ(error_text([&] { read_text_file(over); }), "File exceeds the 256 MB safety limit");

  std::filesystem::path exact = dir / "exact.md";
  tavrel::test::write_bytes(exact, "");
  std::filesystem::resize_file(exact, kMaxTextFileBytes);
  // Exactly at the limit the file is read, and then refused for what it holds (zeros).
  EXPECT_EQ(error_text([&] { read_text_file(exact); }), "Binary files are not supported");
}
