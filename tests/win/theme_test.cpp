// The appearance applied to a hidden main window of this process: palettes from the setting,
// the Windows app theme and high contrast; fonts, brushes and control colours; documents left
// untouched; the settings-change message; the themed edit boxes and popup-menu frames.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/win/app_window_fixture_win.h"
#include "ui/editor_win.h"
#include "ui/palette.h"
#include "ui/theme_win.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;

namespace {

constexpr wchar_t kPersonalizeKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// Sets or removes the Windows app-theme value for one test and puts the old state back.
class AppsThemeValue {
 public:
  AppsThemeValue() {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"AppsUseLightTheme", RRF_RT_REG_DWORD,
                     nullptr, &value, &size) == ERROR_SUCCESS) {
      saved_ = value;
    }
  }
  ~AppsThemeValue() { set(saved_); }
  AppsThemeValue(const AppsThemeValue&) = delete;
  AppsThemeValue& operator=(const AppsThemeValue&) = delete;

  static void set(std::optional<DWORD> value) {
    if (value) {
      RegSetKeyValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"AppsUseLightTheme", REG_DWORD, &*value,
                      sizeof(DWORD));
    } else {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"AppsUseLightTheme");
    }
  }

 private:
  std::optional<DWORD> saved_;
};

// The import library has no entry for it; comctl32 exports it by ordinal only.
bool subclass_data(HWND window, SUBCLASSPROC procedure, DWORD_PTR* data) {
  using Lookup = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR*);
  const auto lookup = reinterpret_cast<Lookup>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"comctl32.dll"), MAKEINTRESOURCEA(411))));
  return lookup != nullptr && lookup(window, procedure, 1, data);
}

struct EditorState {
  std::string text;
  bool modified = false;
  bool control_modified = false;
  bool can_undo = false;
  bool operator==(const EditorState&) const = default;
};

void PrintTo(const EditorState& s, std::ostream* out) {
  *out << "{\"" << s.text << "\", modified " << s.modified << ", control " << s.control_modified
       << ", undo " << s.can_undo << "}";
}

EditorState state_of(const Document& document) {
  return EditorState{richedit_text_utf8(document.editor), document.modified,
                     SendMessageW(document.editor, EM_GETMODIFY, 0, 0) != 0,
                     SendMessageW(document.editor, EM_CANUNDO, 0, 0) != 0};
}

Palette palette_of(const App& app) {
  Palette palette{};
  for (size_t i = 0; i < kPaletteSize; ++i) palette[i] = app.palette[i];
  return palette;
}

COLORREF brush_colour(HBRUSH brush) {
  LOGBRUSH info{};
  GetObjectW(brush, sizeof(info), &info);
  return info.lbColor;
}

LOGFONTW font_of(HFONT font) {
  LOGFONTW info{};
  GetObjectW(font, sizeof(info), &info);
  return info;
}

// The text colour of the first character, the selection kept.
COLORREF first_character_colour(HWND editor) {
  CHARRANGE kept{};
  SendMessageW(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&kept));
  SendMessageW(editor, EM_SETSEL, 0, 1);
  CHARFORMAT2W format{};
  format.cbSize = sizeof(format);
  SendMessageW(editor, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  SendMessageW(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&kept));
  return format.crTextColor;
}

class ThemeTest : public AppWindowTest {
 protected:
  void TearDown() override {
    set_high_contrast_override(std::nullopt);
    AppWindowTest::TearDown();
  }

  void switch_theme(int setting) {
    app_->theme = setting;
    app_->apply_theme();
    app_->build_menu();
  }

  // The colours a WM_CTLCOLOREDIT answer leaves on a DC, and the brush it returns.
  struct EditColours {
    COLORREF text;
    COLORREF background;
    COLORREF brush_colour;
    HBRUSH brush;
  };
  EditColours edit_colours() {
    const HDC dc = CreateCompatibleDC(nullptr);
    const auto brush = reinterpret_cast<HBRUSH>(send(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                                     reinterpret_cast<LPARAM>(app_->find_edit)));
    const EditColours colours{GetTextColor(dc), GetBkColor(dc), GetDCBrushColor(dc), brush};
    DeleteDC(dc);
    return colours;
  }

  AppsThemeValue windows_value_;
};

