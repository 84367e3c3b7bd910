// Native printing of the active document. Unlike a silent spooler, every way a job can fail
// reaches the user: a print that never came out must not look like one that did.
#include <windows.h>
#include <objbase.h>  // PrintDlgEx needs the COM declarations
#include <commdlg.h>
#include <cderr.h>
#include <richedit.h>
#include <winspool.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "core/text_convert.h"
#include "render/rtf_writer.h"
#include "ui/export_win.h"
#include "web/web_host_win.h"

namespace tavrel::win {
namespace {

constexpr int kTwipsPerInch = 1440;
constexpr LONG kMarginTwips = 720;  // on every side of the page

// The width between the page's side margins, which the tables must not exceed.
uint32_t page_table_twips(HDC printer) {
  const int printable =
      MulDiv(GetDeviceCaps(printer, HORZRES), kTwipsPerInch, GetDeviceCaps(printer, LOGPIXELSX));
  return table_twips_for(printable - 2 * kMarginTwips);
}

// What the print dialog hands over; each part is freed whatever happens after it returns.
struct PrinterChoice {
  UniqueGlobal dev_mode;
  UniqueGlobal dev_names;
  UniqueDc dc;
};

// Nothing when the user cancels; throws when there is no printer or the dialog fails.
std::optional<PrinterChoice> choose_printer(HWND owner) {
  // Asked first: without a default printer the dialog warns and then still opens, and a job
  // that cannot be chosen must be reported by us, not left to that dialog's luck.
  DWORD needed = 0;
  if (!GetDefaultPrinterW(nullptr, &needed) && GetLastError() == ERROR_FILE_NOT_FOUND) {
    throw std::runtime_error("No printer is installed");
  }
  PRINTDLGEXW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE;
  dialog.nCopies = 1;
  dialog.nStartPage = START_PAGE_GENERAL;
  const HRESULT result = PrintDlgExW(&dialog);
  PrinterChoice choice{UniqueGlobal(dialog.hDevMode), UniqueGlobal(dialog.hDevNames),
                       UniqueDc(dialog.hDC)};
  if (FAILED(result)) {
    const DWORD error = CommDlgExtendedError();
    if (error == PDERR_NODEFAULTPRN || error == PDERR_NODEVICES) {
      throw std::runtime_error("No printer is installed");
    }
    throw std::runtime_error("Cannot open the print dialog (error " + std::to_string(error) + ")");
  }
  if (dialog.dwResultAction != PD_RESULT_PRINT) return std::nullopt;
  if (!choice.dc) throw std::runtime_error("The printer could not be opened");
  return choice;
}

// Ends the job as aborted unless it was finished.
class PrintJob {
 public:
  PrintJob(HDC dc, HWND edit) : dc_(dc), edit_(edit) {}
  ~PrintJob() {
    SendMessageW(edit_, EM_FORMATRANGE, FALSE, 0);
    if (!finished_) AbortDoc(dc_);
  }
  PrintJob(const PrintJob&) = delete;
  PrintJob& operator=(const PrintJob&) = delete;
  void finish() {
    SendMessageW(edit_, EM_FORMATRANGE, FALSE, 0);
    finished_ = EndDoc(dc_) > 0;
    if (!finished_) throw std::runtime_error("Printing failed: the job could not be completed");
  }

 private:
  HDC dc_;
  HWND edit_;
  bool finished_ = false;
};

}  // namespace

void print_rich_edit_pages(HDC printer, HWND edit, const std::wstring& name) {
  DOCINFOW info{};
  info.cbSize = sizeof(info);
  info.lpszDocName = name.c_str();
  if (StartDocW(printer, &info) <= 0) throw std::runtime_error("Printing could not start");
  PrintJob job(printer, edit);
  const int dpi_x = GetDeviceCaps(printer, LOGPIXELSX);
  const int dpi_y = GetDeviceCaps(printer, LOGPIXELSY);
  const int height = GetDeviceCaps(printer, VERTRES);
  FORMATRANGE range{};
  range.hdc = range.hdcTarget = printer;
  range.rcPage = {0, 0, MulDiv(GetDeviceCaps(printer, HORZRES), kTwipsPerInch, dpi_x),
                  MulDiv(height, kTwipsPerInch, dpi_y)};
  range.rc = {kMarginTwips, kMarginTwips, range.rcPage.right - kMarginTwips,
              range.rcPage.bottom - kMarginTwips};
  range.chrg = {0, -1};
  GETTEXTLENGTHEX query{GTL_NUMCHARS, 1200};
  const LRESULT total = SendMessageW(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0);
  for (int page = 1;; ++page) {
    const std::wstring failed = L"Printing failed on page " + std::to_wstring(page);
    if (StartPage(printer) <= 0) throw std::runtime_error(to_utf8(failed));
    const LONG next = static_cast<LONG>(
        SendMessageW(edit, EM_FORMATRANGE, TRUE, reinterpret_cast<LPARAM>(&range)));
    const std::wstring footer = name + L"  |  " + std::to_wstring(page);
    SetTextColor(printer, RGB(110, 120, 130));
    TextOutW(printer, MulDiv(kMarginTwips, dpi_x, kTwipsPerInch),
             height - MulDiv(400, dpi_y, kTwipsPerInch), footer.c_str(),
             static_cast<int>(footer.size()));
    if (EndPage(printer) <= 0) throw std::runtime_error(to_utf8(failed));
    if (next >= total) break;
    if (next <= range.chrg.cpMin) throw std::runtime_error(to_utf8(failed));  // no progress
    range.chrg.cpMin = next;
  }
  job.finish();
}

void print_document(App& app) {
  if (app.documents.empty() || web_print(app)) return;
  const std::optional<PrinterChoice> printer = choose_printer(app.main_window);
  if (!printer) return;
  const UniqueWindow edit = hidden_rendering(app, 11, page_table_twips(printer->dc.get()));
  const std::filesystem::path path = app.current_document()->path;
  print_rich_edit_pages(printer->dc.get(), edit.get(),
                        path.empty() ? L"Tavrel document" : path.filename().native());
}

}  // namespace tavrel::win
