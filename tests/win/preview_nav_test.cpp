// Places in the native preview of a hidden main window: tables that fit the pane, the outline's
// jump to a section (not to its entry in a table of contents) in both panes, and the links of a
// table of contents, clicked in the preview.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/text_convert.h"
#include "render/preview_positions.h"
#include "render/rtf_writer.h"
#include "tests/win/app_window_fixture_win.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;
using tavrel::test::BoxWatcher;
using tavrel::test::read_bytes;

namespace {

std::string filler(const char* word, int paragraphs) {
  std::string text;
  for (int i = 0; i < paragraphs; ++i) {
    text += std::string(word) + " paragraph " + std::to_string(i) + " of some length.\n\n";
  }
  return text;
}

// A README as people write them: a list of links to its sections, the program's own [TOC], and
// sections far enough apart that each can be scrolled to the top.
const std::string kReadme =
    "# Tool\n\n## Contents\n\n- [Install](#install)\n- [Usage](#usage)\n"
    "- [Nowhere](#nowhere)\n\n[TOC]\n\n" +
    filler("Intro", 30) + "## Install\n\n" + filler("Setup", 30) + "## Usage\n\n" +
    filler("Run", 40);

DWORD CALLBACK append_out(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* written) {
  reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<char*>(buffer),
                                                 static_cast<size_t>(size));
  *written = size;
  return 0;
}

class PreviewNavTest : public AppWindowTest {
 protected:
  HWND preview() const { return app_->preview_edit; }

  std::wstring preview_units() { return richedit_text_units(preview()); }
  std::wstring range_text(HWND edit, LONG begin, LONG end) {
    std::wstring text(static_cast<size_t>(end - begin) + 1, L'\0');
    TEXTRANGEW range{{begin, end}, text.data()};
    text.resize(static_cast<size_t>(
        SendMessageW(edit, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range))));
    return text;
  }
  static LONG top_line(HWND edit) {
    return static_cast<LONG>(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
  }
  static LONG line_of(HWND edit, LONG position) {
    return static_cast<LONG>(SendMessageW(edit, EM_EXLINEFROMCHAR, 0, position));
  }
  static POINT point_of(HWND edit, LONG position) {
    POINTL at{};
    SendMessageW(edit, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), position);
    return POINT{at.x, at.y};
  }
  // Where the heading paragraph `text` is in the preview: the one paragraph that is exactly it.
  LONG heading_paragraph(const std::wstring& text) {
    const std::wstring units = preview_units();
    const size_t at = units.find(L"\r" + text + L"\r");
    return at == std::wstring::npos ? -1 : static_cast<LONG>(at + 1);
  }
  void choose_row(int index) {
    SendMessageW(app_->outline_list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    send(WM_COMMAND, MAKEWPARAM(ctl_outline_list, LBN_SELCHANGE),
         reinterpret_cast<LPARAM>(app_->outline_list));
  }
  // A left click as the mouse gives it; the control reports a click on a link to its parent.
  void click_preview(POINT at) {
    const LPARAM where = MAKELPARAM(at.x, at.y);
    SendMessageW(preview(), WM_MOUSEMOVE, 0, where);
    SendMessageW(preview(), WM_LBUTTONDOWN, MK_LBUTTON, where);
    SendMessageW(preview(), WM_LBUTTONUP, 0, where);
  }
  // The right edge of the widest table row as the control holds it, in pixels.
  int widest_row_pixels() {
    std::string rtf;
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&rtf), 0, append_out};
    SendMessageW(preview(), EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    long widest = 0;
    for (size_t at = rtf.find("\\cellx"); at != std::string::npos; at = rtf.find("\\cellx", at + 1))
      widest = std::max(widest, std::stol(rtf.substr(at + 6)));
    const HDC screen = GetDC(preview());
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(preview(), screen);
    return MulDiv(static_cast<int>(widest), dpi, 1440);
  }
  int text_area_width() {
    RECT area{};
    SendMessageW(preview(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
    return area.right - area.left;
  }
};

}  // namespace

