#include "ui/text_ops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "core/text_convert.h"

using namespace tavrel::win;

namespace {

// What the editor control holds for a text read from it: one CR per line break.
std::wstring control_form(std::wstring_view text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    out.push_back(text[i] == L'\n' ? L'\r' : text[i]);
  }
  return out;
}

// Applies an edit the way EM_EXSETSEL + EM_REPLACESEL would, and returns the control's text and
// the text the new selection covers.
struct Applied {
  std::wstring text;
  std::wstring selected;
};

Applied apply_edit(std::wstring_view read_text, const TextEdit& edit) {
  std::wstring text = control_form(read_text);
  EXPECT_LE(0, edit.replace_start);
  EXPECT_LE(edit.replace_start, edit.replace_end);
  EXPECT_LE(edit.replace_end, static_cast<std::int64_t>(text.size()));
  EXPECT_EQ(edit.text.find(L'\n'), std::wstring::npos) << "breaks must be a single CR";
  text.replace(static_cast<std::size_t>(edit.replace_start),
               static_cast<std::size_t>(edit.replace_end - edit.replace_start), edit.text);
  EXPECT_LE(edit.select_start, edit.select_end);
  EXPECT_LE(edit.select_end, static_cast<std::int64_t>(text.size()));
  std::wstring selected =
      text.substr(static_cast<std::size_t>(edit.select_start),
                  static_cast<std::size_t>(edit.select_end - edit.select_start));
  return {text, selected};
}

}  // namespace

TEST(WrapSelection, EmptySelectionInsertsAndSelectsThePlaceholder) {
  TextEdit edit = wrap_selection_edit(L"ab", {1, 1}, L"**", L"**", L"bold text");
  Applied result = apply_edit(L"ab", edit);
  EXPECT_EQ(result.text, L"a**bold text**b");
  EXPECT_EQ(result.selected, L"bold text");
}

TEST(WrapSelection, SelectedWordStaysSelectedAndASecondWrapNests) {
  std::wstring text = L"hello world";
  TextEdit first = wrap_selection_edit(text, {6, 11}, L"**", L"**", L"bold text");
  Applied once = apply_edit(text, first);
  EXPECT_EQ(once.text, L"hello **world**");
  EXPECT_EQ(once.selected, L"world");

  TextEdit second = wrap_selection_edit(once.text, {first.select_start, first.select_end}, L"**",
                                        L"**", L"bold text");
  Applied twice = apply_edit(once.text, second);
  EXPECT_EQ(twice.text, L"hello ****world****");
  EXPECT_EQ(twice.selected, L"world");
}

TEST(WrapSelection, CrLfInTheReadTextCountsAsOnePosition) {
  // Control positions: o n e <break> t w o _ t h r e e; "three" is 8..13.
  std::wstring text = L"one\r\ntwo three";
  TextEdit edit = wrap_selection_edit(text, {8, 13}, L"*", L"*", L"x");
  EXPECT_EQ(edit.text, L"*three*");
  Applied result = apply_edit(text, edit);
  EXPECT_EQ(result.text, L"one\rtwo *three*");
  EXPECT_EQ(result.selected, L"three");
}

TEST(WrapSelection, SnippetBreaksAreOnePositionEachSoTheSelectionLandsOnThePlaceholder) {
  TextEdit edit = wrap_selection_edit(L"", {0, 0}, L"```\r\n", L"\r\n```", L"code");
  EXPECT_EQ(edit.text, L"```\rcode\r```");
  EXPECT_EQ(edit.select_start, 4);
  EXPECT_EQ(edit.select_end, 8);

  // The code-block and table commands put CR LF on both sides of the selection.
  std::wstring text = L"before\rafter";
  Applied fence =
      apply_edit(text, wrap_selection_edit(text, {6, 6}, L"\r\n```\r\n", L"\r\n```\r\n", L"code"));
  EXPECT_EQ(fence.text, L"before\r```\rcode\r```\r\rafter");
  EXPECT_EQ(fence.selected, L"code");
  Applied table = apply_edit(
      text,
      wrap_selection_edit(text, {0, 6}, L"\r\n| ",
                          L" | Value |\r\n| --- | --- |\r\n| Item | Description |\r\n", L"Name"));
  EXPECT_EQ(table.text, L"\r| before | Value |\r| --- | --- |\r| Item | Description |\r\rafter");
  EXPECT_EQ(table.selected, L"before");
}

