// Creating and configuring the RichEdit controls, and moving text and RTF in and out of them.
#include "ui/editor_win.h"

#include <commctrl.h>
#include <richole.h>
#include <tom.h>
#include <uxtheme.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "core/handles_win.h"
#include "render/preview_splice.h"
#include "render/rtf_writer.h"
#include "ui/commands.h"
#include "ui/main_window_win.h"
#include "ui/richedit_scroll_win.h"
#include "ui/text_ops.h"
#include "ui/theme_win.h"

namespace tavrel::win {
namespace {

constexpr DWORD kEditorEvents = ENM_CHANGE | ENM_SCROLL | ENM_SELCHANGE | ENM_LINK;
constexpr LONG kTextLimit = 0x10000000;
constexpr WPARAM kUndoLimit = 200;
constexpr LONG kSpaceAfterTwips = 30;
constexpr LONG kLineSpacingTwentieths = 25;  // 1.25 lines
constexpr BYTE kLineSpacingRuleTwentieths = 5;
constexpr UINT kUtf16CodePage = 1200;
// No line of any font size the program uses is lower than this, no character narrower.
constexpr std::size_t kMinLinePixels = 4;
constexpr std::size_t kMinCharPixels = 2;
// A longer line is never wrapped, whatever the setting: Wine's control lays a wrapped line out in
// time and memory growing with the square of its length (half a second at 5,000 characters,
// 4 s and 130 MB at 20,000, minutes and gigabytes at 100,000), and again on every key typed into
// it, where one unwrapped row takes milliseconds.
constexpr std::size_t kLongestWrappedLine = 5000;
// Marks an editor that does not wrap although the setting says so, for its long line.
constexpr wchar_t kUnwrappedProperty[] = L"Tavrel.LongLineUnwrapped";

// {8CC497C0-A1DF-11CE-8098-00AA0047BE5D}
constexpr IID kTextDocumentIid = {
    0x8CC497C0, 0xA1DF, 0x11CE, {0x80, 0x98, 0x00, 0xAA, 0x00, 0x47, 0xBE, 0x5D}};

void set_paragraph_spacing(HWND edit) {
  PARAFORMAT2 format{};
  format.cbSize = sizeof(format);
  format.dwMask = PFM_SPACEAFTER | PFM_LINESPACING;
  format.dySpaceAfter = kSpaceAfterTwips;
  format.dyLineSpacing = kLineSpacingTwentieths;
  format.bLineSpacingRule = kLineSpacingRuleTwentieths;
  SendMessageW(edit, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
}

// Text mode first: the control refuses it once it holds any text.
void configure(const App& app, HWND edit, bool preview) {
  SendMessageW(edit, EM_EXLIMITTEXT, 0, kTextLimit);
  SendMessageW(edit, EM_SETEVENTMASK, 0, kEditorEvents);
  SendMessageW(edit, EM_SETTEXTMODE, TM_RICHTEXT | TM_MULTILEVELUNDO, 0);
  // Nothing is typed into the read-only preview, and recording what each fill replaced costs
  // about a tenth of the fill.
  SendMessageW(edit, EM_SETUNDOLIMIT, preview ? 0 : kUndoLimit, 0);
  SendMessageW(edit, EM_SETBKGNDCOLOR, 0, app.palette[palette_surface]);
  SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(app.editor_font), FALSE);
  richedit_set_colour(edit, SCF_ALL, app.palette[palette_text]);
  set_paragraph_spacing(edit);
  // The preview always wraps; the setting is the editors' alone.
  SendMessageW(edit, EM_SETTARGETDEVICE, 0, word_wrap_line_width(preview || app.word_wrap));
  if (preview) SendMessageW(edit, EM_AUTOURLDETECT, TRUE, 0);
  SetWindowTheme(edit, app.dark ? L"DarkMode_Explorer" : L"Explorer", nullptr);
}

// The main window, a control's parent, holds the App (none before it is set up).
const App* app_of(HWND edit) {
  return reinterpret_cast<const App*>(GetWindowLongPtrW(GetParent(edit), GWLP_USERDATA));
}

// The preview always wraps; an editor as the setting says.
bool wants_wrap(HWND edit) {
  const App* app = app_of(edit);
  return GetDlgCtrlID(edit) == ctl_preview || app == nullptr || app->word_wrap;
}

// The longest line in UTF-16 units, lines ending at CR or LF; `units_of` counts a character's.
template <typename Char, typename Units>
std::size_t longest_line(std::basic_string_view<Char> text, Units units_of) {
  std::size_t longest = 0;
  std::size_t line = 0;
  for (const Char c : text) {
    if (c == Char('\r') || c == Char('\n')) {
      longest = std::max(longest, line);
      line = 0;
    } else {
      line += units_of(c);
    }
  }
  return std::max(longest, line);
}

std::size_t longest_line(std::wstring_view units) {
  return longest_line(units, [](wchar_t) { return std::size_t{1}; });
}

// A continuation byte adds nothing, a four-byte character two units.
std::size_t longest_line(std::string_view utf8) {
  return longest_line(utf8, [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return std::size_t{(byte & 0xC0) == 0x80 ? 0u : byte >= 0xF0 ? 2u : 1u};
  });
}

// An editor that does not wrap has the horizontal bar. One that wraps has none: Wine's control
// with the bar lays every text out about twice as slowly, wrapped or not.
void set_horizontal_bar(HWND edit, bool wanted) {
  if (!wanted) SendMessageW(edit, WM_HSCROLL, SB_LEFT, 0);
  SendMessageW(edit, EM_SHOWSCROLLBAR, SB_HORZ, wanted);
}

// Wraps the control as wanted unless it holds a line too long to wrap; true when it wraps.
bool apply_word_wrap(HWND edit, std::size_t longest) {
  const bool wanted = wants_wrap(edit);
  const bool unwrapped = wanted && longest > kLongestWrappedLine;
  const bool wraps = wanted && !unwrapped;
  SendMessageW(edit, EM_SETTARGETDEVICE, 0, word_wrap_line_width(wraps));
  if (GetDlgCtrlID(edit) != ctl_preview) set_horizontal_bar(edit, !wraps);
  if (unwrapped) {
    SetPropW(edit, kUnwrappedProperty, reinterpret_cast<HANDLE>(1));
  } else {
    RemovePropW(edit, kUnwrappedProperty);
  }
  return wraps;
}

// What keeps its place on screen while the text is laid out anew: the caret where it is shown,
// else the first character shown.
struct ViewAnchor {
  LONG position = 0;
  LONG y = 0;
  bool caret = false;
};

ViewAnchor view_anchor(HWND edit) {
  CHARRANGE selection{};
  SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  RECT client{};
  GetClientRect(edit, &client);
  const LONG caret_y = richedit_client_point(edit, selection.cpMax).y;
  if (caret_y >= client.top && caret_y < client.bottom) return {selection.cpMax, caret_y, true};
  POINTL top_left{0, 0};
  const auto first_shown =
      static_cast<LONG>(SendMessageW(edit, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&top_left)));
  return {first_shown, richedit_client_point(edit, first_shown).y, false};
}

// Wrapping switched on or off lays the text out anew, and the control keeps its scroll position
// in pixels, which then shows another part of the text: past the end of a text that lost the
// rows of its long line, and a whole line's width left of a caret at its end. So the anchor is
// put back at the height it was shown at, and the view follows a shown caret sideways.
bool apply_word_wrap_in_view(HWND edit, std::size_t longest) {
  const ViewAnchor anchor = view_anchor(edit);
  const bool wraps = apply_word_wrap(edit, longest);
  const LONG moved = richedit_client_point(edit, anchor.position).y - anchor.y;
  richedit_set_scroll_pos(edit, POINT{0, std::max<LONG>(richedit_scroll_pos(edit).y + moved, 0)});
  if (anchor.caret) SendMessageW(edit, EM_SCROLLCARET, 0, 0);
  return wraps;
}

std::size_t client_width(HWND edit) {
  RECT client{};
  GetClientRect(edit, &client);
  return static_cast<std::size_t>(std::max<LONG>(client.right - client.left, 0));
}

// The editor font's average character width (every character's, in the monospaced editor font).
// The bar of an unwrapped text wider than the control is shown before the text goes in: shown by
// the control afterwards, it makes it lay the text out a second time.
std::size_t average_char_width(HWND edit) {
  const App* app = app_of(edit);
  if (app == nullptr || app->editor_font == nullptr) return 0;
  const HDC dc = GetDC(edit);
  const HGDIOBJ old = SelectObject(dc, app->editor_font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(edit, dc);
  return static_cast<std::size_t>(std::max<LONG>(metrics.tmAveCharWidth, 0));
}

// The control shows its vertical scroll bar once the content outgrows it, and the narrower text
// area then makes it lay out (and shape) the whole content a second time. A content with more
// lines than this, which outgrows the control whatever their heights, gets the bar before it
// goes in, so that it is laid out once, at the width it ends with. A content that may fit is
// left to the control, which would not hide a bar shown before.
std::size_t lines_that_may_fit(HWND edit) {
  RECT client{};
  GetClientRect(edit, &client);
  return static_cast<std::size_t>(std::max<LONG>(client.bottom - client.top, 0)) / kMinLinePixels;
}

// At most this many characters fit on one row.
std::size_t characters_per_row(HWND edit) {
  RECT client{};
  GetClientRect(edit, &client);
  return std::max<std::size_t>(
      static_cast<std::size_t>(std::max<LONG>(client.right - client.left, 0)) / kMinCharPixels, 1);
}

// Streams `bytes` into the control in the given format, replacing its content. A stream the
// control gave up on (unreadable RTF, a failing source) leaves it holding less than was meant.
void stream_in(HWND edit, const char* data, std::size_t size, WPARAM format) {
  StreamSource source{data, size, 0};
  EDITSTREAM stream{};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
  stream.pfnCallback = stream_string_in;
  SendMessageW(edit, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&stream));
  if (stream.dwError != 0) {
    throw std::runtime_error("RichEdit stopped reading (stream error " +
                             std::to_string(static_cast<LONG>(stream.dwError)) + ")");
  }
}

// The RTF sets the fonts, sizes and colours it uses but switches an effect only where a run has
// it: whatever the control's default had on (a bold "System" font from its creation, a state
// left by another caller) would show through until the RTF first switches it off.
void clear_default_effects(HWND edit) {
  CHARFORMAT2W plain{};
  plain.cbSize = sizeof(plain);
  plain.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_WEIGHT |
                 CFM_BACKCOLOR | CFM_LINK | CFM_SUBSCRIPT | CFM_HIDDEN | CFM_PROTECTED;
  plain.dwEffects = CFE_AUTOBACKCOLOR;
  plain.wWeight = FW_NORMAL;
  SendMessageW(edit, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&plain));
}

