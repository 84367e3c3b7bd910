#pragma once
// The steps of the self-test suite, run in order by App::run_self_tests against the real hidden
// window. Each step drives the window through its ordinary operations.
#include <windows.h>

#include <string>

#include "core/app_win.h"
#include "selftest/self_test_report.h"

namespace tavrel::win::selftest {

struct Suite {
  App& app;
  SelfTestFigures figures;

  HWND editor() { return app.current_document()->editor; }
  std::string text();
};

bool has_style_visible(HWND window);  // WS_VISIBLE: whether the pane is shown in its parent
RECT window_rect(HWND window);
RECT client_rect(HWND window);

// Steps 2 to 10: start-up, settings, shortcuts, themes, menu, layouts and focus.
void check_startup(Suite& suite);
void check_settings_repair(Suite& suite);
void check_keybindings(Suite& suite);
void check_themes(Suite& suite);
void check_menu(Suite& suite);
void check_layouts(Suite& suite);
void check_layout_toggles(Suite& suite);
void check_hidden_panes(Suite& suite);
void check_focus(Suite& suite);

// Steps 11 to 23: editing, saving, recovery, rendering, exports, toolbar and resources.
void check_editing(Suite& suite);
void check_recovery(Suite& suite);
void check_outputs(Suite& suite);
void check_toolbar_and_resources(Suite& suite);

}  // namespace tavrel::win::selftest
