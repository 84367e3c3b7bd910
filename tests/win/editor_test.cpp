// Editors, tab strip and outline of a hidden main window: text in and out, edits and their undo
// steps, typewriter colours, the font's Vietnamese letters, dragging and closing tabs, outline.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>

#include "core/documents_win.h"
#include "render/markdown_model.h"
#include "tests/win/app_window_fixture_win.h"
#include "ui/commands.h"
#include "ui/paint_win.h"
#include "ui/palette.h"
#include "ui/richedit_scroll_win.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;
using tavrel::test::BoxWatcher;
using tavrel::test::ClipboardTestLock;

namespace {

constexpr COLORREF kText = RGB(20, 30, 40);
constexpr COLORREF kMuted = RGB(150, 160, 170);

class EditorTest : public AppWindowTest {
 protected:
  void SetUp() override {
    AppWindowTest::SetUp();
    app_->palette[palette_text] = kText;
    app_->palette[palette_muted_text] = kMuted;
  }
  std::wstring selected_text() {
    std::wstring text(256, L'\0');
    text.resize(static_cast<size_t>(
        SendMessageW(editor(), EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(text.data()))));
    return text;
  }
  void undo() { SendMessageW(editor(), EM_UNDO, 0, 0); }
  // The outline list's own selection change, as a click sends it.
  void choose_row(int index) {
    SendMessageW(app_->outline_list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    send(WM_COMMAND, MAKEWPARAM(ctl_outline_list, LBN_SELCHANGE),
         reinterpret_cast<LPARAM>(app_->outline_list));
  }
};

class TabsTest : public AppWindowTest {
 protected:
  // Three documents "a", "b", "c" (told apart by their text), the last one active.
  void SetUp() override {
    AppWindowTest::SetUp();
    for (const char* text : {"a", "b", "c"}) add_document(text);
  }
  std::string order() const {
    std::string texts;
    for (const auto& document : app_->documents) texts += richedit_text_utf8(document->editor);
    return texts;
  }