// A content with more lines than may fit gets the scroll bar before it goes in (see
// lines_that_may_fit); so does one with more text than fits on that many rows, such as one long
// paragraph.
void show_scroll_bar_for(HWND edit, const std::string& rtf) {
  const std::size_t fit = lines_that_may_fit(edit);
  const std::size_t fill = (fit + 1) * characters_per_row(edit);
  if (rtf_break_count(rtf, fit + 1) > fit || rtf_text_count(rtf, fill) >= fill)
    ShowScrollBar(edit, SB_VERT, TRUE);
}

bool richedit_is_empty(HWND edit) {
  GETTEXTLENGTHEX query{GTL_DEFAULT, kUtf16CodePage};
  return SendMessageW(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0) == 0;
}

void fill_preview(HWND preview, const std::string& rtf) {
  try {
    richedit_stream_rtf(preview, rtf);
  } catch (const std::exception& error) {
    throw std::runtime_error(std::string("Preview not updated: ") + error.what());
  }
}

RECT rect_in_parent(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// A fresh preview control where `old` is, below it, hidden, with the scroll bar `rtf` will need
// and the text area the layout gives that client area, so that showing it lays nothing out
// again. The text area is worked out afresh, not taken over from `old`: the control narrows a
// text area it was given by the width of a scroll bar shown later, and handing that on made
// every preview one scroll bar narrower than the one before, down to a character per line.
UniqueWindow preview_in_place_of(App& app, HWND old, const std::string& rtf) {
  UniqueWindow fresh(app.create_rich_edit(true));
  const RECT place = rect_in_parent(old);
  SetWindowPos(fresh.get(), old, place.left, place.top, place.right - place.left,
               place.bottom - place.top, SWP_NOACTIVATE | SWP_NOREDRAW);
  show_scroll_bar_for(fresh.get(), rtf);
  app.pad_editor_rect(fresh.get(), kPreviewTextInset, false);
  return fresh;
}

// The text colour at the start of the content, where the configuration or the theme left it.
CHARFORMAT2W colour_at_start(HWND edit) {
  CHARRANGE start{0, 0};
  SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
  CHARFORMAT2W format{};
  format.cbSize = sizeof(format);
  SendMessageW(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  format.dwMask = CFM_COLOR;
  format.dwEffects &= ~CFE_AUTOCOLOR;
  return format;
}

// Plain text streamed in may take the control's default format instead of the one its content
// had: the colour is made the default first (cheap), and put on the whole text only when the
// control did not use it (a pass over every run).
void keep_colour_across(HWND edit, const CHARFORMAT2W& colour,
                        const std::function<void()>& replace) {
  CHARFORMAT2W wanted = colour;
  SendMessageW(edit, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&wanted));
  replace();
  const CHARFORMAT2W now = colour_at_start(edit);
  if (now.crTextColor != colour.crTextColor) {
    SendMessageW(edit, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&wanted));
  }
}

}  // namespace

