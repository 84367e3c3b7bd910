#include "core/settings.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/json_guard.h"
#include "update/url_rule.h"

namespace tavrel::win {
namespace {

using nlohmann::json;

constexpr long long kIntegerLimit = 10000;

bool is_setting_integer(const json& value) {
  if (value.is_number_integer()) {
    long long v =
        value.is_number_unsigned()
            ? static_cast<long long>(std::min<uint64_t>(value.get<uint64_t>(), kIntegerLimit + 1))
            : value.get<long long>();
    return v >= -kIntegerLimit && v <= kIntegerLimit;
  }
  return false;
}

bool is_string_array(const json& value) {
  return value.is_array() &&
         std::all_of(value.begin(), value.end(), [](const json& e) { return e.is_string(); });
}

template <typename Check>
void erase_wrong(json& settings, std::initializer_list<const char*> keys, Check check) {
  for (const char* key : keys) {
    auto it = settings.find(key);
    if (it != settings.end() && !check(*it)) settings.erase(it);
  }
}

void erase_wrong_types(json& settings) {
  erase_wrong(settings, {"language", "workspace", "updateUrl"},
              [](const json& v) { return v.is_string(); });
  erase_wrong(settings,
              {"theme", "fontSize", "autoSaveSeconds", "splitPercent", "view", "layoutVersion"},
              is_setting_integer);
  erase_wrong(settings, {"sidebar", "outline", "autoSave", "wrap", "sync", "vim", "emacs"},
              [](const json& v) { return v.is_boolean(); });
  erase_wrong(settings, {"recent", "pins"}, is_string_array);
  erase_wrong(settings, {"keybindings"}, [](const json& v) { return v.is_object(); });
}

long long integer_or(const json& settings, const char* key, long long fallback) {
  auto it = settings.find(key);
  return it == settings.end() ? fallback : it->get<long long>();
}

bool bool_or(const json& settings, const char* key, bool fallback) {
  auto it = settings.find(key);
  return it == settings.end() ? fallback : it->get<bool>();
}

int clamp_int(long long value, int low, int high) {
  return static_cast<int>(std::clamp<long long>(value, low, high));
}

}  // namespace

int remap_theme(long long stored) {
  switch (stored) {
    case 0:
    case 1:
    case 2:
      return static_cast<int>(stored);
    case 4:
      return 1;
    case 3:
    case 5:
    case 6:
      return 2;
    default:
      return 0;
  }
}

int remap_view(long long stored) {
  return stored == 0 || stored == 3 ? static_cast<int>(stored) : 1;
}

std::optional<json> read_settings_object(const std::string& text) {
  json parsed = parse_json_guarded(text);
  if (!parsed.is_object()) return std::nullopt;
  return parsed;
}

json parse_settings_text(const std::string& text) {
  std::optional<json> parsed = read_settings_object(text);
  return parsed ? std::move(*parsed) : json::object();
}

SettingsValues repair_settings(json& settings) {
  if (!settings.is_object()) settings = json::object();
  erase_wrong_types(settings);
  SettingsValues v;
  if (auto it = settings.find("language"); it != settings.end())
    v.vietnamese = it->get<std::string>() == "vi";
  if (auto it = settings.find("updateUrl"); it != settings.end())
    v.update_url = it->get<std::string>();
  if (!is_https_url(v.update_url)) v.update_url = kBuiltInUpdateUrl;
  v.theme = remap_theme(integer_or(settings, "theme", 0));
  v.font_size = clamp_int(integer_or(settings, "fontSize", 12), 8, 32);
  if (integer_or(settings, "layoutVersion", 0) < 1) {
    settings["sidebar"] = true;
    settings["outline"] = false;
    settings["layoutVersion"] = 1;
  }
  v.sidebar = bool_or(settings, "sidebar", true);
  v.outline = bool_or(settings, "outline", false);
  v.auto_save = bool_or(settings, "autoSave", false);
  v.auto_save_seconds = clamp_int(integer_or(settings, "autoSaveSeconds", 5), 2, 120);
  v.word_wrap = bool_or(settings, "wrap", true);
  v.sync_scroll = bool_or(settings, "sync", true);
  v.split_percent = clamp_int(integer_or(settings, "splitPercent", 50), 25, 75);
  v.view_mode = remap_view(integer_or(settings, "view", 1));
  v.vim = bool_or(settings, "vim", false);
  v.emacs = bool_or(settings, "emacs", false);
  if (auto it = settings.find("workspace"); it != settings.end()) {
    v.has_workspace = true;
    v.workspace = it->get<std::string>();
  }
  return v;
}

void store_settings(json& settings, const SettingsValues& v) {
  if (!settings.is_object()) settings = json::object();
  settings["language"] = v.vietnamese ? "vi" : "en";
  settings["updateUrl"] = v.update_url;
  settings["theme"] = v.theme;
  settings["fontSize"] = v.font_size;
  settings["sidebar"] = v.sidebar;
  settings["outline"] = v.outline;
  settings["autoSave"] = v.auto_save;
  settings["autoSaveSeconds"] = v.auto_save_seconds;
  settings["wrap"] = v.word_wrap;
  settings["sync"] = v.sync_scroll;
  settings["splitPercent"] = v.split_percent;
  settings["view"] = v.view_mode;
  settings["workspace"] = v.workspace;
  settings["vim"] = v.vim;
  settings["emacs"] = v.emacs;
}

std::string dump_settings(const json& settings) {
  // Strings that are not valid UTF-8 (possible only from a damaged file's unknown keys after a
  // lenient parse) are replaced rather than failing the whole save.
  return settings.dump(2, ' ', false, json::error_handler_t::replace);
}

void add_recent_entry(json& settings, const std::string& path_utf8) {
  std::vector<std::string> recent;
  if (auto it = settings.find("recent"); it != settings.end() && is_string_array(*it))
    recent = it->get<std::vector<std::string>>();
  std::erase(recent, path_utf8);
  recent.insert(recent.begin(), path_utf8);
  if (recent.size() > kRecentLimit) recent.resize(kRecentLimit);
  settings["recent"] = recent;
}

}  // namespace tavrel::win
