#pragma once
// The one application object: every window handle, document, setting and mode of the program.
// Members keep the order in which they are declared here; later subsystems add theirs in place.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <exception>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/document_win.h"
#include "core/workspace_scan.h"
#include "render/render_job.h"
#include "ui/emoji_completion.h"
#include "ui/commands.h"

namespace tavrel::win {

struct WebState;
struct DialogState;

class App {
 public:
  App(HINSTANCE instance, bool smoke_test);
  // The same with the command line given instead of read from the process (tests).
  App(HINSTANCE instance, bool smoke_test, const std::vector<std::wstring>& arguments);
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  void load_settings();
  void save_settings();  // a failure goes to the status bar
  void add_recent(const std::filesystem::path& path);

  // Failures of writes the user did not ask for (recovery and history snapshots, auto-save,
  // settings) go to the status bar, once for each cause until that cause succeeds again.
  void report_background_failure(const std::string& cause, const std::wstring& text);
  void clear_background_failure(const std::string& cause);

  // The main window and the small operations everything else uses.
  void create_window();
  void create_controls();
  int scale(int value) const;
  void set_status(std::wstring text);
  void invalidate_status();
  void update_title();
  void show_error(const std::exception& error);

  // Placement of the child windows, the split bar and the remembered focus.
  void layout_panes();
  void pad_editor_rect(HWND edit, int side, bool bottom);
  void remember_focus();
  void restore_focus();

  // Documents, recovery and workspace.
  bool open_path(const std::filesystem::path& path);
  void new_document(std::string text);
  void select_document(size_t index);
  Document* current_document();  // throws std::out_of_range outside the list
  std::optional<size_t> tab_of(const Document* document) const;  // none once it is closed
  void on_document_edited();
  // Its modified mark, a new revision and the recovery snapshot's timer; no render.
  void mark_edited(Document& document);
  bool close_document(size_t index);
  bool confirm_save_changes(Document* document);
  bool save_document(bool save_as);  // the active document
  bool save_document(Document& document, bool save_as);
  void remove_recovery_file(const Document& document);
  void save_history_snapshot(const std::filesystem::path& path);
  void restore_recovery();
  void save_recovery();
  void auto_save_documents();
  void scan_workspace();

  // Rendering and background jobs.
  void request_render();
  void poll_jobs();

  // Theme, menus, toolbar, tabs, outline and painting.
  void apply_theme();
  void theme_edit_box(HWND edit);
  HBRUSH on_ctl_color(HDC dc);
  void install_menu_hook();
  void build_menu();
  void add_menu_item(HMENU menu, uint32_t id, const wchar_t* text, bool top_level, HMENU submenu);
  void append_menu_separator(HMENU menu);
  void sync_menu_checks();
  void on_command(int id);
  void rebuild_toolbar();
  void draw_toolbar_item(NMCUSTOMDRAW& draw);
  void rebuild_tabs();
  void refresh_outline();
  void fill_workspace_tree();
  void goto_outline_entry(int index);
  void paint_panes();
  void paint_menu_bar_rule();
  bool draw_item(const DRAWITEMSTRUCT& item);  // false: not ours, default processing
  bool measure_item(MEASUREITEMSTRUCT& item);  // false: not ours, default processing
  void refresh_association_icon();

  // Editors, keys, find bar, emoji, images and links.
  HWND create_rich_edit(bool preview);
  void prefix_selected_lines(std::wstring prefix);
  void wrap_selection(std::wstring prefix, std::wstring suffix, std::wstring placeholder);
  void on_caret_moved();
  void apply_typewriter();
  bool paste_image();
  void update_emoji_completion();
  void run_dialog(uint32_t kind);
  void dialog_accept(DialogState& state);
  bool handle_shortcut(const MSG& message);
  bool handle_editor_keys(const MSG& message);  // the emoji popup and the Vim and Emacs modes
  void load_keybindings();
  void reset_key_modes();  // forgets the visual selection, the mark and a half-typed command
  void find_next();
  void replace_matches(bool all);
  void accept_emoji_completion();
  void insert_image_link(const std::filesystem::path& image);
  void on_drop_files(HDROP drop);
  void open_link(const std::wstring& url);

  // Test modes.
  void run_self_tests();
  void write_benchmark_report();

  // Module and window handles; the windows die with the main window.
  HINSTANCE instance = nullptr;
  HWND main_window = nullptr;
  HWND toolbar = nullptr;
  HWND tab_control = nullptr;
  HWND preview_edit = nullptr;
  // The editor whose text was put in from its Document::text and has not changed since (it
  // sent no change notice): the next render of it takes that text instead of reading it back.
  HWND editor_holding_text = nullptr;
  HWND workspace_tree = nullptr;
  HWND outline_list = nullptr;
  HWND status_bar = nullptr;
  HWND find_edit = nullptr;
  HWND replace_edit = nullptr;
  HWND match_case_button = nullptr;
  HWND regex_button = nullptr;

