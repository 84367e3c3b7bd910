#pragma once
// The portable half of putting images into a document: the link text of an image file, the
// file name of a pasted bitmap and the check of a clipboard bitmap before a byte of it is read.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace tavrel::win {

// The path written into the reference, UTF-8: relative to `folder` where one exists, else the
// image path as given; always with "/" and with " ", "(" and ")" percent-encoded.
std::string image_link_path(const std::filesystem::path& image,
                            const std::filesystem::path& folder);

// Dropped files with these extensions (in any letter case) become image references.
bool is_image_extension(const std::filesystem::path& path);

struct LocalTime {
  unsigned year, month, day, hour, minute, second, millisecond;
};

// A "image-YYYYMMDD-hhmmss-mmm[-n].png" in `folder` for which `exists` says no. `exists` may
// throw; its failure is the caller's.
std::filesystem::path make_image_file_name(
    const std::filesystem::path& folder, const LocalTime& now,
    const std::function<bool(const std::filesystem::path&)>& exists);

// Where the pixels of a packed clipboard bitmap start, when the header is one we can read in
// full from a block of `size` bytes: header of 40 bytes or more, one plane, 1 to 20000 pixels
// wide, at most 20000 high, a known bit count and compression, a colour table and pixel rows
// that lie inside the block. Nothing for anything else. All arithmetic is done in 64 bits.
std::optional<std::size_t> dib_pixel_offset(const std::uint8_t* block, std::size_t size);

}  // namespace tavrel::win
