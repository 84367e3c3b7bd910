// Whatever settings.json holds, repair leaves an object whose known keys have their types and
// ranges, and a second load of the saved form reads back the same values and the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/settings.h"

using namespace tavrel::win;
using nlohmann::json;

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

bool same(const SettingsValues& a, const SettingsValues& b) {
  return a.vietnamese == b.vietnamese && a.update_url == b.update_url && a.theme == b.theme &&
         a.font_size == b.font_size && a.sidebar == b.sidebar && a.outline == b.outline &&
         a.auto_save == b.auto_save && a.auto_save_seconds == b.auto_save_seconds &&
         a.word_wrap == b.word_wrap && a.sync_scroll == b.sync_scroll &&
         a.split_percent == b.split_percent && a.view_mode == b.view_mode && a.vim == b.vim &&
         a.emacs == b.emacs && a.workspace == b.workspace;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  json settings = parse_settings_text(text);
  SettingsValues values;
  try {
    values = repair_settings(settings);
  } catch (const std::runtime_error&) {
    return 0;  // an update address that is not UTF-8: refused by the conversion, as on Windows
  }
  require(settings.is_object());
  require(values.font_size >= 8 && values.font_size <= 32);
  require(values.theme >= 0 && values.theme <= 2);
  require(values.view_mode == 0 || values.view_mode == 1 || values.view_mode == 3);
  require(values.auto_save_seconds >= 2 && values.auto_save_seconds <= 120);
  require(values.split_percent >= 25 && values.split_percent <= 75);
  require(settings["layoutVersion"].is_number_integer());

  store_settings(settings, values);
  std::string saved = dump_settings(settings);
  json reloaded = parse_settings_text(saved);
  SettingsValues again = repair_settings(reloaded);
  require(same(values, again));
  store_settings(reloaded, again);
  require(dump_settings(reloaded) == saved);
  return 0;
}
