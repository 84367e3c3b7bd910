// Inline pieces of the block model: entities, inline tags, and HTML escaping.
#include <algorithm>
#include <functional>
#include <map>

#include "render/markdown_walk.h"

namespace tavrel::win {
namespace {

constexpr std::string_view kReplacementChar = "\xEF\xBF\xBD";
constexpr std::uint32_t kMaxScalar = 0x10FFFF;

// Built on first use; C++ guarantees one construction even when two renders start at once.
const std::map<std::string, std::string, std::less<>>& entity_table() {
  static const std::map<std::string, std::string, std::less<>> table{
      {"&amp;", "&"},
      {"&lt;", "<"},
      {"&gt;", ">"},
      {"&quot;", "\""},
      {"&apos;", "'"},
      {"&nbsp;", " "},
      {"&copy;", "\xC2\xA9"},
      {"&mdash;", "\xE2\x80\x94"},
      {"&ndash;", "\xE2\x80\x93"},
  };
  return table;
}

int digit_value(char c, int base) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (base == 16 && c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (base == 16 && c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

bool is_hex_digit(char c) { return digit_value(c, 16) >= 0; }

void append_utf8(std::string& out, std::uint32_t scalar) {
  if (scalar < 0x80) {
    out += static_cast<char>(scalar);
  } else if (scalar < 0x800) {
    out += static_cast<char>(0xC0 | (scalar >> 6));
    out += static_cast<char>(0x80 | (scalar & 0x3F));
  } else if (scalar < 0x10000) {
    out += static_cast<char>(0xE0 | (scalar >> 12));
    out += static_cast<char>(0x80 | ((scalar >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (scalar & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (scalar >> 18));
    out += static_cast<char>(0x80 | ((scalar >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((scalar >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (scalar & 0x3F));
  }
}

// "&#65;" or "&#x41;": the value of the leading digits, saturated just above the Unicode range
// so that long digit strings cannot wrap around into a valid character.
bool read_numeric_entity(std::string_view entity, std::uint32_t& value) {
  if (entity.size() < 2 || entity[0] != '&' || entity[1] != '#') {
    return false;
  }
  const bool hex = entity.size() > 2 && (entity[2] == 'x' || entity[2] == 'X');
  const int base = hex ? 16 : 10;
  std::size_t i = hex ? 3 : 2;
  std::size_t const first = i;
  std::uint32_t result = 0;
  for (; i < entity.size(); ++i) {
    const int d = digit_value(entity[i], base);
    if (d < 0) {
      break;
    }
    result = std::min<std::uint32_t>(
        result * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(d), kMaxScalar + 1);
  }
  if (i == first) {
    return false;
  }
  value = result;
  return true;
}

}  // namespace

std::string decode_html_entity(const std::string& entity) {
  const auto& table = entity_table();
  if (auto it = table.find(entity); it != table.end()) {
    return it->second;
  }
  std::uint32_t value = 0;
  if (!read_numeric_entity(entity, value)) {
    return entity;
  }
  // NUL, surrogates and values past U+10FFFF are no characters; a NUL byte in particular would
  // cut the text short in every C string API downstream.
  if (value == 0 || (value >= 0xD800 && value <= 0xDFFF) || value > kMaxScalar) {
    return std::string(kReplacementChar);
  }
  std::string out;
  append_utf8(out, value);
  return out;
}

std::string_view match_color_span(std::string_view tag) {
  constexpr std::string_view head = "<span style=\"color:";
  constexpr std::string_view tail = "\">";
  constexpr std::size_t color_size = 7;
  if (tag.size() != head.size() + color_size + tail.size() || !tag.starts_with(head) ||
      !tag.ends_with(tail)) {
    return {};
  }
  std::string_view const color = tag.substr(head.size(), color_size);
  if (color[0] != '#') {
    return {};
  }
  for (char c : color.substr(1)) {
    if (!is_hex_digit(c)) {
      return {};
    }
  }
  return color;
}

void apply_inline_tag(MarkdownWalk& walk, std::string_view tag) {
  if (tag == "<u>") {
    walk.style |= RunStyle::Underline;
  } else if (tag == "</u>") {
    walk.style &= ~RunStyle::Underline;
  } else if (tag == "</span>") {
    walk.color.clear();  // colour spans do not nest: any close ends the colour
    walk.color_epoch = 0;
  } else if (std::string_view color = match_color_span(tag); !color.empty()) {
    walk.color.assign(color);
    walk.color_epoch = walk.next_epoch++;
  }
}

std::string without_nul(std::string_view piece) {
  std::string out;
  out.reserve(piece.size());
  for (char c : piece) {
    if (c != '\0') {
      out += c;
    }
  }
  return out;
}

std::string escape_html(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (char c : text) {
    switch (c) {
      case '"':
        out += "&quot;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '\'':
        out += "&#39;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
        break;
    }
  }
  return out;
}

}  // namespace tavrel::win