TEST_F(ThemeTest, SwitchingThemesKeepsTextModifiedMarkAndUndo) {
  Document& clean = add_document("# Clean\n\nSome text\n");
  Document& edited = add_document("# Edited\n");
  type_text(L"more words");
  ASSERT_TRUE(edited.modified);
  ASSERT_TRUE(SendMessageW(edited.editor, EM_CANUNDO, 0, 0));
  const EditorState clean_before = state_of(clean);
  const EditorState edited_before = state_of(edited);
  EXPECT_FALSE(clean_before.can_undo);

  for (const int setting : {2, 1, 0, 2, 1}) {
    SCOPED_TRACE(setting);
    switch_theme(setting);
    EXPECT_EQ(state_of(clean), clean_before);
    EXPECT_EQ(state_of(edited), edited_before);
    EXPECT_EQ(first_character_colour(clean.editor), app_->palette[palette_text]);
  }
  for (const int id : {cmd_theme_dark, cmd_theme_light, cmd_theme_system}) {
    SCOPED_TRACE(id);
    app_->on_command(id);
    EXPECT_EQ(app_->theme, id - cmd_theme_system);
    EXPECT_EQ(state_of(clean), clean_before);
    EXPECT_EQ(state_of(edited), edited_before);
  }
  EXPECT_FALSE(app_->suppress_change);

  // The one undo step left is the typing, not a colour change.
  SendMessageW(edited.editor, EM_UNDO, 0, 0);
  EXPECT_EQ(richedit_text_utf8(edited.editor), "# Edited\n");
}

TEST_F(ThemeTest, SettingAndWindowsValueChooseThePalette) {
  struct Case {
    int setting;
    std::optional<DWORD> windows;
    bool dark;
  };
  for (const Case c : {Case{0, 0u, true}, Case{0, 1u, false}, Case{0, std::nullopt, false},
                       Case{1, 0u, false}, Case{2, 1u, true}, Case{2, std::nullopt, true}}) {
    SCOPED_TRACE(testing::Message()
                 << "setting " << c.setting << ", windows " << c.windows.value_or(99));
    AppsThemeValue::set(c.windows);
    switch_theme(c.setting);
    EXPECT_EQ(app_->dark, c.dark);
    EXPECT_FALSE(app_->high_contrast);
    EXPECT_EQ(palette_of(*app_), c.dark ? kDarkPalette : kLightPalette);
  }
}

TEST_F(ThemeTest, BrushesFontsAndControlsFollowThePalette) {
  switch_theme(2);
  const HBRUSH old_background = app_->background_brush;
  const HFONT old_ui_font = app_->ui_font;
  switch_theme(1);
  EXPECT_EQ(GetObjectType(old_background), 0u);  // replaced ones are deleted
  EXPECT_EQ(GetObjectType(old_ui_font), 0u);

  EXPECT_EQ(brush_colour(app_->background_brush), kLightPalette[palette_background]);
  EXPECT_EQ(brush_colour(app_->surface_brush), kLightPalette[palette_surface]);
  MENUINFO menu{};
  menu.cbSize = sizeof(menu);
  menu.fMask = MIM_BACKGROUND;
  ASSERT_TRUE(GetMenuInfo(GetMenu(app_->main_window), &menu));
  EXPECT_EQ(menu.hbrBack, app_->background_brush);

  const LOGFONTW ui = font_of(app_->ui_font);
  EXPECT_EQ(ui.lfHeight, ui_font_height(app_->dpi));
  EXPECT_EQ(ui.lfWeight, 400);
  EXPECT_EQ(std::wstring(ui.lfFaceName), L"Segoe UI");
  EXPECT_EQ(font_of(app_->ui_bold_font).lfWeight, 600);
  const LOGFONTW editor = font_of(app_->editor_font);
  EXPECT_EQ(editor.lfHeight, editor_font_height(app_->font_size, app_->dpi));
  EXPECT_EQ(std::wstring(editor.lfFaceName), L"Cascadia Mono");
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(app_->status_bar, WM_GETFONT, 0, 0)),
            app_->ui_font);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(app_->find_edit, WM_GETFONT, 0, 0)),
            app_->ui_font);

  const HWND tree = app_->workspace_tree;
  EXPECT_EQ(static_cast<COLORREF>(SendMessageW(tree, TVM_GETBKCOLOR, 0, 0)),
            kLightPalette[palette_background]);
  EXPECT_EQ(static_cast<COLORREF>(SendMessageW(tree, TVM_GETTEXTCOLOR, 0, 0)),
            kLightPalette[palette_text]);
  EXPECT_EQ(static_cast<COLORREF>(SendMessageW(tree, TVM_GETLINECOLOR, 0, 0)),
            kLightPalette[palette_border]);
  // Without TVS_NONEVENHEIGHT the tree rounds an odd height down to an even one.
  EXPECT_EQ(SendMessageW(tree, TVM_GETITEMHEIGHT, 0, 0), app_->scale(29) & ~1);
  EXPECT_EQ(SendMessageW(app_->outline_list, LB_GETITEMHEIGHT, 0, 0), app_->scale(30));
  EXPECT_EQ(HIWORD(SendMessageW(app_->toolbar, TB_GETBUTTONSIZE, 0, 0)), app_->scale(34));
}

