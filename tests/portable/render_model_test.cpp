// Golden files pin every render format: each Markdown input under tests/data/render/model gives a
// dump of its block model and its HTML, each one under tests/data/render/writers its RTF in both
// themes and its DOCX package. TAVREL_UPDATE_GOLDEN=1 rewrites them instead (review the diff).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "render/docx_writer.h"
#include "render/markdown_walk.h"
#include "render/rtf_writer.h"
#include "test_support.h"

namespace tavrel::win {
namespace {

namespace fs = std::filesystem;

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    char piece[8] = {ch};
    if (c == '"' || c == '\\' || c == '\n' || c == '\t') {
      std::snprintf(piece, sizeof piece, "\\%c", c == '\n' ? 'n' : c == '\t' ? 't' : ch);
    } else if (c < 0x20 || c == 0x7F) {
      std::snprintf(piece, sizeof piece, "\\x%02X", c);
    }
    out += piece;
  }
  return out + "\"";
}

void dump_runs(std::string& out, const std::vector<Run>& runs, const std::string& indent) {
  static constexpr const char* kStyles[] = {"Strong", "Emphasis", "Strike", "Code", "Underline"};
  for (const Run& run : runs) {
    out += indent + "run " + quoted(run.text);
    for (std::uint32_t bit = 0, named = 0; bit < std::size(kStyles); ++bit) {
      if (has_style(run.style, static_cast<RunStyle>(1u << bit))) {
        out += (named++ == 0 ? " style=" : "|") + std::string(kStyles[bit]);
      }
    }
    if (!run.link.empty()) out += " link=" + quoted(run.link);
    if (!run.color.empty()) out += " color=" + run.color;
    out += "\n";
  }
}

// One line per block, run, cell and heading.
std::string dump_model(const RenderedMarkdown& doc) {
  static constexpr const char* kKinds[] = {"Paragraph", "Heading", "CodeBlock", "Quote",
                                           "ListItem",  "Rule",    "TableRow"};
  std::string out;
  if (!doc.front_matter.empty()) out += "front_matter " + quoted(doc.front_matter) + "\n";
  for (const Block& block : doc.blocks) {
    out += "block " + std::string(kKinds[static_cast<std::size_t>(block.kind)]) +
           " level=" + std::to_string(block.level);
    out += (block.text.empty() ? "" : " text=" + quoted(block.text)) + "\n";
    dump_runs(out, block.runs, "  ");
    for (const auto& cell : block.cells) {
      out += "  cell\n";
      dump_runs(out, cell, "    ");
    }
  }
  for (const Heading& heading : doc.headings) {
    out += "heading " + std::to_string(heading.level) + " " + quoted(heading.text) +
           " id=" + heading.id + " offset=" + std::to_string(heading.offset) + "\n";
  }
  return out + "plain_text " + quoted(doc.plain_text) + "\n";
}

TEST(RenderGolden, EveryInputMatchesEveryFormat) {
  const struct {
    const char *folder, *suffix;
    std::function<std::string(const RenderedMarkdown&)> render;
  } formats[] = {
      {"model", ".model", dump_model},
      {"model", ".html", [](const RenderedMarkdown& doc) { return doc.html; }},
      {"writers", ".dark.rtf",
       [](const RenderedMarkdown& doc) { return render_rtf(doc, true, 11); }},
      {"writers", ".light.rtf",
       [](const RenderedMarkdown& doc) { return render_rtf(doc, false, 12); }},
      {"writers", ".docx", build_docx},
  };
  const bool update = std::getenv("TAVREL_UPDATE_GOLDEN") != nullptr;
  for (const auto& format : formats) {
    int inputs = 0;
    for (const auto& entry :
         fs::directory_iterator(fs::path(TAVREL_TEST_DATA) / "render" / format.folder)) {
      if (entry.path().extension() != ".md") continue;
      ++inputs;
      fs::path expected = entry.path();
      expected.replace_extension(format.suffix);
      SCOPED_TRACE(expected.filename().string());
      const std::string actual = format.render(render_markdown(test::read_bytes(entry.path())));
      if (update) test::write_bytes(expected, actual);
      EXPECT_EQ(fs::exists(expected) ? test::read_bytes(expected) : "(missing)", actual);
    }
    EXPECT_GE(inputs, 5) << format.folder;
  }
}

