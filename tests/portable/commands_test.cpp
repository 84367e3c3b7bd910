#include "ui/commands.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/portable/test_support.h"

using namespace tavrel::win;

namespace {

std::map<int, bool> checks_of(const CommandState& state) {
  std::map<int, bool> out;
  for (const MenuCheck& check : menu_checks(state)) out[check.id] = check.checked;
  EXPECT_EQ(out.size(), 17u) << "one check per flag command, none twice";
  return out;
}

}  // namespace

// Ids ascend within the range, names are unique; every labelled command stands once in the
// menus with a label and the same key in both languages, and its record carries its text.
TEST(CommandTable, IdsNamesLabelsAndMenusAgree) {
  const std::vector<int> order = menu_commands_in_order();
  const std::set<int> in_menus(order.begin(), order.end());
  EXPECT_EQ(in_menus.size(), order.size()) << "a command appears twice in the menus";
  std::set<std::string> names;
  int previous = kFirstCommandId - 1;
  for (const CommandInfo& info : command_table()) {
    EXPECT_TRUE(info.id > previous && info.id <= kLastCommandId) << info.id;
    previous = info.id;
    EXPECT_EQ(find_command(info.id), &info);
    EXPECT_TRUE(std::string(info.name).starts_with("cmd_") && names.insert(info.name).second);
    EXPECT_EQ(info.english != nullptr, in_menus.count(info.id) == 1) << info.id;
    if (info.english == nullptr || info.vietnamese == nullptr) continue;
    const MenuTextParts en = split_menu_text(info.english), vi = split_menu_text(info.vietnamese);
    EXPECT_FALSE(en.label.empty() || vi.label.empty()) << info.id;
    EXPECT_EQ(en.accelerator, vi.accelerator) << info.id;
  }
  EXPECT_EQ(order.size(), command_table().size() - 1);  // all but the home page
  for (int gap : {99, 133, 147, 150, 162, 174, cmd_open_home_page}) {
    EXPECT_EQ(menu_text(gap, false), L"") << gap;
  }
  EXPECT_EQ(split_menu_text(L"a\tb\tc").accelerator, L"b\tc");
  EXPECT_EQ(double_ampersands(L"a&&b&\t"), L"a&&&&b&&\t");
}

// Each flag command on the default flags: "id: checks it flips: effects", the effects being
// s(top web), t(heme), w(eb start), y (typewriter), r(ewrap), u(pdate title).
TEST(StateCommands, FlipTheirOwnChecksAndAskForTheirEffects) {
  for (const char* row : {"131:131 132:", "132:131 132:", "134:131 134 168:w", "168:168:w",
                          "136:136:", "137:137:", "143:143:", "139:139:r", "138:138:y", "153:153:",
                          "171:171:", "172:172:", "146:144 146:t", "152:151 152:u", "140::t"}) {
    const std::string text = row;
    const int id = std::stoi(text);
    CommandState state;
    const std::map<int, bool> before = checks_of(state);
    const StateEffects e = apply_state_command(id, state).value();
    std::string flipped;
    for (const auto& [check, on] : checks_of(state)) {
      if (on != before.at(check)) flipped += (flipped.empty() ? "" : " ") + std::to_string(check);
    }
    const bool flags[] = {e.web_stop,         e.apply_theme,   e.web_start,
                          e.apply_typewriter, e.set_word_wrap, e.relabel_documents};
    std::string asked;
    for (int i = 0; i < 6; ++i) {
      if (flags[i]) asked += "stwyru"[i];
    }
    EXPECT_EQ(std::to_string(id) + ":" + flipped + ":" + asked, text);
  }
  for (int id : {cmd_bold, cmd_save, cmd_distraction_free, cmd_pin_document, 133, 147}) {
    CommandState untouched;
    EXPECT_FALSE(apply_state_command(id, untouched).has_value()) << id;
  }
  EXPECT_TRUE(word_wrap_line_width(false) == 1 && word_wrap_line_width(true) == 0);
  CommandState state;
  state.sidebar = false;
  const auto buttons = toolbar_checks(state);
  EXPECT_TRUE(buttons[0].id == cmd_split_view && buttons[0].checked &&
              buttons[1].id == cmd_workspace_sidebar && !buttons[1].checked);
}

TEST(StateCommands, RepeatedViewKeyModeThemeAndZoomCommands) {
  CommandState state;
  state.view_mode = 3;
  apply_state_command(cmd_split_view, state);
  EXPECT_EQ(state.view_mode, 1);
  apply_state_command(cmd_visual_editor, state);
  StateEffects e = *apply_state_command(cmd_visual_editor, state);
  EXPECT_TRUE(state.view_mode == 0 && !state.web_preview && e.web_stop && e.apply_theme);
  EXPECT_FALSE(e.web_start);
  apply_state_command(cmd_advanced_preview, state);
  e = *apply_state_command(cmd_advanced_preview, state);
  EXPECT_TRUE(!state.web_preview && e.web_stop && !e.web_start);
  state.emacs = true;
  apply_state_command(cmd_vim_navigation, state);
  EXPECT_TRUE(state.vim && !state.emacs && !state.vim_insert);  // Vim starts in normal state
  apply_state_command(cmd_vim_navigation, state);
  EXPECT_TRUE(!state.vim && state.vim_insert);
  apply_state_command(cmd_vim_navigation, state);
  apply_state_command(cmd_emacs_navigation, state);
  EXPECT_TRUE(state.emacs && !state.vim);
  for (int theme = 0; theme <= 2; ++theme) {
    apply_state_command(cmd_theme_system + theme, state);
    EXPECT_TRUE(state.theme == theme && checks_of(state).at(cmd_theme_system + theme));
  }
  const auto zoom = [&](int id, int from) {
    state.font_size = from;
    apply_state_command(id, state);
    return state.font_size;
  };
  EXPECT_EQ(std::vector({zoom(cmd_zoom_in, 32), zoom(cmd_zoom_in, 31), zoom(cmd_zoom_out, 8),
                         zoom(cmd_zoom_out, 9), zoom(cmd_reset_zoom, 20)}),
            std::vector({32, 32, 8, 8, 12}));
}

