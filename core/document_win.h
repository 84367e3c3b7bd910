#pragma once
// One open document: a file or an untitled text, shown in its own editor window.
#include <windows.h>

#include <cstdint>
#include <string>

#include "core/text_codec.h"
#include "ui/caret_line.h"

namespace tavrel::win {

struct Document {
  std::wstring path;  // absolute, lexically normal; empty when untitled
  std::string text;   // UTF-8, LF line ends
  TextEncoding encoding = TextEncoding::Utf8;
  bool crlf = false;
  bool modified = false;
  std::string id;         // "{XXXXXXXX-...}" GUID text; names the recovery snapshot
  int64_t disk_time = 0;  // last write of the file, 100-ns units since 1601
  HWND editor = nullptr;
  // The editor a whole-text change replaced (kept hidden, for undo) or, after that undo, the one
  // a redo brings back; see ui/editor_swap_win.h.
  HWND swapped_editor = nullptr;
  bool swapped_is_undo = false;
  uint64_t revision = 0;
  CaretLineCounter caret_lines;  // the status bar's count of lines before the caret (a cache)
};

}  // namespace tavrel::win