// The count of the model (render/preview_positions) against the control that read the RTF: a
// heading's text and each link's text are where the model says, past front matter, tables,
// emoji, tabs in code, line breaks, rules and lists.
TEST_F(PreviewNavTest, ModelPositionsAreWhereTheControlShowsThem) {
  add_document(
      "---\ntitle: x\n---\n# Caf\xC3\xA9 \xF0\x9F\x98\x80\n\n[TOC]\n\n"
      "| a | [to b](#b-section) |\n|---|---|\n| \xF0\x9F\x98\x80 | x<br>y |\n\n"
      "```\n\tcode\n```\n\n> quote  \n> next\n\n---\n\n1. one\n2. [two](#caf-)\n\n"
      "## B section\n\ntext [web](https://example.com) [back](#caf-)\n\n"
      "| only |\n|---|\n| [deep](#b-section) |\n\n### End\n");
  finish_jobs();
  const PreviewPositions positions = preview_positions(app_->rendered);
  ASSERT_EQ(positions.headings.size(), 3u);
  for (size_t i = 0; i < positions.headings.size(); ++i) {
    const std::wstring text = to_wide(app_->rendered.headings[i].text);
    const auto at = static_cast<LONG>(positions.headings[i]);
    EXPECT_EQ(range_text(preview(), at, at + static_cast<LONG>(text.size())), text) << i;
  }
  // The table of contents' entries, then the links to a place in the document, in text order.
  const std::wstring expected[] = {
      L"Caf\u00E9 \U0001F600\n", L"  B section\n", L"    End\n", L"to b", L"two", L"back", L"deep"};
  ASSERT_EQ(positions.anchors.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const PreviewAnchor& anchor = positions.anchors[i];
    std::wstring shown =
        range_text(preview(), static_cast<LONG>(anchor.begin), static_cast<LONG>(anchor.end));
    std::wstring want = expected[i];
    // The line break that ends an entry reads back as a vertical tab, or a space under Wine.
    if (want.back() == L'\n' && !shown.empty() && (shown.back() == L'\v' || shown.back() == L' '))
      want.back() = shown.back();
    EXPECT_EQ(shown, want) << i;
  }
}

