#include "ui/palette.h"

#include <gtest/gtest.h>

#include <string>

using namespace tavrel::win;

namespace {

// Distinct system colours, so a role taken from the wrong one shows.
constexpr SystemColours kSystem{rgb(1, 1, 1), rgb(2, 2, 2), rgb(3, 3, 3), rgb(4, 4, 4)};

}  // namespace

TEST(ThemeChoice, FollowsSettingWindowsValueAndHighContrast) {
  const Palette high = high_contrast_palette(kSystem);
  EXPECT_EQ(high, (Palette{kSystem.button_face, kSystem.window, kSystem.button_face,
                           kSystem.window_text, kSystem.window_text, kSystem.window_text,
                           kSystem.highlight, kSystem.highlight}));
  // Setting, Windows value (-1: unreadable), high contrast; then dark.
  const int cases[][4] = {{0, 0, 0, 1}, {0, 1, 0, 0},  {0, -1, 0, 0}, {0, 7, 0, 0},  {1, 0, 0, 0},
                          {2, 1, 0, 1}, {2, -1, 0, 1}, {5, 0, 0, 0},  {-1, 0, 0, 0}, {2, 1, 1, 1},
                          {0, 0, 1, 1}, {1, 0, 1, 0},  {0, -1, 1, 0}};
  for (const auto& [setting, value, high_contrast, dark] : cases) {
    const AppsUseLightTheme windows =
        value < 0 ? std::nullopt : AppsUseLightTheme(static_cast<std::uint32_t>(value));
    const ThemeChoice choice = choose_theme(setting, windows, high_contrast, kSystem);
    EXPECT_EQ(choice.dark, bool(dark)) << setting << " " << value << " " << high_contrast;
    EXPECT_EQ(choice.high_contrast, bool(high_contrast));
    EXPECT_EQ(choice.palette, high_contrast ? high : dark ? kDarkPalette : kLightPalette);
    EXPECT_EQ(theme_is_dark(setting, windows), bool(dark));
  }
  EXPECT_STREQ(control_theme_name(true), L"DarkMode_Explorer");
  EXPECT_STREQ(control_theme_name(false), L"Explorer");
}

TEST(Palette, ColourHexIsLowerCaseRgbOfAColorref) {
  EXPECT_EQ(rgb(0xB3, 0x4D, 0x0D), 0x000D4DB3u);
  EXPECT_EQ(colour_hex(rgb(0x01, 0xAB, 0xFF)), L"#01abff");
  EXPECT_EQ(colour_hex(0), L"#000000");
  const Colour c = rgb(10, 20, 30);
  EXPECT_TRUE(red_of(c) == 10 && green_of(c) == 20 && blue_of(c) == 30);
}

TEST(ThemedChrome, EditFieldColours) {
  const ThemeChoice dark = choose_theme(2, 1u, false, kSystem);
  const ThemeChoice light = choose_theme(1, 0u, false, kSystem);
  const auto colours = [](const ThemeChoice& theme, bool focused) {
    const EditFieldColours c = edit_field_colours(theme, focused);
    return std::vector<Colour>{c.background, c.frame, c.text};
  };
  // The ordinary themes keep field colours of their own, readable under the theme's text, with a
  // frame that shows against the field and turns to the accent on focus.
  const auto light_sum = [](Colour c) { return red_of(c) + green_of(c) + blue_of(c); };
  for (const ThemeChoice& theme : {dark, light}) {
    const std::vector<Colour> c = colours(theme, false);
    EXPECT_EQ(c[2], theme.palette[palette_text]);
    EXPECT_EQ(light_sum(c[0]) < light_sum(c[2]), theme.dark);
    EXPECT_NE(c[1], c[0]);
    EXPECT_EQ(colours(theme, true),
              (std::vector<Colour>{c[0], theme.palette[palette_accent], c[2]}));
  }
  // A black high-contrast scheme while Windows asks apps for the light theme: the field must not
  // be white under white text.
  const SystemColours black{rgb(0, 0, 0), rgb(0, 0, 0), rgb(255, 255, 255), rgb(0, 255, 255)};
  const ThemeChoice contrast = choose_theme(0, 1u, true, black);
  EXPECT_EQ(colours(contrast, false),
            (std::vector<Colour>{rgb(0, 0, 0), rgb(255, 255, 255), rgb(255, 255, 255)}));
  EXPECT_EQ(colours(contrast, true)[1], rgb(0, 255, 255));
}

TEST(ThemedChrome, FontHeightsAndEditBoxClientRect) {
  for (const auto& [dpi, height] : {std::pair(96, -13), {120, -17}, {144, -20}, {192, -27}}) {
    EXPECT_EQ(ui_font_height(dpi), height) << dpi;
  }
  EXPECT_EQ(editor_font_height(12, 96), -16);
  EXPECT_EQ(editor_font_height(32, 144), -64);
  EXPECT_EQ(editor_font_height(8, 96), -11);
  const std::tuple<Rect, int, int, Rect> boxes[] = {
      // 30 pixels high, font 16: 7 above and below, 9 at the sides; odd room rounds down.
      {Rect{0, 0, 200, 30}, 16, 96, Rect{9, 7, 191, 23}},
      {Rect{10, 20, 110, 51}, 16, 96, Rect{19, 27, 101, 44}},
      {Rect{0, 0, 300, 45}, 25, 144, Rect{14, 10, 286, 35}},
      // A font as high as the box still leaves one pixel (at 96 DPI) of frame room.
      {Rect{0, 0, 100, 16}, 16, 96, Rect{9, 1, 91, 15}},
      {Rect{0, 0, 100, 16}, 20, 192, Rect{18, 2, 82, 14}},
      // Smaller than the padding: an empty client area in the middle, never an inverted one.
      {Rect{50, 50, 60, 51}, 16, 96, Rect{55, 50, 55, 50}},
      {Rect{0, 0, 80, 9}, 30, 480, Rect{40, 4, 40, 4}}};
  for (const auto& [proposed, font, dpi, client] : boxes) {
    EXPECT_EQ(edit_box_client_rect(proposed, font, dpi), client) << proposed.right << " " << dpi;
  }
}
