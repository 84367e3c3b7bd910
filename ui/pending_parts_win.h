#pragma once
// Free functions of subsystems that are not built yet: the menu hook, the tab strip, the web
// preview and the welcome text. Each moves to its own module's header when that module lands;
// their definitions are in ui/pending_parts_win.cpp until then.
#include <windows.h>

#include <string>

#include "core/app_win.h"

namespace tavrel::win {

void remove_menu_hook();
LRESULT CALLBACK tabs_subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR id, DWORD_PTR app);
void web_start(App& app);
void web_update_bounds(App& app);
bool web_focus(App& app);
std::string welcome_markdown(bool vietnamese);

}  // namespace tavrel::win
