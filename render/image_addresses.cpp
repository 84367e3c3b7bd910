// Image addresses found by md4c itself. md4c reports no positions, but an address it can hand
// over as written (no backslash, no entity, no NUL) points straight into the parsed text, which
// places it exactly. A backslash that escapes nothing ("img\a.png", common on Windows) makes md4c
// hand over a copy instead; such addresses are placed by a second parse of the text with those
// backslashes turned into slashes, which the parser reads the same way.
#include "render/image_addresses.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <md4c.h>
#include <optional>

#include "render/markdown_model.h"
#include "render/markdown_parser.h"

namespace tavrel::win {
namespace {

// One image as the parser reported it.
struct SeenImage {
  std::optional<std::size_t> begin;  // where its address lies in the parsed text, when it does
  std::size_t length = 0;            // and how many bytes it takes there
  std::string written;  // the address as md4c gives it: escapes resolved, entities not decoded
  std::string source;   // the same with entities decoded
};

struct ImageScan {
  std::string_view text;
  std::vector<SeenImage> images;
  std::exception_ptr failure;
};

bool is_ascii_punctuation(char c) {
  return (c >= '!' && c <= '/') || (c >= ':' && c <= '@') || (c >= '[' && c <= '`') ||
         (c >= '{' && c <= '~');
}

bool escapes_next(std::string_view text, std::size_t at) {
  return at + 1 < text.size() &&
         (is_ascii_punctuation(text[at + 1]) || text[at + 1] == '\n' || text[at + 1] == '\r');
}

// The address with md4c's escapes resolved, as it resolves them in attributes.
std::string resolve_escapes(std::string_view written) {
  std::string out;
  out.reserve(written.size());
  for (std::size_t at = 0; at < written.size(); ++at) {
    if (written[at] == '\\' && escapes_next(written, at)) ++at;
    out.push_back(written[at]);
  }
  return out;
}

SeenImage seen_image(std::string_view text, const MD_ATTRIBUTE& src) {
  SeenImage image;
  image.written.assign(src.text, src.size);
  for (unsigned part = 0; src.substr_offsets[part] < src.size; ++part) {
    const std::string piece(src.text + src.substr_offsets[part],
                            src.substr_offsets[part + 1] - src.substr_offsets[part]);
    if (src.substr_types[part] == MD_TEXT_ENTITY) {
      image.source += decode_html_entity(piece);
    } else if (src.substr_types[part] == MD_TEXT_NULLCHAR) {
      image.source += "\xEF\xBF\xBD";
    } else {
      image.source += piece;
    }
  }
  const std::less_equal<const char*> at_or_before;
  if (src.size > 0 && at_or_before(text.data(), src.text) &&
      at_or_before(src.text + src.size, text.data() + text.size())) {
    image.begin = static_cast<std::size_t>(src.text - text.data());
    image.length = src.size;
  }
  return image;
}

int on_enter_span(MD_SPANTYPE type, void* detail, void* userdata) {
  auto& scan = *static_cast<ImageScan*>(userdata);
  if (type != MD_SPAN_IMG || scan.failure) return 0;
  try {
    scan.images.push_back(seen_image(scan.text, static_cast<MD_SPAN_IMG_DETAIL*>(detail)->src));
  } catch (...) {
    scan.failure = std::current_exception();
    return 1;  // stops the parse
  }
  return 0;
}

int on_other_block(MD_BLOCKTYPE, void*, void*) { return 0; }
int on_other_span(MD_SPANTYPE, void*, void*) { return 0; }
int on_text(MD_TEXTTYPE, const MD_CHAR*, MD_SIZE, void*) { return 0; }

std::vector<SeenImage> scan_images(std::string_view text) {
  const MD_SIZE size = parser_size(text);
  ImageScan scan{text, {}, nullptr};
  MD_PARSER parser{};
  parser.flags = kPreviewParserFlags;
  parser.enter_block = on_other_block;
  parser.leave_block = on_other_block;
  parser.enter_span = on_enter_span;
  parser.leave_span = on_other_span;
  parser.text = on_text;
  end_parse(md_parse(text.data(), size, &parser, &scan), scan.failure);
  return std::move(scan.images);
}

// The text with every backslash that escapes nothing turned into a slash: both are punctuation
// that starts no construct of the dialect, so the text parses into the same images.
std::string without_plain_backslashes(std::string_view text) {
  std::string out(text);
  for (std::size_t at = 0; at < out.size(); ++at) {
    if (out[at] == '\\' && !escapes_next(text, at)) out[at] = '/';
    if (text[at] == '\\' && escapes_next(text, at)) ++at;
  }
  return out;
}

// Places the images of `images` that have no place yet by their twins in a parse of the text
// without plain backslashes, each checked against what the first parse read.
void place_by_twins(std::string_view text, std::vector<SeenImage>& images) {
  const std::string twin_text = without_plain_backslashes(text);
  const std::vector<SeenImage> twins = scan_images(twin_text);
  if (twins.size() != images.size()) return;
  for (std::size_t i = 0; i < images.size(); ++i) {
    SeenImage& image = images[i];
    if (image.begin || !twins[i].begin) continue;
    const std::string_view written = text.substr(*twins[i].begin, twins[i].length);
    if (resolve_escapes(written) != image.written) continue;
    image.begin = twins[i].begin;
    image.length = twins[i].length;
  }
}

// md4c can read an image inside another image's address ("![![](![]()](b.png))"): replacing
// either would change the other, so neither is given.
void drop_overlaps(std::vector<ImageAddress>& addresses) {
  std::vector<bool> overlaps(addresses.size(), false);
  std::size_t widest = 0;  // of the addresses so far, the one that ends last
  for (std::size_t i = 1; i < addresses.size(); ++i) {
    if (addresses[i].begin < addresses[widest].end) overlaps[i] = overlaps[widest] = true;
    if (addresses[i].end > addresses[widest].end) widest = i;
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    if (overlaps[i]) continue;
    if (kept != i) addresses[kept] = std::move(addresses[i]);
    ++kept;
  }
  addresses.resize(kept);
}

}  // namespace

std::vector<ImageAddress> image_addresses(std::string_view markdown) {
  const std::size_t body = front_matter_end(markdown);
  const std::string_view text = markdown.substr(body);
  std::vector<SeenImage> images = scan_images(text);
  for (const SeenImage& image : images) {
    if (!image.begin && !image.written.empty()) {
      place_by_twins(text, images);
      break;
    }
  }
  std::vector<ImageAddress> addresses;
  for (SeenImage& image : images) {
    if (!image.begin) continue;
    const std::size_t begin = body + *image.begin;
    addresses.push_back({begin, begin + image.length, std::move(image.source)});
  }
  std::sort(addresses.begin(), addresses.end(),
            [](const ImageAddress& a, const ImageAddress& b) { return a.begin < b.begin; });
  const auto same_place = [](const ImageAddress& a, const ImageAddress& b) {
    return a.begin == b.begin;
  };
  addresses.erase(std::unique(addresses.begin(), addresses.end(), same_place), addresses.end());
  drop_overlaps(addresses);
  return addresses;
}

}  // namespace tavrel::win
