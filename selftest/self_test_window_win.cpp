// Self-test steps on the window itself: start-up, settings repair, shortcuts, themes, menu,
// layouts, layout toggles, hidden panes and focus.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <string>
#include <utility>

#include "core/file_io_win.h"
#include "selftest/self_test_win.h"
#include "render/rtf_writer.h"
#include "ui/editor_win.h"
#include "ui/find_bar_win.h"

namespace tavrel::win::selftest {

namespace {

void load_settings_text(App& app, const std::string& text) {
  write_file_atomic(app.profile_dir / L"settings.json", text);
  app.load_settings();
}

int toolbar_button_height(App& app, int command) {
  RECT rect{};
  SendMessageW(app.toolbar, TB_GETRECT, command, reinterpret_cast<LPARAM>(&rect));
  return rect.bottom - rect.top;
}

void activate(App& app, WORD state) {
  SendMessageW(app.main_window, WM_ACTIVATE, MAKEWPARAM(state, 0), 0);
}

}  // namespace

void check_startup(Suite& suite) {
  App& app = suite.app;
  require(!app.documents.empty() && suite.editor() != nullptr, "Editor was not created");
  require(!app.rendered.blocks.empty(), "Initial preview did not render");
  require(app.sidebar && !app.outline, "Default panels are incorrect");
}

void check_settings_repair(Suite& suite) {
  App& app = suite.app;
  const nlohmann::json kept = app.settings;
  load_settings_text(app, "[]");
  require(app.settings.is_object(), "Non-object settings were not repaired");
  load_settings_text(
      app, R"({"theme":"bad","fontSize":null,"recent":[1],"wrap":[],"keybindings":false})");
  require(
      app.theme == 0 && app.font_size == 12 && app.word_wrap && !app.settings.contains("recent"),
      "Malformed setting values were not repaired");
  load_settings_text(app, R"({"view":2,"sidebar":false,"outline":true})");
  require(app.view_mode == 1 && app.sidebar && !app.outline, "Legacy layout did not migrate");
  load_settings_text(app, R"({"layoutVersion":1,"sidebar":false,"outline":true,"view":0})");
  require(!app.sidebar && app.outline && app.view_mode == 0,
          "Saved layout choices were overwritten after migration");
  const std::pair<int, int> themes[] = {{6, 2}, {-1, 0}, {0, 0}, {1, 1},
                                        {2, 2}, {3, 2},  {4, 1}, {5, 2}};
  for (const auto& [stored, expected] : themes) {
    load_settings_text(app, nlohmann::json{{"theme", stored}}.dump());
    require(app.theme == expected,
            "Saved theme did not migrate to one of the three supported choices");
  }
  load_settings_text(app, kept.dump());
}

void check_keybindings(Suite& suite) {
  App& app = suite.app;
  const nlohmann::json kept = app.settings;
  app.settings["keybindings"] = {{"Ctrl+Alt+1", 147}, {"Ctrl+Alt+2", 151}};
  app.load_keybindings();
  const auto kept_binding = app.keybindings.find(L"CTRL+ALT+2");
  require(!app.keybindings.contains(L"CTRL+ALT+1") && kept_binding != app.keybindings.end() &&
              kept_binding->second == 151,
          "Retired theme shortcut was accepted or existing language command changed");
  app.settings = kept;
  app.load_keybindings();
}

void check_themes(Suite& suite) {
  App& app = suite.app;
  const std::string text = suite.text();
  for (int theme : {0, 1, 2}) {
    app.theme = theme;
    app.apply_theme();
    app.build_menu();
    require(toolbar_button_height(app, 131) == app.scale(34), "Theme changed the toolbar height");
    require(!app.current_document()->modified, "Theme change marked document dirty");
    require(suite.text() == text, "Theme change altered Markdown");
  }
}

void check_menu(Suite& suite) {
  App& app = suite.app;
  int themes = 0;
  const MenuItem* recent = nullptr;
  for (const auto& item : app.menu_items) {
    if (item->id >= 144 && item->id <= 150) ++themes;
    if (item->id == 116) recent = item.get();
  }
  require(themes == 3, "Appearance menu contains unsupported themes");
  require(recent != nullptr && recent->text.find(L" & ") != std::wstring::npos &&
              recent->text.find(L"&&") == std::wstring::npos,
          "Owner-drawn Recent label lost its literal ampersand");
  wchar_t native[256] = {};
  GetMenuStringW(GetMenu(app.main_window), 116, native, 256, MF_BYCOMMAND);
  require(std::wstring(native).find(L"&&") != std::wstring::npos,
          "Native menu metadata treats the literal ampersand as a mnemonic");
}

void check_layouts(Suite& suite) {
  App& app = suite.app;
  for (int view : {1, 0}) {
    app.view_mode = view;
    app.layout_panes();
    const RECT client = client_rect(suite.editor());
    require(client.right > 100 && client.bottom > 100, "Editor collapsed during layout");
  }
}

void check_layout_toggles(Suite& suite) {
  App& app = suite.app;
  const HMENU menu = GetMenu(app.main_window);
  const std::string text = suite.text();
  const ULONGLONG start = GetTickCount64();
  for (int round = 0; round < 8; ++round) {
    app.on_command(136);
    app.on_command(131);
    const RECT tabs = window_rect(app.tab_control);
    const RECT editor = window_rect(suite.editor());
    require(tabs.left == editor.left - app.scale(18) && tabs.bottom <= editor.top,
            "File tabs are not aligned above the editor");
    if (app.sidebar) {
      require(tabs.left >= window_rect(app.workspace_tree).right,
              "File tabs overlap the file tree");
    }
    require(GetMenu(app.main_window) == menu, "Layout toggle recreated the menu");
    require(suite.text() == text, "Layout toggle changed the document");
  }
  suite.figures.layout_toggle_ms = GetTickCount64() - start;
  require(!app.render_future.valid(), "Layout-only toggles started another Markdown parse");
}

void check_hidden_panes(Suite& suite) {
  App& app = suite.app;
  app.view_mode = 1;
  app.layout_panes();
  const LONG split_width = client_rect(suite.editor()).right;
  app.on_command(131);
  require(app.view_mode == 0 && client_rect(suite.editor()).right > split_width,
          "Split toggle did not expand the editor");
  richedit_stream_rtf(app.preview_edit, render_rtf(app.rendered, app.dark, 11));
  app.refresh_outline();
  require(!has_style_visible(app.preview_edit), "Rendering made hidden preview visible");
  require(!has_style_visible(app.outline_list), "Updating made hidden outline visible");
  app.apply_theme();
  require(!has_style_visible(app.preview_edit), "Theme change made hidden preview visible");
  app.on_command(131);
  require(app.view_mode == 1 && has_style_visible(app.preview_edit),
          "Split toggle did not restore preview");
  app.on_command(132);
}

void check_focus(Suite& suite) {
  App& app = suite.app;
  app.new_document("# Native test\n\nXin chào 🌿\n\nalpha 12\nalpha 34\n");
  SendMessageW(suite.editor(), EM_SETSEL, 2, 8);
  SetFocus(suite.editor());
  activate(app, WA_INACTIVE);
  SetFocus(nullptr);
  activate(app, WA_ACTIVE);
  require(GetFocus() == suite.editor(), "Reactivation did not restore editor focus");
  DWORD start = 0, end = 0;
  SendMessageW(suite.editor(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  require(start == 2 && end == 8, "Reactivation changed the editor selection");
  show_find_bar(app, false);
  SetFocus(app.find_edit);
  activate(app, WA_INACTIVE);
  activate(app, WA_ACTIVE);
  require(GetFocus() == app.find_edit, "Reactivation stole focus from the find field");
  app.find_bar_visible = false;
  app.layout_panes();
  SetFocus(nullptr);
  SendMessageW(app.main_window, WM_SETFOCUS, 0, 0);
  require(GetFocus() == suite.editor(), "Hidden find field prevented editor focus fallback");
  EnableWindow(app.main_window, FALSE);
  SetFocus(nullptr);
  activate(app, WA_ACTIVE);
  const bool stolen = GetFocus() != nullptr;
  EnableWindow(app.main_window, TRUE);
  require(!stolen, "Disabled owner stole keyboard focus from a modal window");
}

}  // namespace tavrel::win::selftest
