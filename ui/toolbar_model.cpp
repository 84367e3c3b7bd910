#include "ui/toolbar_model.h"

#include <array>

namespace tavrel::win {

namespace {

constexpr std::array<ToolbarEntry, 21> kEntries{{
    {100, 34, false, "New (Ctrl+N)", "Tạo mới (Ctrl+N)", "", ""},
    {101, 70, false, "Open (Ctrl+O)", "Mở (Ctrl+O)", "Open", "Mở"},
    {102, 70, false, "Save (Ctrl+S)", "Lưu (Ctrl+S)", "Save", "Lưu"},
    {0, 12, false, "", "", "", ""},
    {117, 34, false, "Bold (Ctrl+B)", "Chữ đậm (Ctrl+B)", "", ""},
    {118, 34, false, "Italic (Ctrl+I)", "Chữ nghiêng (Ctrl+I)", "", ""},
    {119, 34, false, "Underline (Ctrl+U)", "Gạch chân (Ctrl+U)", "", ""},
    {120, 34, false, "Strikethrough", "Gạch ngang", "", ""},
    {128, 34, false, "Text color", "Màu chữ", "", ""},
    {0, 12, false, "", "", "", ""},
    {121, 34, false, "Heading", "Tiêu đề", "", ""},
    {125, 34, false, "Quote", "Trích dẫn", "", ""},
    {124, 34, false, "Code block", "Khối mã", "", ""},
    {122, 34, false, "Link (Ctrl+K)", "Liên kết (Ctrl+K)", "", ""},
    {123, 34, false, "Image", "Hình ảnh", "", ""},
    {126, 34, false, "Task list", "Danh sách công việc", "", ""},
    {127, 34, false, "Table", "Bảng", "", ""},
    {0, 12, false, "", "", "", ""},
    {131, 104, false, "Split view (Ctrl+\\)", "Chia đôi (Ctrl+\\)", "Split", "Chia đôi"},
    {0, 1, true, "", "", "", ""},
    {136, 34, false, "File tree (Ctrl+Shift+E)", "Cây thư mục (Ctrl+Shift+E)", "", ""},
}};

// One stroke of the design grid, by the command whose picture it belongs to: L line (x0 y0 x1
// y1), R rectangle and E ellipse (left top width height), C cubic Bezier (four points), W pen
// width (v[0]), A accent pen.
struct Stroke {
  int id;
  char kind;
  std::array<float, 8> v;
};

constexpr Stroke kStrokes[] = {
    {100, 'L', {4, 3, 11, 3}},
    {100, 'L', {11, 3, 16, 8}},
    {100, 'L', {16, 8, 16, 17}},
    {100, 'L', {16, 17, 4, 17}},
    {100, 'L', {4, 17, 4, 3}},
    {100, 'L', {11, 3, 11, 8}},
    {100, 'L', {11, 8, 16, 8}},
    {100, 'L', {7, 12, 13, 12}},
    {100, 'L', {10, 9, 10, 15}},
    {101, 'L', {2, 7, 2, 4}},
    {101, 'L', {2, 4, 7, 4}},
    {101, 'L', {7, 4, 9, 6}},
    {101, 'L', {9, 6, 17, 6}},
    {101, 'L', {17, 6, 17, 9}},
    {101, 'L', {2, 9, 18, 9}},
    {101, 'L', {18, 9, 15, 16}},
    {101, 'L', {15, 16, 3, 16}},
    {101, 'L', {3, 16, 2, 9}},
    {102, 'L', {3, 3, 14, 3}},
    {102, 'L', {14, 3, 17, 6}},
    {102, 'L', {17, 6, 17, 17}},
    {102, 'L', {17, 17, 3, 17}},
    {102, 'L', {3, 17, 3, 3}},
    {102, 'R', {6, 3, 7, 5}},
    {102, 'R', {6, 12, 8, 5}},
    {117, 'W', {2.3f}},
    {117, 'L', {6, 3, 6, 17}},
    {117, 'C', {6, 3, 17, 1, 17, 11, 6, 10}},
    {117, 'C', {6, 10, 18, 8, 18, 19, 6, 17}},
    {118, 'L', {9, 3, 16, 3}},
    {118, 'L', {4, 17, 11, 17}},
    {118, 'L', {12.5f, 3, 7.5f, 17}},
    {119, 'L', {5, 3, 5, 10}},
    {119, 'C', {5, 10, 5, 17, 15, 17, 15, 10}},
    {119, 'L', {15, 10, 15, 3}},
    {119, 'L', {4, 18, 16, 18}},
    {120, 'C', {15, 5, 12, 1, 4, 2, 5, 7}},
    {120, 'C', {5, 7, 6, 11, 16, 9, 15, 14}},
    {120, 'C', {15, 14, 15, 18, 6, 19, 4, 15}},
    {120, 'L', {2, 10, 18, 10}},
    {121, 'L', {3, 4, 3, 16}},
    {121, 'L', {11, 4, 11, 16}},
    {121, 'L', {3, 10, 11, 10}},
    {121, 'L', {15, 11, 17, 9}},
    {121, 'L', {17, 9, 17, 17}},
    {122, 'C', {8, 7, 15, -2, 22, 5, 13, 12}},
    {122, 'C', {12, 13, 5, 22, -2, 15, 7, 8}},
    {122, 'L', {7, 13, 13, 7}},
    {123, 'R', {2, 3, 16, 14}},
    {123, 'E', {5, 6, 2, 2}},
    {123, 'L', {3, 16, 8, 11}},
    {123, 'L', {8, 11, 11, 14}},
    {123, 'L', {11, 14, 14, 10}},
    {123, 'L', {14, 10, 17, 13}},
    {124, 'L', {6, 5, 2, 10}},
    {124, 'L', {2, 10, 6, 15}},
    {124, 'L', {14, 5, 18, 10}},
    {124, 'L', {18, 10, 14, 15}},
    {124, 'L', {12, 3, 8, 17}},
    {125, 'R', {3, 4, 5, 6}},
    {125, 'C', {8, 10, 8, 13, 6, 15, 3, 16}},
    {125, 'R', {12, 4, 5, 6}},
    {125, 'C', {17, 10, 17, 13, 15, 15, 12, 16}},
    {126, 'R', {2, 3, 6, 6}},
    {126, 'L', {3, 6, 5, 8}},
    {126, 'L', {5, 8, 9, 3}},
    {126, 'R', {2, 13, 6, 5}},
    {126, 'L', {12, 6, 18, 6}},
    {126, 'L', {12, 15, 18, 15}},
    {127, 'R', {2, 3, 16, 14}},
    {127, 'L', {2, 8, 18, 8}},
    {127, 'L', {2, 12, 18, 12}},
    {127, 'L', {7, 8, 7, 17}},
    {127, 'L', {13, 8, 13, 17}},
    {128, 'L', {5, 14, 10, 3}},
    {128, 'L', {10, 3, 15, 14}},
    {128, 'L', {7, 10, 13, 10}},
    {128, 'A', {}},
    {128, 'W', {2.8f}},
    {128, 'L', {3, 18, 17, 18}},
    {131, 'R', {2, 3, 16, 14}},
    {131, 'L', {10, 3, 10, 17}},
    {136, 'L', {3, 3, 3, 15}},
    {136, 'L', {3, 5, 9, 5}},
    {136, 'L', {3, 15, 9, 15}},
    {136, 'R', {9, 2, 8, 6}},
    {136, 'R', {9, 12, 8, 6}},
};

void draw_stroke(IconCanvas& canvas, const Stroke& s) {
  const auto& v = s.v;
  switch (s.kind) {
    case 'L':
      canvas.line({v[0], v[1]}, {v[2], v[3]});
      break;
    case 'R':
      canvas.rect(v[0], v[1], v[2], v[3]);
      break;
    case 'E':
      canvas.ellipse(v[0], v[1], v[2], v[3]);
      break;
    case 'C':
      canvas.curve({v[0], v[1]}, {v[2], v[3]}, {v[4], v[5]}, {v[6], v[7]});
      break;
    case 'W':
      canvas.pen_width(v[0]);
      break;
    default:
      canvas.pen_accent();
      break;
  }
}

}  // namespace

std::span<const ToolbarEntry> toolbar_entries() { return kEntries; }

const ToolbarEntry* find_toolbar_entry(int command_id) {
  if (command_id == 0) return nullptr;
  for (const ToolbarEntry& entry : kEntries) {
    if (entry.command_id == command_id) return &entry;
  }
  return nullptr;
}

int toolbar_entry_width(const ToolbarEntry& entry, int dpi) {
  if (entry.one_pixel) return 1;
  // MulDiv rounds to nearest; the widths and DPIs are small and positive.
  return (entry.width_dip * dpi + 48) / 96;
}

std::string_view toolbar_tooltip(int command_id, bool vietnamese) {
  const ToolbarEntry* entry = find_toolbar_entry(command_id);
  if (entry == nullptr) return {};
  return vietnamese ? entry->tooltip_vi : entry->tooltip_en;
}

std::string_view toolbar_label(int command_id, bool vietnamese) {
  const ToolbarEntry* entry = find_toolbar_entry(command_id);
  if (entry == nullptr) return {};
  return vietnamese ? entry->label_vi : entry->label_en;
}

void draw_icon_strokes(IconCanvas& canvas, int command_id) {
  for (const Stroke& stroke : kStrokes) {
    if (stroke.id == command_id) draw_stroke(canvas, stroke);
  }
}

}  // namespace tavrel::win
