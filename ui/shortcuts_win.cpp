// The key-down dispatcher of the main message loop: the editor's key modes first, then the
// user's key bindings, then the built-in shortcuts. It sees the key-downs of every pane, so the
// shortcuts work wherever the focus is.
#include <windows.h>
#include <richedit.h>

#include <algorithm>
#include <exception>
#include <string>

#include "ui/editor_win.h"
#include "ui/emoji_completion_win.h"
#include "ui/key_modes.h"
#include "ui/shortcut_keys.h"
#include "ui/theme_win.h"

namespace tavrel::win {
namespace {

bool is_key_down(int key) { return (GetKeyState(key) & 0x8000) != 0; }

KeyPress key_press(const MSG& message) {
  return KeyPress{static_cast<unsigned>(message.wParam), is_key_down(VK_CONTROL),
                  is_key_down(VK_MENU), is_key_down(VK_SHIFT)};
}

UINT virtual_key(EditorKey key) {
  switch (key) {
    case EditorKey::Home:
      return VK_HOME;
    case EditorKey::End:
      return VK_END;
    case EditorKey::Left:
      return VK_LEFT;
    case EditorKey::Right:
      return VK_RIGHT;
    case EditorKey::Up:
      return VK_UP;
    case EditorKey::Down:
      return VK_DOWN;
    case EditorKey::PageDown:
      return VK_NEXT;
    case EditorKey::PageUp:
      return VK_PRIOR;
    case EditorKey::Delete:
      return VK_DELETE;
    case EditorKey::Backspace:
      return VK_BACK;
  }
  return 0;
}

// The modes' view of a RichEdit control.
class RichEditBuffer final : public TextBuffer {
 public:
  explicit RichEditBuffer(HWND edit) : edit_(edit) {}

