#include "ui/toolbar_model.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

namespace tavrel::win {
namespace {

// Writes every stroke as one line of text so that a picture compares as a whole.
class RecordingCanvas final : public IconCanvas {
 public:
  std::ostringstream out;
  void put(char kind, std::initializer_list<float> values) {
    out << kind;
    for (const float v : values) out << ' ' << v;
    out << '\n';
  }
  void line(IconPoint a, IconPoint b) override { put('L', {a.x, a.y, b.x, b.y}); }
  void rect(float x, float y, float w, float h) override { put('R', {x, y, w, h}); }
  void ellipse(float x, float y, float w, float h) override { put('E', {x, y, w, h}); }
  void curve(IconPoint a, IconPoint b, IconPoint c, IconPoint d) override {
    put('C', {a.x, a.y, b.x, b.y, c.x, c.y, d.x, d.y});
  }
  void pen_width(float width) override { put('W', {width}); }
  void pen_accent() override { put('A', {}); }
};

std::string strokes_of(int id) {
  RecordingCanvas canvas;
  draw_icon_strokes(canvas, id);
  return canvas.out.str();
}

TEST(ToolbarIcons, PicturesStrokeInOrderWithTheirPenChanges) {
  EXPECT_EQ(strokes_of(117), "W 2.3\nL 6 3 6 17\nC 6 3 17 1 17 11 6 10\nC 6 10 18 8 18 19 6 17\n");
  EXPECT_EQ(strokes_of(123),
            "R 2 3 16 14\nE 5 6 2 2\nL 3 16 8 11\nL 8 11 11 14\nL 11 14 14 10\nL 14 10 17 13\n");
  EXPECT_EQ(strokes_of(128), "L 5 14 10 3\nL 10 3 15 14\nL 7 10 13 10\nA\nW 2.8\nL 3 18 17 18\n");
  EXPECT_EQ(strokes_of(122), "C 8 7 15 -2 22 5 13 12\nC 12 13 5 22 -2 15 7 8\nL 7 13 13 7\n");
  EXPECT_EQ(strokes_of(0), "");
  EXPECT_EQ(strokes_of(129), "");
}

TEST(ToolbarIcons, PicturesBelongToDistinctButtonsOnly) {
  std::set<int> buttons;
  for (const ToolbarEntry& entry : toolbar_entries()) buttons.insert(entry.command_id);
  EXPECT_EQ(buttons.size(), 18u);  // the separators share id 0
  for (int id = -1; id < 1000; ++id)
    EXPECT_EQ(strokes_of(id).empty(), !buttons.count(id) || id == 0) << id;
}

}  // namespace
}  // namespace tavrel::win
