#include "ui/palette.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

using namespace tavrel::win;

namespace {

// Distinct system colours, so a role taken from the wrong one shows.
constexpr SystemColours kSystem{rgb(1, 1, 1), rgb(2, 2, 2), rgb(3, 3, 3), rgb(4, 4, 4)};

struct ThemeCase {
  const char* name;
  int setting;
  AppsUseLightTheme windows;
  bool high_contrast;
  bool dark;
  const Palette* palette;  // nullptr: the high-contrast palette
};

TEST(ThemeChoice, FollowsSettingWindowsValueAndHighContrast) {
  const Palette high = high_contrast_palette(kSystem);
  const ThemeCase cases[] = {
      {"follow Windows, apps dark", 0, 0u, false, true, &kDarkPalette},
      {"follow Windows, apps light", 0, 1u, false, false, &kLightPalette},
      {"follow Windows, value missing", 0, std::nullopt, false, false, &kLightPalette},
      {"follow Windows, odd value", 0, 7u, false, false, &kLightPalette},
      {"light despite dark Windows", 1, 0u, false, false, &kLightPalette},
      {"dark despite light Windows", 2, 1u, false, true, &kDarkPalette},
      {"dark, value missing", 2, std::nullopt, false, true, &kDarkPalette},
      {"unknown setting", 5, 0u, false, false, &kLightPalette},
      {"high contrast, dark setting", 2, 1u, true, true, nullptr},
      {"high contrast, follow dark Windows", 0, 0u, true, true, nullptr},
      {"high contrast, light setting", 1, 0u, true, false, nullptr},
      {"high contrast, value missing", 0, std::nullopt, true, false, nullptr},
  };
  for (const ThemeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ThemeChoice choice = choose_theme(c.setting, c.windows, c.high_contrast, kSystem);
    EXPECT_EQ(choice.dark, c.dark);
    EXPECT_EQ(choice.high_contrast, c.high_contrast);
    EXPECT_EQ(choice.palette, c.palette != nullptr ? *c.palette : high);
    EXPECT_EQ(theme_is_dark(c.setting, c.windows), c.dark);
  }
}

// The table's colours as written (#RRGGBB), compared in the COLORREF byte order.
TEST(Palette, ColoursInColorrefLayout) {
  const std::array<const wchar_t*, 8> dark{L"#121820", L"#171e28", L"#1e2733", L"#e0e7f0",
                                           L"#8b9aad", L"#273241", L"#ffa757", L"#4f3320"};
  const std::array<const wchar_t*, 8> light{L"#f6f8fa", L"#ffffff", L"#eef3f6", L"#232f3e",
                                            L"#6d7b8d", L"#e2e8ed", L"#b34d0d", L"#ffe9d4"};
  for (size_t i = 0; i < kPaletteSize; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(colour_hex(kDarkPalette[i]), dark[i]);
    EXPECT_EQ(colour_hex(kLightPalette[i]), light[i]);
  }
  EXPECT_EQ(kDarkPalette[palette_background], 0x00201812u);
  EXPECT_EQ(kLightPalette[palette_accent], 0x000D4DB3u);
}

TEST(Palette, HighContrastRoles) {
  const Palette p = high_contrast_palette(kSystem);
  EXPECT_EQ(p[palette_background], kSystem.button_face);
  EXPECT_EQ(p[palette_surface], kSystem.window);
  EXPECT_EQ(p[palette_pane], kSystem.button_face);
  EXPECT_EQ(p[palette_text], kSystem.window_text);
  EXPECT_EQ(p[palette_muted_text], kSystem.window_text);
  EXPECT_EQ(p[palette_border], kSystem.window_text);
  EXPECT_EQ(p[palette_accent], kSystem.highlight);
  EXPECT_EQ(p[palette_accent_fill], kSystem.highlight);
}

TEST(Palette, ColourHexIsLowerCaseRgbOrder) {
  EXPECT_EQ(colour_hex(rgb(0x01, 0xAB, 0xFF)), L"#01abff");
  EXPECT_EQ(colour_hex(rgb(0, 0, 0)), L"#000000");
  EXPECT_EQ(red_of(rgb(10, 20, 30)), 10);
  EXPECT_EQ(green_of(rgb(10, 20, 30)), 20);
  EXPECT_EQ(blue_of(rgb(10, 20, 30)), 30);
}

TEST(ThemedChrome, ControlThemeNames) {
  EXPECT_STREQ(control_theme_name(true), L"DarkMode_Explorer");
  EXPECT_STREQ(control_theme_name(false), L"Explorer");
}

TEST(ThemedChrome, EditFieldColours) {
  const ThemeChoice dark = choose_theme(2, 1u, false, kSystem);
  const ThemeChoice light = choose_theme(1, 0u, false, kSystem);

  EditFieldColours c = edit_field_colours(dark, false);
  EXPECT_EQ(c.background, rgb(38, 43, 52));
  EXPECT_EQ(c.frame, rgb(81, 90, 103));
  EXPECT_EQ(c.text, kDarkPalette[palette_text]);

  c = edit_field_colours(light, false);
  EXPECT_EQ(c.background, rgb(255, 255, 255));
  EXPECT_EQ(c.frame, rgb(174, 184, 195));
  EXPECT_EQ(c.text, kLightPalette[palette_text]);

  EXPECT_EQ(edit_field_colours(dark, true).frame, kDarkPalette[palette_accent]);
  EXPECT_EQ(edit_field_colours(light, true).frame, kLightPalette[palette_accent]);
  EXPECT_EQ(edit_field_colours(light, true).background, rgb(255, 255, 255));
}

// A black high-contrast scheme while Windows asks apps for the light theme: the field must not
// be white under white text.
TEST(ThemedChrome, HighContrastFieldStaysReadable) {
  const SystemColours black_scheme{rgb(0, 0, 0), rgb(0, 0, 0), rgb(255, 255, 255),
                                   rgb(0, 255, 255)};
  const ThemeChoice theme = choose_theme(0, 1u, true, black_scheme);
  ASSERT_FALSE(theme.dark);
  const EditFieldColours c = edit_field_colours(theme, false);
  EXPECT_EQ(c.text, rgb(255, 255, 255));
  EXPECT_EQ(c.background, rgb(0, 0, 0));
  EXPECT_EQ(c.frame, rgb(255, 255, 255));
  EXPECT_EQ(edit_field_colours(theme, true).frame, rgb(0, 255, 255));
}

TEST(ThemedChrome, FontHeights) {
  EXPECT_EQ(ui_font_height(96), -13);
  EXPECT_EQ(ui_font_height(120), -17);
  EXPECT_EQ(ui_font_height(144), -20);
  EXPECT_EQ(ui_font_height(192), -27);
  EXPECT_EQ(editor_font_height(12, 96), -16);
  EXPECT_EQ(editor_font_height(32, 144), -64);
  EXPECT_EQ(editor_font_height(8, 96), -11);
}

TEST(ThemedChrome, EditBoxClientRectCentresTheFont) {
  // 30 pixels high, font 16: 7 above and below, 9 at the sides.
  EXPECT_EQ(edit_box_client_rect(Rect{0, 0, 200, 30}, 16, 96), (Rect{9, 7, 191, 23}));
  // Odd room rounds the inset down.
  EXPECT_EQ(edit_box_client_rect(Rect{10, 20, 110, 51}, 16, 96), (Rect{19, 27, 101, 44}));
  // At 144 DPI the side padding is 14 (9 scaled), the vertical inset follows the room.
  EXPECT_EQ(edit_box_client_rect(Rect{0, 0, 300, 45}, 25, 144), (Rect{14, 10, 286, 35}));
}

TEST(ThemedChrome, EditBoxClientRectMinimumAndTinyBoxes) {
  // A font as high as the box still leaves one pixel (at 96 DPI) of frame room.
  EXPECT_EQ(edit_box_client_rect(Rect{0, 0, 100, 16}, 16, 96), (Rect{9, 1, 91, 15}));
  EXPECT_EQ(edit_box_client_rect(Rect{0, 0, 100, 16}, 20, 192), (Rect{18, 2, 82, 14}));
  // Narrower or lower than the padding: an empty client area, never an inverted one.
  const Rect tiny = edit_box_client_rect(Rect{50, 50, 60, 51}, 16, 96);
  EXPECT_EQ(tiny.width(), 0);
  EXPECT_EQ(tiny.height(), 0);
  EXPECT_GE(tiny.left, 50);
  EXPECT_LE(tiny.right, 60);
}

}  // namespace
