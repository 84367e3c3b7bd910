// The RTF writer beyond its golden documents: the escaping of text, which must refuse exactly what
// the strict UTF-16 conversion refuses, and the models no Markdown text produces.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "core/text_convert.h"
#include "model_builders.h"
#include "render/rtf_writer.h"

namespace tavrel::win {
namespace {

TEST(RtfEscape, WritesUtf16UnitsAsSignedDecimals) {
  // The golden documents hold the bounds of each UTF-8 length; Markdown has no NUL or CR.
  EXPECT_EQ(escape_rtf(std::string("a\\b{c}\r\n\t\x01\0", 11)),
            "a\\\\b\\{c\\}\\line \\tab \\u1?\\u0?");
}

// The escaping rules applied to the UTF-16 form, one unit at a time.
std::string reference_escape(const std::string& text) {
  std::string out;
  for (char16_t unit : utf8_to_utf16(text)) {
    if (unit == u'\\' || unit == u'{' || unit == u'}') {
      out += {'\\', static_cast<char>(unit)};
    } else if (unit == u'\n' || unit == u'\t') {
      out += unit == u'\n' ? "\\line " : "\\tab ";
    } else if (unit >= 0x20 && unit <= 0x7E) {
      out += static_cast<char>(unit);
    } else if (unit != u'\r') {
      out += "\\u" + std::to_string(static_cast<std::int16_t>(unit)) + "?";
    }
  }
  return out;
}

TEST(RtfEscape, RefusesExactlyWhatTheStrictConversionRefuses) {
  const char bytes[] = {'a',    '\n',   '\\',   '\x7F', '\x80', '\xBF', '\xC2', '\xDF',
                        '\xE0', '\xED', '\xEF', '\xF0', '\xF4', '\xF5', '\xA0', '\x90',
                        '\x8F', '\x01', '{',    '}',    '\r',   '\t',   '\x9F', '\xC1'};
  std::uint32_t seed = 7;
  int valid = 0;
  for (int round = 0; round < 4000; ++round) {
    std::string text;
    for (int i = 0; i < 1 + round % 7; ++i) {
      seed = seed * 1664525u + 1013904223u;
      text.push_back(bytes[(seed >> 16) % sizeof bytes]);
    }
    if (is_valid_utf8(text)) {
      ++valid;
      EXPECT_EQ(escape_rtf(text), reference_escape(text)) << round;
    } else {
      EXPECT_THROW(escape_rtf(text), std::runtime_error) << round;
    }
  }
  EXPECT_GT(valid, 100);
  // Text longer than the writer's buffer, with escapes across its refills.
  const std::string long_text(3000, '{');
  EXPECT_EQ(escape_rtf(long_text + "\xC3\xA9"), reference_escape(long_text + "\xC3\xA9"));
}

TEST(RtfWriter, RowWithoutCellsIsAParagraph) {
  const std::string rtf =
      render_rtf(test::model({test::block(BlockKind::TableRow, 0, {test::run("t")})}), true, 11);
  EXPECT_EQ(rtf.substr(rtf.find("\\viewkind4")),
            "\\viewkind4\\uc1\\f0\\fs22\\cf1 \\pard\\sa180\\sl300\\slmult1\\f0\\fs22\\cf1 "
            "{t}\\b0\\i0\\cb0\\par }");
}

TEST(RtfWriter, BreakCountSeesOnlyBreakWords) {
  EXPECT_EQ(rtf_break_count("{\\pard a\\par b\\line c\\\\par \\{\\line\\pararaph\\par}"), 4u);
  EXPECT_EQ(rtf_break_count(escape_rtf("\\par\\line {\\par}")), 0u);
}

}  // namespace
}  // namespace tavrel::win
