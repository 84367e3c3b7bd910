#pragma once
// The Export submenu and the print command: HTML, plain text and DOCX from the Markdown model,
// PNG and JPEG images painted from the RTF rendering, and printed pages with a footer.
#include <windows.h>

#include <filesystem>
#include <string>

#include "core/app_win.h"
#include "core/handles_win.h"
#include "render/rtf_writer.h"

namespace tavrel::win {

// cmd_export_html .. cmd_export_jpeg. Nothing happens without a document or when the save
// dialog is cancelled; failures propagate to the window procedure's warning box.
void export_document(App& app, int command_id);

// The active document as a PNG (jpeg false) or JPEG image 1000 pixels wide, written in one
// atomic replace.
void export_image_native(App& app, const std::filesystem::path& target, bool jpeg);

// cmd_print: the system print dialog, then the active document page by page. A cancelled dialog
// does nothing; a missing printer or a job that fails is reported by an exception.
void print_document(App& app);

// A white 32-bit top-down bitmap of the document laid out 1000 pixels wide, as the image export
// encodes it.
struct DocumentImage {
  Owned<HBITMAP, GdiTraits<HBITMAP>> bitmap;
  const uint32_t* pixels = nullptr;  // inside `bitmap`, width * height, 0x00RRGGBB
  int width = 0;
  int height = 0;
};
DocumentImage paint_document_image(App& app);

// A read-only RichEdit that is never shown, holding the document's light RTF at `points`, its
// tables `table_twips` wide.
UniqueWindow hidden_rendering(App& app, uint32_t points, uint32_t table_twips = kDefaultTableTwips);

// Spools the content of `edit` on the printer DC with the footer "<name>  |  <page>". Throws when
// the job cannot start or a page fails; the job is then aborted.
void print_rich_edit_pages(HDC printer, HWND edit, const std::wstring& name);

}  // namespace tavrel::win
