#pragma once
// Every JSON text the program reads from outside (settings, recovery snapshots, hand-overs)
// passes here first. The parser itself is iterative, but copying, comparing, dumping and
// destroying a value recurse once per level, so a hostile file of a few hundred kilobytes of
// brackets would exhaust the stack long after the parse succeeded.
#include <nlohmann/json.hpp>

#include <cstddef>
#include <string_view>

namespace tavrel::win {

// Deeper nesting than any file the program writes could need by a wide margin.
inline constexpr std::size_t kJsonDepthLimit = 256;

// Whether no array or object in the text lies more than `limit` levels deep. Brackets inside
// strings do not count; the text need not be valid JSON.
bool json_depth_within(std::string_view text, std::size_t limit = kJsonDepthLimit);

// Strict JSON (no comments). A text that is not JSON or nests too deeply gives a discarded value.
nlohmann::json parse_json_guarded(std::string_view text);

}  // namespace tavrel::win
