// Images enter a document as references to files beside it: chosen in the Image dialog,
// dropped on the window, or pasted from the clipboard (then first written as a PNG under
// "assets" next to the document). A dropped folder becomes the workspace and other dropped
// files are opened as documents.
#include <windows.h>
#include <richedit.h>
#include <shellapi.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/app_win.h"
#include "core/documents_win.h"
#include "core/handles_win.h"
#include "core/text_convert.h"
#include "ui/gdiplus_win.h"
#include "ui/image_files.h"
#include "ui/images_win.h"

namespace tavrel::win {

namespace {

// Inserts the reference and returns where it ends, so that a batch can continue after it.
LONG insert_reference(App& app, const std::filesystem::path& image) {
  if (app.current_document()->path.empty() && !app.save_document(false)) return -1;
  const std::filesystem::path folder =
      std::filesystem::path(app.current_document()->path).parent_path();
  const std::wstring suffix = L"](" + to_wide(image_link_path(image, folder)) + L")";
  app.wrap_selection(L"![", suffix, image.stem().wstring());
  CHARRANGE selection{};
  SendMessageW(app.current_document()->editor, EM_EXGETSEL, 0,
               reinterpret_cast<LPARAM>(&selection));
  return selection.cpMax + static_cast<LONG>(suffix.size());
}

// Writes the clipboard bitmap as a PNG under "assets"; false when it is unusable or not saved.
bool save_clipboard_bitmap(App& app, const std::uint8_t* dib, size_t size,
                           std::filesystem::path& saved) {
  const auto offset = dib_pixel_offset(dib, size);
  if (!offset) return false;
  Gdiplus::Bitmap* bitmap = Gdiplus::Bitmap::FromBITMAPINFO(
      reinterpret_cast<const BITMAPINFO*>(dib), const_cast<std::uint8_t*>(dib) + *offset);
  if (bitmap == nullptr) return false;
  const std::unique_ptr<Gdiplus::Bitmap> owner(bitmap);
  if (bitmap->GetLastStatus() != Gdiplus::Ok) return false;
  const std::filesystem::path folder =
      std::filesystem::path(app.current_document()->path).parent_path() / "assets";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) throw std::filesystem::filesystem_error("create_directories", folder, error);
  saved = make_image_file_name(folder);
  const CLSID png = find_encoder_clsid(L"image/png");
  return bitmap->Save(saved.c_str(), &png, nullptr) == Gdiplus::Ok;
}

}  // namespace

std::filesystem::path make_image_file_name(const std::filesystem::path& folder) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  const LocalTime time{now.wYear,   now.wMonth,  now.wDay,         now.wHour,
                       now.wMinute, now.wSecond, now.wMilliseconds};
  return make_image_file_name(folder, time, [](const std::filesystem::path& candidate) {
    std::error_code error;
    const auto status = std::filesystem::status(candidate, error);
    if (error && error != std::errc::no_such_file_or_directory) {
      throw std::filesystem::filesystem_error("exists", candidate, error);
    }
    return std::filesystem::exists(status);
  });
}

void App::insert_image_link(const std::filesystem::path& image) {
  if (documents.empty()) return;
  insert_reference(*this, image);
}

void App::on_drop_files(HDROP drop) {
  std::vector<std::filesystem::path> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
    paths.emplace_back(name);
  }
  DragFinish(drop);

  // The drop is taken in its order: images go into the document active at their turn, so a
  // Markdown file dropped before them receives them. Files to open are gathered until the next
  // image, so that a run of them is opened (and any failures reported) together. Images meant
  // for a document that refused to be saved, or for files of which none could be opened, are
  // skipped rather than put into another document.
  std::vector<std::filesystem::path> to_open;
  bool images_refused = false;
  const auto open_gathered = [&] {
    if (to_open.empty()) return;
    images_refused = open_paths(*this, to_open) == to_open.size();
    to_open.clear();
  };
  for (const std::filesystem::path& path : paths) {
    if (std::filesystem::is_directory(std::filesystem::status(path))) {
      workspace_root = path;
      sidebar = true;
      scan_workspace();
      layout_panes();
    } else if (is_image_extension(path)) {
      open_gathered();
      if (images_refused || documents.empty()) continue;
      // Each reference leaves the caret after itself, so the next one is not put inside it.
      const LONG end = insert_reference(*this, path);
      images_refused = end < 0;
      if (images_refused) continue;
      CHARRANGE caret{end, end};
      SendMessageW(current_document()->editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    } else {
      to_open.push_back(path);
    }
  }
  open_gathered();
}

bool App::paste_image() {
  if (documents.empty() || !IsClipboardFormatAvailable(CF_DIB) ||
      IsClipboardFormatAvailable(CF_UNICODETEXT)) {
    return false;
  }
  if (current_document()->path.empty() && !save_document(false)) return true;
  if (!ensure_gdiplus()) throw std::runtime_error("Image encoder unavailable");
  std::filesystem::path saved;
  bool ok = false;
  {
    const ClipboardScope clipboard(main_window);
    if (!clipboard.is_open()) return true;
    const HGLOBAL block = GetClipboardData(CF_DIB);
    if (block == nullptr) return false;
    const LockedBlock lock(block);
    if (lock.data() == nullptr) return true;
    ok = save_clipboard_bitmap(*this, lock.data(), GlobalSize(block), saved);
  }
  if (!ok) {
    set_status(vietnamese ? L"Không lưu được ảnh trong clipboard"
                          : L"Could not save clipboard image");
    return true;
  }
  insert_image_link(saved);
  return true;
}

bool copy_text_to_clipboard(HWND owner, const std::wstring& text) {
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!memory) return false;
  {
    const LockedBlock lock(memory.get());
    if (lock.data() == nullptr) return false;
    std::memcpy(lock.data(), text.c_str(), bytes);
  }
  const ClipboardScope clipboard(owner);
  if (!clipboard.is_open() || !EmptyClipboard()) return false;
  if (SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) return false;
  memory.release();  // the clipboard owns it now
  return true;
}

}  // namespace tavrel::win
