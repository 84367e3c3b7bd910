// The tab strip, the outline and the workspace tree of a hidden main window in this process:
// labels, dragging and closing tabs by mouse messages, painting through the owner-draw call,
// outline rows and jumps, the tree's items and their activation.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include "core/file_io_win.h"
#include "render/markdown_model.h"
#include "tests/win/app_window_fixture_win.h"
#include "tests/win/window_test_support_win.h"
#include "ui/editor_win.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;
using tavrel::test::BoxWatcher;
using tavrel::test::write_bytes;

namespace {

CHARRANGE selection_of(HWND edit) {
  CHARRANGE range{};
  SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  return range;
}

class TabsTest : public AppWindowTest {
 protected:
  // Three documents "a", "b", "c" (told apart by their text), the last one active.
  void add_three() {
    for (const char* text : {"a", "b", "c"}) add_document(text);
    ASSERT_EQ(app_->documents.size(), 3u);
  }

  std::string order() const {
    std::string texts;
    for (const auto& document : app_->documents) texts += richedit_text_utf8(document->editor);
    return texts;
  }

  RECT rect_of(int index) const {
    RECT rect{};
    SendMessageW(app_->tab_control, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&rect));
    return rect;
  }

  LPARAM centre_of(int index) const {
    const RECT r = rect_of(index);
    return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }

  // A point `inset` pixels left of the tab's right edge.
  LPARAM near_right_of(int index, int inset) const {
    const RECT r = rect_of(index);
    return MAKELPARAM(r.right - inset, (r.top + r.bottom) / 2);
  }

  LRESULT to_tabs(UINT message, WPARAM wparam, LPARAM lparam) {
    return SendMessageW(app_->tab_control, message, wparam, lparam);
  }
};

LRESULT CALLBACK record_tab_draws(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                  DWORD_PTR drawn) {
  if (message == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
    if (item->CtlType == ODT_TAB && item->CtlID == 11 && wparam == 11) {
      reinterpret_cast<std::vector<UINT>*>(drawn)->push_back(item->itemID);
    }
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

}  // namespace

TEST_F(TabsTest, LabelsNameTheDocumentsAndMarkModifiedOnes) {
  add_three();
  app_->documents[0]->path = L"C:\\notes\\Ghi ch\u00FA.md";
  app_->documents[1]->modified = true;
  app_->active_document = 1;
  app_->rebuild_tabs();
  EXPECT_EQ(tab_texts(),
            (std::vector<std::wstring>{L"Ghi ch\u00FA.md", L"* Untitled", L"Untitled"}));
  EXPECT_EQ(SendMessageW(app_->tab_control, TCM_GETCURSEL, 0, 0), 1);

  app_->vietnamese = true;
  app_->rebuild_tabs();
  EXPECT_EQ(tab_text(1), L"* Ch\u01B0a \u0111\u1EB7t t\u00EAn");
  EXPECT_EQ(rect_of(0).right - rect_of(0).left, app_->scale(200));
}

TEST_F(TabsTest, EditingMarksTheTab) {
  add_three();
  type_text(L"more");
  EXPECT_EQ(tab_text(2), L"* Untitled");
  EXPECT_EQ(tab_text(0), L"Untitled");
}

TEST_F(TabsTest, PressSelectsAndDragMovesTheHeldDocument) {
  add_three();
  EXPECT_EQ(to_tabs(WM_LBUTTONDOWN, MK_LBUTTON, centre_of(0)), 0);
  EXPECT_EQ(app_->active_document, 0u);
  EXPECT_EQ(app_->drag_tab, 0);
  EXPECT_EQ(GetCapture(), app_->tab_control);

  // The cursor jumps over "b": "a" lands at the end and "b" keeps its place before "c".
  to_tabs(WM_MOUSEMOVE, MK_LBUTTON, centre_of(2));
  EXPECT_EQ(order(), "bca");
  EXPECT_EQ(app_->active_document, 2u);
  EXPECT_EQ(app_->drag_tab, 2);
  EXPECT_EQ(SendMessageW(app_->tab_control, TCM_GETCURSEL, 0, 0), 2);

  to_tabs(WM_MOUSEMOVE, MK_LBUTTON, centre_of(1));
  EXPECT_EQ(order(), "bac");
  EXPECT_EQ(app_->active_document, 1u);

  to_tabs(WM_LBUTTONUP, 0, centre_of(1));
  EXPECT_EQ(app_->drag_tab, -1);
  EXPECT_NE(GetCapture(), app_->tab_control);
  to_tabs(WM_MOUSEMOVE, MK_LBUTTON, centre_of(0));
  EXPECT_EQ(order(), "bac");
}

TEST_F(TabsTest, MovingWithoutTheButtonOrOverNoTabChangesNothing) {
  add_three();
  to_tabs(WM_LBUTTONDOWN, MK_LBUTTON, centre_of(1));
  to_tabs(WM_MOUSEMOVE, 0, centre_of(2));
  EXPECT_EQ(order(), "abc");
  RECT client{};
  GetClientRect(app_->tab_control, &client);
  to_tabs(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.right - 2, 2));
  EXPECT_EQ(order(), "abc");
  EXPECT_EQ(app_->drag_tab, 1);
  ReleaseCapture();
  EXPECT_EQ(app_->drag_tab, -1);  // capture lost ends the drag too
}

