#pragma once
// settings.json: repair on load, the typed values it feeds, its exact written form, and the
// recent list. Unknown keys always survive a load and a save.
#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace tavrel::win {

// The project has no update server of its own; "updateUrl" in the settings replaces this.
inline constexpr const char* kBuiltInUpdateUrl =
    "https://updates.tavrel.example/updates/windows-x64/stable.json";
inline constexpr size_t kRecentLimit = 30;

struct SettingsValues {
  bool vietnamese = false;
  std::string update_url = kBuiltInUpdateUrl;
  int theme = 0;
  int font_size = 12;
  bool sidebar = true;
  bool outline = false;
  bool auto_save = false;
  int auto_save_seconds = 5;
  bool word_wrap = true;
  bool sync_scroll = true;
  int split_percent = 50;
  int view_mode = 1;
  bool vim = false;
  bool emacs = false;
  bool has_workspace = false;
  std::string workspace;  // UTF-8; on load the caller keeps it only when it names a folder
};

// The file text as a settings object; nothing for a text that is not a JSON object or nests
// too deeply (such a file is worth keeping before it is overwritten).
std::optional<nlohmann::json> read_settings_object(const std::string& text);

// Parses the file text; anything but a JSON object gives an empty object.
nlohmann::json parse_settings_text(const std::string& text);

// Removes wrongly typed known keys, migrates the layout, and reads the typed values.
SettingsValues repair_settings(nlohmann::json& settings);

// Writes the typed values back into the object, in the order the file has always used.
void store_settings(nlohmann::json& settings, const SettingsValues& values);

// Indented by two, sorted keys, UTF-8 unescaped, no final newline.
std::string dump_settings(const nlohmann::json& settings);

// Moves `path_utf8` to the front of "recent", without duplicates, keeping at most 30.
void add_recent_entry(nlohmann::json& settings, const std::string& path_utf8);

int remap_theme(long long stored);
int remap_view(long long stored);

}  // namespace tavrel::win