TEST_F(ThemeTest, ZoomChangesOnlyTheEditorFont) {
  add_document("text");
  const LONG ui_height = font_of(app_->ui_font).lfHeight;
  app_->on_command(cmd_zoom_in);
  EXPECT_EQ(app_->font_size, 13);
  EXPECT_EQ(font_of(app_->editor_font).lfHeight, editor_font_height(13, app_->dpi));
  EXPECT_EQ(font_of(app_->ui_font).lfHeight, ui_height);
  for (int i = 0; i < 30; ++i) app_->on_command(cmd_zoom_in);
  EXPECT_EQ(font_of(app_->editor_font).lfHeight, editor_font_height(32, app_->dpi));
  app_->on_command(cmd_reset_zoom);
  EXPECT_EQ(font_of(app_->editor_font).lfHeight, editor_font_height(12, app_->dpi));
  EXPECT_EQ(font_of(app_->ui_bold_font).lfHeight, ui_height);
}

TEST_F(ThemeTest, HighContrastTakesTheSystemColoursAndKeepsTheDarkFlag) {
  set_high_contrast_override(true);
  switch_theme(2);
  const SystemColours system{GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_WINDOW),
                             GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_HIGHLIGHT)};
  EXPECT_TRUE(app_->high_contrast);
  EXPECT_TRUE(app_->dark);
  EXPECT_EQ(palette_of(*app_), high_contrast_palette(system));
  EXPECT_EQ(brush_colour(app_->background_brush), system.button_face);

  // The find box stands on the system window colour, never on the fixed dark field.
  const EditColours colours = edit_colours();
  EXPECT_EQ(colours.background, system.window);
  EXPECT_EQ(colours.text, system.window_text);

  set_high_contrast_override(false);
  switch_theme(2);
  EXPECT_FALSE(app_->high_contrast);
  EXPECT_EQ(palette_of(*app_), kDarkPalette);
}

