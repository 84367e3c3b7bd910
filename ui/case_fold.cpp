#include "ui/case_fold.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

#include "core/text_convert.h"

namespace tavrel::win {
namespace {

// Code points first to last, or every other one of them (stride 2), fold to themselves plus
// delta.
struct FoldRun {
  char32_t first;
  char32_t last;
  std::int32_t delta;
  char32_t stride;
};

constexpr FoldRun kFoldRuns[] = {
#include "ui/case_fold_table.inc"
};

char32_t fold_by_runs(char32_t c) {
  const auto after =
      std::upper_bound(std::begin(kFoldRuns), std::end(kFoldRuns), c,
                       [](char32_t value, const FoldRun& run) { return value < run.first; });
  if (after == std::begin(kFoldRuns)) return c;
  const FoldRun& run = *std::prev(after);
  if (c > run.last || (c - run.first) % run.stride != 0) return c;
  return static_cast<char32_t>(static_cast<std::int32_t>(c) + run.delta);
}

// The engine folds a unit at each comparison of a search that ignores case: units below U+10000
// are looked up directly.
using UnitTable = std::array<char16_t, 0x10000>;

UnitTable make_unit_table() {
  UnitTable table{};
  for (char32_t unit = 0; unit < table.size(); ++unit) {
    table[unit] = static_cast<char16_t>(fold_by_runs(unit));
  }
  return table;
}

}  // namespace

char32_t fold_code_point(char32_t c) {
  static const UnitTable units = make_unit_table();
  return c < units.size() ? units[c] : fold_by_runs(c);
}

wchar_t fold_case(wchar_t unit) {
  return static_cast<wchar_t>(fold_code_point(static_cast<char32_t>(unit)));
}

std::string fold_case_utf8(std::string_view text) {
  std::string folded;
  folded.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    char32_t c = 0;
    if (decode_utf8(text, at, c)) {
      append_utf8(folded, fold_code_point(c));
    } else {
      folded += text[at++];
    }
  }
  return folded;
}

}  // namespace tavrel::win
