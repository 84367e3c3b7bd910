// The main window created in this process (hidden) with a temporary profile: its controls, the
// layout applied to them, the split bar, the title, the warning box, edits, closing and focus.
#include "ui/main_window_win.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <richedit.h>

#include <memory>

#include "core/file_io_win.h"
#include "tests/portable/test_support.h"
#include "tests/win/window_test_support_win.h"

using namespace tavrel::win;
using tavrel::test::BoxWatcher;
using tavrel::test::class_name;
using tavrel::test::read_bytes;
using tavrel::test::TempDir;
using tavrel::test::text_of;

namespace {

// A quit message posted by a destroyed main window must not end a later message box at once.
void drain_quit_messages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
}

std::optional<WPARAM> posted_quit_code() {
  MSG message;
  if (!PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return std::nullopt;
  return message.wParam;
}

Rect client_rect_of(HWND main_window, HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, main_window, reinterpret_cast<POINT*>(&r), 2);
  return Rect{r.left, r.top, r.right, r.bottom};
}

bool shown(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

LRESULT CALLBACK count_position_changes(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR, DWORD_PTR counter) {
  if (message == WM_WINDOWPOSCHANGING) ++*reinterpret_cast<int*>(counter);
  return DefSubclassProc(window, message, wparam, lparam);
}

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { tavrel::test::load_window_libraries(); }

  void SetUp() override {
    app_ = std::make_unique<App>(
        GetModuleHandleW(nullptr), false,
        std::vector<std::wstring>{L"tavrel.exe", L"--profile", profile_.path().native()});
    app_->create_window();
    ASSERT_NE(app_->main_window, nullptr);
    resize(1200, 800);
  }

  void TearDown() override {
    release_main_window(*app_);
    app_.reset();
    drain_quit_messages();
  }

  void resize(int width, int height) {
    SetWindowPos(app_->main_window, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  HWND control(int id) const { return GetDlgItem(app_->main_window, id); }

  Document& add_document(const std::wstring& path) {
    auto document = std::make_unique<Document>();
    document->path = path;
    document->editor = app_->create_rich_edit(false);
    app_->documents.push_back(std::move(document));
    return *app_->documents.back();
  }

  LRESULT send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    return SendMessageW(app_->main_window, message, wparam, lparam);
  }

  // Every pane with a fixed window is where the pure layout says, and as visible.
  void expect_layout_applied() {
    const Layout layout = compute_layout(layout_input(*app_));
    for (size_t i = 0; i < kPaneCount; ++i) {
      const auto pane = static_cast<Pane>(i);
      if (pane_control_id(pane) == 0) continue;
      SCOPED_TRACE(pane_control_id(pane));
      const HWND window = control(pane_control_id(pane));
      ASSERT_NE(window, nullptr);
      EXPECT_EQ(shown(window), layout.at(pane).shown);
      if (layout.at(pane).rect) {
        EXPECT_EQ(client_rect_of(app_->main_window, window), *layout.at(pane).rect);
      }
    }
  }

  TempDir profile_;
  std::unique_ptr<App> app_;
};

}  // namespace

TEST_F(MainWindowTest, WindowHasItsClassTitleAndStyles) {
  const HWND main = app_->main_window;
  EXPECT_EQ(class_name(main), L"Tavrel.Main");
  EXPECT_EQ(text_of(main), L"Tavrel");
  EXPECT_TRUE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  EXPECT_TRUE(GetWindowLongW(main, GWL_STYLE) & WS_CLIPCHILDREN);
  EXPECT_FALSE(IsWindowVisible(main));  // shown by the program entry, not here
  EXPECT_NE(GetMenu(main), nullptr);    // the menu bar is built with the window
}

TEST_F(MainWindowTest, ChildrenExistAtTheirIdsInCreationOrder) {
  struct Expected {
    int id;
    const wchar_t* window_class;
    const wchar_t* text;
    HWND kept;
  };
  const Expected expected[] = {
      {10, L"ToolbarWindow32", L"Formatting", app_->toolbar},
      {11, L"SysTabControl32", L"Documents", app_->tab_control},
      {12, L"SysTreeView32", L"Workspace", app_->workspace_tree},
      {13, L"ListBox", L"Outline", app_->outline_list},
      {14, L"Static", L"", app_->status_bar},
      {30, L"RICHEDIT50W", L"Markdown preview", app_->preview_edit},
      {16, L"Edit", L"", app_->find_edit},
      {17, L"Edit", L"", app_->replace_edit},
      {18, L"Button", L"Aa", app_->match_case_button},
      {19, L"Button", L".*", app_->regex_button},
      {20, L"Button", L"\u2193", nullptr},
      {21, L"Button", L"1 \u2194 1", nullptr},
      {22, L"Button", L"All \u2194", nullptr},
      {23, L"Button", L"\u00D7", nullptr},
  };
  HWND child = GetWindow(app_->main_window, GW_CHILD);
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.id);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetDlgCtrlID(child), e.id);
    EXPECT_EQ(_wcsicmp(class_name(child).c_str(), e.window_class), 0) << class_name(child).c_str();
    EXPECT_EQ(text_of(child), e.text);
    if (e.kept) {
      EXPECT_EQ(child, e.kept);
    }
    child = GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(child, nullptr);
}

