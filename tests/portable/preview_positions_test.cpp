// Places in the preview's text as the model gives them; that the control counts the same is
// shown under Wine (tests/win/preview_nav_test.cpp), here the rules and the lookups.
#include "render/preview_positions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model_builders.h"

namespace tavrel::win {
namespace {

using test::block;
using test::run;

TEST(PreviewPositions, CountUnitsBreaksAndTableMarks) {
  RenderedMarkdown doc = test::model({
      block(BlockKind::Heading, 1, {run("A\xC3\xA9")}),
      block(BlockKind::Paragraph, 0, {run("x\xF0\x9F\x98\x80\r\n"), run("y", {}, "#a")}),
      block(BlockKind::Rule, 0, {}),
      block(BlockKind::TableRow, 1, {}, {{run("ab")}, {run("c", {}, "#b")}}),
      block(BlockKind::ListItem, 1, {run("\xE2\x80\xA2  "), run("z", {}, "#a")}),
      block(BlockKind::Heading, 2, {}),
      block(BlockKind::Paragraph, 0, {run("", {}, "#a"), run("w", {}, "https://x")}),
  });
  doc.front_matter = "t: 1";  // four units and two breaks ahead of everything
  const PreviewPositions positions = preview_positions(doc);
  EXPECT_EQ(positions.headings, (std::vector<std::uint64_t>{6, 30}));
  // "x", the emoji (two units), LF (one), no CR, then "y"; after the rule's break the row: two
  // marks, "ab", an end, then "c"; the empty run and the web link are no anchors.
  const std::vector<std::pair<std::uint64_t, std::uint64_t>> anchors = {
      {13, 14}, {21, 22}, {28, 29}};
  ASSERT_EQ(positions.anchors.size(), anchors.size());
  for (std::size_t i = 0; i < anchors.size(); ++i) {
    EXPECT_EQ(positions.anchors[i].begin, anchors[i].first) << i;
    EXPECT_EQ(positions.anchors[i].end, anchors[i].second) << i;
  }
  EXPECT_EQ(positions.anchors[1].target, "#b");
  EXPECT_TRUE(has_table(doc));
  doc.blocks[3].cells.clear();  // a row without cells is a paragraph, no table
  EXPECT_FALSE(has_table(doc));
}

TEST(PreviewPositions, AnchorAtAndItsHeading) {
  const std::vector<PreviewAnchor> anchors = {{2, 5, "#a"}, {5, 6, "#b"}, {9, 12, "#c"}};
  const struct {
    std::uint64_t position;
    const char* target;  // nullptr: no anchor there
  } rows[] = {{0, nullptr}, {1, nullptr}, {2, "#a"}, {4, "#a"},  {5, "#b"},
              {6, nullptr}, {8, nullptr}, {9, "#c"}, {11, "#c"}, {12, nullptr}};
  for (const auto& row : rows) {
    const PreviewAnchor* found = anchor_at(anchors, row.position);
    if (row.target == nullptr) {
      EXPECT_EQ(found, nullptr) << row.position;
    } else {
      ASSERT_NE(found, nullptr) << row.position;
      EXPECT_EQ(found->target, row.target);
    }
  }
  EXPECT_EQ(anchor_at({}, 0), nullptr);

  const std::vector<Heading> headings = {
      {1, "Intro", "intro", 2}, {2, "Intro", "intro-1", 20}, {2, "X", "x", 30}};
  EXPECT_EQ(heading_of_anchor(headings, "#intro-1"), 1u);
  EXPECT_EQ(heading_of_anchor(headings, "#intro"), 0u);
  EXPECT_EQ(heading_of_anchor(headings, "#x"), 2u);
  for (const char* miss : {"intro", "xintro", "#Intro", "#", "", "#y"}) {
    EXPECT_FALSE(heading_of_anchor(headings, miss).has_value()) << miss;
  }
}

}  // namespace
}  // namespace tavrel::win