HWND App::create_rich_edit(bool preview) {
  DWORD style = WS_CHILD | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
  // An editor follows the caret sideways; without wrapping it has a bar to reach a long line's
  // end (see apply_word_wrap).
  style |= preview ? ES_READONLY : ES_AUTOHSCROLL | WS_HSCROLL;
  const int id = preview ? ctl_preview : first_editor_id + static_cast<int>(documents.size());
  UniqueWindow edit(CreateWindowExW(
      0, L"RICHEDIT50W", preview ? L"Markdown preview" : L"Markdown editor", style, 0, 0, 0, 0,
      main_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr));
  if (!edit) throw std::runtime_error("Cannot create RichEdit control");
  configure(*this, edit.get(), preview);
  if (!preview) set_horizontal_bar(edit.get(), !word_wrap);
  SetWindowSubclass(edit.get(), editor_subclass_proc, 1, reinterpret_cast<DWORD_PTR>(this));
  return edit.release();
}

std::int64_t richedit_length(HWND edit) {
  GETTEXTLENGTHEX query{GTL_PRECISE | GTL_NUMCHARS, kUtf16CodePage};
  const LRESULT length =
      SendMessageW(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0);
  return length > 0 ? static_cast<std::int64_t>(length) : 0;
}

std::wstring richedit_range(HWND edit, std::int64_t start, std::int64_t end) {
  const std::int64_t length = richedit_length(edit);
  start = std::clamp<std::int64_t>(start, 0, length);
  end = std::clamp<std::int64_t>(end, start, length);
  std::wstring buffer(static_cast<std::size_t>(end - start) + 1, L'\0');
  TEXTRANGEW range{{static_cast<LONG>(start), static_cast<LONG>(end)}, buffer.data()};
  const LRESULT copied =
      start == end ? 0 : SendMessageW(edit, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
  buffer.resize(std::min(copied > 0 ? static_cast<std::size_t>(copied) : 0, buffer.size() - 1));
  return buffer;
}

std::wstring richedit_text_units(HWND edit) {
  const auto units = static_cast<std::size_t>(richedit_length(edit));
  std::wstring buffer(units + 1, L'\0');
  GETTEXTEX query{};
  query.cb = static_cast<DWORD>((units + 1) * sizeof(wchar_t));
  query.flags = GT_DEFAULT;
  query.codepage = kUtf16CodePage;
  const LRESULT copied = SendMessageW(edit, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query),
                                      reinterpret_cast<LPARAM>(buffer.data()));
  buffer.resize(std::min(copied > 0 ? static_cast<std::size_t>(copied) : 0, units));
  return buffer;
}

