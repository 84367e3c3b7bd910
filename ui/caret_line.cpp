#include "ui/caret_line.h"

#include <algorithm>

namespace tavrel::win {
namespace {

constexpr wchar_t kParagraphBreak = L'\r';
constexpr std::int64_t kFirstLookBack = 256;

std::int64_t breaks_between(std::int64_t start, std::int64_t end, const TextReader& read) {
  std::int64_t count = 0;
  for (std::int64_t at = start; at < end;) {
    const std::int64_t piece_end = std::min(end, at + kLineCountPiece);
    const std::wstring piece = read(at, piece_end);
    count += std::count(piece.begin(), piece.end(), kParagraphBreak);
    at = piece_end;
  }
  return count;
}

// The position after the last break before `position`: looked for backwards in growing pieces,
// since lines are mostly short.
std::int64_t line_start(std::int64_t position, const TextReader& read) {
  std::int64_t end = position;
  for (std::int64_t piece = kFirstLookBack; end > 0; piece = std::min(piece * 2, kLineCountPiece)) {
    const std::int64_t start = std::max<std::int64_t>(0, end - piece);
    const std::wstring text = read(start, end);
    const size_t found = text.rfind(kParagraphBreak);
    if (found != std::wstring::npos) return start + static_cast<std::int64_t>(found) + 1;
    end = start;
  }
  return 0;
}

}  // namespace

TextLine CaretLineCounter::line_at(std::int64_t position, const TextVersion& version,
                                   const TextReader& read) {
  position = std::clamp<std::int64_t>(position, 0, version.length);
  // A new text is counted from its start, and so is a position nearer the start than the last.
  if (version_ != version || position < position_ - position) {
    version_ = version;
    position_ = 0;
    breaks_ = 0;
  }
  if (position >= position_) {
    breaks_ += breaks_between(position_, position, read);
  } else {
    breaks_ -= breaks_between(position, position_, read);
  }
  position_ = position;
  return TextLine{breaks_, line_start(position, read)};
}

}  // namespace tavrel::win
