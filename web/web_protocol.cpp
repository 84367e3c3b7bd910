#include "web/web_protocol.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>

#include <nlohmann/json.hpp>

#include "core/json_guard.h"

namespace tavrel::win {
namespace {

using nlohmann::json;

// Everything the page or the DevTools protocol sends passes the depth guard first. When the
// text is rejected, the parser is asked once more only to obtain its own description of the
// fault, which is what the user sees; a text rejected for its depth alone gets a plain one.
json parse_strict(std::string_view text) {
  json value = parse_json_guarded(text);
  if (!value.is_discarded()) return value;
  if (json_depth_within(text)) {
    static_cast<void>(json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/true,
                                  /*ignore_comments=*/false));
  }
  throw std::runtime_error("Invalid message JSON");
}

// The members of anything but an object count as absent.
const json* find_member(const json& object, const char* key) {
  if (!object.is_object()) return nullptr;
  const auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

[[noreturn]] void wrong_type(const char* key, const char* expected) {
  throw std::runtime_error(std::string("Member \"") + key + "\" is not " + expected);
}

std::string read_string(const json& object, const char* key) {
  const json* value = find_member(object, key);
  if (!value) return {};
  if (!value->is_string()) wrong_type(key, "a string");
  return value->get<std::string>();
}

bool read_bool(const json& object, const char* key) {
  const json* value = find_member(object, key);
  if (!value) return false;
  if (!value->is_boolean()) wrong_type(key, "a boolean");
  return value->get<bool>();
}

double read_number(const json& object, const char* key, double fallback) {
  const json* value = find_member(object, key);
  if (!value) return fallback;
  if (!value->is_number()) wrong_type(key, "a number");
  return value->get<double>();
}

bool starts_with(std::wstring_view text, std::wstring_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The value of a Base64 character, or -1 for one outside the alphabet.
int sextet(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

bool is_app_navigation(std::wstring_view uri) { return starts_with(uri, kAppIndex); }

bool is_app_source(std::wstring_view uri) { return uri == kAppIndex; }

bool is_served_locally(std::wstring_view uri) {
  return starts_with(uri, kAppPrefix) || starts_with(uri, kDocumentPrefix) ||
         starts_with(uri, L"data:");
}

std::string document_message(const DocumentMessage& message) {
  const json object = {
      {"type", "document"},         {"css", message.css},
      {"dark", message.dark},       {"mode", message.visual_editor ? "edit" : "preview"},
      {"session", message.session}, {"text", message.text},
      {"vi", message.vietnamese}};
  return object.dump();
}

std::optional<std::string_view> web_command_name(std::uint32_t id) {
  static constexpr std::array<std::pair<std::uint32_t, std::string_view>, 10> kNames = {{
      {107, "undo"},
      {108, "redo"},
      {117, "bold"},
      {118, "italic"},
      {120, "strike"},
      {121, "heading"},
      {124, "code"},
      {125, "quote"},
      {126, "task"},
      {127, "table"},
  }};
  for (const auto& [command, name] : kNames) {
    if (command == id) return name;
  }
  return std::nullopt;
}

std::string command_message(std::string_view name) {
  return json{{"type", "command"}, {"name", name}}.dump();
}

std::string scroll_message(double fraction) {
  return json{{"type", "scroll"}, {"fraction", fraction}}.dump();
}

PageMessage parse_page_message(std::string_view text,
                               const std::vector<std::string>& change_sessions) {
  const json object = parse_strict(text);
  if (!object.is_object()) throw std::runtime_error("Message is not a JSON object");
  static constexpr std::array<std::pair<std::string_view, PageMessageType>, 5> kTypes = {{
      {"ready", PageMessageType::Ready},
      {"change", PageMessageType::Change},
      {"copy", PageMessageType::Copy},
      {"open", PageMessageType::Open},
      {"shortcut", PageMessageType::Shortcut},
  }};
  PageMessage message;
  const std::string type = read_string(object, "type");
  for (const auto& [name, kind] : kTypes) {
    if (name == type) message.type = kind;
  }
  // Only the members a type uses are read, so a stray member of another type does no harm.
  switch (message.type) {
    case PageMessageType::Change:
      // An edit the visual editor may not hand back now is dropped unread, however it is formed.
      if (!change_sessions.empty()) message.session = read_string(object, "session");
      if (std::find(change_sessions.begin(), change_sessions.end(), message.session) ==
          change_sessions.end()) {
        message.type = PageMessageType::Other;
        break;
      }
      message.text = read_string(object, "text");
      break;
    case PageMessageType::Copy:
      message.text = read_string(object, "text");
      break;
    case PageMessageType::Open:
      message.url = read_string(object, "url");
      break;
    case PageMessageType::Shortcut:
      message.key = read_string(object, "key");
      if (message.key == "s") message.shift = read_bool(object, "shift");
      break;
    case PageMessageType::Ready:
    case PageMessageType::Other:
      break;
  }
  return message;
}

std::optional<std::uint32_t> shortcut_command(const PageMessage& message) {
  if (message.type != PageMessageType::Shortcut) return std::nullopt;
  if (message.key == "n") return 100;
  if (message.key == "o") return 101;
  if (message.key == "s") return message.shift ? 103 : 102;
  return std::nullopt;
}

bool evaluation_failed(std::string_view result_json) {
  return find_member(parse_strict(result_json), "exceptionDetails") != nullptr;
}

CaptureSize capture_size(std::string_view metrics_json) {
  const json result = parse_strict(metrics_json);
  const char* key = find_member(result, "cssContentSize") ? "cssContentSize" : "contentSize";
  const json* content = find_member(result, key);
  CaptureSize size;
  if (!content) return size;
  if (!content->is_object()) wrong_type(key, "an object");
  size.width = read_number(*content, "width", size.width);
  size.height = read_number(*content, "height", size.height);
  return size;
}

bool capture_fits(const CaptureSize& size) {
  return size.height <= 30000 && size.width * size.height <= 5e7;
}

std::string capture_parameters(const CaptureSize& size, bool jpeg) {
  const json clip = {
      {"x", 0}, {"y", 0}, {"width", size.width}, {"height", size.height}, {"scale", 1}};
  const json parameters = {
      {"format", jpeg ? "jpeg" : "png"}, {"captureBeyondViewport", true}, {"clip", clip}};
  return parameters.dump();
}

std::vector<std::uint8_t> screenshot_bytes(std::string_view result_json) {
  const std::string data = read_string(parse_strict(result_json), "data");
  std::optional<std::vector<std::uint8_t>> bytes = base64_decode(data);
  if (!bytes || bytes->empty()) throw std::runtime_error("Invalid image data");
  return std::move(*bytes);
}

std::optional<std::vector<std::uint8_t>> base64_decode(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() / 4 * 3);
  std::uint32_t group = 0;
  int filled = 0;   // characters of the current group of four
  int padding = 0;  // '=' seen; once there, only padding may complete the group and nothing follows
  for (const char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    int value = 0;
    if (c == '=') {
      if (filled < 2) return std::nullopt;
      ++padding;
    } else {
      value = sextet(c);
      if (value < 0 || padding > 0) return std::nullopt;
    }
    group = (group << 6) | static_cast<std::uint32_t>(value);
    if (++filled < 4) continue;
    for (int i = 0; i < 3 - padding; ++i) {
      bytes.push_back(static_cast<std::uint8_t>(group >> (16 - 8 * i)));
    }
    group = 0;
    filled = 0;
  }
  if (filled != 0) return std::nullopt;
  return bytes;
}

}  // namespace tavrel::win
