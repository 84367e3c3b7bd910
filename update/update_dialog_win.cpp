#include "update/update_dialog_win.h"

#include <windows.h>
#include <dwmapi.h>
#include <shellapi.h>
#include <uxtheme.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "core/handles_win.h"
#include "core/text_convert.h"
#include "ui/images_win.h"
#include "ui/palette.h"
#include "update/http_client_win.h"
#include "update/update_manifest.h"

namespace tavrel::win {

namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kDialogExStyle = WS_EX_CONTROLPARENT;
constexpr int kRowCount = 5;

// Process-wide, so that an answer can never be taken for that of a later check, in any dialog.
std::atomic<uint64_t> next_update_request{0};

// One update check, shared between the dialog and its worker thread.
struct Work {
  std::mutex mutex;
  std::atomic<bool> cancelled{false};
  HWND dialog = nullptr;  // guarded by mutex; null once the dialog let go of this check
  uint64_t request_id = next_update_request++;
  std::optional<UpdateManifest> manifest;  // guarded by mutex
  std::string error;                       // guarded by mutex
};

struct UpdateDialogState;
void update_cancel_work(UpdateDialogState& state);

struct UpdateDialogState {
  App* app = nullptr;
  HWND dialog = nullptr;
  UniqueFont heading_font;
  std::shared_ptr<Work> work;
  std::optional<UpdateManifest> manifest;

  UpdateDialogState() = default;
  UpdateDialogState(const UpdateDialogState&) = delete;
  UpdateDialogState& operator=(const UpdateDialogState&) = delete;
  ~UpdateDialogState() { update_cancel_work(*this); }
};

HWND item(const UpdateDialogState& state, int id) { return GetDlgItem(state.dialog, id); }

void set_item_text(const UpdateDialogState& state, int id, const std::wstring& text) {
  SetWindowTextW(item(state, id), text.c_str());
}

int scaled(const UpdateDialogState& state, int value) { return MulDiv(value, state.app->dpi, 96); }

// --- The worker and its hand-over ------------------------------------------------------------

void update_worker(std::shared_ptr<Work> work, std::string url) {
  try {
    std::optional<UpdateManifest> manifest;
    std::string error;
    try {
      manifest = parse_update_manifest(http_get_manifest(url, work->cancelled));
    } catch (const std::exception& failure) {
      error = failure.what();
    }
    std::lock_guard lock(work->mutex);
    if (work->cancelled.load() || work->dialog == nullptr) return;
    work->manifest = std::move(manifest);
    work->error = std::move(error);
    PostMessageW(work->dialog, WM_APP_UPDATE_DONE, static_cast<WPARAM>(work->request_id), 0);
  } catch (...) {
    // Out of memory on a worker nobody waits for: the dialog keeps saying it is checking.
  }
}

void update_cancel_work(UpdateDialogState& state) {
  if (!state.work) return;
  std::lock_guard lock(state.work->mutex);
  state.work->cancelled.store(true);
  state.work->dialog = nullptr;
}

void update_show_result(UpdateDialogState& state, std::optional<UpdateManifest> result,
                        const std::string& error) {
  state.manifest = std::move(result);
  const std::optional<UpdateManifest>& manifest = state.manifest;
  EnableWindow(item(state, kUpdateCheckId), TRUE);
  EnableWindow(item(state, kUpdateOpenId), manifest.has_value());
  EnableWindow(item(state, kUpdateCopyId), manifest && !manifest->sha256.empty());
  if (!manifest) {
    for (int k = 0; k < kRowCount; ++k) set_item_text(state, kUpdateFirstValueId + k, L"");
    set_item_text(
        state, kUpdateStatusId,
        ui_text(*state.app, L"Could not check for updates", L"Chưa kiểm tra được cập nhật"));
    set_item_text(state, kUpdateMessageId,
                  std::wstring(ui_text(*state.app,
                                       L"Check your connection and the update source in Settings, "
                                       L"then try again.",
                                       L"Kiểm tra kết nối và nguồn cập nhật trong Cài đặt, rồi thử "
                                       L"lại.")) +
                      L"\r\n" + to_wide_lenient(error));
    return;
  }
  const std::wstring not_provided = ui_text(*state.app, L"Not provided", L"Chưa được cung cấp");
  const bool newer = is_newer_version(manifest->version, kCurrentVersion);
  set_item_text(
      state, kUpdateStatusId,
      newer ? ui_text(*state.app, L"An update is available", L"Có phiên bản mới")
            : ui_text(*state.app, L"You are up to date", L"Bạn đang dùng phiên bản mới nhất"));
  const std::wstring values[kRowCount] = {
      to_wide_lenient(manifest->version),
      manifest->published_at.empty() ? not_provided : to_wide_lenient(manifest->published_at),
      manifest->size ? to_wide_lenient(update_size_text(*manifest->size)) : not_provided,
      to_wide_lenient(manifest->url),
      manifest->sha256.empty() ? not_provided : to_wide_lenient(manifest->sha256)};
  for (int k = 0; k < kRowCount; ++k) set_item_text(state, kUpdateFirstValueId + k, values[k]);
  set_item_text(
      state, kUpdateMessageId,
      ui_text(*state.app,
              L"Use the publisher's SHA256 to check your download. Tavrel opens the "
              L"download in your browser; it does not verify or install the file "
              L"automatically.",
              L"Dùng SHA256 do nhà phát hành cung cấp để đối chiếu file tải về. Tavrel mở "
              L"liên kết tải trong trình duyệt, không tự kiểm tra file hay cài bản cập "
              L"nhật."));
}

void update_start_check(UpdateDialogState& state) {
  update_cancel_work(state);
  state.manifest.reset();
  set_item_text(state, kUpdateStatusId,
                ui_text(*state.app, L"Checking for updates...", L"Đang kiểm tra cập nhật..."));
  for (int k = 0; k < kRowCount; ++k) set_item_text(state, kUpdateFirstValueId + k, L"");
  set_item_text(state, kUpdateMessageId, L"");
  // A button about to be disabled must not keep the focus, or the keyboard would reach nothing.
  for (int id : {kUpdateCopyId, kUpdateOpenId, kUpdateCheckId}) {
    if (GetFocus() == item(state, id)) {
      SendMessageW(state.dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(state, IDCANCEL)),
                   TRUE);
    }
    EnableWindow(item(state, id), FALSE);
  }
  auto work = std::make_shared<Work>();
  state.work = work;
  work->dialog = state.dialog;  // no worker runs for it yet
  std::thread(update_worker, work, state.app->update_url).detach();
}

