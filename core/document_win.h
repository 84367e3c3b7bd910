#pragma once
// One open document: a file or an untitled text, shown in its own editor window.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/text_codec.h"
#include "ui/caret_line.h"

namespace tavrel::win {

// An editor of a document's history of whole-text changes, kept hidden while another is shown;
// see ui/editor_swap_win.h.
struct KeptEditor {
  HWND window = nullptr;
  std::size_t undone = 0;  // its own undo steps taken since it last held its newest text
};

// The editors besides the shown one, in the order of the document's one history.
struct EditorHistory {
  std::vector<KeptEditor> older;  // the last is the one an undo brings back
  std::vector<KeptEditor> newer;  // the last is the one a redo brings back
  std::size_t undone = 0;         // the shown editor's, as in KeptEditor
  bool replaying = false;         // an undo or a redo of the shown editor is under way
};

struct Document {
  std::wstring path;  // absolute, lexically normal; empty when untitled
  std::string text;   // UTF-8, LF line ends
  TextEncoding encoding = TextEncoding::Utf8;
  bool crlf = false;
  bool modified = false;
  std::string id;         // "{XXXXXXXX-...}" GUID text; names the recovery snapshot
  int64_t disk_time = 0;  // last write of the file, 100-ns units since 1601
  HWND editor = nullptr;
  EditorHistory history;
  uint64_t revision = 0;
  CaretLineCounter caret_lines;  // the status bar's count of lines before the caret (a cache)
};

}  // namespace tavrel::win
