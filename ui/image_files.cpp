#include "ui/image_files.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace tavrel::win {

namespace {

std::string percent_encode(std::string_view generic) {
  std::string out;
  out.reserve(generic.size());
  for (const char c : generic) {
    if (c == ' ') {
      out += "%20";
    } else if (c == '(') {
      out += "%28";
    } else if (c == ')') {
      out += "%29";
    } else {
      out += c;
    }
  }
  return out;
}

std::string generic_utf8(const std::filesystem::path& path) {
  const std::u8string text = path.generic_u8string();
  std::string out(text.begin(), text.end());
  // A Windows path keeps its backslashes in generic form on other systems; every one goes.
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

std::uint32_t read_u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t read_u16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

constexpr std::uint32_t bi_rgb = 0;
constexpr std::uint32_t bi_bitfields = 3;
constexpr std::int64_t max_side = 20000;

}  // namespace

std::string image_link_path(const std::filesystem::path& image,
                            const std::filesystem::path& folder) {
  std::error_code image_error;
  std::error_code folder_error;
  const auto canonical_image = std::filesystem::weakly_canonical(image, image_error);
  const auto canonical_folder = std::filesystem::weakly_canonical(folder, folder_error);
  std::filesystem::path chosen = image;
  if (!image_error && !folder_error) {
    const auto relative = canonical_image.lexically_relative(canonical_folder);
    if (!relative.empty()) chosen = relative;
  }
  return percent_encode(generic_utf8(chosen));
}

bool is_image_extension(const std::filesystem::path& path) {
  std::string ext = generic_utf8(path.extension());
  for (char& c : ext) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  for (const char* known : {".png", ".jpg", ".jpeg", ".gif", ".bmp", ".webp"}) {
    if (ext == known) return true;
  }
  return false;
}

std::filesystem::path make_image_file_name(
    const std::filesystem::path& folder, const LocalTime& now,
    const std::function<bool(const std::filesystem::path&)>& exists) {
  char base[64];
  std::snprintf(base, sizeof base, "image-%04u%02u%02u-%02u%02u%02u-%03u", now.year, now.month,
                now.day, now.hour, now.minute, now.second, now.millisecond);
  std::filesystem::path candidate = folder / (std::string(base) + ".png");
  for (unsigned n = 1; exists(candidate); ++n) {
    candidate = folder / (std::string(base) + "-" + std::to_string(n) + ".png");
  }
  return candidate;
}

std::optional<std::size_t> dib_pixel_offset(const std::uint8_t* block, std::size_t size) {
  if (block == nullptr || size < 40) return std::nullopt;
  const std::int64_t header = read_u32(block);
  const std::int64_t width = static_cast<std::int32_t>(read_u32(block + 4));
  const std::int64_t height = static_cast<std::int32_t>(read_u32(block + 8));
  const std::uint16_t planes = read_u16(block + 12);
  const std::uint16_t bits = read_u16(block + 14);
  const std::uint32_t compression = read_u32(block + 16);
  const std::int64_t used_colours = read_u32(block + 32);
  if (header < 40 || header > static_cast<std::int64_t>(size) || planes != 1) return std::nullopt;
  if (width < 1 || width > max_side || height == 0 || height < -max_side || height > max_side) {
    return std::nullopt;
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    return std::nullopt;
  }
  const bool bitfields = compression == bi_bitfields;
  if (compression != bi_rgb && !(bitfields && (bits == 16 || bits == 32))) return std::nullopt;
  const std::int64_t table_max = bits <= 8 ? std::int64_t{1} << bits : 0;
  if (bits <= 8 ? used_colours > table_max : used_colours > 256) return std::nullopt;
  const std::int64_t colours = used_colours != 0 ? used_colours : table_max;
  std::int64_t offset = header + 4 * colours;
  if (bitfields && header == 40) offset += 12;
  const std::int64_t stride = (width * bits + 31) / 32 * 4;
  const std::int64_t rows = height < 0 ? -height : height;
  if (offset + stride * rows > static_cast<std::int64_t>(size)) return std::nullopt;
  return static_cast<std::size_t>(offset);
}

}  // namespace tavrel::win
