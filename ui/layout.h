#pragma once
// Placement of the main window's child controls, computed from the client size, the DPI and the
// view state alone, so the geometry can be checked without a window. The Win32 side reads the
// result and applies it in one deferred batch; the pane painting uses the same numbers.
#include <array>
#include <cstddef>
#include <optional>

namespace tavrel::win {

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

// MulDiv as Windows computes it: the exact product divided with rounding half away from zero,
// -1 for a zero divisor or a result that does not fit.
int mul_div(int value, int numerator, int denominator);

// A length designed at 96 DPI, at the given DPI.
int scale_for_dpi(int value, int dpi);

// View state that decides the layout. `web_host_exists` stands for "the web view state and its
// host window both exist".
struct LayoutInput {
  int width = 0;
  int height = 0;
  int dpi = 96;
  bool sidebar = true;
  bool outline = false;
  bool distraction_free = false;
  int view_mode = 1;
  int split_percent = 50;
  bool find_bar_visible = false;
  bool find_replace_mode = false;
  bool web_host_exists = false;
  bool web_preview = false;
};

// The windows in the order their moves are collected. The active document's editor stands for
// every editor: the others are only hidden, at the same point of the order.
enum class Pane : std::size_t {
  Toolbar,
  DocumentTabs,
  WorkspaceTree,
  OutlineList,
  FindEdit,
  ReplaceEdit,
  MatchCase,
  Regex,
  FindNext,
  ReplaceOne,
  ReplaceAll,
  CloseFind,
  ActiveEditor,
  Preview,
  WebHost,
  StatusBar,
};
inline constexpr std::size_t kPaneCount = static_cast<std::size_t>(Pane::StatusBar) + 1;

// Control id of a pane's window; 0 for the editor (one id per document) and the web view host.
int pane_control_id(Pane pane);

// Where one window goes. Without a rectangle the window keeps its current one and only its
// visibility follows `shown` (the find row while it is hidden).
struct PanePlacement {
  std::optional<Rect> rect;
  bool shown = false;
};

struct Layout {
  // Column and row edges of the document area, in client pixels.
  int left = 0;          // L: right edge of the sidebar column
  int right = 0;         // R: left edge of the outline column
  int top = 0;           // T: bottom of the toolbar and tab band
  int bottom = 0;        // B: top of the status bar
  int split = 0;         // S: the split line between editor and preview
  int panes_top = 0;     // Y: top of the editor and preview
  int editor_right = 0;  // E: right end of the editor column
  bool sidebar_shown = false;
  bool outline_shown = false;
  bool find_row_shown = false;
  bool web_visible = false;
  std::array<PanePlacement, kPaneCount> panes{};

  const PanePlacement& at(Pane pane) const { return panes[static_cast<std::size_t>(pane)]; }
  PanePlacement& at(Pane pane) { return panes[static_cast<std::size_t>(pane)]; }
};

Layout compute_layout(const LayoutInput& input);

// Splitter arithmetic. A press starts a drag only in the split view and closer than 8 pixels
// (at 96 DPI) to the split line; a drag position becomes the editor's share in percent.
inline constexpr int kMinSplitPercent = 25;
inline constexpr int kMaxSplitPercent = 75;
bool splitter_hit(const LayoutInput& input, int x);
int split_percent_at(const LayoutInput& input, int x);

// The formatting rectangle of a RichEdit with the given client rectangle: inset by `side` at left
// and right and by 8 at the top, and at the bottom too when `bottom` is set (lengths at 96 DPI).
Rect padded_text_rect(const Rect& client, int side, bool bottom, int dpi);

// Smallest outer size the main window may be dragged to.
struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};
Size minimum_window_size(int dpi);

// What one window needs so that it ends up at `target` with the wanted visibility, given where it
// is now; nothing when it already is there.
enum class VisibilityChange { None, Show, Hide };
struct WindowMove {
  bool move = false;    // the top-left corner changes
  bool resize = false;  // width or height changes
  VisibilityChange visibility = VisibilityChange::None;
};
std::optional<WindowMove> plan_window_move(const Rect& current, bool visible,
                                           const PanePlacement& target);

}  // namespace tavrel::win