TEST_F(ThemeTest, EditColoursAnswerTheFieldColours) {
  switch_theme(2);
  EditColours colours = edit_colours();
  EXPECT_EQ(colours.brush, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  EXPECT_EQ(colours.background, RGB(38, 43, 52));
  EXPECT_EQ(colours.brush_colour, RGB(38, 43, 52));
  EXPECT_EQ(colours.text, kDarkPalette[palette_text]);
  switch_theme(1);
  colours = edit_colours();
  EXPECT_EQ(colours.background, RGB(255, 255, 255));
  EXPECT_EQ(colours.text, kLightPalette[palette_text]);
}

TEST_F(ThemeTest, FindBoxesAreBorderedPaddedAndSubclassedOnce) {
  app_->find_bar_visible = true;
  app_->find_replace_mode = true;
  app_->layout_panes();
  for (const HWND edit : {app_->find_edit, app_->replace_edit}) {
    EXPECT_TRUE(GetWindowLongW(edit, GWL_STYLE) & WS_BORDER);
    DWORD_PTR data = 0;
    EXPECT_TRUE(subclass_data(edit, edit_box_subclass_proc, &data));
    EXPECT_EQ(data, reinterpret_cast<DWORD_PTR>(app_.get()));

    RECT window{};
    GetWindowRect(edit, &window);
    RECT client{};
    GetClientRect(edit, &client);
    const LONG width = window.right - window.left;
    EXPECT_EQ(client.right, width - 2 * app_->scale(9));
    EXPECT_GT(client.bottom, 0);
    EXPECT_LT(client.bottom, window.bottom - window.top);

    app_->apply_theme();  // a second subclassing changes nothing
    RECT again{};
    GetClientRect(edit, &again);
    EXPECT_TRUE(EqualRect(&client, &again));
  }
}

TEST_F(ThemeTest, WindowsSettingChangeIsFollowedOnlyWhenTheSettingSaysSo) {
  AppsThemeValue::set(1u);
  switch_theme(0);
  ASSERT_FALSE(app_->dark);
  const HMENU first_menu = GetMenu(app_->main_window);
  AppsThemeValue::set(0u);
  send(WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  EXPECT_TRUE(app_->dark);
  EXPECT_EQ(palette_of(*app_), kDarkPalette);
  EXPECT_NE(GetMenu(app_->main_window), nullptr);
  EXPECT_NE(GetMenu(app_->main_window), first_menu);  // built again in the new colours

  switch_theme(1);
  const HMENU light_menu = GetMenu(app_->main_window);
  send(WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  EXPECT_FALSE(app_->dark);
  EXPECT_EQ(GetMenu(app_->main_window), light_menu);
}

TEST_F(ThemeTest, MenuHookFramesPopupMenusWhileTheMenuLoopRuns) {
  switch_theme(2);
  send(WM_ENTERMENULOOP, FALSE, 0);
  ASSERT_TRUE(menu_hook_installed());
  const HWND popup = CreateWindowExW(0, L"#32768", L"", WS_POPUP, 0, 0, 60, 40, nullptr, nullptr,
                                     nullptr, nullptr);
  ASSERT_NE(popup, nullptr);
  DWORD_PTR data = 0;
  EXPECT_TRUE(subclass_data(popup, menu_frame_subclass_proc, &data));
  EXPECT_EQ(data, reinterpret_cast<DWORD_PTR>(app_.get()));

  const HDC screen = GetDC(nullptr);
  const HDC dc = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, 60, 40);
  ReleaseDC(nullptr, screen);
  const HGDIOBJ previous = SelectObject(dc, bitmap);
  SendMessageW(popup, WM_PRINT, reinterpret_cast<WPARAM>(dc),
               PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
  EXPECT_EQ(GetPixel(dc, 0, 0), kDarkPalette[palette_border]);
  EXPECT_EQ(GetPixel(dc, 59, 39), kDarkPalette[palette_border]);
  EXPECT_EQ(GetPixel(dc, 1, 1), kDarkPalette[palette_background]);
  EXPECT_EQ(GetPixel(dc, 2, 20), kDarkPalette[palette_background]);
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  DestroyWindow(popup);

  send(WM_EXITMENULOOP, FALSE, 0);
  EXPECT_FALSE(menu_hook_installed());
  const HWND later = CreateWindowExW(0, L"#32768", L"", WS_POPUP, 0, 0, 60, 40, nullptr, nullptr,
                                     nullptr, nullptr);
  EXPECT_FALSE(subclass_data(later, menu_frame_subclass_proc, &data));
  DestroyWindow(later);
}

TEST_F(ThemeTest, DestroyingTheAppRemovesTheMenuHook) {
  app_->install_menu_hook();
  app_->install_menu_hook();  // a second call keeps the one hook
  ASSERT_TRUE(menu_hook_installed());
  release_main_window(*app_);
  app_.reset();
  EXPECT_FALSE(menu_hook_installed());
  app_ = std::make_unique<App>(
      GetModuleHandleW(nullptr), false,
      std::vector<std::wstring>{L"tavrel.exe", L"--profile", profile_.path().native()});
}

TEST(RedrawGuardTest, SwitchesRedrawOffAndBack) {
  const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                      nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  {
    const RedrawGuard guard(window);
    EXPECT_FALSE(GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE);  // how Windows marks redraw off
  }
  EXPECT_TRUE(GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE);
  { const RedrawGuard nothing(nullptr); }  // no window: nothing to switch
  DestroyWindow(window);
}

}  // namespace
