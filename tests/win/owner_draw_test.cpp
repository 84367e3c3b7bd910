// What the main window paints itself, checked on pixels: owner-drawn menu items, tabs, outline
// rows, the status bar and the find-bar buttons drawn into memory bitmaps through WM_DRAWITEM,
// their sizes through WM_MEASUREITEM, and the panes of a shown window in both themes.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/win/app_window_fixture_win.h"
#include "ui/menus_win.h"
#include "ui/paint_win.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;

namespace {

// A memory bitmap to draw items into.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height) {
    const HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    previous_ = SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  RECT rect() const { return RECT{0, 0, width_, height_}; }
  COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }
  // Pixels in the area that differ from `background` (text or marks drawn there).
  int marked(RECT area, COLORREF background) const {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) count += at(x, y) != background ? 1 : 0;
    }
    return count;
  }

 private:
  int width_;
  int height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_;
};

class OwnerDrawTest : public AppWindowTest {
 protected:
  void SetUp() override {
    AppWindowTest::SetUp();
    app_->theme = 2;
    app_->apply_theme();
    app_->build_menu();
  }

  const MenuItem* record(int id) const {
    return menu_item_record(GetMenu(app_->main_window), id, false);
  }

  const MenuItem* first_separator() const {
    for (const auto& item : app_->menu_items) {
      if (item->separator) return item.get();
    }
    return nullptr;
  }

  LRESULT draw(Canvas& canvas, UINT type, UINT control, UINT item_id, UINT state,
               const void* data = nullptr, HWND item_window = nullptr) {
    DRAWITEMSTRUCT item{};
    item.CtlType = type;
    item.CtlID = control;
    item.itemID = item_id;
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    item.hwndItem = item_window;
    item.hDC = canvas.dc();
    item.rcItem = canvas.rect();
    item.itemData = reinterpret_cast<ULONG_PTR>(data);
    return send(WM_DRAWITEM, control, reinterpret_cast<LPARAM>(&item));
  }

  MEASUREITEMSTRUCT measure(UINT type, UINT control, const void* data) {
    MEASUREITEMSTRUCT item{};
    item.CtlType = type;
    item.CtlID = control;
    item.itemData = reinterpret_cast<ULONG_PTR>(data);
    last_measure_result_ = send(WM_MEASUREITEM, control, reinterpret_cast<LPARAM>(&item));
    return item;
  }

