#include "core/text_convert.h"

#include <stdexcept>

namespace tavrel::win {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

bool decode_utf8(std::string_view text, size_t& pos, char32_t& out) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(pos);
  if (lead < 0x80) {
    out = lead;
    ++pos;
    return true;
  }
  size_t extra;
  char32_t value;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    value = lead & 0x07;
  } else {
    return false;
  }
  if (pos + extra >= text.size()) return false;
  for (size_t i = 1; i <= extra; ++i) {
    unsigned char c = byte(pos + i);
    if ((c & 0xC0) != 0x80) return false;
    value = (value << 6) | (c & 0x3F);
  }
  if ((extra == 2 && value < 0x800) || (extra == 3 && value < 0x10000)) return false;
  if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  out = value;
  pos += extra + 1;
  return true;
}

namespace {

void append_utf16(std::u16string& out, char32_t value) {
  if (value < 0x10000) {
    out.push_back(static_cast<char16_t>(value));
  } else {
    value -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (value >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
  }
}

// Decodes one UTF-16 character at `pos`; returns false (and leaves `pos`) for a lone surrogate.
bool decode_utf16(std::u16string_view text, size_t& pos, char32_t& out) {
  char16_t unit = text[pos];
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    if (pos + 1 >= text.size()) return false;
    char16_t low = text[pos + 1];
    if (low < 0xDC00 || low > 0xDFFF) return false;
    out = ((char32_t(unit) - 0xD800) << 10) + (char32_t(low) - 0xDC00) + 0x10000;
    pos += 2;
    return true;
  }
  if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
  out = unit;
  ++pos;
  return true;
}

}  // namespace

void append_utf8(std::string& out, char32_t value) {
  if (value < 0x80) {
    out.push_back(static_cast<char>(value));
  } else if (value < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (value >> 6)));
    out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
  } else if (value < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (value >> 12)));
    out.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (value >> 18)));
    out.push_back(static_cast<char>(0x80 | ((value >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
  }
}

namespace {

std::u16string utf8_to_utf16_impl(std::string_view text, bool lenient) {
  std::u16string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t value;
    if (!decode_utf8(text, pos, value)) {
      if (!lenient) throw std::runtime_error("Invalid UTF-8");
      value = kReplacement;
      ++pos;
    }
    append_utf16(out, value);
  }
  return out;
}

std::string utf16_to_utf8_impl(std::u16string_view text, bool lenient) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t value;
    if (!decode_utf16(text, pos, value)) {
      if (!lenient) throw std::runtime_error("Invalid UTF-16");
      value = kReplacement;
      ++pos;
    }
    append_utf8(out, value);
  }
  return out;
}

std::wstring units_to_wide(std::u16string_view units) {
  return std::wstring(units.begin(), units.end());
}

std::u16string wide_to_units(std::wstring_view text) {
  std::u16string units;
  units.reserve(text.size());
  for (wchar_t c : text) {
    // A Linux wchar_t beyond 16 bits cannot be a UTF-16 unit: let the strict decoder refuse it.
    if constexpr (sizeof(wchar_t) > 2) {
      if (static_cast<unsigned long>(c) > 0xFFFF) {
        units.push_back(char16_t(0xDC00));
        continue;
      }
    }
    units.push_back(char16_t(c));
  }
  return units;
}

}  // namespace

std::u16string utf8_to_utf16(std::string_view text) { return utf8_to_utf16_impl(text, false); }
std::string utf16_to_utf8(std::u16string_view text) { return utf16_to_utf8_impl(text, false); }

std::wstring to_wide(std::string_view text) { return units_to_wide(utf8_to_utf16(text)); }
std::string to_utf8(std::wstring_view text) { return utf16_to_utf8(wide_to_units(text)); }

std::wstring to_wide_lenient(std::string_view text) {
  return units_to_wide(utf8_to_utf16_impl(text, true));
}
std::string utf16_to_utf8_lenient(std::u16string_view text) {
  return utf16_to_utf8_impl(text, true);
}

bool is_valid_utf8(std::string_view text) {
  size_t pos = 0;
  char32_t value;
  while (pos < text.size()) {
    if (!decode_utf8(text, pos, value)) return false;
  }
  return true;
}

}  // namespace tavrel::win