// Runs join only when they look the same and lead to the same place: a link or a colour of its
// own, or none next to one, always starts a new run, however the text pieces arrive.
TEST(RenderModel, AdjacentRunsSplitOnLinkAndColour) {
  const std::string red = "<span style=\"color:#FF0000\">";
  const std::string green = "<span style=\"color:#00FF00\">";
  const struct {
    std::string markdown, runs;
  } rows[] = {
      {"[a](x)[b](y)", "run \"a\" link=\"x\"\nrun \"b\" link=\"y\"\n"},
      {"[a](x)[b](x)", "run \"ab\" link=\"x\"\n"},
      {"[a](xy)[b](xz)", "run \"a\" link=\"xy\"\nrun \"b\" link=\"xz\"\n"},
      {"[a](x)[b](y)[c](x)", "run \"a\" link=\"x\"\nrun \"b\" link=\"y\"\nrun \"c\" link=\"x\"\n"},
      {"[a](x)b", "run \"a\" link=\"x\"\nrun \"b\"\n"},
      {"a[b](x)", "run \"a\"\nrun \"b\" link=\"x\"\n"},
      {"[a &amp; b](x)[c](y)", "run \"a & b\" link=\"x\"\nrun \"c\" link=\"y\"\n"},
      {red + "a</span>" + green + "b</span>", "run \"a\" color=#FF0000\nrun \"b\" color=#00FF00\n"},
      {red + "a</span>" + red + "b</span>", "run \"ab\" color=#FF0000\n"},
      {"<span style=\"color:#ff0000\">a</span>" + red + "b</span>",
       "run \"a\" color=#ff0000\nrun \"b\" color=#FF0000\n"},
      {red + "a</span>b", "run \"a\" color=#FF0000\nrun \"b\"\n"},
      {"a" + red + "b</span>", "run \"a\"\nrun \"b\" color=#FF0000\n"},
      {red + "[a](x)[b](y)</span>",
       "run \"a\" link=\"x\" color=#FF0000\nrun \"b\" link=\"y\" color=#FF0000\n"},
      {"[a" + red + "b</span>](x)", "run \"a\" link=\"x\"\nrun \"b\" link=\"x\" color=#FF0000\n"},
      {"| [a](x)[b](y) |\n|---|\n| " + red + "c</span>" + green + "d</span> |\n",
       "  cell\n    run \"a\" style=Strong link=\"x\"\n    run \"b\" style=Strong link=\"y\"\n"
       "  cell\n    run \"c\" color=#FF0000\n    run \"d\" color=#00FF00\n"},
      // A later paragraph of a list item comes back to the item's runs.
      {"- a\n\n  b\n", "run \"\xE2\x80\xA2  ab\"\n"},
      {"- [a](x)\n\n  [b](y)\n",
       "run \"\xE2\x80\xA2  \"\nrun \"a\" link=\"x\"\nrun \"b\" link=\"y\"\n"},
      {"- [a](x)\n\n  [b](x)\n", "run \"\xE2\x80\xA2  \"\nrun \"ab\" link=\"x\"\n"},
      {"- " + red + "a</span>\n\n  " + green + "b</span>\n",
       "run \"\xE2\x80\xA2  \"\nrun \"a\" color=#FF0000\nrun \"b\" color=#00FF00\n"},
      {"- " + red + "a</span>\n\n  " + red + "b</span>\n",
       "run \"\xE2\x80\xA2  \"\nrun \"ab\" color=#FF0000\n"},
  };
  for (const auto& row : rows) {
    const RenderedMarkdown doc = render_markdown(row.markdown);
    std::string runs;
    for (const Block& block : doc.blocks) {
      dump_runs(runs, block.runs, "");
      for (const auto& cell : block.cells) {
        runs += "  cell\n";
        dump_runs(runs, cell, "    ");
      }
    }
    EXPECT_EQ(runs, row.runs) << row.markdown;
  }
}

TEST(RenderModel, StrayCallbacksLeaveTheWalkConsistent) {
  MarkdownWalk walk;
  // md4c never sends a leave without its enter, but the walk must not depend on that.
  EXPECT_EQ(on_leave_span(MD_SPAN_EM, nullptr, &walk), 0);
  EXPECT_EQ(on_leave_block(MD_BLOCK_UL, nullptr, &walk), 0);
  EXPECT_EQ(on_leave_block(MD_BLOCK_QUOTE, nullptr, &walk), 0);
  EXPECT_EQ(walk.list_depth + walk.quote_depth, 0u);
  EXPECT_EQ(on_text(MD_TEXT_NORMAL, "x", 1, &walk), 0);
  EXPECT_FALSE(walk.failure);
  ASSERT_EQ(walk.result.blocks.size(), 1u);
  EXPECT_EQ(walk.result.blocks[0].kind, BlockKind::Paragraph);
}

}  // namespace
}  // namespace tavrel::win