  std::int64_t length() override { return richedit_length(edit_); }
  std::wstring range(std::int64_t start, std::int64_t end) override {
    return richedit_range(edit_, start, end);
  }
  TextSelection selection() override {
    CHARRANGE range{};
    SendMessageW(edit_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return {range.cpMin, range.cpMax};
  }
  void select(std::int64_t start, std::int64_t end) override {
    richedit_select_and_scroll(edit_, CHARRANGE{static_cast<LONG>(start), static_cast<LONG>(end)});
  }
  void replace_selection(const std::wstring& text) override {
    SendMessageW(edit_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  }
  // The control reads the modifiers from the thread's keyboard state, which is changed for
  // the one key and put back at once.
  void press(EditorKey key, bool shift) override {
    BYTE saved[256] = {};
    GetKeyboardState(saved);
    BYTE changed[256];
    std::copy(std::begin(saved), std::end(saved), changed);
    changed[VK_CONTROL] = changed[VK_LCONTROL] = changed[VK_RCONTROL] = 0;
    changed[VK_SHIFT] = shift ? 0x80 : 0;
    changed[VK_LSHIFT] = changed[VK_RSHIFT] = 0;
    SetKeyboardState(changed);
    SendMessageW(edit_, WM_KEYDOWN, virtual_key(key), 1);
    SetKeyboardState(saved);
  }
  void cut() override { SendMessageW(edit_, WM_CUT, 0, 0); }
  void copy() override { SendMessageW(edit_, WM_COPY, 0, 0); }
  void paste() override { SendMessageW(edit_, WM_PASTE, 0, 0); }
  void undo() override { SendMessageW(edit_, EM_UNDO, 0, 0); }
  void redo() override { SendMessageW(edit_, EM_REDO, 0, 0); }

 private:
  HWND edit_;
};

KeyModes key_modes_of(const App& app) {
  return KeyModes{app.vim_insert,        app.vim_visual, app.vim_visual_anchor, app.vim_pending_key,
                  app.emacs_mark_active, app.emacs_mark, app.kill_buffer};
}

void store_key_modes(App& app, KeyModes modes) {
  app.vim_insert = modes.vim_insert;
  app.vim_visual = modes.vim_visual;
  app.vim_visual_anchor = modes.vim_visual_anchor;
  app.vim_pending_key = modes.vim_pending_key;
  app.emacs_mark_active = modes.emacs_mark_active;
  app.emacs_mark = modes.emacs_mark;
  app.kill_buffer = std::move(modes.kill_buffer);
}

// The emoji completion popup's keys while it is shown: Esc closes it, Tab and Enter accept the
// selected row (a trigger that is no longer in place closes the popup and lets the key through),
// Up and Down move within the rows.
bool emoji_popup_keys(App& app, const MSG& message) {
  if (app.emoji_popup == nullptr || !is_shown(app.emoji_popup)) return false;
  switch (message.wParam) {
    case VK_ESCAPE:
      hide_emoji_completion(app);
      return true;
    case VK_TAB:
    case VK_RETURN:
      return try_accept_emoji_completion(app);
    case VK_UP:
    case VK_DOWN: {
      const auto rows = static_cast<LRESULT>(app.emoji_matches.size());
      if (rows == 0) return true;
      const LRESULT current = SendMessageW(app.emoji_popup, LB_GETCURSEL, 0, 0);
      const LRESULT next = message.wParam == VK_UP ? (current <= 0 ? 0 : current - 1)
                                                   : (current < 0 ? 0 : current + 1);
      SendMessageW(app.emoji_popup, LB_SETCURSEL, std::min(next, rows - 1), 0);
      return true;
    }
    default:
      return false;
  }
}

void hide_find_bar(App& app) {
  app.find_bar_visible = false;
  app.layout_panes();
  if (!app.documents.empty()) SetFocus(app.current_document()->editor);
}

void activate_cycled_tab(App& app, bool backwards) {
  if (const auto index = cycled_tab(app.active_document, app.documents.size(), backwards))
    app.select_document(*index);
}

// Steps of the built-in table that are no plain command, and the commands.
bool run_builtin(App& app, const MSG& message, const KeyPress& press) {
  const BuiltinShortcut shortcut =
      builtin_shortcut(press, ShortcutContext{app.distraction_free, app.find_bar_visible, app.vim});
  using Kind = BuiltinShortcut::Kind;
  switch (shortcut.kind) {
    case Kind::NextTab:
    case Kind::PreviousTab:
      activate_cycled_tab(app, shortcut.kind == Kind::PreviousTab);
      return true;
    case Kind::HideFindBar:
      hide_find_bar(app);
      return true;
    case Kind::VimNormal:
      app.vim_insert = false;
      app.invalidate_status();
      return true;
    case Kind::FindNext:
      app.find_next();
      return true;
    default:
      break;
  }
  if (press.key == VK_RETURN && message.hwnd != nullptr) {
    if (message.hwnd == app.find_edit) {
      app.find_next();
      return true;
    }
    if (message.hwnd == app.replace_edit) {
      app.replace_matches(press.shift);
      return true;
    }
  }
  if (shortcut.kind != Kind::Command) return false;
  app.on_command(shortcut.command);
  return true;
}

bool dispatch_shortcut(App& app, const MSG& message) {
  if (app.handle_editor_keys(message)) return true;
  const KeyPress press = key_press(message);
  if (const auto text = shortcut_text(press)) {
    const auto binding = app.keybindings.find(*text);
    if (binding != app.keybindings.end()) {
      app.on_command(binding->second);
      return true;
    }
  }
  return run_builtin(app, message, press);
}

}  // namespace

bool App::handle_shortcut(const MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  try {
    return dispatch_shortcut(*this, message);
  } catch (const std::exception& error) {
    show_error(error);  // the key was taken; its command failed like any other user action
    return true;
  }
}

bool App::handle_editor_keys(const MSG& message) {
  if (documents.empty() || message.hwnd != current_document()->editor) return false;
  if (emoji_popup_keys(*this, message)) return true;
  const KeyPress press = key_press(message);
  RichEditBuffer buffer(message.hwnd);
  KeyModes modes = key_modes_of(*this);
  bool handled = false;
  if (emacs && (press.ctrl || press.alt)) handled = emacs_key(buffer, modes, press);
  const bool vim_handled = !handled && vim && vim_key(buffer, modes, press);
  const bool insert_changed = modes.vim_insert != vim_insert;
  store_key_modes(*this, std::move(modes));
  if (insert_changed || vim_handled) invalidate_status();
  return handled || vim_handled;
}

void App::load_keybindings() { keybindings = keybindings_from_settings(settings); }

void App::reset_key_modes() {
  KeyModes modes = key_modes_of(*this);
  tavrel::win::reset_key_modes(modes);
  store_key_modes(*this, std::move(modes));
}

}  // namespace tavrel::win
