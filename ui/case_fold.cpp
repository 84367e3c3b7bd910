#include "ui/case_fold.h"

namespace tavrel::win {
namespace {

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the well-formed two- or three-byte character at `at`, else 0. Longer
// characters lie outside the folded blocks and pass through byte by byte.
size_t bmp_length(std::string_view text, size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  const size_t left = text.size() - at;
  if (lead >= 0xC2 && lead <= 0xDF && left >= 2 && is_continuation(text[at + 1])) return 2;
  if (lead >= 0xE0 && lead <= 0xEF && left >= 3 && is_continuation(text[at + 1]) &&
      is_continuation(text[at + 2])) {
    return 3;
  }
  return 0;
}

unsigned decode(std::string_view bytes) {
  const auto byte = [&bytes](size_t i) { return static_cast<unsigned char>(bytes[i]) & 0x3Fu; };
  if (bytes.size() == 2) return (static_cast<unsigned char>(bytes[0]) & 0x1Fu) << 6 | byte(1);
  return (static_cast<unsigned char>(bytes[0]) & 0x0Fu) << 12 | byte(1) << 6 | byte(2);
}

// `unit` in `length` bytes; false when it needs another length.
bool encode(unsigned unit, size_t length, char* out) {
  if (length == 2 && unit >= 0x80 && unit <= 0x7FF) {
    out[0] = static_cast<char>(0xC0 | unit >> 6);
    out[1] = static_cast<char>(0x80 | (unit & 0x3F));
    return true;
  }
  if (length == 3 && unit >= 0x800) {
    out[0] = static_cast<char>(0xE0 | unit >> 12);
    out[1] = static_cast<char>(0x80 | (unit >> 6 & 0x3F));
    out[2] = static_cast<char>(0x80 | (unit & 0x3F));
    return true;
  }
  return false;
}

}  // namespace

wchar_t fold_case(wchar_t c) {
  const auto unit = static_cast<unsigned>(c);
  const auto in = [unit](unsigned first, unsigned last) { return unit >= first && unit <= last; };
  const auto even = [unit] { return unit % 2 == 0; };
  if (in('A', 'Z') || (in(0xC0, 0xDE) && c != 0xD7)) return static_cast<wchar_t>(c + 0x20);
  if ((in(0x100, 0x12F) || in(0x132, 0x137) || in(0x14A, 0x177) || in(0x1E00, 0x1E95) ||
       in(0x1EA0, 0x1EFF)) &&
      even()) {
    return static_cast<wchar_t>(c + 1);
  }
  if ((in(0x139, 0x148) || in(0x179, 0x17E)) && !even()) return static_cast<wchar_t>(c + 1);
  if (c == 0x178) return 0xFF;
  if (c == 0x1A0 || c == 0x1AF) return static_cast<wchar_t>(c + 1);  // Ơ, Ư
  if ((in(0x391, 0x3AB) && c != 0x3A2) || in(0x410, 0x42F) || in(0xFF21, 0xFF3A)) {
    return static_cast<wchar_t>(c + 0x20);
  }
  if (in(0x400, 0x40F)) return static_cast<wchar_t>(c + 0x50);
  return c;
}

std::string fold_case_utf8(std::string_view text) {
  std::string folded(text);
  for (size_t at = 0; at < folded.size();) {
    const size_t length = bmp_length(folded, at);
    if (length == 0) {
      const auto byte = static_cast<unsigned char>(folded[at]);
      if (byte < 0x80) folded[at] = static_cast<char>(fold_case(static_cast<wchar_t>(byte)));
      ++at;
      continue;
    }
    const auto unit = static_cast<unsigned>(
        fold_case(static_cast<wchar_t>(decode(std::string_view(folded).substr(at, length)))));
    char bytes[3];
    if (encode(unit, length, bytes)) folded.replace(at, length, bytes, length);
    at += length;
  }
  return folded;
}

}  // namespace tavrel::win
