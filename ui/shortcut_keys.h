#pragma once
// Shortcut texts, the user's key bindings read from the settings, and the built-in shortcut
// table. Keys are Windows virtual-key codes; nothing here touches a window.
#include <nlohmann/json.hpp>

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "ui/key_modes.h"

namespace tavrel::win {

// "CTRL+", "ALT+" and "SHIFT+" in that order, then the key's name. Nothing for a key without a
// name: such a key never matches a binding (a bare "CTRL+" must not fire on every Ctrl key).
std::optional<std::wstring> shortcut_text(const KeyPress& press);

// F1 to F24.
bool is_function_key(unsigned key);

// The key press a shortcut text stands for, read the way `shortcut_text` writes it, so that
// shortcut_text(*parse_shortcut_text(t)) == t. Nothing for a text the dispatcher never builds:
// an unknown key name, no key at all, or modifiers in another order.
std::optional<KeyPress> parse_shortcut_text(std::wstring_view text);

// The "keybindings" object of the settings as shortcut text (upper case) -> command id. Members
// whose value is no integer, or names a retired or unknown command, are left out.
std::map<std::wstring, int> keybindings_from_settings(const nlohmann::json& settings);

// What a built-in shortcut asks for.
struct BuiltinShortcut {
  enum class Kind {
    None,
    Command,      // run `command`
    NextTab,      // activate the next tab, cyclic
    PreviousTab,  // the previous one
    HideFindBar,  // Esc with the find bar shown
    VimNormal,    // Esc with Vim on: the normal state
    FindNext,     // F3
  };
  Kind kind = Kind::None;
  int command = 0;
};

struct ShortcutContext {
  bool distraction_free = false;
  bool find_bar_visible = false;
  bool vim = false;
};

BuiltinShortcut builtin_shortcut(const KeyPress& press, const ShortcutContext& context);

// The tab Ctrl+Tab (or Ctrl+Shift+Tab) activates; nothing when no document is open.
std::optional<size_t> cycled_tab(size_t active, size_t count, bool backwards);

}  // namespace tavrel::win
