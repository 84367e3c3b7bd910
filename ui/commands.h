#pragma once
// The user commands: their ids and bilingual menu texts, the six menus of the menu bar, the flags
// the view commands change, the snippets of the formatting commands, and what has to happen after
// a command ran. The Win32 side (App::build_menu, App::on_command) walks these plans and does the
// window work; nothing here touches a window.
#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ui/layout.h"
#include "ui/palette.h"

namespace tavrel::win {

inline constexpr int cmd_new = 100;
inline constexpr int cmd_open = 101;
inline constexpr int cmd_save = 102;
inline constexpr int cmd_save_as = 103;
inline constexpr int cmd_close_tab = 104;
inline constexpr int cmd_open_folder = 105;
inline constexpr int cmd_exit = 106;
inline constexpr int cmd_undo = 107;
inline constexpr int cmd_redo = 108;
inline constexpr int cmd_cut = 109;
inline constexpr int cmd_copy = 110;
inline constexpr int cmd_paste = 111;
inline constexpr int cmd_select_all = 112;
inline constexpr int cmd_find = 113;
inline constexpr int cmd_replace = 114;
inline constexpr int cmd_quick_open = 115;
inline constexpr int cmd_recent_pinned = 116;
inline constexpr int cmd_bold = 117;
inline constexpr int cmd_italic = 118;
inline constexpr int cmd_underline = 119;
inline constexpr int cmd_strikethrough = 120;
inline constexpr int cmd_heading = 121;
inline constexpr int cmd_link = 122;
inline constexpr int cmd_image = 123;
inline constexpr int cmd_code_block = 124;
inline constexpr int cmd_quote = 125;
inline constexpr int cmd_task_list = 126;
inline constexpr int cmd_table = 127;
inline constexpr int cmd_text_color = 128;
inline constexpr int cmd_emoji = 129;
inline constexpr int cmd_table_of_contents = 130;
inline constexpr int cmd_split_view = 131;
inline constexpr int cmd_editor_view = 132;
inline constexpr int cmd_visual_editor = 134;
inline constexpr int cmd_distraction_free = 135;
inline constexpr int cmd_workspace_sidebar = 136;
inline constexpr int cmd_outline = 137;
inline constexpr int cmd_typewriter = 138;
inline constexpr int cmd_word_wrap = 139;
inline constexpr int cmd_zoom_in = 140;
inline constexpr int cmd_zoom_out = 141;
inline constexpr int cmd_reset_zoom = 142;
inline constexpr int cmd_sync_scroll = 143;
inline constexpr int cmd_theme_system = 144;
inline constexpr int cmd_theme_light = 145;
inline constexpr int cmd_theme_dark = 146;
inline constexpr int cmd_language_english = 151;
inline constexpr int cmd_language_vietnamese = 152;
inline constexpr int cmd_auto_save = 153;
inline constexpr int cmd_settings = 154;
inline constexpr int cmd_export_html = 155;
inline constexpr int cmd_export_text = 156;
inline constexpr int cmd_export_docx = 157;
inline constexpr int cmd_export_png = 158;
inline constexpr int cmd_export_jpeg = 159;
inline constexpr int cmd_print = 160;
inline constexpr int cmd_associate_md_files = 161;
inline constexpr int cmd_licenses = 163;
inline constexpr int cmd_about = 164;
inline constexpr int cmd_open_home_page = 165;
inline constexpr int cmd_pin_document = 166;
inline constexpr int cmd_document_history = 167;
inline constexpr int cmd_advanced_preview = 168;
inline constexpr int cmd_edit_export_css = 169;
inline constexpr int cmd_keyboard_shortcuts = 170;
inline constexpr int cmd_vim_navigation = 171;
inline constexpr int cmd_emacs_navigation = 172;
inline constexpr int cmd_check_updates = 173;

inline constexpr int kFirstCommandId = 100;
inline constexpr int kLastCommandId = 173;

// The page opened by cmd_open_home_page.
inline constexpr wchar_t kHomePageUrl[] = L"https://tavrel.example/";

// One command. The menu texts hold the label and, after a tab, the accelerator hint; a single "&"
// in them is a literal ampersand. Both are null for a command without a menu entry.
struct CommandInfo {
  int id = 0;
  const char* name = nullptr;
  const wchar_t* english = nullptr;
  const wchar_t* vietnamese = nullptr;
};

// Every command, in id order. 133, 147 to 150 and 162 name none.
std::span<const CommandInfo> command_table();
const CommandInfo* find_command(int id);

// The menu text in the interface language; empty for an id without a menu entry.
std::wstring menu_text(int id, bool vietnamese);

// A menu text cut at its first tab: the label and the accelerator hint (empty when none).
struct MenuTextParts {
  std::wstring label;
  std::wstring accelerator;
};
MenuTextParts split_menu_text(std::wstring_view text);

// The string a native menu item must hold so that Windows shows each "&" of `text` as itself
// rather than taking it for a mnemonic marker.
std::wstring double_ampersands(std::wstring_view text);

// The data behind one owner-drawn menu item. `text` keeps single ampersands (it is drawn without
// prefix processing); `id` is 0 for a submenu entry and a separator.
struct MenuItem {
  std::wstring text;
  bool top_level = false;
  std::uint32_t id = 0;
  bool separator = false;
};

// One entry of the menu tree: a command, a separator, or (with children) a popup.
struct MenuNode {
  MenuItem item;
  std::vector<MenuNode> children;

