#pragma once
// Strict conversions between the program's two text forms: UTF-8 (document text, JSON) and UTF-16
// (paths, window texts). Invalid input throws; nothing is ever silently replaced here.
#include <string>
#include <string_view>

namespace tavrel::win {

std::u16string utf8_to_utf16(std::string_view text);  // throws "Invalid UTF-8"
std::string utf16_to_utf8(std::u16string_view text);  // throws "Invalid UTF-16"

// Wide strings hold UTF-16 units (on Linux, one unit per wchar_t) so both builds agree.
std::wstring to_wide(std::string_view text);
std::string to_utf8(std::wstring_view text);

// For texts shown to the user (error boxes, status bar): invalid sequences become U+FFFD, so
// showing an error can never fail in turn.
std::wstring to_wide_lenient(std::string_view text);
std::string utf16_to_utf8_lenient(std::u16string_view text);

// One character of UTF-8 at `pos`, by the rules of utf8_to_utf16: on success `out` receives it and
// `pos` moves past it; false (and `pos` left) when the bytes there are not a valid character.
bool decode_utf8(std::string_view text, size_t& pos, char32_t& out);
void append_utf8(std::string& out, char32_t value);

// The same rules as utf8_to_utf16, without building the result.
bool is_valid_utf8(std::string_view text);

}  // namespace tavrel::win
