#pragma once
// Where the Markdown parser reads images: the bytes of each image's address in the text, so that
// an export can replace addresses and nothing else (code keeps its text, titles stay titles).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::win {

struct ImageAddress {
  std::size_t begin = 0;  // the address as written, without angle brackets or title
  std::size_t end = 0;
  std::string source;  // the address as the parser reads it: escapes resolved, entities decoded
};

// The addresses of the images in `markdown` (the preview's dialect, front matter skipped) in text
// order, each place once: images that share a reference definition share its address. An image
// whose address cannot be placed exactly (one written with an escape or an entity) is left out.
// Throws std::runtime_error("Markdown parser failed") when the parser gives up.
std::vector<ImageAddress> image_addresses(std::string_view markdown);

}  // namespace tavrel::win
