#include "render/docx_writer_win.h"

#include "core/file_io_win.h"
#include "render/docx_writer.h"

namespace tavrel::win {

void write_docx(RenderedMarkdown const& doc, std::filesystem::path const& path) {
    write_file_atomic(path, build_docx(doc));
}

}  // namespace tavrel::win
