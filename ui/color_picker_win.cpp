// The colour question of the Text color command. Light themes ask with the system dialog; the
// dark theme asks in a small window of our own drawn with Dear ImGui on Direct3D 11, since the
// system dialog has no dark form. Where Direct3D cannot start, the system dialog serves there
// too rather than leaving the command without an answer.
#include <windows.h>
#include <commdlg.h>
#include <d3d11.h>
#include <dwmapi.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <string>

#include "core/app_win.h"
#include "ui/color_picker_win.h"

#if TAVREL_HAVE_IMGUI
#include "imgui.h"
#include "imgui_impl_dx11.h"
#include "imgui_impl_win32.h"

extern IMGUI_IMPL_API LRESULT ImGui_ImplWin32_WndProcHandler(HWND, UINT, WPARAM, LPARAM);
#endif

namespace tavrel::win {

namespace {

std::optional<COLORREF> pick_system_color(HWND owner, COLORREF initial) {
  static std::array<COLORREF, 16> custom_colours{};
  CHOOSECOLORW choice{};
  choice.lStructSize = sizeof(choice);
  choice.hwndOwner = owner;
  choice.rgbResult = initial;
  choice.lpCustColors = custom_colours.data();
  choice.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (!ChooseColorW(&choice)) return std::nullopt;
  return choice.rgbResult;
}

#if TAVREL_HAVE_IMGUI

template <typename T>
void release(T*& object) {
  if (object != nullptr) object->Release();
  object = nullptr;
}

struct ColorPickerState {
  HWND window = nullptr;
  ImGuiContext* imgui = nullptr;
  ID3D11Device* device = nullptr;
  ID3D11DeviceContext* context = nullptr;
  IDXGISwapChain* swap_chain = nullptr;
  bool backends = false;
  bool done = false;
  bool accepted = false;
  bool vietnamese = false;
  float rgb[3] = {};
  RECT apply{};
};

void close_color_picker(ColorPickerState& state) noexcept {
  if (state.imgui != nullptr) {
    ImGui::SetCurrentContext(state.imgui);
    if (state.backends) {
      ImGui_ImplDX11_Shutdown();
      ImGui_ImplWin32_Shutdown();
    }
    ImGui::DestroyContext(state.imgui);
  }
  state.imgui = nullptr;
  state.backends = false;
  release(state.swap_chain);
  release(state.context);
  release(state.device);
}

std::string windows_font(const char* name) {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  const std::filesystem::path path = std::filesystem::path(folder) / "Fonts" / name;
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return {};
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

void style_color_picker() {
  ImGui::StyleColorsDark();
  ImGuiStyle& style = ImGui::GetStyle();
  style.WindowPadding = ImVec2(20, 20);
  style.WindowRounding = 0;
  style.FramePadding = ImVec2(10, 8);
  style.FrameRounding = 5;
  style.Colors[ImGuiCol_WindowBg] = ImVec4(0.09f, 0.12f, 0.16f, 1);
  style.Colors[ImGuiCol_FrameBg] = ImVec4(0.12f, 0.16f, 0.21f, 1);
  style.Colors[ImGuiCol_Button] = ImVec4(0.29f, 0.20f, 0.15f, 1);
  style.Colors[ImGuiCol_ButtonHovered] = ImVec4(0.40f, 0.26f, 0.16f, 1);
  style.Colors[ImGuiCol_ButtonActive] = ImVec4(0.50f, 0.30f, 0.16f, 1);
}

bool init_color_picker(ColorPickerState& state) {
  close_color_picker(state);
  DXGI_SWAP_CHAIN_DESC chain{};
  chain.BufferCount = 2;
  chain.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
  chain.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
  chain.OutputWindow = state.window;
  chain.SampleDesc.Count = 1;
  chain.Windowed = TRUE;
  chain.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
  if (FAILED(D3D11CreateDeviceAndSwapChain(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr,
                                           0, D3D11_SDK_VERSION, &chain, &state.swap_chain,
                                           &state.device, nullptr, &state.context))) {
    return false;
  }
  state.imgui = ImGui::CreateContext();
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;
  io.LogFilename = nullptr;
  // Without the font file ImGui's own font serves: a missing file must not stop the picker.
  const std::string font = windows_font("segoeui.ttf");
  if (!font.empty()) io.Fonts->AddFontFromFileTTF(font.c_str(), 16.0f);
  ImGui_ImplWin32_Init(state.window);
  ImGui_ImplDX11_Init(state.device, state.context);
  state.backends = true;
  style_color_picker();
  return true;
}

void draw_color_picker(ColorPickerState& state) {
  const ImGuiIO& io = ImGui::GetIO();
  ImGui::SetNextWindowPos(ImVec2(0, 0));
  ImGui::SetNextWindowSize(io.DisplaySize);
  ImGui::Begin("Color", nullptr,
               ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                   ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoCollapse |
                   ImGuiWindowFlags_NoSavedSettings);
  ImGui::TextUnformatted(state.vietnamese ? "Màu chữ" : "Text color");
  ImGui::Spacing();
  ImGui::SetNextItemWidth(ImGui::GetContentRegionAvail().x);
  ImGui::ColorPicker3("##color", state.rgb,
                      ImGuiColorEditFlags_NoSidePreview | ImGuiColorEditFlags_DisplayHex);
  const float width = (ImGui::GetContentRegionAvail().x - ImGui::GetStyle().ItemSpacing.x) / 2;
  if (ImGui::Button(state.vietnamese ? "Áp dụng" : "Apply", ImVec2(width, 34))) {
    state.done = true;
    state.accepted = true;
  }
  const ImVec2 low = ImGui::GetItemRectMin();
  const ImVec2 high = ImGui::GetItemRectMax();
  state.apply = RECT{static_cast<LONG>(low.x), static_cast<LONG>(low.y), static_cast<LONG>(high.x),
                     static_cast<LONG>(high.y)};
  ImGui::SameLine();
  if (ImGui::Button(state.vietnamese ? "Hủy" : "Cancel", ImVec2(width, 34))) state.done = true;
  ImGui::End();
}

void render_color_picker_frame(ColorPickerState& state) {
  if (state.imgui == nullptr) return;
  ID3D11Texture2D* back_buffer = nullptr;
  if (FAILED(state.swap_chain->GetBuffer(0, IID_PPV_ARGS(&back_buffer)))) return;
  ID3D11RenderTargetView* view = nullptr;
  const HRESULT made = state.device->CreateRenderTargetView(back_buffer, nullptr, &view);
  release(back_buffer);
  if (FAILED(made)) return;
  ImGui_ImplDX11_NewFrame();
  ImGui_ImplWin32_NewFrame();
  ImGui::NewFrame();
  draw_color_picker(state);
  ImGui::Render();
  const float clear[4] = {0.08f, 0.11f, 0.15f, 1};
  state.context->OMSetRenderTargets(1, &view, nullptr);
  state.context->ClearRenderTargetView(view, clear);
  ImGui_ImplDX11_RenderDrawData(ImGui::GetDrawData());
  state.swap_chain->Present(0, 0);
  release(view);
}

LRESULT CALLBACK color_picker_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* state =
        static_cast<ColorPickerState*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    state->window = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
  }
  auto* state = reinterpret_cast<ColorPickerState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (state == nullptr || state->imgui == nullptr) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
  ImGui_ImplWin32_WndProcHandler(window, message, wparam, lparam);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      render_color_picker_frame(*state);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_CLOSE:
      state->done = true;
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_KEYDOWN:
    case WM_CHAR:
      InvalidateRect(window, nullptr, FALSE);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// Owns the picker for one pick: the window and everything drawn in it go, and the owner is
// enabled again, however the pick ends.
class DarkPicker {
 public:
  DarkPicker(HWND owner, ColorPickerState& state) : owner_(owner), state_(state) {}
  DarkPicker(const DarkPicker&) = delete;
  DarkPicker& operator=(const DarkPicker&) = delete;
  ~DarkPicker() {
    if (disabled_) EnableWindow(owner_, TRUE);
    if (state_.window != nullptr) DestroyWindow(state_.window);
    close_color_picker(state_);
    if (disabled_) SetForegroundWindow(owner_);
  }
  void disable_owner() { disabled_ = EnableWindow(owner_, FALSE) == FALSE; }

