#pragma once
// The eight-colour palette of the three appearances, the choice between them, and the few other
// colours and numbers of the themed chrome. Colours are 24-bit values in the layout Windows uses
// for COLORREF (0x00BBGGRR), so the Win32 side passes them on unchanged.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "ui/layout.h"

namespace tavrel::win {

using Colour = std::uint32_t;

constexpr Colour rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<Colour>(red) | (static_cast<Colour>(green) << 8) |
         (static_cast<Colour>(blue) << 16);
}
constexpr std::uint8_t red_of(Colour colour) { return static_cast<std::uint8_t>(colour & 0xFF); }
constexpr std::uint8_t green_of(Colour colour) {
  return static_cast<std::uint8_t>((colour >> 8) & 0xFF);
}
constexpr std::uint8_t blue_of(Colour colour) {
  return static_cast<std::uint8_t>((colour >> 16) & 0xFF);
}

// The values of App::theme as settings.json stores them.
enum class ThemeSetting : int { System = 0, Light = 1, Dark = 2 };

// Roles of the palette entries, used as indices.
inline constexpr std::size_t palette_background = 0;  // window background
inline constexpr std::size_t palette_surface = 1;     // editors and preview
inline constexpr std::size_t palette_pane = 2;        // tab band, inactive tabs
inline constexpr std::size_t palette_text = 3;
inline constexpr std::size_t palette_muted_text = 4;
inline constexpr std::size_t palette_border = 5;
inline constexpr std::size_t palette_accent = 6;
inline constexpr std::size_t palette_accent_fill = 7;  // selection
inline constexpr std::size_t kPaletteSize = 8;

using Palette = std::array<Colour, kPaletteSize>;

inline constexpr Palette kDarkPalette{
    rgb(0x12, 0x18, 0x20), rgb(0x17, 0x1E, 0x28), rgb(0x1E, 0x27, 0x33), rgb(0xE0, 0xE7, 0xF0),
    rgb(0x8B, 0x9A, 0xAD), rgb(0x27, 0x32, 0x41), rgb(0xFF, 0xA7, 0x57), rgb(0x4F, 0x33, 0x20)};

inline constexpr Palette kLightPalette{
    rgb(0xF6, 0xF8, 0xFA), rgb(0xFF, 0xFF, 0xFF), rgb(0xEE, 0xF3, 0xF6), rgb(0x23, 0x2F, 0x3E),
    rgb(0x6D, 0x7B, 0x8D), rgb(0xE2, 0xE8, 0xED), rgb(0xB3, 0x4D, 0x0D), rgb(0xFF, 0xE9, 0xD4)};

// The system colours high contrast takes its palette from, as GetSysColor reports them at the
// moment the theme is applied.
struct SystemColours {
  Colour button_face = 0;  // COLOR_BTNFACE
  Colour window = 0;       // COLOR_WINDOW
  Colour window_text = 0;  // COLOR_WINDOWTEXT
  Colour highlight = 0;    // COLOR_HIGHLIGHT
};

Palette high_contrast_palette(const SystemColours& system);

// The Windows app-theme switch, "AppsUseLightTheme" under the current user's Personalize key:
// nothing when it could not be read, which counts as light.
using AppsUseLightTheme = std::optional<std::uint32_t>;

// Dark when the setting says dark, or follows Windows and Windows asks apps for the dark theme.
// A setting outside 0 to 2 (never stored after the settings repair) counts as light.
bool theme_is_dark(int theme_setting, AppsUseLightTheme windows_value);

struct ThemeChoice {
  Palette palette{};
  bool dark = false;           // title bar, control themes and preview colours follow this
  bool high_contrast = false;  // the palette came from the system colours
};

// The effective palette: the dark or light one, replaced by the system colours while high
// contrast is on (the dark flag keeps its own value then).
ThemeChoice choose_theme(int theme_setting, AppsUseLightTheme windows_value, bool high_contrast,
                         const SystemColours& system);

// The visual-style names given to the controls.
const wchar_t* control_theme_name(bool dark);

// DwmSetWindowAttribute ids for the frame: dark title bar (a 32-bit boolean) and caption colour.
inline constexpr std::uint32_t kDwmUseImmersiveDarkMode = 20;
inline constexpr std::uint32_t kDwmCaptionColour = 35;

// The find bar's edit boxes: the field and its frame, which turns to the accent while the box
// has the focus. In high contrast the field takes the system window colours, so that the text
// (the system window-text colour) always stands on its own background.
struct EditFieldColours {
  Colour background = 0;
  Colour frame = 0;
  Colour text = 0;
};
EditFieldColours edit_field_colours(const ThemeChoice& theme, bool focused);

// Font heights (negative: character height) at a DPI: the interface fonts are 10 points, the
// editor font follows the zoom.
int ui_font_height(int dpi);
int editor_font_height(int font_points, int dpi);

// The client area of a themed edit box inside its padded frame (WM_NCCALCSIZE): the proposed
// rectangle moved in by 9 pixels at 96 DPI at left and right, and at top and bottom by half the
// room the interface font leaves, at least 1 pixel at 96 DPI. A box too small for the padding
// gets an empty client area rather than an inverted one.
Rect edit_box_client_rect(const Rect& proposed, int font_height, int dpi);

// "#rrggbb" in lower-case hexadecimal, as the colour span of the text-colour command writes it.
std::wstring colour_hex(Colour colour);

}  // namespace tavrel::win
