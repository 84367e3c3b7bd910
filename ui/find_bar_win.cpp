// The find bar's work on the active editor. Searches run over the editor's text with LF line
// ends, whose UTF-16 positions are the control's. Every replacement is one undo step (the text
// object model's undo grouping cannot be relied on): one EM_REPLACESEL over the part of the text
// that changes, or, when that part spans many lines, a new editor holding the new text whose
// predecessor an undo brings back (ui/editor_swap_win.h).
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <optional>
#include <string>

#include "core/text_convert.h"
#include "ui/editor_swap_win.h"
#include "ui/editor_win.h"
#include "ui/find_bar_win.h"
#include "ui/find_replace.h"
#include "ui/text_ops.h"

namespace tavrel::win {
namespace {

std::wstring window_text(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

bool is_checked(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

CHARRANGE selection_of(HWND edit) {
  CHARRANGE range{};
  SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  return range;
}

void replace_range(HWND edit, CHARRANGE range, const std::wstring& editor_text) {
  SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(editor_text.c_str()));
}

void report(App& app, FindStatus status, uint64_t count = 0) {
  app.set_status(find_status_text(status, app.vietnamese, count));
}

// Runs one use of the engine; an expression it refuses ends in the status bar: false.
template <class Step>
bool engine_accepted(App& app, Step step) {
  try {
    step();
    return true;
  } catch (const InvalidExpression&) {
    report(app, FindStatus::invalid_expression);
  } catch (const SearchTooComplex&) {
    report(app, FindStatus::too_complex);
  }
  return false;
}

// Plain text too goes through the engine that replaces, so that Find next selects exactly
// what Replace would change (the control's own search folds letter case its own way).
std::optional<CHARRANGE> find_in_editor(HWND edit, const std::wstring& pattern, bool regex,
                                        bool match_case, LONG from) {
  const std::wstring text = to_wide(richedit_text_utf8(edit));
  const std::optional<TextRange> match =
      find_match(text, pattern, regex, match_case,
                 std::min(static_cast<size_t>(std::max(from, LONG{0})), text.size()));
  if (!match) return std::nullopt;
  return CHARRANGE{static_cast<LONG>(match->start), static_cast<LONG>(match->end)};
}

void replace_everywhere(App& app, HWND edit, const FindQuery& query) {
  const std::string text = richedit_text_utf8(edit);
  const ReplaceOutcome outcome = replace_in_document(text, query);
  if (outcome.status == FindStatus::replaced && outcome.count > 0) {
    const std::wstring before = to_wide(text);
    TextSplice splice = changed_span(before, to_wide(outcome.text));
    const auto breaks = static_cast<std::size_t>(
        std::count(before.begin() + static_cast<std::ptrdiff_t>(splice.start),
                   before.begin() + static_cast<std::ptrdiff_t>(splice.end), L'\n'));
    if (breaks > kSwapLineBreaks) {
      swap_in_text(app, *app.current_document(), outcome.text);
    } else {
      std::replace(splice.text.begin(), splice.text.end(), L'\n', L'\r');
      replace_range(edit, CHARRANGE{static_cast<LONG>(splice.start), static_cast<LONG>(splice.end)},
                    splice.text);
    }
  }
  report(app, outcome.status, outcome.count);
}

// The selection's matches replaced (the current match, found before); a selection without one
// stays. Then on to the next match.
void replace_selection(App& app, HWND edit, const FindQuery& query) {
  const CHARRANGE selection = selection_of(edit);
  if (selection.cpMin != selection.cpMax) {
    // Room for a break the control might give back as CR LF.
    std::wstring selected(2 * static_cast<size_t>(selection.cpMax - selection.cpMin) + 1, L'\0');
    selected.resize(static_cast<size_t>(
        SendMessageW(edit, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(selected.data()))));
    uint64_t count = 0;
    std::string result;
    if (!engine_accepted(app, [&] {
          result = replace_all(editor_text_to_utf8(selected), query.pattern, query.replacement,
                               query.regex, query.match_case, &count);
        })) {
      return;
    }
    if (count > 0) replace_range(edit, selection, utf8_to_editor_text(result));
  }
  app.find_next();
}

}  // namespace

void set_find_cue_banners(const App& app) {
  const auto cue = [](HWND box, const wchar_t* text) {
    SendMessageW(box, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(text));
  };
  cue(app.find_edit, app.vietnamese ? L"Tìm trong tài liệu" : L"Find in document");
  cue(app.replace_edit, app.vietnamese ? L"Thay bằng" : L"Replace with");
}

void show_find_bar(App& app, bool replace_mode) {
  app.find_replace_mode = replace_mode;
  app.find_bar_visible = true;
  set_find_cue_banners(app);
  app.layout_panes();
  SetFocus(app.find_edit);
  SendMessageW(app.find_edit, EM_SETSEL, 0, -1);
}

void App::find_next() {
  if (documents.empty()) return;
  const std::wstring what = window_text(find_edit);
  if (what.empty()) return;
  const HWND edit = current_document()->editor;
  const LONG from = selection_of(edit).cpMax;
  const bool regex = is_checked(regex_button);
  const bool match_case = is_checked(match_case_button);
  std::optional<CHARRANGE> found;
  if (!engine_accepted(*this,
                       [&] { found = find_in_editor(edit, what, regex, match_case, from); })) {
    return;
  }
  if (!found) {
    report(*this, FindStatus::no_matches);
    return;
  }
  richedit_select_and_scroll(edit, *found);
  report(*this, FindStatus::match_selected);
}

void App::replace_matches(bool all) {
  if (documents.empty()) return;
  const std::wstring what = window_text(find_edit);
  if (what.empty()) return;
  const FindQuery query{to_utf8(what), to_utf8(window_text(replace_edit)), is_checked(regex_button),
                        is_checked(match_case_button)};
  const HWND edit = current_document()->editor;
  if (all) {
    replace_everywhere(*this, edit, query);
  } else {
    replace_selection(*this, edit, query);
  }
}

}  // namespace tavrel::win
