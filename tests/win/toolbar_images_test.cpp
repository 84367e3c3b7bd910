#include <windows.h>
#include <commctrl.h>

#include "tests/win/app_window_fixture_win.h"

namespace tavrel::test {
namespace {

using ToolbarImagesTest = AppWindowTest;

RECT item_rect(HWND toolbar, int index) {
  RECT rect{};
  SendMessageW(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
  return rect;
}

TEST_F(ToolbarImagesTest, ToolbarHoldsItsButtonsAtTheirSizesAndChecks) {
  const HWND toolbar = app_->toolbar;
  ASSERT_EQ(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), 21);
  const RECT split = item_rect(toolbar, 18);
  EXPECT_EQ(split.bottom - split.top, 34);
  EXPECT_EQ(split.right - split.left, 104);
  const RECT gap = item_rect(toolbar, 19);
  EXPECT_EQ(gap.right - gap.left, 1);
  EXPECT_EQ(item_rect(toolbar, 20).left, gap.right);
  app_->sidebar = false;
  app_->vietnamese = true;
  app_->rebuild_toolbar();
  EXPECT_TRUE(SendMessageW(toolbar, TB_ISBUTTONCHECKED, 131, 0));
  EXPECT_FALSE(SendMessageW(toolbar, TB_ISBUTTONCHECKED, 136, 0));
  wchar_t text[64] = {};
  SendMessageW(toolbar, TB_GETBUTTONTEXTW, 126, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"Danh sách công việc");
  // Painting goes through the custom-draw path with GDI+ and must leave the window sound.
  ShowWindow(app_->main_window, SW_SHOWNA);
  UpdateWindow(toolbar);
  EXPECT_TRUE(IsWindow(toolbar));
}

}  // namespace
}  // namespace tavrel::test
