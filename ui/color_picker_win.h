#pragma once
// The Text color command's question: which colour.
#include <windows.h>

#include <optional>

namespace tavrel::win {

class App;

// The system colour dialog over the main window, opened on `initial`; nothing when cancelled.
// Its custom colours are kept for the rest of the run.
std::optional<COLORREF> pick_text_color(App& app, COLORREF initial);

}  // namespace tavrel::win
