// The Licenses and About pages: fixed information. The notices text is built into the
// executable (resource 201) from the licence files of the libraries it links.
#include <windows.h>
#include <richedit.h>

#include <stdexcept>
#include <string>

#include "core/text_convert.h"
#include "ui/commands.h"
#include "ui/dialog_frame_win.h"
#include "ui/palette.h"

namespace tavrel::win {
namespace {

constexpr int kNoticesResource = 201;
constexpr int ctl_text_view = 20;
constexpr int ctl_about_title = 40;
constexpr int ctl_about_text = 41;

void colour_text_view(const DialogState& state) {
  const App& app = *state.app;
  SendMessageW(state.text_view, EM_SETBKGNDCOLOR, 0,
               static_cast<LPARAM>(app.palette[palette_background]));
  CHARFORMAT2W format{};
  format.cbSize = sizeof(format);
  format.dwMask = CFM_COLOR;
  format.crTextColor = app.palette[palette_text];
  SendMessageW(state.text_view, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
}

}  // namespace

std::wstring load_notices_text(HINSTANCE module) {
  const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(kNoticesResource), RT_RCDATA);
  const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = found ? SizeofResource(module, found) : 0;
  if (bytes == nullptr || size == 0)
    throw std::runtime_error("Could not load embedded library notices");
  return to_wide_lenient(std::string_view(static_cast<const char*>(bytes), size));
}

void build_licenses_page(DialogState& state) {
  const App& app = *state.app;
  const std::wstring text = std::wstring(ui_text(app, L"Tavrel - third-party notices\r\n\r\n",
                                                 L"Tavrel - giấy phép thư viện\r\n\r\n")) +
                            load_notices_text(app.instance);
  state.text_view = dialog_create_control(state, L"RICHEDIT50W", L"",
                                          ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_TABSTOP,
                                          ctl_text_view, 26, 72, 568, 308);
  SendMessageW(state.text_view, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(text.size() + 1));
  SetWindowTextW(state.text_view, text.c_str());
  colour_text_view(state);
  SetFocus(state.primary_button);
}

void dialog_build_about(DialogState& state) {
  const App& app = *state.app;
  state.font.reset(CreateFontW(-MulDiv(14, app.dpi, 72), 0, 0, 0, 600, FALSE, FALSE, FALSE,
                               DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI"));
  const HWND title =
      dialog_create_control(state, L"STATIC", L"Tavrel 1.0", 0, ctl_about_title, 22, 22, 576, 28);
  if (state.font) SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(state.font.get()), TRUE);
  dialog_create_control(state, L"STATIC",
                        ui_text(app,
                                L"A Markdown editor with live preview.\nDocuments are saved on "
                                L"your computer.",
                                L"Phần mềm soạn thảo Markdown có khung xem trước.\nTài liệu được "
                                L"lưu trên máy tính."),
                        0, ctl_about_text, 22, 64, 576, 40);
  dialog_create_control(state, L"BUTTON", kHomePageUrl, WS_TABSTOP | BS_OWNERDRAW, dlg_about_link,
                        22, 144, 576, 34);
  state.primary_button =
      dialog_create_control(state, L"BUTTON", ui_text(app, L"Close", L"Đóng"),
                            WS_TABSTOP | BS_OWNERDRAW, dlg_primary, 482, 234, 116, 34);
  SetFocus(state.primary_button);
}

void open_about_link(DialogState& state) { state.app->open_link(kHomePageUrl); }

}  // namespace tavrel::win
