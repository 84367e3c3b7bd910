#pragma once
// Writing a DOCX export to disk (Win64 build: the atomic writer is Win32).
#include <filesystem>

#include "render/markdown_model.h"

namespace tavrel::win {

// Builds the package in memory and writes it in one atomic replace, so a failed export leaves
// an existing file at `path` unchanged. Failures of the write propagate unchanged.
void write_docx(const RenderedMarkdown& doc, const std::filesystem::path& path);

}  // namespace tavrel::win
