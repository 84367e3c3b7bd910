#pragma once
// The services whose work comes later: the web preview. Each moves to its own module's header
// when that module lands; until then ui/deferred_commands_win.cpp holds a stand-in that does
// nothing, or no more than keeps the window sound.
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

#include "core/app_win.h"

namespace tavrel::win {

void web_start(App& app);
void web_send_document(App& app);
void web_scroll_to(App& app, double fraction);
void web_update_bounds(App& app);
bool web_focus(App& app);
// The visual editor takes a command only while it is shown and ready; false: not taken.
bool web_send_command(App& app, int id);
void web_stop(App& app);
// Image export and printing through the web renderer; false: not taken, the native route runs.
bool web_export_image(App& app, const std::filesystem::path& target, bool jpeg);
bool web_print(App& app);

}  // namespace tavrel::win
