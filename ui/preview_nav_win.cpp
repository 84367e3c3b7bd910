// Places in the native preview come from the block model (render/preview_positions.h), never from
// a search for a heading's text: a table of contents repeats every heading above its section.
// Should the control count a position differently from the model (a control version with other
// table marks), the heading's text tells, and the heading is then looked up from there on.
#include "ui/preview_nav_win.h"

#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/text_convert.h"
#include "render/preview_positions.h"
#include "ui/editor_win.h"
#include "ui/main_window_win.h"
#include "ui/richedit_scroll_win.h"
#include "ui/tab_model.h"
#include "ui/theme_win.h"

namespace tavrel::win {
namespace {

constexpr int kTwipsPerInch = 1440;

std::wstring text_range(HWND edit, LONG begin, LONG end) {
  std::wstring text(static_cast<std::size_t>(std::max<LONG>(end - begin, 0)) + 1, L'\0');
  TEXTRANGEW range{{begin, end}, text.data()};
  const LRESULT copied = SendMessageW(edit, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
  text.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
  return text;
}

LONG find_from(HWND edit, LONG from, const std::wstring& needle) {
  FINDTEXTEXW find{};
  find.chrg = CHARRANGE{from, -1};
  find.lpstrText = needle.c_str();
  return static_cast<LONG>(
      SendMessageW(edit, EM_FINDTEXTEXW, FR_DOWN, reinterpret_cast<LPARAM>(&find)));
}

// Where the heading's text starts in the preview; -1 when the preview does not show it.
LONG heading_in_preview(const App& app, std::size_t index, const std::wstring& text) {
  const std::vector<std::uint64_t> starts = preview_positions(app.rendered).headings;
  if (index >= starts.size()) return -1;
  const auto expected = static_cast<LONG>(starts[index]);
  const auto length = static_cast<LONG>(text.size());
  if (text_range(app.preview_edit, expected, expected + length) == text) return expected;
  if (text.empty()) return -1;
  const LONG after = find_from(app.preview_edit, expected, text);
  return after >= 0 ? after : find_from(app.preview_edit, 0, text);
}

void select_at_top(HWND edit, LONG begin, LONG end) {
  CHARRANGE range{begin, end};
  SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  richedit_scroll_to_top(edit, begin);
}

bool is_mouse_message(UINT message) { return message >= WM_MOUSEFIRST && message <= WM_MOUSELAST; }

// The character under the click; the start of the reported link when the point is not in it.
LONG clicked_position(HWND preview, const ENLINK& link) {
  if (is_mouse_message(link.msg)) {
    POINTL point{GET_X_LPARAM(link.lParam), GET_Y_LPARAM(link.lParam)};
    const auto at = static_cast<LONG>(
        SendMessageW(preview, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&point)));
    if (at >= link.chrg.cpMin && at < link.chrg.cpMax) return at;
  }
  return link.chrg.cpMin;
}

}  // namespace

std::uint32_t preview_table_twips(HWND preview) {
  const RECT area = richedit_text_area(preview);
  LONG width = area.right - area.left;
  if ((GetWindowLongW(preview, GWL_STYLE) & WS_VSCROLL) == 0) {
    width -= GetSystemMetrics(SM_CXVSCROLL);
  }
  // The control measures twips on the screen's resolution.
  const HDC screen = GetDC(preview);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  if (screen != nullptr) ReleaseDC(preview, screen);
  return table_twips_for(width > 0 ? MulDiv(width, kTwipsPerInch, dpi) : 0);
}

void refit_preview_tables(App& app) {
  if (app.documents.empty() || !has_table(app.rendered)) return;
  if (!table_refit_needed(app.preview_table_twips, preview_table_twips(app.preview_edit))) return;
  SetTimer(app.main_window, timer_render, kRenderDelayMs, nullptr);
}

void mark_preview_anchors(App& app, PreviewSpan span) {
  mark_preview_anchors(app, preview_positions(app.rendered).anchors, span);
}

void mark_preview_anchors(App& app, std::vector<PreviewAnchor> anchors, PreviewSpan span) {
  const HWND preview = app.preview_edit;
  std::erase_if(anchors, [&](const PreviewAnchor& anchor) {
    return anchor.begin < span.begin || anchor.end > span.end;
  });
  if (preview == nullptr || anchors.empty()) return;
  const RedrawGuard quiet(preview);
  CHARRANGE kept{};
  SendMessageW(preview, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&kept));
  const POINT scroll = richedit_scroll_pos(preview);
  CHARFORMAT2W link{};
  link.cbSize = sizeof(link);
  link.dwMask = CFM_LINK;
  link.dwEffects = CFE_LINK;
  for (const PreviewAnchor& anchor : anchors) {
    CHARRANGE range{static_cast<LONG>(anchor.begin), static_cast<LONG>(anchor.end)};
    SendMessageW(preview, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    SendMessageW(preview, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&link));
  }
  SendMessageW(preview, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&kept));
  richedit_set_scroll_pos(preview, scroll);
}

void follow_preview_link(App& app, const ENLINK& link) {
  if (link.msg != WM_LBUTTONUP || link.chrg.cpMax <= link.chrg.cpMin) return;
  const PreviewPositions positions = preview_positions(app.rendered);
  const auto at = static_cast<std::uint64_t>(clicked_position(app.preview_edit, link));
  if (const PreviewAnchor* anchor = anchor_at(positions.anchors, at)) {
    // A place in the document never leaves it, also when no heading has that id.
    const auto heading = heading_of_anchor(app.rendered.headings, anchor->target);
    if (heading) show_heading(app, *heading);
    return;
  }
  app.open_link(text_range(app.preview_edit, link.chrg.cpMin, link.chrg.cpMax));
}

void show_heading(App& app, std::size_t index) {
  if (index >= app.rendered.headings.size() || app.documents.empty()) return;
  const Heading& heading = app.rendered.headings[index];
  const HWND editor = app.current_document()->editor;
  const auto position =
      static_cast<LONG>(utf16_position(richedit_text_utf8(editor), heading.offset));
  select_at_top(editor, position, position);

  if (app.preview_edit != nullptr) {
    const std::wstring text = to_wide_lenient(heading.text);
    const LONG start = heading_in_preview(app, index, text);
    if (start >= 0) select_at_top(app.preview_edit, start, start + static_cast<LONG>(text.size()));
  }
  SetFocus(editor);
}

}  // namespace tavrel::win
