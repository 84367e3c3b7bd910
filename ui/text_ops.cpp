#include "ui/text_ops.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/text_convert.h"

namespace tavrel::win {
namespace {

constexpr wchar_t kCr = L'\r';
constexpr wchar_t kLf = L'\n';

bool is_break(wchar_t unit) { return unit == kCr || unit == kLf; }

bool is_white_space(wchar_t unit) {
  return unit == L' ' || unit == L'\t' || is_break(unit) || unit == L'\u00A0' || unit == L'\u3000';
}

// Length in units of the line break starting at `index` (2 for CR LF), 0 when none starts there.
std::size_t break_length(std::wstring_view text, std::size_t index) {
  if (index >= text.size() || !is_break(text[index])) return 0;
  if (text[index] == kCr && index + 1 < text.size() && text[index + 1] == kLf) return 2;
  return 1;
}

// Positions covered by text[from, to), which must not split a CR LF pair: one per unit, less
// one for every CR LF pair inside.
std::int64_t positions_between(std::wstring_view text, std::size_t from, std::size_t to) {
  std::int64_t count = static_cast<std::int64_t>(to - from);
  const std::wstring_view range = text.substr(0, to);
  for (std::size_t lf = range.find(kLf, from + 1); lf != std::wstring_view::npos;
       lf = range.find(kLf, lf + 1)) {
    if (text[lf - 1] == kCr) --count;
  }
  return count;
}

// Copies `source` onto `out` with every line break spelt as one CR; `after_break` is appended
// behind each break (the line prefix), so paragraph-wise prefixing is the same walk.
void append_with_cr_breaks(std::wstring& out, std::wstring_view source,
                           std::wstring_view after_break) {
  for (std::size_t i = 0; i < source.size();) {
    std::size_t step = break_length(source, i);
    if (step == 0) {
      out.push_back(source[i]);
      ++i;
      continue;
    }
    out.push_back(kCr);
    out.append(after_break);
    i += step;
  }
}

std::wstring with_cr_breaks(std::wstring_view source) {
  std::wstring out;
  out.reserve(source.size());
  append_with_cr_breaks(out, source, {});
  return out;
}

// The selection in order and inside the text, with -1 (or anything past the end) as the end.
TextSelection clamp_selection(std::wstring_view text, TextSelection selection) {
  const std::int64_t count = editor_position_count(text);
  auto clamp = [count](std::int64_t value, std::int64_t negative_means) {
    if (value < 0) return negative_means;
    return std::min(value, count);
  };
  TextSelection out{clamp(selection.start, 0), clamp(selection.end, count)};
  if (out.start > out.end) std::swap(out.start, out.end);
  return out;
}

std::size_t utf8_length(char32_t value) {
  return value < 0x80 ? 1 : value < 0x800 ? 2 : value < 0x10000 ? 3 : 4;
}

char* write_utf8(char* out, char32_t value) {
  if (value < 0x80) {
    *out++ = static_cast<char>(value);
  } else if (value < 0x800) {
    *out++ = static_cast<char>(0xC0 | (value >> 6));
    *out++ = static_cast<char>(0x80 | (value & 0x3F));
  } else if (value < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (value >> 12));
    *out++ = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (value & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (value >> 18));
    *out++ = static_cast<char>(0x80 | ((value >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (value & 0x3F));
  }
  return out;
}

// The unit as an unsigned UTF-16 value; a Linux wchar_t beyond 16 bits is no unit at all.
std::uint32_t unit_at(std::wstring_view text, std::size_t index) {
  return static_cast<std::uint32_t>(text[index]);
}

bool is_high_surrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Calls `emit` with each code point of the editor text as document text: CR LF and a lone CR
// give one LF, and a unit that cannot be decoded gives U+FFFD.
template <typename Emit>
void for_each_code_point(std::wstring_view text, Emit emit) {
  constexpr char32_t kReplacement = 0xFFFD;
  const std::size_t size = text.size();
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint32_t unit = unit_at(text, i);
    if (unit == static_cast<std::uint32_t>(kCr)) {
      if (i + 1 < size && text[i + 1] == kLf) ++i;
      emit(U'\n');
    } else if (unit < 0xD800) {
      emit(unit);
    } else if (is_high_surrogate(unit) && i + 1 < size && is_low_surrogate(unit_at(text, i + 1))) {
      const std::uint32_t low = unit_at(text, ++i);
      emit(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    } else if (unit <= 0xDFFF || unit > 0xFFFF) {
      emit(kReplacement);
    } else {
      emit(unit);
    }
  }
}

// MulDiv's rounding: the exact quotient rounded half away from zero; -1 for a zero divisor.
std::int64_t mul_div(std::int64_t a, std::int64_t b, std::int64_t c) {
  if (c == 0) return -1;
  std::int64_t product = a * b;
  bool negative = (product < 0) != (c < 0);
  std::int64_t magnitude = (std::llabs(product) + std::llabs(c) / 2) / std::llabs(c);
  return negative ? -magnitude : magnitude;
}

std::int64_t scroll_span(ScrollRange range) {
  return static_cast<std::int64_t>(range.max) - static_cast<std::int64_t>(range.page) + 1;
}

}  // namespace

std::int64_t editor_position_count(std::wstring_view editor_text) {
  return positions_between(editor_text, 0, editor_text.size());
}

std::size_t editor_index_of_position(std::wstring_view editor_text, std::int64_t position) {
  // Whole runs between LFs are skipped at once: the control's own text has no LF at all, and
  // this is called with positions deep inside documents of many megabytes.
  std::size_t index = 0;
  std::uint64_t remaining = static_cast<std::uint64_t>(std::max<std::int64_t>(position, 0));
  while (remaining > 0 && index < editor_text.size()) {
    const std::size_t lf = editor_text.find(kLf, index);
    if (lf == std::wstring_view::npos) {
      return static_cast<std::size_t>(
          std::min<std::uint64_t>(index + remaining, editor_text.size()));
    }
    const bool pair = lf > index && editor_text[lf - 1] == kCr;
    const std::size_t singles = (pair ? lf - 1 : lf) - index;
    if (remaining <= singles) return index + static_cast<std::size_t>(remaining);
    remaining -= singles + 1;  // the units before the break, then the break itself
    index = lf + 1;
  }
  return index;
}

TextEdit prefix_lines_edit(std::wstring_view editor_text, TextSelection selection,
                           std::wstring_view prefix) {
  const TextSelection sel = clamp_selection(editor_text, selection);
  const std::size_t start_index = editor_index_of_position(editor_text, sel.start);
  const std::size_t end_index = editor_index_of_position(editor_text, sel.end);

  std::size_t first = start_index;
  while (first > 0 && !is_break(editor_text[first - 1])) --first;
  std::size_t last = end_index;
  while (last < editor_text.size() && !is_break(editor_text[last])) ++last;

  TextEdit edit;
  edit.replace_start = sel.start - positions_between(editor_text, first, start_index);
  edit.replace_end = sel.end + positions_between(editor_text, end_index, last);

  const std::wstring line_prefix = with_cr_breaks(prefix);
  edit.text.reserve(line_prefix.size() + (last - first) * 2);
  edit.text.append(line_prefix);
  append_with_cr_breaks(edit.text, editor_text.substr(first, last - first), line_prefix);

  edit.select_start = edit.select_end =
      edit.replace_start + static_cast<std::int64_t>(edit.text.size());
  return edit;
}

TextEdit wrap_selection_edit(std::wstring_view editor_text, TextSelection selection,
                             std::wstring_view prefix, std::wstring_view suffix,
                             std::wstring_view placeholder) {
  const TextSelection sel = clamp_selection(editor_text, selection);
  const std::size_t selected_start = editor_index_of_position(editor_text, sel.start);
  const std::size_t selected_end = editor_index_of_position(editor_text, sel.end);
  std::size_t start_index = selected_start;
  std::size_t end_index = selected_end;
  while (start_index < end_index && is_white_space(editor_text[start_index])) ++start_index;
  while (end_index > start_index && is_white_space(editor_text[end_index - 1])) --end_index;
  if (start_index == end_index) start_index = end_index = selected_end;

  std::wstring body = with_cr_breaks(editor_text.substr(start_index, end_index - start_index));
  if (body.empty()) body = with_cr_breaks(placeholder);
  const std::wstring before = with_cr_breaks(prefix);

  TextEdit edit;
  edit.replace_start = sel.start + positions_between(editor_text, selected_start, start_index);
  edit.replace_end = edit.replace_start + positions_between(editor_text, start_index, end_index);
  edit.text = before + body + with_cr_breaks(suffix);
  edit.select_start = edit.replace_start + static_cast<std::int64_t>(before.size());
  edit.select_end = edit.select_start + static_cast<std::int64_t>(body.size());
  return edit;
}

std::string editor_text_to_utf8(std::wstring_view editor_text) {
  // Two passes over the units: the exact size first, so that a document of many megabytes is
  // written into one allocation without growing it byte by byte.
  std::size_t size = 0;
  for_each_code_point(editor_text, [&size](char32_t value) { size += utf8_length(value); });
  std::string out(size, '\0');
  char* cursor = out.data();
  for_each_code_point(editor_text,
                      [&cursor](char32_t value) { cursor = write_utf8(cursor, value); });
  return out;
}

std::wstring utf8_to_editor_text(std::string_view utf8) {
  std::wstring text = to_wide(utf8);
  std::size_t write = 0;
  for (std::size_t read = 0; read < text.size(); ++read) {
    const wchar_t unit = text[read];
    if (unit == kLf) {
      text[write++] = kCr;
    } else {
      text[write++] = unit;
      if (unit == kCr && read + 1 < text.size() && text[read + 1] == kLf) ++read;
    }
  }
  text.resize(write);
  return text;
}

bool is_openable_link(std::wstring_view url) {
  for (std::wstring_view scheme : {std::wstring_view(L"https://"), std::wstring_view(L"http://"),
                                   std::wstring_view(L"mailto:")}) {
    if (url.substr(0, scheme.size()) == scheme) return true;
  }
  return false;
}

std::int32_t typewriter_scroll_lines(std::int32_t caret_y, std::int32_t client_height,
                                     std::int32_t font_points, std::int32_t dpi) {
  const std::int64_t font_pixels = mul_div(font_points, dpi, 72);
  const std::int64_t step = std::max<std::int64_t>(5 * font_pixels / 4, 1);
  const std::int64_t offset = static_cast<std::int64_t>(caret_y) - client_height / 2;
  return static_cast<std::int32_t>(offset / step);
}

std::int32_t synced_preview_position(ScrollRange editor, ScrollRange preview) {
  const std::int64_t editor_span = std::max<std::int64_t>(scroll_span(editor), 1);
  const std::int64_t preview_span = std::max<std::int64_t>(scroll_span(preview), 0);
  const double exact =
      static_cast<double>(preview_span) * editor.pos / static_cast<double>(editor_span);
  const double bounded = std::clamp(std::trunc(exact), 0.0, static_cast<double>(preview_span));
  return static_cast<std::int32_t>(bounded);
}

double synced_scroll_fraction(ScrollRange editor) {
  const std::int64_t editor_span = std::max<std::int64_t>(scroll_span(editor), 1);
  return static_cast<double>(editor.pos) / static_cast<double>(editor_span);
}

}  // namespace tavrel::win
