// Find next over arbitrary UTF-16 text (lone halves of pairs included) with arbitrary
// expressions: the stand-ins for characters above U+FFFF map back exactly, and no match begins or
// ends inside a pair or outside the text. An expression the engine rejects or gives up on is an
// answer too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/character_map.h"
#include "ui/find_replace.h"

namespace {

using tavrel::win::CharacterMap;

bool inside_pair(const std::wstring& text, std::size_t at) {
  return at > 0 && at < text.size() && text[at - 1] >= 0xD800 && text[at - 1] <= 0xDBFF &&
         text[at] >= 0xDC00 && text[at] <= 0xDFFF;
}

void check(bool condition) {
  if (!condition) std::abort();
}

// Units from pairs of bytes; the few rare ones the input names are mostly pairs and halves.
std::wstring units_of(const std::uint8_t* data, std::size_t size) {
  std::wstring units;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const unsigned unit = data[i] | (data[i + 1] << 8);
    const unsigned kind = unit >> 14;
    units += static_cast<wchar_t>(kind == 0   ? 0xD800 + (unit & 0x7FF)  // halves of pairs
                                  : kind == 1 ? 0xE000 + (unit & 0xFF)   // private use
                                              : 0x20 + (unit & 0x5F));   // ASCII
  }
  return units;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const bool regex = (data[0] & 1) != 0;
  const bool match_case = (data[0] & 2) != 0;
  const std::size_t split = 1 + data[1] % (size - 1);
  const std::wstring pattern = units_of(data + 2, split > 2 ? split - 2 : 0);
  const std::wstring text = units_of(data + split, size - split);
  try {
    const CharacterMap map(text, pattern, regex, !match_case);
    std::wstring back;
    map.append_original(back, map.text());
    check(back == text);
    for (std::size_t at = 0; at <= text.size(); ++at) {
      if (!inside_pair(text, at)) check(map.to_original(map.to_mapped(at)) == at);
    }
    if (pattern.empty()) return 0;
    const auto match = tavrel::win::find_match(text, pattern, regex, match_case, data[0] >> 2);
    if (match) {
      check(match->start <= match->end && match->end <= text.size());
      check(!inside_pair(text, match->start) && !inside_pair(text, match->end));
    }
  } catch (const tavrel::win::InvalidExpression&) {
  } catch (const tavrel::win::SearchTooComplex&) {}
  return 0;
}
