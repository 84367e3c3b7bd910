#include "ui/caret_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tavrel::win;

namespace {

// A control's text, read as the status bar reads it, counting the characters handed out.
struct Text {
  std::wstring units;
  std::int64_t read = 0;
  TextReader reader() {
    return [this](std::int64_t start, std::int64_t end) {
      EXPECT_LE(0, start);
      EXPECT_LE(start, end);
      EXPECT_LE(end - start, kLineCountPiece);
      read += end - start;
      return units.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
    };
  }
  TextVersion version(std::uint64_t revision = 0) const {
    return {revision, static_cast<std::int64_t>(units.size())};
  }
};

struct Step {
  std::int64_t position, line, start;
};

TEST(CaretLine, CountsTheFilesLinesWhereverTheCaretGoes) {
  Text text{L"ab\rcd\r\rlast"};
  CaretLineCounter counter;
  // Forward, backward past several breaks, onto and just after a break, to the end and beyond.
  for (const Step& step : std::vector<Step>{{0, 0, 0},
                                            {2, 0, 0},
                                            {3, 1, 3},
                                            {7, 3, 7},
                                            {6, 2, 6},
                                            {1, 0, 0},
                                            {5, 1, 3},
                                            {11, 3, 7},
                                            {40, 3, 7},
                                            {-3, 0, 0}}) {
    const TextLine line = counter.line_at(step.position, text.version(), text.reader());
    EXPECT_EQ(line.index, step.line) << step.position;
    EXPECT_EQ(line.start, step.start) << step.position;
  }
}

TEST(CaretLine, AnotherVersionOfTheTextIsCountedAfresh) {
  Text text{L"a\rb\rc"};
  CaretLineCounter counter;
  EXPECT_EQ(counter.line_at(4, text.version(1), text.reader()).index, 2);
  text.units = L"\r\r\r\rc";  // same length, edited
  EXPECT_EQ(counter.line_at(4, text.version(2), text.reader()).index, 4);
  text.units = L"abcd\r\r";  // replaced without an edit: another length
  EXPECT_EQ(counter.line_at(4, text.version(2), text.reader()).index, 0);
}

// A move reads the stretch it crosses, not the text before it; a line far longer than the first
// look back is still found whole.
TEST(CaretLine, ReadsOnlyWhatAMoveCrosses) {
  const std::int64_t size = 3 * kLineCountPiece;
  Text text{std::wstring(static_cast<size_t>(size), L'x')};
  text.units[10] = L'\r';
  text.units[static_cast<size_t>(size - 5)] = L'\r';
  CaretLineCounter counter;
  TextLine line = counter.line_at(size - 10, text.version(), text.reader());
  EXPECT_EQ(line.index, 1);
  EXPECT_EQ(line.start, 11);
  text.read = 0;
  line = counter.line_at(size - 2, text.version(), text.reader());
  EXPECT_EQ(line.index, 2);
  EXPECT_EQ(line.start, size - 4);
  EXPECT_LT(text.read, 1000);
  text.read = 0;
  EXPECT_EQ(counter.line_at(5, text.version(), text.reader()).index, 0);  // near the start
  EXPECT_LT(text.read, 1000);
}

}  // namespace
