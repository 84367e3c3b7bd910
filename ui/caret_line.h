#pragma once
// The line of the file the caret is on, as the status bar names it. RichEdit counts wrapped
// display rows as lines; the user counts the file's lines, which end at a paragraph break (one
// CR in the control's text). Counting the breaks before the caret reads the text in pieces and
// keeps its count, so a caret move reads only the stretch it crossed and an edit of a long
// document never copies the whole text at once.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tavrel::win {

struct TextLine {
  std::int64_t index = 0;  // 0-based line of the file
  std::int64_t start = 0;  // position of its first character
};

// Which text a count belongs to: any edit changes the revision, and a text replaced without an
// edit (never counted as one) almost always changes the length.
struct TextVersion {
  std::uint64_t revision = 0;
  std::int64_t length = 0;
  bool operator==(const TextVersion&) const = default;
};

// The text between two positions, end excluded.
using TextReader = std::function<std::wstring(std::int64_t start, std::int64_t end)>;

// The largest piece read at once, in characters.
inline constexpr std::int64_t kLineCountPiece = std::int64_t{1} << 20;

class CaretLineCounter {
 public:
  TextLine line_at(std::int64_t position, const TextVersion& version, const TextReader& read);

 private:
  std::optional<TextVersion> version_;
  std::int64_t position_ = 0;  // the breaks before it are counted
  std::int64_t breaks_ = 0;
};

}  // namespace tavrel::win