  int ui_text_width(const std::wstring& text) const {
    const HDC dc = GetDC(app_->main_window);
    const HGDIOBJ previous = SelectObject(dc, app_->ui_font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(app_->main_window, dc);
    return size.cx;
  }

  COLORREF colour(size_t index) const { return app_->palette[index]; }

  LRESULT last_measure_result_ = 0;
};

TEST_F(OwnerDrawTest, MenuItemsAreMeasuredFromTheirWholeText) {
  const MenuItem* recent = record(cmd_recent_pinned);
  ASSERT_NE(recent, nullptr);
  MEASUREITEMSTRUCT item = measure(ODT_MENU, 0, recent);
  EXPECT_TRUE(last_measure_result_);
  EXPECT_EQ(item.itemWidth, static_cast<UINT>(ui_text_width(recent->text) + app_->scale(65)));
  EXPECT_EQ(item.itemHeight, static_cast<UINT>(app_->scale(30)));

  const MenuItem* file = menu_item_record(GetMenu(app_->main_window), 0, true);
  item = measure(ODT_MENU, 0, file);
  EXPECT_EQ(item.itemWidth, static_cast<UINT>(ui_text_width(L"File") + app_->scale(18)));
  EXPECT_EQ(item.itemHeight, static_cast<UINT>(app_->scale(26)));

  item = measure(ODT_MENU, 0, first_separator());
  EXPECT_EQ(item.itemHeight, static_cast<UINT>(app_->scale(9)));

  item = measure(ODT_LISTBOX, ctl_outline_list, nullptr);
  EXPECT_TRUE(last_measure_result_);
  EXPECT_EQ(item.itemHeight, static_cast<UINT>(app_->scale(30)));
  measure(ODT_LISTBOX, 99, nullptr);
  EXPECT_FALSE(last_measure_result_);  // not ours: the default answer
}

TEST_F(OwnerDrawTest, MenuItemsFillLabelShortcutAndCheck) {
  Canvas canvas(300, 30);
  const MenuItem* save = record(cmd_save);
  EXPECT_TRUE(draw(canvas, ODT_MENU, 0, cmd_save, 0, save));
  EXPECT_EQ(canvas.at(1, 1), colour(palette_background));
  EXPECT_GT(canvas.marked(RECT{30, 0, 120, 30}, colour(palette_background)), 0);   // "Save"
  EXPECT_GT(canvas.marked(RECT{200, 0, 284, 30}, colour(palette_background)), 0);  // "Ctrl+S"
  EXPECT_EQ(canvas.marked(RECT{0, 0, 28, 30}, colour(palette_background)), 0);     // no check

  draw(canvas, ODT_MENU, 0, cmd_save, ODS_SELECTED | ODS_CHECKED, save);
  EXPECT_EQ(canvas.at(1, 1), colour(palette_accent_fill));
  EXPECT_GT(canvas.marked(RECT{8, 0, 28, 30}, colour(palette_accent_fill)), 0);  // the check mark

  Canvas line(200, app_->scale(9));
  draw(line, ODT_MENU, 0, 0, 0, first_separator());
  EXPECT_EQ(line.at(100, 4), colour(palette_border));
  EXPECT_EQ(line.at(5, 4), colour(palette_background));
  EXPECT_EQ(line.at(100, 2), colour(palette_background));

  Canvas untouched(50, 20);
  const RECT whole = untouched.rect();
  FillRect(untouched.dc(), &whole, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_TRUE(draw(untouched, ODT_MENU, 0, 5, ODS_SELECTED, nullptr));  // no record: nothing drawn
  EXPECT_EQ(untouched.at(1, 1), RGB(255, 255, 255));
}

TEST_F(OwnerDrawTest, TabsShowActiveAndInactiveColours) {
  add_document("first");
  add_document("second");
  Canvas canvas(160, 40);
  EXPECT_TRUE(draw(canvas, ODT_TAB, ctl_document_tabs, 1, 0, nullptr, app_->tab_control));
  EXPECT_EQ(canvas.at(2, 2), colour(palette_surface));
  EXPECT_EQ(canvas.at(2, 39), colour(palette_accent));
  EXPECT_EQ(canvas.at(2, 37), colour(palette_surface));
  EXPECT_GT(canvas.marked(RECT{14, 0, 128, 38}, colour(palette_surface)), 0);   // the name
  EXPECT_GT(canvas.marked(RECT{136, 0, 160, 38}, colour(palette_surface)), 0);  // the close mark

  draw(canvas, ODT_TAB, ctl_document_tabs, 0, 0, nullptr, app_->tab_control);
  EXPECT_EQ(canvas.at(2, 2), colour(palette_pane));
  EXPECT_EQ(canvas.at(2, 39), colour(palette_pane));
}

TEST_F(OwnerDrawTest, OutlineRowsStatusBarAndFindButtons) {
  Canvas canvas(200, 30);
  EXPECT_TRUE(draw(canvas, ODT_LISTBOX, ctl_outline_list, static_cast<UINT>(-1), ODS_SELECTED,
                   nullptr, app_->outline_list));
  EXPECT_EQ(canvas.at(1, 1), colour(palette_surface));
  SendMessageW(app_->outline_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Heading"));
  draw(canvas, ODT_LISTBOX, ctl_outline_list, 0, 0, nullptr, app_->outline_list);
  EXPECT_EQ(canvas.at(1, 1), colour(palette_background));
  EXPECT_GT(canvas.marked(RECT{12, 0, 192, 30}, colour(palette_background)), 0);

  EXPECT_TRUE(draw(canvas, ODT_STATIC, ctl_status_bar, 0, 0, nullptr, app_->status_bar));
  EXPECT_EQ(canvas.at(1, 1), colour(palette_background));

  const HWND find_next = GetDlgItem(app_->main_window, ctl_find_next);
  EXPECT_TRUE(draw(canvas, ODT_BUTTON, ctl_find_next, 0, ODS_SELECTED, nullptr, find_next));
  EXPECT_EQ(canvas.at(1, 1), colour(palette_accent_fill));
  draw(canvas, ODT_BUTTON, ctl_close_find, 0, 0, nullptr,
       GetDlgItem(app_->main_window, ctl_close_find));
  EXPECT_EQ(canvas.at(1, 1), colour(palette_pane));
  EXPECT_GT(canvas.marked(RECT{80, 0, 120, 30}, colour(palette_pane)), 0);  // the centred caption
}

TEST_F(OwnerDrawTest, StatusTextsFollowTheCaretAndTheMessage) {
  EXPECT_EQ(status_bar_right_text(*app_), L"UTF-8    |    Markdown");
  Document& document = add_document("one\ntwo\nthree");
  document.crlf = true;
  const LRESULT third_line = SendMessageW(document.editor, EM_LINEINDEX, 2, 0);
  SendMessageW(document.editor, EM_SETSEL, static_cast<WPARAM>(third_line), third_line);
  EXPECT_EQ(status_bar_right_text(*app_), L"Ln 3, 1    |    UTF-8    |    CRLF");
  SendMessageW(document.editor, EM_SETSEL, static_cast<WPARAM>(third_line + 2), third_line + 4);
  app_->vim = true;
  app_->vim_insert = false;
  EXPECT_EQ(status_bar_right_text(*app_), L"NORMAL    |    Ln 3, 3    |    UTF-8    |    CRLF");

  app_->stats = TextStats{3, 13, 1, 3, 1};
  EXPECT_EQ(status_bar_left_text(*app_),
            L"3 words   |   13 characters   |   1 paragraphs   |   1 min read");
  app_->set_status(L"Saved locally");
  EXPECT_EQ(status_bar_left_text(*app_), L"Saved locally");
}

// The panes of a shown window, read back from the window's own surface.
class PanePaintTest : public OwnerDrawTest {
 protected:
  COLORREF pixel(int x, int y) {
    const HDC dc = GetDC(app_->main_window);
    const COLORREF value = GetPixel(dc, x, y);
    ReleaseDC(app_->main_window, dc);
    return value;
  }

  void show_and_paint() {
    ShowWindow(app_->main_window, SW_SHOWNOACTIVATE);
    RedrawWindow(app_->main_window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
};

TEST_F(PanePaintTest, RulesBandsAndSurfacesInBothThemes) {
  for (const int setting : {2, 1}) {
    SCOPED_TRACE(setting);
    app_->theme = setting;
    app_->apply_theme();
    show_and_paint();
    RECT client{};
    GetClientRect(app_->main_window, &client);
    const int s232 = app_->scale(232);
    EXPECT_EQ(pixel(5, app_->scale(3)), colour(palette_background));
    EXPECT_EQ(pixel(5, app_->scale(8) - 1), colour(palette_border));
    EXPECT_EQ(pixel(5, app_->scale(48)), colour(palette_border));
    EXPECT_EQ(pixel(s232 - 1, app_->scale(60)), colour(palette_border));    // sidebar rule
    EXPECT_EQ(pixel(s232 + 5, app_->scale(200)), colour(palette_surface));  // left of the editor
    EXPECT_EQ(pixel(5, client.bottom - app_->scale(31)), colour(palette_border));
  }

  app_->distraction_free = true;
  app_->layout_panes();
  show_and_paint();
  EXPECT_EQ(pixel(5, app_->scale(48)), colour(palette_surface));  // no rules at the top
}

}  // namespace
