#include "render/zip_writer.h"

#include <array>
#include <stdexcept>

namespace tavrel::win {
namespace {

constexpr std::uint16_t kVersion = 20;  // 2.0: stored entries, no ZIP64
constexpr std::uint16_t kUtf8NameFlag = 0x0800;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kDosTime = 0;       // 00:00:00
constexpr std::uint16_t kDosDate = 0x5D61;  // 2026-11-01
constexpr std::uint64_t kLocalHeaderSize = 30;
constexpr std::uint64_t kCentralHeaderSize = 46;

void append_signature(std::string& out, std::uint16_t high) {
  append_u16le(out, 0x4B50);  // "PK"
  append_u16le(out, high);
}

// The fields that the local and the central header share, from "version needed" to the extra
// field length.
void append_common_fields(std::string& out, const ZipEntry& entry) {
  append_u16le(out, kVersion);
  append_u16le(out, kUtf8NameFlag);
  append_u16le(out, kMethodStored);
  append_u16le(out, kDosTime);
  append_u16le(out, kDosDate);
  append_u32le(out, entry.crc32);
  auto size = static_cast<std::uint32_t>(entry.data.size());
  append_u32le(out, size);  // compressed
  append_u32le(out, size);  // uncompressed
  append_u16le(out, static_cast<std::uint16_t>(entry.name.size()));
  append_u16le(out, 0);  // extra field length
}

void append_local_entry(std::string& out, const ZipEntry& entry) {
  append_signature(out, 0x0403);
  append_common_fields(out, entry);
  out += entry.name;
  out += entry.data;
}

void append_central_entry(std::string& out, const ZipEntry& entry) {
  append_signature(out, 0x0201);
  append_u16le(out, kVersion);  // made by
  append_common_fields(out, entry);
  append_u16le(out, 0);  // comment length
  append_u16le(out, 0);  // disk number start
  append_u16le(out, 0);  // internal attributes
  append_u32le(out, 0);  // external attributes
  append_u32le(out, entry.offset);
  out += entry.name;
}

void append_end_record(std::string& out, std::size_t count, std::uint64_t directory_start) {
  auto directory_size = static_cast<std::uint32_t>(out.size() - directory_start);
  append_signature(out, 0x0605);
  append_u16le(out, 0);  // this disk
  append_u16le(out, 0);  // disk of the central directory
  append_u16le(out, static_cast<std::uint16_t>(count));
  append_u16le(out, static_cast<std::uint16_t>(count));
  append_u32le(out, directory_size);
  append_u32le(out, static_cast<std::uint32_t>(directory_start));
  append_u16le(out, 0);  // comment length
}

void require(bool fits, const char* message) {
  if (!fits) throw std::runtime_error(message);
}

}  // namespace

void append_u16le(std::string& out, std::uint16_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8));
}

void append_u32le(std::string& out, std::uint32_t value) {
  append_u16le(out, static_cast<std::uint16_t>(value & 0xFFFF));
  append_u16le(out, static_cast<std::uint16_t>(value >> 16));
}

namespace {

// The reflected CRC-32 polynomial, a byte at a time from a table built once.
constexpr std::array<std::uint32_t, 256> make_crc_table() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t crc = i;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    table[i] = crc;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = make_crc_table();

}  // namespace

std::uint32_t zip_crc32(std::string_view data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : data) crc = (crc >> 8) ^ kCrcTable[(crc ^ byte) & 0xFFu];
  return ~crc;
}

std::vector<std::uint32_t> plan_zip_layout(const std::vector<ZipEntrySize>& sizes) {
  require(sizes.size() <= kZipMaxEntries, "ZIP archive has too many entries");
  std::vector<std::uint32_t> offsets;
  offsets.reserve(sizes.size());
  // Every sum below stays far from 64-bit overflow: at most 65535 entries, each checked to be
  // below 2^32 + 2^16 bytes before it is added.
  std::uint64_t position = 0;
  std::uint64_t directory_size = 0;
  for (const ZipEntrySize& size : sizes) {
    require(size.name_size <= 0xFFFFu, "ZIP entry name is too long");
    require(size.data_size <= kZipMaxField32, "ZIP entry is too large");
    offsets.push_back(static_cast<std::uint32_t>(position));
    position += kLocalHeaderSize + size.name_size + size.data_size;
    directory_size += kCentralHeaderSize + size.name_size;
  }
  // The last local header and the central directory start lie at or before `position`.
  require(position <= kZipMaxField32, "ZIP archive is too large");
  require(directory_size <= kZipMaxField32, "ZIP archive is too large");
  return offsets;
}

std::string build_zip(std::vector<ZipEntry> entries) {
  std::vector<ZipEntrySize> sizes;
  sizes.reserve(entries.size());
  std::uint64_t total = 22;
  for (const ZipEntry& entry : entries) {
    sizes.push_back({entry.name.size(), entry.data.size()});
    total += kLocalHeaderSize + kCentralHeaderSize + 2 * entry.name.size() + entry.data.size();
  }
  std::vector<std::uint32_t> offsets = plan_zip_layout(sizes);

  std::string out;
  out.reserve(static_cast<std::size_t>(total));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    ZipEntry& entry = entries[i];
    entry.offset = offsets[i];  // equals out.size(), proven to fit in 32 bits
    entry.crc32 = zip_crc32(entry.data);
    append_local_entry(out, entry);
  }
  std::uint64_t directory_start = out.size();
  for (const ZipEntry& entry : entries) append_central_entry(out, entry);
  append_end_record(out, entries.size(), directory_start);
  return out;
}

}  // namespace tavrel::win
