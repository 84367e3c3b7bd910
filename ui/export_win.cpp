// Exports of the active document. Every file goes through the atomic writer, images included:
// GDI+ encodes into memory first, so a failed export never truncates an existing file.
#include "ui/export_win.h"

#include <windows.h>
#include <richedit.h>

#include <optional>
#include <stdexcept>
#include <vector>

#include "core/file_io_win.h"
#include "render/docx_writer_win.h"
#include "render/markdown_model.h"
#include "render/rtf_writer.h"
#include "ui/editor_win.h"
#include "ui/file_dialogs_win.h"
#include "ui/gdiplus_win.h"
#include "web/standalone_html_win.h"
#include "web/web_host_win.h"

namespace tavrel::win {
namespace {

namespace gp = Gdiplus::DllExports;

constexpr int kImageWidth = 1000;
constexpr int kLayoutHeight = 2000;
constexpr int kMinImageHeight = 160;
constexpr int kMaxImageHeight = 30000;

const wchar_t* export_extension(int command_id) {
  switch (command_id) {
    case cmd_export_html:
      return L"html";
    case cmd_export_text:
      return L"txt";
    case cmd_export_docx:
      return L"docx";
    case cmd_export_png:
      return L"png";
    case cmd_export_jpeg:
      return L"jpg";
    default:
      return nullptr;
  }
}

std::optional<std::wstring> choose_export_path(App& app, const std::wstring& extension,
                                               const std::wstring& suggested) {
  if (app.choose_save_path) return app.choose_save_path(app.main_window, suggested);
  std::wstring filter = extension + L" file";
  filter.push_back(L'\0');
  filter += L"*." + extension;
  filter.push_back(L'\0');
  filter.push_back(L'\0');
  return choose_file(app.main_window, true, filter.c_str(), extension.c_str(), suggested);
}

struct GdipImageTraits {
  static Gdiplus::GpImage* invalid() { return nullptr; }
  static void close(Gdiplus::GpImage* image) { gp::GdipDisposeImage(image); }
};

// Keeps `object` selected into `dc` for the life of the guard.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~Selection() { SelectObject(dc_, old_); }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

int to_twips(int pixels, int dpi) { return MulDiv(pixels, 1440, dpi); }

// The image height for a last character drawn at `last_y` in the layout window.
int image_height(LONG last_y) {
  const int height = std::max(static_cast<int>(last_y) + 120, kMinImageHeight);
  if (height > kMaxImageHeight) {
    throw std::runtime_error("Image export exceeds 30,000 pixels. Use PDF for this document.");
  }
  return height;
}

LONG last_character_y(HWND edit) {
  GETTEXTLENGTHEX query{GTL_NUMCHARS, 1200};
  const LRESULT count = SendMessageW(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0);
  POINTL point{};
  SendMessageW(edit, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&point),
               count - 1 < 1 ? 0 : count - 1);
  return point.y;
}

std::string stream_bytes(IStream* stream) {
  STATSTG stat{};
  HGLOBAL memory = nullptr;
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) ||
      FAILED(GetHGlobalFromStream(stream, &memory))) {
    throw std::runtime_error("Cannot save exported image");
  }
  const void* data = GlobalLock(memory);
  if (data == nullptr) throw std::runtime_error("Cannot save exported image");
  std::string bytes(static_cast<const char*>(data), static_cast<size_t>(stat.cbSize.QuadPart));
  GlobalUnlock(memory);
  return bytes;
}

std::string encode_image(const DocumentImage& image, bool jpeg) {
  Gdiplus::GpBitmap* raw = nullptr;
  if (gp::GdipCreateBitmapFromHBITMAP(image.bitmap.get(), nullptr, &raw) != Gdiplus::Ok) {
    throw std::runtime_error("Cannot allocate image");
  }
  Owned<Gdiplus::GpImage*, GdipImageTraits> bitmap(raw);
  const CLSID encoder = find_encoder_clsid(jpeg ? L"image/jpeg" : L"image/png");
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) ||
      gp::GdipSaveImageToStream(bitmap.get(), stream.get(), &encoder, nullptr) != Gdiplus::Ok) {
    throw std::runtime_error("Cannot save exported image");
  }
  return stream_bytes(stream.get());
}

}  // namespace

