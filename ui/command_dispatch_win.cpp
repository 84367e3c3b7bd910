// The one dispatcher every command goes through (menus, toolbar, shortcuts, key bindings, the
// web editor and the self-test): the action of each command id, then the common follow-up that
// refreshes the menu, checks, layout and status bar and saves the settings.
#include <windows.h>
#include <richedit.h>

#include <filesystem>
#include <string>

#include "core/file_association_win.h"
#include "core/file_io_win.h"
#include "core/text_convert.h"
#include "ui/color_picker_win.h"
#include "ui/editor_swap_win.h"
#include "ui/editor_win.h"
#include "ui/export_win.h"
#include "ui/file_dialogs_win.h"
#include "ui/find_bar_win.h"
#include "ui/main_window_win.h"
#include "ui/menus_win.h"
#include "update/update_dialog_win.h"
#include "web/web_host_win.h"

namespace tavrel::win {
namespace {

void run_format_action(App& app, const FormatAction& action) {
  if (action.kind == FormatAction::Kind::PrefixLines) {
    app.prefix_selected_lines(action.prefix);
  } else {
    app.wrap_selection(action.prefix, action.suffix, action.placeholder);
  }
}

void run_state_effects(App& app, const StateEffects& effects) {
  if (effects.web_stop) web_stop(app);
  if (effects.apply_theme) app.apply_theme();
  if (effects.web_start) web_start(app);
  if (effects.apply_typewriter) app.apply_typewriter();
  if (effects.set_word_wrap) {
    for (const auto& document : app.documents) {
      for (const HWND editor : editors_of(*document)) richedit_apply_word_wrap(editor);
    }
  }
  if (effects.relabel_documents) {
    app.rebuild_tabs();
    app.update_title();
  }
}

// The flag commands: the new flags and what they ask of the App. False for every other id.
bool run_state_command(App& app, int id) {
  CommandState state = command_state(app);
  const std::optional<StateEffects> effects = apply_state_command(id, state);
  if (!effects) return false;
  store_command_state(app, state);
  if (id == cmd_vim_navigation || id == cmd_emacs_navigation) app.reset_key_modes();
  if (id == cmd_language_english || id == cmd_language_vietnamese) set_find_cue_banners(app);
  run_state_effects(app, *effects);
  return true;
}

// A name typed without an extension opens the Markdown file of that name.
void open_chosen_file(App& app) {
  if (const auto path = choose_file(app.main_window, false, kOpenFilter, kDocumentExtension, L""))
    app.open_path(*path);
}

void open_chosen_folder(App& app) {
  const auto folder = choose_folder(app.main_window);
  if (!folder) return;
  app.workspace_root = *folder;
  app.sidebar = true;
  app.scan_workspace();
}

void insert_chosen_image(App& app) {
  if (const auto path = choose_file(app.main_window, false, kImageFilter, nullptr, L"")) {
    app.insert_image_link(*path);
  }
}

void insert_text_colour(App& app) {
  const std::optional<COLORREF> colour = pick_text_color(app, app.palette[palette_accent]);
  if (colour) run_format_action(app, text_colour_action(*colour, app.vietnamese));
}

// An untitled document is saved first; when that is cancelled nothing is pinned and nothing is
// said.
void toggle_active_pin(App& app) {
  if (app.current_document()->path.empty()) app.save_document(false);
  const std::wstring& path = app.current_document()->path;
  if (path.empty()) return;
  toggle_pin(app.settings, to_utf8(path));
  app.set_status(pins_updated_status(app.vietnamese));
}

void edit_export_css(App& app) {
  const std::filesystem::path path = custom_css_path(app.profile_dir);
  if (custom_css_missing(path)) write_file_atomic(path, std::string(kDefaultCustomCss));
  app.open_path(path);
}

void send_to_editor(App& app, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  SendMessageW(app.current_document()->editor, message, wparam, lparam);
}

void run_dialog_command(App& app, int id) { app.run_dialog(static_cast<uint32_t>(id)); }

// The work of one command id; ids without any do nothing here.
void run_action(App& app, int id) {
  if (const std::optional<FormatAction> format = format_action(id, app.vietnamese)) {
    run_format_action(app, *format);
    return;
  }
  if (run_state_command(app, id)) return;
  switch (id) {
    case cmd_new:
      app.new_document(std::string());
      break;
    case cmd_open:
      open_chosen_file(app);
      break;
    case cmd_save:
      app.save_document(false);
      break;
    case cmd_save_as:
      app.save_document(true);
      break;
    case cmd_close_tab:
      app.close_document(app.active_document);
      break;
    case cmd_open_folder:
      open_chosen_folder(app);
      break;
    case cmd_exit:
      SendMessageW(app.main_window, WM_CLOSE, 0, 0);
      break;
    case cmd_undo:
      send_to_editor(app, EM_UNDO);
      break;
    case cmd_redo:
      send_to_editor(app, EM_REDO);
      break;
    case cmd_cut:
      send_to_editor(app, WM_CUT);
      break;
    case cmd_copy:
      send_to_editor(app, WM_COPY);
      break;
    case cmd_paste:
      send_to_editor(app, WM_PASTE);  // the editor's one way of pasting: an image or plain text
      break;
    case cmd_select_all:
      send_to_editor(app, EM_SETSEL, 0, -1);
      break;
    case cmd_find:
      show_find_bar(app, false);
      break;
    case cmd_replace:
      show_find_bar(app, true);
      break;
    case cmd_quick_open:
    case cmd_recent_pinned:
    case cmd_emoji:
    case cmd_settings:
    case cmd_licenses:
    case cmd_about:
    case cmd_document_history:
    case cmd_keyboard_shortcuts:
      run_dialog_command(app, id);
      break;
    case cmd_image:
      insert_chosen_image(app);
      break;
    case cmd_text_color:
      insert_text_colour(app);
      break;
    case cmd_distraction_free:
      if (app.distraction_free) {
        leave_distraction_free(app);
      } else {
        enter_distraction_free(app);
      }
      break;
    case cmd_export_html:
    case cmd_export_text:
    case cmd_export_docx:
    case cmd_export_png:
    case cmd_export_jpeg:
      export_document(app, id);
      break;
    case cmd_print:
      print_document(app);
      break;
    case cmd_associate_md_files:
      register_file_association(app);
      break;
    case cmd_open_home_page:
      app.open_link(kHomePageUrl);
      break;
    case cmd_pin_document:
      toggle_active_pin(app);
      break;
    case cmd_edit_export_css:
      edit_export_css(app);
      break;
    case cmd_check_updates:
      show_update_dialog(app);
      break;
    default:
      break;  // 133, 162 and ids outside the table: the follow-up only
  }
}

void run_follow_up(App& app, int id, int view_before) {
  const FollowUp plan =
      follow_up_plan(id, FollowUpContext{app.distraction_free, app.web_preview, view_before,
                                         app.view_mode, app.large_document});
  if (plan.rebuild_menu) app.build_menu();
  if (plan.rebuild_toolbar) app.rebuild_toolbar();
  app.sync_menu_checks();
  app.layout_panes();
  app.invalidate_status();
  if (plan.save_settings_later) {
    SetTimer(app.main_window, timer_save_settings, kSaveSettingsDelayMs, nullptr);
  } else {
    app.save_settings();
  }
  if (plan.send_web_document) web_send_document(app);
  if (plan.request_render) app.request_render();
}

}  // namespace

void App::on_command(int id) {
  const Dispatch kind = dispatch_kind(id, !documents.empty());
  if (kind == Dispatch::Ignore) return;
  if (!documents.empty())
    current_document();  // an invalid active index fails here, before any work
  if (web_send_command(*this, id)) return;
  const int view_before = view_mode;
  run_action(*this, id);
  if (kind == Dispatch::ActionOnly) return;
  if (main_window == nullptr || !IsWindow(main_window)) return;
  run_follow_up(*this, id, view_before);
}

// --- Distraction-free mode -------------------------------------------------------------------

void enter_distraction_free(App& app) {
  const HWND window = app.main_window;
  app.saved_window_style = static_cast<uint32_t>(GetWindowLongPtrW(window, GWL_STYLE));
  GetWindowRect(window, &app.saved_window_rect);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
    monitor.rcMonitor = app.saved_window_rect;  // no monitor to fill: stay where the window is
  }
  SetWindowLongPtrW(window, GWL_STYLE,
                    static_cast<LONG_PTR>(distraction_free_style(app.saved_window_style)));
  app.distraction_free = true;
  const HMENU menu = GetMenu(window);
  SetMenu(window, nullptr);
  if (menu != nullptr) DestroyMenu(menu);
  app.menu_items.clear();  // nothing points at them any more
  const RECT& screen = monitor.rcMonitor;
  SetWindowPos(window, nullptr, screen.left, screen.top, screen.right - screen.left,
               screen.bottom - screen.top, SWP_FRAMECHANGED);
}

void leave_distraction_free(App& app) {
  const HWND window = app.main_window;
  app.distraction_free = false;
  SetWindowLongPtrW(window, GWL_STYLE, static_cast<LONG_PTR>(app.saved_window_style));
  const auto restore_place = [&] {
    const RECT& saved = app.saved_window_rect;
    SetWindowPos(window, nullptr, saved.left, saved.top, saved.right - saved.left,
                 saved.bottom - saved.top, SWP_NOZORDER | SWP_FRAMECHANGED);
  };
  try {
    app.build_menu();
  } catch (...) {
    restore_place();  // a window with its frame back must not stay the size of the screen
    throw;
  }
  restore_place();
}

}  // namespace tavrel::win
