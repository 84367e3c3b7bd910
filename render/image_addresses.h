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
  // An image whose reference definition a link uses too cannot change the definition's address:
  // [begin, end) is then the image's reference ("[r]", "[]", or the empty place after "![r]"),
  // where image_address_text puts an inline address with the definition's title.
  bool reference = false;
  std::string title;  // for a reference: the title written for an inline address, or empty
};

// The addresses of the images in `markdown` (the preview's dialect, front matter skipped) in text
// order, each place once: images that share a reference definition share its address, unless a
// link uses the definition as well. An image whose address cannot be placed exactly (one written
// with an escape or an entity) is left out, and so is an image of a definition a link uses whose
// reference the parser would not read as meant once it is written inline.
// Throws std::runtime_error("Markdown parser failed") when the parser gives up.
std::vector<ImageAddress> image_addresses(std::string_view markdown);

// What takes the place [begin, end) of `image` to give it the address `address`.
std::string image_address_text(const ImageAddress& image, std::string_view address);

}  // namespace tavrel::win
