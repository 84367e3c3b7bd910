#pragma once
// The one application object: every window handle, document, setting and mode of the program.
// Members keep the order in which they are declared here; later subsystems add theirs in place.
#include <windows.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "core/document_win.h"

namespace tavrel::win {

class App {
 public:
  App(HINSTANCE instance, bool smoke_test);
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  void load_settings();
  void save_settings();
  void add_recent(const std::filesystem::path& path);

  // Module and window handles; the windows die with the main window.
  HINSTANCE instance = nullptr;
  HWND main_window = nullptr;
  HWND toolbar = nullptr;
  HWND tab_control = nullptr;
  HWND preview_edit = nullptr;
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

  // Palette and view flags.
  std::array<COLORREF, 8> palette{};
  bool dark = false;
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
  bool splitter_drag = false;
  int32_t drag_tab = -1;
  std::wstring status_text;
  std::map<std::wstring, int> keybindings;

  // Update and benchmark.
  std::string update_url;
  bool benchmark = false;
  uint64_t start_tick = 0;
  uint64_t first_preview_tick = 0;
  uint64_t first_preview_cpu = 0;
};

// The command line split the way Windows splits it, program name first.
std::vector<std::wstring> command_line_arguments();

}  // namespace tavrel::win
