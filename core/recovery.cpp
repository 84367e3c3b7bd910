#include "core/recovery.h"

#include <algorithm>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <system_error>
#include <type_traits>

#include "core/json_guard.h"
#include "core/text_convert.h"

namespace tavrel::win {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr std::string_view kRecoveryExtension = ".json";

[[noreturn]] void damaged(const std::string& reason) {
  throw std::runtime_error("Damaged recovery snapshot: " + reason);
}

bool is_upper_hex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A string member that must be UTF-8 without NUL characters (the editor and the file APIs both
// stop at the first NUL, which would silently cut the text).
std::string string_member(const json& object, const char* key) {
  auto it = object.find(key);
  if (it == object.end()) return {};
  if (!it->is_string()) damaged(std::string("\"") + key + "\" is not a string");
  const std::string& value = it->get_ref<const std::string&>();
  if (!is_valid_utf8(value)) damaged(std::string("\"") + key + "\" is not valid UTF-8");
  if (value.find('\0') != std::string::npos)
    damaged(std::string("\"") + key + "\" holds a NUL character");
  return value;
}

TextEncoding encoding_member(const json& object) {
  auto it = object.find("encoding");
  if (it == object.end()) return TextEncoding::Utf8;
  if (!it->is_number_integer()) damaged("\"encoding\" is not an integer");
  if (it->is_number_unsigned()) {
    return static_cast<TextEncoding>(std::min<uint64_t>(it->get<uint64_t>(), 3));
  }
  return static_cast<TextEncoding>(std::clamp<int64_t>(it->get<int64_t>(), 0, 3));
}

bool crlf_member(const json& object) {
  auto it = object.find("crlf");
  if (it == object.end()) return false;
  if (!it->is_boolean()) damaged("\"crlf\" is not a boolean");
  return it->get<bool>();
}

// File times count from 1601, so a negative one can only come from a damaged file; one beyond
// the signed range would wrap when stored.
int64_t disk_time_member(const json& object) {
  auto it = object.find("diskTime");
  if (it == object.end()) return 0;
  if (!it->is_number_integer()) damaged("\"diskTime\" is not an integer");
  if (it->is_number_unsigned()) {
    const uint64_t value = it->get<uint64_t>();
    if (value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
      damaged("\"diskTime\" is out of range");
    return static_cast<int64_t>(value);
  }
  const int64_t value = it->get<int64_t>();
  if (value < 0) damaged("\"diskTime\" is out of range");
  return value;
}

std::wstring path_member(const json& object) {
  std::wstring path = to_wide(string_member(object, "path"));
  if (!path.empty() && !is_absolute_windows_path(path)) damaged("\"path\" is not an absolute path");
  return path;
}

// A file name for a message, whatever units the file system uses; never throws for odd names.
[[maybe_unused]] std::string message_text(const std::string& native) {
  return is_valid_utf8(native) ? native : std::string("(unreadable name)");
}
[[maybe_unused]] std::string message_text(const std::wstring& native) {
  return utf16_to_utf8_lenient(std::u16string(native.begin(), native.end()));
}

}  // namespace

bool is_document_id(std::string_view id) {
  if (id.size() != 38 || id.front() != '{' || id.back() != '}') return false;
  for (size_t i = 1; i < 37; ++i) {
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? id[i] != '-' : !is_upper_hex(id[i])) return false;
  }
  return true;
}

bool is_utf16_storable(std::wstring_view path) {
  for (size_t i = 0; i < path.size(); ++i) {
    const auto unit = static_cast<uint32_t>(path[i]);
    if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      const auto next = i + 1 < path.size() ? static_cast<uint32_t>(path[i + 1]) : 0u;
      if (next < 0xDC00 || next > 0xDFFF) return false;
      ++i;
    }
  }
  return true;
}

bool is_absolute_windows_path(std::wstring_view path) {
  if (path.size() >= 3 && path[1] == L':' && is_separator(path[2])) {
    const wchar_t drive = path[0];
    return (drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z');
  }
  return path.size() >= 3 && is_separator(path[0]) && is_separator(path[1]) &&
         !is_separator(path[2]);
}

fs::path recovery_file_path(const fs::path& profile_dir, std::string_view id) {
  if (!is_document_id(id)) throw std::runtime_error("Invalid document id");
  return profile_dir / "recovery" / (std::string(id) + std::string(kRecoveryExtension));
}

std::string build_recovery_snapshot(const RecoveryRecord& record) {
  if (!is_valid_utf8(record.text)) throw std::runtime_error("Invalid UTF-8");
  json object = json::object();  // keys are kept sorted, which gives the ascending member order
  object["crlf"] = record.crlf;
  object["diskTime"] = record.disk_time;
  object["encoding"] = static_cast<uint32_t>(record.encoding);
  object["path"] = to_utf8(record.path);
  object["text"] = record.text;
  return object.dump();
}

RecoveryRecord parse_recovery_snapshot(std::string_view json_text) {
  if (!json_depth_within(json_text)) damaged("nested too deeply");
  const json object = parse_json_guarded(json_text);
  if (object.is_discarded()) damaged("not valid JSON");
  if (!object.is_object()) damaged("not a JSON object");
  RecoveryRecord record;
  record.text = string_member(object, "text");
  record.path = path_member(object);
  record.encoding = encoding_member(object);
  record.crlf = crlf_member(object);
  record.disk_time = disk_time_member(object);
  return record;
}

std::string recovery_id_from_file(const fs::path& file) {
  if (file.extension() != fs::path(kRecoveryExtension)) return {};
  const fs::path::string_type stem = file.stem().native();
  std::string id;
  for (const auto unit : stem) {
    using Unit = std::make_unsigned_t<std::remove_const_t<decltype(unit)>>;
    const auto value = static_cast<Unit>(unit);
    if (value == 0 || value >= 0x80) return {};  // ids are ASCII; anything else is no id
    id.push_back(static_cast<char>(value));
  }
  return is_document_id(id) ? id : std::string();
}

std::vector<fs::path> list_recovery_candidates(const fs::path& folder) {
  std::vector<fs::path> candidates;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  const fs::directory_iterator end;
  while (!ec && it != end) {
    if (it->path().extension() == fs::path(kRecoveryExtension)) candidates.push_back(it->path());
    it.increment(ec);
  }
  return candidates;
}

RecoveredDocument load_recovery_snapshot(const fs::path& file) {
  const std::string name = message_text(file.filename().native());
  try {
    RecoveredDocument document;
    document.id = recovery_id_from_file(file);
    if (document.id.empty()) damaged("the file name is no document id");
    document.record = parse_recovery_snapshot(read_text_file(file));
    return document;
  } catch (const std::exception& error) {
    std::string reason = error.what();
    const std::string_view prefix = "Damaged recovery snapshot: ";
    if (reason.rfind(prefix, 0) == 0) reason.erase(0, prefix.size());
    throw std::runtime_error("Damaged recovery file " + name + ": " + reason);
  }
}

}  // namespace tavrel::win