  // A point in tab `index`, `inset` pixels left of its right edge (0: its centre).
  LPARAM point_in(int index, int inset = 0) const {
    RECT r{};
    SendMessageW(app_->tab_control, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&r));
    return MAKELPARAM(inset ? r.right - inset : (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  LRESULT to_tabs(UINT message, WPARAM wparam, LPARAM lparam) {
    return SendMessageW(app_->tab_control, message, wparam, lparam);
  }
};

}  // namespace

TEST_F(EditorTest, TextGoesInAndOutAsWritten) {
  EXPECT_EQ(tavrel::test::error_text([&] { app_->new_document("bad \xFF"); }), "Invalid UTF-8");
  EXPECT_TRUE(!app_->suppress_change && app_->documents.empty());  // no editor left behind
  const std::string rtf = "{\\rtf1\\ansi {\\b bold}}\n\\par second line\n";
  add_document(rtf);
  EXPECT_EQ(editor_text(), rtf);  // RTF-looking text stays text
  EXPECT_FALSE(active().modified);
  richedit_set_colour(editor(), SCF_ALL, kMuted);  // as a theme change recolours
  {
    ChangeSuppression quiet(*app_);
    richedit_set_text_utf8(editor(), "a\r\nd\xC3\xA9 \xF0\x9F\x98\x80");
  }
  EXPECT_EQ(editor_text(), "a\nd\xC3\xA9 \xF0\x9F\x98\x80");
  EXPECT_EQ(colour_at(editor(), 3), kMuted);  // new text takes the colour the content had
  EXPECT_FALSE(active().modified);
  type_text(std::wstring(L"y") + wchar_t(0xD800) + L"z");  // a lone surrogate
  save_path_ = (files_ / "lone.md").native();
  EXPECT_TRUE(app_->save_document(false));
  EXPECT_EQ(tavrel::test::read_bytes(files_ / "lone.md"),
            "a\nd\xC3\xA9 \xF0\x9F\x98\x80y\xEF\xBF\xBDz");
}

// The edits are the text operations' own; here: the selection shown, one undo step each, and
// display lines of a wrapped paragraph counted as one.
TEST_F(EditorTest, WrapAndPrefixAreOneUndoStepEach) {
  std::string long_paragraph;
  for (int i = 0; i < 200; ++i) long_paragraph += "word ";
  const std::string text = "one two\n" + long_paragraph + "\n";
  add_document(text);
  select(4, 7);
  app_->wrap_selection(L"**", L"**", L"bold text");
  EXPECT_EQ(selected_text(), L"two");
  ASSERT_GT(SendMessageW(editor(), EM_GETLINECOUNT, 0, 0), 4);  // the long paragraph wraps
  select(600, 700);
  app_->prefix_selected_lines(L"- ");
  EXPECT_EQ(editor_text(), "one **two**\n- " + long_paragraph + "\n");
  undo();
  EXPECT_EQ(editor_text(), "one **two**\n" + long_paragraph + "\n");
  undo();
  EXPECT_EQ(editor_text(), text);
}

TEST_F(EditorTest, TypewriterColoursNeverBecomeUndoStepsOrEdits) {
  add_document("first\nsecond\nthird");
  select(7, 7);  // inside "second"
  SendMessageW(editor(), WM_CHAR, L'X', 0);
  ASSERT_EQ(editor_text(), "first\nsXecond\nthird");
  SendMessageW(editor(), EM_SETMODIFY, FALSE, 0);
  const uint64_t revision = active().revision;
  app_->typewriter = true;
  app_->apply_typewriter();
  EXPECT_TRUE(!app_->suppress_change && active().revision == revision);
  EXPECT_FALSE(SendMessageW(editor(), EM_GETMODIFY, 0, 0));
  EXPECT_EQ(selection(editor()).cpMin, 8);
  EXPECT_EQ(colour_at(editor(), 1), kMuted);
  EXPECT_EQ(colour_at(editor(), 9), kText);
  EXPECT_EQ(colour_at(editor(), 16), kMuted);
  undo();  // the typed character, not a colour
  EXPECT_EQ(editor_text(), "first\nsecond\nthird");
}

// The status bar counts the file's lines, not the control's wrapped rows, also after an edit
// above the caret.
TEST_F(EditorTest, StatusLineIsTheFilesLineOnAWrappedParagraph) {
  std::string long_line;
  for (int i = 0; i < 60; ++i) long_line += "word ";
  add_document(long_line + "\nsecond");
  ASSERT_GT(SendMessageW(editor(), EM_GETLINECOUNT, 0, 0), 3);  // the first line wraps
  const LONG second = static_cast<LONG>(long_line.size()) + 1;
  struct Case {
    LONG caret;
    std::wstring shown;
  };
  for (const Case& c : std::vector<Case>{{200, L"Ln 1, 201"},
                                         {second + 2, L"Ln 2, 3"},
                                         {second - 1, L"Ln 1, 301"},
                                         {0, L"Ln 1, 1"}}) {
    select(c.caret, c.caret);
    EXPECT_TRUE(status_bar_right_text(*app_).starts_with(c.shown + L"    |")) << c.caret;
  }
  SendMessageW(editor(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"top\r"));
  select(second + 4, second + 4);
  EXPECT_TRUE(status_bar_right_text(*app_).starts_with(L"Ln 3, 1    |"));
}

// Untitled tabs take the interface language at once, as the title does.
TEST_F(TabsTest, LanguageSwitchRenamesUntitledTabs) {
  app_->on_command(cmd_language_vietnamese);
  const std::wstring untitled = L"Ch\u01B0a \u0111\u1EB7t t\u00EAn";
  EXPECT_EQ(tab_texts(), std::vector<std::wstring>(3, untitled));
  EXPECT_EQ(title(), untitled + L" - Tavrel");
  app_->on_command(cmd_language_english);
  EXPECT_EQ(tab_texts(), std::vector<std::wstring>(3, L"Untitled"));
}

TEST_F(TabsTest, PressSelectsAndDragMovesTheHeldDocument) {
  to_tabs(WM_LBUTTONDOWN, MK_LBUTTON, point_in(0));
  EXPECT_EQ(app_->active_document, 0u);
  EXPECT_EQ(GetCapture(), app_->tab_control);
  to_tabs(WM_MOUSEMOVE, 0, point_in(2));  // without the button nothing moves
  EXPECT_EQ(order(), "abc");
  // The cursor jumps over "b": "a" lands at the end and "b" keeps its place before "c".
  to_tabs(WM_MOUSEMOVE, MK_LBUTTON, point_in(2));
  EXPECT_EQ(order(), "bca");
  EXPECT_EQ(SendMessageW(app_->tab_control, TCM_GETCURSEL, 0, 0), 2);
  to_tabs(WM_MOUSEMOVE, MK_LBUTTON, point_in(1));
  EXPECT_EQ(order(), "bac");
  EXPECT_EQ(app_->active_document, 1u);
  to_tabs(WM_LBUTTONUP, 0, point_in(1));
  EXPECT_NE(GetCapture(), app_->tab_control);
  to_tabs(WM_MOUSEMOVE, MK_LBUTTON, point_in(0));
  EXPECT_EQ(order(), "bac");
  to_tabs(WM_LBUTTONDOWN, MK_LBUTTON, point_in(2));
  ReleaseCapture();  // capture lost ends the drag too
  EXPECT_EQ(app_->drag_tab, -1);
}

TEST_F(TabsTest, CloseZoneAndMiddleClickCloseWithTheSaveQuestion) {
  const HWND closed_editor = app_->documents[1]->editor;
  to_tabs(WM_LBUTTONDOWN, MK_LBUTTON, point_in(1, app_->scale(26)));
  EXPECT_EQ(order(), "ac");
  EXPECT_FALSE(IsWindow(closed_editor));
  to_tabs(WM_LBUTTONDOWN, MK_LBUTTON, point_in(0, app_->scale(28)));  // just outside the zone
  to_tabs(WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(order(), "ac");
  type_text(L"!");
  EXPECT_EQ(tab_texts(), (std::vector<std::wstring>{L"* Untitled", L"Untitled"}));
  EXPECT_EQ(to_tabs(WM_MBUTTONUP, 0, point_in(0)), 0);  // the question is cancelled
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_EQ(questions_[0].text, L"Save changes to Untitled?");
  EXPECT_EQ(order(), "a!c");
  to_tabs(WM_MBUTTONUP, 0, point_in(1));
  EXPECT_EQ(order(), "a!");
}

// Offsets inside a character are the outline position's; here: the rows move both panes, and a
// stale row (past the end, text not in the preview) or none at all does no harm.
TEST_F(EditorTest, OutlineRowJumpsToTheHeadingInEditorAndPreview) {
  add_document("# Intro\n\nCaf\xC3\xA9 \xF0\x9F\x98\x80 text\n\n## Details\n\nEnd\n");
  finish_jobs();
  app_->rendered.headings.push_back(Heading{1, "Far", "far", 999});
  app_->refresh_outline();
  ASSERT_EQ(SendMessageW(app_->outline_list, LB_GETCOUNT, 0, 0), 3);
  SetWindowTextW(app_->preview_edit, L"Intro\rCaf\u00E9 text\rdetails\r");
  BoxWatcher boxes;
  choose_row(1);
  // "Details" starts after 29 bytes, which are 26 UTF-16 units ("é" one, the emoji two).
  EXPECT_EQ(selection(editor()).cpMax, 26);
  EXPECT_EQ(selection(app_->preview_edit).cpMin, 16);  // found regardless of letter case
  choose_row(2);
  EXPECT_EQ(selection(editor()).cpMin, 39);
  EXPECT_EQ(selection(app_->preview_edit).cpMin, 16);  // "Far" is not in the preview
  app_->goto_outline_entry(-1);
  app_->goto_outline_entry(3);
  EXPECT_EQ(selection(editor()).cpMin, 39);
  EXPECT_TRUE(boxes.boxes().empty());
}

namespace {

struct Sideways {
  bool caret_in_view = false;
  int hidden_width = 0;  // how far the text reaches past the visible width (0: nothing to scroll)
  LRESULT rows = 0;
};

Sideways sideways(HWND edit) {
  CHARRANGE caret{};
  SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&caret));
  POINTL at{};
  SendMessageW(edit, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), caret.cpMax);
  RECT client{};
  GetClientRect(edit, &client);
  SCROLLINFO bar{sizeof(bar), SIF_RANGE | SIF_PAGE};
  SCROLLBARINFO seen{};
  seen.cbSize = sizeof(seen);
  const bool shown = GetScrollBarInfo(edit, OBJID_HSCROLL, &seen) &&
                     (seen.rgstate[0] & STATE_SYSTEM_INVISIBLE) == 0 &&
                     GetScrollInfo(edit, SB_HORZ, &bar) && bar.nPage > 0;
  const int hidden = shown ? bar.nMax - bar.nMin + 1 - static_cast<int>(bar.nPage) : 0;
  return {at.x >= client.left && at.x < client.right && at.y >= client.top && at.y < client.bottom,
          std::max(hidden, 0), SendMessageW(edit, EM_GETLINECOUNT, 0, 0)};
}

}  // namespace

// Without word wrap the caret stays in view at the end of a long line and the horizontal bar
// reaches the rest of it; with wrap the line wraps and nothing scrolls sideways, both ways.
TEST_F(EditorTest, LongLineScrollsSidewaysOnlyWithoutWrap) {
  add_document(std::string(600, 'w') + "\nshort");
  const auto end_and_type = [&] {
    select(0, 0);
    SendMessageW(editor(), WM_KEYDOWN, VK_END, 0);
    SendMessageW(editor(), WM_CHAR, L'x', 0);
  };
  for (const bool wrap : {false, true, false}) {
    send(WM_COMMAND, cmd_word_wrap);
    ASSERT_EQ(app_->word_wrap, wrap);
    end_and_type();
    const Sideways seen = sideways(editor());
    EXPECT_TRUE(seen.caret_in_view) << wrap;
    EXPECT_EQ(seen.hidden_width > 0, !wrap) << wrap;
    EXPECT_EQ(seen.rows > 2, wrap) << wrap;
  }
  const std::string text = editor_text();  // with wrap, End ends the row, not the line
  EXPECT_TRUE(text.size() == 609 && std::count(text.begin(), text.end(), 'x') == 3 &&
              text.ends_with("\nshort"));
}

// A line far longer than any prose line is never wrapped: the control would lay it out in time
// and memory growing with the square of its length. The text stays exactly as it was.
TEST_F(EditorTest, VeryLongLineIsNotWrapped) {
  ASSERT_TRUE(app_->word_wrap);
  const std::string text = "# Log\n" + std::string(12000, 'a') + "\nend";
  add_document(text);
  EXPECT_EQ(editor_text(), text);
  EXPECT_EQ(SendMessageW(editor(), EM_GETLINECOUNT, 0, 0), 3);
  EXPECT_GT(sideways(editor()).hidden_width, 0);
  send(WM_COMMAND, cmd_word_wrap);  // off, and on again: the long line still does not wrap
  send(WM_COMMAND, cmd_word_wrap);
  EXPECT_EQ(SendMessageW(editor(), EM_GETLINECOUNT, 0, 0), 3);
  // Once the long line is gone, the setting holds again.
  {
    ChangeSuppression quiet(*app_);
    richedit_set_text_utf8(editor(), std::string(600, 'w'));
  }
  EXPECT_GT(SendMessageW(editor(), EM_GETLINECOUNT, 0, 0), 2);
  // A long line typed or pasted stops the wrapping once the text is next read for the preview.
  type_text(std::wstring(5000, L'b'));
  app_->request_render();
  finish_jobs();
  EXPECT_EQ(SendMessageW(editor(), EM_GETLINECOUNT, 0, 0), 1);
}

namespace {

void put_text_on_clipboard(HWND owner, const std::wstring& text) {
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  std::memcpy(GlobalLock(memory), text.c_str(), bytes);
  GlobalUnlock(memory);
  OpenClipboard(owner);
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
}

std::string words(std::size_t length) {
  std::string text;
  while (text.size() < length) text += "word ";
  return text.substr(0, length);
}

}  // namespace

// Wrapping switched on or off lays the text out anew: after an edit across the length past which
// a line is not wrapped, and after the setting's command. Each time the caret stays in view and
// its line stays at the height it was shown at (one row of slack: the horizontal bar comes and
// goes at the bottom), so the view jumps neither sideways nor up or down.
TEST_F(EditorTest, CaretStaysInViewWhenWrappingSwitches) {
  const ClipboardTestLock clipboard;
  std::string lines;
  for (int i = 0; i < 30; ++i) lines += "line " + std::to_string(i) + "\n";
  struct Road {
    const char* name;
    std::size_t length;  // of the long line
    LONG before_end;     // the caret's distance from the long line's end
    std::function<void()> edit, then_switch;
    bool wraps;
  };
  const auto type_x = [&] { SendMessageW(editor(), WM_CHAR, L'x', 0); };
  const auto paste = [&] {
    put_text_on_clipboard(app_->main_window, std::wstring(2500, L'p'));
    send(WM_COMMAND, cmd_paste);
  };
  const auto back = [&] { SendMessageW(editor(), WM_KEYDOWN, VK_BACK, 0); };
  const auto render = [&] { app_->request_render(), finish_jobs(); };  // the pause after a key
  const auto command = [&] { send(WM_COMMAND, cmd_word_wrap); };
  const std::vector<Road> roads{
      {"typed at the end", 5000, 0, type_x, render, false},
      {"typed in the middle", 5000, 2500, type_x, render, false},
      {"pasted", 3000, 0, paste, render, false},
      {"deleted back below", 5001, 0, back, render, true},
      {"wrap switched off", 3000, 0, [] {}, command, false},
      {"wrap switched on", 3000, 0, [] {}, command, true},
  };
  for (const Road& road : roads) {
    const std::string text = lines + words(road.length) + "\n" + lines;
    const auto file_lines = std::count(text.begin(), text.end(), '\n') + 1;
    add_document(text);
    const LONG caret = static_cast<LONG>(lines.size() + road.length) - road.before_end;
    select(caret, caret);
    SendMessageW(editor(), EM_SCROLLCARET, 0, 0);
    road.edit();
    const LONG shown_at = richedit_client_point(editor(), selection(editor()).cpMax).y;
    road.then_switch();
    const POINT at = richedit_client_point(editor(), selection(editor()).cpMax);
    RECT client{};
    GetClientRect(editor(), &client);
    EXPECT_TRUE(PtInRect(&client, at)) << road.name << ": " << at.x << "," << at.y;
    const LONG row = richedit_client_point(editor(), 7).y - richedit_client_point(editor(), 0).y;
    EXPECT_LE(std::abs(at.y - shown_at), row) << road.name << ": " << shown_at << " " << at.y;
    EXPECT_EQ(SendMessageW(editor(), EM_GETLINECOUNT, 0, 0) > file_lines, road.wraps) << road.name;
  }
}
