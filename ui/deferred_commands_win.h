#pragma once
// The commands and services whose actions come later: the web preview and the work of the
// colour picker, export, printing, file association and update commands. Each moves to its
// own module's header when that module lands; until then ui/deferred_commands_win.cpp holds a
// stand-in that does nothing, or no more than keeps the window sound.
#include <windows.h>

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

// Commands whose work belongs to subsystems that are not built yet.
std::optional<COLORREF> pick_text_color(App& app, COLORREF initial);  // nothing: cancelled
void export_document(App& app, int command_id);
void print_document(App& app);
void register_file_association(App& app);
void show_update_dialog(App& app);

}  // namespace tavrel::win