std::string richedit_text_utf8(HWND edit) { return editor_text_to_utf8(richedit_text_units(edit)); }

// Streamed as plain UTF-16: the message paths that take a whole string (WM_SETTEXT,
// EM_SETTEXTEX) read a text that starts with "{\rtf" as RTF.
void richedit_set_text_utf8(HWND edit, const std::string& utf8) {
  const std::wstring units = utf8_to_editor_text(utf8);
  const std::size_t longest = longest_line(units);
  // Before the text goes in, so that it is laid out once.
  if (!apply_word_wrap(edit, longest) && longest * average_char_width(edit) > client_width(edit))
    ShowScrollBar(edit, SB_HORZ, TRUE);
  if (static_cast<std::size_t>(std::count(units.begin(), units.end(), L'\r')) >
      lines_that_may_fit(edit))
    ShowScrollBar(edit, SB_VERT, TRUE);
  keep_colour_across(edit, colour_at_start(edit), [&] {
    stream_in(edit, reinterpret_cast<const char*>(units.data()), units.size() * sizeof(wchar_t),
              SF_TEXT | SF_UNICODE);
  });
  SendMessageW(edit, EM_EMPTYUNDOBUFFER, 0, 0);
  SendMessageW(edit, EM_SETMODIFY, FALSE, 0);
}