UniqueWindow hidden_rendering(App& app, uint32_t points, uint32_t table_twips) {
  UniqueWindow edit(app.create_rich_edit(true));
  const RenderedMarkdown model =
      render_markdown(richedit_text_utf8(app.current_document()->editor));
  richedit_stream_rtf(edit.get(), render_rtf(model, false, points, table_twips));
  // White whatever the theme: the RTF carries the light palette's text colours.
  SendMessageW(edit.get(), EM_SETBKGNDCOLOR, 0, RGB(255, 255, 255));
  return edit;
}

DocumentImage paint_document_image(App& app) {
  const UniqueWindow edit = hidden_rendering(app, 12);
  MoveWindow(edit.get(), 0, 0, kImageWidth, kLayoutHeight, FALSE);
  SendMessageW(edit.get(), EM_REQUESTRESIZE, 0, 0);
  RECT layout{50, 40, 950, 1960};
  SendMessageW(edit.get(), EM_SETRECT, 0, reinterpret_cast<LPARAM>(&layout));
  DocumentImage image;
  image.width = kImageWidth;
  image.height = image_height(last_character_y(edit.get()));

  HDC screen = GetDC(app.main_window);
  UniqueDc dc(CreateCompatibleDC(screen));
  ReleaseDC(app.main_window, screen);
  BITMAPINFO info{};
  info.bmiHeader = {
      sizeof(BITMAPINFOHEADER), image.width, -image.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  image.bitmap.reset(dc ? CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0)
                        : nullptr);
  if (!image.bitmap) throw std::runtime_error("Cannot allocate image");
  image.pixels = static_cast<const uint32_t*>(bits);

  const Selection selected(dc.get(), image.bitmap.get());
  RECT all{0, 0, image.width, image.height};
  FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const int dpi_x = GetDeviceCaps(dc.get(), LOGPIXELSX);
  const int dpi_y = GetDeviceCaps(dc.get(), LOGPIXELSY);
  FORMATRANGE range{};
  range.hdc = range.hdcTarget = dc.get();
  range.rcPage = {0, 0, to_twips(image.width, dpi_x), to_twips(image.height, dpi_y)};
  range.rc = {to_twips(50, dpi_x), to_twips(40, dpi_y), to_twips(950, dpi_x),
              range.rcPage.bottom - to_twips(40, dpi_y)};
  range.chrg = {0, -1};
  SendMessageW(edit.get(), EM_FORMATRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  SendMessageW(edit.get(), EM_FORMATRANGE, FALSE, 0);
  GdiFlush();
  return image;
}

void export_image_native(App& app, const std::filesystem::path& target, bool jpeg) {
  if (!ensure_gdiplus()) throw std::runtime_error("Image encoder unavailable");
  std::string bytes;
  {
    const DocumentImage image = paint_document_image(app);
    bytes = encode_image(image, jpeg);
  }
  write_file_atomic(target, bytes);
}

void export_document(App& app, int command_id) {
  const wchar_t* extension = export_extension(command_id);
  if (app.documents.empty() || extension == nullptr) return;
  const Document& document = *app.current_document();
  const std::filesystem::path source = document.path;
  const std::wstring suggested =
      source.empty() ? std::wstring()
                     : std::filesystem::path(source).replace_extension(extension).native();
  const std::optional<std::wstring> chosen = choose_export_path(app, extension, suggested);
  if (!chosen || chosen->empty()) return;
  const std::filesystem::path target = *chosen;
  const std::string text = richedit_text_utf8(document.editor);
  const RenderedMarkdown model = render_markdown(text);
  switch (command_id) {
    case cmd_export_html:
      write_file_atomic(target, build_standalone_html(app, text, source.parent_path()));
      break;
    case cmd_export_text:
      write_file_atomic(target, model.plain_text);
      break;
    case cmd_export_docx:
      write_docx(model, target);
      break;
    default: {
      const bool jpeg = command_id == cmd_export_jpeg;
      // The web route reports its own outcome once its capture has finished or failed.
      if (web_export_image(app, target, jpeg)) return;
      export_image_native(app, target, jpeg);
    }
  }
  app.set_status(app.vietnamese ? L"Đã xuất tài liệu" : L"Export complete");
}

}  // namespace tavrel::win
