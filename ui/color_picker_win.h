#pragma once
// The Text color command's question: which colour.
#include <windows.h>

#include <optional>

namespace tavrel::win {

class App;

// In the dark theme the program's own dark picker, otherwise (and wherever the dark picker
// cannot start) the system colour dialog, both opened on `initial` over the main window.
// Nothing when cancelled. The system dialog's custom colours are kept for the rest of the run.
std::optional<COLORREF> pick_text_color(App& app, COLORREF initial);

// The dark picker alone; nothing also when Direct3D 11 could not start. The owner is disabled
// while it runs and enabled again on every way out.
std::optional<COLORREF> pick_dark_color(HWND owner, COLORREF initial, bool vietnamese,
                                        bool* started = nullptr);

// Where the dark picker's Apply button was drawn last, in client pixels of the window of class
// "Tavrel.DarkColor"; empty before the first frame. For driving the picker from outside.
RECT dark_picker_apply_rect(HWND picker);

}  // namespace tavrel::win
