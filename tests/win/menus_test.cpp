// The owner-drawn menu bar and the command dispatcher of a hidden main window in this process:
// the menu records and native strings, check marks, the dispatcher's actions and follow-up,
// distraction-free mode, pins and custom.css.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/text_convert.h"
#include "tests/portable/test_support.h"
#include "tests/win/app_window_fixture_win.h"
#include "ui/editor_win.h"
#include "ui/menus_win.h"
#include "ui/paint_win.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;
using tavrel::test::read_bytes;

namespace {

std::wstring native_string(HMENU menu, UINT id) {
  wchar_t buffer[128] = {};
  GetMenuStringW(menu, id, buffer, 128, MF_BYCOMMAND);
  return buffer;
}

bool checked(HMENU menu, UINT id) {
  return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

std::vector<std::wstring> top_level_texts(HMENU bar) {
  std::vector<std::wstring> texts;
  for (int i = 0; i < GetMenuItemCount(bar); ++i) {
    const MenuItem* record = menu_item_record(bar, static_cast<UINT>(i), true);
    texts.push_back(record != nullptr && record->top_level ? record->text : L"?");
  }
  return texts;
}

class MenusTest : public AppWindowTest {
 protected:
  HMENU bar() const { return GetMenu(app_->main_window); }

  // A document whose first render has been collected, so that later renders show.
  Document& settled_document(const std::string& text = "text") {
    Document& document = add_document(text);
    if (app_->render_future.valid()) app_->render_future.wait();
    app_->poll_jobs();
    KillTimer(app_->main_window, timer_render);
    return document;
  }

  bool settings_timer_pending() { return KillTimer(app_->main_window, timer_save_settings) != 0; }
};

TEST_F(MenusTest, BarHasSixOwnerDrawnMenusInBothLanguages) {
  EXPECT_EQ(top_level_texts(bar()),
            (std::vector<std::wstring>{L"File", L"Edit", L"Format", L"View", L"Tools", L"Help"}));
  settled_document();
  app_->on_command(cmd_language_vietnamese);
  EXPECT_EQ(top_level_texts(bar()),
            (std::vector<std::wstring>{L"Tệp", L"Sửa", L"Định dạng", L"Hiển thị", L"Công cụ",
                                       L"Trợ giúp"}));
  EXPECT_EQ(menu_item_record(bar(), cmd_new, false)->text, L"Tạo mới\tCtrl+N");
  EXPECT_TRUE(checked(bar(), cmd_language_vietnamese));
  EXPECT_FALSE(checked(bar(), cmd_language_english));

  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE | MIIM_SUBMENU;
  ASSERT_TRUE(GetMenuItemInfoW(bar(), 0, TRUE, &info));
  EXPECT_TRUE(info.fType & MFT_OWNERDRAW);
  ASSERT_NE(info.hSubMenu, nullptr);
  const int file_items = GetMenuItemCount(info.hSubMenu);
  EXPECT_EQ(file_items, 16);  // 12 commands, the Export submenu and 3 separators
}

TEST_F(MenusTest, RecentItemKeepsALiteralAmpersand) {
  const MenuItem* record = menu_item_record(bar(), cmd_recent_pinned, false);
  ASSERT_NE(record, nullptr);
  EXPECT_NE(record->text.find(L" & "), std::wstring::npos);
  EXPECT_EQ(record->text.find(L"&&"), std::wstring::npos);
  const MenuTextParts drawn = menu_item_texts(*record);
  EXPECT_EQ(drawn.label, L"Recent & pinned...");
  EXPECT_EQ(drawn.accelerator, L"Ctrl+Shift+O");
  EXPECT_NE(native_string(bar(), cmd_recent_pinned).find(L"&&"), std::wstring::npos);
  EXPECT_EQ(native_string(bar(), cmd_recent_pinned), L"Recent && pinned...\tCtrl+Shift+O");
}

TEST_F(MenusTest, RecordsAreOwnedAndCoverEveryItem) {
  int theme_records = 0;
  int separators = 0;
  for (const auto& record : app_->menu_items) {
    if (record->id >= 144 && record->id <= 150) ++theme_records;
    if (record->separator) {
      ++separators;
      EXPECT_TRUE(record->text.empty());
    }
  }
  EXPECT_EQ(theme_records, 3);
  EXPECT_EQ(separators, 8);
  for (const int id : menu_commands_in_order()) {
    SCOPED_TRACE(id);
    const MenuItem* record = menu_item_record(bar(), static_cast<UINT>(id), false);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->id, static_cast<uint32_t>(id));
    EXPECT_EQ(record->text, menu_text(id, false));
  }

  // A rebuild replaces every record; the old ones are gone with the old bar.
  const size_t count = app_->menu_items.size();
  app_->build_menu();
  EXPECT_EQ(app_->menu_items.size(), count);
  EXPECT_EQ(menu_item_record(bar(), cmd_save, false), [&] {
    for (const auto& record : app_->menu_items) {
      if (record->id == cmd_save) return static_cast<const MenuItem*>(record.get());
    }
    return static_cast<const MenuItem*>(nullptr);
  }());
}

TEST_F(MenusTest, ChecksMirrorTheFlags) {
  settled_document();
  EXPECT_TRUE(checked(bar(), cmd_workspace_sidebar));
  EXPECT_TRUE(checked(bar(), cmd_split_view));
  EXPECT_FALSE(checked(bar(), cmd_editor_view));
  app_->on_command(cmd_workspace_sidebar);
  app_->on_command(cmd_editor_view);
  app_->on_command(cmd_auto_save);
  EXPECT_FALSE(checked(bar(), cmd_workspace_sidebar));
  EXPECT_FALSE(checked(bar(), cmd_split_view));
  EXPECT_TRUE(checked(bar(), cmd_editor_view));
  EXPECT_TRUE(checked(bar(), cmd_auto_save));
  app_->on_command(cmd_theme_dark);
  EXPECT_TRUE(checked(bar(), cmd_theme_dark));
  EXPECT_FALSE(checked(bar(), cmd_theme_system));
  EXPECT_FALSE(checked(bar(), cmd_theme_light));
}

TEST_F(MenusTest, SixteenLayoutTogglesKeepTheMenuAndStartNoRender) {
  settled_document();
  ASSERT_FALSE(app_->render_future.valid());
  const HMENU menu = bar();
  const bool sidebar = app_->sidebar;
  const int view = app_->view_mode;
  for (int i = 0; i < 8; ++i) {
    for (const int id : {cmd_workspace_sidebar, cmd_split_view}) {
      app_->on_command(id);
      EXPECT_EQ(bar(), menu);
      EXPECT_FALSE(app_->render_future.valid());
    }
  }
  EXPECT_EQ(app_->sidebar, sidebar);
  EXPECT_EQ(app_->view_mode, view);
  EXPECT_FALSE(KillTimer(app_->main_window, timer_render));
  EXPECT_TRUE(settings_timer_pending());
  EXPECT_FALSE(std::filesystem::exists(profile_ / "settings.json"));  // saved 250 ms after the last
}

TEST_F(MenusTest, OtherCommandsSaveTheSettingsAtOnce) {
  settled_document();
  app_->on_command(cmd_sync_scroll);
  EXPECT_FALSE(settings_timer_pending());
  const auto saved = nlohmann::json::parse(read_bytes(profile_ / "settings.json"));
  EXPECT_EQ(saved.at("sync"), false);
}

TEST_F(MenusTest, NoDocumentMeansOnlyNewAndOpen) {
  ASSERT_TRUE(app_->documents.empty());
  app_->on_command(cmd_auto_save);
  EXPECT_FALSE(app_->auto_save);
  EXPECT_FALSE(std::filesystem::exists(profile_ / "settings.json"));
  app_->on_command(cmd_new);
  EXPECT_EQ(app_->documents.size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(profile_ / "settings.json"));
}

TEST_F(MenusTest, IgnoredIdsDoNothingAndUnknownOnesOnlyFollowUp) {
  settled_document();
  for (const int id : {147, 148, 149, 150}) app_->on_command(id);
  EXPECT_FALSE(std::filesystem::exists(profile_ / "settings.json"));
  app_->on_command(133);
  EXPECT_TRUE(std::filesystem::exists(profile_ / "settings.json"));
}

TEST_F(MenusTest, FormattingCommandsEditTheActiveEditor) {
  Document& document = settled_document("");
  app_->on_command(cmd_bold);
  EXPECT_EQ(richedit_text_utf8(document.editor), "**bold text**");
  app_->vietnamese = true;
  SendMessageW(document.editor, EM_SETSEL, 0, -1);
  app_->on_command(cmd_italic);
  EXPECT_EQ(richedit_text_utf8(document.editor), "***bold text***");
  app_->on_command(cmd_undo);
  EXPECT_EQ(richedit_text_utf8(document.editor), "**bold text**");
  app_->on_command(cmd_select_all);
  CHARRANGE range{};
  SendMessageW(document.editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.cpMin, 0);
  EXPECT_GE(range.cpMax, 13);  // the control counts its final paragraph mark too
}

TEST_F(MenusTest, WordWrapAndVimFlagsComeBackFromTheCommandState) {
  settled_document();
  app_->emacs = true;
  app_->on_command(cmd_vim_navigation);
  EXPECT_TRUE(app_->vim);
  EXPECT_FALSE(app_->emacs);
  EXPECT_FALSE(app_->vim_insert);
  app_->on_command(cmd_word_wrap);
  EXPECT_FALSE(app_->word_wrap);
  EXPECT_FALSE(checked(bar(), cmd_word_wrap));
  EXPECT_TRUE(checked(bar(), cmd_vim_navigation));
}

TEST_F(MenusTest, PinningAnUntitledDocumentWhoseSaveIsCancelledChangesNothing) {
  settled_document();
  app_->choose_save_path = [](HWND, const std::wstring&) { return std::optional<std::wstring>(); };
  app_->on_command(cmd_pin_document);
  EXPECT_EQ(app_->settings.find("pins"), app_->settings.end());
  EXPECT_TRUE(app_->status_text.empty());
}

TEST_F(MenusTest, PinningTwiceLeavesThePinsAsTheyWere) {
  settled_document("pinned");
  const std::wstring path = (profile_ / "pinned.md").native();
  app_->choose_save_path = [&](HWND, const std::wstring&) {
    return std::optional<std::wstring>(path);
  };
  app_->settings["pins"] = nlohmann::json::array({"C:\\other.md"});
  app_->on_command(cmd_pin_document);
  const std::string saved_path = to_utf8(app_->current_document()->path);
  EXPECT_EQ(std::filesystem::path(app_->current_document()->path).filename(), "pinned.md");
  EXPECT_EQ(app_->settings["pins"], nlohmann::json::array({"C:\\other.md", saved_path}));
  EXPECT_EQ(app_->status_text, L"Pinned documents updated");
  app_->on_command(cmd_pin_document);
  EXPECT_EQ(app_->settings["pins"], nlohmann::json::array({"C:\\other.md"}));
  const auto saved = nlohmann::json::parse(read_bytes(profile_ / "settings.json"));
  EXPECT_EQ(saved.at("pins"), nlohmann::json::array({"C:\\other.md"}));

  app_->settings["pins"] = "not a list";  // the error reaches the caller, the settings stay unsaved
  EXPECT_THROW(app_->on_command(cmd_pin_document), nlohmann::json::exception);
}

TEST_F(MenusTest, EditExportCssCreatesTheFileOnceAndOpensIt) {
  settled_document();
  const std::filesystem::path css = profile_ / "custom.css";
  app_->on_command(cmd_edit_export_css);
  EXPECT_EQ(read_bytes(css), std::string(kDefaultCustomCss));
  EXPECT_EQ(read_bytes(css).size(), 81u);
  ASSERT_EQ(app_->documents.size(), 2u);
  EXPECT_EQ(std::filesystem::path(app_->current_document()->path).filename(), "custom.css");

  tavrel::test::write_bytes(css, "body { color: red; }\n");
  app_->on_command(cmd_close_tab);
  app_->on_command(cmd_edit_export_css);
  EXPECT_EQ(read_bytes(css), "body { color: red; }\n");  // an existing file is never overwritten
}

TEST_F(MenusTest, DistractionFreeRemovesTheBarAndWindowsSettingsCannotBringItBack) {
  settled_document();
  RECT before{};
  GetWindowRect(app_->main_window, &before);
  const LONG style = GetWindowLongW(app_->main_window, GWL_STYLE);
  app_->theme = 0;

  app_->on_command(cmd_distraction_free);
  EXPECT_TRUE(app_->distraction_free);
  EXPECT_EQ(bar(), nullptr);
  EXPECT_TRUE(app_->menu_items.empty());
  EXPECT_EQ(GetWindowLongW(app_->main_window, GWL_STYLE) & 0xCF0000, 0);

  send(WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  EXPECT_EQ(bar(), nullptr);
  EXPECT_TRUE(app_->menu_items.empty());
  app_->on_command(cmd_language_vietnamese);  // no bar to rebuild in the new language yet
  EXPECT_EQ(bar(), nullptr);

  app_->on_command(cmd_distraction_free);
  EXPECT_FALSE(app_->distraction_free);
  ASSERT_NE(bar(), nullptr);
  EXPECT_EQ(top_level_texts(bar()).front(), L"Tệp");
  EXPECT_EQ(GetWindowLongW(app_->main_window, GWL_STYLE), style);
  RECT after{};
  GetWindowRect(app_->main_window, &after);
  EXPECT_TRUE(EqualRect(&before, &after));
  EXPECT_TRUE(checked(bar(), cmd_split_view));
}

TEST_F(MenusTest, ExitClosesTheWindowWithoutTheFollowUp) {
  settled_document();
  app_->on_command(cmd_exit);
  EXPECT_FALSE(IsWindow(app_->main_window));
}

}  // namespace
