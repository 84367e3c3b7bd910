#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "render/zip_writer.h"

namespace tavrel::win {
namespace {

std::uint32_t u16_at(const std::string& bytes, std::size_t pos) {
  return static_cast<unsigned char>(bytes.at(pos)) |
         (static_cast<unsigned char>(bytes.at(pos + 1)) << 8);
}

std::uint32_t u32_at(const std::string& bytes, std::size_t pos) {
  return u16_at(bytes, pos) | (u16_at(bytes, pos + 2) << 16);
}

// What a reader learns from one central directory record.
struct CentralRecord {
  std::string name;
  std::uint32_t crc = 0;
  std::uint32_t size = 0;
  std::uint32_t offset = 0;
};

// Reads the archive the way a ZIP reader does: end record, then the central directory, checking
// every fixed field on the way.
std::vector<CentralRecord> read_central_directory(const std::string& zip) {
  EXPECT_GE(zip.size(), 22u);
  std::size_t end = zip.size() - 22;
  EXPECT_EQ(u32_at(zip, end), 0x06054B50u);
  EXPECT_EQ(u16_at(zip, end + 4), 0u);
  EXPECT_EQ(u16_at(zip, end + 6), 0u);
  std::uint32_t count = u16_at(zip, end + 8);
  EXPECT_EQ(u16_at(zip, end + 10), count);
  std::uint32_t directory_size = u32_at(zip, end + 12);
  std::uint32_t directory_start = u32_at(zip, end + 16);
  EXPECT_EQ(u16_at(zip, end + 20), 0u);
  EXPECT_EQ(std::size_t(directory_start) + directory_size, end);

  std::vector<CentralRecord> records;
  std::size_t pos = directory_start;
  for (std::uint32_t i = 0; i < count; ++i) {
    EXPECT_EQ(u32_at(zip, pos), 0x02014B50u);
    EXPECT_EQ(u16_at(zip, pos + 4), 20u);
    EXPECT_EQ(u16_at(zip, pos + 6), 20u);
    EXPECT_EQ(u16_at(zip, pos + 8), 0x0800u);
    EXPECT_EQ(u16_at(zip, pos + 10), 0u);
    EXPECT_EQ(u16_at(zip, pos + 12), 0u);
    EXPECT_EQ(u16_at(zip, pos + 14), 0x5D61u);
    CentralRecord record;
    record.crc = u32_at(zip, pos + 16);
    record.size = u32_at(zip, pos + 20);
    EXPECT_EQ(u32_at(zip, pos + 24), record.size);
    std::uint32_t name_size = u16_at(zip, pos + 28);
    for (std::size_t field = 30; field < 42; field += 2) EXPECT_EQ(u16_at(zip, pos + field), 0u);
    record.offset = u32_at(zip, pos + 42);
    record.name = zip.substr(pos + 46, name_size);
    records.push_back(record);
    pos += 46 + name_size;
  }
  EXPECT_EQ(pos, end);
  return records;
}

TEST(ZipCrc, MatchesTheStandardCheckValues) {
  EXPECT_EQ(zip_crc32(""), 0u);
  EXPECT_EQ(zip_crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(zip_crc32("a"), 0xE8B7BE43u);
  EXPECT_EQ(zip_crc32("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
  EXPECT_EQ(zip_crc32(std::string(1, '\0')), 0xD202EF8Du);
  EXPECT_EQ(zip_crc32(std::string("\xFF\xFF\xFF\xFF", 4)), 0xFFFFFFFFu);
}

TEST(ZipWriter, AppendsLittleEndianHalvesLowFirst) {
  std::string out;
  append_u16le(out, 0x0403);
  append_u32le(out, 0x12345678);
  EXPECT_EQ(out, std::string("\x03\x04\x78\x56\x34\x12", 6));
}

TEST(ZipWriter, EmptyArchiveIsOnlyTheEndRecord) {
  std::string zip = build_zip({});
  EXPECT_EQ(zip, std::string("PK\x05\x06", 4) + std::string(18, '\0'));
}

TEST(ZipWriter, LocalHeadersHoldNameAndStoredData) {
  std::string zip = build_zip({{"a.txt", "hello", 0, 0}, {"dir/\xC3\xA9.xml", "", 0, 0}});
  // First local header at 0.
  EXPECT_EQ(zip.substr(0, 4), "PK\x03\x04");
  EXPECT_EQ(u16_at(zip, 4), 20u);
  EXPECT_EQ(u16_at(zip, 6), 0x0800u);
  EXPECT_EQ(u16_at(zip, 8), 0u);
  EXPECT_EQ(u16_at(zip, 10), 0u);
  EXPECT_EQ(u16_at(zip, 12), 0x5D61u);
  EXPECT_EQ(u32_at(zip, 14), zip_crc32("hello"));
  EXPECT_EQ(u32_at(zip, 18), 5u);
  EXPECT_EQ(u32_at(zip, 22), 5u);
  EXPECT_EQ(u16_at(zip, 26), 5u);
  EXPECT_EQ(u16_at(zip, 28), 0u);
  EXPECT_EQ(zip.substr(30, 10), "a.txthello");
  // Second local header right behind the first entry's data.
  EXPECT_EQ(zip.substr(40, 4), "PK\x03\x04");
  EXPECT_EQ(u32_at(zip, 40 + 14), 0u);  // CRC of nothing
  EXPECT_EQ(u16_at(zip, 40 + 26), 10u);
  EXPECT_EQ(zip.substr(70, 10), "dir/\xC3\xA9.xml");
}

TEST(ZipWriter, CentralDirectoryAgreesWithLocalHeaders) {
  std::vector<ZipEntry> entries = {{"[Content_Types].xml", "<Types/>", 0, 0},
                                   {"word/document.xml", std::string(1000, 'x'), 0, 0},
                                   {"empty", "", 0, 0}};
  std::string zip = build_zip(entries);
  std::vector<CentralRecord> records = read_central_directory(zip);
  ASSERT_EQ(records.size(), entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(entries[i].name);
    EXPECT_EQ(records[i].name, entries[i].name);
    EXPECT_EQ(records[i].crc, zip_crc32(entries[i].data));
    EXPECT_EQ(records[i].size, entries[i].data.size());
    std::size_t local = records[i].offset;
    EXPECT_EQ(zip.substr(local, 4), "PK\x03\x04");
    EXPECT_EQ(u32_at(zip, local + 14), records[i].crc);
    std::size_t name_size = u16_at(zip, local + 26);
    EXPECT_EQ(zip.substr(local + 30, name_size), entries[i].name);
    EXPECT_EQ(zip.substr(local + 30 + name_size, records[i].size), entries[i].data);
  }
  EXPECT_EQ(records[0].offset, 0u);
  EXPECT_EQ(records[1].offset, 30u + 19 + 8);
}

TEST(ZipWriter, SameEntriesGiveSameBytes) {
  std::vector<ZipEntry> entries = {{"x", "1", 0, 0}, {"y", "22", 0, 0}};
  EXPECT_EQ(build_zip(entries), build_zip(entries));
  // Offsets and CRCs handed in are recomputed, never trusted.
  std::vector<ZipEntry> stale = {{"x", "1", 99, 7}, {"y", "22", 5, 5}};
  EXPECT_EQ(build_zip(stale), build_zip(entries));
}

TEST(ZipLimits, AcceptsTheLargestArchiveTheFieldsCanDescribe) {
  // One entry whose data ends exactly at the last 32-bit offset: the central directory
  // starts at 0xFFFFFFFF, which still fits.
  std::vector<std::uint32_t> offsets = plan_zip_layout({{1, 0xFFFFFFFFull - 31}});
  EXPECT_EQ(offsets, std::vector<std::uint32_t>{0});
  EXPECT_NO_THROW(plan_zip_layout({{0, 0xFFFFFFFFull - 30}}));
  EXPECT_NO_THROW(plan_zip_layout(std::vector<ZipEntrySize>(65535, ZipEntrySize{10, 10})));
  EXPECT_NO_THROW(plan_zip_layout({{65535, 0}}));
}

TEST(ZipLimits, ReportsTheOffsetsOfEveryEntry) {
  std::vector<std::uint32_t> offsets = plan_zip_layout({{5, 5}, {10, 0}, {1, 100}});
  EXPECT_EQ(offsets, (std::vector<std::uint32_t>{0, 40, 80}));
}

TEST(ZipLimits, RefusesTooManyEntries) {
  EXPECT_THROW(plan_zip_layout(std::vector<ZipEntrySize>(65536)), std::runtime_error);
  std::vector<ZipEntry> entries(65536);
  EXPECT_THROW(build_zip(entries), std::runtime_error);
}

TEST(ZipLimits, RefusesNamesPastSixteenBits) {
  EXPECT_THROW(plan_zip_layout({{65536, 0}}), std::runtime_error);
  EXPECT_THROW(build_zip({{std::string(65536, 'n'), "", 0, 0}}), std::runtime_error);
}

TEST(ZipLimits, RefusesEntrySizesPastThirtyTwoBits) {
  EXPECT_THROW(plan_zip_layout({{1, 0x100000000ull}}), std::runtime_error);
}

TEST(ZipLimits, RefusesACentralDirectoryStartingPastThirtyTwoBits) {
  EXPECT_THROW(plan_zip_layout({{1, 0xFFFFFFFFull - 30}}), std::runtime_error);
}

TEST(ZipLimits, RefusesALocalHeaderPastThirtyTwoBits) {
  // Two entries of 3 GB each: a third header would start past 4 GiB.
  EXPECT_THROW(plan_zip_layout({{1, 3000000000ull}, {1, 3000000000ull}, {1, 0}}),
               std::runtime_error);
  EXPECT_THROW(plan_zip_layout({{1, 3000000000ull}, {1, 3000000000ull}}), std::runtime_error);
}

TEST(ZipLimits, RefusesACentralDirectoryLargerThanThirtyTwoBits) {
  // The local part ends exactly at 0xFFFFFFFF, but the central records (16 bytes longer
  // each) no longer fit their size field.
  std::vector<ZipEntrySize> sizes(65535, ZipEntrySize{65507, 0});
  EXPECT_THROW(plan_zip_layout(sizes), std::runtime_error);
}

}  // namespace
}  // namespace tavrel::win
