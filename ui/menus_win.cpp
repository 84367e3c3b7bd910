// The menu bar: six owner-drawn popups built from the command table in the interface language,
// the records behind their items, and the check marks that mirror the App's flags.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/handles_win.h"
#include "ui/menus_win.h"

namespace tavrel::win {
namespace {

struct MenuTraits {
  static HMENU invalid() { return nullptr; }
  static void close(HMENU menu) { DestroyMenu(menu); }
};
// A menu that is not attached to a window or a parent menu yet.
using UniqueMenu = Owned<HMENU, MenuTraits>;

UniqueMenu new_menu(bool popup) {
  UniqueMenu menu(popup ? CreatePopupMenu() : CreateMenu());
  if (!menu) throw std::runtime_error("Cannot create the menu bar");
  return menu;
}

void insert_at_end(HMENU menu, MENUITEMINFOW& info) {
  if (!InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &info)) {
    throw std::runtime_error("Cannot create the menu bar");
  }
}

void fill_popup(App& app, HMENU menu, const std::vector<MenuNode>& nodes) {
  for (const MenuNode& node : nodes) {
    if (node.item.separator) {
      app.append_menu_separator(menu);
    } else if (node.is_popup()) {
      UniqueMenu submenu = new_menu(true);
      fill_popup(app, submenu.get(), node.children);
      app.add_menu_item(menu, 0, node.item.text.c_str(), false, submenu.get());
      submenu.release();  // destroyed with its parent from now on
    } else {
      app.add_menu_item(menu, node.item.id, node.item.text.c_str(), false, nullptr);
    }
  }
}

// The complete bar, not attached to the window yet.
UniqueMenu make_menu_bar(App& app) {
  UniqueMenu bar = new_menu(false);
  for (const MenuNode& top : menu_bar(app.vietnamese)) {
    UniqueMenu popup = new_menu(true);
    fill_popup(app, popup.get(), top.children);
    app.add_menu_item(bar.get(), 0, top.item.text.c_str(), true, popup.get());
    popup.release();
  }
  MENUINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = MIM_BACKGROUND | MIM_APPLYTOSUBMENUS;
  info.hbrBack = app.background_brush;
  SetMenuInfo(bar.get(), &info);
  return bar;
}

}  // namespace

namespace {

// The flags have the same names in the App and in the command state, so one copy serves both
// directions.
template <typename To, typename From>
void copy_command_flags(To& to, const From& from) {
  to.view_mode = from.view_mode;
  to.web_preview = from.web_preview;
  to.sidebar = from.sidebar;
  to.outline = from.outline;
  to.sync_scroll = from.sync_scroll;
  to.word_wrap = from.word_wrap;
  to.typewriter = from.typewriter;
  to.auto_save = from.auto_save;
  to.vim = from.vim;
  to.emacs = from.emacs;
  to.vim_insert = from.vim_insert;
  to.vietnamese = from.vietnamese;
  to.theme = from.theme;
  to.font_size = from.font_size;
}

}  // namespace

CommandState command_state(const App& app) {
  CommandState state;
  copy_command_flags(state, app);
  return state;
}

void store_command_state(App& app, const CommandState& state) { copy_command_flags(app, state); }

const MenuItem* menu_item_record(HMENU menu, UINT item, bool by_position) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_DATA;
  if (!GetMenuItemInfoW(menu, item, by_position ? TRUE : FALSE, &info)) return nullptr;
  return reinterpret_cast<const MenuItem*>(info.dwItemData);
}

void App::add_menu_item(HMENU menu, uint32_t id, const wchar_t* text, bool top_level,
                        HMENU submenu) {
  menu_items.push_back(std::make_unique<MenuItem>(MenuItem{text, top_level, id, false}));
  const MenuItem* record = menu_items.back().get();
  // Windows would take a single "&" for a mnemonic marker; the drawn text keeps it single.
  std::wstring native = double_ampersands(record->text);
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask =
      MIIM_STRING | MIIM_FTYPE | MIIM_ID | MIIM_DATA | (submenu != nullptr ? MIIM_SUBMENU : 0u);
  info.fType = MFT_OWNERDRAW;
  info.wID = id;
  info.dwItemData = reinterpret_cast<ULONG_PTR>(record);
  info.dwTypeData = native.data();
  info.hSubMenu = submenu;
  insert_at_end(menu, info);
}

void App::append_menu_separator(HMENU menu) {
  menu_items.push_back(std::make_unique<MenuItem>(MenuItem{L"", false, 0, true}));
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE | MIIM_DATA;
  info.fType = MFT_SEPARATOR | MFT_OWNERDRAW;
  info.dwItemData = reinterpret_cast<ULONG_PTR>(menu_items.back().get());
  insert_at_end(menu, info);
}

void App::build_menu() {
  // Distraction-free mode has no menu bar; leaving it builds the bar in the language and theme
  // of that moment. A settings change from Windows meanwhile must not bring the bar back.
  if (distraction_free || main_window == nullptr) return;
  const HMENU old_menu = GetMenu(main_window);
  // The attached menu points at these records until the new bar replaces it.
  std::vector<std::unique_ptr<MenuItem>> old_items = std::exchange(menu_items, {});
  try {
    UniqueMenu bar = make_menu_bar(*this);
    if (!SetMenu(main_window, bar.get())) throw std::runtime_error("Cannot attach the menu bar");
    bar.release();  // the window owns it now
  } catch (...) {
    menu_items = std::move(old_items);  // the unattached bar is gone; its records go with it
    throw;
  }
  if (old_menu != nullptr) DestroyMenu(old_menu);
  old_items.clear();
  sync_menu_checks();
  DrawMenuBar(main_window);
}

void App::sync_menu_checks() {
  if (main_window == nullptr) return;
  const CommandState state = command_state(*this);
  if (const HMENU menu = GetMenu(main_window)) {
    for (const MenuCheck& check : menu_checks(state)) {
      CheckMenuItem(menu, static_cast<UINT>(check.id),
                    MF_BYCOMMAND | (check.checked ? MF_CHECKED : MF_UNCHECKED));
    }
  }
  if (toolbar == nullptr) return;
  for (const MenuCheck& check : toolbar_checks(state)) {
    const bool pressed =
        SendMessageW(toolbar, TB_ISBUTTONCHECKED, static_cast<WPARAM>(check.id), 0) > 0;
    if (pressed != check.checked) {
      SendMessageW(toolbar, TB_CHECKBUTTON, static_cast<WPARAM>(check.id),
                   MAKELPARAM(check.checked ? TRUE : FALSE, 0));
    }
  }
}

}  // namespace tavrel::win
