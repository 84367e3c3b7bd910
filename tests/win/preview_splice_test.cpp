// Updates of the native preview that replace only the changed blocks: after edits at the start,
// in the middle and near the end of a long document, and edits that add or remove blocks, the
// preview shows exactly what a control filled with the whole new render shows, in the same
// control; a change next to a table still gets a whole new control.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/handles_win.h"
#include "core/text_convert.h"
#include "render/preview_positions.h"
#include "render/render_job.h"
#include "render/rtf_writer.h"
#include "tests/win/app_window_fixture_win.h"

using namespace tavrel::win;

namespace {

std::string sections(int count) {
  std::string text = "# Notes\n\n- [Section 3](#section-3)\n\n";
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    text += "## Section " + n + "\n\nParagraph " + n + " with **bold**, *italic* and `code`, " +
            "ph\xE1\xBB\x9F \xF0\x9F\x98\x80 [back](#notes)\nand a second line.\n\n" + "- item " +
            n + "\n  - nested\n\n> quoted " + n + "\n\n";
    if (i % 10 == 0) text += "```\ncode " + n + "\n\tindented\n```\n\n---\n\n";
    if (i == 5) text += "| a | b |\n|---|---|\n| 1 | 2 |\n\nAfter the table.\n\n";
  }
  return text + "The end.\n";
}

struct Look {
  DWORD effects;
  COLORREF colour, background;
  LONG height;
  LONG indent, right_indent, space_before, space_after;
  WORD borders;
  bool operator==(const Look&) const = default;
};

class PreviewSpliceTest : public tavrel::test::AppWindowTest {
 protected:
  POINT scroll_{0, 3000};  // where the preview is scrolled to before each update

  // Replaces the first occurrence of `from` in the editor, as typing would, and applies the
  // render that follows.
  void edit(const std::wstring& from, const std::wstring& to) {
    const std::wstring text = richedit_text_units(editor());
    const size_t at = text.find(from);
    ASSERT_NE(at, std::wstring::npos);
    select(static_cast<LONG>(at), static_cast<LONG>(at + from.size()));
    SendMessageW(editor(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(to.c_str()));
    // The preview follows the editor's scrolling; what the update must keep is where it is now.
    SendMessageW(app_->preview_edit, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll_));
    SendMessageW(app_->preview_edit, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll_));
    app_->request_render();
    finish_jobs();
  }

  static Look look_at(HWND edit, LONG position) {
    CHARRANGE range{position, position + 1};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    SendMessageW(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    PARAFORMAT2 paragraph{};
    paragraph.cbSize = sizeof(paragraph);
    SendMessageW(edit, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
    return {format.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT | CFE_LINK),
            format.crTextColor,
            (format.dwEffects & CFE_AUTOBACKCOLOR) != 0 ? CLR_INVALID : format.crBackColor,
            format.yHeight,
            paragraph.dxStartIndent,
            paragraph.dxRightIndent,
            paragraph.dySpaceBefore,
            paragraph.dySpaceAfter,
            paragraph.wBorders};
  }

  // The preview against a control filled with the whole render of the same model: the same
  // text, the same look at every block's start, and each heading where the outline looks.
  void expect_preview_is_a_fresh_render() {
    const UniqueWindow fresh(app_->create_rich_edit(true));
    richedit_stream_rtf(fresh.get(), render_rtf(app_->rendered, app_->dark, kPreviewFontPoints,
                                                app_->preview_look.table_twips));
    const std::wstring shown = richedit_text_units(app_->preview_edit);
    ASSERT_EQ(shown, richedit_text_units(fresh.get()));
    const PreviewPositions positions = preview_positions(app_->rendered);
    for (size_t i = 0; i < positions.blocks.size(); ++i) {
      const auto at = static_cast<LONG>(positions.blocks[i]);
      ASSERT_TRUE(look_at(app_->preview_edit, at) == look_at(fresh.get(), at)) << "block " << i;
    }
    for (const PreviewAnchor& anchor : positions.anchors) {  // links to a heading stay links
      ASSERT_NE(look_at(app_->preview_edit, static_cast<LONG>(anchor.begin)).effects & CFE_LINK, 0u)
          << anchor.begin;
    }
    for (size_t i = 0; i < positions.headings.size(); ++i) {
      const std::wstring heading = to_wide_lenient(app_->rendered.headings[i].text);
      EXPECT_EQ(shown.substr(positions.headings[i], heading.size()), heading) << i;
    }
  }
};

}  // namespace

// One replacement in the editor's text, named for the trace.
struct TextEdit {
  const char* name;
  std::wstring from, to;
};

TEST_F(PreviewSpliceTest, SmallEditsChangeOnlyTheirPartOfTheSameControl) {
  ShowWindow(app_->main_window, SW_SHOWNOACTIVATE);
  app_->new_document(sections(120));
  finish_jobs();
  const HWND preview = app_->preview_edit;

  const TextEdit edits[] = {
      {"one word in the middle", L"Paragraph 60 with", L"Paragraph 60 now with"},
      {"a paragraph at the start", L"# Notes\r", L"Opening words.\r\r# Notes\r"},
      {"the first block", L"Opening words.", L"Opening **words** changed."},
      {"blocks added in the middle", L"> quoted 70\r", L"> quoted 70\r\rOne.\r\r> Two.\r"},
      {"a block removed", L"- item 71\r  - nested\r", L""},
      {"a heading made a paragraph", L"## Section 80\r", L"Section eighty\r"},
      {"a paragraph made a heading", L"Paragraph 81 with", L"### Paragraph 81 with"},
      {"code changed", L"code 90\r", L"code ninety\r\rmore\r"},
      {"near the end", L"quoted 119\r", L"quoted 119 and more\r"},
      {"a line break removed", L"\rand a second line.\r\r- item 100", L" joined.\r\r- item 100"},
  };
  for (const auto& row : edits) {
    SCOPED_TRACE(row.name);
    edit(row.from, row.to);
    EXPECT_EQ(app_->preview_edit, preview) << "the preview control was made anew";
    POINT kept{};
    SendMessageW(app_->preview_edit, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&kept));
    ASSERT_GT(scroll_.y, 0);
    EXPECT_EQ(kept.y, scroll_.y);
    expect_preview_is_a_fresh_render();
  }
}

TEST_F(PreviewSpliceTest, ChangesAtTheEndOrNextToATableReplaceTheWholePreview) {
  ShowWindow(app_->main_window, SW_SHOWNOACTIVATE);
  app_->new_document(sections(60));
  finish_jobs();
  const TextEdit edits[] = {
      {"text added at the end", L"The end.", L"The end.\r\rA new last paragraph."},
      {"the last block removed", L"\r\rA new last paragraph.", L""},
      {"after a table", L"After the table.", L"After the table, changed."},
      {"in a table", L"| 1 | 2 |", L"| 1 | 3 |"},
  };
  for (const auto& row : edits) {
    SCOPED_TRACE(row.name);
    const HWND before = app_->preview_edit;
    edit(row.from, row.to);
    EXPECT_NE(app_->preview_edit, before);
    expect_preview_is_a_fresh_render();
  }
  // The same document, changed away from the table and the end, keeps its control.
  const HWND before = app_->preview_edit;
  edit(L"Paragraph 30 with", L"Paragraph 30 again with");
  EXPECT_EQ(app_->preview_edit, before);
  expect_preview_is_a_fresh_render();
}
