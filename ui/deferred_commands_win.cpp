// Stand-ins for the commands and services whose actions come later: the toolbar, the
// association icon, clipboard images, emoji completion, the modal dialogs, shortcuts, image
// links and dropped files, the web preview, the colour picker, export and printing,
// file association, the update check, the self-test suite and the benchmark report.
//
// None of them pretends to do its work: each does nothing, or the least that keeps the window
// sound (a drop handle that is freed), and reports what it could not do where a caller would
// otherwise take silence for success. Each goes when the module that does the work lands.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <stdexcept>

#include "ui/deferred_commands_win.h"
#include "ui/main_window_win.h"

namespace tavrel::win {

// --- Toolbar and association icon ------------------------------------------------------------

void App::rebuild_toolbar() {}
void App::draw_toolbar_item(NMCUSTOMDRAW&) {}
void App::refresh_association_icon() {}

// --- Clipboard images, emoji, dialogs, keys, find bar, images --------------------------------

// No clipboard image is stored yet: a paste inserts the clipboard's text.
bool App::paste_image() { return false; }
void App::update_emoji_completion() {}
void App::run_dialog(uint32_t) {}
bool App::handle_shortcut(const MSG&) { return false; }
void App::accept_emoji_completion() {}
void App::insert_image_link(const std::filesystem::path&) {}
// The drop handle belongs to us once delivered; free it even though nothing is opened yet.
void App::on_drop_files(HDROP drop) { DragFinish(drop); }

// --- Web preview -----------------------------------------------------------------------------

void web_start(App&) {}
void web_send_document(App&) {}
void web_scroll_to(App&, double) {}
void web_update_bounds(App&) {}
bool web_focus(App&) { return false; }
// Without the visual editor every command stays with the native editor.
bool web_send_command(App&, int) { return false; }
void web_stop(App&) {}

// --- Commands of later subsystems --------------------------------------------------------------

// No colour can be chosen yet: the same as a cancelled picker, nothing is inserted.
std::optional<COLORREF> pick_text_color(App&, COLORREF) { return std::nullopt; }
void export_document(App&, int) {}
void print_document(App&) {}
void register_file_association(App&) {}
void show_update_dialog(App&) {}

// --- Test modes ------------------------------------------------------------------------------

// A self-test run must never report success for checks that do not exist.
void App::run_self_tests() { throw std::runtime_error("The self-test suite is not built yet"); }
void App::write_benchmark_report() {}

}  // namespace tavrel::win