  bool is_popup() const { return !children.empty(); }
};

// The six entries of the menu bar with their popups, in the interface language.
std::vector<MenuNode> menu_bar(bool vietnamese);

// The command ids of the menus in the order they appear, submenus included where they stand.
std::vector<int> menu_commands_in_order();

// The App flags the commands read and change.
struct CommandState {
  int view_mode = 1;
  bool web_preview = false;
  bool sidebar = true;
  bool outline = false;
  bool sync_scroll = true;
  bool word_wrap = true;
  bool typewriter = false;
  bool auto_save = false;
  bool vim = false;
  bool emacs = false;
  bool vim_insert = true;
  bool vietnamese = false;
  int theme = 0;
  int font_size = 12;
};

inline constexpr int kMinFontSize = 8;
inline constexpr int kMaxFontSize = 32;
inline constexpr int kDefaultFontSize = 12;

// The menu check marks for the flags, in the order they are set.
struct MenuCheck {
  int id = 0;
  bool checked = false;
};
std::vector<MenuCheck> menu_checks(const CommandState& state);

// The two toolbar buttons that stay pressed: split view and workspace sidebar.
std::array<MenuCheck, 2> toolbar_checks(const CommandState& state);

// What a command that only changes flags asks of the App besides the new flags, in this order:
// stop the web preview, apply the theme, start the web preview, then the rest.
struct StateEffects {
  bool web_stop = false;
  bool apply_theme = false;
  bool web_start = false;
  bool apply_typewriter = false;
  bool set_word_wrap = false;      // EM_SETTARGETDEVICE on every editor, see word_wrap_line_width
  bool relabel_documents = false;  // the title and the tab labels name untitled documents
};

// Applies a flag command to `state`; nothing for the ids whose action is not a change of flags.
std::optional<StateEffects> apply_state_command(int id, CommandState& state);

// The line width given to EM_SETTARGETDEVICE: 0 wraps at the window, 1 does not wrap.
int word_wrap_line_width(bool wrap);

// How far App::on_command goes with an id.
enum class Dispatch {
  Ignore,          // return at once
  ActionOnly,      // run the action, then return
  ActionThenTail,  // run the action (none for ids without one), then the common tail
};
Dispatch dispatch_kind(int id, bool has_document);

// The commands offered to the visual editor first; it takes them only while it is shown and ready.
bool is_visual_editor_command(int id);

// Split view, editor view, workspace sidebar and outline: their settings save waits for a pause.
bool is_layout_toggle(int id);

// The common tail after a command. Checks, layout and status bar are always refreshed.
struct FollowUpContext {
  bool distraction_free = false;  // after the action
  bool web_preview = false;       // after the action
  int view_before = 1;
  int view_after = 1;
  bool large_document = false;
};
struct FollowUp {
  bool rebuild_menu = false;
  bool rebuild_toolbar = false;
  bool save_settings_later = false;  // timer 5, 250 ms after the last such command
  bool save_settings_now = false;
  bool send_web_document = false;
  bool request_render = false;
};
FollowUp follow_up_plan(int id, const FollowUpContext& context);

// The snippet of a formatting command around the selection (Wrap) or before each selected line
// (PrefixLines, only `prefix` counts). Line breaks are CR LF.
struct FormatAction {
  enum class Kind { Wrap, PrefixLines };
  Kind kind = Kind::Wrap;
  std::wstring prefix;
  std::wstring suffix;
  std::wstring placeholder;
};
// For 117 to 122, 124 to 127 and 130; nothing for every other id.
std::optional<FormatAction> format_action(int id, bool vietnamese);
// The colour span of cmd_text_color once a colour was chosen.
FormatAction text_colour_action(Colour colour, bool vietnamese);

// cmd_pin_document over the settings object: removes `path_utf8` from "pins" when it is there
// (compared byte for byte), else appends it. Returns whether it is pinned afterwards. A "pins"
// member that is not a list of strings raises the JSON library's type error.
bool toggle_pin(nlohmann::json& settings, const std::string& path_utf8);
std::wstring pins_updated_status(bool vietnamese);

// cmd_edit_export_css: the file in the profile folder and the text it starts with.
inline constexpr std::string_view kDefaultCustomCss =
    "/* Tavrel standalone HTML styles */\nbody { font-family: system-ui, sans-serif; }\n";
std::filesystem::path custom_css_path(const std::filesystem::path& profile_dir);
// True when the file is absent. Any other failure to tell raises a filesystem error naming
// "exists".
bool custom_css_missing(const std::filesystem::path& path);

// Distraction-free mode takes caption, system menu, sizing frame and the minimise and maximise
// boxes off the window style.
inline constexpr std::uint32_t kDistractionFreeStyleMask = 0xCF0000;
std::uint32_t distraction_free_style(std::uint32_t style);

// Owner-drawn menu items (WM_MEASUREITEM and WM_DRAWITEM): the size of an item whose whole text
// is `text_extent` pixels wide in the interface font, and where its parts are drawn.
struct ItemSize {
  int width = 0;
  int height = 0;
};
ItemSize measure_menu_item(const MenuItem& item, int text_extent, int dpi);

struct MenuItemGeometry {
  Rect text;            // label at the left, accelerator right-aligned
  int check_left = 0;   // "✓" from here to the item's right edge
  int separator_y = 0;  // a separator's 1-pixel line
  int separator_left = 0;
  int separator_right = 0;
};
MenuItemGeometry menu_item_geometry(const MenuItem& item, const Rect& bounds, int dpi);

inline constexpr wchar_t kMenuCheckMark[] = L"\u2713";

}  // namespace tavrel::win
