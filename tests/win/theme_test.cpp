// The appearance of a hidden main window: a theme switch leaves documents as they were, and the
// palette follows the setting and the Windows app theme, also when that changes.
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

void set_apps_theme(std::optional<DWORD> light) {
  if (light) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"AppsUseLightTheme", REG_DWORD, &*light,
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
  void TearDown() override {
    set_apps_theme(std::nullopt);
    AppWindowTest::TearDown();
  }
  bool palette_is(const Palette& expected) const {
    return std::equal(expected.begin(), expected.end(), app_->palette.begin());
  }
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
    send(WM_COMMAND, id);
    EXPECT_EQ(state_of(clean), clean_before);
    EXPECT_EQ(state_of(edited), edited_before);
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    SendMessageW(clean.editor, EM_SETSEL, 0, 1);
    SendMessageW(clean.editor, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    EXPECT_EQ(format.crTextColor, app_->palette[palette_text]);
  }
  SendMessageW(edited.editor, EM_UNDO, 0, 0);  // the one undo step left is the typing
  EXPECT_EQ(richedit_text_utf8(edited.editor), "# Edited\n");
}

// The setting chooses; "system" follows the Windows value, also when it changes later.
TEST_F(ThemeTest, SettingAndWindowsValueChooseThePalette) {
  struct Case {
    int command;
    std::optional<DWORD> light;
    bool dark;
    bool dark_after_change;
  };
  add_document();  // commands act on a window with a document
  for (const Case c :
       {Case{cmd_theme_system, 0u, true, false}, Case{cmd_theme_system, std::nullopt, false, true},
        Case{cmd_theme_light, 0u, false, false}, Case{cmd_theme_dark, 1u, true, true}}) {
    SCOPED_TRACE(testing::Message() << c.command << ", " << c.light.value_or(99));
    set_apps_theme(c.light);
    send(WM_COMMAND, c.command);
    EXPECT_EQ(app_->dark, c.dark);
    EXPECT_TRUE(palette_is(c.dark ? kDarkPalette : kLightPalette));
    set_apps_theme(c.light == 0u ? 1u : 0u);
    send(WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
    EXPECT_EQ(app_->dark, c.dark_after_change);
    EXPECT_NE(GetMenu(app_->main_window), nullptr);
  }
}