void richedit_apply_word_wrap(HWND edit) {
  apply_word_wrap_in_view(edit, longest_line(richedit_text_units(edit)));
}

void richedit_fit_wrap_to_lines(HWND edit, std::string_view utf8) {
  if (!wants_wrap(edit)) return;
  const std::size_t longest = longest_line(utf8);
  const bool unwrapped = GetPropW(edit, kUnwrappedProperty) != nullptr;
  if ((longest > kLongestWrappedLine) != unwrapped) apply_word_wrap_in_view(edit, longest);
}

void richedit_forget_wrap(HWND edit) { RemovePropW(edit, kUnwrappedProperty); }

void richedit_stream_rtf(HWND edit, const std::string& rtf) {
  const RedrawGuard pause(edit);
  clear_default_effects(edit);
  show_scroll_bar_for(edit, rtf);
  stream_in(edit, rtf.data(), rtf.size(), SF_RTF);
}

// Wine's RichEdit drops a large content in time quadratic in its length, while destroying the
// control is linear: emptying a preview of 1 MB took longer than a minute, destroying it takes
// milliseconds. So the RTF goes into a new control that then takes the preview's place, unless
// the preview holds nothing yet (the one made with the window).
void replace_preview_content(App& app, const std::string& rtf) {
  app.preview_look = RenderLook{};  // a content of unknown making until the caller says
  const HWND old = app.preview_edit;
  if (richedit_is_empty(old)) {
    fill_preview(old, rtf);  // nothing to empty: the first content goes into the control itself
    return;
  }
  const POINT scroll = richedit_scroll_pos(old);
  UniqueWindow fresh = preview_in_place_of(app, old, rtf);
  fill_preview(fresh.get(), rtf);
  richedit_set_scroll_pos(fresh.get(), scroll);
  const UINT show = is_shown(old) ? SWP_SHOWWINDOW : 0;
  SetWindowPos(fresh.get(), old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | show);
  app.preview_edit = fresh.release();
  if (GetFocus() == old) SetFocus(app.preview_edit);
  if (app.saved_focus == old) app.saved_focus = app.preview_edit;
  DestroyWindow(old);
}

