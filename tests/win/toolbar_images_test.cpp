#include <windows.h>
#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shlobj.h>

#include <cstring>

#include "core/file_association.h"
#include "core/file_association_win.h"
#include "core/text_convert.h"
#include "ui/toolbar_model.h"
#include "ui/color_picker_win.h"
#include "tests/win/app_window_fixture_win.h"

namespace tavrel::test {
namespace {

using ToolbarImagesTest = AppWindowTest;

RECT item_rect(HWND toolbar, int index) {
  RECT rect{};
  SendMessageW(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&rect));
  return rect;
}

// Widths, labels and checks are the model's, heights and the gap the self-test's; here: a rebuild
// puts the model into the control.
TEST_F(ToolbarImagesTest, RebuiltToolbarTakesTheModelsWidthsAndTexts) {
  const HWND toolbar = app_->toolbar;
  ASSERT_EQ(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), 21);
  app_->sidebar = false;
  app_->vietnamese = true;
  app_->dpi = 144;
  app_->rebuild_toolbar();
  EXPECT_FALSE(SendMessageW(toolbar, TB_ISBUTTONCHECKED, 136, 0));
  const RECT split = item_rect(toolbar, 18);
  EXPECT_EQ(split.right - split.left, 156);
  wchar_t text[64] = {};
  SendMessageW(toolbar, TB_GETBUTTONTEXTW, 126, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"Danh sách công việc");
}

// A label is drawn between the icon and the right margin (43 DIP of the button); the editor's
// font under Wine is wider than the one the widths were designed for, which cut "Open" to "O...".
TEST_F(ToolbarImagesTest, LabelledButtonsFitTheirLabelsInBothLanguages) {
  const HWND toolbar = app_->toolbar;
  const HDC dc = GetDC(toolbar);
  const HGDIOBJ previous = SelectObject(dc, app_->ui_font);
  for (const bool vietnamese : {false, true}) {
    app_->vietnamese = vietnamese;
    app_->rebuild_toolbar();
    for (const int id : {101, 102, 131}) {
      const std::wstring label = win::to_wide(win::toolbar_label(id, vietnamese));
      SIZE extent{};
      GetTextExtentPoint32W(dc, label.c_str(), static_cast<int>(label.size()), &extent);
      RECT rect{};
      SendMessageW(toolbar, TB_GETRECT, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&rect));
      EXPECT_GE(rect.right - rect.left - app_->scale(43), extent.cx) << id << " " << vietnamese;
    }
  }
  SelectObject(dc, previous);
  ReleaseDC(toolbar, dc);
}

// Every row reads back as written; the Open-with values carry no data.
TEST_F(ToolbarImagesTest, RegistrationWritesThePerUserRows) {
  win::register_file_association(*app_);
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  for (const win::AssociationRow& row : win::association_rows(exe)) {
    wchar_t data[1024] = {};
    DWORD bytes = sizeof(data);
    DWORD type = 0;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, row.subkey.c_str(),
                           row.name.empty() ? nullptr : row.name.c_str(), RRF_RT_ANY, &type, data,
                           &bytes),
              ERROR_SUCCESS)
        << row.subkey;
    EXPECT_EQ(type, static_cast<DWORD>(row.open_with ? REG_NONE : REG_SZ));
    EXPECT_EQ(data, row.data);
  }
  EXPECT_EQ(app_->status_text, L"Registered. Choose Tavrel for .md in Windows Settings.");
}

void put_on_clipboard(HWND owner, const std::vector<std::uint8_t>& dib) {
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, dib.size());
  std::memcpy(GlobalLock(block), dib.data(), dib.size());
  GlobalUnlock(block);
  SetClipboardData(CF_DIB, block);
  CloseClipboard();
}