TEST(Dispatch, WhatRunsAndWhatFollows) {
  std::set<int> web;
  for (int id = kFirstCommandId - 1; id <= kLastCommandId + 1; ++id) {
    const bool reserved = id >= 147 && id <= 150;
    const bool action_only = id == cmd_exit || id == cmd_find || id == cmd_replace;
    const bool opens = id == cmd_new || id == cmd_open;
    EXPECT_EQ(dispatch_kind(id, true), reserved      ? Dispatch::Ignore
                                       : action_only ? Dispatch::ActionOnly
                                                     : Dispatch::ActionThenTail)
        << id;
    EXPECT_EQ(dispatch_kind(id, false), opens ? Dispatch::ActionThenTail : Dispatch::Ignore) << id;
    if (is_visual_editor_command(id)) web.insert(id);

    const bool toggle = id == 131 || id == 132 || id == 136 || id == 137;
    const bool language = id == 151 || id == 152;
    FollowUpContext context;
    FollowUp plan = follow_up_plan(id, context);
    EXPECT_EQ(is_layout_toggle(id), toggle) << id;
    EXPECT_TRUE(plan.save_settings_later == toggle && plan.save_settings_now == !toggle) << id;
    EXPECT_EQ(plan.rebuild_menu, language || (id >= 144 && id <= 146)) << id;
    EXPECT_EQ(plan.rebuild_toolbar, language) << id;
    context.distraction_free = true;  // no menu bar may come back in distraction-free mode
    plan = follow_up_plan(id, context);
    EXPECT_TRUE(!plan.rebuild_menu && plan.rebuild_toolbar == language) << id;
  }
  EXPECT_EQ(web, (std::set<int>{107, 108, 117, 118, 120, 121, 124, 125, 126, 127}));
}

// "id web-preview(w) large(l) view-before view-after: send(s) render(r)"; a large document
// renders again when the preview comes back, and only then.
TEST(FollowUp, WebDocumentAndRender) {
  for (const char* row :
       {"117 w-10:s-", "131 w-10:--", "137 w-10:--", "131 w-30:sr", "132 w-30:sr", "136 w-30:s-",
        "117 --30:--", "131 --01:--", "131 -l01:-r", "131 -l10:--", "132 -l01:-r", "117 -l01:--"}) {
    const std::string c = row;
    const FollowUpContext context{false, c[4] == 'w', c[6] - '0', c[7] - '0', c[5] == 'l'};
    const FollowUp plan = follow_up_plan(std::stoi(c), context);
    EXPECT_EQ(
        c.substr(0, 9) + (plan.send_web_document ? "s" : "-") + (plan.request_render ? "r" : "-"),
        c);
  }
}

TEST(FormatActions, WrapOrPrefixAndColourSpan) {
  const FormatAction bold = *format_action(cmd_bold, false);
  EXPECT_EQ(bold.prefix + bold.placeholder + bold.suffix, L"**bold text**");
  EXPECT_EQ(format_action(cmd_quote, false)->kind, FormatAction::Kind::PrefixLines);
  EXPECT_FALSE(format_action(cmd_text_color, false).has_value());
  const FormatAction span = text_colour_action(rgb(0xB3, 0x4D, 0x0D), true);
  EXPECT_EQ(span.prefix + span.placeholder + span.suffix,
            L"<span style=\"color:#b34d0d\">nội dung</span>");
}

TEST(Pins, ToggleAppendsAndRemovesEveryExactMatch) {
  nlohmann::json settings = nlohmann::json::parse(R"({"pins":["x","a.md","x"],"theme":2})");
  EXPECT_TRUE(toggle_pin(settings, "C:\\b.md"));
  EXPECT_TRUE(toggle_pin(settings, "C:\\B.md"));  // byte for byte: another entry
  EXPECT_EQ(settings["pins"], nlohmann::json::parse(R"(["x","a.md","x","C:\\b.md","C:\\B.md"])"));
  for (const char* path : {"C:\\B.md", "C:\\b.md", "x"}) EXPECT_FALSE(toggle_pin(settings, path));
  EXPECT_EQ(settings, nlohmann::json::parse(R"({"pins":["a.md"],"theme":2})"));
  settings = nlohmann::json::object();
  EXPECT_TRUE(toggle_pin(settings, "a") && settings["pins"] == nlohmann::json::array({"a"}));
  settings["pins"] = {"x", 1};
  EXPECT_THROW(toggle_pin(settings, "x"), nlohmann::json::exception);
  EXPECT_EQ(settings["pins"], nlohmann::json::array({"x", 1}));  // untouched on failure
}

TEST(CustomCss, PathAndExistence) {
  tavrel::test::TempDir dir;
  const std::filesystem::path css = custom_css_path(dir.path());
  EXPECT_EQ(css, dir / "custom.css");
  EXPECT_TRUE(custom_css_missing(css));
  tavrel::test::write_bytes(css, std::string(kDefaultCustomCss));
  EXPECT_FALSE(custom_css_missing(css));
#ifndef _WIN32  // a name too long for the file system: neither present nor absent
  const std::string message = tavrel::test::error_text(
      [&] { custom_css_missing(dir / std::string(300, 'x') / "custom.css"); });
  EXPECT_NE(message.find("exists"), std::string::npos) << message;
#endif
}
