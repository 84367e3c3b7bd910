// Applying the appearance: the palette chosen from the setting, the Windows app theme and high
// contrast; the brushes and fonts of the App; the title bar; the control themes; and the colours
// of every editor and the preview. Applying it never touches a document's text, its modified
// mark or its undo history.
#include <windows.h>
#include <commctrl.h>
#include <dwmapi.h>
#include <richedit.h>
#include <uxtheme.h>

#include <stdexcept>

#include "core/documents_win.h"
#include "core/handles_win.h"
#include "render/rtf_writer.h"
#include "ui/editor_swap_win.h"
#include "ui/editor_win.h"
#include "ui/preview_nav_win.h"
#include "ui/theme_win.h"

namespace tavrel::win {
namespace {

AppsUseLightTheme read_apps_use_light_theme() {
  DWORD value = 1;
  DWORD size = sizeof(value);
  const LSTATUS status = RegGetValueW(
      HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
      L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &size);
  if (status != ERROR_SUCCESS) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

bool high_contrast_on() {
  HIGHCONTRASTW settings{};
  settings.cbSize = sizeof(settings);
  if (!SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(settings), &settings, 0)) return false;
  return (settings.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

SystemColours system_colours() {
  return SystemColours{GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_WINDOW),
                       GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_HIGHLIGHT)};
}

UniqueBrush solid_brush(COLORREF colour) {
  UniqueBrush brush(CreateSolidBrush(colour));
  if (!brush) throw std::runtime_error("Cannot create the theme brushes");
  return brush;
}

UniqueFont theme_font(int height, int weight, const wchar_t* face) {
  UniqueFont font(CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                              DEFAULT_PITCH | FF_DONTCARE, face));
  if (!font) throw std::runtime_error("Cannot create the theme fonts");
  return font;
}

// The new GDI objects, made before any old one is let go, so that a failure leaves the window
// with a complete set.
struct ThemeObjects {
  UniqueBrush background;
  UniqueBrush surface;
  UniqueFont ui;
  UniqueFont ui_bold;
  UniqueFont editor;
};

ThemeObjects make_theme_objects(const ThemeChoice& choice, int dpi, int font_size) {
  ThemeObjects objects;
  objects.background = solid_brush(choice.palette[palette_background]);
  objects.surface = solid_brush(choice.palette[palette_surface]);
  objects.ui = theme_font(ui_font_height(dpi), FW_NORMAL, L"Segoe UI");
  objects.ui_bold = theme_font(ui_font_height(dpi), FW_SEMIBOLD, L"Segoe UI");
  objects.editor = theme_font(editor_font_height(font_size, dpi), FW_NORMAL, L"Cascadia Mono");
  return objects;
}

// Puts the new objects into the App and hands back the old ones, to be deleted once no control
// holds them any more.
ThemeObjects install_theme_objects(App& app, ThemeObjects fresh) {
  ThemeObjects old;
  old.background.reset(std::exchange(app.background_brush, fresh.background.release()));
  old.surface.reset(std::exchange(app.surface_brush, fresh.surface.release()));
  old.ui.reset(std::exchange(app.ui_font, fresh.ui.release()));
  old.ui_bold.reset(std::exchange(app.ui_bold_font, fresh.ui_bold.release()));
  old.editor.reset(std::exchange(app.editor_font, fresh.editor.release()));
  return old;
}

void set_menu_background(const App& app) {
  const HMENU menu = GetMenu(app.main_window);
  if (menu == nullptr) return;
  MENUINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = MIM_BACKGROUND | MIM_APPLYTOSUBMENUS;
  info.hbrBack = app.background_brush;
  SetMenuInfo(menu, &info);
}

void set_frame_attributes(const App& app) {
  const BOOL dark = app.dark ? TRUE : FALSE;
  DwmSetWindowAttribute(app.main_window, kDwmUseImmersiveDarkMode, &dark, sizeof(dark));
  const COLORREF caption = app.palette[palette_background];
  DwmSetWindowAttribute(app.main_window, kDwmCaptionColour, &caption, sizeof(caption));
}

void theme_control(HWND control, const App& app) {
  if (control == nullptr) return;
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(app.ui_font), TRUE);
  SetWindowTheme(control, control_theme_name(app.dark), nullptr);
}

