#pragma once
// The modal update dialog: checks the update manifest on a worker thread and shows the result.
#include <windows.h>

#include "core/app_win.h"

namespace tavrel::win {

// The worker's answer: wParam is the request id of the check, lParam 0.
inline constexpr UINT WM_APP_UPDATE_DONE = WM_APP + 0x5C;

// Control ids of the dialog.
inline constexpr int kUpdateStatusId = 100;
inline constexpr int kUpdateInstalledId = 101;
inline constexpr int kUpdateFirstValueId = 102;  // version, date, size, address, SHA256
inline constexpr int kUpdateMessageId = 107;
inline constexpr int kUpdateCopyId = 108;
inline constexpr int kUpdateOpenId = 109;
inline constexpr int kUpdateCheckId = 110;
inline constexpr int kUpdateFirstLabelId = 140;

// Runs the dialog to its end; a check still running then is let go and never delivered.
void show_update_dialog(App& app);

}  // namespace tavrel::win
