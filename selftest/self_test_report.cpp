#include "selftest/self_test_report.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

namespace tavrel::win {

const std::array<const char*, kSelfTestCheckCount> kSelfTestChecks = {
    "startup preview",
    "theme preserves text/dirty state",
    "split/editor layouts; hidden preview and outline remain hidden after updates",
    "format and undo",
    "Unicode save",
    "regex and undo",
    "crash recovery",
    "auto-save",
    "RTF Unicode",
    "PNG",
    "DOCX",
    "offline HTML",
    "aligned toolbar",
    "malformed settings",
    "emoji autocomplete",
    "Vim visual selection",
    "theme preserves undo",
    "autosave history",
    "tabs above editor",
    "layout toggles preserve menu and text without reparse",
    "one-pixel toolbar gap",
    "embedded document icon",
    "embedded library notices without external files",
    "three themes and legacy settings migration",
    "literal menu ampersand",
    "reactivation preserves focus and selection",
    "find focus and modal guard",
};

void require(bool condition, const char* message) {
  if (!condition) throw std::runtime_error(message);
}

std::string build_self_test_report(const SelfTestFigures& figures) {
  const nlohmann::json report = {
      {"passed", true},           {"profile", figures.profile},
      {"themeCount", 3},          {"toolbarHeight", figures.toolbar_height},
      {"layoutToggleCount", 16},  {"layoutToggleCommandMs", figures.layout_toggle_ms},
      {"checks", kSelfTestChecks}};
  return report.dump(2);
}

}  // namespace tavrel::win
