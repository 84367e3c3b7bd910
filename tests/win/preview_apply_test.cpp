// Applying render results to the preview: the control that shows them stays the preview in
// every visible respect, nothing accumulates over many applies, the RTF's formatting shows as
// written, and a result the control cannot read leaves the previous preview in place.
#include <gtest/gtest.h>

#include <future>

#include "core/handles_win.h"
#include "render/render_job.h"
#include "render/rtf_writer.h"
#include "tests/win/app_window_fixture_win.h"

using namespace tavrel::win;

namespace {

using PreviewApplyTest = tavrel::test::AppWindowTest;

int child_windows(HWND parent) {
  int count = 0;
  EnumChildWindows(
      parent, [](HWND, LPARAM n) { return ++*reinterpret_cast<int*>(n), TRUE; },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

DWORD effects_of(HWND edit, LONG start, LONG end) {
  CHARRANGE range{start, end};
  SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  CHARFORMAT2W format{};
  format.cbSize = sizeof(format);
  SendMessageW(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  return format.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT);
}

int scroll_bar_shown(HWND edit) {
  SCROLLBARINFO info{};
  info.cbSize = sizeof(info);
  GetScrollBarInfo(edit, OBJID_VSCROLL, &info);
  return (info.rgstate[0] & STATE_SYSTEM_INVISIBLE) == 0;
}

POINTL end_position(HWND edit) {
  POINTL at{};
  const auto last = static_cast<WPARAM>(richedit_text_units(edit).size());
  SendMessageW(edit, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), last);
  return at;
}

}  // namespace

TEST_F(PreviewApplyTest, ManyAppliesKeepOnePreviewInItsPlaceAndScroll) {
  ShowWindow(app_->main_window, SW_SHOWNOACTIVATE);
  std::string text;
  for (int i = 0; i < 300; ++i) text += "Paragraph " + std::to_string(i) + "\n\n";
  app_->new_document(text);
  finish_jobs();
  const HWND first = app_->preview_edit;
  POINT scroll{0, 900};
  SendMessageW(first, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
  SendMessageW(first, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
  ASSERT_GT(scroll.y, 0);
  RECT place{}, now{};
  GetWindowRect(first, &place);
  const HWND before = GetWindow(first, GW_HWNDPREV), after = GetWindow(first, GW_HWNDNEXT);
  const int windows = child_windows(app_->main_window);

  for (int i = 0; i < 25; ++i) {
    type_text(L" more" + std::to_wstring(i));
    app_->request_render();
    finish_jobs();
  }
  const HWND shown = app_->preview_edit;
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(GetDlgItem(app_->main_window, ctl_preview), shown);
  EXPECT_TRUE(IsWindowVisible(shown));
  GetWindowRect(shown, &now);
  EXPECT_TRUE(EqualRect(&now, &place));
  EXPECT_EQ(GetWindow(shown, GW_HWNDPREV), before);  // keyboard order
  EXPECT_EQ(GetWindow(shown, GW_HWNDNEXT), after);
  POINT kept{};
  SendMessageW(shown, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&kept));
  EXPECT_EQ(kept.y, scroll.y);
  EXPECT_NE(preview_text().find("more24"), std::string::npos);
  EXPECT_EQ(child_windows(app_->main_window), windows);
}

// The program's first preview (made before any font) and a control whose default has every
// effect on.
TEST_F(PreviewApplyTest, PreviewShowsExactlyTheFormattingOfTheRtf) {
  app_->new_document("Another plain first paragraph.\n\nThen **bold** words.\n");
  finish_jobs();
  const UniqueWindow loud(app_->create_rich_edit(true));
  CHARFORMAT2W all_on{};
  all_on.cbSize = sizeof(all_on);
  all_on.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
  all_on.dwEffects = CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT;
  SendMessageW(loud.get(), EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&all_on));
  richedit_stream_rtf(loud.get(), render_rtf(app_->rendered, false, kPreviewFontPoints));

  for (const HWND edit : {app_->preview_edit, loud.get()}) {
    const std::wstring shown = richedit_text_units(edit);
    ASSERT_EQ(shown.rfind(L"Another plain first paragraph.", 0), 0u);
    EXPECT_EQ(effects_of(edit, 0, 30), 0u);
    const auto bold = static_cast<LONG>(shown.find(L"bold"));
    EXPECT_EQ(effects_of(edit, bold, bold + 4), static_cast<DWORD>(CFE_BOLD));
  }
}

// The editor and the preview, filled in one go, show the scroll bar exactly when the content
// outgrows them, laid out as the control lays it out again at the width it ends with.
TEST_F(PreviewApplyTest, FilledControlsHaveTheScrollBarAndLayoutOfTheirContent) {
  ShowWindow(app_->main_window, SW_SHOWNOACTIVATE);
  std::string longer;
  std::string one_paragraph;  // in the preview, with runs written in pieces
  for (int i = 0; i < 400; ++i) {
    longer += "Words that wrap in a narrow pane, line " + std::to_string(i) + ".\n\n";
    one_paragraph += "Words that wrap in a narrow pane, line " + std::to_string(i) + ".\n";
  }
  for (const auto& [text, outgrows] :
       {std::pair{std::string("Short\n"), false}, {longer, true}, {one_paragraph, true}}) {
    app_->new_document(text);
    finish_jobs();
    for (const HWND edit : {editor(), app_->preview_edit}) {
      EXPECT_EQ(scroll_bar_shown(edit), outgrows);
      const POINTL filled = end_position(edit);
      RECT place{};
      GetWindowRect(edit, &place);
      for (const int grow : {1, 0}) {
        SetWindowPos(edit, nullptr, 0, 0, place.right - place.left + grow, place.bottom - place.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      const POINTL again = end_position(edit);
      EXPECT_EQ(filled.x, again.x);
      EXPECT_EQ(filled.y, again.y);
    }
  }
}

TEST_F(PreviewApplyTest, ResultTheControlCannotReadKeepsThePreviousPreview) {
  app_->new_document("Kept text\n");
  finish_jobs();
  const HWND kept = app_->preview_edit;
  RenderResult unreadable;
  unreadable.editor = active().editor;
  unreadable.revision = active().revision;
  unreadable.rtf = "not rtf at all";
  std::promise<RenderResult> arriving;
  arriving.set_value(std::move(unreadable));
  app_->render_future = arriving.get_future();
  app_->poll_jobs();
  EXPECT_EQ(app_->preview_edit, kept);
  EXPECT_NE(preview_text().find("Kept text"), std::string::npos);
  EXPECT_EQ(app_->status_text.rfind(L"Preview not updated", 0), 0u) << app_->status_text;
}

// The editors' wrap setting is theirs alone: a preview made while it is off still wraps, and
// so does the preview after it is switched on again.
TEST_F(PreviewApplyTest, PreviewWrapsWhateverTheEditorsWrapSetting) {
  ShowWindow(app_->main_window, SW_SHOWNOACTIVATE);
  app_->new_document("First document\n");
  finish_jobs();
  std::string paragraph;
  for (int i = 0; i < 80; ++i) paragraph += "word" + std::to_string(i) + " ";
  tavrel::test::write_bytes(files_ / "long.md", paragraph + "\n");
  const auto preview_lines = [&] {
    return SendMessageW(app_->preview_edit, EM_GETLINECOUNT, 0, 0);
  };

  send(WM_COMMAND, cmd_word_wrap);  // off
  ASSERT_FALSE(app_->word_wrap);
  ASSERT_TRUE(app_->open_path(files_ / "long.md"));
  finish_jobs();
  EXPECT_EQ(SendMessageW(editor(), EM_GETLINECOUNT, 0, 0), 2) << "the editor does not wrap";
  EXPECT_GT(preview_lines(), 2) << "the preview wraps";
  send(WM_COMMAND, cmd_word_wrap);  // on
  ASSERT_TRUE(app_->word_wrap);
  EXPECT_GT(preview_lines(), 2);
  EXPECT_GT(SendMessageW(editor(), EM_GETLINECOUNT, 0, 0), 2);
}

// Every update of a preview with a scroll bar lays its text out at the width the layout gives,
// as the first one did: no update is narrower (and so longer) than the one before.
TEST_F(PreviewApplyTest, UpdatesKeepThePreviewsTextWidth) {
  ShowWindow(app_->main_window, SW_SHOWNOACTIVATE);
  std::string text;
  for (int i = 0; i < 200; ++i)
    text += "A paragraph long enough to wrap in the preview pane " + std::to_string(i) + ".\n\n";
  app_->new_document(text);
  finish_jobs();
  type_text(L"x");
  app_->request_render();
  finish_jobs();
  const auto text_area = [&] {
    RECT area{};
    SendMessageW(app_->preview_edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
    return area;
  };
  const RECT first = text_area();
  const LRESULT lines = SendMessageW(app_->preview_edit, EM_GETLINECOUNT, 0, 0);
  ASSERT_GT(first.right - first.left, 100);
  for (int i = 0; i < 4; ++i) {
    type_text(L"x");
    app_->request_render();
    finish_jobs();
    const RECT now = text_area();
    EXPECT_TRUE(EqualRect(&now, &first))
        << "update " << i << ": right edge " << now.right << " instead of " << first.right;
    EXPECT_EQ(SendMessageW(app_->preview_edit, EM_GETLINECOUNT, 0, 0), lines);
  }
  app_->layout_panes();
  const RECT laid_out = text_area();
  EXPECT_TRUE(EqualRect(&laid_out, &first)) << "the layout's own text area";
}