TEST_F(MainWindowTest, ChildStylesFollowTheirRoles) {
  const auto style = [&](int id) {
    return static_cast<DWORD>(GetWindowLongW(control(id), GWL_STYLE));
  };
  EXPECT_EQ(
      style(10) & (TBSTYLE_LIST | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE),
      DWORD(TBSTYLE_LIST | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE));
  EXPECT_TRUE(SendMessageW(control(10), TB_GETEXTENDEDSTYLE, 0, 0) & TBSTYLE_EX_DOUBLEBUFFER);
  EXPECT_EQ(style(11) & (TCS_OWNERDRAWFIXED | TCS_FIXEDWIDTH | TCS_FOCUSNEVER),
            DWORD(TCS_OWNERDRAWFIXED | TCS_FIXEDWIDTH | TCS_FOCUSNEVER));
  EXPECT_EQ(style(13) & (LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT),
            DWORD(LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT));
  EXPECT_EQ(style(14) & SS_TYPEMASK, DWORD(SS_OWNERDRAW));
  EXPECT_TRUE(style(30) & ES_READONLY);
  EXPECT_EQ(style(18) & BS_TYPEMASK, DWORD(BS_AUTOCHECKBOX));
  for (int id = 20; id <= 23; ++id) EXPECT_EQ(style(id) & BS_TYPEMASK, DWORD(BS_OWNERDRAW)) << id;
}

TEST_F(MainWindowTest, LayoutIsAppliedAndFollowsSize) {
  expect_layout_applied();
  resize(900, 600);
  expect_layout_applied();
  app_->outline = true;
  resize(1300, 700);
  expect_layout_applied();
  EXPECT_TRUE(shown(app_->outline_list));
}

TEST_F(MainWindowTest, UnchangedLayoutMovesNothing) {
  int changes = 0;
  SetWindowSubclass(app_->status_bar, count_position_changes, 7,
                    reinterpret_cast<DWORD_PTR>(&changes));
  app_->layout_panes();
  EXPECT_EQ(changes, 0);
  resize(1000, 700);
  EXPECT_GT(changes, 0);
  RemoveWindowSubclass(app_->status_bar, count_position_changes, 7);
}

TEST_F(MainWindowTest, FindRowShowsAndClosingKeepsItsPlace) {
  app_->find_bar_visible = true;
  app_->find_replace_mode = true;
  app_->layout_panes();
  expect_layout_applied();
  EXPECT_TRUE(shown(app_->replace_edit));
  const Rect find_box = client_rect_of(app_->main_window, app_->find_edit);

  send(WM_COMMAND, MAKEWPARAM(ctl_close_find, BN_CLICKED),
       reinterpret_cast<LPARAM>(control(ctl_close_find)));
  EXPECT_FALSE(app_->find_bar_visible);
  EXPECT_FALSE(shown(app_->find_edit));
  EXPECT_FALSE(shown(control(ctl_close_find)));
  EXPECT_EQ(client_rect_of(app_->main_window, app_->find_edit), find_box);
}

TEST_F(MainWindowTest, OnlyTheActiveEditorIsPlacedAndPadded) {
  Document& first = add_document(L"C:\\a.md");
  Document& second = add_document(L"C:\\b.md");
  EXPECT_EQ(GetDlgCtrlID(second.editor), first_editor_id + 1);
  app_->active_document = 1;
  app_->layout_panes();
  const Layout layout = compute_layout(layout_input(*app_));
  const Rect editor_place = *layout.at(Pane::ActiveEditor).rect;
  EXPECT_TRUE(shown(second.editor));
  EXPECT_FALSE(shown(first.editor));
  EXPECT_EQ(client_rect_of(app_->main_window, second.editor), editor_place);

  RECT client{};
  GetClientRect(second.editor, &client);
  RECT format{};
  SendMessageW(second.editor, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  EXPECT_EQ((Rect{format.left, format.top, format.right, format.bottom}),
            padded_text_rect(Rect{0, 0, client.right, client.bottom}, 12, true, app_->dpi));

  app_->active_document = 0;
  app_->layout_panes();
  EXPECT_TRUE(shown(first.editor));
  EXPECT_FALSE(shown(second.editor));
  EXPECT_EQ(client_rect_of(app_->main_window, second.editor), editor_place);  // hidden where it was
}

TEST_F(MainWindowTest, PreviewTextIsPaddedAtTheSidesAndTop) {
  RECT client{};
  GetClientRect(app_->preview_edit, &client);
  RECT format{};
  SendMessageW(app_->preview_edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  EXPECT_EQ((Rect{format.left, format.top, format.right, format.bottom}),
            padded_text_rect(Rect{0, 0, client.right, client.bottom}, 18, false, app_->dpi));
}

TEST_F(MainWindowTest, SplitterDragsWithinItsLimits) {
  const int split = compute_layout(layout_input(*app_)).split;
  send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(split + app_->scale(7), 300));
  ASSERT_TRUE(app_->splitter_drag);
  send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0, 300));
  EXPECT_EQ(app_->split_percent, 25);
  send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5000, 300));
  EXPECT_EQ(app_->split_percent, 75);
  expect_layout_applied();
  send(WM_LBUTTONUP, 0, MAKELPARAM(5000, 300));
  EXPECT_FALSE(app_->splitter_drag);
  send(WM_MOUSEMOVE, 0, MAKELPARAM(0, 300));
  EXPECT_EQ(app_->split_percent, 75);
}