  // Fonts, brushes and icon.
  HFONT ui_font = nullptr;
  HFONT editor_font = nullptr;
  HFONT ui_bold_font = nullptr;
  HBRUSH background_brush = nullptr;
  HBRUSH surface_brush = nullptr;
  HICON app_icon = nullptr;

  // Documents and workspace.
  std::vector<std::unique_ptr<Document>> documents;
  size_t active_document = 0;
  std::vector<std::filesystem::path> workspace_files;
  std::vector<std::filesystem::path> workspace_tree_paths;
  std::filesystem::path workspace_root;
  std::filesystem::path profile_dir;

  // Records behind the owner-drawn menu items; their addresses are the items' data.
  std::vector<std::unique_ptr<MenuItem>> menu_items;

  // Palette and view flags.
  std::array<COLORREF, 8> palette{};
  bool dark = false;
  bool high_contrast = false;  // the palette came from the system colours
  bool vietnamese = false;
  bool sidebar = true;
  bool outline = false;
  bool sync_scroll = true;
  bool word_wrap = true;
  bool typewriter = false;
  bool auto_save = false;
  bool distraction_free = false;
  bool suppress_change = false;
  bool smoke_test = false;
  bool custom_profile = false;
  bool closing = false;
  bool find_bar_visible = false;
  bool find_replace_mode = false;
  bool vim = false;
  bool emacs = false;
  bool vim_insert = true;
  bool vim_visual = false;
  bool emacs_mark_active = false;

  // Modes and sizes.
  int32_t theme = 0;
  int32_t font_size = 12;
  int32_t dpi = 96;
  int32_t split_percent = 50;
  int32_t auto_save_seconds = 5;
  int32_t view_mode = 1;
  RECT saved_window_rect{};
  uint32_t saved_window_style = 0;

  // Settings and status.
  nlohmann::json settings;
  RenderedMarkdown rendered;
  TextStats stats;
  std::future<RenderResult> render_future;
  std::future<WorkspaceScan> scan_future;  // the result names the folder it was made for
  bool render_again = false;
  // How wide the last render request wrote the tables, fitted to the preview's text area then.
  uint32_t preview_table_twips = kDefaultTableTwips;
  // What the preview's content was rendered for, when it came whole from one render result.
  RenderLook preview_look;
  bool splitter_drag = false;
  int32_t drag_tab = -1;
  std::wstring status_text;
  std::map<std::wstring, int> keybindings;
  // Emoji completion: the list (made on first use), its rows, and where the typed ":" sits in
  // which editor.
  HWND emoji_popup = nullptr;
  std::vector<EmojiShortcode> emoji_matches;
  uint32_t emoji_start = 0;
  HWND emoji_editor = nullptr;
  int64_t emacs_mark = 0;            // also the fixed end of a Vim visual selection
  int64_t vim_visual_anchor = 0;     // the moving end of a Vim visual selection
  uint32_t vim_pending_key = 0;      // first key of a two-key Vim command; 0 when none
  std::wstring kill_buffer;          // the last Emacs kill; lives as long as the process
  bool settings_unreadable = false;  // settings.json is still the file that could not be read
  std::map<std::string, std::wstring> background_failures;  // cause -> the text shown for it
  std::wstring background_status;  // the status text the last of those failures left
  // Documents (id, path) whose auto-save already kept the file's version of this opening.
  std::set<std::pair<std::string, std::wstring>> auto_save_history_kept;

  // Web preview state and focus memory.
  std::shared_ptr<WebState> web;
  bool web_preview = false;
  bool large_document = false;
  HWND web_host = nullptr;
  HWND saved_focus = nullptr;
  bool saved_focus_web = false;

  // Update and benchmark.
  std::string update_url;
  bool benchmark = false;
  uint64_t start_tick = 0;
  uint64_t first_preview_tick = 0;
  uint64_t first_preview_cpu = 0;

  // The modal questions of the document operations; empty means the real message box and save
  // dialog. Tests answer them here instead of driving a modal window.
  std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)>
      message_box;
  std::function<std::optional<std::wstring>(HWND owner, const std::wstring& suggested)>
      choose_save_path;
};

// The command line split the way Windows splits it, program name first.
std::vector<std::wstring> command_line_arguments();

// The English or Vietnamese text, by the interface language.
inline const wchar_t* ui_text(const App& app, const wchar_t* english, const wchar_t* vietnamese) {
  return app.vietnamese ? vietnamese : english;
}

}  // namespace tavrel::win
