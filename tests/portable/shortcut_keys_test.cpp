#include "ui/shortcut_keys.h"

#include <gtest/gtest.h>

using namespace tavrel::win;

namespace {

TEST(Keybindings, LoadSkipsWhatNoCommandCanTake) {
  const auto settings = nlohmann::json::parse(R"({"keybindings": {
      "ctrl+alt+1": 115, "CTRL+B": 115, "Ctrl+b": 117, "F5": 133, "F6": 148, "F7": 150,
      "F9": 99, "F10": 174, "CTRL+1": 4294967398, "CTRL+2": -4294967194, "CTRL+3": "102",
      "CTRL+4": 102.0, "CTRL+5": true, "SHIFT+CTRL+6": 100, "CTRL+7": 173, "CTRL+8": 147}})");
  const std::map<std::wstring, int> expected{
      {L"CTRL+ALT+1", 115}, {L"CTRL+B", 117}, {L"SHIFT+CTRL+6", 100}, {L"CTRL+7", 173}};
  EXPECT_EQ(keybindings_from_settings(settings), expected);
  EXPECT_TRUE(keybindings_from_settings(nlohmann::json::parse(R"({"keybindings": [1]})")).empty());
}

TEST(Keybindings, ShortcutTextsHaveOneSpellingAndNamelessKeysNone) {
  EXPECT_EQ(shortcut_text({'9', true, false, true}), L"CTRL+SHIFT+9");  // never "SHIFT+CTRL+9"
  EXPECT_EQ(shortcut_text({0x87, true, true, true}), L"CTRL+ALT+SHIFT+F24");
  EXPECT_EQ(shortcut_text({0xDC, false, false, false}), L"\\");
  EXPECT_EQ(shortcut_text({0x09, true, false, false}), L"CTRL+TAB");
  EXPECT_EQ(shortcut_text({0x10, true, false, false}), std::nullopt);  // Shift itself
  EXPECT_EQ(shortcut_text({0x88, true, false, false}), std::nullopt);  // past F24
}

TEST(Keybindings, BuiltinsTakeCtrlFirstAndEscByState) {
  using Kind = BuiltinShortcut::Kind;
  const auto run = [](KeyPress press, ShortcutContext context = {}) {
    const BuiltinShortcut s = builtin_shortcut(press, context);
    return s.kind == Kind::Command ? s.command : -static_cast<int>(s.kind);
  };
  EXPECT_EQ(run({'B', true, false, true}), 117);
  EXPECT_EQ(run({'S', true, false, true}), 103);
  EXPECT_EQ(run({'F', true, true, false}), 138);
  EXPECT_EQ(run({'B', true, true, false}), 0);
  EXPECT_EQ(run({0x7A, false, false, false}), 135);
  EXPECT_EQ(run({0x09, true, false, true}), -static_cast<int>(Kind::PreviousTab));
  EXPECT_EQ(run({0x1B, false, false, false}, {true, true, true}), 135);
  EXPECT_EQ(run({0x1B, false, false, false}, {false, true, true}),
            -static_cast<int>(Kind::HideFindBar));
  EXPECT_EQ(run({0x1B, false, false, false}, {false, false, false}), 0);
  EXPECT_EQ(cycled_tab(0, 3, true), 2u);
  EXPECT_EQ(cycled_tab(0, 0, false), std::nullopt);
}

}  // namespace
