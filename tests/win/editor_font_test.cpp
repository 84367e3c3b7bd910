// The editor font has the precomposed Vietnamese letters, so they never show as boxes (under
// Wine its face is mapped to a font that has them by scripts/wine-env.sh).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/win/app_window_fixture_win.h"

namespace tavrel::test {
namespace {

using EditorFontTest = AppWindowTest;

TEST_F(EditorFontTest, HasEveryVietnameseLetterOfASample) {
  const std::wstring text = L"Ti\u1EBFng Vi\u1EC7t \u0111\u01B0\u1EE3c \u1EA9m \u1EF1 \u1EB1";
  std::vector<WORD> glyphs(text.size());
  const HDC dc = GetDC(app_->main_window);
  const HGDIOBJ previous = SelectObject(dc, app_->editor_font);
  const DWORD mapped = GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()),
                                        glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
  SelectObject(dc, previous);
  ReleaseDC(app_->main_window, dc);
  ASSERT_EQ(mapped, text.size());
  for (size_t i = 0; i < text.size(); ++i)
    EXPECT_NE(glyphs[i], 0xFFFF) << "no glyph for U+" << std::hex << static_cast<int>(text[i]);
}

}  // namespace
}  // namespace tavrel::test