 private:
  HWND owner_;
  ColorPickerState& state_;
  bool disabled_ = false;
};

HWND create_picker_window(HWND owner, ColorPickerState& state) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = color_picker_window_proc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = L"Tavrel.DarkColor";
  RegisterClassW(&window_class);  // already registered by an earlier pick: used unchanged
  RECT owner_rect{};
  GetWindowRect(owner, &owner_rect);
  const HWND window = CreateWindowExW(WS_EX_DLGMODALFRAME, L"Tavrel.DarkColor",
                                      state.vietnamese ? L"Tavrel | Màu chữ" : L"Tavrel | Color",
                                      WS_POPUP | WS_CAPTION | WS_SYSMENU, owner_rect.left + 150,
                                      owner_rect.top + 100, 360, 460, owner, nullptr,
                                      GetModuleHandleW(nullptr), &state);
  if (window != nullptr) {
    const BOOL dark = TRUE;
    DwmSetWindowAttribute(window, 20, &dark, sizeof(dark));
  }
  return window;
}

std::uint8_t channel(float value) {
  return static_cast<std::uint8_t>(std::lround(std::fmin(std::fmax(value, 0.0f), 1.0f) * 255));
}

#endif

}  // namespace

std::optional<COLORREF> pick_dark_color(HWND owner, COLORREF initial, bool vietnamese,
                                        bool* started) {
  if (started != nullptr) *started = false;
#if TAVREL_HAVE_IMGUI
  ColorPickerState state;
  state.vietnamese = vietnamese;
  state.rgb[0] = GetRValue(initial) / 255.0f;
  state.rgb[1] = GetGValue(initial) / 255.0f;
  state.rgb[2] = GetBValue(initial) / 255.0f;
  DarkPicker picker(owner, state);
  if (create_picker_window(owner, state) == nullptr || !init_color_picker(state)) {
    return std::nullopt;
  }
  if (started != nullptr) *started = true;
  picker.disable_owner();
  ShowWindow(state.window, SW_SHOW);
  MSG message;
  while (!state.done) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));  // the main loop must end too
      break;
    }
    if (got < 0) break;
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) break;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (!state.accepted) return std::nullopt;
  // Rounded, so that the hex field's value is what is inserted and every channel survives.
  return RGB(channel(state.rgb[0]), channel(state.rgb[1]), channel(state.rgb[2]));
#else
  (void)owner;
  (void)initial;
  (void)vietnamese;
  return std::nullopt;
#endif
}

RECT dark_picker_apply_rect(HWND picker) {
#if TAVREL_HAVE_IMGUI
  const auto* state = reinterpret_cast<ColorPickerState*>(GetWindowLongPtrW(picker, GWLP_USERDATA));
  if (state != nullptr) return state->apply;
#else
  (void)picker;
#endif
  return RECT{};
}

std::optional<COLORREF> pick_text_color(App& app, COLORREF initial) {
  if (app.dark) {
    bool started = false;
    const auto colour = pick_dark_color(app.main_window, initial, app.vietnamese, &started);
    if (started) return colour;
  }
  return pick_system_color(app.main_window, initial);
}

}  // namespace tavrel::win
