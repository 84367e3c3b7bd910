// The list is a child of the main window shown without activation, so the editor keeps the
// focus and the user goes on typing; it is made once and then only shown and hidden.
#include "ui/emoji_completion_win.h"

#include <richedit.h>
#include <uxtheme.h>

#include <algorithm>
#include <optional>
#include <string>

#include "ui/editor_win.h"
#include "ui/main_window_win.h"

namespace tavrel::win {
namespace {

std::wstring text_range(HWND edit, LONG start, LONG end) {
  std::wstring text(static_cast<size_t>(end - start) + 1, L'\0');
  TEXTRANGEW range{{start, end}, text.data()};
  text.resize(static_cast<size_t>(
      SendMessageW(edit, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range))));
  return text;
}

CHARRANGE selection_of(HWND edit) {
  CHARRANGE range{};
  SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  return range;
}

HWND ensure_popup(App& app) {
  if (app.emoji_popup != nullptr) return app.emoji_popup;
  app.emoji_popup = CreateWindowExW(
      0, L"LISTBOX", L"Emoji", WS_CHILD | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, 0, 0,
      0, app.main_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ctl_emoji_popup)),
      app.instance, nullptr);
  SendMessageW(app.emoji_popup, WM_SETFONT, reinterpret_cast<WPARAM>(app.ui_font), TRUE);
  SetWindowTheme(app.emoji_popup, app.dark ? L"DarkMode_Explorer" : L"Explorer", nullptr);
  return app.emoji_popup;
}

void place_popup(App& app, HWND edit, LONG caret) {
  POINTL caret_point{};
  SendMessageW(edit, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&caret_point), caret);
  POINT anchor{caret_point.x, caret_point.y + app.scale(24)};
  MapWindowPoints(edit, app.main_window, &anchor, 1);
  RECT client{};
  GetClientRect(app.main_window, &client);
  const PopupRect rect = emoji_popup_rect(anchor.x, anchor.y, client.right, client.bottom,
                                          app.emoji_matches.size(), app.dpi);
  SetWindowPos(app.emoji_popup, HWND_TOP, rect.x, rect.y, rect.width, rect.height,
               SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

// The query still typed between the colon and the end of the selection in the editor the list
// opened for; nothing when that text is no longer a trigger.
std::optional<std::wstring> current_query(App& app) {
  if (app.documents.empty() || app.current_document()->editor != app.emoji_editor) return {};
  const CHARRANGE selection = selection_of(app.emoji_editor);
  const auto start = static_cast<LONG>(app.emoji_start);
  if (selection.cpMax <= start || selection.cpMax - start > LONG{kEmojiLookBehind}) return {};
  const auto trigger = parse_emoji_trigger(text_range(app.emoji_editor, start, selection.cpMax));
  if (!trigger || trigger->colon != 0) return {};
  return trigger->query;
}

}  // namespace

void hide_emoji_completion(App& app) {
  if (app.emoji_popup != nullptr) ShowWindow(app.emoji_popup, SW_HIDE);
}

void check_emoji_completion(App& app) {
  if (app.emoji_popup == nullptr) return;
  if ((GetWindowLongPtrW(app.emoji_popup, GWL_STYLE) & WS_VISIBLE) == 0) return;
  if (!current_query(app)) hide_emoji_completion(app);
}

void App::update_emoji_completion() {
  if (documents.empty() || view_mode == 3) return;
  const HWND edit = current_document()->editor;
  const CHARRANGE selection = selection_of(edit);
  std::optional<EmojiTrigger> trigger;
  const LONG from = std::max<LONG>(selection.cpMax - LONG{kEmojiLookBehind}, 0);
  if (selection.cpMin == selection.cpMax)
    trigger = parse_emoji_trigger(text_range(edit, from, selection.cpMax));
  std::vector<EmojiShortcode> matches =
      trigger ? match_emoji(trigger->query) : std::vector<EmojiShortcode>{};
  if (matches.empty()) {
    hide_emoji_completion(*this);
    return;
  }
  emoji_start = static_cast<uint32_t>(from + static_cast<LONG>(trigger->colon));
  emoji_matches = std::move(matches);
  emoji_editor = edit;
  const HWND popup = ensure_popup(*this);
  SendMessageW(popup, LB_RESETCONTENT, 0, 0);
  for (const EmojiShortcode& entry : emoji_matches)
    SendMessageW(popup, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(emoji_row_text(entry).c_str()));
  SendMessageW(popup, LB_SETCURSEL, 0, 0);
  place_popup(*this, edit, selection.cpMax);
}

bool try_accept_emoji_completion(App& app) {
  if (app.emoji_popup == nullptr || app.documents.empty()) return false;
  const auto row = static_cast<int>(SendMessageW(app.emoji_popup, LB_GETCURSEL, 0, 0));
  const std::optional<std::wstring> query = current_query(app);
  if (row < 0 || static_cast<size_t>(row) >= app.emoji_matches.size() || !query ||
      !app.emoji_matches[static_cast<size_t>(row)].shortcode.starts_with(*query)) {
    hide_emoji_completion(app);
    return false;
  }
  const HWND edit = app.emoji_editor;
  const CHARRANGE selection = selection_of(edit);
  richedit_select_and_scroll(edit, CHARRANGE{static_cast<LONG>(app.emoji_start), selection.cpMax});
  SendMessageW(edit, EM_REPLACESEL, TRUE,
               reinterpret_cast<LPARAM>(app.emoji_matches[static_cast<size_t>(row)].emoji.c_str()));
  hide_emoji_completion(app);
  SetFocus(edit);
  return true;
}

void App::accept_emoji_completion() { try_accept_emoji_completion(*this); }

}  // namespace tavrel::win
