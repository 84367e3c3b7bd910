// The main window created in this process (hidden): the layout, the split bar, the error box,
// edits reaching the window procedure, menu commands, settings saves and themes.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <optional>
#include <tuple>

#include "core/documents_win.h"
#include "tests/win/app_window_fixture_win.h"
#include "ui/layout.h"
#include "ui/menus_win.h"
#include "ui/palette.h"
#include "ui/theme_win.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;
using tavrel::test::BoxWatcher;
using tavrel::test::has;
using tavrel::test::read_bytes;

namespace fs = std::filesystem;

namespace {

bool shown(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

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

// Text, modified mark, the control's own mark, undo available.
auto state_of(const Document& d) {
  return std::tuple{richedit_text_utf8(d.editor), d.modified,
                    SendMessageW(d.editor, EM_GETMODIFY, 0, 0) != 0,
                    SendMessageW(d.editor, EM_CANUNDO, 0, 0) != 0};
}

class MainWindowTest : public AppWindowTest {
 protected:
  void TearDown() override {
    set_apps_theme(std::nullopt);
    AppWindowTest::TearDown();
  }
  HMENU bar() const { return GetMenu(app_->main_window); }
  bool checked(UINT id) const { return (GetMenuState(bar(), id, MF_BYCOMMAND) & MF_CHECKED) != 0; }
  void command(int id) { send(WM_COMMAND, MAKEWPARAM(id, 0), 0); }

  std::optional<nlohmann::json> saved_settings() const {
    if (!fs::exists(profile_ / "settings.json")) return std::nullopt;
    return nlohmann::json::parse(read_bytes(profile_ / "settings.json"));
  }
  Rect place_of(HWND child) const {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, app_->main_window, reinterpret_cast<POINT*>(&r), 2);
    return Rect{r.left, r.top, r.right, r.bottom};
  }

  // Every pane with a window is where the pure layout says, and as visible.
  void expect_layout_applied() {
    const Layout layout = compute_layout(layout_input(*app_));
    for (size_t i = 0; i < kPaneCount; ++i) {
      const auto pane = static_cast<Pane>(i);
      if (pane_control_id(pane) == 0) continue;
      SCOPED_TRACE(pane_control_id(pane));
      const HWND window = GetDlgItem(app_->main_window, pane_control_id(pane));
      ASSERT_NE(window, nullptr);
      EXPECT_EQ(shown(window), layout.at(pane).shown);
      EXPECT_TRUE(!layout.at(pane).rect || place_of(window) == *layout.at(pane).rect);
    }
  }
};

}  // namespace

TEST_F(MainWindowTest, LayoutIsAppliedAndFollowsSizeDpiAndTheFindRow) {
  expect_layout_applied();
  app_->outline = true;
  SetWindowPos(app_->main_window, nullptr, 0, 0, 900, 600, SWP_NOZORDER | SWP_NOACTIVATE);
  app_->find_bar_visible = true;
  app_->find_replace_mode = true;
  app_->layout_panes();
  expect_layout_applied();
  const Rect find_box = place_of(app_->find_edit);
  const HWND close = GetDlgItem(app_->main_window, ctl_close_find);
  send(WM_COMMAND, MAKEWPARAM(ctl_close_find, BN_CLICKED), reinterpret_cast<LPARAM>(close));
  EXPECT_FALSE(shown(app_->find_edit));
  EXPECT_TRUE(place_of(app_->find_edit) == find_box);  // hidden where it was
  RECT suggested{10, 10, 1810, 1210};
  send(WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(app_->dpi, 144);
  expect_layout_applied();
}

// The percent's limits are the layout's; here: the drag follows the mouse until it is let go.
TEST_F(MainWindowTest, SplitterDragsUntilReleasedOrTheMouseIsLost) {
  for (const UINT end : {UINT(WM_LBUTTONUP), UINT(WM_CAPTURECHANGED)}) {
    const int split = compute_layout(layout_input(*app_)).split;
    send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(split + app_->scale(7), 300));
    send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(end == WM_LBUTTONUP ? 0 : 5000, 300));
    EXPECT_EQ(app_->split_percent, end == WM_LBUTTONUP ? 25 : 75);
    expect_layout_applied();
    send(end, 0, 0);
    send(WM_MOUSEMOVE, 0, MAKELPARAM(600, 300));
    EXPECT_EQ(app_->split_percent, end == WM_LBUTTONUP ? 25 : 75);
  }
}

TEST_F(MainWindowTest, FailuresShowTheErrorBoxWithInvalidTextShownLeniently) {
  BoxWatcher watcher;
  app_->show_error(std::runtime_error("bad \xFF byte"));
  add_document();
  app_->profile_dir = profile_ / "gone" / "deeper";     // custom.css cannot be written there
  EXPECT_EQ(send(WM_COMMAND, cmd_edit_export_css), 0);  // the handler's error stops at the window
  ASSERT_EQ(watcher.boxes().size(), 2u);
  EXPECT_TRUE(has(watcher.boxes()[0].text, L"bad \uFFFD byte"));
  EXPECT_EQ(watcher.boxes()[0].owner, app_->main_window);
  EXPECT_EQ(watcher.boxes()[1].title, L"Tavrel - Could not complete action");
}

