#include "ui/text_ops.h"

#include <gtest/gtest.h>

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

// A text with the selection marked: "[" and "]" around it, "|" for a caret. Positions are
// control positions, where a CR LF of the text read from the control counts once.
std::pair<std::wstring, TextSelection> unmark(std::wstring_view marked) {
  std::wstring text;
  TextSelection selection;
  for (const wchar_t c : marked) {
    const auto position = static_cast<std::int64_t>(control_form(text).size());
    if (c == L'[' || c == L'|') selection.start = selection.end = position;
    if (c == L']') selection.end = position;
    if (c != L'[' && c != L']' && c != L'|') text.push_back(c);
  }
  return {text, selection};
}

// Applies an edit as EM_EXSETSEL + EM_REPLACESEL would; the control's text with the new
// selection marked.
std::wstring apply_edit(std::wstring_view read_text, const TextEdit& e) {
  std::wstring text = control_form(read_text);
  EXPECT_TRUE(0 <= e.replace_start && e.replace_start <= e.replace_end &&
              e.replace_end <= static_cast<std::int64_t>(text.size()));
  EXPECT_EQ(e.text.find(L'\n'), std::wstring::npos) << "breaks must be a single CR";
  text.replace(static_cast<std::size_t>(e.replace_start),
               static_cast<std::size_t>(e.replace_end - e.replace_start), e.text);
  EXPECT_TRUE(e.select_start <= e.select_end &&
              e.select_end <= static_cast<std::int64_t>(text.size()));
  const auto start = static_cast<std::size_t>(e.select_start);
  if (e.select_start == e.select_end) return text.insert(start, L"|");
  return text.insert(static_cast<std::size_t>(e.select_end), L"]").insert(start, L"[");
}

}  // namespace

TEST(WrapSelection, SurroundsTheSelectionAndSelectsWhatIsBetween) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"a|b", L"a**[bold text]**b"},
      {L"one\r\ntwo [three]", L"one\rtwo **[three]**"},
      {L"[a\r\nb\nc]", L"**[a\rb\rc]**"},
      {L"\xD83D\xDE00[x]", L"\xD83D\xDE00**[x]**"},  // a surrogate pair is two positions
      {L"before|\rafter", L"before\r```\r[code]\r```\r\rafter"},
      // White space at the ends stays outside the markers, where emphasis would not render.
      {L"[hello ]world", L"**[hello]** world"},
      {L"a[\r\n hi\t\r\n]b", L"a\r **[hi]**\t\rb"},
      {L"[\u00A0x\u3000]", L"\u00A0**[x]**\u3000"},
      {L"a[  ]b", L"a  **[bold text]**b"}};
  for (const auto& [marked, expected] : cases) {
    const auto [text, selection] = unmark(marked);
    const bool fence = text.starts_with(L"before");
    const TextEdit edit =
        wrap_selection_edit(text, selection, fence ? L"\r\n```\r\n" : L"**",
                            fence ? L"\r\n```\r\n" : L"**", fence ? L"code" : L"bold text");
    EXPECT_EQ(apply_edit(text, edit), expected) << to_utf8(marked);
  }
  // Selections at the ends are put in order and clamped.
  for (const auto& [start, end, expected] :
       {std::tuple(4, -1, L"abc\r([def])"), {3, 0, L"([abc])\rdef"}, {50, 90, L"abc\rdef([p])"}}) {
    const TextEdit edit = wrap_selection_edit(L"abc\rdef", {start, end}, L"(", L")", L"p");
    EXPECT_EQ(apply_edit(L"abc\rdef", edit), expected) << start << " " << end;
  }
  EXPECT_EQ(apply_edit(L"", wrap_selection_edit(L"", {-1, -1}, L"(", L")", L"p")), L"([p])");
}

TEST(PrefixLines, PrefixesEveryParagraphTheSelectionTouches) {
  const std::wstring wide(600, L'w');  // a long paragraph the control wraps is prefixed once
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"a\rb|b\rc", L"a\r> bb|\rc"},
      {L"o[ne\rtwo\rt]hree\rfour", L"> one\r> two\r> three|\rfour"},
      {L"[one\r]two\rthree", L"> one\r> two|\rthree"},
      {L"a\r|\rb", L"a\r> |\rb"},
      {L"a\r|", L"a\r> |"},
      {L"one\r\nt[wo\r\nt]hree", L"one\r> two\r> three|"},
      {L"[a\nb\r\nc]", L"> a\r> b\r> c|"},
      {L"> |a", L"> > a|"},  // no toggling
      {L"intro\r" + wide.substr(0, 300) + L"|" + wide.substr(300) + L"\rtail",
       L"intro\r> " + wide + L"|\rtail"}};
  for (const auto& [marked, expected] : cases) {
    const auto [text, selection] = unmark(marked);
    EXPECT_EQ(apply_edit(text, prefix_lines_edit(text, selection, L"> ")), expected)
        << to_utf8(marked);
  }
  EXPECT_EQ(prefix_lines_edit(L"a\rb", {0, 3}, L">\r\n").text, L">\ra\r>\rb");
  EXPECT_EQ(apply_edit(L"", prefix_lines_edit(L"", {0, 0}, L"- ")), L"- |");
}