TEST_F(TabsTest, TabClosedDuringTheDragEndsIt) {
  add_three();
  to_tabs(WM_LBUTTONDOWN, MK_LBUTTON, centre_of(2));
  ASSERT_EQ(app_->drag_tab, 2);
  ASSERT_TRUE(app_->close_document(2));
  SetCapture(app_->tab_control);  // closing moved the focus; the drag still holds the mouse
  app_->drag_tab = 2;
  to_tabs(WM_MOUSEMOVE, MK_LBUTTON, centre_of(0));
  EXPECT_EQ(order(), "ab");
  EXPECT_EQ(app_->drag_tab, -1);
  EXPECT_NE(GetCapture(), app_->tab_control);
}

TEST_F(TabsTest, CloseZoneClosesAndTheRestSelects) {
  add_three();
  const HWND closed_editor = app_->documents[1]->editor;
  to_tabs(WM_LBUTTONDOWN, MK_LBUTTON, near_right_of(1, app_->scale(26)));
  EXPECT_EQ(order(), "ac");
  EXPECT_FALSE(IsWindow(closed_editor));
  EXPECT_EQ(app_->drag_tab, -1);

  to_tabs(WM_LBUTTONDOWN, MK_LBUTTON, near_right_of(0, app_->scale(28)));
  EXPECT_EQ(order(), "ac");
  EXPECT_EQ(app_->active_document, 0u);
  EXPECT_EQ(app_->drag_tab, 0);
  to_tabs(WM_LBUTTONUP, 0, 0);
}

TEST_F(TabsTest, MiddleClickClosesWithTheSaveQuestion) {
  add_three();
  app_->documents[0]->modified = true;
  answer_ = IDCANCEL;
  EXPECT_EQ(to_tabs(WM_MBUTTONUP, 0, centre_of(0)), 0);
  EXPECT_EQ(order(), "abc");
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_EQ(questions_[0].text, L"Save changes to Untitled?");

  RECT client{};
  GetClientRect(app_->tab_control, &client);
  EXPECT_EQ(to_tabs(WM_MBUTTONUP, 0, MAKELPARAM(client.right - 2, 2)), 0);
  EXPECT_EQ(order(), "abc");

  to_tabs(WM_MBUTTONUP, 0, centre_of(2));
  EXPECT_EQ(order(), "ab");
}

TEST_F(TabsTest, PaintAsksTheMainWindowToDrawEveryTab) {
  add_three();
  std::vector<UINT> drawn;
  SetWindowSubclass(app_->main_window, record_tab_draws, 77, reinterpret_cast<DWORD_PTR>(&drawn));
  EXPECT_EQ(to_tabs(WM_ERASEBKGND, 0, 0), 1);
  EXPECT_EQ(to_tabs(WM_PAINT, 0, 0), 0);
  RemoveWindowSubclass(app_->main_window, record_tab_draws, 77);
  EXPECT_EQ(drawn, (std::vector<UINT>{0, 1, 2}));
}

// --- Outline -----------------------------------------------------------------------------------

