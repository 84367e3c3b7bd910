#include "update/update_manifest.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "update/url_rule.h"

namespace tavrel::win {

namespace {

[[noreturn]] void fail(const std::string& text) { throw std::runtime_error(text); }

// The value of `count` ASCII digits from `position`, -1 when one is missing or not a digit.
int read_fixed_digits(const std::string& text, size_t position, size_t count) {
  if (position > text.size() || text.size() - position < count) return -1;
  int value = 0;
  for (size_t i = position; i < position + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

bool is_hex_digit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Reads "hh:mm" at `position` as a zone offset.
bool is_zone_offset(const std::string& text, size_t position) {
  const int hours = read_fixed_digits(text, position, 2);
  const int minutes = read_fixed_digits(text, position + 3, 2);
  return hours >= 0 && hours <= 23 && text[position + 2] == ':' && minutes >= 0 && minutes <= 59;
}

// Everything after the seconds: optional fraction, then "Z" or a numeric offset.
bool is_fraction_and_zone(const std::string& text) {
  size_t p = 19;
  if (text[p] == '.') {
    const size_t digits = text.find_first_not_of("0123456789", p + 1);
    p = digits == std::string::npos ? text.size() : digits;
    if (p == 20) return false;
  }
  if (text.size() == p + 1) return text[p] == 'Z';
  return text.size() == p + 6 && (text[p] == '+' || text[p] == '-') && is_zone_offset(text, p + 1);
}

std::optional<uint64_t> read_size(const nlohmann::json& manifest) {
  const auto it = manifest.find("size");
  if (it == manifest.end()) return std::nullopt;
  if (!it->is_number_unsigned() || it->get<uint64_t>() == 0) {
    fail("Invalid update size (expected a positive byte count)");
  }
  return it->get<uint64_t>();
}

}  // namespace

int days_in_month(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool is_rfc3339_date_time(const std::string& text) {
  if (text.size() < 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
      text[16] != ':') {
    return false;
  }
  const int year = read_fixed_digits(text, 0, 4);
  const int month = read_fixed_digits(text, 5, 2);
  const int day = read_fixed_digits(text, 8, 2);
  const int hour = read_fixed_digits(text, 11, 2);
  const int minute = read_fixed_digits(text, 14, 2);
  const int second = read_fixed_digits(text, 17, 2);
  if (year < 1 || month < 1 || month > 12 || hour < 0 || minute < 0 || second < 0) return false;
  if (day < 1 || day > days_in_month(year, month) || hour > 23 || minute > 59 || second > 59) {
    return false;
  }
  return is_fraction_and_zone(text);
}

Version parse_version(const std::string& text) {
  Version version{};
  size_t part = 0;
  size_t digits = 0;
  uint64_t value = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : '.';
    if (c >= '0' && c <= '9') {
      value = value * 10 + static_cast<uint64_t>(c - '0');
      ++digits;
      if (value > UINT32_MAX) fail("Invalid update manifest");
      continue;
    }
    if (c != '.' || digits == 0 || part == 3) fail("Invalid update manifest");
    version[part++] = static_cast<uint32_t>(value);
    value = 0;
    digits = 0;
  }
  if (part != 3) fail("Invalid update manifest");
  return version;
}

bool is_newer_version(const std::string& candidate, const std::string& current) {
  return parse_version(candidate) > parse_version(current);
}

std::string read_string_field(const nlohmann::json& manifest, const char* name, size_t max_length,
                              bool required) {
  const auto it = manifest.find(name);
  if (it == manifest.end()) {
    if (required) fail(std::string("Missing update field: ") + name);
    return {};
  }
  const std::string* value = it->get_ptr<const std::string*>();
  const bool clean = value != nullptr && !value->empty() && value->size() <= max_length &&
                     std::none_of(value->begin(), value->end(), [](char c) {
                       const auto b = static_cast<unsigned char>(c);
                       return b < 32 || b == 127;
                     });
  if (!clean) fail(std::string("Invalid update field: ") + name);
  return *value;
}

UpdateManifest parse_update_manifest(const std::string& body) {
  if (body.size() > kMaxManifestBytes) fail("Update manifest is too large");
  const nlohmann::json manifest = nlohmann::json::parse(body, nullptr, false, false);
  if (manifest.is_discarded() || !manifest.is_object()) fail("Invalid update manifest");

  UpdateManifest result;
  result.version = read_string_field(manifest, "version", 40, true);
  parse_version(result.version);
  result.url = read_string_field(manifest, "url", kMaxUrlBytes, true);
  if (!is_https_url(result.url)) fail("Update download URL must use HTTPS");
  result.published_at = read_string_field(manifest, "published_at", 40, false);
  result.sha256 = read_string_field(manifest, "sha256", 64, false);
  if (!result.sha256.empty()) {
    if (result.sha256.size() != 64 ||
        !std::all_of(result.sha256.begin(), result.sha256.end(), is_hex_digit)) {
      fail("Invalid update SHA256");
    }
    std::transform(result.sha256.begin(), result.sha256.end(), result.sha256.begin(),
                   [](char c) { return c >= 'A' && c <= 'F' ? static_cast<char>(c + 32) : c; });
  }
  if (!result.published_at.empty() && !is_rfc3339_date_time(result.published_at)) {
    fail("Invalid update publication date (expected RFC 3339)");
  }
  result.size = read_size(manifest);
  return result;
}

std::string update_size_text(uint64_t bytes) {
  static constexpr const char* kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  double value = static_cast<double>(bytes);
  size_t unit = 0;
  while (value >= 1024.0 && unit < 4) {
    value *= 1.0 / 1024.0;
    ++unit;
  }
  char number[64];
  std::snprintf(number, sizeof(number), unit == 0 ? "%.0f" : "%.2f", value);
  return std::string(number) + " " + kUnits[unit] + " (" + std::to_string(bytes) + " bytes)";
}

}  // namespace tavrel::win
