// The subclass procedure shared by the editors and the preview: Tab as spaces, plain-text paste,
// the small context menu, caret follow-up after scrolling and typing, and the key remaps of the
// Vim and Emacs modes for key-downs that reach an editor.
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>
#include <richedit.h>

#include <exception>

#include "ui/commands.h"
#include "ui/editor_swap_win.h"
#include "ui/editor_win.h"
#include "ui/emoji_completion_win.h"
#include "ui/preview_nav_win.h"
#include "ui/window_handlers_win.h"

namespace tavrel::win {
namespace {

constexpr int kCopyCodeBlock = 5000;  // the preview's item; a dialog, not a command

bool is_key_down(int key) { return (GetKeyState(key) & 0x8000) != 0; }

// Keys the Vim normal state maps onto the control's own movement keys.
WPARAM vim_motion_key(WPARAM key) {
  switch (key) {
    case '0':
    case 'G':
      return VK_HOME;
    case 'H':
      return VK_LEFT;
    case 'J':
      return VK_DOWN;
    case 'K':
      return VK_UP;
    case 'L':
      return VK_RIGHT;
    case 'X':
      return VK_DELETE;
    default:
      return 0;
  }
}

WPARAM emacs_motion_key(WPARAM key) {
  switch (key) {
    case 'A':
      return VK_HOME;
    case 'E':
      return VK_END;
    case 'B':
      return VK_LEFT;
    case 'F':
      return VK_RIGHT;
    case 'N':
      return VK_DOWN;
    case 'P':
      return VK_UP;
    default:
      return 0;
  }
}

// The control pastes by itself on these keys, formatting included and without a word to its
// subclass (no WM_PASTE on that road), so they are taken here and sent the one way of pasting.
bool is_paste_key(WPARAM key) {
  if (is_key_down(VK_MENU)) return false;
  if (key == 'V') return is_key_down(VK_CONTROL);
  return key == VK_INSERT && is_key_down(VK_SHIFT) && !is_key_down(VK_CONTROL);
}

constexpr WPARAM kCtrlVCharacter = 0x16;

// Ctrl+Z undoes, Ctrl+Y and Ctrl+Shift+Z redo. The control's own handling of these keys would
// act out of sight of the document's history of editors, so they take the road of every other
// undo and redo: the messages.
bool undo_key(HWND editor, WPARAM key) {
  if (!is_key_down(VK_CONTROL) || is_key_down(VK_MENU)) return false;
  const bool shift = is_key_down(VK_SHIFT);
  if (key != 'Y' && key != 'Z') return false;
  SendMessageW(editor, key == 'Z' && !shift ? EM_UNDO : EM_REDO, 0, 0);
  return true;
}

LRESULT on_key_down(App& app, const WindowMessage& m) {
  const WPARAM key = m.wparam;
  if (is_paste_key(key)) {
    SendMessageW(m.window, WM_PASTE, 0, 0);
    return 0;
  }
  if (undo_key(m.window, key)) return 0;  // in every key mode, as the control's own
  if (app.vim && !app.vim_insert && key >= '0' && key <= 'X') {
    if (const WPARAM mapped = vim_motion_key(key)) return m.default_with_key(mapped);
    if (key == 'A' || key == 'I') {
      app.vim_insert = true;
      if (key == 'A') m.default_with_key(VK_RIGHT);
      app.invalidate_status();
      return 0;
    }
  }
  if (app.emacs && is_key_down(VK_CONTROL)) {
    if (const WPARAM mapped = emacs_motion_key(key)) return m.default_with_key(mapped);
  }
  return m.default_result();
}

LRESULT on_paste(App& app, const WindowMessage& m) {
  if (app.paste_image()) return 0;
  SendMessageW(m.window, EM_PASTESPECIAL, CF_UNICODETEXT, 0);
  return 0;
}

LRESULT on_char(App& app, const WindowMessage& m) {
  if (app.vim && !app.vim_insert) return 0;
  if (m.wparam == kCtrlVCharacter) return 0;  // the paste already ran on the key-down
  if (m.wparam == L'\t') {
    SendMessageW(m.window, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"    "));
    return 0;
  }
  const LRESULT result = m.default_result();
  app.update_emoji_completion();
  return result;
}

LRESULT on_key_up(App& app, const WindowMessage& m) {
  if (app.typewriter) {
    app.on_caret_moved();
    app.apply_typewriter();
  }
  const LRESULT result = m.default_result();
  if (m.wparam == VK_BACK) app.update_emoji_completion();
  return result;
}

// Owns a popup menu for the one TrackPopupMenu call it serves.
class PopupMenu {
 public:
  PopupMenu() : menu_(CreatePopupMenu()) {}
  ~PopupMenu() {
    if (menu_) DestroyMenu(menu_);
  }
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;
  HMENU get() const { return menu_; }
  void add(int id, const wchar_t* text) {
    if (menu_) AppendMenuW(menu_, MF_STRING, static_cast<UINT_PTR>(id), text);
  }

