#include "ui/pane_paint.h"

#include <string>

#include "ui/palette.h"

namespace tavrel::win {
namespace {

constexpr const wchar_t* kSeparator = L"    |    ";

void add_headers(const LayoutInput& in, const Layout& layout, bool vi, PanePaintPlan& plan) {
  const auto s = [&](int v) { return scale_for_dpi(v, in.dpi); };
  const int top = layout.top;
  const int right = layout.right;
  plan.headers.push_back(
      {Rect{layout.left + s(30), top, right, top + s(32)},
       pane_label(in.view_mode == 3 ? PaneLabel::VisualEditor : PaneLabel::Editor, vi)});
  if (in.view_mode == 1) {
    plan.headers.push_back(
        {Rect{layout.split + s(38), top, right, top + s(32)}, pane_label(PaneLabel::Preview, vi)});
  }
  if (in.sidebar) {
    plan.headers.push_back(
        {Rect{s(22), s(50), s(220), s(82)}, pane_label(PaneLabel::Workspace, vi)});
  }
  if (layout.outline_shown) {
    plan.headers.push_back(
        {Rect{right + s(20), s(50), in.width, s(82)}, pane_label(PaneLabel::Outline, vi)});
  }
}

void add_rules(const LayoutInput& in, const Layout& layout, PanePaintPlan& plan) {
  const auto s = [&](int v) { return scale_for_dpi(v, in.dpi); };
  const int W = in.width;
  const int H = in.height;
  const auto horizontal = [&](int y) { plan.rules.push_back({0, y, W, y}); };
  if (!in.distraction_free) {
    horizontal(s(8) - 1);
    horizontal(s(48));
    if (in.sidebar) plan.rules.push_back({layout.left - 1, s(50), layout.left - 1, H - s(30)});
  }
  if (in.view_mode == 1)
    plan.rules.push_back({layout.split, layout.top + s(12), layout.split, H - s(42)});
  horizontal(H - s(31));
}

}  // namespace

PanePaintPlan plan_pane_paint(const LayoutInput& in, bool vi) {
  const auto s = [&](int v) { return scale_for_dpi(v, in.dpi); };
  const Layout layout = compute_layout(in);
  PanePaintPlan plan;
  plan.fills.push_back(
      {Rect{layout.left, layout.top, layout.right, in.height - s(30)}, palette_surface});
  if (!in.distraction_free) {
    plan.fills.push_back({Rect{layout.left, s(50), layout.right, layout.top}, palette_pane});
    add_headers(in, layout, vi, plan);
  }
  add_rules(in, layout, plan);
  return plan;
}

std::wstring pane_label(PaneLabel label, bool vi) {
  switch (label) {
    case PaneLabel::Editor:
      return L"MARKDOWN";
    case PaneLabel::VisualEditor:
      return vi ? L"BIÊN TẬP TRỰC QUAN" : L"VISUAL EDITOR";
    case PaneLabel::Preview:
      return vi ? L"XEM TRƯỚC" : L"PREVIEW";
    case PaneLabel::Workspace:
      return vi ? L"THƯ MỤC" : L"WORKSPACE";
    case PaneLabel::Outline:
      return vi ? L"TRONG TÀI LIỆU" : L"ON THIS PAGE";
  }
  return {};
}

std::wstring status_left_text(const std::wstring& message, const TextStats& stats, bool vi) {
  if (!message.empty()) return message;
  return std::to_wstring(stats.words) + (vi ? L" từ   |   " : L" words   |   ") +
         std::to_wstring(stats.characters) + (vi ? L" ký tự   |   " : L" characters   |   ") +
         std::to_wstring(stats.paragraphs) + (vi ? L" đoạn   |   " : L" paragraphs   |   ") +
         std::to_wstring(stats.reading_minutes) + (vi ? L" phút đọc" : L" min read");
}

std::wstring status_right_text(const std::optional<StatusDocument>& document, KeyModeState keys,
                               bool vi) {
  if (!document) return L"UTF-8    |    Markdown";
  std::wstring text;
  if (keys.vim) text = keys.vim_insert ? L"INSERT    |    " : L"NORMAL    |    ";
  const StatusCaret& caret = document->caret;
  text += (vi ? L"Dòng " : L"Ln ") + std::to_wstring(caret.line + 1) + L", " +
          std::to_wstring(caret.selection_start - caret.line_start + 1);
  const char* encoding = encoding_label(document->encoding);  // ASCII
  text += kSeparator + std::wstring(encoding, encoding + std::char_traits<char>::length(encoding));
  text += kSeparator + std::wstring(document->crlf ? L"CRLF" : L"LF");
  return text;
}

ItemColours tree_item_colours(bool selected) {
  return {palette_text, selected ? palette_accent_fill : palette_background};
}

}  // namespace tavrel::win
