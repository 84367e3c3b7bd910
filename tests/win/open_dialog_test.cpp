// The Open dialog, driven as a user would: a name typed without an extension opens the Markdown
// file of that name. Wine's dialog refuses a typed name that does not exist before it adds the
// extension, so a file of the bare name exists too: without the default extension it is opened.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/win/app_window_fixture_win.h"
#include "ui/commands.h"

namespace tavrel::test {
namespace {

std::wstring g_typed;
int g_ticks = 0;

// First tick: type the name and press Open; later ticks: cancel whatever is still open.
BOOL CALLBACK act_on_dialog(HWND window, LPARAM) {
  if (!IsWindowVisible(window) || class_name(window) != L"#32770") return TRUE;
  if (g_ticks == 1) {
    for (int name_box : {0x47C, 0x480}) SetDlgItemTextW(window, name_box, g_typed.c_str());
    PostMessageW(window, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(window, IDOK)));
  } else {
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  }
  return TRUE;
}

void CALLBACK on_tick(HWND, UINT, UINT_PTR, DWORD) {
  ++g_ticks;
  EnumThreadWindows(GetCurrentThreadId(), act_on_dialog, 0);
}

using OpenDialogTest = AppWindowTest;

TEST_F(OpenDialogTest, ANameWithoutExtensionOpensItsMarkdownFile) {
  write_bytes(files_ / "notes.md", "# Notes\n");
  write_bytes(files_ / "notes", "not this one\n");
  g_typed = (files_ / "notes").native();
  g_ticks = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 300, on_tick);
  app_->on_command(win::cmd_open);
  KillTimer(nullptr, timer);
  ASSERT_EQ(app_->documents.size(), 1u);
  EXPECT_EQ(active().path, (files_ / "notes.md").native());
}

}  // namespace
}  // namespace tavrel::test
