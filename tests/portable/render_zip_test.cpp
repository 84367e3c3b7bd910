// The ZIP writer beyond the golden DOCX packages (which pin its bytes and which
// tests/scripts/docx_validate.sh checks with outside readers): check values and the limits of the
// 16- and 32-bit fields.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "render/zip_writer.h"

namespace tavrel::win {
namespace {

TEST(Zip, ChecksumsAndRecomputedFields) {
  EXPECT_EQ(zip_crc32(""), 0u);
  EXPECT_EQ(zip_crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(zip_crc32(std::string("\xFF\xFF\xFF\xFF", 4)), 0xFFFFFFFFu);
  EXPECT_EQ(build_zip({}), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
  // Offsets and CRCs handed in are recomputed, never trusted.
  EXPECT_EQ(build_zip({{"x", "1", 99, 7}, {"y", "22", 5, 5}}),
            build_zip({{"x", "1", 0, 0}, {"y", "22", 0, 0}}));
}

TEST(Zip, LayoutUsesTheFieldsToTheirLimitsAndNoFurther) {
  using Sizes = std::vector<ZipEntrySize>;
  const std::uint64_t max = 0xFFFFFFFFull;
  EXPECT_EQ(plan_zip_layout({{5, 5}, {10, 0}, {1, 100}}), (std::vector<std::uint32_t>{0, 40, 80}));
  // The central directory may start at the last 32-bit offset, but no later.
  EXPECT_EQ(plan_zip_layout({{1, max - 31}}), std::vector<std::uint32_t>{0});
  EXPECT_NO_THROW(plan_zip_layout({{0, max - 30}}));
  EXPECT_NO_THROW(plan_zip_layout(Sizes(65535, ZipEntrySize{10, 10})));
  EXPECT_NO_THROW(plan_zip_layout({{65535, 0}}));
  EXPECT_NO_THROW(plan_zip_layout({{1, 3000000000ull}, {1, max - 3000000000ull - 62}}));
  const Sizes refused[] = {
      Sizes(65536),                                      // too many entries
      {{65536, 0}},                                      // name past 16 bits
      {{1, max + 1}},                                    // data past 32 bits
      {{1, max - 30}},                                   // directory starts too late
      {{1, 3000000000ull}, {1, 3000000000ull}},          // second header too late
      {{1, 3000000000ull}, {1, 3000000000ull}, {1, 0}},  // third header too late
      Sizes(65535, ZipEntrySize{65507, 0}),              // directory past 32 bits
  };
  for (const Sizes& sizes : refused) {
    EXPECT_THROW(plan_zip_layout(sizes), std::runtime_error) << sizes.size();
  }
  EXPECT_THROW(build_zip(std::vector<ZipEntry>(65536)), std::runtime_error);
  EXPECT_THROW(build_zip({{std::string(65536, 'n'), "", 0, 0}}), std::runtime_error);
}

}  // namespace
}  // namespace tavrel::win