TEST(WrapSelection, MultiParagraphSelectionKeepsItsBreaks) {
  std::wstring text = L"a\r\nb\nc";
  TextEdit edit = wrap_selection_edit(text, {0, 5}, L"<", L">", L"");
  Applied result = apply_edit(text, edit);
  EXPECT_EQ(result.text, L"<a\rb\rc>");
  EXPECT_EQ(result.selected, L"a\rb\rc");
}

TEST(WrapSelection, SelectionsAtTheEndsAreOrderedAndClamped) {
  std::wstring text = L"abc\rdef";
  EXPECT_EQ(apply_edit(text, wrap_selection_edit(text, {4, -1}, L"[", L"]", L"p")).text,
            L"abc\r[def]");
  EXPECT_EQ(apply_edit(text, wrap_selection_edit(text, {3, 0}, L"[", L"]", L"p")).text,
            L"[abc]\rdef");
  EXPECT_EQ(apply_edit(text, wrap_selection_edit(text, {7, 7}, L"[", L"]", L"p")).text,
            L"abc\rdef[p]");
  EXPECT_EQ(apply_edit(text, wrap_selection_edit(text, {50, 90}, L"[", L"]", L"p")).text,
            L"abc\rdef[p]");
  EXPECT_EQ(apply_edit(L"", wrap_selection_edit(L"", {-1, -1}, L"[", L"]", L"p")).text, L"[p]");
}

TEST(WrapSelection, SurrogatePairsAreTwoPositions) {
  std::wstring text = L"\xD83D\xDE00x";
  Applied result = apply_edit(text, wrap_selection_edit(text, {2, 3}, L"_", L"_", L"p"));
  EXPECT_EQ(result.text, L"\xD83D\xDE00_x_");
  EXPECT_EQ(result.selected, L"x");
}

TEST(PrefixLines, CaretPrefixesItsOwnParagraph) {
  std::wstring text = L"a\rbb\rc";
  TextEdit edit = prefix_lines_edit(text, {3, 3}, L"## ");
  EXPECT_EQ(edit.replace_start, 2);
  EXPECT_EQ(edit.replace_end, 4);
  EXPECT_EQ(apply_edit(text, edit).text, L"a\r## bb\rc");
  EXPECT_EQ(edit.select_start, 7);
  EXPECT_EQ(edit.select_end, 7);
}

TEST(PrefixLines, ThreeLinesWithASelectionStartingMidLineAreOneEdit) {
  std::wstring text = L"one\rtwo\rthree\rfour";
  TextEdit edit = prefix_lines_edit(text, {1, 9}, L"## ");
  EXPECT_EQ(edit.text, L"## one\r## two\r## three");
  EXPECT_EQ(apply_edit(text, edit).text, L"## one\r## two\r## three\rfour");
}

TEST(PrefixLines, ASelectionEndingAtALineStartIncludesThatLine) {
  std::wstring text = L"one\rtwo\rthree";
  EXPECT_EQ(apply_edit(text, prefix_lines_edit(text, {0, 4}, L"> ")).text, L"> one\r> two\rthree");
}

TEST(PrefixLines, EmptyLinesAndEmptyTextGetTheBarePrefix) {
  EXPECT_EQ(apply_edit(L"a\r\rb", prefix_lines_edit(L"a\r\rb", {2, 2}, L"- ")).text, L"a\r- \rb");
  EXPECT_EQ(apply_edit(L"", prefix_lines_edit(L"", {0, 0}, L"- ")).text, L"- ");
  EXPECT_EQ(apply_edit(L"a\r", prefix_lines_edit(L"a\r", {2, 2}, L"- ")).text, L"a\r- ");
}