TEST_F(MainWindowTest, SplitterIgnoresFarPressesAndOtherViews) {
  const int split = compute_layout(layout_input(*app_)).split;
  send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(split + app_->scale(8), 300));
  EXPECT_FALSE(app_->splitter_drag);
  app_->view_mode = 0;
  send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(split, 300));
  EXPECT_FALSE(app_->splitter_drag);
}

TEST_F(MainWindowTest, LosingTheMouseEndsTheDrag) {
  const int split = compute_layout(layout_input(*app_)).split;
  send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(split, 300));
  ASSERT_TRUE(app_->splitter_drag);
  send(WM_CAPTURECHANGED, 0, 0);
  EXPECT_FALSE(app_->splitter_drag);
  const int percent = app_->split_percent;
  send(WM_MOUSEMOVE, 0, MAKELPARAM(0, 300));
  EXPECT_EQ(app_->split_percent, percent);
}

TEST_F(MainWindowTest, MinimumSizeAndDpiChange) {
  MINMAXINFO info{};
  send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, app_->scale(850));
  EXPECT_EQ(info.ptMinTrackSize.y, app_->scale(520));

  RECT suggested{10, 10, 1810, 1210};
  send(WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(app_->dpi, 144);
  send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 1275);
  EXPECT_EQ(info.ptMinTrackSize.y, 780);
  EXPECT_EQ(client_rect_of(app_->main_window, app_->toolbar).top, 12);
  expect_layout_applied();
}

TEST_F(MainWindowTest, TitleNamesTheActiveDocument) {
  app_->update_title();
  EXPECT_EQ(text_of(app_->main_window), L"Tavrel");  // nothing open: unchanged
  Document& untitled = add_document(L"");
  app_->update_title();
  EXPECT_EQ(text_of(app_->main_window), L"Untitled - Tavrel");
  untitled.modified = true;
  app_->vietnamese = true;
  app_->update_title();
  EXPECT_EQ(text_of(app_->main_window), L"* Ch\u01B0a \u0111\u1EB7t t\u00EAn - Tavrel");
  add_document(L"C:\\notes\\Ghi ch\u00FA.md");
  app_->active_document = 1;
  app_->update_title();
  EXPECT_EQ(text_of(app_->main_window), L"Ghi ch\u00FA.md - Tavrel");
  app_->active_document = 2;
  EXPECT_THROW(app_->update_title(), std::out_of_range);
}

TEST_F(MainWindowTest, ErrorBoxShowsInvalidTextLeniently) {
  BoxWatcher watcher;
  app_->show_error(std::runtime_error("bad \xFF byte"));
  app_->vietnamese = true;
  app_->show_error(std::runtime_error("again"));
  ASSERT_EQ(watcher.boxes().size(), 2u);
  EXPECT_EQ(watcher.boxes()[0].title, L"Tavrel - Could not complete action");
  EXPECT_NE(watcher.boxes()[0].text.find(L"bad \uFFFD byte"), std::wstring::npos);
  EXPECT_EQ(watcher.boxes()[0].owner, app_->main_window);
  EXPECT_EQ(watcher.boxes()[1].title, L"Tavrel - Kh\u00F4ng th\u1EC3 ho\u00E0n t\u1EA5t");
}

TEST_F(MainWindowTest, FailingHandlerShowsTheBoxAndGetsTheDefaultAnswer) {
  add_document(L"C:\\notes.md");
  app_->profile_dir = profile_ / "gone" / "deeper";  // custom.css cannot be written there
  BoxWatcher watcher;
  EXPECT_EQ(send(WM_COMMAND, cmd_edit_export_css), 0);
  ASSERT_EQ(watcher.boxes().size(), 1u);
  EXPECT_EQ(watcher.boxes()[0].title, L"Tavrel - Could not complete action");
  EXPECT_TRUE(IsWindow(app_->main_window));
}

