#pragma once
// The program's one writer of files, and loading and saving documents.
#include <windows.h>

#include <filesystem>
#include <string>

#include "core/document_win.h"

namespace tavrel::win {

std::wstring window_text(HWND window);

// Writes `bytes` as the whole new content of the file `target` finally names (links followed),
// through a temporary file beside it that then replaces it, keeping its attributes and security
// information. A read-only target is refused. On failure the target is untouched and no
// temporary file remains; after success, temporary files that killed saves left there are gone.
void write_file_atomic(const std::filesystem::path& target, const std::string& bytes);

// The same with a given temporary name: lets tests meet a name that already exists.
void write_file_atomic_via(const std::filesystem::path& target, const std::string& bytes,
                           const std::wstring& temp_name);

// Full path of a fresh temporary file beside `target`: a short name of its own, recording the
// process that writes it, whatever `target` is called.
std::wstring next_temp_name(const std::filesystem::path& target);

// Last-write time from the file system's own clock (100 ns), not a rounded copy of it.
int64_t file_write_time(const std::filesystem::path& path);

// Where an open handle finally leads ("\\?\C:\..."), links followed; empty when unknown.
std::wstring final_path(HANDLE file);

std::filesystem::path absolute_normal(const std::filesystem::path& path);

std::string encode_document_bytes(const Document& document);
Document load_document(const std::filesystem::path& path);
void write_document(Document& document, const std::filesystem::path& target, bool save_as);

// The full path of this program's executable (long paths included).
std::filesystem::path executable_path();

}  // namespace tavrel::win
