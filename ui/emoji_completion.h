#pragma once
// Emoji completion while typing: ":ro" right after white space (or at the start of the text
// looked at) offers the emoji whose shortcodes start with "ro".
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::win {

struct EmojiShortcode {
  std::wstring shortcode;  // without colons
  std::wstring emoji;
};

extern const std::array<EmojiShortcode, 20> kEmojiShortcodes;

// How many characters before the caret are looked at for a trigger.
inline constexpr std::size_t kEmojiLookBehind = 36;

struct EmojiTrigger {
  std::size_t colon = 0;  // index of the colon in the text looked at
  std::wstring query;     // the characters after it
};

// The trigger at the end of `before_caret`: its last colon, which must open the text or follow
// white space, then only a-z, 0-9 and "_". Nothing when there is no such trigger.
std::optional<EmojiTrigger> parse_emoji_trigger(std::wstring_view before_caret);

// The table entries whose shortcode starts with `query` (case-sensitive), in table order.
std::vector<EmojiShortcode> match_emoji(std::wstring_view query);

// The list's row text: the emoji, three blanks and the shortcode between colons.
std::wstring emoji_row_text(const EmojiShortcode& entry);

struct PopupRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// Where the list goes in the main window's client area (pixels): under the caret point `anchor`
// (already moved down one row), kept inside the client width and ending at least 34 DIP above
// the bottom; at most six rows of 24 DIP show.
PopupRect emoji_popup_rect(int anchor_x, int anchor_y, int client_width, int client_height,
                           std::size_t matches, int dpi);

}  // namespace tavrel::win
