#pragma once
// What the main window paints between its child controls (backgrounds, the tab band, pane
// headers and 1-pixel rules) and the texts of the status bar, worked out without a window so
// that the Win32 side only carries the plan out.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/text_codec.h"
#include "render/text_stats.h"
#include "ui/layout.h"

namespace tavrel::win {

// An area filled with one palette colour (index into the palette).
struct PaneFill {
  Rect rect;
  std::size_t colour = 0;
  bool operator==(const PaneFill&) const = default;
};

// A header label, drawn in the bold interface font and the muted text colour.
struct PaneHeader {
  Rect rect;
  std::wstring text;
  bool operator==(const PaneHeader&) const = default;
};

// A 1-pixel line in the border colour from (x1, y1) to (x2, y2), the end point excluded as
// LineTo draws it.
struct PaneRule {
  int x1 = 0;
  int y1 = 0;
  int x2 = 0;
  int y2 = 0;
  bool operator==(const PaneRule&) const = default;
};

// Everything painted after the client area got the background colour, in painting order:
// fills, then headers, then rules.
struct PanePaintPlan {
  std::vector<PaneFill> fills;
  std::vector<PaneHeader> headers;
  std::vector<PaneRule> rules;
};

PanePaintPlan plan_pane_paint(const LayoutInput& input, bool vietnamese);

// The pane header labels.
enum class PaneLabel { Editor, VisualEditor, Preview, Workspace, Outline };
std::wstring pane_label(PaneLabel label, bool vietnamese);

// The status bar's left text: the message when there is one, else the statistics.
std::wstring status_left_text(const std::wstring& message, const TextStats& stats, bool vietnamese);

// Where the caret of the active editor is, in the editor's character positions.
struct StatusCaret {
  std::int64_t line = 0;             // 0-based line of the selection start
  std::int64_t selection_start = 0;  // character position
  std::int64_t line_start = 0;       // first character of that line
};

struct StatusDocument {
  StatusCaret caret;
  TextEncoding encoding = TextEncoding::Utf8;
  bool crlf = false;
};

struct KeyModeState {
  bool vim = false;
  bool vim_insert = true;
};

// The status bar's right text; nothing open gives the fixed "UTF-8    |    Markdown".
std::wstring status_right_text(const std::optional<StatusDocument>& document, KeyModeState keys,
                               bool vietnamese);

// Text and background of one workspace tree item, as palette indices. The control's own
// selection colours are the system's (under Wine a white bar behind the light text once the tree
// loses the focus); the selected item gets the selection fill of the menus instead, every other
// item the pane's own colours.
struct ItemColours {
  std::size_t text = 0;
  std::size_t background = 0;
  bool operator==(const ItemColours&) const = default;
};

ItemColours tree_item_colours(bool selected);

}  // namespace tavrel::win