TEST(PrefixLines, CrLfAndLoneLfAreOnePositionAndOneParagraphBreak) {
  // Positions: one=0..2, break 3, two=4..6, break 7, three=8..12.
  std::wstring text = L"one\r\ntwo\r\nthree";
  TextEdit edit = prefix_lines_edit(text, {5, 9}, L"> ");
  EXPECT_EQ(edit.replace_start, 4);
  EXPECT_EQ(edit.replace_end, 13);
  EXPECT_EQ(apply_edit(text, edit).text, L"one\r> two\r> three");

  std::wstring mixed = L"a\nb\r\nc";
  EXPECT_EQ(apply_edit(mixed, prefix_lines_edit(mixed, {0, -1}, L"1. ")).text, L"1. a\r1. b\r1. c");
}

TEST(PrefixLines, AWrappedLongParagraphIsPrefixedOnceAtItsStart) {
  std::wstring text = L"intro\r" + std::wstring(600, L'w') + L"\rtail";
  TextEdit edit = prefix_lines_edit(text, {300, 310}, L"> ");
  EXPECT_EQ(edit.replace_start, 6);
  EXPECT_EQ(edit.replace_end, 606);
  EXPECT_EQ(edit.text, L"> " + std::wstring(600, L'w'));
}

TEST(PrefixLines, NoToggleAndBreaksInsideThePrefixAreNormalised) {
  EXPECT_EQ(apply_edit(L"## a", prefix_lines_edit(L"## a", {0, 0}, L"## ")).text, L"## ## a");
  EXPECT_EQ(prefix_lines_edit(L"a\rb", {0, 3}, L">\r\n").text, L">\ra\r>\rb");
}

TEST(EditorPositions, CountAndMapCountCrLfOnce) {
  std::wstring text = L"a\r\nb\rc\nd";
  EXPECT_EQ(editor_position_count(text), 7);
  EXPECT_EQ(editor_index_of_position(text, 0), 0u);
  EXPECT_EQ(editor_index_of_position(text, 2), 3u);
  EXPECT_EQ(editor_index_of_position(text, 3), 4u);
  EXPECT_EQ(editor_index_of_position(text, 7), text.size());
  EXPECT_EQ(editor_index_of_position(text, 99), text.size());
  EXPECT_EQ(editor_index_of_position(text, -5), 0u);
}

TEST(EditorPositions, AgreeWithAUnitByUnitWalkOnMixedBreaks) {
  // The reference: walk unit by unit, a CR LF pair taking one step.
  auto walk = [](std::wstring_view text, std::int64_t position) {
    std::size_t index = 0;
    for (std::int64_t p = 0; p < position && index < text.size(); ++p) {
      index +=
          (text[index] == L'\r' && index + 1 < text.size() && text[index + 1] == L'\n') ? 2 : 1;
    }
    return index;
  };
  std::minstd_rand random(12345);
  const wchar_t alphabet[] = {L'a', L'\r', L'\n', L'b'};
  for (int round = 0; round < 300; ++round) {
    std::wstring text;
    const int length = static_cast<int>(random() % 24);
    for (int i = 0; i < length; ++i) text.push_back(alphabet[random() % 4]);
    const std::int64_t count = editor_position_count(text);
    EXPECT_EQ(static_cast<std::size_t>(count), control_form(text).size()) << to_utf8(text);
    for (std::int64_t position = -1; position <= count + 1; ++position) {
      ASSERT_EQ(editor_index_of_position(text, position), walk(text, position))
          << to_utf8(text) << " @" << position;
    }
  }
}

TEST(EditorText, ReadingTurnsEveryBreakIntoOneLfKeepingPositions) {
  std::wstring text = L"a\r\nb\rc\nd\r";
  std::string utf8 = editor_text_to_utf8(text);
  EXPECT_EQ(utf8, "a\nb\nc\nd\n");
  EXPECT_EQ(static_cast<std::int64_t>(utf8_to_utf16(utf8).size()), editor_position_count(text));
}

