#pragma once
// The update manifest: the small JSON document that names the newest release, read with strict
// field rules, and the comparison of release versions.
#include <array>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace tavrel::win {

// The running program's own release.
inline constexpr const char* kCurrentVersion = "1.0.0";
// The largest body the update check reads or accepts.
inline constexpr size_t kMaxManifestBytes = 131072;

struct UpdateManifest {
  std::string version;       // three dot-separated decimal numbers
  std::string url;           // an https:// download address
  std::string published_at;  // RFC 3339 date-time, empty when not provided
  std::string sha256;        // 64 lower-case hexadecimal digits, empty when not provided
  std::optional<uint64_t> size;
};

// Throws std::runtime_error with the text the update dialog shows.
UpdateManifest parse_update_manifest(const std::string& body);

// A string member: empty when an optional one is absent; present, it must be a non-empty string
// of at most max_length bytes without control characters ("Invalid update field: " + name).
std::string read_string_field(const nlohmann::json& manifest, const char* name, size_t max_length,
                              bool required);

using Version = std::array<uint32_t, 3>;         // major, minor, patch
Version parse_version(const std::string& text);  // throws "Invalid update manifest"
// True when candidate is strictly newer; a text that is not a version throws.
bool is_newer_version(const std::string& candidate, const std::string& current);

int days_in_month(int year, int month);
// "2026-01-31T08:00:00Z", with optional fractional seconds and a "Z" or "+hh:mm" zone.
bool is_rfc3339_date_time(const std::string& text);

// "1.50 KiB (1536 bytes)": binary units up to TiB, whole bytes below 1 KiB.
std::string update_size_text(uint64_t bytes);

}  // namespace tavrel::win
