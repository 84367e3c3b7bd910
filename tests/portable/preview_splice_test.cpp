// Replacing only the changed blocks of the preview: which blocks differ, when a part replacement
// is refused, and that the old text with the new part put in is the new render's text, with RTF
// cut from the render itself.
#include "render/preview_splice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model_builders.h"
#include "render/preview_positions.h"
#include "render/render_job.h"
#include "render/rtf_writer.h"

namespace tavrel::win {
namespace {

using test::block;
using test::run;

Block para(std::string text) { return block(BlockKind::Paragraph, 0, {run(std::move(text))}); }

RenderResult render(std::string text) {
  RenderRequest request;
  request.text = std::move(text);
  request.editor = reinterpret_cast<EditorHandle>(std::uintptr_t{1});
  return render_job(request);
}

std::u16string whole_text(const RenderedMarkdown& markdown) {
  return shown_block_text(markdown.blocks, 0, markdown.blocks.size());
}

// A document of `count` sections with headings, lists, quotes, code, breaks and non-ASCII text.
std::string sections(int count, int changed = -1, const std::string& change = "") {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += "## Section " + std::to_string(i) + "\n\n";
    text += i == changed ? change
                         : "Ph\xE1\xBB\x9F **b\xC3\xBAn** " + std::to_string(i) +
                               " \xF0\x9F\x98\x80 [to](#section-1)\nsecond line\n\n";
    text += "- item {" + std::to_string(i) + "}\n- `code` \\\\ item\n\n> quoted\n\n";
    if (i % 3 == 0) text += "```cpp\nint x;\n\tint y;\n```\n\n---\n\n";
  }
  return text;
}

}  // namespace

TEST(BlockDiff, FindsTheChangedMiddleByEveryFieldOfABlock) {
  const Block a = para("a"), b = para("b"), c = para("c");
  Block linked = b, coloured = b, styled = b, deeper = b, kind = b, lang = b, cells = b;
  linked.runs[0].link = "#x";
  coloured.runs[0].color = "#FF0000";
  styled.runs[0].style = RunStyle::Strong;
  deeper.level = 1;
  kind.kind = BlockKind::Quote;
  lang.text = "cpp";
  cells.cells = {{run("b")}};
  for (const Block& other : {linked, coloured, styled, deeper, kind, lang, cells}) {
    EXPECT_FALSE(same_block(b, other));
    const BlockDiff diff = block_diff({a, b, c}, {a, other, c});
    EXPECT_EQ(diff.begin, 1u);
    EXPECT_EQ(diff.old_end, 2u);
    EXPECT_EQ(diff.new_end, 2u);
  }
  const struct {
    std::vector<Block> before, after;
    BlockDiff expected;
  } rows[] = {
      {{a, b, c}, {a, b, c}, {3, 3, 3}},
      {{a, b, c}, {a, c}, {1, 2, 1}},
      {{a, c}, {a, b, c}, {1, 1, 2}},
      {{a, b, c}, {b, c}, {0, 1, 0}},
      {{a, b}, {a, b, c}, {2, 2, 3}},
      {{a, b, a}, {a, a}, {1, 2, 1}},  // a prefix and a suffix never overlap
      {{a}, {a, a, a}, {1, 1, 3}},
      {{}, {a}, {0, 0, 1}},
  };
  for (const auto& row : rows) {
    const BlockDiff diff = block_diff(row.before, row.after);
    EXPECT_EQ(diff.begin, row.expected.begin);
    EXPECT_EQ(diff.old_end, row.expected.old_end);
    EXPECT_EQ(diff.new_end, row.expected.new_end);
  }
}