TEST(EditorText, LoneSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(editor_text_to_utf8(L"a\xD800"), "a\xEF\xBF\xBD");
  EXPECT_EQ(editor_text_to_utf8(L"\xDC00x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(editor_text_to_utf8(L"\xDE00\xD83D"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(editor_text_to_utf8(L"\xD83D\r"), "\xEF\xBF\xBD\n");
  std::string repaired = editor_text_to_utf8(L"x\xD83D\xD83D\xDE00");
  EXPECT_EQ(repaired, "x\xEF\xBF\xBD\xF0\x9F\x98\x80");
  EXPECT_TRUE(is_valid_utf8(repaired));
}

TEST(EditorText, VietnameseAndEmojiSurviveTheRoundTrip) {
  const std::string document = "# Tiếng Việt\n\nXin chào 😀\n";
  std::wstring in_editor = utf8_to_editor_text(document);
  EXPECT_EQ(in_editor.find(L'\n'), std::wstring::npos);
  EXPECT_EQ(std::count(in_editor.begin(), in_editor.end(), L'\r'), 3);
  EXPECT_EQ(editor_text_to_utf8(in_editor), document);
}

TEST(EditorText, WritingGivesOneCrPerBreakAndRefusesInvalidUtf8) {
  EXPECT_EQ(utf8_to_editor_text("a\nb\r\nc\rd"), L"a\rb\rc\rd");
  EXPECT_EQ(utf8_to_editor_text(""), L"");
  // Text that looks like RTF is still just text here; the control must receive it as such.
  EXPECT_EQ(utf8_to_editor_text("{\\rtf1 x}"), L"{\\rtf1 x}");
  EXPECT_THROW(utf8_to_editor_text("a\xFF"), std::runtime_error);
}

TEST(OpenableLinks, OnlyTheThreeSchemesInLowerCase) {
  const std::pair<std::wstring, bool> cases[] = {
      {L"https://example.com/a?b#c", true},
      {L"http://example.com", true},
      {L"mailto:someone@example.com", true},
      {L"mailto:", true},
      {L"HTTPS://example.com", false},
      {L"Http://example.com", false},
      {L"ftp://example.com", false},
      {L"file:///C:/Windows/notepad.exe", false},
      {L"C:\\Windows\\notepad.exe", false},
      {L"docs/readme.md", false},
      {L"#heading", false},
      {L" https://example.com", false},
      {L"https:/example.com", false},
      {L"", false},
      {L"javascript:alert(1)", false},
  };
  for (const auto& [url, expected] : cases) {
    EXPECT_EQ(is_openable_link(url), expected) << to_utf8(url);
  }
}

TEST(TypewriterScroll, CentresTheCaretLineInWholeLineSteps) {
  // 12 pt at 96 DPI is 16 px, a step of 20 px.
  EXPECT_EQ(typewriter_scroll_lines(500, 400, 12, 96), 15);
  EXPECT_EQ(typewriter_scroll_lines(100, 400, 12, 96), -5);
  EXPECT_EQ(typewriter_scroll_lines(190, 400, 12, 96), 0);
  EXPECT_EQ(typewriter_scroll_lines(219, 400, 12, 96), 0);
  // 11 pt at 96 DPI rounds to 15 px (step 18); 12 pt at 144 DPI is 24 px (step 30).
  EXPECT_EQ(typewriter_scroll_lines(236, 0, 11, 96), 13);
  EXPECT_EQ(typewriter_scroll_lines(301, 1, 12, 144), 10);
  EXPECT_EQ(typewriter_scroll_lines(50, 0, 0, 96), 50);
}

TEST(SyncScroll, PreviewFollowsTheEditorsFraction) {
  ScrollRange editor{999, 100, 450};
  ScrollRange preview{1999, 200, 0};
  EXPECT_EQ(synced_preview_position(editor, preview), 900);
  EXPECT_DOUBLE_EQ(synced_scroll_fraction(editor), 0.5);
  editor.pos = 900;
  EXPECT_EQ(synced_preview_position(editor, preview), 1800);
  EXPECT_DOUBLE_EQ(synced_scroll_fraction(editor), 1.0);
}

TEST(SyncScroll, AnEditorThatCannotScrollSendsThePreviewToTheTop) {
  EXPECT_EQ(synced_preview_position({99, 100, 0}, {1999, 200, 700}), 0);
  EXPECT_EQ(synced_preview_position({0, 0, 0}, {1999, 200, 700}), 0);
  EXPECT_EQ(synced_preview_position({999, 100, 900}, {50, 200, 0}), 0);
}