 private:
  HMENU menu_;
};

LRESULT on_context_menu(App& app, const WindowMessage& m, bool editor) {
  POINT at{GET_X_LPARAM(m.lparam), GET_Y_LPARAM(m.lparam)};
  if (at.x == -1) GetCursorPos(&at);  // opened from the keyboard
  const bool vi = app.vietnamese;
  PopupMenu menu;
  menu.add(cmd_copy, vi ? L"Sao ch\u00E9p" : L"Copy");
  if (editor) {
    menu.add(cmd_paste, vi ? L"D\u00E1n" : L"Paste");
    menu.add(cmd_select_all, vi ? L"Ch\u1ECDn t\u1EA5t c\u1EA3" : L"Select all");
  } else {
    menu.add(kCopyCodeBlock, vi ? L"Sao ch\u00E9p kh\u1ED1i m\u00E3..." : L"Copy code block...");
  }
  if (menu.get() == nullptr) return 0;
  const int chosen = static_cast<int>(TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON | TPM_RETURNCMD,
                                                     at.x, at.y, 0, app.main_window, nullptr));
  switch (chosen) {
    case 0:
      break;
    case cmd_copy:
      SendMessageW(m.window, WM_COPY, 0, 0);
      break;
    case kCopyCodeBlock:
      app.run_dialog(kCopyCodeBlock);
      break;
    default:
      app.on_command(chosen);
      break;
  }
  return 0;
}

LRESULT dispatch(App& app, const WindowMessage& m) {
  const bool editor = m.window != app.preview_edit;
  switch (m.id) {
    case WM_NCDESTROY:
      richedit_forget_wrap(m.window);
      RemoveWindowSubclass(m.window, editor_subclass_proc, 1);
      return m.default_result();
    case WM_PASTE:
      return editor ? on_paste(app, m) : m.default_result();
    case WM_MOUSEWHEEL:
    case WM_VSCROLL: {
      const LRESULT result = m.default_result();
      if (editor) app.on_caret_moved();
      return result;
    }
    case WM_KEYDOWN:
      return editor ? on_key_down(app, m) : m.default_result();
    case EM_UNDO:
    case WM_UNDO:
      if (!editor) return m.default_result();
      return undo_in_history(app, m.window, [&m] { return m.default_result(); });
    case EM_REDO:
      if (!editor) return m.default_result();
      return redo_in_history(app, m.window, [&m] { return m.default_result(); });
    case WM_CHAR:
      return editor ? on_char(app, m) : m.default_result();
    case WM_KEYUP:
      return editor ? on_key_up(app, m) : m.default_result();
    case WM_CONTEXTMENU:
      return on_context_menu(app, m, editor);
    case WM_SIZE: {
      const LRESULT result = m.default_result();
      if (!editor) refit_preview_tables(app);
      return result;
    }
    case WM_KILLFOCUS:
      // The completion list belongs to the caret it opened at; a click into the list itself
      // keeps it so that the row can be taken.
      if (editor && reinterpret_cast<HWND>(m.wparam) != app.emoji_popup) {
        hide_emoji_completion(app);
      }
      return m.default_result();
    default:
      return m.default_result();
  }
}

}  // namespace

// A failure is shown like any other failure of a user action. The control still gets its
// default processing, once: a character that reached it before the failure is not typed twice.
LRESULT CALLBACK editor_subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                      UINT_PTR, DWORD_PTR reference) {
  const WindowMessage m{window, message, wparam, lparam, DefSubclassProc};
  auto* app = reinterpret_cast<App*>(reference);
  if (app == nullptr) return m.default_result();
  try {
    return dispatch(*app, m);
  } catch (const std::exception& error) {
    app->show_error(error);
    return m.defaulted ? 0 : m.default_result();
  }
}

}  // namespace tavrel::win
