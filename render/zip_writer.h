#pragma once
// A minimal ZIP writer for the DOCX export: entries are stored uncompressed, names are flagged as
// UTF-8 and every entry carries the same fixed date, so the same entries always give the same
// bytes. There are no ZIP64 records; archives that would need them are refused.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::win {

struct ZipEntry {
  std::string name;          // path inside the archive, "/" separated, no leading "/"
  std::string data;          // stored as it is
  std::uint32_t offset = 0;  // position of the local header; set by build_zip
  std::uint32_t crc32 = 0;   // CRC-32 of data; set by build_zip
};

// The sizes that decide where the headers of one entry fall, so that the limits can be checked
// (and tested) without holding the data.
struct ZipEntrySize {
  std::uint64_t name_size = 0;
  std::uint64_t data_size = 0;
};

// Largest value a 32-bit size or offset field can hold, and the largest entry count.
inline constexpr std::uint64_t kZipMaxField32 = 0xFFFFFFFFu;
inline constexpr std::uint64_t kZipMaxEntries = 0xFFFFu;

// Appends the low byte, then the high byte.
void append_u16le(std::string& out, std::uint16_t value);

// Appends a 32-bit value as two 16-bit halves, low half first.
void append_u32le(std::string& out, std::uint32_t value);

// The CRC-32 used by ZIP (reflected polynomial 0xEDB88320, initial value and final complement
// 0xFFFFFFFF); the empty input gives 0.
std::uint32_t zip_crc32(std::string_view data);

// Returns the local header offset of every entry. Throws std::runtime_error when the archive
// would need a field wider than the format has: more than 65535 entries, a name longer than
// 65535 bytes, or a size or offset past 32 bits.
std::vector<std::uint32_t> plan_zip_layout(const std::vector<ZipEntrySize>& sizes);

// The whole archive: local headers with names and data in entry order, the central directory and
// the end record. Throws like plan_zip_layout before writing anything.
std::string build_zip(std::vector<ZipEntry> entries);

}  // namespace tavrel::win