namespace {

// Wine's control gives a line break inside a paragraph back as a space.
bool shows(HWND edit, std::uint64_t begin, const std::u16string& text) {
  const std::wstring shown = richedit_range(edit, static_cast<std::int64_t>(begin),
                                            static_cast<std::int64_t>(begin + text.size()));
  return std::equal(
      shown.begin(), shown.end(), text.begin(), text.end(), [](wchar_t got, char16_t wanted) {
        return static_cast<char16_t>(got) == wanted || (wanted == kShownLineBreak && got == L' ');
      });
}

PARAFORMAT2 paragraph_format_at(HWND edit, LONG position) {
  CHARRANGE at{position, position};
  SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&at));
  PARAFORMAT2 format{};
  format.cbSize = sizeof(format);
  SendMessageW(edit, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
  return format;
}

bool same_paragraph_look(const PARAFORMAT2& a, const PARAFORMAT2& b) {
  return a.dxStartIndent == b.dxStartIndent && a.dxRightIndent == b.dxRightIndent &&
         a.dxOffset == b.dxOffset && a.dySpaceBefore == b.dySpaceBefore &&
         a.dySpaceAfter == b.dySpaceAfter && a.dyLineSpacing == b.dyLineSpacing &&
         a.bLineSpacingRule == b.bLineSpacingRule && a.wBorders == b.wBorders &&
         a.wBorderWidth == b.wBorderWidth && a.wAlignment == b.wAlignment;
}

// Puts the new blocks' RTF where the old ones were, keeping the view and the selection in front
// of the change. Streamed into a selection, the last paragraph break of the RTF stays, and the
// paragraph after it takes the format of the last one streamed in: its own is put back. False
// when it did not take it.
bool splice_blocks(HWND preview, const PreviewSplice& splice, const RenderResult& result) {
  const POINT scroll = richedit_scroll_pos(preview);
  CHARRANGE kept{};
  SendMessageW(preview, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&kept));
  const RedrawGuard pause(preview);
  const auto after = static_cast<LONG>(splice.begin + splice.new_text.size());
  PARAFORMAT2 next = paragraph_format_at(preview, static_cast<LONG>(splice.old_end));
  next.dwMask &= ~PFM_OFFSETINDENT;  // it would add the start indent to the one there
  CHARRANGE range{static_cast<LONG>(splice.begin), static_cast<LONG>(splice.old_end)};
  SendMessageW(preview, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  if (splice.blocks.new_end == splice.blocks.begin) {
    SendMessageW(preview, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
  } else {
    const std::string rtf =
        rtf_block_range(result.rtf_range_head, result.rtf, result.rtf_block_starts,
                        splice.blocks.begin, splice.blocks.new_end);
    stream_in(preview, rtf.data(), rtf.size(), SF_RTF | SFF_SELECTION);
  }
  const CHARRANGE next_start{after, after};
  SendMessageW(preview, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&next_start));
  SendMessageW(preview, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&next));
  const bool kept_next = same_paragraph_look(paragraph_format_at(preview, after), next);
  if (kept.cpMax > range.cpMin) kept = CHARRANGE{range.cpMin, range.cpMin};
  SendMessageW(preview, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&kept));
  richedit_set_scroll_pos(preview, scroll);
  return kept_next;
}

}  // namespace