// A CR LF pair is one position; a lone CR or LF is one; positions outside are clamped.
TEST(EditorPositions, CountCrLfOnce) {
  for (const std::wstring text : {L"a\r\n\n\rb\r", L"\r\r\n\n\r\n", L"\n"}) {
    EXPECT_EQ(static_cast<std::size_t>(editor_position_count(text)), control_form(text).size());
  }
  const std::wstring text = L"a\r\n\n\rb\r\n";
  const std::size_t indices[] = {0, 0, 1, 3, 4, 5, 6, 8, 8};  // positions -1 to 7
  for (std::int64_t position = -1; position <= 7; ++position) {
    EXPECT_EQ(editor_index_of_position(text, position), indices[position + 1]) << position;
  }
}

TEST(EditorText, ReadingAndWritingConvertBreaksAndRepairSurrogates) {
  const std::wstring text = L"a\r\nb\rc\nd\r";
  EXPECT_EQ(editor_text_to_utf8(text), "a\nb\nc\nd\n");
  EXPECT_EQ(editor_text_to_utf8(L"\r\nb"), "\nb");
  EXPECT_EQ(static_cast<std::int64_t>(utf8_to_utf16(editor_text_to_utf8(text)).size()),
            editor_position_count(text));
  const std::string fffd = "\uFFFD";
  EXPECT_EQ(editor_text_to_utf8(L"a\xD800\r\xDC00"), "a" + fffd + "\n" + fffd);
  EXPECT_EQ(editor_text_to_utf8(L"\xDE00\xD83D\xD83D\xDE00"), fffd + fffd + "\xF0\x9F\x98\x80");

  const std::string document = "# Tiếng Việt\n\nXin chào 😀\n";
  EXPECT_EQ(utf8_to_editor_text(document), to_wide("# Tiếng Việt\r\rXin chào 😀\r"));
  EXPECT_EQ(editor_text_to_utf8(utf8_to_editor_text(document)), document);
  EXPECT_EQ(utf8_to_editor_text("a\nb\r\nc\rd"), L"a\rb\rc\rd");
  EXPECT_EQ(utf8_to_editor_text("{\\rtf1 x}"), L"{\\rtf1 x}");  // RTF-looking text stays text
  EXPECT_THROW(utf8_to_editor_text("a\xFF"), std::runtime_error);
  const std::vector<wchar_t> ends_with_cr = {L'a', L'\r'};  // never read past the end
  EXPECT_EQ(editor_text_to_utf8(std::wstring_view(ends_with_cr.data(), 2)), "a\n");
}

TEST(OpenableLinks, OnlyTheThreeSchemesInLowerCase) {
  for (const wchar_t* url : {L"https://example.com/a?b#c", L"http://example.com", L"mailto:"}) {
    EXPECT_TRUE(is_openable_link(url)) << to_utf8(url);
  }
  for (const wchar_t* url : {L"HTTPS://example.com", L"Http://e", L"ftp://e", L"file:///C:/a.exe",
                             L"C:\\a.exe", L"#heading", L" https://e", L"https:/e", L""}) {
    EXPECT_FALSE(is_openable_link(url)) << to_utf8(url);
  }
}

TEST(Scrolling, TypewriterStepsAndSyncedFractions) {
  // 12 pt at 96 DPI is 16 px, a step of 20 px; 11 pt rounds to 15 px; 12 pt at 144 DPI is 24 px.
  const int typewriter[][5] = {
      {500, 400, 12, 96, 15}, {100, 400, 12, 96, -5}, {190, 400, 12, 96, 0}, {219, 400, 12, 96, 0},
      {236, 0, 11, 96, 13},   {301, 1, 12, 144, 10},  {50, 0, 0, 96, 50}};
  for (const auto& [caret, height, points, dpi, lines] : typewriter) {
    EXPECT_EQ(typewriter_scroll_lines(caret, height, points, dpi), lines) << caret << " " << dpi;
  }
  ScrollRange editor{999, 100, 450};
  EXPECT_EQ(synced_preview_position(editor, {1999, 200, 0}), 900);
  EXPECT_DOUBLE_EQ(synced_scroll_fraction(editor), 0.5);
  editor.pos = 900;
  EXPECT_EQ(synced_preview_position(editor, {1999, 200, 0}), 1800);
  EXPECT_DOUBLE_EQ(synced_scroll_fraction(editor), 1.0);
  // An editor that cannot scroll sends the preview to the top.
  EXPECT_EQ(synced_preview_position({99, 100, 0}, {1999, 200, 700}), 0);
  EXPECT_EQ(synced_preview_position({0, 0, 0}, {1999, 200, 700}), 0);
  EXPECT_EQ(synced_preview_position({999, 100, 900}, {50, 200, 0}), 0);
}
