// The owner-drawn items of the main window, measured and drawn in the palette and interface
// fonts at the window's DPI: menu items, document tabs, outline rows, the status bar and the
// find-bar buttons; and the colours of the workspace tree's items, which the tree draws itself.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <array>
#include <string>

#include "ui/caret_line.h"
#include "ui/editor_win.h"
#include "ui/main_window_win.h"
#include "ui/paint_win.h"
#include "ui/window_handlers_win.h"

namespace tavrel::win {
namespace {

constexpr int kTabTextUnits = 260;
constexpr LRESULT kLongestOutlineRow = 2048;

RECT to_win_rect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
Rect from_win_rect(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

int text_extent(HWND window, HFONT font, const std::wstring& text) {
  const HDC dc = GetDC(window);
  if (dc == nullptr) return 0;
  const HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  if (previous != nullptr) SelectObject(dc, previous);
  ReleaseDC(window, dc);
  return size.cx;
}

void draw_menu_item(const App& app, const DRAWITEMSTRUCT& item) {
  const auto* record = reinterpret_cast<const MenuItem*>(item.itemData);
  if (record == nullptr) return;
  const HDC dc = item.hDC;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  fill_colour(dc, item.rcItem, app.palette[selected ? palette_accent_fill : palette_background]);
  const MenuItemGeometry geometry =
      menu_item_geometry(*record, from_win_rect(item.rcItem), app.dpi);
  if (record->separator) {
    const RECT line{geometry.separator_left, geometry.separator_y, geometry.separator_right,
                    geometry.separator_y + 1};
    fill_colour(dc, line, app.palette[palette_border]);
    return;
  }
  const MenuTextParts texts = menu_item_texts(*record);
  const RECT text_rect = to_win_rect(geometry.text);
  draw_label(dc, text_rect, texts.label, app.palette[palette_text], app.ui_font, kSingleLine);
  if (!texts.accelerator.empty()) {
    draw_label(dc, text_rect, texts.accelerator, app.palette[palette_muted_text], app.ui_font,
               kRightAligned);
  }
  if (item.itemState & ODS_CHECKED) {
    RECT check = item.rcItem;
    check.left = geometry.check_left;
    draw_label(dc, check, kMenuCheckMark, app.palette[palette_accent], app.ui_font, kSingleLine);
  }
}

std::wstring tab_text(HWND tabs, UINT index) {
  std::array<wchar_t, kTabTextUnits> buffer{};
  TCITEMW tab{};
  tab.mask = TCIF_TEXT;
  tab.pszText = buffer.data();
  tab.cchTextMax = kTabTextUnits;
  if (!SendMessageW(tabs, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&tab))) return {};
  return std::wstring(tab.pszText != nullptr ? tab.pszText : L"");
}

void draw_tab(const App& app, const DRAWITEMSTRUCT& item) {
  const HDC dc = item.hDC;
  const bool active = item.itemID == app.active_document;
  fill_colour(dc, item.rcItem, app.palette[active ? palette_surface : palette_pane]);
  RECT text = item.rcItem;
  text.left += app.scale(14);
  text.right -= app.scale(32);
  draw_label(dc, text, tab_text(item.hwndItem, item.itemID),
             app.palette[active ? palette_text : palette_muted_text],
             active ? app.ui_bold_font : app.ui_font, kEllipsis);
  RECT close = item.rcItem;
  close.left = close.right - app.scale(24);
  draw_label(dc, close, L"\u00D7", app.palette[palette_muted_text], app.ui_font, kSingleLine);
  if (active) {
    RECT bar = item.rcItem;
    bar.top = bar.bottom - app.scale(2);
    fill_colour(dc, bar, app.palette[palette_accent]);
  }
}

std::wstring list_row_text(HWND list, UINT index) {
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
  if (length < 0 || length >= kLongestOutlineRow) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT copied =
      SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

void draw_outline_row(const App& app, const DRAWITEMSTRUCT& item) {
  const HDC dc = item.hDC;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const HBRUSH brush = selected ? app.surface_brush : app.background_brush;
  if (brush != nullptr) FillRect(dc, &item.rcItem, brush);
  if (item.itemID == static_cast<UINT>(-1)) return;
  RECT text = item.rcItem;
  text.left += app.scale(12);
  text.right -= app.scale(8);
  draw_label(dc, text, list_row_text(item.hwndItem, item.itemID),
             app.palette[selected ? palette_accent : palette_muted_text], app.ui_font, kEllipsis);
}

void draw_status_bar(const App& app, const DRAWITEMSTRUCT& item) {
  const HDC dc = item.hDC;
  if (app.background_brush != nullptr) FillRect(dc, &item.rcItem, app.background_brush);
  RECT text = item.rcItem;
  text.left += app.scale(22);
  text.right -= app.scale(20);
  const COLORREF colour = app.palette[palette_muted_text];
  draw_label(dc, text, status_bar_left_text(app), colour, app.ui_font, kSingleLine);
  draw_label(dc, text, status_bar_right_text(app), colour, app.ui_font, kRightAligned);
}

void draw_find_button(const App& app, const DRAWITEMSTRUCT& item) {
  const HDC dc = item.hDC;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  fill_colour(dc, item.rcItem, app.palette[pressed ? palette_accent_fill : palette_pane]);
  wchar_t caption[64] = {};
  GetWindowTextW(item.hwndItem, caption, 64);
  draw_label(dc, item.rcItem, caption, app.palette[palette_text], app.ui_font, kCentred);
}

bool is_find_button(UINT id) {
  return static_cast<int>(id) >= ctl_find_next && static_cast<int>(id) <= ctl_close_find;
}

std::wstring text_range(HWND editor, std::int64_t start, std::int64_t end) {
  std::wstring text(static_cast<size_t>(end - start) + 1, L'\0');
  TEXTRANGEW range{{static_cast<LONG>(start), static_cast<LONG>(end)}, text.data()};
  const LRESULT copied = SendMessageW(editor, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
  text.resize(static_cast<size_t>(std::max<LRESULT>(copied, 0)));
  return text;
}

// Lines as the file has them, not the control's wrapped rows.
StatusCaret caret_of(Document& document) {
  const HWND editor = document.editor;
  CHARRANGE selection{};
  SendMessageW(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  if (const auto paragraph = richedit_paragraph_at(editor, selection.cpMin))
    return StatusCaret{paragraph->index, selection.cpMin, paragraph->start};
  GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
  const TextVersion version{document.revision, SendMessageW(editor, EM_GETTEXTLENGTHEX,
                                                            reinterpret_cast<WPARAM>(&length), 0)};
  const TextLine line = document.caret_lines.line_at(
      selection.cpMin, version,
      [editor](std::int64_t start, std::int64_t end) { return text_range(editor, start, end); });
  return StatusCaret{line.index, selection.cpMin, line.start};
}

}  // namespace

MenuTextParts menu_item_texts(const MenuItem& item) { return split_menu_text(item.text); }

std::wstring status_bar_left_text(const App& app) {
  return status_left_text(app.status_text, app.stats, app.vietnamese);
}

std::wstring status_bar_right_text(const App& app) {
  std::optional<StatusDocument> shown;
  if (!app.documents.empty()) {
    Document& document = *app.documents.at(app.active_document);
    shown = StatusDocument{caret_of(document), document.encoding, document.crlf};
  }
  return status_right_text(shown, KeyModeState{app.vim, app.vim_insert}, app.vietnamese);
}

bool App::measure_item(MEASUREITEMSTRUCT& item) {
  if (item.CtlType != ODT_MENU) {
    if (item.CtlID != ctl_outline_list) return false;
    item.itemHeight = static_cast<UINT>(scale(30));
    return true;
  }
  const auto* record = reinterpret_cast<const MenuItem*>(item.itemData);
  if (record == nullptr) return false;
  const int extent = record->separator ? 0 : text_extent(main_window, ui_font, record->text);
  const ItemSize size = measure_menu_item(*record, extent, dpi);
  item.itemWidth = static_cast<UINT>(size.width);
  item.itemHeight = static_cast<UINT>(size.height);
  return true;
}

bool App::draw_item(const DRAWITEMSTRUCT& item) {
  if (item.CtlType == ODT_MENU) {
    draw_menu_item(*this, item);
    return true;
  }
  switch (item.CtlID) {
    case ctl_document_tabs:
      draw_tab(*this, item);
      return true;
    case ctl_outline_list:
      draw_outline_row(*this, item);
      return true;
    case ctl_status_bar:
      draw_status_bar(*this, item);
      return true;
    default:
      break;
  }
  if (item.CtlType == ODT_BUTTON && is_find_button(item.CtlID)) {
    draw_find_button(*this, item);
    return true;
  }
  return false;
}

LRESULT on_tree_draw(const App& app, const WindowMessage& message) {
  auto& draw = *reinterpret_cast<NMTVCUSTOMDRAW*>(message.lparam);
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
      const ItemColours colours = tree_item_colours((draw.nmcd.uItemState & CDIS_SELECTED) != 0);
      draw.clrText = app.palette[colours.text];
      draw.clrTextBk = app.palette[colours.background];
      return CDRF_DODEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

}  // namespace tavrel::win