// --- User actions ----------------------------------------------------------------------------

void update_copy_sha256(UpdateDialogState& state) {
  if (!state.manifest || state.manifest->sha256.empty()) return;
  const bool copied = copy_text_to_clipboard(state.dialog, to_wide(state.manifest->sha256));
  set_item_text(
      state, kUpdateMessageId,
      copied ? ui_text(*state.app, L"SHA256 copied to the clipboard.", L"Đã sao chép SHA256.")
             : ui_text(*state.app, L"Could not copy SHA256. Please try again.",
                       L"Chưa sao chép được SHA256. Vui lòng thử lại."));
}

void update_open_download(UpdateDialogState& state) {
  if (!state.manifest) return;
  const std::wstring url = to_wide(state.manifest->url);
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(state.dialog, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) {
    set_item_text(
        state, kUpdateMessageId,
        ui_text(*state.app, L"Could not open the download link. You can copy the URL above.",
                L"Không mở được liên kết tải. Bạn có thể sao chép URL ở trên."));
  }
}

void update_draw_button(UpdateDialogState& state, const DRAWITEMSTRUCT& draw) {
  const App& app = *state.app;
  const bool primary = draw.CtlID == kUpdateOpenId && IsWindowEnabled(draw.hwndItem);
  const bool pressed = (draw.itemState & ODS_SELECTED) != 0;
  const HDC dc = draw.hDC;
  RECT rect = draw.rcItem;
  const auto brush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
  SetDCBrushColor(dc, app.palette[pressed   ? palette_accent_fill
                                  : primary ? palette_accent
                                            : palette_pane]);
  FillRect(dc, &rect, brush);
  SetDCBrushColor(dc,
                  app.palette[(draw.itemState & ODS_FOCUS) != 0 ? palette_accent : palette_border]);
  FrameRect(dc, &rect, brush);
  COLORREF text = app.palette[palette_text];
  if ((draw.itemState & ODS_DISABLED) != 0) {
    text = app.palette[palette_muted_text];
  } else if (primary) {
    text = app.dark ? RGB(48, 27, 14) : RGB(255, 255, 255);
  }
  SetTextColor(dc, text);
  SetBkMode(dc, TRANSPARENT);
  const HGDIOBJ old_font = SelectObject(dc, app.ui_font);
  wchar_t label[64] = {};
  GetWindowTextW(draw.hwndItem, label, 64);
  DrawTextW(dc, label, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old_font);
}

