#include "tests/win/app_window_fixture_win.h"

#include <algorithm>
#include <set>
#include <utility>

#include "core/text_convert.h"
#include "ui/commands.h"
#include "ui/editor_swap_win.h"
#include "ui/paint_win.h"
#include "ui/pane_paint.h"

namespace tavrel::test {
namespace {

class FindBarTest : public AppWindowTest {
 protected:
  // The program's manifest asks for the version 6 controls, whose edit boxes show cue banners;
  // the test executable has none, so the program's own is activated around its windows.
  void SetUp() override {
    ACTCTXW context{};
    context.cbSize = sizeof(context);
    const std::wstring exe = std::filesystem::path(TAVREL_EXE).make_preferred().wstring();
    context.lpSource = exe.c_str();
    context.lpResourceName = MAKEINTRESOURCEW(1);
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context_ = CreateActCtxW(&context);
    ASSERT_NE(context_, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(ActivateActCtx(context_, &cookie_));
    AppWindowTest::SetUp();
  }
  void TearDown() override {
    AppWindowTest::TearDown();
    DeactivateActCtx(0, cookie_);
    ReleaseActCtx(context_);
  }
  HANDLE context_ = INVALID_HANDLE_VALUE;
  ULONG_PTR cookie_ = 0;

  void query(const wchar_t* what, const wchar_t* with, bool regex) {
    SetWindowTextW(app_->find_edit, what);
    SetWindowTextW(app_->replace_edit, with);
    SendMessageW(app_->regex_button, BM_SETCHECK, regex ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  // The user's road: the window shown, the bar opened by its command (there is none without a
  // document), the boxes filled, the check boxes and buttons clicked.
  void open_bar(bool replace) {
    ShowWindow(app_->main_window, SW_SHOWNOACTIVATE);
    app_->on_command(replace ? win::cmd_replace : win::cmd_find);
  }
  void click(int id) { SendMessageW(GetDlgItem(app_->main_window, id), BM_CLICK, 0, 0); }
  void fill(const std::string& what, const std::string& with, bool regex, bool match_case) {
    SetWindowTextW(app_->find_edit, win::to_wide(what).c_str());
    SetWindowTextW(app_->replace_edit, win::to_wide(with).c_str());
    for (const auto& [box, on] :
         {std::pair(app_->regex_button, regex), std::pair(app_->match_case_button, match_case)}) {
      if ((SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED) != on) {
        click(GetDlgCtrlID(box));
      }
    }
  }
  // The matches Find next walks through from the start until it comes round again.
  std::set<std::pair<LONG, LONG>> found_by_find_next() {
    std::set<std::pair<LONG, LONG>> found;
    select(0, 0);
    for (int i = 0; i < 50; ++i) {
      click(win::ctl_find_next);
      const CHARRANGE range = selection(editor());
      if (app_->status_text != L"Match selected" ||
          !found.insert({range.cpMin, range.cpMax}).second) {
        break;
      }
    }
    return found;
  }
  RECT place_of(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, app_->main_window, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  std::wstring cue(HWND box) {
    wchar_t text[64] = {};
    SendMessageW(box, EM_GETCUEBANNER, reinterpret_cast<WPARAM>(text), 64);
    return text;
  }
  LONG find_from(LONG caret) {
    select(caret, caret);
    app_->find_next();
    return selection(editor()).cpMin;
  }
};

TEST_F(FindBarTest, FindsInContextAndEachReplaceIsOneUndoStep) {
  const std::string text = "one two\none";
  add_document(text);
  app_->on_command(win::cmd_replace);
  EXPECT_TRUE(app_->find_bar_visible && app_->find_replace_mode);
  query(L"ONE", L"1", false);
  EXPECT_EQ(find_from(1), 8);
  EXPECT_EQ(find_from(9), 0);  // wrapped
  app_->replace_matches(false);
  EXPECT_EQ(editor_text(), "1 two\none");
  EXPECT_EQ(selection(editor()).cpMin, 6);  // on to the next match
  SendMessageW(editor(), EM_UNDO, 0, 0);
  EXPECT_EQ(editor_text(), text);

  query(L"^", L"", true);
  EXPECT_EQ(find_from(1), 8);  // not at the caret in mid-line
  query(L"(", L"x", true);
  app_->replace_matches(true);
  EXPECT_EQ(app_->status_text, L"Invalid regular expression");
  query(L"(o)ne", L"[$1$$]", true);
  app_->replace_matches(true);
  EXPECT_EQ(editor_text(), "[o$] two\n[o$]");
  EXPECT_EQ(app_->status_text, L"2 replacements");
  SendMessageW(editor(), EM_UNDO, 0, 0);
  EXPECT_EQ(editor_text(), text);
  EXPECT_FALSE(SendMessageW(editor(), EM_CANUNDO, 0, 0));
}

// Vietnamese, CJK and emoji through the bar: Replace all takes whole characters, matches what
// Find next walks through, and is one undo step.
TEST_F(FindBarTest, ReplaceAllTakesTheMatchesFindNextFinds) {
  struct Case {
    std::string text, what, with;
    bool regex, match_case;
    std::string expected;
    int count;
  } const cases[] = {
      {"phở phơ bún Phở", "[ởơ]", "o", true, true, "pho pho bún Pho", 3},
      {"phở phơ bún Phở", "b.n", "X", true, true, "phở phơ X Phở", 1},
      {"Mạnh ạ", "[ạ]", "", true, true, "Mnh ", 2},
      {"phở PHỞ Phở", "phở", "pho", true, false, "pho pho pho", 3},
      {"phở PHỞ Phở", "phở", "pho", false, false, "pho pho pho", 3},
      {"Đà Nẵng đà", "đà", "x", false, false, "x Nẵng x", 2},
      {"中文字典\n文字", "文.", "<$&>", true, true, "中<文字>典\n<文字>", 2},
      {"a😀b😁", ".", "x", true, true, "xxxx", 4},
      {"😀😁 😁", "[😁]", "!", true, true, "😀! !", 2},
      {"😀x😁", "[^x]", "-", true, true, "-x-", 2},
  };
  BoxWatcher watcher;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.what);
    add_document(c.text);
    open_bar(true);
    fill(c.what, c.with, c.regex, c.match_case);
    EXPECT_EQ(found_by_find_next().size(), static_cast<size_t>(c.count));
    click(win::ctl_replace_all);
    EXPECT_EQ(editor_text(), c.expected);
    EXPECT_EQ(app_->status_text, std::to_wstring(c.count) + L" replacements");
    SendMessageW(editor(), EM_UNDO, 0, 0);
    EXPECT_EQ(editor_text(), c.text);
  }
  EXPECT_TRUE(watcher.boxes().empty());
}

// Ignoring case, the bar finds real words of every cased script in either case: Greek with its
// final sigma and tonos, Ukrainian, Russian, Armenian, Georgian capitals (Mtavruli), Cherokee
// (whose small letters fold to the capitals), Deseret above U+FFFF, and letters whose folding
// is written with another number of UTF-8 bytes (KELVIN SIGN, OHM SIGN, capital sharp s). Find
// next selects exactly the first match, and Replace all replaces exactly the matches.
TEST_F(FindBarTest, IgnoringCaseFindsWordsOfEveryCasedScript) {
  struct Case {
    std::string text, what;
    bool regex;
    std::pair<LONG, LONG> first;
    std::string expected;
    int count;
  } const cases[] = {
      {"ΟΔΟΣ, οδος", "οδος", false, {0, 4}, "_, _", 2},
      {"Τα ΕΛΛΗΝΙΚΆ και τα ελληνικά", "ελληνικά", false, {3, 11}, "Τα _ και τα _", 2},
      {"Ґанок і ґанок", "ґанок", false, {0, 5}, "_ і _", 2},
      {"ПРИВЕТ, привет", "привет", false, {0, 6}, "_, _", 2},
      {"ՀԱՅԵՐԵՆ և հայերեն", "հայերեն", false, {0, 7}, "_ և _", 2},
      {"ᲡᲐᲥᲐᲠᲗᲕᲔᲚᲝ საქართველო",
       "საქართველო",
       false,
       {0, 10},
       "_ _",
       2},
      {"ᏣᎳᎩ ꮳꮃꭹ", "ꮳꮃꭹ", false, {0, 3}, "_ _", 2},
      {"𐐔𐐯𐑅𐐨𐑉𐐯𐐻 𐐼𐐯𐑅𐐨𐑉𐐯𐐻", "𐐼𐐯𐑅𐐨𐑉𐐯𐐻", false, {0, 14}, "_ _", 2},
      {"𐐔𐐯 𐐼𐐯", "[𐐀-𐐧]𐐯", true, {0, 4}, "_ _", 2},
      {"300 K = 300 k", "k", false, {4, 5}, "300 _ = 300 _", 2},
      {"10 Ω, 10 Ω, ω", "ω", false, {3, 4}, "10 _, 10 _, _", 3},
      {"GROẞE große", "große", false, {0, 5}, "_ _", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.what);
    add_document(c.text);
    open_bar(true);
    fill(c.what, "_", c.regex, false);
    const std::set<std::pair<LONG, LONG>> found = found_by_find_next();
    EXPECT_EQ(found.size(), static_cast<size_t>(c.count));
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(*found.begin(), c.first);
    click(win::ctl_replace_all);
    EXPECT_EQ(editor_text(), c.expected);
    EXPECT_EQ(app_->status_text, std::to_wstring(c.count) + L" replacements");
  }
}

// The most lines one text change handed to the editor deleted (counted over the selection that
// EM_REPLACESEL, EM_SETTEXTEX or EM_STREAMIN replaces): Wine's control deletes many lines in time
// quadratic in their number.
LRESULT CALLBACK count_deleted_lines(HWND edit, UINT message, WPARAM wparam, LPARAM lparam,
                                     UINT_PTR, DWORD_PTR most) {
  if (message == EM_REPLACESEL || message == EM_SETTEXTEX || message == EM_STREAMIN) {
    CHARRANGE range{};
    SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    const bool whole = (message == EM_SETTEXTEX &&
                        !(reinterpret_cast<const SETTEXTEX*>(wparam)->flags & ST_SELECTION)) ||
                       (message == EM_STREAMIN && !(wparam & SFF_SELECTION));
    const std::wstring gone = whole ? win::richedit_text_units(edit)
                                    : win::richedit_range(edit, range.cpMin, range.cpMax);
    auto& lines = *reinterpret_cast<size_t*>(most);
    lines = std::max(lines, static_cast<size_t>(std::count(gone.begin(), gone.end(), L'\r')));
  }
  return DefSubclassProc(edit, message, wparam, lparam);
}

std::string replaced_bytes(std::string text, const std::string& what, const std::string& with) {
  for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += with.size())
    text.replace(at, what.size(), with);
  return text;
}

// A real changelog of 1,400 lines (313 matches) with Vietnamese and emoji added, in both line-end
// styles: Replace all deletes no long stretch in the control, changes the saved bytes at the
// matches only, is one undo step and one redo step, runs twice in a row, and shows in the preview.
TEST_F(FindBarTest, ReplaceAllOverALongDocument) {
  const std::string base = "# Ti\xE1\xBB\x87u \xC4\x91\xE1\xBB\x81 \xF0\x9F\x98\x80\n" +
                           read_bytes("Z:/usr/share/doc/nodejs/CHANGELOG.md") +
                           "Xin ch\xC3\xA0o \xF0\x9F\xA6\x8A\n";
  const std::string moved = "\xC4\x90\xC3\xA3 chuy\xE1\xBB\x83n \xF0\x9F\xA6\x8A";
  for (const bool crlf : {false, true}) {
    SCOPED_TRACE(crlf);
    const std::filesystem::path file = files_ / (crlf ? "crlf.md" : "lf.md");
    const std::string on_disk = crlf ? replaced_bytes(base, "\n", "\r\n") : base;
    write_bytes(file, on_disk);
    ASSERT_TRUE(app_->open_path(file));
    const HWND opened = editor();
    size_t most = 0;
    SetWindowSubclass(opened, count_deleted_lines, 9, reinterpret_cast<DWORD_PTR>(&most));
    open_bar(true);
    fill("Moved to", moved, false, true);
    click(win::ctl_replace_all);
    EXPECT_EQ(app_->status_text, L"313 replacements");
    EXPECT_LE(most, win::kSwapLineBreaks);
    RemoveWindowSubclass(opened, count_deleted_lines, 9);
    EXPECT_TRUE(active().modified);
    const std::string once = replaced_bytes(base, "Moved to", moved);
    EXPECT_EQ(editor_text(), once);
    app_->request_render();
    finish_jobs();
    EXPECT_TRUE(has(preview_text(), moved + " doc/changelogs/CHANGELOG_ARCHIVE.md#0.0.3"));

    SendMessageW(editor(), EM_UNDO, 0, 0);
    EXPECT_EQ(editor_text(), base);
    SendMessageW(editor(), EM_REDO, 0, 0);
    EXPECT_EQ(editor_text(), once);
    fill(moved, "x", false, true);
    click(win::ctl_replace_all);  // twice in a row
    EXPECT_EQ(editor_text(), replaced_bytes(base, "Moved to", "x"));
    SendMessageW(editor(), EM_UNDO, 0, 0);
    ASSERT_EQ(editor_text(), once);
    ASSERT_TRUE(app_->save_document(false));
    EXPECT_EQ(read_bytes(file), replaced_bytes(on_disk, "Moved to", moved));
  }
}

// What an editor shows of the settings: its colours, its font height and its wrapped lines.
struct EditorLook {
  COLORREF background = 0, text = 0;
  LONG height = 0;
  LRESULT lines = 0;
  bool operator==(const EditorLook&) const = default;
  friend std::ostream& operator<<(std::ostream& out, const EditorLook& look) {
    return out << std::hex << "background " << look.background << ", text " << look.text << std::dec
               << ", height " << look.height << ", lines " << look.lines;
  }
};

EditorLook look_of(HWND edit) {
  EditorLook look;
  look.background = static_cast<COLORREF>(SendMessageW(edit, EM_SETBKGNDCOLOR, 0, 0));
  SendMessageW(edit, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(look.background));
  SendMessageW(edit, EM_SETSEL, 0, 1);
  CHARFORMAT2W format{};
  format.cbSize = sizeof(format);
  SendMessageW(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  look.text = format.crTextColor;
  look.height = format.yHeight;
  look.lines = SendMessageW(edit, EM_GETLINECOUNT, 0, 0);
  return look;
}

// Theme, zoom and word wrap changed while a Replace all over many lines can be undone or redone:
// the editor the undo or the redo brings back shows them too.
TEST_F(FindBarTest, ReplaceAllUndoAndRedoShowTheSettingsOfNow) {
  std::string text;
  for (int line = 0; line < 600; ++line) {
    text += "alpha";
    for (int word = 0; word < 30; ++word) text += " beta";
    text += "\n";
  }
  add_document(text);
  open_bar(true);
  fill("alpha", "gamma", false, true);
  click(win::ctl_replace_all);
  ASSERT_EQ(active().history.older.size(), 1u) << "a new editor took the old one's place";
  for (const bool undo : {true, false}) {
    SCOPED_TRACE(undo);
    send(WM_COMMAND, undo ? win::cmd_theme_dark : win::cmd_theme_light);
    send(WM_COMMAND, undo ? win::cmd_zoom_in : win::cmd_zoom_out);
    send(WM_COMMAND, win::cmd_word_wrap);
    const EditorLook now = look_of(editor());
    SendMessageW(editor(), undo ? EM_UNDO : EM_REDO, 0, 0);
    ASSERT_EQ(editor_text().substr(0, 5), undo ? "alpha" : "gamma");
    EXPECT_EQ(look_of(editor()), now);
  }
}

// Replace one replaces the match Find next selected, then selects the next one whole.
TEST_F(FindBarTest, ReplaceOneStepsThroughWholeCharacters) {
  add_document("phở 😀 phơ");
  open_bar(true);
  fill("[ởơ😀]", "o", true, true);
  select(0, 0);
  click(win::ctl_find_next);
  EXPECT_EQ(selection(editor()).cpMin, 2);
  const std::string steps[] = {"pho 😀 phơ", "pho o phơ", "pho o pho"};
  const std::pair<LONG, LONG> next[] = {{4, 6}, {8, 9}, {9, 9}};
  for (size_t i = 0; i < std::size(steps); ++i) {
    click(win::ctl_replace_one);
    EXPECT_EQ(editor_text(), steps[i]) << i;
    const CHARRANGE range = selection(editor());
    EXPECT_EQ(std::pair(range.cpMin, range.cpMax), next[i]) << i;
  }
  EXPECT_EQ(app_->status_text, L"No matches");
}

// A find result belongs to the document it was found in: once the last tab is closed, the new
// empty document's status bar shows its own counts, as with the message of a closed tab's save.
TEST_F(FindBarTest, ClosingTheLastTabDropsItsFindResult) {
  add_document("one two one");
  open_bar(false);
  fill("two", "", false, false);
  click(win::ctl_find_next);
  ASSERT_EQ(app_->status_text, L"Match selected");
  app_->on_command(win::cmd_close_tab);
  finish_jobs();
  ASSERT_EQ(app_->documents.size(), 1u);
  EXPECT_TRUE(editor_text().empty());
  EXPECT_EQ(win::status_bar_left_text(*app_), win::status_left_text(L"", app_->stats, false));
  EXPECT_EQ(app_->stats.words, 0u);
}

// The "×" stays inside the window and clear of the outline: the row ends with the panes below.
TEST_F(FindBarTest, ReplaceRowFitsA1280PixelWindow) {
  SetWindowPos(app_->main_window, nullptr, 0, 0, 1280, 850, SWP_NOZORDER | SWP_NOACTIVATE);
  add_document("x");
  for (const bool outline : {false, true}) {
    app_->outline = outline;
    open_bar(true);
    RECT client{};
    GetClientRect(app_->main_window, &client);
    const RECT close = place_of(GetDlgItem(app_->main_window, win::ctl_close_find));
    const RECT preview = place_of(app_->preview_edit);
    EXPECT_LE(close.right, preview.right) << outline;
    EXPECT_LT(close.right, client.right) << outline;
    if (outline) {
      EXPECT_LT(close.right, place_of(app_->outline_list).left);
    }
    EXPECT_GT(close.left, place_of(GetDlgItem(app_->main_window, win::ctl_replace_all)).right);
  }
}

TEST_F(FindBarTest, CueBannersFollowTheLanguage) {
  add_document();
  open_bar(true);
  EXPECT_EQ(cue(app_->find_edit), L"Find in document");
  app_->on_command(win::cmd_language_vietnamese);
  EXPECT_EQ(cue(app_->find_edit), L"Tìm trong tài liệu");
  EXPECT_EQ(cue(app_->replace_edit), L"Thay bằng");
  app_->on_command(win::cmd_language_english);
  EXPECT_EQ(cue(app_->replace_edit), L"Replace with");
}

}  // namespace
}  // namespace tavrel::test
