#include "ui/palette.h"

#include <algorithm>
#include <cstdio>

namespace tavrel::win {
namespace {

// The find bar's fields keep fixed colours of their own in the two ordinary themes.
constexpr Colour kDarkFieldBackground = rgb(38, 43, 52);
constexpr Colour kLightFieldBackground = rgb(255, 255, 255);
constexpr Colour kDarkFieldFrame = rgb(81, 90, 103);
constexpr Colour kLightFieldFrame = rgb(174, 184, 195);

constexpr int kInterfacePoints = 10;

}  // namespace

Palette high_contrast_palette(const SystemColours& system) {
  return Palette{system.button_face, system.window,      system.button_face, system.window_text,
                 system.window_text, system.window_text, system.highlight,   system.highlight};
}

bool theme_is_dark(int theme_setting, AppsUseLightTheme windows_value) {
  if (theme_setting == static_cast<int>(ThemeSetting::Dark)) return true;
  if (theme_setting != static_cast<int>(ThemeSetting::System)) return false;
  // An unreadable value leaves Windows' own default, light.
  return windows_value.value_or(1) == 0;
}

ThemeChoice choose_theme(int theme_setting, AppsUseLightTheme windows_value, bool high_contrast,
                         const SystemColours& system) {
  ThemeChoice choice;
  choice.dark = theme_is_dark(theme_setting, windows_value);
  choice.high_contrast = high_contrast;
  if (high_contrast) {
    choice.palette = high_contrast_palette(system);
  } else {
    choice.palette = choice.dark ? kDarkPalette : kLightPalette;
  }
  return choice;
}

const wchar_t* control_theme_name(bool dark) { return dark ? L"DarkMode_Explorer" : L"Explorer"; }

EditFieldColours edit_field_colours(const ThemeChoice& theme, bool focused) {
  EditFieldColours colours;
  colours.text = theme.palette[palette_text];
  if (theme.high_contrast) {
    // The fixed field colours could match the system text colour (white on white in a black
    // high-contrast scheme followed by a light app theme), so the field follows the system too.
    colours.background = theme.palette[palette_surface];
    colours.frame = theme.palette[palette_border];
  } else {
    colours.background = theme.dark ? kDarkFieldBackground : kLightFieldBackground;
    colours.frame = theme.dark ? kDarkFieldFrame : kLightFieldFrame;
  }
  if (focused) colours.frame = theme.palette[palette_accent];
  return colours;
}

int ui_font_height(int dpi) { return -mul_div(kInterfacePoints, dpi, 72); }

int editor_font_height(int font_points, int dpi) { return -mul_div(font_points, dpi, 72); }

Rect edit_box_client_rect(const Rect& proposed, int font_height, int dpi) {
  const int horizontal = scale_for_dpi(9, dpi);
  const int vertical = std::max(scale_for_dpi(1, dpi), (proposed.height() - font_height) / 2);
  Rect client{proposed.left + horizontal, proposed.top + vertical, proposed.right - horizontal,
              proposed.bottom - vertical};
  if (client.right < client.left) client.left = client.right = proposed.left + proposed.width() / 2;
  if (client.bottom < client.top) client.top = client.bottom = proposed.top + proposed.height() / 2;
  return client;
}

std::wstring colour_hex(Colour colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", red_of(colour), green_of(colour),
                blue_of(colour));
  return std::wstring(text, text + 7);
}

}  // namespace tavrel::win
