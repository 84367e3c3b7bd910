#include "render/docx_writer_win.h"

#include "core/file_io_win.h"
#include "render/docx_writer.h"

namespace tavrel::win {

void write_docx(const RenderedMarkdown& doc, const std::filesystem::path& path) {
  write_file_atomic(path, build_docx(doc));
}

}  // namespace tavrel::win
