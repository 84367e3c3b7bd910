// Stand-ins for the services whose work comes later: the web preview.
//
// None of them pretends to do its work: each does nothing, or the least that keeps the window
// sound, and reports what it could not do where a caller would otherwise take silence for
// success. Each goes when the module that does the work lands.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "ui/deferred_commands_win.h"
#include "ui/main_window_win.h"

namespace tavrel::win {

// --- Web preview -----------------------------------------------------------------------------

void web_start(App&) {}
void web_send_document(App&) {}
void web_scroll_to(App&, double) {}
void web_update_bounds(App&) {}
bool web_focus(App&) { return false; }
// Without the visual editor every command stays with the native editor.
bool web_send_command(App&, int) { return false; }
void web_stop(App&) {}
// Without the web renderer, images and prints take the native route.
bool web_export_image(App&, const std::filesystem::path&, bool) { return false; }
bool web_print(App&) { return false; }

}  // namespace tavrel::win