TEST_F(MainWindowTest, EditOfTheActiveEditorMarksItAndArmsTimers) {
  Document& other = add_document(L"C:\\other.md");
  Document& active = add_document(L"C:\\notes.md");
  app_->active_document = 1;
  app_->status_text = L"Saved";

  send(WM_COMMAND, MAKEWPARAM(first_editor_id, EN_CHANGE), reinterpret_cast<LPARAM>(other.editor));
  EXPECT_FALSE(other.modified);
  EXPECT_EQ(app_->status_text, L"Saved");

  app_->suppress_change = true;
  send(WM_COMMAND, MAKEWPARAM(first_editor_id + 1, EN_CHANGE),
       reinterpret_cast<LPARAM>(active.editor));
  EXPECT_FALSE(active.modified);
  app_->suppress_change = false;

  send(WM_COMMAND, MAKEWPARAM(first_editor_id + 1, EN_CHANGE),
       reinterpret_cast<LPARAM>(active.editor));
  EXPECT_TRUE(active.modified);
  EXPECT_EQ(active.revision, 1u);
  EXPECT_TRUE(app_->status_text.empty());
  EXPECT_EQ(text_of(app_->main_window), L"* notes.md - Tavrel");
  EXPECT_TRUE(KillTimer(app_->main_window, timer_render));
  EXPECT_TRUE(KillTimer(app_->main_window, timer_recovery));
}

TEST_F(MainWindowTest, SettingsTimerSavesTheSettings) {
  app_->split_percent = 61;
  send(WM_TIMER, timer_save_settings);
  const auto settings = nlohmann::json::parse(read_bytes(profile_ / "settings.json"));
  EXPECT_EQ(settings.at("splitPercent"), 61);
  EXPECT_FALSE(KillTimer(app_->main_window, timer_save_settings));  // one-shot
}

TEST_F(MainWindowTest, ClosingSavesSettingsAndQuitsWithZero) {
  drain_quit_messages();
  app_->split_percent = 40;
  send(WM_CLOSE);
  EXPECT_FALSE(IsWindow(app_->main_window));
  EXPECT_TRUE(app_->closing);
  EXPECT_EQ(posted_quit_code(), std::optional<WPARAM>(0));
  const auto settings = nlohmann::json::parse(read_bytes(profile_ / "settings.json"));
  EXPECT_EQ(settings.at("splitPercent"), 40);
}

TEST_F(MainWindowTest, ReleasingTheWindowPostsNoQuit) {
  drain_quit_messages();
  release_main_window(*app_);
  EXPECT_EQ(app_->main_window, nullptr);
  EXPECT_EQ(posted_quit_code(), std::nullopt);
}

// Focus follows the user across deactivation: back into the find box while it is shown, to the
// active editor once it is hidden, and never into a disabled window.
class MainWindowFocusTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    editor_ = add_document(L"C:\\a.md").editor;
    app_->find_bar_visible = true;
    app_->layout_panes();
    ShowWindow(app_->main_window, SW_SHOW);
    SetForegroundWindow(app_->main_window);
  }
  HWND editor_ = nullptr;
};

TEST_F(MainWindowFocusTest, FindBoxGetsTheFocusBack) {
  SetFocus(app_->find_edit);
  ASSERT_EQ(GetFocus(), app_->find_edit);
  send(WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(app_->saved_focus, app_->find_edit);
  EXPECT_FALSE(app_->saved_focus_web);
  SetFocus(editor_);
  send(WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(GetFocus(), app_->find_edit);
}

TEST_F(MainWindowFocusTest, HiddenFindBoxFallsBackToTheEditor) {
  SetFocus(app_->find_edit);
  send(WM_ACTIVATE, WA_INACTIVE, 0);
  app_->find_bar_visible = false;
  app_->layout_panes();
  send(WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(GetFocus(), editor_);
}

TEST_F(MainWindowFocusTest, DisabledOrMinimisedWindowTakesNoFocus) {
  SetFocus(app_->find_edit);
  send(WM_ACTIVATE, WA_INACTIVE, 0);
  SetFocus(editor_);
  send(WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0);  // activated while minimised
  EXPECT_EQ(GetFocus(), editor_);
  EnableWindow(app_->main_window, FALSE);
  send(WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(GetFocus(), editor_);
  EnableWindow(app_->main_window, TRUE);
}

TEST_F(MainWindowFocusTest, FocusOutsideTheWindowIsNotRemembered) {
  SetFocus(app_->find_edit);
  send(WM_ACTIVATE, WA_INACTIVE, 0);
  SetFocus(nullptr);
  send(WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(app_->saved_focus, app_->find_edit);
}
