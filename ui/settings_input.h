#pragma once
// The checks behind the Settings and Keyboard shortcuts dialogs, apart from their windows.
#include <nlohmann/json.hpp>

#include <map>
#include <string>

namespace tavrel::win {

inline constexpr int kMinAutoSaveSeconds = 2;
inline constexpr int kMaxAutoSaveSeconds = 120;

enum class SettingsProblem { None, UpdateUrl, Delay };

struct SettingsCheck {
  SettingsProblem problem = SettingsProblem::None;
  int seconds = 0;  // the delay read from the box once the address passed
};

// The delay box text as std::stoi reads it (leading blanks, a sign, decimal digits, anything
// after them ignored). Throws std::invalid_argument "invalid stoi argument" when no number
// begins the text; a number beyond an int gives the int's limit of its sign.
int parse_seconds(const std::string& text);

// The update address must pass is_https_url before the delay is read at all; the delay must lie
// in 2..120, however many digits it has. Throws as parse_seconds.
SettingsCheck check_settings_input(const std::string& update_url, const std::string& seconds);

// The shortcut box text without blanks and in upper case, the form that is stored.
std::wstring normalise_shortcut(const std::wstring& text);

// A normalised text the dialog takes: a shortcut text as the dispatcher builds it (modifiers in
// the order CTRL+, ALT+, SHIFT+, then a key name it knows) that begins with "CTRL+" or "ALT+",
// or a function key F1 to F24 alone.
bool shortcut_accepted(const std::wstring& normalised);

// Sets settings["keybindings"][key] = command, after removing every other key bound to that
// command, so that a command keeps one user shortcut.
void assign_keybinding(nlohmann::json& settings, const std::string& key, int command);

// The key text of the user binding of a command: the last one in key order; empty when none.
std::wstring user_shortcut_of(const std::map<std::wstring, int>& keybindings, int command);

}  // namespace tavrel::win
