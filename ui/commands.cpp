#include "ui/commands.h"

#include <algorithm>
#include <initializer_list>
#include <system_error>

#include "core/fs_error.h"

namespace tavrel::win {
namespace {

constexpr CommandInfo kCommands[] = {
    {100, "cmd_new", L"New\tCtrl+N", L"Tạo mới\tCtrl+N"},
    {101, "cmd_open", L"Open...\tCtrl+O", L"Mở tài liệu...\tCtrl+O"},
    {102, "cmd_save", L"Save\tCtrl+S", L"Lưu\tCtrl+S"},
    {103, "cmd_save_as", L"Save as...\tCtrl+Shift+S", L"Lưu thành...\tCtrl+Shift+S"},
    {104, "cmd_close_tab", L"Close tab\tCtrl+W", L"Đóng tab\tCtrl+W"},
    {105, "cmd_open_folder", L"Open folder...", L"Mở thư mục..."},
    {106, "cmd_exit", L"Exit\tAlt+F4", L"Thoát\tAlt+F4"},
    {107, "cmd_undo", L"Undo\tCtrl+Z", L"Hoàn tác\tCtrl+Z"},
    {108, "cmd_redo", L"Redo\tCtrl+Y", L"Làm lại\tCtrl+Y"},
    {109, "cmd_cut", L"Cut\tCtrl+X", L"Cắt\tCtrl+X"},
    {110, "cmd_copy", L"Copy\tCtrl+C", L"Sao chép\tCtrl+C"},
    {111, "cmd_paste", L"Paste\tCtrl+V", L"Dán\tCtrl+V"},
    {112, "cmd_select_all", L"Select all\tCtrl+A", L"Chọn tất cả\tCtrl+A"},
    {113, "cmd_find", L"Find...\tCtrl+F", L"Tìm...\tCtrl+F"},
    {114, "cmd_replace", L"Replace...\tCtrl+H", L"Thay thế...\tCtrl+H"},
    {115, "cmd_quick_open", L"Quick open...\tCtrl+P", L"Tìm nhanh tài liệu...\tCtrl+P"},
    {116, "cmd_recent_pinned", L"Recent & pinned...\tCtrl+Shift+O",
     L"Gần đây & đã ghim...\tCtrl+Shift+O"},
    {117, "cmd_bold", L"Bold\tCtrl+B", L"Chữ đậm\tCtrl+B"},
    {118, "cmd_italic", L"Italic\tCtrl+I", L"Chữ nghiêng\tCtrl+I"},
    {119, "cmd_underline", L"Underline\tCtrl+U", L"Gạch chân\tCtrl+U"},
    {120, "cmd_strikethrough", L"Strikethrough", L"Gạch ngang"},
    {121, "cmd_heading", L"Heading", L"Tiêu đề"},
    {122, "cmd_link", L"Link\tCtrl+K", L"Liên kết\tCtrl+K"},
    {123, "cmd_image", L"Image...", L"Hình ảnh..."},
    {124, "cmd_code_block", L"Code block", L"Khối mã"},
    {125, "cmd_quote", L"Quote", L"Trích dẫn"},
    {126, "cmd_task_list", L"Task list", L"Danh sách công việc"},
    {127, "cmd_table", L"Table", L"Bảng"},
    {128, "cmd_text_color", L"Text color...", L"Màu chữ..."},
    {129, "cmd_emoji", L"Emoji...", L"Biểu tượng cảm xúc..."},
    {130, "cmd_table_of_contents", L"Table of contents", L"Mục lục"},
    {131, "cmd_split_view", L"Split view\tCtrl+\\", L"Chia đôi\tCtrl+\\"},
    {132, "cmd_editor_view", L"Editor", L"Soạn thảo"},
    {134, "cmd_visual_editor", L"Visual editor\tCtrl+E", L"Biên tập trực quan\tCtrl+E"},
    {135, "cmd_distraction_free", L"Distraction-free\tF11", L"Tập trung\tF11"},
    {136, "cmd_workspace_sidebar", L"Workspace sidebar\tCtrl+Shift+E",
     L"Cây thư mục\tCtrl+Shift+E"},
    {137, "cmd_outline", L"Outline\tCtrl+Alt+O", L"Dàn ý\tCtrl+Alt+O"},
    {138, "cmd_typewriter", L"Typewriter\tCtrl+Alt+F", L"Dòng gõ ở giữa\tCtrl+Alt+F"},
    {139, "cmd_word_wrap", L"Word wrap", L"Tự ngắt dòng"},
    {140, "cmd_zoom_in", L"Zoom in\tCtrl++", L"Phóng to\tCtrl++"},
    {141, "cmd_zoom_out", L"Zoom out\tCtrl+-", L"Thu nhỏ\tCtrl+-"},
    {142, "cmd_reset_zoom", L"Reset zoom\tCtrl+0", L"Cỡ chữ mặc định\tCtrl+0"},
    {143, "cmd_sync_scroll", L"Synchronized scrolling", L"Đồng bộ cuộn"},
    {144, "cmd_theme_system", L"Follow Windows", L"Theo Windows"},
    {145, "cmd_theme_light", L"Light", L"Sáng"},
    {146, "cmd_theme_dark", L"Dark", L"Tối"},
    {151, "cmd_language_english", L"English", L"English"},
    {152, "cmd_language_vietnamese", L"Tiếng Việt", L"Tiếng Việt"},
    {153, "cmd_auto_save", L"Auto-save", L"Tự động lưu"},
    {154, "cmd_settings", L"Settings...", L"Cài đặt..."},
    {155, "cmd_export_html", L"Standalone HTML...", L"HTML độc lập..."},
    {156, "cmd_export_text", L"Plain text...", L"Văn bản thuần..."},
    {157, "cmd_export_docx", L"Word document (.docx)...", L"Tài liệu Word (.docx)..."},
    {158, "cmd_export_png", L"PNG image...", L"Hình ảnh PNG..."},
    {159, "cmd_export_jpeg", L"JPEG image...", L"Hình ảnh JPEG..."},
    {160, "cmd_print", L"Print / Save as PDF...\tCtrl+Shift+P", L"In / Lưu PDF...\tCtrl+Shift+P"},
    {161, "cmd_associate_md_files", L"Open .md files with Tavrel...",
     L"Mở file .md bằng Tavrel..."},
    {163, "cmd_licenses", L"Licenses...", L"Giấy phép..."},
    {164, "cmd_about", L"About Tavrel...", L"Giới thiệu Tavrel..."},
    {165, "cmd_open_home_page", nullptr, nullptr},
    {166, "cmd_pin_document", L"Pin this document", L"Ghim tài liệu này"},
    {167, "cmd_document_history", L"Document history...", L"Lịch sử tài liệu..."},
    {168, "cmd_advanced_preview", L"Advanced preview\tF8", L"Preview nâng cao\tF8"},
    {169, "cmd_edit_export_css", L"Edit export CSS...", L"Sửa CSS xuất HTML..."},
    {170, "cmd_keyboard_shortcuts", L"Keyboard shortcuts...", L"Phím tắt..."},
    {171, "cmd_vim_navigation", L"Vim navigation", L"Điều hướng Vim"},
    {172, "cmd_emacs_navigation", L"Emacs navigation", L"Điều hướng Emacs"},
    {173, "cmd_check_updates", L"Check for updates...", L"Kiểm tra cập nhật..."},
};

// The popups' own labels: English, then Vietnamese.
struct Title {
  const wchar_t* english;
  const wchar_t* vietnamese;
  const wchar_t* in(bool vietnamese_ui) const { return vietnamese_ui ? vietnamese : english; }
};
constexpr Title kFileTitle{L"File", L"Tệp"};
constexpr Title kEditTitle{L"Edit", L"Sửa"};
constexpr Title kFormatTitle{L"Format", L"Định dạng"};
constexpr Title kViewTitle{L"View", L"Hiển thị"};
constexpr Title kToolsTitle{L"Tools", L"Công cụ"};
constexpr Title kHelpTitle{L"Help", L"Trợ giúp"};
constexpr Title kExportTitle{L"Export", L"Xuất tài liệu"};
constexpr Title kAppearanceTitle{L"Appearance", L"Giao diện"};
constexpr Title kLanguageTitle{L"Language", L"Ngôn ngữ"};

// In the id lists below, 0 stands for a separator.
constexpr int kSeparator = 0;

MenuNode popup(const Title& title, bool top_level, bool vietnamese,
               std::vector<MenuNode> children) {
  MenuNode node;
  node.item.text = title.in(vietnamese);
  node.item.top_level = top_level;
  node.children = std::move(children);
  return node;
}

void append_entries(std::vector<MenuNode>& nodes, std::initializer_list<int> ids, bool vietnamese) {
  for (const int id : ids) {
    MenuNode node;
    if (id == kSeparator) {
      node.item.separator = true;
    } else {
      node.item.text = menu_text(id, vietnamese);
      node.item.id = static_cast<std::uint32_t>(id);
    }
    nodes.push_back(std::move(node));
  }
}

std::vector<MenuNode> entries(std::initializer_list<int> ids, bool vietnamese) {
  std::vector<MenuNode> nodes;
  append_entries(nodes, ids, vietnamese);
  return nodes;
}

MenuNode file_menu(bool vi) {
  auto children =
      entries({100, 101, 105, 115, 116, kSeparator, 102, 103, 153, 166, 167, kSeparator}, vi);
  children.push_back(popup(kExportTitle, false, vi, entries({155, 157, 156, 158, 159, 160}, vi)));
  append_entries(children, {kSeparator, 104, 106}, vi);
  return popup(kFileTitle, true, vi, std::move(children));
}

MenuNode view_menu(bool vi) {
  auto children = entries(
      {131, 132, 134, 168, kSeparator, 136, 137, 143, 139, 138, 135, kSeparator, 140, 141, 142},
      vi);
  children.push_back(popup(kAppearanceTitle, false, vi, entries({144, 145, 146}, vi)));
  children.push_back(popup(kLanguageTitle, false, vi, entries({151, 152}, vi)));
  return popup(kViewTitle, true, vi, std::move(children));
}

void collect_commands(const std::vector<MenuNode>& nodes, std::vector<int>& ids) {
  for (const MenuNode& node : nodes) {
    if (node.is_popup()) {
      collect_commands(node.children, ids);
    } else if (!node.item.separator && node.item.id != 0) {
      ids.push_back(static_cast<int>(node.item.id));
    }
  }
}

void toggle(bool& flag) { flag = !flag; }

}  // namespace

std::span<const CommandInfo> command_table() { return kCommands; }

const CommandInfo* find_command(int id) {
  const auto it =
      std::lower_bound(std::begin(kCommands), std::end(kCommands), id,
                       [](const CommandInfo& info, int wanted) { return info.id < wanted; });
  return it != std::end(kCommands) && it->id == id ? &*it : nullptr;
}

std::wstring menu_text(int id, bool vietnamese) {
  const CommandInfo* info = find_command(id);
  if (info == nullptr) return {};
  const wchar_t* text = vietnamese ? info->vietnamese : info->english;
  return text != nullptr ? std::wstring(text) : std::wstring();
}

MenuTextParts split_menu_text(std::wstring_view text) {
  const size_t tab = text.find(L'\t');
  if (tab == std::wstring_view::npos) return {std::wstring(text), {}};
  return {std::wstring(text.substr(0, tab)), std::wstring(text.substr(tab + 1))};
}

std::wstring double_ampersands(std::wstring_view text) {
  std::wstring result;
  result.reserve(text.size() + 2);
  for (const wchar_t c : text) {
    result.push_back(c);
    if (c == L'&') result.push_back(L'&');
  }
  return result;
}

std::vector<MenuNode> menu_bar(bool vi) {
  std::vector<MenuNode> bar;
  bar.push_back(file_menu(vi));
  bar.push_back(
      popup(kEditTitle, true, vi,
            entries({107, 108, kSeparator, 109, 110, 111, 112, kSeparator, 113, 114}, vi)));
  bar.push_back(
      popup(kFormatTitle, true, vi,
            entries({117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127, 128, 129, 130}, vi)));
  bar.push_back(view_menu(vi));
  bar.push_back(popup(kToolsTitle, true, vi, entries({154, 161, 169, 170, 171, 172}, vi)));
  bar.push_back(popup(kHelpTitle, true, vi, entries({173, kSeparator, 163, 164}, vi)));
  return bar;
}

std::vector<int> menu_commands_in_order() {
  std::vector<int> ids;
  collect_commands(menu_bar(false), ids);
  return ids;
}

std::vector<MenuCheck> menu_checks(const CommandState& s) {
  std::vector<MenuCheck> checks{
      {cmd_auto_save, s.auto_save},
      {cmd_workspace_sidebar, s.sidebar},
      {cmd_outline, s.outline},
      {cmd_sync_scroll, s.sync_scroll},
      {cmd_word_wrap, s.word_wrap},
      {cmd_typewriter, s.typewriter},
      {cmd_vim_navigation, s.vim},
      {cmd_emacs_navigation, s.emacs},
      {cmd_split_view, s.view_mode == 1},
      {cmd_editor_view, s.view_mode == 0},
      {cmd_visual_editor, s.view_mode == 3},
      {cmd_advanced_preview, s.web_preview},
      {cmd_language_english, !s.vietnamese},
      {cmd_language_vietnamese, s.vietnamese},
  };
  for (int id = cmd_theme_system; id <= cmd_theme_dark; ++id) {
    checks.push_back({id, id == cmd_theme_system + s.theme});
  }
  return checks;
}

std::array<MenuCheck, 2> toolbar_checks(const CommandState& s) {
  return {MenuCheck{cmd_split_view, s.view_mode == 1}, MenuCheck{cmd_workspace_sidebar, s.sidebar}};
}

std::optional<StateEffects> apply_state_command(int id, CommandState& s) {
  StateEffects effects;
  switch (id) {
    case cmd_split_view:
      s.view_mode = s.view_mode == 1 ? 0 : 1;
      break;
    case cmd_editor_view:
      s.view_mode = 0;
      break;
    case cmd_visual_editor:
      if (s.view_mode == 3) {
        s.view_mode = 0;
        s.web_preview = false;
        effects.web_stop = true;
        effects.apply_theme = true;
      } else {
        s.view_mode = 3;
        s.web_preview = true;
        effects.web_start = true;
      }
      break;
    case cmd_workspace_sidebar:
      toggle(s.sidebar);
      break;
    case cmd_outline:
      toggle(s.outline);
      break;
    case cmd_typewriter:
      toggle(s.typewriter);
      effects.apply_typewriter = true;
      break;
    case cmd_word_wrap:
      toggle(s.word_wrap);
      effects.set_word_wrap = true;
      break;
    case cmd_zoom_in:
    case cmd_zoom_out:
    case cmd_reset_zoom:
      s.font_size = id == cmd_zoom_in    ? std::min(s.font_size + 1, kMaxFontSize)
                    : id == cmd_zoom_out ? std::max(s.font_size - 1, kMinFontSize)
                                         : kDefaultFontSize;
      effects.apply_theme = true;
      break;
    case cmd_sync_scroll:
      toggle(s.sync_scroll);
      break;
    case cmd_theme_system:
    case cmd_theme_light:
    case cmd_theme_dark:
      s.theme = id - cmd_theme_system;
      effects.apply_theme = true;
      break;
    case cmd_language_english:
    case cmd_language_vietnamese:
      s.vietnamese = id == cmd_language_vietnamese;
      effects.relabel_documents = true;
      break;
    case cmd_auto_save:
      toggle(s.auto_save);
      break;
    case cmd_advanced_preview:
      toggle(s.web_preview);
      effects.web_start = s.web_preview;
      effects.web_stop = !s.web_preview;
      break;
    case cmd_vim_navigation:
      // Switching Vim on starts in the normal state; switching it off leaves typing possible.
      s.vim_insert = s.vim;
      toggle(s.vim);
      s.emacs = false;
      break;
    case cmd_emacs_navigation:
      toggle(s.emacs);
      s.vim = false;
      break;
    default:
      return std::nullopt;
  }
  return effects;
}

int word_wrap_line_width(bool wrap) { return wrap ? 0 : 1; }

Dispatch dispatch_kind(int id, bool has_document) {
  if (id >= 147 && id <= 150) return Dispatch::Ignore;
  if (!has_document && id != cmd_new && id != cmd_open) return Dispatch::Ignore;
  if (id == cmd_exit || id == cmd_find || id == cmd_replace) return Dispatch::ActionOnly;
  return Dispatch::ActionThenTail;
}

bool is_visual_editor_command(int id) {
  switch (id) {
    case cmd_undo:
    case cmd_redo:
    case cmd_bold:
    case cmd_italic:
    case cmd_strikethrough:
    case cmd_heading:
    case cmd_code_block:
    case cmd_quote:
    case cmd_task_list:
    case cmd_table:
      return true;
    default:
      return false;
  }
}

bool is_layout_toggle(int id) {
  return id == cmd_split_view || id == cmd_editor_view || id == cmd_workspace_sidebar ||
         id == cmd_outline;
}

FollowUp follow_up_plan(int id, const FollowUpContext& context) {
  FollowUp plan;
  const bool language = id == cmd_language_english || id == cmd_language_vietnamese;
  const bool theme = id >= cmd_theme_system && id <= cmd_theme_dark;
  plan.rebuild_toolbar = language;
  // Without a menu bar (distraction-free) the menu is built in the new language and theme when
  // the mode is left.
  plan.rebuild_menu = !context.distraction_free && (language || theme);
  const bool layout_toggle = is_layout_toggle(id);
  plan.save_settings_later = layout_toggle;
  plan.save_settings_now = !layout_toggle;
  plan.send_web_document = context.web_preview && (!layout_toggle || context.view_before == 3);
  if (id == cmd_split_view || id == cmd_editor_view) {
    plan.request_render =
        context.view_before == 3 || (context.large_document && context.view_after == 1);
  }
  return plan;
}

std::optional<FormatAction> format_action(int id, bool vi) {
  using Kind = FormatAction::Kind;
  switch (id) {
    case cmd_bold:
      return FormatAction{Kind::Wrap, L"**", L"**", vi ? L"chữ đậm" : L"bold text"};
    case cmd_italic:
      return FormatAction{Kind::Wrap, L"*", L"*", vi ? L"chữ nghiêng" : L"italic text"};
    case cmd_underline:
      return FormatAction{Kind::Wrap, L"<u>", L"</u>", vi ? L"gạch chân" : L"underlined text"};
    case cmd_strikethrough:
      return FormatAction{Kind::Wrap, L"~~", L"~~", vi ? L"nội dung" : L"text"};
    case cmd_heading:
      return FormatAction{Kind::PrefixLines, L"## ", L"", L""};
    case cmd_link:
      return FormatAction{Kind::Wrap, L"[", L"](https://)", vi ? L"liên kết" : L"link text"};
    case cmd_code_block:
      return FormatAction{Kind::Wrap, L"\r\n```\r\n", L"\r\n```\r\n", L"code"};
    case cmd_quote:
      return FormatAction{Kind::PrefixLines, L"> ", L"", L""};
    case cmd_task_list:
      return FormatAction{Kind::PrefixLines, L"- [ ] ", L"", L""};
    case cmd_table:
      return FormatAction{Kind::Wrap, L"\r\n| ",
                          L" | Value |\r\n| --- | --- |\r\n| Item | Description |\r\n", L"Name"};
    case cmd_table_of_contents:
      return FormatAction{Kind::Wrap, L"\r\n[TOC]\r\n", L"", L""};
    default:
      return std::nullopt;
  }
}

FormatAction text_colour_action(Colour colour, bool vi) {
  return FormatAction{FormatAction::Kind::Wrap,
                      L"<span style=\"color:" + colour_hex(colour) + L"\">", L"</span>",
                      vi ? L"nội dung" : L"text"};
}

bool toggle_pin(nlohmann::json& settings, const std::string& path_utf8) {
  std::vector<std::string> pins;
  if (const auto it = settings.find("pins"); it != settings.end()) {
    pins = it->get<std::vector<std::string>>();
  }
  const bool was_pinned = std::erase(pins, path_utf8) > 0;
  if (!was_pinned) pins.push_back(path_utf8);
  settings["pins"] = pins;
  return !was_pinned;
}

std::wstring pins_updated_status(bool vietnamese) {
  return vietnamese ? L"Đã cập nhật tài liệu ghim" : L"Pinned documents updated";
}

std::filesystem::path custom_css_path(const std::filesystem::path& profile_dir) {
  return profile_dir / L"custom.css";
}

bool custom_css_missing(const std::filesystem::path& path) {
  std::error_code error;
  const bool present = std::filesystem::exists(path, error);
  if (error) throw_fs_error("exists", path, error);
  return !present;
}

std::uint32_t distraction_free_style(std::uint32_t style) {
  return style & ~kDistractionFreeStyleMask;
}

ItemSize measure_menu_item(const MenuItem& item, int text_extent, int dpi) {
  if (item.separator) return {0, scale_for_dpi(9, dpi)};
  if (item.top_level) return {text_extent + scale_for_dpi(18, dpi), scale_for_dpi(26, dpi)};
  return {text_extent + scale_for_dpi(65, dpi), scale_for_dpi(30, dpi)};
}

MenuItemGeometry menu_item_geometry(const MenuItem& item, const Rect& bounds, int dpi) {
  MenuItemGeometry geometry;
  const int text_indent = scale_for_dpi(item.top_level ? 9 : 30, dpi);
  geometry.text = Rect{bounds.left + text_indent, bounds.top, bounds.right - scale_for_dpi(16, dpi),
                       bounds.bottom};
  geometry.check_left = bounds.left + scale_for_dpi(8, dpi);
  geometry.separator_y = (bounds.top + bounds.bottom) / 2;
  geometry.separator_left = bounds.left + scale_for_dpi(12, dpi);
  geometry.separator_right = bounds.right - scale_for_dpi(12, dpi);
  return geometry;
}

}  // namespace tavrel::win