// --- Creation --------------------------------------------------------------------------------

HWND update_create_control(UpdateDialogState& state, const wchar_t* window_class,
                           const std::wstring& text, DWORD style, int id, int x, int y, int width,
                           int height) {
  App& app = *state.app;
  const HWND control = CreateWindowExW(
      0, window_class, text.c_str(), style | WS_CHILD | WS_VISIBLE, scaled(state, x),
      scaled(state, y), scaled(state, width), scaled(state, height), state.dialog,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), app.instance, nullptr);
  if (control == nullptr) throw std::runtime_error("The update dialog could not be created");
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(app.ui_font), TRUE);
  SetWindowTheme(control, control_theme_name(app.dark), nullptr);
  if (std::wcscmp(window_class, L"EDIT") == 0) {
    SendMessageW(control, EM_LIMITTEXT, 16384, 0);
    app.theme_edit_box(control);
  }
  return control;
}

void create_update_controls(UpdateDialogState& state) {
  constexpr DWORD kStatic = SS_NOPREFIX;
  constexpr DWORD kValue = ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP;
  constexpr DWORD kButton = BS_OWNERDRAW | WS_TABSTOP;
  const HWND status =
      update_create_control(state, L"STATIC", L"", kStatic, kUpdateStatusId, 22, 20, 636, 28);
  SendMessageW(status, WM_SETFONT, reinterpret_cast<WPARAM>(state.heading_font.get()), TRUE);
  update_create_control(
      state, L"STATIC",
      ui_text(*state.app, L"Installed version: Tavrel 1.0", L"Phiên bản đang dùng: Tavrel 1.0"),
      kStatic, kUpdateInstalledId, 22, 56, 636, 24);
  const wchar_t* labels[kRowCount][2] = {{L"Version", L"Phiên bản"},
                                         {L"Published at", L"Ngày phát hành"},
                                         {L"Download size", L"Dung lượng"},
                                         {L"Download URL", L"Liên kết tải"},
                                         {L"SHA256", L"SHA256"}};
  for (int k = 0; k < kRowCount; ++k) {
    const int y = 92 + 44 * k;
    update_create_control(state, L"STATIC", ui_text(*state.app, labels[k][0], labels[k][1]),
                          kStatic, kUpdateFirstLabelId + k, 22, y + 8, 116, 24);
    update_create_control(state, L"EDIT", L"", kValue, kUpdateFirstValueId + k, 150, y, 508, 34);
  }
  update_create_control(state, L"STATIC", L"", kStatic, kUpdateMessageId, 22, 318, 636, 56);
  update_create_control(state, L"BUTTON", ui_text(*state.app, L"Copy SHA256", L"Sao chép SHA256"),
                        kButton, kUpdateCopyId, 22, 390, 150, 34);
  update_create_control(state, L"BUTTON", ui_text(*state.app, L"Open download", L"Mở liên kết tải"),
                        kButton, kUpdateOpenId, 276, 390, 150, 34);
  update_create_control(state, L"BUTTON", ui_text(*state.app, L"Check again", L"Kiểm tra lại"),
                        kButton, kUpdateCheckId, 436, 390, 126, 34);
  update_create_control(state, L"BUTTON", ui_text(*state.app, L"Close", L"Đóng"), kButton, IDCANCEL,
                        572, 390, 86, 34);
}