// With the sidebar and the outline shown the preview is narrower than a table of the usual
// width; every column's right edge stays inside the text area, also after the window narrows.
TEST_F(PreviewNavTest, TablesFitThePreviewBesideSidebarAndOutline) {
  app_->sidebar = true;
  app_->outline = true;
  app_->layout_panes();
  add_document(
      "| Shortcut | Action | Pinned note |\n|---|---|---|\n"
      "| Ctrl + Shift + O | Open a recent or pinned document | pinnec |\n");
  finish_jobs();
  ASSERT_LT(text_area_width(), MulDiv(kDefaultTableTwips, 96, 1440));  // the case at hand
  EXPECT_LE(widest_row_pixels(), text_area_width());
  const LONG last_cell = static_cast<LONG>(preview_units().find(L"pinnec"));
  EXPECT_LT(point_of(preview(), last_cell).x, text_area_width());

  // A narrower window lays the panes out again; the preview asks for a render of its own.
  KillTimer(app_->main_window, timer_render);
  SetWindowPos(app_->main_window, nullptr, 0, 0, 1000, 800, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(KillTimer(app_->main_window, timer_render));
  app_->request_render();  // what the timer does
  finish_jobs();
  EXPECT_LE(widest_row_pixels(), text_area_width());
}

// The outline's row for a section puts that section's heading, not its entry in a list of
// contents, at the top of the preview, and the heading's line at the top of the editor.
TEST_F(PreviewNavTest, OutlineJumpPutsTheSectionAtTheTopOfBothPanes) {
  app_->outline = true;
  app_->layout_panes();
  add_document(kReadme);
  finish_jobs();
  ASSERT_EQ(SendMessageW(app_->outline_list, LB_GETCOUNT, 0, 0), 4);
  BoxWatcher boxes;
  for (const int row : {2, 3}) {
    const std::wstring name = row == 2 ? L"Install" : L"Usage";
    SCOPED_TRACE(to_utf8(name));
    choose_row(row);
    const LONG heading = heading_paragraph(name);
    ASSERT_GT(heading, 0);
    EXPECT_EQ(selection(preview()).cpMin, heading);
    EXPECT_EQ(top_line(preview()), line_of(preview(), heading));

    const std::string text = editor_text();
    const LONG caret =
        static_cast<LONG>(to_wide(text.substr(0, text.find("## " + to_utf8(name)) + 3)).size());
    EXPECT_EQ(selection(editor()).cpMin, caret);
    EXPECT_EQ(top_line(editor()), line_of(editor(), caret));
  }
  EXPECT_TRUE(boxes.boxes().empty());
}

// A click on an entry of the table of contents, or on a link to a section, goes to that section
// in both panes; a link to no heading stays where it is.
TEST_F(PreviewNavTest, ContentsLinksJumpToTheirHeading) {
  add_document(kReadme);
  finish_jobs();
  const std::vector<PreviewAnchor> anchors = preview_positions(app_->rendered).anchors;
  // The n-th link with that target: the README's own list comes first, then the [TOC] entries.
  auto click_link = [&](const std::string& target, int nth) {
    POINT origin{0, 0};
    SendMessageW(preview(), EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&origin));
    for (const PreviewAnchor& anchor : anchors) {
      if (anchor.target != target || nth-- > 0) continue;
      POINT at = point_of(preview(), static_cast<LONG>(anchor.end) - 2);
      at.y += 4;  // inside the line, not on its top edge
      click_preview(at);
      return true;
    }
    return false;
  };
  const struct {
    const char* target;
    int nth;
    const wchar_t* goal;
  } rows[] = {{"#usage", 1, L"Usage"}, {"#install", 0, L"Install"}, {"#install", 1, L"Install"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.target) + " " + std::to_string(row.nth));
    select(0, 0);
    ASSERT_TRUE(click_link(row.target, row.nth));
    const LONG heading = heading_paragraph(row.goal);
    EXPECT_EQ(selection(preview()).cpMin, heading);
    EXPECT_EQ(top_line(preview()), line_of(preview(), heading));
    const std::string text = editor_text();
    const LONG caret =
        static_cast<LONG>(to_wide(text.substr(0, text.find("## " + to_utf8(row.goal)) + 3)).size());
    EXPECT_EQ(selection(editor()).cpMin, caret);
  }
  // "Nowhere" names no heading: nothing moves, nothing is opened.
  const LONG caret = selection(editor()).cpMin;
  ASSERT_TRUE(click_link("#nowhere", 0));
  EXPECT_EQ(top_line(preview()), 0);
  EXPECT_EQ(selection(editor()).cpMin, caret);
  EXPECT_TRUE(app_->status_text.empty());
}

// A real changelog of 1 MB, taller than 65535 pixels in both panes, where the control counts
// its scroll position in scaled units: a row far down, one further on and one back up each put
// their heading at the top of the editor and of the preview.
TEST_F(PreviewNavTest, OutlineJumpReachesSectionsFarDownALongDocument) {
  app_->outline = true;
  app_->layout_panes();
  add_document(read_bytes("Z:/usr/share/doc/nodejs/changelogs/CHANGELOG_V12.md"));
  finish_jobs();
  const int rows = static_cast<int>(SendMessageW(app_->outline_list, LB_GETCOUNT, 0, 0));
  ASSERT_GT(rows, 100);
  for (const HWND pane : {editor(), preview()}) {  // the case at hand
    const LONG end = static_cast<LONG>(richedit_text_units(pane).size());
    ASSERT_GT(point_of(pane, end).y - point_of(pane, 0).y, 65535);
  }
  BoxWatcher boxes;
  for (const int row : {40, rows / 2, 3}) {
    SCOPED_TRACE(row);
    choose_row(row);
    const LONG caret = selection(editor()).cpMin;
    EXPECT_EQ(caret, static_cast<LONG>(
                         to_wide(editor_text().substr(
                                     0, static_cast<size_t>(app_->rendered.headings[row].offset)))
                             .size()));
    EXPECT_EQ(top_line(editor()), line_of(editor(), caret));
    const LONG heading = selection(preview()).cpMin;
    EXPECT_EQ(range_text(preview(), heading, selection(preview()).cpMax),
              to_wide(app_->rendered.headings[row].text));
    EXPECT_EQ(top_line(preview()), line_of(preview(), heading));
  }
  EXPECT_TRUE(boxes.boxes().empty());
}