void theme_side_panes(const App& app) {
  const HWND tree = app.workspace_tree;
  SendMessageW(tree, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(app.palette[palette_background]));
  SendMessageW(tree, TVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(app.palette[palette_text]));
  SendMessageW(tree, TVM_SETLINECOLOR, 0, static_cast<LPARAM>(app.palette[palette_border]));
  SendMessageW(tree, TVM_SETITEMHEIGHT, static_cast<WPARAM>(app.scale(29)), 0);
  SendMessageW(app.outline_list, LB_SETITEMHEIGHT, 0, app.scale(30));
}

// Font, background and text colour of one editor of `document`. The colour change is no edit: undo
// recording is suspended around it and the control's modified flag is put back to the document's
// own.
void theme_editor(HWND editor, const Document& document, const App& app) {
  UndoSuspension no_undo(editor);
  SendMessageW(editor, WM_SETFONT, reinterpret_cast<WPARAM>(app.editor_font), TRUE);
  SendMessageW(editor, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(app.palette[palette_surface]));
  CHARFORMAT2W format{};
  format.cbSize = sizeof(format);
  format.dwMask = CFM_COLOR;
  format.crTextColor = app.palette[palette_text];
  SendMessageW(editor, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
  SendMessageW(editor, EM_SETMODIFY, document.modified ? TRUE : FALSE, 0);
  SetWindowTheme(editor, control_theme_name(app.dark), nullptr);
}

// The preview's RTF carries the theme's colours, so a shown render is produced again in the new
// ones, in a fresh control as after every render; the reader keeps their place.
void theme_preview(App& app) {
  const HWND preview = app.preview_edit;
  if (preview == nullptr) return;
  SendMessageW(preview, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(app.palette[palette_surface]));
  SetWindowTheme(preview, control_theme_name(app.dark), nullptr);
  if (app.rendered.blocks.empty()) return;
  replace_preview_content(
      app, render_rtf(app.rendered, app.dark, kPreviewFontPoints, app.preview_table_twips));
  mark_preview_anchors(app);
}

void theme_toolbar(const App& app) {
  const HWND toolbar = app.toolbar;
  if (toolbar == nullptr) return;
  SetWindowTheme(toolbar, L"", L"");
  COLORSCHEME scheme{};
  scheme.dwSize = sizeof(scheme);
  scheme.clrBtnHighlight = app.palette[palette_surface];
  scheme.clrBtnShadow = app.palette[palette_surface];
  SendMessageW(toolbar, TB_SETCOLORSCHEME, 0, reinterpret_cast<LPARAM>(&scheme));
  SendMessageW(toolbar, TB_SETBUTTONSIZE, 0, MAKELPARAM(app.scale(34), app.scale(34)));
}

}  // namespace

void App::apply_theme() {
  // The recolouring of the editors reports changes that are no edits.
  ChangeSuppression no_change_notices(*this);

  const ThemeChoice choice =
      choose_theme(theme, read_apps_use_light_theme(), high_contrast_on(), system_colours());
  ThemeObjects fresh = make_theme_objects(choice, dpi, font_size);
  for (size_t i = 0; i < kPaletteSize; ++i) palette[i] = choice.palette[i];
  dark = choice.dark;
  high_contrast = choice.high_contrast;
  // Deleted at the end of this function, after every control got the new fonts and the menu
  // the new brush.
  const ThemeObjects old = install_theme_objects(*this, std::move(fresh));

  set_menu_background(*this);
  set_frame_attributes(*this);
  for (const HWND control : {toolbar, tab_control, workspace_tree, outline_list, status_bar,
                             find_edit, replace_edit, match_case_button, regex_button}) {
    theme_control(control, *this);
  }
  theme_edit_box(find_edit);
  theme_edit_box(replace_edit);
  theme_side_panes(*this);
  for (const auto& document : documents) {
    for (const HWND editor : editors_of(*document)) theme_editor(editor, *document, *this);
  }
  theme_preview(*this);
  theme_toolbar(*this);
  rebuild_tabs();
  InvalidateRect(main_window, nullptr, TRUE);
  RedrawWindow(main_window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
}

}  // namespace tavrel::win