// Centred on the main window, then kept inside the work area of its monitor.
void place_update_dialog(UpdateDialogState& state) {
  const App& app = *state.app;
  RECT frame{0, 0, scaled(state, 680), scaled(state, 446)};
  AdjustWindowRectExForDpi(&frame, kDialogStyle, FALSE, kDialogExStyle, static_cast<UINT>(app.dpi));
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT owner{};
  GetWindowRect(app.main_window, &owner);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(app.main_window, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  int x = owner.left + (owner.right - owner.left - width) / 2;
  int y = owner.top + (owner.bottom - owner.top - height) / 2;
  x = std::max(std::min(x, static_cast<int>(work.right) - width), static_cast<int>(work.left));
  y = std::max(std::min(y, static_cast<int>(work.bottom) - height), static_cast<int>(work.top));
  SetWindowPos(state.dialog, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void update_init_dialog(UpdateDialogState& state) {
  App& app = *state.app;
  SetWindowTextW(state.dialog, ui_text(*state.app, L"Tavrel updates", L"Cập nhật Tavrel"));
  SendMessageW(state.dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(app.app_icon));
  const BOOL dark = app.dark ? TRUE : FALSE;
  DwmSetWindowAttribute(state.dialog, kDwmUseImmersiveDarkMode, &dark, sizeof(dark));
  state.heading_font.reset(CreateFontW(-MulDiv(14, app.dpi, 72), 0, 0, 0, 600, FALSE, FALSE, FALSE,
                                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                       CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI"));
  create_update_controls(state);
  place_update_dialog(state);
  SetFocus(item(state, IDCANCEL));
  update_start_check(state);
}

// --- Messages --------------------------------------------------------------------------------

void update_take_answer(UpdateDialogState& state, WPARAM request_id) {
  if (!state.work || request_id != state.work->request_id) return;  // an older check
  std::optional<UpdateManifest> manifest;
  std::string error;
  {
    std::lock_guard lock(state.work->mutex);
    manifest = state.work->manifest;
    error = state.work->error;
  }
  update_show_result(state, std::move(manifest), error);
}

INT_PTR static_colours(UpdateDialogState& state, HDC dc, HWND control) {
  App& app = *state.app;
  wchar_t window_class[16] = {};
  GetClassNameW(control, window_class, 16);
  if (_wcsicmp(window_class, L"EDIT") == 0) {
    return reinterpret_cast<INT_PTR>(app.on_ctl_color(dc));
  }
  SetTextColor(dc, app.palette[palette_text]);
  SetBkColor(dc, app.palette[palette_background]);
  return reinterpret_cast<INT_PTR>(app.background_brush);
}

void end_update_dialog(UpdateDialogState& state) {
  update_cancel_work(state);
  EndDialog(state.dialog, IDCANCEL);
}

INT_PTR update_handle_message(UpdateDialogState& state, UINT message, WPARAM wparam,
                              LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      update_init_dialog(state);
      return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case kUpdateCopyId:
          update_copy_sha256(state);
          return TRUE;
        case kUpdateOpenId:
          update_open_download(state);
          return TRUE;
        case kUpdateCheckId:
          update_start_check(state);
          return TRUE;
        case IDCANCEL:
          end_update_dialog(state);
          return TRUE;
        default:
          return FALSE;
      }
    case WM_CLOSE:
      end_update_dialog(state);
      return TRUE;
    case WM_DESTROY:
      update_cancel_work(state);
      return TRUE;
    case WM_DRAWITEM: {
      const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (draw.CtlType != ODT_BUTTON) return FALSE;
      update_draw_button(state, draw);
      return TRUE;
    }
    case WM_CTLCOLOREDIT:
      return reinterpret_cast<INT_PTR>(state.app->on_ctl_color(reinterpret_cast<HDC>(wparam)));
    case WM_CTLCOLORSTATIC:
      return static_colours(state, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(state.app->background_brush);
    case WM_APP_UPDATE_DONE:
      update_take_answer(state, wparam);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK update_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  UpdateDialogState* state = nullptr;
  if (message == WM_INITDIALOG) {
    state = reinterpret_cast<UpdateDialogState*>(lparam);
    SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    state->dialog = dialog;
  } else {
    state = reinterpret_cast<UpdateDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  }
  if (state == nullptr) return FALSE;
  try {
    return update_handle_message(*state, message, wparam, lparam);
  } catch (const std::exception& failure) {
    try {
      update_show_result(*state, std::nullopt, failure.what());
    } catch (...) {}
    return FALSE;
  }
}

}  // namespace

void show_update_dialog(App& app) {
  UpdateDialogState state;
  state.app = &app;
  // No controls in the template: all of them are created at WM_INITDIALOG.
  struct alignas(4) Template {
    DLGTEMPLATE dialog;
    WORD menu = 0, window_class = 0, title = 0;
  } dialog_template{};
  static_assert(offsetof(Template, menu) == 18, "the template's arrays follow its header");
  dialog_template.dialog.style = kDialogStyle;
  dialog_template.dialog.dwExtendedStyle = kDialogExStyle;
  app.remember_focus();
  DialogBoxIndirectParamW(app.instance, &dialog_template.dialog, app.main_window,
                          update_dialog_proc, reinterpret_cast<LPARAM>(&state));
  app.restore_focus();
}

}  // namespace tavrel::win
