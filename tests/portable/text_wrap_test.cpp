// Wrapping keeps the white space at the ends of a selection outside the markers: emphasis that
// starts or ends at a space does not render.
#include <gtest/gtest.h>

#include <string>

#include "ui/text_ops.h"

using namespace tavrel::win;

TEST(WrapSelection, WhiteSpaceAtTheEndsStaysOutsideTheMarkers) {
  struct Case {
    std::wstring text;  // as read from the control (CR LF counts as one position)
    TextSelection selection;
    std::wstring result;  // the control's text afterwards (one CR per break)
    std::wstring selected;
  };
  const Case cases[] = {
      {L"hello world", {0, 6}, L"**hello** world", L"hello"},  // a double-clicked word
      {L"say hello", {3, 9}, L"say **hello**", L"hello"},
      {L"a\r\n hi\t\r\nb", {1, 7}, L"a\r **hi**\t\rb", L"hi"},
      {L"\u00A0x\u3000", {0, 3}, L"\u00A0**x**\u3000", L"x"},
      {L"a  b", {1, 3}, L"a  **bold text**b", L"bold text"},  // only spaces: they stay
  };
  for (const Case& c : cases) {
    const TextEdit edit = wrap_selection_edit(c.text, c.selection, L"**", L"**", L"bold text");
    std::wstring text = c.text;
    for (std::size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n"))
      text.erase(at + 1, 1);
    text.replace(static_cast<std::size_t>(edit.replace_start),
                 static_cast<std::size_t>(edit.replace_end - edit.replace_start), edit.text);
    EXPECT_EQ(text, c.result);
    EXPECT_EQ(text.substr(static_cast<std::size_t>(edit.select_start),
                          static_cast<std::size_t>(edit.select_end - edit.select_start)),
              c.selected);
  }
}
