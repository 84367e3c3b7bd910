#include "ui/image_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "tests/portable/test_support.h"

namespace tavrel::win {
namespace {

namespace fs = std::filesystem;

TEST(ImageLinks, RelativeWhereOneExistsAndEncodedOnlyWhereMarkdownNeedsIt) {
  test::TempDir dir;
  const fs::path doc = dir.path() / "docs";
  struct Case {
    fs::path image;
    std::string link;
  };
  const Case cases[] = {
      {doc / "pics" / "my photo (1).png", "pics/my%20photo%20%281%29.png"},
      {doc / u8"ảnh đẹp.png", "ảnh%20đẹp.png"},
      {doc / "50% #2.png", "50%%20#2.png"},
      {dir.path() / "pics" / "a.png", "../pics/a.png"},
      {doc / "x" / ".." / "b.png", "b.png"},
  };
  for (const Case& c : cases) EXPECT_EQ(image_link_path(c.image, doc), c.link);
  // Without a relation (another drive on Windows) the path as given, with forward slashes.
  EXPECT_EQ(image_link_path("D:\\My Pics\\a.png", doc), "D:/My%20Pics/a.png");
}

TEST(ImageLinks, DroppedImagesAreKnownByExtensionInAnyCase) {
  EXPECT_TRUE(is_image_extension("PHOTO.JPG") && is_image_extension("a.webp"));
  EXPECT_FALSE(is_image_extension("notes.md") || is_image_extension("png"));
}

TEST(ImageLinks, PastedNamesCarryTheTimeAndCountPastTakenOnes) {
  const LocalTime t{2026, 3, 7, 9, 5, 4, 12};
  std::set<fs::path> taken;
  const auto exists = [&](const fs::path& p) { return taken.count(p) > 0; };
  const fs::path first = make_image_file_name("assets", t, exists);
  EXPECT_EQ(first, fs::path("assets") / "image-20260307-090504-012.png");
  taken.insert(first);
  taken.insert(fs::path("assets") / "image-20260307-090504-012-1.png");
  EXPECT_EQ(make_image_file_name("assets", t, exists),
            fs::path("assets") / "image-20260307-090504-012-2.png");
}

// A packed bitmap: header fields as given, then `extra` bytes.
std::vector<std::uint8_t> dib(std::int32_t header, std::int32_t width, std::int32_t height,
                              std::uint16_t bits, std::uint32_t compression, std::uint32_t colours,
                              size_t extra) {
  std::vector<std::uint8_t> block(40 + extra, 0);
  const auto put = [&](size_t at, std::uint32_t v, size_t n) {
    for (size_t i = 0; i < n; ++i) block[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put(0, static_cast<std::uint32_t>(header), 4);
  put(4, static_cast<std::uint32_t>(width), 4);
  put(8, static_cast<std::uint32_t>(height), 4);
  put(12, 1, 2);
  put(14, bits, 2);
  put(16, compression, 4);
  put(32, colours, 4);
  return block;
}

TEST(ClipboardBitmap, OnlyHeadersWhosePixelsLieInsideTheBlockAreRead) {
  struct Case {
    std::vector<std::uint8_t> block;
    std::optional<size_t> offset;
  };
  const Case cases[] = {
      {dib(40, 3, 2, 24, 0, 0, 24), 40},
      {dib(40, 3, -2, 24, 0, 0, 24), 40},
      {dib(40, 2, 2, 32, 3, 0, 12 + 16), 52},
      {dib(40, 8, 1, 8, 0, 0, 1024 + 8), 1064},
      {dib(40, 8, 1, 8, 0, 2, 8 + 8), 48},
      {dib(40, 3, 2, 24, 0, 0, 23), std::nullopt},          // last row cut short
      {dib(40, 20001, 1, 24, 0, 0, 60008), std::nullopt},   // too wide
      {dib(40, 1, INT32_MIN, 24, 0, 0, 4), std::nullopt},   // height without a magnitude
      {dib(40, 20000, 20000, 32, 0, 0, 64), std::nullopt},  // rows far past the block
      {dib(40, 1, 1, 8, 0, 0xFFFFFFFFu, 4), std::nullopt},  // colour count overflow
      {dib(0x7FFFFFF0, 1, 1, 24, 0, 0, 4), std::nullopt},   // header past the block
      {dib(39, 1, 1, 24, 0, 0, 4), std::nullopt},
      {dib(40, 1, 1, 32, 1, 0, 4), std::nullopt},  // run-length compressed
      {dib(40, 1, 1, 7, 0, 0, 4), std::nullopt},
      {dib(40, 0, 1, 24, 0, 0, 4), std::nullopt},
      {dib(40, 1, 0, 24, 0, 0, 4), std::nullopt},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(dib_pixel_offset(cases[i].block.data(), cases[i].block.size()), cases[i].offset) << i;
  }
}

}  // namespace
}  // namespace tavrel::win
