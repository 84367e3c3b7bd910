// The colour question of the Text color command. Every theme asks with the system dialog; the
// sixteen custom colours the user mixes there last as long as the process.
#include <windows.h>
#include <commdlg.h>

#include <array>

#include "core/app_win.h"
#include "ui/color_picker_win.h"

namespace tavrel::win {

std::optional<COLORREF> pick_text_color(App& app, COLORREF initial) {
  static std::array<COLORREF, 16> custom_colours{};
  CHOOSECOLORW choice{};
  choice.lStructSize = sizeof(choice);
  choice.hwndOwner = app.main_window;
  choice.rgbResult = initial;
  choice.lpCustColors = custom_colours.data();
  choice.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (!ChooseColorW(&choice)) return std::nullopt;
  return choice.rgbResult;
}

}  // namespace tavrel::win
