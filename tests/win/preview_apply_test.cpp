// Applying render results to the preview: the control that shows them stays the preview in
// every visible respect, nothing accumulates over many applies, the RTF's formatting shows as
// written, and a result the control cannot read leaves the previous preview in place.
#include <gtest/gtest.h>

#include <future>

#include "core/handles_win.h"
#include "render/render_job.h"
#include "render/rtf_writer.h"
#include "tests/win/document_test_support_win.h"

using namespace tavrel::win;
using tavrel::test::DocumentWindowTest;

namespace {

class PreviewApplyTest : public DocumentWindowTest {
 protected:
  void apply(const std::wstring& typed) {
    type_at_end(typed);
    app_->request_render();
    finish_jobs();
  }

  int child_windows() {
    int count = 0;
    EnumChildWindows(
        app_->main_window, [](HWND, LPARAM n) { return ++*reinterpret_cast<int*>(n), TRUE; },
        reinterpret_cast<LPARAM>(&count));
    return count;
  }

  POINT preview_scroll() {
    POINT at{};
    SendMessageW(app_->preview_edit, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&at));
    return at;
  }
};

CHARFORMAT2W format_of(HWND edit, LONG start, LONG end) {
  CHARRANGE range{start, end};
  SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  CHARFORMAT2W format{};
  format.cbSize = sizeof(format);
  SendMessageW(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  return format;
}

constexpr DWORD kEffects = CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT;
const char kTwoParagraphs[] = "Another plain first paragraph.\n\nThen **bold** words.\n";

}  // namespace

TEST_F(PreviewApplyTest, ManyAppliesKeepOnePreviewInItsPlaceAndScroll) {
  ShowWindow(app_->main_window, SW_SHOWNOACTIVATE);
  std::string text;
  for (int i = 0; i < 300; ++i) text += "Paragraph " + std::to_string(i) + "\n\n";
  app_->new_document(text);
  finish_jobs();
  const HWND first = app_->preview_edit;
  POINT down{0, 900};
  SendMessageW(first, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&down));
  down = preview_scroll();
  ASSERT_GT(down.y, 0);
  RECT place{};
  GetWindowRect(first, &place);
  const HWND before = GetWindow(first, GW_HWNDPREV), after = GetWindow(first, GW_HWNDNEXT);
  const int windows = child_windows();
  const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);

  for (int i = 0; i < 25; ++i) apply(L" more" + std::to_wstring(i));

  const HWND shown = app_->preview_edit;
  ASSERT_TRUE(IsWindow(shown));
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(GetDlgItem(app_->main_window, ctl_preview), shown);
  EXPECT_TRUE(IsWindowVisible(shown));
  RECT now{};
  GetWindowRect(shown, &now);
  EXPECT_TRUE(EqualRect(&now, &place));
  EXPECT_EQ(GetWindow(shown, GW_HWNDPREV), before);
  EXPECT_EQ(GetWindow(shown, GW_HWNDNEXT), after);
  EXPECT_EQ(preview_scroll().y, down.y);
  EXPECT_NE(preview_text().find("more24"), std::string::npos);
  EXPECT_EQ(child_windows(), windows);
  EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user);
  EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi + 2);
}

// The first preview of the program and a control whose default format has every effect on.
TEST_F(PreviewApplyTest, PreviewShowsExactlyTheFormattingOfTheRtf) {
  app_->new_document(kTwoParagraphs);
  finish_jobs();
  const UniqueWindow styled(app_->create_rich_edit(true));
  CHARFORMAT2W loud{};
  loud.cbSize = sizeof(loud);
  loud.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
  loud.dwEffects = kEffects;
  SendMessageW(styled.get(), EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&loud));
  richedit_stream_rtf(styled.get(), render_rtf(app_->rendered, false, kPreviewFontPoints));

  for (const HWND edit : {app_->preview_edit, styled.get()}) {
    const std::wstring shown = richedit_text_units(edit);
    ASSERT_EQ(shown.rfind(L"Another plain first paragraph.", 0), 0u);
    const CHARFORMAT2W first = format_of(edit, 0, 30);
    EXPECT_EQ(first.dwMask & CFM_BOLD, static_cast<DWORD>(CFM_BOLD));  // one format throughout
    EXPECT_EQ(first.dwEffects & kEffects, 0u);
    const auto bold = static_cast<LONG>(shown.find(L"bold"));
    EXPECT_NE(format_of(edit, bold, bold + 4).dwEffects & CFE_BOLD, 0u);
  }
}

TEST_F(PreviewApplyTest, ResultTheControlCannotReadKeepsThePreviousPreview) {
  app_->new_document("Kept text\n");
  finish_jobs();
  const HWND kept = app_->preview_edit;
  std::promise<RenderResult> arriving;
  RenderResult unreadable;
  unreadable.editor = active().editor;
  unreadable.revision = active().revision;
  unreadable.rtf = "not rtf at all";
  arriving.set_value(std::move(unreadable));
  app_->render_future = arriving.get_future();
  app_->poll_jobs();

  EXPECT_EQ(app_->preview_edit, kept);
  EXPECT_NE(preview_text().find("Kept text"), std::string::npos);
  EXPECT_EQ(app_->status_text.rfind(L"Preview not updated", 0), 0u) << app_->status_text;

  const auto failing = [](DWORD_PTR, LPBYTE, LONG, LONG* written) -> DWORD {
    *written = 0;
    return 1;
  };
  EXPECT_THROW(stream_in_from(kept, SF_RTF, 0, failing), std::runtime_error);
}
