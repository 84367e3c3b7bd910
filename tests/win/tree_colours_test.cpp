// The workspace tree's items in the dark theme, as the tree itself paints them: the colours come
// from the main window's answer to the tree's custom-draw notices.
#include <gtest/gtest.h>

#include "tests/win/app_window_fixture_win.h"
#include "ui/palette.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;
using tavrel::test::write_bytes;

namespace {

class TreeColoursTest : public AppWindowTest {
 protected:
  void SetUp() override {
    AppWindowTest::SetUp();
    app_->theme = static_cast<int>(ThemeSetting::Dark);
    app_->apply_theme();
    app_->sidebar = true;
    app_->layout_panes();
    for (const char* name : {"a.md", "b.md"}) write_bytes(files_ / name, "x");
    app_->workspace_root = files_.path();
    app_->scan_workspace();
    finish_jobs();
  }
  HWND tree() const { return app_->workspace_tree; }
  HTREEITEM item(UINT relation, HTREEITEM from = nullptr) const {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree(), TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(from)));
  }
  // A point inside the item's text, left of the letters: only its background is there.
  POINT inside(HTREEITEM tree_item) const {
    RECT rect{};
    *reinterpret_cast<HTREEITEM*>(&rect) = tree_item;
    SendMessageW(tree(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
    return {rect.left + 1, rect.top + 1};
  }
};

// The tree as it paints itself into a bitmap.
class TreePicture {
 public:
  explicit TreePicture(HWND tree) {
    RECT client{};
    GetClientRect(tree, &client);
    const HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, client.right, client.bottom);
    ReleaseDC(nullptr, screen);
    previous_ = SelectObject(dc_, bitmap_);
    SendMessageW(tree, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT | PRF_ERASEBKGND);
  }
  ~TreePicture() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  TreePicture(const TreePicture&) = delete;
  TreePicture& operator=(const TreePicture&) = delete;
  COLORREF at(POINT point) const { return GetPixel(dc_, point.x, point.y); }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

}  // namespace

TEST_F(TreeColoursTest, AnswerGivesTheSelectedItemTheSelectionFill) {
  for (const bool selected : {true, false}) {
    NMTVCUSTOMDRAW draw{};
    draw.nmcd.hdr = {tree(), 12, static_cast<UINT>(NM_CUSTOMDRAW)};
    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    EXPECT_EQ(SendMessageW(app_->main_window, WM_NOTIFY, 12, reinterpret_cast<LPARAM>(&draw)),
              CDRF_NOTIFYITEMDRAW);
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    draw.nmcd.uItemState = selected ? CDIS_SELECTED | CDIS_FOCUS : 0;
    draw.clrText = draw.clrTextBk = RGB(255, 255, 255);  // the system's, as Wine offers them
    EXPECT_EQ(SendMessageW(app_->main_window, WM_NOTIFY, 12, reinterpret_cast<LPARAM>(&draw)),
              CDRF_DODEFAULT);
    EXPECT_EQ(draw.clrText, kDarkPalette[palette_text]);
    EXPECT_EQ(draw.clrTextBk, kDarkPalette[selected ? palette_accent_fill : palette_background]);
  }
}

TEST_F(TreeColoursTest, SelectedItemIsPaintedInTheSelectionFill) {
  const HTREEITEM first = item(TVGN_ROOT);
  const HTREEITEM second = item(TVGN_NEXT, first);
  ASSERT_TRUE(first != nullptr && second != nullptr);
  SendMessageW(tree(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(second));
  const TreePicture picture(tree());
  EXPECT_EQ(picture.at(inside(second)), kDarkPalette[palette_accent_fill]);
  EXPECT_EQ(picture.at(inside(first)), kDarkPalette[palette_background]);
}