TEST(PreviewSplice, OldTextWithTheNewPartIsTheNewRender) {
  const RenderResult shown = render(sections(40));
  const struct {
    const char* name;
    std::string text;
  } edits[] = {
      {"one paragraph", sections(40, 20, "Changed **words** \xC3\xA9\n\n")},
      {"at the start", "New first paragraph\n\n" + sections(40)},
      {"first block changed", "# Top\n\n" + sections(40).substr(sections(40).find("\n\n") + 2)},
      {"paragraph removed", sections(40, 20, "")},
      {"blocks added", sections(40, 20, "one\n\ntwo\n\n> three\n\n")},
      {"code changed", sections(40, 21, "```\nx\n\n\ny\n```\n\n")},
      {"near the end", sections(40, 38, "last but one\n\n")},
      {"nothing", sections(40)},
  };
  const std::u16string before = whole_text(shown.markdown);
  ASSERT_EQ(before.size(), preview_positions(shown.markdown).end);
  for (const auto& edit : edits) {
    SCOPED_TRACE(edit.name);
    const RenderResult next = render(edit.text);
    const auto splice = plan_preview_splice(shown.markdown, next.markdown);
    ASSERT_TRUE(splice.has_value());
    EXPECT_EQ(splice->old_length + 1, before.size());
    const std::u16string spliced =
        before.substr(0, splice->begin) + splice->new_text + before.substr(splice->old_end);
    EXPECT_EQ(spliced, whole_text(next.markdown));
    EXPECT_EQ(spliced.size(), splice->new_length + 1);
    EXPECT_EQ(before.substr(splice->begin, splice->old_end - splice->begin), splice->old_text);
    // Links are marked again over the new blocks and one block on each side.
    const BlockDiff& diff = splice->blocks;
    if (diff.begin != diff.old_end || diff.begin != diff.new_end) {
      const std::vector<Block>& blocks = next.markdown.blocks;
      EXPECT_EQ(
          splice->touched_begin,
          splice->begin -
              (diff.begin == 0 ? 0 : shown_block_text(blocks, diff.begin - 1, diff.begin).size()));
      EXPECT_EQ(splice->touched_end,
                splice->begin + splice->new_text.size() +
                    shown_block_text(blocks, diff.new_end, diff.new_end + 1).size());
    }

    // The part's RTF is the render's own text of those blocks, in a document of its own.
    const std::string part = rtf_block_range(next.rtf_range_head, next.rtf, next.rtf_block_starts,
                                             splice->blocks.begin, splice->blocks.new_end);
    const RtfWriter writer(next.markdown, false, kPreviewFontPoints);
    EXPECT_EQ(part, writer.range_head() +
                        writer.blocks(splice->blocks.begin, splice->blocks.new_end) + "}");
  }
}

TEST(PreviewSplice, BlockOffsetsCutTheWholeRtfIntoItsBlocks) {
  RenderResult result =
      render("---\ntitle: x\n---\n\n" + sections(30) + "| a | b |\n|---|---|\n| 1 | 2 |\n");
  const RtfWriter writer(result.markdown, false, kPreviewFontPoints);
  const std::vector<std::size_t>& starts = result.rtf_block_starts;
  ASSERT_EQ(starts.size(), result.markdown.blocks.size() + 1);
  EXPECT_EQ(result.rtf.substr(0, starts.front()), writer.head());
  for (std::size_t i = 0; i + 1 < starts.size(); ++i) {
    ASSERT_EQ(result.rtf.substr(starts[i], starts[i + 1] - starts[i]), writer.blocks(i, i + 1))
        << i;
  }
  EXPECT_EQ(result.rtf.substr(starts.back()), "}");
  // Same tables, no front matter, the character state reset for a reader in mid-text.
  const std::string head = writer.range_head();
  EXPECT_EQ(head.find("title"), std::string::npos);
  EXPECT_EQ(head.substr(0, head.find("}\\viewkind4")),
            result.rtf.substr(0, result.rtf.find("}\\viewkind4")));
  EXPECT_NE(head.find("\\plain\\f0\\fs22\\cf1 "), std::string::npos);
  EXPECT_THROW(rtf_block_range(head, result.rtf, starts, 2, starts.size()), std::out_of_range);
  EXPECT_THROW(rtf_block_range(head, result.rtf, starts, 3, 2), std::out_of_range);
}

TEST(PreviewSplice, RefusedWhereOnlyAWholeReplacementIsSafe) {
  const std::string base = sections(40);
  const std::string table = "| a | b |\n|---|---|\n| 1 | 2 |\n\n";
  const std::string with_table = sections(20) + table + "after table\n\n" + sections(20);
  const struct {
    const char* name;
    std::string shown, next;
  } rows[] = {
      {"first render", "", base},
      {"everything removed", base, ""},
      {"change at the end", base, base + "appended\n\n"},
      {"last block changed", base + "end\n", base + "end!\n"},
      {"front matter", "---\na: 1\n---\n\n" + base, "---\na: 2\n---\n\n" + base},
      {"more than an eighth", base, sections(40, 20, std::string(base.size() / 7, 'x') + "\n\n")},
      {"table row changed", with_table,
       sections(20) + "| a | b |\n|---|---|\n| 1 | 3 |\n\n" + "after table\n\n" + sections(20)},
      {"right after a table", with_table, sections(20) + table + "after!\n\n" + sections(20)},
      {"right before a table", sections(20) + "before\n\n" + table + sections(20),
       sections(20) + "before!\n\n" + table + sections(20)},
  };
  for (const auto& row : rows) {
    const RenderResult shown = render(row.shown), next = render(row.next);
    EXPECT_FALSE(plan_preview_splice(shown.markdown, next.markdown).has_value()) << row.name;
  }
  // Away from the table the same document may be updated in part.
  const RenderResult shown = render(with_table);
  const RenderResult next =
      render(sections(20, 2, "far away\n\n") + table + "after table\n\n" + sections(20));
  EXPECT_TRUE(plan_preview_splice(shown.markdown, next.markdown).has_value());
}

}  // namespace tavrel::win
