// The appearance applied to a hidden main window: the palette chosen from the setting, the
// Windows app theme and high contrast; documents left untouched by a switch; the settings-change
// message; zoom; the popup-menu hook's lifetime.
#include <gtest/gtest.h>

#include <optional>

#include "tests/win/app_window_fixture_win.h"
#include "ui/palette.h"
#include "ui/theme_win.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;

namespace {

constexpr wchar_t kPersonalizeKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// Sets or removes the Windows app-theme value; the fixture puts the old state back.
void set_apps_theme(std::optional<DWORD> value) {
  if (value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"AppsUseLightTheme", REG_DWORD, &*value,
                    sizeof(DWORD));
  } else {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"AppsUseLightTheme");
  }
}

struct EditorState {
  std::string text;
  bool modified;
  bool control_modified;
  bool can_undo;
  bool operator==(const EditorState&) const = default;
};

EditorState state_of(const Document& document) {
  return EditorState{richedit_text_utf8(document.editor), document.modified,
                     SendMessageW(document.editor, EM_GETMODIFY, 0, 0) != 0,
                     SendMessageW(document.editor, EM_CANUNDO, 0, 0) != 0};
}

class ThemeTest : public AppWindowTest {
 protected:
  void SetUp() override {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"AppsUseLightTheme", RRF_RT_REG_DWORD,
                     nullptr, &value, &size) == ERROR_SUCCESS) {
      saved_ = value;
    }
    AppWindowTest::SetUp();
  }
  void TearDown() override {
    set_high_contrast_override(std::nullopt);
    set_apps_theme(saved_);
    AppWindowTest::TearDown();
  }

  void switch_theme(int setting) {
    app_->theme = setting;
    app_->apply_theme();
    app_->build_menu();
  }

  Palette palette() const {
    Palette palette{};
    std::copy(app_->palette.begin(), app_->palette.end(), palette.begin());
    return palette;
  }

  std::optional<DWORD> saved_;
};

}  // namespace

TEST_F(ThemeTest, SwitchingThemesKeepsTextModifiedMarkAndUndo) {
  Document& clean = add_document("# Clean\n\nSome text\n");
  Document& edited = add_document("# Edited\n");
  type_text(L"more words");
  const EditorState clean_before = state_of(clean);
  const EditorState edited_before = state_of(edited);
  ASSERT_TRUE(edited_before.modified && edited_before.can_undo && !clean_before.can_undo);
  for (const int id : {cmd_theme_dark, cmd_theme_light, cmd_theme_system, cmd_theme_dark}) {
    SCOPED_TRACE(id);
    app_->on_command(id);
    EXPECT_EQ(state_of(clean), clean_before);
    EXPECT_EQ(state_of(edited), edited_before);
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    SendMessageW(clean.editor, EM_SETSEL, 0, 1);
    SendMessageW(clean.editor, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    EXPECT_EQ(format.crTextColor, app_->palette[palette_text]);
  }
  EXPECT_FALSE(app_->suppress_change);
  SendMessageW(edited.editor, EM_UNDO, 0, 0);  // the one undo step left is the typing
  EXPECT_EQ(richedit_text_utf8(edited.editor), "# Edited\n");
}

TEST_F(ThemeTest, SettingWindowsValueAndHighContrastChooseThePalette) {
  struct Case {
    int setting;
    std::optional<DWORD> windows;
    bool dark;
  };
  for (const Case c : {Case{0, 0u, true}, Case{0, 1u, false}, Case{0, std::nullopt, false},
                       Case{1, 0u, false}, Case{2, 1u, true}, Case{2, std::nullopt, true}}) {
    SCOPED_TRACE(testing::Message() << c.setting << ", " << c.windows.value_or(99));
    set_apps_theme(c.windows);
    switch_theme(c.setting);
    EXPECT_EQ(app_->dark, c.dark);
    EXPECT_EQ(palette(), c.dark ? kDarkPalette : kLightPalette);
  }
  set_high_contrast_override(true);
  switch_theme(2);
  const SystemColours system{GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_WINDOW),
                             GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_HIGHLIGHT)};
  EXPECT_TRUE(app_->high_contrast);
  EXPECT_EQ(palette(), high_contrast_palette(system));
  // The find box stands on the system window colour, never on the fixed dark field.
  const HDC dc = CreateCompatibleDC(nullptr);
  send(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(app_->find_edit));
  EXPECT_EQ(GetBkColor(dc), system.window);
  EXPECT_EQ(GetTextColor(dc), system.window_text);
  DeleteDC(dc);
}

TEST_F(ThemeTest, WindowsSettingChangeIsFollowedOnlyWhenTheSettingSaysSo) {
  set_apps_theme(1u);
  switch_theme(0);
  ASSERT_FALSE(app_->dark);
  const HMENU first_menu = GetMenu(app_->main_window);
  set_apps_theme(0u);
  send(WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  EXPECT_TRUE(app_->dark);
  EXPECT_NE(GetMenu(app_->main_window), first_menu);  // built again in the new colours

  switch_theme(1);
  const HMENU light_menu = GetMenu(app_->main_window);
  send(WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  EXPECT_FALSE(app_->dark);
  EXPECT_EQ(GetMenu(app_->main_window), light_menu);
}

TEST_F(ThemeTest, ZoomChangesOnlyTheEditorFontWithinItsBounds) {
  add_document("text");
  const auto height = [](HFONT font) {
    LOGFONTW info{};
    GetObjectW(font, sizeof(info), &info);
    return info.lfHeight;
  };
  const LONG ui_height = height(app_->ui_font);
  for (int i = 0; i < 30; ++i) app_->on_command(cmd_zoom_in);
  EXPECT_EQ(height(app_->editor_font), editor_font_height(32, app_->dpi));
  EXPECT_EQ(height(app_->ui_font), ui_height);
  app_->on_command(cmd_reset_zoom);
  EXPECT_EQ(height(app_->editor_font), editor_font_height(12, app_->dpi));
}

TEST_F(ThemeTest, MenuHookLivesWhileTheMenuLoopRunsOrTheAppDoes) {
  send(WM_ENTERMENULOOP, FALSE, 0);
  EXPECT_TRUE(menu_hook_installed());
  send(WM_EXITMENULOOP, FALSE, 0);
  EXPECT_FALSE(menu_hook_installed());
  app_->install_menu_hook();
  app_->install_menu_hook();  // a second call keeps the one hook
  release_main_window(*app_);
  app_.reset();
  EXPECT_FALSE(menu_hook_installed());
}
