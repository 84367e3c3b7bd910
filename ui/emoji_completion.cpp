// Capitals and punctuation end a completion: shortcodes are lower-case words, and a colon in
// ordinary prose ("Note: ...") is followed by a blank, which no query contains.
#include "ui/emoji_completion.h"

#include <algorithm>
#include <cwctype>

namespace tavrel::win {

const std::array<EmojiShortcode, 20> kEmojiShortcodes = {{
    {L"smile", L"\U0001F600"},     {L"rocket", L"\U0001F680"},   {L"heart", L"\u2764\uFE0F"},
    {L"check", L"\u2705"},         {L"tada", L"\U0001F389"},     {L"idea", L"\U0001F4A1"},
    {L"memo", L"\U0001F4DD"},      {L"fire", L"\U0001F525"},     {L"thumbsup", L"\U0001F44D"},
    {L"warning", L"\u26A0\uFE0F"}, {L"sparkles", L"\u2728"},     {L"pin", L"\U0001F4CC"},
    {L"books", L"\U0001F4DA"},     {L"target", L"\U0001F3AF"},   {L"star", L"\u2B50"},
    {L"coffee", L"\u2615"},        {L"bug", L"\U0001F41B"},      {L"white_check_mark", L"\u2705"},
    {L"wave", L"\U0001F44B"},      {L"thinking", L"\U0001F914"},
}};

namespace {

bool is_query_char(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'_';
}

// MulDiv(value, dpi, 96) for the non-negative values used here.
int scale(int value, int dpi) { return (value * dpi + 48) / 96; }

}  // namespace

std::optional<EmojiTrigger> parse_emoji_trigger(std::wstring_view before_caret) {
  const size_t colon = before_caret.rfind(L':');
  if (colon == std::wstring_view::npos) return std::nullopt;
  if (colon > 0 && !std::iswspace(before_caret[colon - 1])) return std::nullopt;
  const std::wstring_view query = before_caret.substr(colon + 1);
  if (!std::all_of(query.begin(), query.end(), is_query_char)) return std::nullopt;
  return EmojiTrigger{colon, std::wstring(query)};
}

std::vector<EmojiShortcode> match_emoji(std::wstring_view query) {
  std::vector<EmojiShortcode> matches;
  for (const EmojiShortcode& entry : kEmojiShortcodes) {
    if (std::wstring_view(entry.shortcode).starts_with(query)) matches.push_back(entry);
  }
  return matches;
}

std::wstring emoji_row_text(const EmojiShortcode& entry) {
  return entry.emoji + L"   :" + entry.shortcode + L":";
}

PopupRect emoji_popup_rect(int anchor_x, int anchor_y, int client_width, int client_height,
                           size_t matches, int dpi) {
  PopupRect rect;
  rect.width = scale(250, dpi);
  rect.height = scale(static_cast<int>(std::min<size_t>(matches, 6)) * 24, dpi);
  rect.x = std::min(std::max(anchor_x, 0), std::max(client_width - rect.width, 0));
  rect.y = std::min(anchor_y, client_height - scale(34, dpi) - rect.height);
  return rect;
}

}  // namespace tavrel::win
