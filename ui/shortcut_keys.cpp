// Key names, bindings and the built-in shortcut table.
#include "ui/shortcut_keys.h"

#include <cwctype>

#include "core/text_convert.h"
#include "ui/commands.h"

namespace tavrel::win {
namespace {

constexpr unsigned kTab = 0x09;
constexpr unsigned kEscape = 0x1B;
constexpr unsigned kF1 = 0x70;
constexpr unsigned kF3 = 0x72;
constexpr unsigned kF8 = 0x77;
constexpr unsigned kF11 = 0x7A;
constexpr unsigned kF24 = 0x87;
constexpr unsigned kAdd = 0x6B;
constexpr unsigned kSubtract = 0x6D;
constexpr unsigned kOemPlus = 0xBB;
constexpr unsigned kOemMinus = 0xBD;
constexpr unsigned kOem5 = 0xDC;
constexpr unsigned kOem102 = 0xE2;

std::wstring key_name(unsigned key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
    return std::wstring(1, static_cast<wchar_t>(key));
  if (is_function_key(key)) return L"F" + std::to_wstring(key - kF1 + 1);
  switch (key) {
    case kOem5:
      return L"\\";
    case kOemPlus:
      return L"PLUS";
    case kOemMinus:
      return L"MINUS";
    case kTab:
      return L"TAB";
    default:
      return {};
  }
}

bool is_bindable(std::int64_t id) {
  return id >= kFirstCommandId && id <= kLastCommandId && id != 133 && (id < 147 || id > 150);
}

BuiltinShortcut command(int id) { return {BuiltinShortcut::Kind::Command, id}; }

// Ctrl without Alt; nothing when the key has no entry.
std::optional<BuiltinShortcut> ctrl_shortcut(const KeyPress& press) {
  const bool shift = press.shift;
  switch (press.key) {
    case kTab:
      return BuiltinShortcut{
          shift ? BuiltinShortcut::Kind::PreviousTab : BuiltinShortcut::Kind::NextTab, 0};
    case '0':
      return command(cmd_reset_zoom);
    case 'B':
      return command(cmd_bold);
    case 'E':
      return command(shift ? cmd_workspace_sidebar : cmd_visual_editor);
    case 'F':
      return command(cmd_find);
    case 'H':
      return command(cmd_replace);
    case 'I':
      return command(cmd_italic);
    case 'K':
      return command(cmd_link);
    case 'N':
    case 'T':
      return command(cmd_new);
    case 'O':
      return command(shift ? cmd_recent_pinned : cmd_open);
    case 'P':
      return command(shift ? cmd_print : cmd_quick_open);
    case 'S':
      return command(shift ? cmd_save_as : cmd_save);
    case 'U':
      return command(cmd_underline);
    case 'W':
      return command(cmd_close_tab);
    case kAdd:
    case kOemPlus:
      return command(cmd_zoom_in);
    case kSubtract:
    case kOemMinus:
      return command(cmd_zoom_out);
    case kOem5:
    case kOem102:
      return command(cmd_split_view);
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<std::wstring> shortcut_text(const KeyPress& press) {
  std::wstring name = key_name(press.key);
  if (name.empty()) return std::nullopt;
  std::wstring text;
  if (press.ctrl) text += L"CTRL+";
  if (press.alt) text += L"ALT+";
  if (press.shift) text += L"SHIFT+";
  return text + name;
}

bool is_function_key(unsigned key) { return key >= kF1 && key <= kF24; }

std::optional<KeyPress> parse_shortcut_text(std::wstring_view text) {
  KeyPress press;
  const auto take = [&text](std::wstring_view prefix) {
    if (!text.starts_with(prefix)) return false;
    text.remove_prefix(prefix.size());
    return true;
  };
  press.ctrl = take(L"CTRL+");
  press.alt = take(L"ALT+");
  press.shift = take(L"SHIFT+");
  // Every key the dispatcher names is below 256; the names are looked up rather than parsed so
  // that the two directions cannot disagree.
  for (unsigned key = 1; key < 256; ++key) {
    const std::wstring name = key_name(key);
    if (!name.empty() && name == text) {
      press.key = key;
      return press;
    }
  }
  return std::nullopt;
}

std::map<std::wstring, int> keybindings_from_settings(const nlohmann::json& settings) {
  std::map<std::wstring, int> bindings;
  if (!settings.is_object()) return bindings;
  const auto member = settings.find("keybindings");
  if (member == settings.end() || !member->is_object()) return bindings;
  for (const auto& [name, value] : member->items()) {
    // The range is checked on the full value, so 2^32 + 102 never passes as 102.
    if (value.is_number_unsigned()) {
      if (value.get<std::uint64_t>() > static_cast<std::uint64_t>(kLastCommandId)) continue;
    } else if (!value.is_number_integer()) {
      continue;
    }
    const std::int64_t id = value.get<std::int64_t>();
    if (!is_bindable(id)) continue;
    std::wstring text = to_wide_lenient(name);
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    bindings[text] = static_cast<int>(id);
  }
  return bindings;
}

BuiltinShortcut builtin_shortcut(const KeyPress& press, const ShortcutContext& context) {
  BuiltinShortcut candidate;
  if (press.key == kEscape) {
    if (context.distraction_free) {
      candidate = command(cmd_distraction_free);
    } else if (context.find_bar_visible) {
      return {BuiltinShortcut::Kind::HideFindBar, 0};
    } else if (context.vim) {
      return {BuiltinShortcut::Kind::VimNormal, 0};
    }
  } else if (press.key == kF11) {
    candidate = command(cmd_distraction_free);
  } else if (press.key == kF8) {
    candidate = command(cmd_advanced_preview);
  }
  if (press.ctrl && !press.alt) {
    if (const auto entry = ctrl_shortcut(press)) return *entry;
  } else if (press.ctrl && press.alt) {
    if (press.key == 'O') return command(cmd_outline);
    if (press.key == 'F') return command(cmd_typewriter);
  }
  if (press.key == kF3) return {BuiltinShortcut::Kind::FindNext, 0};
  return candidate;
}

std::optional<size_t> cycled_tab(size_t active, size_t count, bool backwards) {
  if (count == 0) return std::nullopt;
  return backwards ? (active + count - 1) % count : (active + 1) % count;
}

}  // namespace tavrel::win
