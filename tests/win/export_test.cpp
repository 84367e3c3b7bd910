// The Export submenu and printing from a hidden main window. Wine has no printer and its
// RichEdit stub of EM_FORMATRANGE paints nothing, so what is checked here is what Wine can show:
// every file format on disk, image dimensions and markers, and failures that reach the user.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/text_codec.h"
#include "render/docx_writer.h"
#include "render/markdown_model.h"
#include "tests/win/app_window_fixture_win.h"
#include "ui/export_win.h"
#include "ui/gdiplus_win.h"

namespace tavrel::test {
namespace {

namespace fs = std::filesystem;

class ExportTest : public AppWindowTest {
 protected:
  std::string export_to(int id, const std::string& name) {
    save_path_ = (files_ / name).native();
    app_->status_text.clear();
    app_->on_command(id);
    return read_bytes(files_ / name);
  }
};

TEST_F(ExportTest, WritesEveryFormat) {
  const std::string text = "# Title\n\nSome *emphasis* ![p](img/p.png)\n";
  fs::create_directories(files_ / "img");
  write_bytes(files_ / "img" / "p.png", "PNG!");
  write_bytes(files_ / "a.md", text);
  ASSERT_TRUE(app_->open_path(files_ / "a.md"));
  const std::string html = export_to(win::cmd_export_html, "o.html");
  EXPECT_TRUE(html.starts_with("<!doctype html>"));
  EXPECT_NE(html.find("![p](data:image/png;base64,UE5HIQ==)"), std::string::npos);
  export_to(win::cmd_export_text, "o.txt");
  EXPECT_EQ(win::read_text_file(files_ / "o.txt"), "Title\n\nSome emphasis \u25A7 p\n\n");
  // The package the validated writer builds, byte for byte.
  EXPECT_EQ(export_to(win::cmd_export_docx, "o.docx"), win::build_docx(win::render_markdown(text)));
  // Signature, then the IHDR chunk with the width 1000.
  EXPECT_EQ(export_to(win::cmd_export_png, "o.png").substr(0, 20),
            std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x03\xe8", 20));
  EXPECT_TRUE(export_to(win::cmd_export_jpeg, "o.jpg").starts_with("\xFF\xD8\xFF"));
  EXPECT_EQ(app_->status_text, L"Export complete");

  const std::wstring stem = (files_ / "a.").native();
  EXPECT_EQ(suggested_paths_,
            (std::vector<std::wstring>{stem + L"html", stem + L"txt", stem + L"docx", stem + L"png",
                                       stem + L"jpg"}));
}

TEST_F(ExportTest, ImageHeightFollowsTheLayout) {
  app_->dark = true;
  app_->apply_theme();
  add_document("one line");
  const win::DocumentImage small = win::paint_document_image(*app_);
  EXPECT_EQ(small.height, 160);
  // White margins whatever the theme. Wine's EM_FORMATRANGE is a stub (returns 0, paints
  // nothing), so the text itself cannot be seen here.
  EXPECT_EQ(small.pixels[0] & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(small.pixels[1000 * 160 - 1] & 0xFFFFFF, 0xFFFFFFu);

  std::string tall;
  for (int i = 0; i < 3000; ++i) tall += "line " + std::to_string(i) + "\n\n";
  add_document(tall);
  EXPECT_EQ(error_text([&] { win::paint_document_image(*app_); }),
            "Image export exceeds 30,000 pixels. Use PDF for this document.");
}

TEST_F(ExportTest, FailuresAreReported) {
  ASSERT_TRUE(win::ensure_gdiplus());
  EXPECT_EQ(error_text([] { win::find_encoder_clsid(L"image/PNG"); }), "Image encoder unavailable");
  add_document("text");
  save_path_.reset();  // a cancelled save dialog: nothing is written or announced
  app_->on_command(win::cmd_export_docx);
  EXPECT_EQ(suggested_paths_, std::vector<std::wstring>{L""});  // untitled: no name offered
  EXPECT_NE(app_->status_text, L"Export complete");
  // A device that cannot spool (a memory DC) stands for a printer whose job does not start.
  const win::UniqueWindow edit = win::hidden_rendering(*app_, 11);
  HDC memory = CreateCompatibleDC(nullptr);
  EXPECT_EQ(error_text([&] { win::print_rich_edit_pages(memory, edit.get(), L"x"); }),
            "Printing could not start");
  DeleteDC(memory);
  // Wine has no printer: the dialog fails, and that is said instead of nothing happening.
  const BoxWatcher boxes;  // answers the print dialog should one open after all
  EXPECT_EQ(error_text([&] { win::print_document(*app_); }), "No printer is installed");
  EXPECT_TRUE(boxes.boxes().empty());
}

}  // namespace
}  // namespace tavrel::test
