// Self-test steps on documents: formatting, saving, regex replacement, emoji, Vim, undo,
// recovery, auto-save, the preview stream, exports, the toolbar and the embedded resources.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/file_io_win.h"
#include "core/history.h"
#include "core/recovery.h"
#include "core/text_codec.h"
#include "render/docx_writer_win.h"
#include "render/markdown_model.h"
#include "render/rtf_writer.h"
#include "selftest/self_test_win.h"
#include "ui/dialog_frame_win.h"
#include "ui/editor_win.h"
#include "ui/export_win.h"
#include "ui/find_bar_win.h"
#include "web/standalone_html_win.h"

namespace tavrel::win::selftest {

namespace {

bool starts_with(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}
bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

void set_caret(HWND editor, LPARAM start, LPARAM end) {
  SendMessageW(editor, EM_SETSEL, static_cast<WPARAM>(start), end);
}

void send_key(App& app, HWND editor, WPARAM key) {
  MSG message{editor, WM_KEYDOWN, key, 0, 0, {}};
  app.handle_editor_keys(message);
}

std::string first_bytes(const std::filesystem::path& file, size_t count) {
  std::ifstream in(file, std::ios::binary);
  std::string bytes(count, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(count));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

void check_format_save_replace(Suite& suite) {
  App& app = suite.app;
  set_caret(suite.editor(), 0, 0);
  app.wrap_selection(L"**", L"**", L"bold");
  require(starts_with(suite.text(), "**bold**"), "Formatting did not insert Markdown");
  SendMessageW(suite.editor(), EM_UNDO, 0, 0);
  require(starts_with(suite.text(), "# Native test"), "Undo failed");

  const auto saved = app.profile_dir / L"native-test.md";
  app.current_document()->path = saved.wstring();
  require(app.save_document(false), "Native save failed");
  require(read_text_file(saved) == suite.text(), "Native UTF8 save mismatch");

  show_find_bar(app, true);
  SetWindowTextW(app.find_edit, L"alpha ([0-9]+)");
  SetWindowTextW(app.replace_edit, L"item $1");
  SendMessageW(app.regex_button, BM_SETCHECK, BST_CHECKED, 0);
  app.replace_matches(true);
  require(contains(suite.text(), "item 12\nitem 34"), "Native regex replacement failed");
  SendMessageW(suite.editor(), EM_UNDO, 0, 0);
  require(contains(suite.text(), "alpha 12"), "Replace undo failed");
}

void check_emoji_vim_undo(Suite& suite) {
  App& app = suite.app;
  app.new_document(":roc");
  set_caret(suite.editor(), 4, 4);
  app.update_emoji_completion();
  require(!app.emoji_matches.empty() && app.emoji_matches.front().shortcode == L"rocket",
          "Emoji suggestions missing");
  app.accept_emoji_completion();
  require(suite.text() == "\U0001F680", "Emoji insertion failed");

  app.new_document("abc");
  app.vim = true;
  app.vim_insert = false;
  set_caret(suite.editor(), 2, 2);
  for (WPARAM key : {'V', 'H', 'H'}) send_key(app, suite.editor(), key);
  DWORD start = 0, end = 0;
  SendMessageW(suite.editor(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  app.vim = false;
  app.vim_visual = false;
  app.vim_insert = true;
  require(start == 0 && end == 2, "Vim visual selection did not extend left");

  app.wrap_selection(L"**", L"**", L"");
  app.apply_theme();
  SendMessageW(suite.editor(), EM_UNDO, 0, 0);
  require(suite.text() == "abc", "Theme polluted undo history");
}

}  // namespace

void check_editing(Suite& suite) {
  check_format_save_replace(suite);
  check_emoji_vim_undo(suite);
}

void check_recovery(Suite& suite) {
  App& app = suite.app;
  app.select_document(1);
  Document& document = *app.current_document();
  app.smoke_test = false;
  document.modified = true;
  app.save_recovery();
  app.smoke_test = true;
  const auto snapshot = recovery_file_path(app.profile_dir, document.id);
  require(std::filesystem::exists(snapshot), "Recovery was not written");

  app.auto_save = true;
  app.auto_save_documents();
  require(!document.modified, "Auto-save did not clear dirty flag");
  const auto history =
      history_folder(app.profile_dir / L"history", std::filesystem::path(document.path));
  require(!list_history_snapshots(history).empty(),
          "Auto-save did not preserve the previous disk version");
  require(!std::filesystem::exists(snapshot), "Saved recovery was not cleared");
}

void check_outputs(Suite& suite) {
  App& app = suite.app;
  const std::string text = suite.text();
  app.view_mode = 1;
  app.layout_panes();
  const RenderedMarkdown model = render_markdown(text);
  richedit_stream_rtf(app.preview_edit, render_rtf(model, app.dark, 11));
  require(richedit_text_units(app.preview_edit).find(L"Xin chào 🌿") != std::wstring::npos,
          "Preview Unicode stream failed");

  const auto png = app.profile_dir / L"native-export.png";
  export_image_native(app, png, false);
  require(std::filesystem::file_size(png) > 1000, "PNG export empty");
  write_docx(model, app.profile_dir / L"native-export.docx");
  write_file_atomic(app.profile_dir / L"native-export.html",
                    build_standalone_html(app, text, app.profile_dir));
  require(first_bytes(png, 8) == "\x89PNG\r\n\x1a\n", "PNG export invalid signature");
}

void check_toolbar_and_resources(Suite& suite) {
  App& app = suite.app;
  app.rebuild_toolbar();
  const int count = static_cast<int>(SendMessageW(app.toolbar, TB_BUTTONCOUNT, 0, 0));
  int height = -1;
  bool same = true;
  for (int index = 0; index < count; ++index) {
    TBBUTTON button{};
    SendMessageW(app.toolbar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
    if (button.fsStyle & BTNS_SEP) continue;
    RECT rect{};
    SendMessageW(app.toolbar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
    const int this_height = rect.bottom - rect.top;
    same = same && (height < 0 || this_height == height);
    height = this_height;
  }
  require(same, "Toolbar button heights differ");
  require(height == MulDiv(34, app.dpi, 96), "Toolbar height is not 34 DIP");
  suite.figures.toolbar_height = height;
  RECT split{}, tree{};
  SendMessageW(app.toolbar, TB_GETRECT, 131, reinterpret_cast<LPARAM>(&split));
  SendMessageW(app.toolbar, TB_GETRECT, 136, reinterpret_cast<LPARAM>(&tree));
  require(tree.left == split.right + 1, "Split/tree button gap is not one pixel");

  const auto icon =
      static_cast<HICON>(LoadImageW(app.instance, MAKEINTRESOURCEW(102), IMAGE_ICON, 32, 32, 0));
  require(icon != nullptr, "Document icon resource is missing");
  DestroyIcon(icon);

  const std::wstring notices = load_notices_text(app.instance);
  bool complete = notices.size() > 100000;
  for (const wchar_t* name : {L"Omar Cornut", L"Niels Lohmann", L"markdown-it", L"WebView2"}) {
    complete = complete && notices.find(name) != std::wstring::npos;
  }
  require(complete, "Embedded library notices are missing or incomplete");
}

}  // namespace tavrel::win::selftest
