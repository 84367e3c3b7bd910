// Commands of a hidden main window sent as the menu sends them: check marks, layout toggles
// without renders, when settings are saved and distraction-free mode.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/win/app_window_fixture_win.h"
#include "ui/menus_win.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;
using tavrel::test::read_bytes;

namespace {

class MenusTest : public AppWindowTest {
 protected:
  HMENU bar() const { return GetMenu(app_->main_window); }
  bool checked(UINT id) const { return (GetMenuState(bar(), id, MF_BYCOMMAND) & MF_CHECKED) != 0; }
  void command(int id) { send(WM_COMMAND, MAKEWPARAM(id, 0), 0); }

  // A document whose first render has been collected, so that later renders show.
  void settled_document() {
    add_document("text");
    finish_jobs();
    KillTimer(app_->main_window, timer_render);
  }

  std::optional<nlohmann::json> saved_settings() const {
    if (!std::filesystem::exists(profile_ / "settings.json")) return std::nullopt;
    return nlohmann::json::parse(read_bytes(profile_ / "settings.json"));
  }
};

}  // namespace

// Sixteen layout toggles keep the menu, start no render and save the settings once, later;
// other commands save at once and the checks follow the flags.
TEST_F(MenusTest, ToggleCommandsAndTheSettingsSave) {
  settled_document();
  const HMENU menu = bar();
  for (int i = 0; i < 8; ++i) {
    for (const int id : {cmd_workspace_sidebar, cmd_split_view}) {
      command(id);
      EXPECT_EQ(bar(), menu);
      EXPECT_FALSE(app_->render_future.valid());
    }
  }
  EXPECT_TRUE(app_->sidebar);
  EXPECT_FALSE(KillTimer(app_->main_window, timer_render));
  EXPECT_FALSE(saved_settings());
  EXPECT_TRUE(KillTimer(app_->main_window, timer_save_settings));

  command(cmd_sync_scroll);
  EXPECT_EQ(saved_settings()->at("sync"), false);
  EXPECT_FALSE(checked(cmd_sync_scroll));
}

TEST_F(MenusTest, DistractionFreeRemovesTheBarAndWindowsSettingsCannotBringItBack) {
  settled_document();
  RECT before{};
  GetWindowRect(app_->main_window, &before);
  const LONG style = GetWindowLongW(app_->main_window, GWL_STYLE);
  app_->theme = 0;
  command(cmd_distraction_free);
  EXPECT_EQ(bar(), nullptr);
  EXPECT_TRUE(app_->menu_items.empty());
  EXPECT_EQ(GetWindowLongW(app_->main_window, GWL_STYLE) & WS_CAPTION, 0);
  send(WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  command(cmd_language_vietnamese);  // no bar to rebuild in the new language yet
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
