// The self-test suite ("--smoke-test"): the first failed requirement ends the run with its
// message; a complete run leaves native-report.json in the isolated profile.
#include "selftest/self_test_win.h"

#include "core/file_io_win.h"
#include "core/text_convert.h"
#include "ui/editor_win.h"

namespace tavrel::win {

namespace selftest {

std::string Suite::text() { return richedit_text_utf8(editor()); }

bool has_style_visible(HWND window) {
  return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

RECT window_rect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

RECT client_rect(HWND window) {
  RECT rect{};
  GetClientRect(window, &rect);
  return rect;
}

}  // namespace selftest

void App::run_self_tests() {
  require(smoke_test, "Tests require an isolated smoke profile");
  selftest::Suite suite{*this, {}};
  using namespace selftest;
  for (auto step :
       {check_startup, check_settings_repair, check_keybindings, check_themes, check_menu,
        check_layouts, check_layout_toggles, check_hidden_panes, check_focus, check_editing,
        check_recovery, check_outputs, check_toolbar_and_resources}) {
    step(suite);
  }
  suite.figures.profile = to_utf8(profile_dir.wstring());
  write_file_atomic(profile_dir / L"native-report.json", build_self_test_report(suite.figures));
}

}  // namespace tavrel::win