// Every doubt ends in nothing: a content made for another document, theme or table width, a
// control that does not show the shown model where the model says, or a result that does not
// land where it should.
std::optional<PreviewSpan> splice_preview_content(App& app, const RenderResult& result) {
  const HWND preview = app.preview_edit;
  if (preview == nullptr || result.look.editor == nullptr || result.look.partial ||
      !(app.preview_look == result.look) ||
      result.rtf_block_starts.size() != result.markdown.blocks.size() + 1)
    return std::nullopt;
  const std::optional<PreviewSplice> splice = plan_preview_splice(
      app.rendered, preview_positions(app.rendered), result.markdown, result.positions);
  if (!splice || static_cast<std::uint64_t>(richedit_length(preview)) != splice->old_length ||
      !shows(preview, splice->begin, splice->old_text))
    return std::nullopt;
  const PreviewSpan changed{splice->touched_begin, splice->touched_end};
  if (splice->blocks.begin == splice->blocks.old_end &&
      splice->blocks.begin == splice->blocks.new_end)
    return changed;
  try {
    if (!splice_blocks(preview, *splice, result)) return std::nullopt;
  } catch (const std::exception&) {
    return std::nullopt;  // the whole replacement that follows reports what is wrong
  }
  if (static_cast<std::uint64_t>(richedit_length(preview)) != splice->new_length ||
      !shows(preview, splice->begin, splice->new_text))
    return std::nullopt;
  return changed;
}

DWORD CALLBACK stream_string_in(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* written) {
  auto* source = reinterpret_cast<StreamSource*>(cookie);
  const std::size_t remaining = source->size - source->offset;
  const std::size_t count = std::min(remaining, static_cast<std::size_t>(std::max<LONG>(size, 0)));
  if (count > 0) std::memcpy(buffer, source->data + source->offset, count);
  source->offset += count;
  *written = static_cast<LONG>(count);
  return 0;
}

// Some text object models answer S_FALSE and still suspend, so only the interfaces themselves
// are checked, not the answer.

namespace {

ComPtr<ITextDocument> text_document(HWND edit) {
  ComPtr<IRichEditOle> ole;
  ComPtr<ITextDocument> document;
  if (!SendMessageW(edit, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(ole.put())) || !ole)
    return document;
  if (FAILED(ole->QueryInterface(kTextDocumentIid, reinterpret_cast<void**>(document.put()))))
    document = ComPtr<ITextDocument>();
  return document;
}

}  // namespace

void richedit_suspend_undo(HWND edit, bool suspend) {
  if (const ComPtr<ITextDocument> document = text_document(edit))
    document->Undo(suspend ? tomSuspend : tomResume, nullptr);
}

// The control keeps its paragraphs indexed, so this answer costs nothing whatever the length.
// Wine's text object model has no paragraph index (E_NOTIMPL): there the caller counts.
std::optional<ParagraphAt> richedit_paragraph_at(HWND edit, std::int64_t position) {
  const ComPtr<ITextDocument> document = text_document(edit);
  ComPtr<ITextRange> range;
  const auto at = static_cast<long>(position);
  if (!document || FAILED(document->Range(at, at, range.put())) || !range) return std::nullopt;
  long index = 0;
  long start = 0;
  if (range->GetIndex(tomParagraph, &index) != S_OK || index < 1) return std::nullopt;
  if (FAILED(range->StartOf(tomParagraph, tomMove, nullptr)) || range->GetStart(&start) != S_OK)
    return std::nullopt;
  return ParagraphAt{index - 1, start};
}

void richedit_set_colour(HWND edit, WPARAM scope, COLORREF colour) {
  CHARFORMAT2W format{};
  format.cbSize = sizeof(format);
  format.dwMask = CFM_COLOR;
  format.dwEffects = 0;
  format.crTextColor = colour;
  SendMessageW(edit, EM_SETCHARFORMAT, scope, reinterpret_cast<LPARAM>(&format));
}

void richedit_select_and_scroll(HWND edit, CHARRANGE range) {
  SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

void richedit_select(HWND edit, std::int64_t start, std::int64_t end) {
  CHARRANGE range{static_cast<LONG>(start), static_cast<LONG>(end)};
  SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

void richedit_replace(HWND edit, std::int64_t start, std::int64_t end,
                      const std::wstring& editor_text) {
  richedit_select(edit, start, end);
  SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(editor_text.c_str()));
}

}  // namespace tavrel::win
