#include "ui/settings_input.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

using namespace tavrel::win;

TEST(SettingsInput, ChecksAddressThenDelay) {
  const std::string good = "https://example.com/u.json";
  const struct {
    std::string url, seconds;
    SettingsProblem problem;
    int value;
  } cases[] = {{good, "2", SettingsProblem::None, 2},
               {good, "120", SettingsProblem::None, 120},
               {good, " 30s", SettingsProblem::None, 30},
               {good, "1", SettingsProblem::Delay, 1},
               {good, "121", SettingsProblem::Delay, 121},
               {good, "-5", SettingsProblem::Delay, -5},
               {"http://example.com/", "x", SettingsProblem::UpdateUrl, 0}};
  for (const auto& c : cases) {
    const SettingsCheck check = check_settings_input(c.url, c.seconds);
    EXPECT_EQ(check.problem, c.problem) << c.url << " " << c.seconds;
    if (c.problem != SettingsProblem::UpdateUrl) {
      EXPECT_EQ(check.seconds, c.value);
    }
  }
  for (const char* text : {"", "abc", " "}) {
    EXPECT_THROW(check_settings_input(good, text), std::invalid_argument) << text;
  }
  // Numbers beyond an int are only far outside the range.
  for (const char* text : {"99999999999", "-99999999999", " \t99999999999999999999999999 s"}) {
    const SettingsCheck check = check_settings_input(good, text);
    EXPECT_EQ(check.problem, SettingsProblem::Delay) << text;
    EXPECT_EQ(check.seconds < 0, text[0] == '-') << text;
  }
  EXPECT_EQ(parse_seconds("2147483647"), 2147483647);
}

TEST(ShortcutInput, NormalisesAndAccepts) {
  const struct {
    const wchar_t* typed;
    const wchar_t* normalised;
    bool accepted;
  } cases[] = {{L"ctrl + shift + b", L"CTRL+SHIFT+B", true},
               {L"Alt+S", L"ALT+S", true},
               {L"f9", L"F9", true},
               {L"Shift+B", L"SHIFT+B", false},
               {L"Ctrl", L"CTRL", false},
               // Only keys the dispatcher names, in its order of modifiers.
               {L"Foo", L"FOO", false},
               {L"Ctrl+", L"CTRL+", false},
               {L"Ctrl+Foo", L"CTRL+FOO", false},
               {L"Alt+Ctrl+S", L"ALT+CTRL+S", false},
               {L"F", L"F", false},
               {L"F25", L"F25", false},
               {L"Shift+F9", L"SHIFT+F9", false},
               {L"Ctrl+Alt+Shift+\\", L"CTRL+ALT+SHIFT+\\", true},
               {L"ctrl+tab", L"CTRL+TAB", true},
               {L"Alt+Minus", L"ALT+MINUS", true},
               {L"F24", L"F24", true},
               {L"Ctrl+F1", L"CTRL+F1", true}};
  for (const auto& c : cases) {
    EXPECT_EQ(normalise_shortcut(c.typed), c.normalised);
    EXPECT_EQ(shortcut_accepted(c.normalised), c.accepted) << c.normalised;
  }
}

TEST(ShortcutInput, OneUserShortcutPerCommand) {
  nlohmann::json settings = {{"keybindings", {{"CTRL+1", 120}, {"CTRL+2", 121}}}};
  assign_keybinding(settings, "CTRL+SHIFT+B", 120);
  assign_keybinding(settings, "F9", 120);
  EXPECT_EQ(settings["keybindings"], (nlohmann::json{{"CTRL+2", 121}, {"F9", 120}}));
  nlohmann::json broken = {{"keybindings", {1, 2}}};
  assign_keybinding(broken, "F2", 7);
  EXPECT_EQ(broken["keybindings"], (nlohmann::json{{"F2", 7}}));

  const std::map<std::wstring, int> bound = {{L"ALT+X", 5}, {L"CTRL+Q", 6}, {L"F5", 5}};
  EXPECT_EQ(user_shortcut_of(bound, 5), L"F5");
  EXPECT_EQ(user_shortcut_of(bound, 9), L"");
}

TEST(Notices, AssembledFromInstalledLicences) {
  std::ifstream file(TAVREL_NOTICES, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  const std::string notices = text.str();
  EXPECT_GT(notices.size(), 100000u);
  for (const char* name :
       {"nlohmann/json", "Boost Software License", "MD4C", "MinGW-w64",
        "GCC RUNTIME LIBRARY EXCEPTION", "markdown-it", "linkify-it", "punycode", "WebView2"}) {
    EXPECT_NE(notices.find(name), std::string::npos) << name;
  }
}