class OutlineTest : public AppWindowTest {
 protected:
  std::wstring row(int index) const {
    const auto length =
        SendMessageW(app_->outline_list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(app_->outline_list, LB_GETTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
  }

  // The list's own selection change, as a click sends it.
  void choose_row(int index) {
    SendMessageW(app_->outline_list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    send(WM_COMMAND, MAKEWPARAM(13, LBN_SELCHANGE), reinterpret_cast<LPARAM>(app_->outline_list));
  }
};

TEST_F(OutlineTest, RowsIndentByLevel) {
  app_->rendered = render_markdown("# One\n\n### Three \xC3\xA9\n\n## Two\n");
  app_->refresh_outline();
  ASSERT_EQ(SendMessageW(app_->outline_list, LB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(row(0), L"One");
  EXPECT_EQ(row(1), L"    Three \u00E9");
  EXPECT_EQ(row(2), L"  Two");

  app_->rendered = RenderedMarkdown{};
  app_->refresh_outline();
  EXPECT_EQ(SendMessageW(app_->outline_list, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(OutlineTest, RowJumpsToTheHeadingInEditorAndPreview) {
  const std::string text = "# Intro\n\nCaf\xC3\xA9 \xF0\x9F\x98\x80 text\n\n## Details\n\nEnd\n";
  Document& document = add_document(text);
  app_->rendered = render_markdown(text);
  app_->refresh_outline();
  SetWindowTextW(app_->preview_edit, L"Intro\rCaf\u00E9 text\rdetails\r");

  choose_row(1);
  // "Details" starts after 29 bytes, which are 26 UTF-16 units ("é" one, the emoji two).
  ASSERT_EQ(app_->rendered.headings.at(1).offset, 29u);
  const CHARRANGE caret = selection_of(document.editor);
  EXPECT_EQ(caret.cpMin, 26);
  EXPECT_EQ(caret.cpMax, 26);
  const CHARRANGE found = selection_of(app_->preview_edit);
  EXPECT_EQ(found.cpMin, 16);  // found regardless of letter case
  EXPECT_EQ(found.cpMax, 23);
}

TEST_F(OutlineTest, StaleOffsetsBackOffOrStopAtTheEnd) {
  Document& document = add_document("a\xC3\xA9 b");
  app_->rendered.headings = {Heading{2, "Nowhere", "nowhere", 2}, Heading{1, "Far", "far", 999}};
  app_->refresh_outline();
  SetWindowTextW(app_->preview_edit, L"preview");
  CHARRANGE untouched{3, 3};
  SendMessageW(app_->preview_edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&untouched));

  BoxWatcher boxes;
  choose_row(0);  // offset 2 lies inside "é", which starts at 1
  EXPECT_EQ(selection_of(document.editor).cpMin, 1);
  EXPECT_EQ(selection_of(app_->preview_edit).cpMin, 3);  // heading text not in the preview
  choose_row(1);
  EXPECT_EQ(selection_of(document.editor).cpMin, 4);
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(OutlineTest, IndexOutsideTheHeadingsDoesNothing) {
  Document& document = add_document("# One\ntext");
  app_->rendered = render_markdown("# One\ntext");
  CHARRANGE caret{5, 5};
  SendMessageW(document.editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
  app_->goto_outline_entry(-1);
  app_->goto_outline_entry(1);
  EXPECT_EQ(selection_of(document.editor).cpMin, 5);
}

// --- Workspace tree ----------------------------------------------------------------------------

class WorkspaceTreeTest : public AppWindowTest {
 protected:
  struct Item {
    std::wstring text;
    LPARAM data;
    std::vector<Item> children;
    bool operator==(const Item&) const = default;
  };

  std::vector<Item> items_under(HTREEITEM parent) const {
    std::vector<Item> items;
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(app_->workspace_tree, TVM_GETNEXTITEM,
                                                         parent ? TVGN_CHILD : TVGN_ROOT,
                                                         reinterpret_cast<LPARAM>(parent)));
    for (; item != nullptr;
         item = reinterpret_cast<HTREEITEM>(SendMessageW(
             app_->workspace_tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
      wchar_t text[260] = {};
      TVITEMW data{};
      data.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE;
      data.stateMask = TVIS_EXPANDED;
      data.hItem = item;
      data.pszText = text;
      data.cchTextMax = 260;
      SendMessageW(app_->workspace_tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
      EXPECT_EQ(data.state & TVIS_EXPANDED, 0u) << text;
      items.push_back(Item{text, data.lParam, items_under(item)});
    }
    return items;
  }

  HTREEITEM find_item(const std::wstring& wanted, HTREEITEM parent = nullptr) const {
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(app_->workspace_tree, TVM_GETNEXTITEM,
                                                         parent ? TVGN_CHILD : TVGN_ROOT,
                                                         reinterpret_cast<LPARAM>(parent)));
    for (; item != nullptr;
         item = reinterpret_cast<HTREEITEM>(SendMessageW(
             app_->workspace_tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
      wchar_t text[260] = {};
      TVITEMW data{};
      data.mask = TVIF_TEXT;
      data.hItem = item;
      data.pszText = text;
      data.cchTextMax = 260;
      SendMessageW(app_->workspace_tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
      if (wanted == text) return item;
      if (HTREEITEM below = find_item(wanted, item)) return below;
    }
    return nullptr;
  }

  void activate(const std::wstring& name, UINT code) {
    const HTREEITEM item = find_item(name);
    ASSERT_NE(item, nullptr) << name;
    SendMessageW(app_->workspace_tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    NMHDR header{app_->workspace_tree, 12, code};
    send(WM_NOTIFY, 12, reinterpret_cast<LPARAM>(&header));
  }

  void scan(const std::vector<std::filesystem::path>& relative) {
    app_->workspace_root = root_.path();
    app_->workspace_files.clear();
    for (const auto& path : relative) {
      std::filesystem::create_directories((root_.path() / path).parent_path());
      if (!std::filesystem::exists(root_.path() / path))
        write_bytes(root_.path() / path, "# File\n");
      app_->workspace_files.push_back(root_.path() / path);
    }
    app_->fill_workspace_tree();
  }

  tavrel::test::TempDir root_;
};

TEST_F(WorkspaceTreeTest, FoldersComeBeforeTheirFilesInScanOrder) {
  scan({"a/x.md", "a/b/y.md", "z.md"});
  const std::vector<Item> expected{
      Item{L"a", 0, {Item{L"x.md", 1, {}}, Item{L"b", 0, {Item{L"y.md", 2, {}}}}}},
      Item{L"z.md", 3, {}},
  };
  EXPECT_EQ(items_under(nullptr), expected);
  EXPECT_EQ(app_->workspace_tree_paths,
            (std::vector<std::filesystem::path>{root_.path() / "a/x.md", root_.path() / "a/b/y.md",
                                                root_.path() / "z.md"}));

  scan({"only.md"});
  EXPECT_EQ(items_under(nullptr), (std::vector<Item>{Item{L"only.md", 1, {}}}));
  EXPECT_EQ(app_->workspace_tree_paths.size(), 1u);
}

TEST_F(WorkspaceTreeTest, ActivatingAFileOpensIt) {
  add_document("welcome");
  scan({"docs/notes.md"});
  activate(L"notes.md", NM_DBLCLK);
  ASSERT_EQ(app_->documents.size(), 2u);
  EXPECT_EQ(std::filesystem::path(app_->current_document()->path).filename(), "notes.md");
  activate(L"docs", NM_RETURN);  // a folder does nothing
  EXPECT_EQ(app_->documents.size(), 2u);
}

// An image is never opened as a document, whatever the letter case of its extension.
TEST_F(WorkspaceTreeTest, ImagesInAnyLetterCaseAreNotOpenedAsDocuments) {
  add_document("welcome");
  write_bytes(root_ / "photo.PNG", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
  write_bytes(root_ / "shot.Jpeg", std::string("\xFF\xD8\xFF\xE0\0\x10JFIF", 10));
  scan({"photo.PNG", "shot.Jpeg"});
  BoxWatcher boxes;
  activate(L"photo.PNG", NM_DBLCLK);
  activate(L"shot.Jpeg", NM_RETURN);
  EXPECT_EQ(app_->documents.size(), 1u);
  EXPECT_TRUE(boxes.boxes().empty());
}
