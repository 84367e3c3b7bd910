#pragma once
// The owner-drawn menu bar and the command dispatcher's view of the App's flags.
#include <windows.h>

#include "core/app_win.h"
#include "ui/commands.h"

namespace tavrel::win {

// The flags the commands read and change, copied out of the App and back.
CommandState command_state(const App& app);
void store_command_state(App& app, const CommandState& state);

// The record behind a menu item (its item data); null for an item without one.
const MenuItem* menu_item_record(HMENU menu, UINT item, bool by_position);

// Distraction-free mode: the window fills its monitor without caption, frame or menu bar.
void enter_distraction_free(App& app);
void leave_distraction_free(App& app);

}  // namespace tavrel::win
