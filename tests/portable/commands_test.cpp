#include "ui/commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "tests/portable/test_support.h"

using namespace tavrel::win;

namespace {

// The tree as one line: titles, command ids, "-" for separators, popups in brackets.
std::wstring describe(const std::vector<MenuNode>& nodes) {
  std::wstring out;
  for (const MenuNode& node : nodes) {
    if (!out.empty()) out += L",";
    if (node.item.separator) {
      out += L"-";
    } else if (node.is_popup()) {
      out += node.item.text + L"[" + describe(node.children) + L"]";
    } else {
      out += std::to_wstring(node.item.id);
    }
  }
  return out;
}

void collect_items(const std::vector<MenuNode>& nodes, std::vector<const MenuItem*>& items) {
  for (const MenuNode& node : nodes) {
    items.push_back(&node.item);
    collect_items(node.children, items);
  }
}

// --- The command table -----------------------------------------------------------------------

TEST(CommandTable, IdsAreUniqueAscendingAndInRange) {
  std::set<int> ids;
  int previous = 0;
  for (const CommandInfo& info : command_table()) {
    EXPECT_GT(info.id, previous);
    previous = info.id;
    EXPECT_GE(info.id, kFirstCommandId);
    EXPECT_LE(info.id, kLastCommandId);
    ids.insert(info.id);
    EXPECT_EQ(find_command(info.id), &info);
  }
  EXPECT_EQ(ids.size(), 68u);
  for (int gap : {133, 147, 148, 149, 150, 162, 99, 174, 5000}) {
    EXPECT_EQ(find_command(gap), nullptr) << gap;
    EXPECT_EQ(menu_text(gap, false), L"") << gap;
  }
}

TEST(CommandTable, NamesAreUniqueCommandNames) {
  std::set<std::string> names;
  for (const CommandInfo& info : command_table()) {
    const std::string name = info.name;
    EXPECT_EQ(name.rfind("cmd_", 0), 0u) << name;
    EXPECT_TRUE(names.insert(name).second) << name;
  }
  EXPECT_STREQ(find_command(cmd_recent_pinned)->name, "cmd_recent_pinned");
  EXPECT_STREQ(find_command(cmd_check_updates)->name, "cmd_check_updates");
}

TEST(CommandTable, EveryMenuCommandHasBothLabels) {
  const std::vector<int> in_menus = menu_commands_in_order();
  const std::set<int> menu_ids(in_menus.begin(), in_menus.end());
  EXPECT_EQ(menu_ids.size(), in_menus.size()) << "a command appears twice in the menus";
  for (const int id : in_menus) {
    const CommandInfo* info = find_command(id);
    ASSERT_NE(info, nullptr) << id;
    ASSERT_NE(info->english, nullptr) << id;
    ASSERT_NE(info->vietnamese, nullptr) << id;
    EXPECT_FALSE(split_menu_text(info->english).label.empty()) << id;
    EXPECT_FALSE(split_menu_text(info->vietnamese).label.empty()) << id;
    // The accelerator hint is the same key in both languages.
    EXPECT_EQ(split_menu_text(info->english).accelerator,
              split_menu_text(info->vietnamese).accelerator)
        << id;
  }
  // Every command with a label has its menu entry; only the home page has neither.
  for (const CommandInfo& info : command_table()) {
    EXPECT_EQ(info.english != nullptr, menu_ids.count(info.id) == 1) << info.id;
    EXPECT_EQ(info.english != nullptr, info.vietnamese != nullptr) << info.id;
  }
  EXPECT_EQ(menu_ids.size(), 67u);
  EXPECT_EQ(menu_ids.count(cmd_open_home_page), 0u);
}

TEST(CommandTable, LabelsInBothLanguages) {
  EXPECT_EQ(menu_text(cmd_new, false), L"New\tCtrl+N");
  EXPECT_EQ(menu_text(cmd_new, true), L"Tạo mới\tCtrl+N");
  EXPECT_EQ(menu_text(cmd_quick_open, true), L"Tìm nhanh tài liệu...\tCtrl+P");
  EXPECT_EQ(menu_text(cmd_advanced_preview, true), L"Preview nâng cao\tF8");
  EXPECT_EQ(menu_text(cmd_export_docx, false), L"Word document (.docx)...");
  EXPECT_EQ(menu_text(cmd_associate_md_files, true), L"Mở file .md bằng Tavrel...");
  // The language entries read the same whatever the language.
  for (bool vietnamese : {false, true}) {
    EXPECT_EQ(menu_text(cmd_language_english, vietnamese), L"English");
    EXPECT_EQ(menu_text(cmd_language_vietnamese, vietnamese), L"Tiếng Việt");
  }
}

TEST(MenuText, SplitsAtTheFirstTab) {
  MenuTextParts parts = split_menu_text(menu_text(cmd_split_view, false));
  EXPECT_EQ(parts.label, L"Split view");
  EXPECT_EQ(parts.accelerator, L"Ctrl+\\");
  const std::wstring zoom = menu_text(cmd_zoom_in, true);
  parts = split_menu_text(zoom);
  EXPECT_EQ(parts.label, L"Phóng to");
  EXPECT_EQ(parts.accelerator, L"Ctrl++");
  parts = split_menu_text(L"Image...");
  EXPECT_EQ(parts.label, L"Image...");
  EXPECT_TRUE(parts.accelerator.empty());
  parts = split_menu_text(L"a\tb\tc");
  EXPECT_EQ(parts.label, L"a");
  EXPECT_EQ(parts.accelerator, L"b\tc");
}

// --- Literal ampersands ----------------------------------------------------------------------

TEST(MenuText, RecentItemKeepsItsLiteralAmpersand) {
  for (bool vietnamese : {false, true}) {
    const std::wstring owner_drawn = menu_text(cmd_recent_pinned, vietnamese);
    EXPECT_NE(owner_drawn.find(L" & "), std::wstring::npos);
    EXPECT_EQ(owner_drawn.find(L"&&"), std::wstring::npos);
    const std::wstring native = double_ampersands(owner_drawn);
    EXPECT_NE(native.find(L" && "), std::wstring::npos);
  }
  EXPECT_EQ(double_ampersands(menu_text(cmd_recent_pinned, false)),
            L"Recent && pinned...\tCtrl+Shift+O");
}

TEST(MenuText, DoublesEveryAmpersandAndNothingElse) {
  EXPECT_EQ(double_ampersands(L""), L"");
  EXPECT_EQ(double_ampersands(L"Save\tCtrl+S"), L"Save\tCtrl+S");
  EXPECT_EQ(double_ampersands(L"&"), L"&&");
  EXPECT_EQ(double_ampersands(L"a&&b&"), L"a&&&&b&&");
  // Every menu label but the Recent one is free of ampersands, so its native string is itself.
  for (const CommandInfo& info : command_table()) {
    if (info.english == nullptr || info.id == cmd_recent_pinned) continue;
    EXPECT_EQ(double_ampersands(info.english), info.english) << info.id;
    EXPECT_EQ(double_ampersands(info.vietnamese), info.vietnamese) << info.id;
  }
}

// --- The menu bar ----------------------------------------------------------------------------

TEST(MenuBar, StructureInEnglish) {
  EXPECT_EQ(describe(menu_bar(false)),
            L"File[100,101,105,115,116,-,102,103,153,166,167,-,"
            L"Export[155,157,156,158,159,160],-,104,106],"
            L"Edit[107,108,-,109,110,111,112,-,113,114],"
            L"Format[117,118,119,120,121,122,123,124,125,126,127,128,129,130],"
            L"View[131,132,134,168,-,136,137,143,139,138,135,-,140,141,142,"
            L"Appearance[144,145,146],Language[151,152]],"
            L"Tools[154,161,169,170,171,172],"
            L"Help[173,-,163,164]");
}

TEST(MenuBar, StructureInVietnamese) {
  EXPECT_EQ(describe(menu_bar(true)),
            L"Tệp[100,101,105,115,116,-,102,103,153,166,167,-,"
            L"Xuất tài liệu[155,157,156,158,159,160],-,104,106],"
            L"Sửa[107,108,-,109,110,111,112,-,113,114],"
            L"Định dạng[117,118,119,120,121,122,123,124,125,126,127,128,129,130],"
            L"Hiển thị[131,132,134,168,-,136,137,143,139,138,135,-,140,141,142,"
            L"Giao diện[144,145,146],Ngôn ngữ[151,152]],"
            L"Công cụ[154,161,169,170,171,172],"
            L"Trợ giúp[173,-,163,164]");
}

TEST(MenuBar, RecordsFollowTheMenuItemRules) {
  for (bool vietnamese : {false, true}) {
    const std::vector<MenuNode> bar = menu_bar(vietnamese);
    ASSERT_EQ(bar.size(), 6u);
    for (const MenuNode& top : bar) {
      EXPECT_TRUE(top.item.top_level);
      EXPECT_EQ(top.item.id, 0u);
      EXPECT_TRUE(top.is_popup());
    }
    std::vector<const MenuItem*> items;
    for (const MenuNode& top : bar) collect_items(top.children, items);
    int appearance_records = 0;
    for (const MenuItem* item : items) {
      EXPECT_FALSE(item->top_level);
      if (item->separator) {
        EXPECT_EQ(item->id, 0u);
        EXPECT_TRUE(item->text.empty());
      } else if (item->id != 0) {
        EXPECT_EQ(item->text, menu_text(static_cast<int>(item->id), vietnamese));
      } else {
        EXPECT_FALSE(item->text.empty());  // a submenu entry
      }
      if (item->id >= 144 && item->id <= 150) ++appearance_records;
    }
    EXPECT_EQ(appearance_records, 3);
  }
}

TEST(MenuBar, CommandOrderForTheActionList) {
  const std::vector<int> order = menu_commands_in_order();
  ASSERT_EQ(order.size(), 67u);
  EXPECT_EQ(std::vector<int>(order.begin(), order.begin() + 12),
            (std::vector<int>{100, 101, 105, 115, 116, 102, 103, 153, 166, 167, 155, 157}));
  EXPECT_EQ(order.back(), cmd_about);
}

// --- Check marks -----------------------------------------------------------------------------

bool checked(const std::vector<MenuCheck>& checks, int id) {
  int found = 0;
  bool value = false;
  for (const MenuCheck& check : checks) {
    if (check.id == id) {
      ++found;
      value = check.checked;
    }
  }
  EXPECT_EQ(found, 1) << id;
  return value;
}

TEST(MenuChecks, MirrorTheFlags) {
  CommandState state;
  state.view_mode = 3;
  state.web_preview = true;
  state.vim = true;
  state.vietnamese = true;
  state.theme = 2;
  state.sidebar = false;
  const std::vector<MenuCheck> checks = menu_checks(state);
  EXPECT_EQ(checks.size(), 17u);
  EXPECT_TRUE(checked(checks, cmd_visual_editor));
  EXPECT_FALSE(checked(checks, cmd_split_view));
  EXPECT_FALSE(checked(checks, cmd_editor_view));
  EXPECT_TRUE(checked(checks, cmd_advanced_preview));
  EXPECT_TRUE(checked(checks, cmd_vim_navigation));
  EXPECT_FALSE(checked(checks, cmd_emacs_navigation));
  EXPECT_TRUE(checked(checks, cmd_language_vietnamese));
  EXPECT_FALSE(checked(checks, cmd_language_english));
  EXPECT_FALSE(checked(checks, cmd_workspace_sidebar));
  EXPECT_TRUE(checked(checks, cmd_word_wrap));
  for (int theme = 0; theme <= 2; ++theme) {
    state.theme = theme;
    const std::vector<MenuCheck> marks = menu_checks(state);
    for (int id = cmd_theme_system; id <= cmd_theme_dark; ++id) {
      EXPECT_EQ(checked(marks, id), id == cmd_theme_system + theme);
    }
  }
  const auto buttons = toolbar_checks(state);
  EXPECT_EQ(buttons[0].id, cmd_split_view);
  EXPECT_FALSE(buttons[0].checked);
  EXPECT_EQ(buttons[1].id, cmd_workspace_sidebar);
  EXPECT_FALSE(buttons[1].checked);
}

// --- Flag commands ---------------------------------------------------------------------------

TEST(StateCommands, ViewModes) {
  for (const auto& [from, to] : std::vector<std::pair<int, int>>{{0, 1}, {3, 1}, {1, 0}}) {
    CommandState state;
    state.view_mode = from;
    ASSERT_TRUE(apply_state_command(cmd_split_view, state));
    EXPECT_EQ(state.view_mode, to) << from;
  }
  CommandState state;
  state.view_mode = 3;
  state.web_preview = true;
  apply_state_command(cmd_editor_view, state);
  EXPECT_EQ(state.view_mode, 0);
  EXPECT_TRUE(state.web_preview);
}

TEST(StateCommands, VisualEditorAndAdvancedPreview) {
  CommandState state;
  StateEffects effects = *apply_state_command(cmd_visual_editor, state);
  EXPECT_EQ(state.view_mode, 3);
  EXPECT_TRUE(state.web_preview);
  EXPECT_TRUE(effects.web_start);
  EXPECT_FALSE(effects.web_stop || effects.apply_theme);

  effects = *apply_state_command(cmd_visual_editor, state);
  EXPECT_EQ(state.view_mode, 0);
  EXPECT_FALSE(state.web_preview);
  EXPECT_TRUE(effects.web_stop && effects.apply_theme);
  EXPECT_FALSE(effects.web_start);

  effects = *apply_state_command(cmd_advanced_preview, state);
  EXPECT_TRUE(state.web_preview && effects.web_start && !effects.web_stop);
  effects = *apply_state_command(cmd_advanced_preview, state);
  EXPECT_TRUE(!state.web_preview && effects.web_stop && !effects.web_start);
}

TEST(StateCommands, ZoomStaysBetween8And32) {
  CommandState state;
  state.font_size = 32;
  EXPECT_TRUE(apply_state_command(cmd_zoom_in, state)->apply_theme);
  EXPECT_EQ(state.font_size, 32);
  state.font_size = 31;
  apply_state_command(cmd_zoom_in, state);
  EXPECT_EQ(state.font_size, 32);
  state.font_size = 8;
  apply_state_command(cmd_zoom_out, state);
  EXPECT_EQ(state.font_size, 8);
  state.font_size = 20;
  apply_state_command(cmd_zoom_out, state);
  EXPECT_EQ(state.font_size, 19);
  EXPECT_TRUE(apply_state_command(cmd_reset_zoom, state)->apply_theme);
  EXPECT_EQ(state.font_size, 12);
}

TEST(StateCommands, VimAndEmacsNeverBothOn) {
  CommandState state;
  state.emacs = true;
  state.vim_insert = true;
  apply_state_command(cmd_vim_navigation, state);
  EXPECT_TRUE(state.vim);
  EXPECT_FALSE(state.emacs);
  EXPECT_FALSE(state.vim_insert);  // normal state
  apply_state_command(cmd_vim_navigation, state);
  EXPECT_FALSE(state.vim);
  EXPECT_TRUE(state.vim_insert);
  apply_state_command(cmd_vim_navigation, state);
  state.vim_insert = false;
  apply_state_command(cmd_emacs_navigation, state);
  EXPECT_TRUE(state.emacs);
  EXPECT_FALSE(state.vim);
  EXPECT_FALSE(state.vim_insert);
}

TEST(StateCommands, ThemesLanguagesAndToggles) {
  CommandState state;
  for (int id = cmd_theme_system; id <= cmd_theme_dark; ++id) {
    EXPECT_TRUE(apply_state_command(id, state)->apply_theme);
    EXPECT_EQ(state.theme, id - cmd_theme_system);
  }
  EXPECT_TRUE(apply_state_command(cmd_language_vietnamese, state)->update_title);
  EXPECT_TRUE(state.vietnamese);
  apply_state_command(cmd_language_english, state);
  EXPECT_FALSE(state.vietnamese);
  EXPECT_TRUE(apply_state_command(cmd_typewriter, state)->apply_typewriter);
  EXPECT_TRUE(state.typewriter);
  EXPECT_TRUE(apply_state_command(cmd_word_wrap, state)->set_word_wrap);
  EXPECT_FALSE(state.word_wrap);
  EXPECT_EQ(word_wrap_line_width(state.word_wrap), 1);
  EXPECT_EQ(word_wrap_line_width(true), 0);
  apply_state_command(cmd_workspace_sidebar, state);
  apply_state_command(cmd_outline, state);
  apply_state_command(cmd_sync_scroll, state);
  apply_state_command(cmd_auto_save, state);
  EXPECT_FALSE(state.sidebar);
  EXPECT_TRUE(state.outline);
  EXPECT_FALSE(state.sync_scroll);
  EXPECT_TRUE(state.auto_save);
  for (int id : {cmd_bold, cmd_save, cmd_distraction_free, cmd_pin_document, 133, 147}) {
    CommandState untouched;
    EXPECT_FALSE(apply_state_command(id, untouched).has_value()) << id;
  }
}

// --- Dispatch and the common tail ------------------------------------------------------------

TEST(Dispatch, WhatRunsWithAndWithoutADocument) {
  for (int id = 147; id <= 150; ++id) {
    EXPECT_EQ(dispatch_kind(id, true), Dispatch::Ignore);
  }
  for (int id : {cmd_exit, cmd_find, cmd_replace}) {
    EXPECT_EQ(dispatch_kind(id, true), Dispatch::ActionOnly);
    EXPECT_EQ(dispatch_kind(id, false), Dispatch::Ignore);
  }
  EXPECT_EQ(dispatch_kind(cmd_new, false), Dispatch::ActionThenTail);
  EXPECT_EQ(dispatch_kind(cmd_open, false), Dispatch::ActionThenTail);
  EXPECT_EQ(dispatch_kind(cmd_save, false), Dispatch::Ignore);
  EXPECT_EQ(dispatch_kind(cmd_save, true), Dispatch::ActionThenTail);
  EXPECT_EQ(dispatch_kind(133, true), Dispatch::ActionThenTail);
  EXPECT_EQ(dispatch_kind(162, true), Dispatch::ActionThenTail);
  EXPECT_EQ(dispatch_kind(174, true), Dispatch::ActionThenTail);

  std::set<int> web;
  for (int id = kFirstCommandId; id <= kLastCommandId; ++id) {
    if (is_visual_editor_command(id)) web.insert(id);
  }
  EXPECT_EQ(web, (std::set<int>{107, 108, 117, 118, 120, 121, 124, 125, 126, 127}));
}

TEST(FollowUp, SettingsSaveWaitsOnlyForLayoutToggles) {
  for (int id = kFirstCommandId; id <= kLastCommandId; ++id) {
    const FollowUp plan = follow_up_plan(id, {});
    const bool toggle = id == 131 || id == 132 || id == 136 || id == 137;
    EXPECT_EQ(is_layout_toggle(id), toggle) << id;
    EXPECT_EQ(plan.save_settings_later, toggle) << id;
    EXPECT_EQ(plan.save_settings_now, !toggle) << id;
  }
}

TEST(FollowUp, MenuAndToolbarRebuilds) {
  for (int id = kFirstCommandId; id <= kLastCommandId; ++id) {
    const bool language = id == 151 || id == 152;
    const bool theme = id >= 144 && id <= 146;
    FollowUpContext context;
    FollowUp plan = follow_up_plan(id, context);
    EXPECT_EQ(plan.rebuild_menu, language || theme) << id;
    EXPECT_EQ(plan.rebuild_toolbar, language) << id;
    context.distraction_free = true;
    plan = follow_up_plan(id, context);
    EXPECT_FALSE(plan.rebuild_menu) << id;  // no menu bar may come back in distraction-free mode
    EXPECT_EQ(plan.rebuild_toolbar, language) << id;
  }
}

TEST(FollowUp, WebDocumentAndRender) {
  FollowUpContext context;
  context.web_preview = true;
  context.view_before = 1;
  context.view_after = 0;
  EXPECT_TRUE(follow_up_plan(cmd_bold, context).send_web_document);
  EXPECT_FALSE(follow_up_plan(cmd_split_view, context).send_web_document);
  EXPECT_FALSE(follow_up_plan(cmd_outline, context).send_web_document);
  EXPECT_FALSE(follow_up_plan(cmd_split_view, context).request_render);
  context.view_before = 3;
  EXPECT_TRUE(follow_up_plan(cmd_split_view, context).send_web_document);
  EXPECT_TRUE(follow_up_plan(cmd_split_view, context).request_render);
  EXPECT_TRUE(follow_up_plan(cmd_editor_view, context).request_render);
  EXPECT_FALSE(follow_up_plan(cmd_workspace_sidebar, context).request_render);
  context.web_preview = false;
  EXPECT_FALSE(follow_up_plan(cmd_bold, context).send_web_document);

  // A large document renders again when the preview comes back, and only then.
  context.view_before = 0;
  context.view_after = 1;
  EXPECT_FALSE(follow_up_plan(cmd_split_view, context).request_render);
  context.large_document = true;
  EXPECT_TRUE(follow_up_plan(cmd_split_view, context).request_render);
  context.view_before = 1;
  context.view_after = 0;
  EXPECT_FALSE(follow_up_plan(cmd_split_view, context).request_render);
  EXPECT_FALSE(follow_up_plan(cmd_bold, context).request_render);
}

// Sixteen layout toggles: no menu rebuild, no render, no immediate settings write.
TEST(FollowUp, LayoutTogglesStayCheap) {
  CommandState state;
  for (int round = 0; round < 8; ++round) {
    for (int id : {cmd_workspace_sidebar, cmd_split_view}) {
      FollowUpContext context;
      context.view_before = state.view_mode;
      apply_state_command(id, state);
      context.view_after = state.view_mode;
      const FollowUp plan = follow_up_plan(id, context);
      EXPECT_FALSE(plan.rebuild_menu || plan.rebuild_toolbar || plan.request_render ||
                   plan.save_settings_now);
    }
  }
  EXPECT_EQ(state.view_mode, 1);
  EXPECT_TRUE(state.sidebar);
}

// --- Formatting snippets ---------------------------------------------------------------------

TEST(FormatActions, SnippetsAndPlaceholders) {
  FormatAction bold = *format_action(cmd_bold, false);
  EXPECT_EQ(bold.kind, FormatAction::Kind::Wrap);
  EXPECT_EQ(bold.prefix + bold.placeholder + bold.suffix, L"**bold text**");
  EXPECT_EQ(format_action(cmd_bold, true)->placeholder, L"chữ đậm");
  EXPECT_EQ(format_action(cmd_italic, true)->placeholder, L"chữ nghiêng");
  EXPECT_EQ(format_action(cmd_underline, true)->placeholder, L"gạch chân");
  EXPECT_EQ(format_action(cmd_strikethrough, true)->placeholder, L"nội dung");
  EXPECT_EQ(format_action(cmd_link, true)->placeholder, L"liên kết");
  const FormatAction link = *format_action(cmd_link, false);
  EXPECT_EQ(link.prefix + link.placeholder + link.suffix, L"[link text](https://)");

  const FormatAction code = *format_action(cmd_code_block, true);
  EXPECT_EQ(code.prefix + code.placeholder + code.suffix, L"\r\n```\r\ncode\r\n```\r\n");
  const FormatAction table = *format_action(cmd_table, true);
  EXPECT_EQ(table.prefix + table.placeholder + table.suffix,
            L"\r\n| Name | Value |\r\n| --- | --- |\r\n| Item | Description |\r\n");
  const FormatAction toc = *format_action(cmd_table_of_contents, false);
  EXPECT_EQ(toc.prefix + toc.placeholder + toc.suffix, L"\r\n[TOC]\r\n");

  for (const auto& [id, prefix] : std::vector<std::pair<int, std::wstring>>{
           {cmd_heading, L"## "}, {cmd_quote, L"> "}, {cmd_task_list, L"- [ ] "}}) {
    const FormatAction action = *format_action(id, false);
    EXPECT_EQ(action.kind, FormatAction::Kind::PrefixLines) << id;
    EXPECT_EQ(action.prefix, prefix) << id;
  }
  for (int id : {cmd_image, cmd_text_color, cmd_emoji, cmd_save}) {
    EXPECT_FALSE(format_action(id, false).has_value()) << id;
  }
}

TEST(FormatActions, TextColourSpan) {
  const FormatAction span = text_colour_action(rgb(0xB3, 0x4D, 0x0D), false);
  EXPECT_EQ(span.prefix + span.placeholder + span.suffix,
            L"<span style=\"color:#b34d0d\">text</span>");
  EXPECT_EQ(text_colour_action(0, true).placeholder, L"nội dung");
}

// --- Pins, export CSS, distraction-free, owner-drawn items ------------------------------------

TEST(Pins, ToggleAddsAtTheEndAndRemovesExactMatches) {
  nlohmann::json settings = nlohmann::json::parse(R"({"pins":["a.md"],"theme":2})");
  EXPECT_TRUE(toggle_pin(settings, "C:\\notes\\b.md"));
  EXPECT_EQ(settings["pins"], nlohmann::json::parse(R"(["a.md","C:\\notes\\b.md"])"));
  EXPECT_TRUE(toggle_pin(settings, "C:\\NOTES\\b.md"));  // byte for byte: another entry
  EXPECT_FALSE(toggle_pin(settings, "C:\\NOTES\\b.md"));
  EXPECT_FALSE(toggle_pin(settings, "C:\\notes\\b.md"));
  EXPECT_EQ(settings, nlohmann::json::parse(R"({"pins":["a.md"],"theme":2})"));
}

TEST(Pins, AbsentListAndDuplicatesAndWrongTypes) {
  nlohmann::json settings = nlohmann::json::object();
  EXPECT_TRUE(toggle_pin(settings, "Tài liệu.md"));
  EXPECT_EQ(settings["pins"], nlohmann::json::array({"Tài liệu.md"}));
  EXPECT_FALSE(toggle_pin(settings, "Tài liệu.md"));
  EXPECT_EQ(settings["pins"], nlohmann::json::array());

  settings["pins"] = {"x", "y", "x"};
  EXPECT_FALSE(toggle_pin(settings, "x"));  // unpinning leaves no copy behind
  EXPECT_EQ(settings["pins"], nlohmann::json::array({"y"}));

  settings["pins"] = {"x", 1};
  EXPECT_THROW(toggle_pin(settings, "x"), nlohmann::json::exception);
  EXPECT_EQ(settings["pins"], nlohmann::json::array({"x", 1}));  // untouched on failure

  EXPECT_EQ(pins_updated_status(false), L"Pinned documents updated");
  EXPECT_EQ(pins_updated_status(true), L"Đã cập nhật tài liệu ghim");
}

TEST(CustomCss, DefaultTextAndExistence) {
  EXPECT_EQ(kDefaultCustomCss.size(), 81u);
  EXPECT_EQ(std::count(kDefaultCustomCss.begin(), kDefaultCustomCss.end(), '\n'), 2);
  EXPECT_EQ(kDefaultCustomCss.back(), '\n');

  tavrel::test::TempDir dir;
  const std::filesystem::path css = custom_css_path(dir.path());
  EXPECT_EQ(css.filename(), "custom.css");
  EXPECT_EQ(css.parent_path(), dir.path());
  EXPECT_TRUE(custom_css_missing(css));
  tavrel::test::write_bytes(css, std::string(kDefaultCustomCss));
  EXPECT_FALSE(custom_css_missing(css));
}

#ifndef _WIN32
TEST(CustomCss, FailureOtherThanAbsenceIsRaised) {
  tavrel::test::TempDir dir;
  const std::filesystem::path unreadable = dir.path() / std::string(300, 'x') / "custom.css";
  const std::string message = tavrel::test::error_text([&] { custom_css_missing(unreadable); });
  EXPECT_NE(message.find("exists"), std::string::npos) << message;
}
#endif

TEST(DistractionFree, StyleLosesCaptionAndFrameOnly) {
  const std::uint32_t overlapped_window = 0x00CF0000;
  const std::uint32_t visible = 0x10000000;
  const std::uint32_t clip_children = 0x02000000;
  EXPECT_EQ(distraction_free_style(overlapped_window | visible | clip_children),
            visible | clip_children);
  EXPECT_EQ(distraction_free_style(visible), visible);
}

TEST(OwnerDrawnMenu, SizesAtAnyDpi) {
  const MenuItem top{L"File", true, 0, false};
  const MenuItem popup{L"Save\tCtrl+S", false, 102, false};
  const MenuItem separator{L"", false, 0, true};
  EXPECT_EQ(measure_menu_item(top, 20, 96).width, 38);
  EXPECT_EQ(measure_menu_item(top, 20, 96).height, 26);
  EXPECT_EQ(measure_menu_item(popup, 100, 96).width, 165);
  EXPECT_EQ(measure_menu_item(popup, 100, 96).height, 30);
  EXPECT_EQ(measure_menu_item(separator, 100, 96).height, 9);
  EXPECT_EQ(measure_menu_item(popup, 150, 144).width, 150 + 98);
  EXPECT_EQ(measure_menu_item(popup, 150, 144).height, 45);
  EXPECT_EQ(measure_menu_item(separator, 0, 144).height, 14);
  EXPECT_EQ(measure_menu_item(top, 30, 144).height, 39);
}

TEST(OwnerDrawnMenu, DrawingGeometry) {
  const MenuItem top{L"File", true, 0, false};
  const MenuItem popup{L"Save\tCtrl+S", false, 102, false};
  const Rect bounds{100, 40, 300, 70};
  MenuItemGeometry g = menu_item_geometry(popup, bounds, 96);
  EXPECT_EQ(g.text, (Rect{130, 40, 284, 70}));
  EXPECT_EQ(g.check_left, 108);
  EXPECT_EQ(g.separator_y, 55);
  EXPECT_EQ(g.separator_left, 112);
  EXPECT_EQ(g.separator_right, 288);
  g = menu_item_geometry(top, bounds, 96);
  EXPECT_EQ(g.text.left, 109);
  g = menu_item_geometry(popup, bounds, 192);
  EXPECT_EQ(g.text, (Rect{160, 40, 268, 70}));
  EXPECT_EQ(g.check_left, 116);
  EXPECT_STREQ(kMenuCheckMark, L"\u2713");
}

}  // namespace
