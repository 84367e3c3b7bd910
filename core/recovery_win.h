#pragma once
// The recovery operations of the App that the main window calls outside the ordinary flow.
#include <windows.h>

#include <string>

#include "core/app_win.h"

namespace tavrel::win {

// The restore question in the interface language.
std::wstring recovery_prompt_text(bool vietnamese);

// Writes the recovery snapshots while Windows ends the session. Nothing may hold up the log-off
// here: no question, no settings save and no warning box. A failure goes to the status bar.
void save_recovery_at_session_end(App& app) noexcept;

}  // namespace tavrel::win