// Only a change of the active editor, outside suppression, is an edit.
TEST_F(MainWindowTest, EditsOfTheActiveEditorMarkItAndArmTheTimers) {
  Document& other = add_document("other");
  Document& active = add_document("notes");
  active.path = (files_ / "notes.md").native();
  app_->status_text = L"Saved";
  SendMessageW(other.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"x"));
  EXPECT_FALSE(other.modified);
  {
    ChangeSuppression quiet(*app_);
    type_text(L"quiet");
  }
  EXPECT_TRUE(!active.modified && app_->status_text == L"Saved");
  type_text(L"!");
  EXPECT_TRUE(active.modified && active.revision == 1u && app_->status_text.empty());
  EXPECT_EQ(tab_texts().back(), L"* notes.md");
  EXPECT_TRUE(KillTimer(app_->main_window, timer_render));
  EXPECT_TRUE(KillTimer(app_->main_window, timer_recovery));
}

// A layout toggle starts no render and saves settings later; other commands save at once.
TEST_F(MainWindowTest, ToggleCommandsSettingsSavesAndDistractionFreeMode) {
  add_document("text");
  finish_jobs();  // the first render collected, so that a later render would show
  KillTimer(app_->main_window, timer_render);
  command(cmd_workspace_sidebar);
  EXPECT_FALSE(KillTimer(app_->main_window, timer_render));
  EXPECT_FALSE(saved_settings());
  EXPECT_TRUE(KillTimer(app_->main_window, timer_save_settings));
  command(cmd_sync_scroll);
  EXPECT_TRUE(saved_settings()->at("sync") == false && !checked(cmd_sync_scroll));
  RECT before{};
  GetWindowRect(app_->main_window, &before);
  const LONG style = GetWindowLongW(app_->main_window, GWL_STYLE);
  command(cmd_distraction_free);
  EXPECT_TRUE(bar() == nullptr && app_->menu_items.empty());
  EXPECT_EQ(GetWindowLongW(app_->main_window, GWL_STYLE) & WS_CAPTION, 0);
  send(WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  command(cmd_language_vietnamese);  // Windows settings and a language change bring no bar
  EXPECT_EQ(bar(), nullptr);
  command(cmd_distraction_free);
  ASSERT_NE(bar(), nullptr);
  EXPECT_EQ(menu_item_record(bar(), cmd_new, false)->text, L"T\u1EA1o m\u1EDBi\tCtrl+N");
  EXPECT_EQ(GetWindowLongW(app_->main_window, GWL_STYLE), style);
  RECT after{};
  GetWindowRect(app_->main_window, &after);
  EXPECT_TRUE(EqualRect(&before, &after));
  command(cmd_exit);
  EXPECT_FALSE(IsWindow(app_->main_window));
}

// The self-test checks the text of a clean document; here: an edited one keeps its mark and undo.
TEST_F(MainWindowTest, SwitchingThemesKeepsTextModifiedMarkAndUndo) {
  Document& edited = add_document("# Edited\n");
  type_text(L"more words");
  const auto before = state_of(edited);
  for (const int id : {cmd_theme_dark, cmd_theme_light}) {
    send(WM_COMMAND, id);
    EXPECT_EQ(state_of(edited), before) << id;
    EXPECT_EQ(colour_at(edited.editor, 0), app_->palette[palette_text]);
  }
  SendMessageW(edited.editor, EM_UNDO, 0, 0);  // the one undo step left is the typing
  EXPECT_EQ(richedit_text_utf8(edited.editor), "# Edited\n");
}

// The setting chooses; "system" follows the Windows value, also when it changes later.
TEST_F(MainWindowTest, SettingAndWindowsValueChooseThePalette) {
  const struct {
    int command;
    std::optional<DWORD> light;
    bool dark, dark_after_change;
  } cases[] = {{cmd_theme_system, 0u, true, false},
               {cmd_theme_system, std::nullopt, false, true},
               {cmd_theme_light, 0u, false, false}};
  add_document();  // commands act on a window with a document
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.command << ", " << c.light.value_or(99));
    set_apps_theme(c.light);
    send(WM_COMMAND, c.command);
    EXPECT_TRUE(app_->dark == c.dark && app_->palette[palette_text] ==
                                            (c.dark ? kDarkPalette : kLightPalette)[palette_text]);
    set_apps_theme(c.light == 0u ? 1u : 0u);
    send(WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
    EXPECT_EQ(app_->dark, c.dark_after_change);
  }
}