TEST_F(ToolbarImagesTest, PastedBitmapBecomesAPngBesideTheDocument) {
  const ClipboardTestLock clipboard;
  add_document("x");
  save_path_ = (files_.path() / "doc.md").wstring();
  // 2 x 2, 24 bits, bottom-up: bottom row blue then green, top row red then white.
  BITMAPINFOHEADER header{sizeof(header), 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<std::uint8_t> dib(sizeof(header));
  std::memcpy(dib.data(), &header, sizeof(header));
  const std::uint8_t rows[] = {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0};
  dib.insert(dib.end(), std::begin(rows), std::end(rows));
  put_on_clipboard(app_->main_window, dib);
  ASSERT_TRUE(app_->paste_image());
  const auto assets = files_.path() / "assets";
  ASSERT_TRUE(std::filesystem::is_directory(assets));
  const auto png = std::filesystem::directory_iterator(assets)->path();
  EXPECT_EQ(editor_text(),
            "![" + png.stem().string() + "](assets/" + png.filename().string() + ")x");
  Gdiplus::Bitmap bitmap(png.c_str());
  ASSERT_EQ(bitmap.GetLastStatus(), Gdiplus::Ok);
  Gdiplus::Color colour;
  bitmap.GetPixel(0, 0, &colour);
  EXPECT_EQ(colour.GetValue() & 0xFFFFFF, 0xFF0000u);
  bitmap.GetPixel(1, 1, &colour);
  EXPECT_EQ(colour.GetValue() & 0xFFFFFF, 0x00FF00u);

  // A header whose rows run past the block is refused and changes nothing.
  dib.resize(dib.size() - 1);
  put_on_clipboard(app_->main_window, dib);
  ASSERT_TRUE(app_->paste_image());
  EXPECT_EQ(app_->status_text, L"Could not save clipboard image");
}

// Drops the files on the main window as the shell does.
void drop_files(HWND window, const std::vector<std::filesystem::path>& files) {
  std::wstring names;
  for (const auto& file : files) names += file.wstring() + L'\0';
  names += L'\0';
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                                    sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(drop + 1, names.data(), names.size() * sizeof(wchar_t));
  GlobalUnlock(block);
  SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
}

TEST_F(ToolbarImagesTest, DroppedImagesFollowEachOther) {
  add_document("");
  save_path_ = (files_.path() / "doc.md").wstring();
  app_->save_document(false);
  drop_files(app_->main_window, {files_.path() / L"a b.png", files_.path() / L"c.PNG"});
  EXPECT_EQ(editor_text(), "![a b](a%20b.png)![c](c.PNG)");
}

// A Markdown file opened by the drop receives the images dropped after it; images after a file
// that could not be opened go nowhere.
TEST_F(ToolbarImagesTest, DroppedImagesGoToTheDocumentBeforeThemInTheDrop) {
  add_document("");
  save_path_ = (files_.path() / "doc.md").wstring();
  app_->save_document(false);
  const win::Document* first = app_->current_document();
  write_bytes(files_.path() / "notes.md", "");
  const auto in = [&](const wchar_t* name) { return files_.path() / name; };
  BoxWatcher boxes;
  drop_files(app_->main_window, {in(L"a.png"), in(L"notes.md"), in(L"b.png"), in(L"c.png"),
                                 in(L"missing.md"), in(L"d.png")});
  ASSERT_EQ(app_->documents.size(), 2u);
  EXPECT_EQ(win::richedit_text_utf8(first->editor), "![a](a.png)");
  EXPECT_EQ(std::filesystem::path(active().path).filename(), L"notes.md");
  EXPECT_EQ(editor_text(), "![b](b.png)![c](c.png)");
  EXPECT_EQ(boxes.boxes().size(), 1u);  // the file that could not be opened
}

// Clicks Apply the way a user does: the press and the release arrive in different frames.
void CALLBACK drive_picker(HWND, UINT, UINT_PTR, DWORD) {
  static int step = 0;
  const HWND picker = FindWindowW(L"Tavrel.DarkColor", nullptr);
  const RECT apply = win::dark_picker_apply_rect(picker);
  if (picker == nullptr || IsRectEmpty(&apply)) return;
  POINT at{(apply.left + apply.right) / 2, (apply.top + apply.bottom) / 2};
  const LPARAM where = MAKELPARAM(at.x, at.y);
  ClientToScreen(picker, &at);
  SetCursorPos(at.x, at.y);
  PostMessageW(picker, WM_MOUSEMOVE, 0, where);
  PostMessageW(picker, step++ % 2 == 0 ? WM_LBUTTONDOWN : WM_LBUTTONUP, MK_LBUTTON, where);
}

TEST_F(ToolbarImagesTest, DarkPickerAppliedUnchangedReturnsTheInitialColour) {
  ShowWindow(app_->main_window, SW_SHOWNA);
  const UINT_PTR timer = SetTimer(nullptr, 0, 150, drive_picker);
  bool started = false;
  const auto colour = win::pick_dark_color(app_->main_window, RGB(255, 167, 87), false, &started);
  KillTimer(nullptr, timer);
  ASSERT_TRUE(started);
  EXPECT_EQ(colour, std::optional<COLORREF>(RGB(255, 167, 87)));
  EXPECT_TRUE(IsWindowEnabled(app_->main_window));
}

}  // namespace
}  // namespace tavrel::test
