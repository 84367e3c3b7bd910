// The dialog's own exception texts are fixed here rather than left to the standard library,
// whose messages differ between implementations and are what the user reads.
#include "ui/settings_input.h"

#include <cwctype>
#include <limits>
#include <stdexcept>

#include "ui/shortcut_keys.h"
#include "update/url_rule.h"

namespace tavrel::win {

int parse_seconds(const std::string& text) {
  try {
    return std::stoi(text, nullptr, 10);
  } catch (const std::invalid_argument&) {
    throw std::invalid_argument("invalid stoi argument");
  } catch (const std::out_of_range&) {
    // Too many digits is only a value far outside the range: the dialog says which range.
    const size_t first = text.find_first_not_of(" \t\n\v\f\r");
    const bool negative = first != std::string::npos && text[first] == '-';
    return negative ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
  }
}

SettingsCheck check_settings_input(const std::string& update_url, const std::string& seconds) {
  if (!is_https_url(update_url)) return {SettingsProblem::UpdateUrl, 0};
  const int value = parse_seconds(seconds);
  if (value < kMinAutoSaveSeconds || value > kMaxAutoSaveSeconds)
    return {SettingsProblem::Delay, value};
  return {SettingsProblem::None, value};
}

std::wstring normalise_shortcut(const std::wstring& text) {
  std::wstring normalised;
  for (const wchar_t c : text) {
    if (c != L' ') normalised += static_cast<wchar_t>(std::towupper(c));
  }
  return normalised;
}

bool shortcut_accepted(const std::wstring& normalised) {
  // Only a text the dispatcher can build ever fires; anything else would replace a working
  // binding with a dead one. A bare key, even a letter that begins like a function key, would
  // take that key from typing.
  const std::optional<KeyPress> press = parse_shortcut_text(normalised);
  if (!press) return false;
  return press->ctrl || press->alt || (!press->shift && is_function_key(press->key));
}

void assign_keybinding(nlohmann::json& settings, const std::string& key, int command) {
  nlohmann::json& bindings = settings["keybindings"];
  if (!bindings.is_object()) bindings = nlohmann::json::object();  // a hand-edited file
  for (auto it = bindings.begin(); it != bindings.end();) {
    it = (*it == command) ? bindings.erase(it) : std::next(it);
  }
  bindings[key] = command;
}

std::wstring user_shortcut_of(const std::map<std::wstring, int>& keybindings, int command) {
  std::wstring found;
  for (const auto& [key, id] : keybindings) {
    if (id == command) found = key;
  }
  return found;
}

}  // namespace tavrel::win
