// The RichEdit controls in a hidden main window: their configuration, text in and out, the
// editing operations with their undo steps, the subclass's keys and the typewriter colours.
#include <gtest/gtest.h>

#include <stdexcept>

#include "core/documents_win.h"
#include "tests/win/document_test_support_win.h"

using namespace tavrel::win;
using tavrel::test::DocumentWindowTest;

namespace {

constexpr COLORREF kText = RGB(20, 30, 40);
constexpr COLORREF kMuted = RGB(150, 160, 170);

COLORREF colour_at(HWND edit, LONG position) {
  CHARRANGE range{position, position + 1};
  SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  CHARFORMAT2W format{};
  format.cbSize = sizeof(format);
  SendMessageW(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  return format.crTextColor;
}

std::wstring selected_text(HWND edit) {
  CHARRANGE range{};
  SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  std::wstring text(static_cast<size_t>(range.cpMax - range.cpMin) + 1, L'\0');
  text.resize(static_cast<size_t>(
      SendMessageW(edit, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

class EditorTest : public DocumentWindowTest {
 protected:
  void SetUp() override {
    DocumentWindowTest::SetUp();
    app_->palette[3] = kText;
    app_->palette[4] = kMuted;
  }

  void undo() { SendMessageW(editor(), EM_UNDO, 0, 0); }
};

}  // namespace

TEST_F(EditorTest, EditorsAreConfigured) {
  app_->new_document("# One\n");
  const HWND edit = editor();
  EXPECT_EQ(GetDlgCtrlID(edit), first_editor_id);
  EXPECT_EQ(SendMessageW(edit, EM_GETEVENTMASK, 0, 0), 0x04080005);
  const LRESULT mode = SendMessageW(edit, EM_GETTEXTMODE, 0, 0);
  EXPECT_EQ(mode & (TM_RICHTEXT | TM_MULTILEVELUNDO), TM_RICHTEXT | TM_MULTILEVELUNDO) << mode;
  EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 0x10000000);
  EXPECT_FALSE(GetWindowLongW(edit, GWL_STYLE) & ES_READONLY);
  EXPECT_TRUE(GetWindowLongW(app_->preview_edit, GWL_STYLE) & ES_READONLY);
  EXPECT_TRUE(SendMessageW(app_->preview_edit, EM_GETAUTOURLDETECT, 0, 0));
  EXPECT_FALSE(SendMessageW(edit, EM_GETAUTOURLDETECT, 0, 0));

  EXPECT_EQ(colour_at(edit, 2), kText);  // the creation's colour survives the text going in
  PARAFORMAT2 paragraph{};
  paragraph.cbSize = sizeof(paragraph);
  SendMessageW(app_->preview_edit, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
  EXPECT_EQ(paragraph.dySpaceAfter, 30);
  EXPECT_EQ(paragraph.dyLineSpacing, 25);
  EXPECT_EQ(paragraph.bLineSpacingRule, 5);
  EXPECT_FALSE(SendMessageW(edit, EM_CANUNDO, 0, 0));
  EXPECT_FALSE(SendMessageW(edit, EM_GETMODIFY, 0, 0));

  app_->new_document("");
  EXPECT_EQ(GetDlgCtrlID(editor()), first_editor_id + 1);
}

TEST_F(EditorTest, TextPutInTakesTheColourTheContentHad) {
  app_->new_document("first");
  richedit_set_colour(editor(), SCF_ALL, kMuted);  // as a theme change recolours
  {
    ChangeSuppression quiet(*app_);
    richedit_set_text_utf8(editor(), "second text");
  }
  EXPECT_EQ(colour_at(editor(), 0), kMuted);
  EXPECT_EQ(colour_at(editor(), 8), kMuted);
}

TEST_F(EditorTest, RtfLookingTextStaysText) {
  const std::string text = "{\\rtf1\\ansi {\\b bold}}\n\\par second line\n";
  app_->new_document(text);
  EXPECT_EQ(editor_text(), text);
  EXPECT_FALSE(active().modified);
}

TEST_F(EditorTest, EveryLineBreakReadsBackAsOneLf) {
  app_->new_document("");
  {
    ChangeSuppression quiet(*app_);
    richedit_set_text_utf8(editor(), "a\r\nb\rc\nd\xC3\xA9 \xF0\x9F\x98\x80");
  }
  EXPECT_EQ(editor_text(), "a\nb\nc\nd\xC3\xA9 \xF0\x9F\x98\x80");
  EXPECT_EQ(richedit_text_units(editor()), L"a\rb\rc\rd\u00E9 \U0001F600");
}

TEST_F(EditorTest, LoneSurrogateReadsAsReplacementAndStillSaves) {
  app_->new_document("x");
  type_at_end(std::wstring(L"y") + wchar_t(0xD800) + L"z");
  EXPECT_EQ(editor_text(), "xy\xEF\xBF\xBDz");
  save_path_ = (files_ / "lone.md").native();
  EXPECT_TRUE(app_->save_document(false));
  EXPECT_EQ(tavrel::test::read_bytes(files_ / "lone.md"), "xy\xEF\xBF\xBDz");
}

TEST_F(EditorTest, InvalidTextLeavesNoEditorAndNoticesOn) {
  EXPECT_EQ(tavrel::test::error_text([&] { app_->new_document("bad \xFF"); }), "Invalid UTF-8");
  EXPECT_FALSE(app_->suppress_change);
  EXPECT_TRUE(app_->documents.empty());
  EXPECT_EQ(GetDlgItem(app_->main_window, first_editor_id), nullptr);
}

TEST_F(EditorTest, SuppressionComesBackToWhatItWas) {
  app_->suppress_change = true;
  { ChangeSuppression inner(*app_); }
  EXPECT_TRUE(app_->suppress_change);
  app_->suppress_change = false;
  try {
    ChangeSuppression quiet(*app_);
    throw std::runtime_error("fails half-way");
  } catch (const std::runtime_error&) {}
  EXPECT_FALSE(app_->suppress_change);
}

TEST_F(EditorTest, WrapSurroundsTheSelectionInOneUndoStep) {
  app_->new_document("one two");
  select(4, 7);
  app_->wrap_selection(L"**", L"**", L"bold text");
  EXPECT_EQ(editor_text(), "one **two**");
  EXPECT_EQ(selected_text(editor()), L"two");
  app_->wrap_selection(L"**", L"**", L"bold text");  // no toggle: a second pair inside
  EXPECT_EQ(editor_text(), "one ****two****");
  undo();
  undo();
  EXPECT_EQ(editor_text(), "one two");

  select(3, 3);
  app_->wrap_selection(L"**", L"**", L"bold text");
  EXPECT_EQ(editor_text(), "one**bold text** two");
  EXPECT_EQ(selected_text(editor()), L"bold text");
}

TEST_F(EditorTest, SnippetWithCrLfSelectsItsPlaceholder) {
  app_->new_document("a\nb");
  select(-1, -1);
  app_->wrap_selection(L"\r\n```\r\n", L"\r\n```\r\n", L"code");
  EXPECT_EQ(editor_text(), "a\nb\n```\ncode\n```\n");
  EXPECT_EQ(selected_text(editor()), L"code");
  undo();
  EXPECT_EQ(editor_text(), "a\nb");
}

TEST_F(EditorTest, PrefixGoesBeforeEveryTouchedParagraph) {
  app_->new_document("one\ntwo\nthree\n");
  select(1, 5);  // from inside "one" into "two"
  app_->prefix_selected_lines(L"## ");
  EXPECT_EQ(editor_text(), "## one\n## two\nthree\n");
  EXPECT_EQ(selection().cpMin, 13);
  EXPECT_EQ(selection().cpMax, 13);
  undo();
  EXPECT_EQ(editor_text(), "one\ntwo\nthree\n");

  select(8, 8);  // a caret at the start of "three"; the empty last paragraph is untouched
  app_->prefix_selected_lines(L"> ");
  EXPECT_EQ(editor_text(), "one\ntwo\n> three\n");
}

TEST_F(EditorTest, WrappedDisplayLinesAreOneParagraph) {
  std::string paragraph;
  for (int i = 0; i < 200; ++i) paragraph += "word ";
  app_->new_document(paragraph + "\nnext");
  ASSERT_GT(SendMessageW(editor(), EM_GETLINECOUNT, 0, 0), 3);  // the paragraph wraps
  select(600, 700);
  app_->prefix_selected_lines(L"- ");
  EXPECT_EQ(editor_text(), "- " + paragraph + "\nnext");
}

TEST_F(EditorTest, TabTypesFourSpacesAndVimNormalStateSwallowsCharacters) {
  app_->new_document("x");
  select(0, 0);
  SendMessageW(editor(), WM_CHAR, L'\t', 0);
  EXPECT_EQ(editor_text(), "    x");
  undo();
  EXPECT_EQ(editor_text(), "x");

  app_->vim = true;
  app_->vim_insert = false;
  SendMessageW(editor(), WM_CHAR, L'a', 0);
  SendMessageW(editor(), WM_CHAR, L'\t', 0);
  EXPECT_EQ(editor_text(), "x");
}

TEST_F(EditorTest, VimNormalStateMapsKeysOntoTheControl) {
  app_->new_document("abc");
  select(0, 0);
  app_->vim = true;
  app_->vim_insert = false;
  SendMessageW(editor(), WM_KEYDOWN, 'X', 0);
  EXPECT_EQ(editor_text(), "bc");
  SendMessageW(editor(), WM_KEYDOWN, 'L', 0);
  EXPECT_EQ(selection().cpMin, 1);
  SendMessageW(editor(), WM_KEYDOWN, 'I', 0);
  EXPECT_TRUE(app_->vim_insert);
  SendMessageW(editor(), WM_CHAR, L'q', 0);
  EXPECT_EQ(editor_text(), "bqc");
}

TEST_F(EditorTest, TypewriterColoursNeverBecomeUndoStepsOrEdits) {
  app_->new_document("first\nsecond\nthird");
  select(7, 7);  // inside "second"
  SendMessageW(editor(), WM_CHAR, L'X', 0);
  ASSERT_EQ(editor_text(), "first\nsXecond\nthird");
  SendMessageW(editor(), EM_SETMODIFY, FALSE, 0);
  const uint64_t revision = active().revision;

  app_->typewriter = true;
  app_->apply_typewriter();
  EXPECT_FALSE(app_->suppress_change);
  EXPECT_EQ(active().revision, revision);
  EXPECT_FALSE(SendMessageW(editor(), EM_GETMODIFY, 0, 0));
  EXPECT_EQ(selection().cpMin, 8);
  EXPECT_EQ(colour_at(editor(), 1), kMuted);
  EXPECT_EQ(colour_at(editor(), 9), kText);
  EXPECT_EQ(colour_at(editor(), 16), kMuted);

  undo();  // the typed character, not a colour
  EXPECT_EQ(editor_text(), "first\nsecond\nthird");

  app_->typewriter = false;
  app_->apply_typewriter();
  EXPECT_EQ(colour_at(editor(), 1), kText);
  EXPECT_EQ(colour_at(editor(), 16), kText);
}

TEST_F(EditorTest, OperationsWithoutDocumentsDoNothing) {
  app_->wrap_selection(L"*", L"*", L"x");
  app_->prefix_selected_lines(L"> ");
  app_->apply_typewriter();
  app_->on_caret_moved();
  EXPECT_TRUE(app_->documents.empty());
}
