// Image addresses found by md4c itself. md4c reports no positions, but an address it can hand
// over as written (no backslash, no entity, no NUL) points straight into the parsed text, which
// places it exactly. A backslash that escapes nothing ("img\a.png", common on Windows) makes md4c
// hand over a copy instead; such addresses are placed by a second parse of the text with those
// backslashes turned into slashes, which the parser reads the same way.
//
// A reference definition that a link uses too keeps its address; each image of it is given an
// inline address instead, written in place of its reference. md4c does not place images either:
// an image starts at the first "![" after the text before it, and its reference follows its
// bracketed description. A parse of the text with those references written inline must read the
// same images and links as before, else none of them is written.
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

constexpr std::size_t kNowhere = std::string_view::npos;

// An image's or a link's address as the parser reported it.
struct SeenAddress {
  std::optional<std::size_t> begin;  // where it lies in the parsed text, when it does
  std::size_t length = 0;            // and how many bytes it takes there
  std::string written;  // the address as md4c gives it: escapes resolved, entities not decoded
  std::string source;   // the same with entities decoded
};

struct SeenImage {
  SeenAddress address;
  std::string title;             // as the parser reads it
  std::string inline_title;      // written for an inline address
  std::size_t start = kNowhere;  // where its "![" stands, when found
  std::size_t alt_end = 0;       // where the last text of its description ends
  std::size_t after = kNowhere;  // where the first text after it starts
};

struct ImageScan {
  std::string_view text;
  std::vector<SeenImage> images;
  std::vector<SeenAddress> links;
  std::exception_ptr failure;
  std::size_t text_end = 0;          // where the last text that lies in the parsed text ends
  std::vector<std::size_t> open;     // images entered and not left yet
  std::vector<std::size_t> waiting;  // images left that no text followed yet
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

std::string_view attribute_part(const MD_ATTRIBUTE& attribute, unsigned part) {
  return {attribute.text + attribute.substr_offsets[part],
          attribute.substr_offsets[part + 1] - attribute.substr_offsets[part]};
}

// The attribute's parts in order, a NUL as U+FFFD, its entities and its other text as `entity`
// and `plain` write them.
template <typename Entity, typename Plain>
std::string attribute_parts(const MD_ATTRIBUTE& attribute, Entity entity, Plain plain) {
  std::string out;
  for (unsigned part = 0; attribute.substr_offsets[part] < attribute.size; ++part) {
    const std::string_view piece = attribute_part(attribute, part);
    if (attribute.substr_types[part] == MD_TEXT_ENTITY) {
      entity(out, piece);
    } else if (attribute.substr_types[part] == MD_TEXT_NULLCHAR) {
      out += "\xEF\xBF\xBD";
    } else {
      plain(out, piece);
    }
  }
  return out;
}

void append_piece(std::string& out, std::string_view piece) { out += piece; }

// The attribute as the parser reads it: entities decoded, a NUL as U+FFFD.
std::string attribute_text(const MD_ATTRIBUTE& attribute) {
  return attribute_parts(
      attribute,
      [](std::string& out, std::string_view entity) {
        out += decode_html_entity(std::string(entity));
      },
      append_piece);
}

// A title written for an inline address that reads as `title` does: its punctuation escaped, so
// nothing in it ends the title or a table cell, its entities kept and its line breaks as
// character references, so that it stays on the image's line.
std::string inline_title(const MD_ATTRIBUTE& title) {
  if (title.size == 0) return {};
  const auto escaped = [](std::string& out, std::string_view piece) {
    for (const char c : piece) {
      if (is_ascii_punctuation(c)) out.push_back('\\');
      if (c == '\n' || c == '\r') {
        out += c == '\n' ? "&#10;" : "&#13;";
      } else {
        out.push_back(c);
      }
    }
  };
  return " \"" + attribute_parts(title, append_piece, escaped) + "\"";
}

// Where `data` of `size` bytes lies in `text`, when it does.
std::optional<std::size_t> place_in(std::string_view text, const char* data, std::size_t size) {
  const std::less_equal<const char*> at_or_before;
  if (size == 0 || !at_or_before(text.data(), data) ||
      !at_or_before(data + size, text.data() + text.size())) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(data - text.data());
}

SeenAddress seen_address(std::string_view text, const MD_ATTRIBUTE& address) {
  SeenAddress seen;
  seen.written.assign(address.text, address.size);
  seen.source = attribute_text(address);
  seen.begin = place_in(text, address.text, address.size);
  if (seen.begin) seen.length = address.size;
  return seen;
}

void enter_image(ImageScan& scan, const MD_SPAN_IMG_DETAIL& detail) {
  SeenImage image;
  image.address = seen_address(scan.text, detail.src);
  image.title = attribute_text(detail.title);
  image.inline_title = inline_title(detail.title);
  // Between the text before an image and its "![" stand only delimiters of the spans around it;
  // an image inside another one's description starts after that one's "![".
  std::size_t from = scan.text_end;
  if (!scan.images.empty() && scan.images.back().start != kNowhere) {
    from = std::max(from, scan.images.back().start + 1);
  }
  image.start = scan.text.find("![", from);
  scan.open.push_back(scan.images.size());
  scan.images.push_back(std::move(image));
}

// Runs one callback's work; an exception is parked and stops the parse.
template <typename Work>
int guarded(ImageScan& scan, Work work) {
  if (scan.failure) return 1;
  try {
    work();
  } catch (...) {
    scan.failure = std::current_exception();
    return 1;
  }
  return 0;
}

int on_enter_span(MD_SPANTYPE type, void* detail, void* userdata) {
  auto& scan = *static_cast<ImageScan*>(userdata);
  return guarded(scan, [&] {
    if (type == MD_SPAN_IMG) enter_image(scan, *static_cast<MD_SPAN_IMG_DETAIL*>(detail));
    if (type == MD_SPAN_A) {
      scan.links.push_back(seen_address(scan.text, static_cast<MD_SPAN_A_DETAIL*>(detail)->href));
    }
  });
}

int on_leave_span(MD_SPANTYPE type, void*, void* userdata) {
  auto& scan = *static_cast<ImageScan*>(userdata);
  return guarded(scan, [&] {
    if (type != MD_SPAN_IMG || scan.open.empty()) return;
    const std::size_t left = scan.open.back();
    scan.open.pop_back();
    scan.waiting.push_back(left);
    // The description of the image around it goes on at least as far.
    if (!scan.open.empty()) {
      std::size_t& outer = scan.images[scan.open.back()].alt_end;
      outer = std::max(outer, scan.images[left].alt_end);
    }
  });
}

int on_text(MD_TEXTTYPE, const MD_CHAR* text, MD_SIZE size, void* userdata) {
  auto& scan = *static_cast<ImageScan*>(userdata);
  const std::optional<std::size_t> place = place_in(scan.text, text, size);
  if (!place) return scan.failure ? 1 : 0;
  for (const std::size_t image : scan.waiting) scan.images[image].after = *place;
  scan.waiting.clear();
  if (!scan.open.empty()) scan.images[scan.open.back()].alt_end = *place + size;
  scan.text_end = *place + size;
  return scan.failure ? 1 : 0;
}

int on_block(MD_BLOCKTYPE, void*, void*) { return 0; }

ImageScan scan_images(std::string_view text) {
  const MD_SIZE size = parser_size(text);
  ImageScan scan{text, {}, {}, nullptr, 0, {}, {}};
  const MD_PARSER parser =
      preview_parser(on_block, on_block, on_enter_span, on_leave_span, on_text);
  end_parse(md_parse(text.data(), size, &parser, &scan), scan.failure);
  return scan;
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

void adopt_twin_place(std::string_view text, SeenAddress& address, const SeenAddress& twin) {
  if (address.begin || !twin.begin) return;
  const std::string_view written = text.substr(*twin.begin, twin.length);
  if (resolve_escapes(written) != address.written) return;
  address.begin = twin.begin;
  address.length = twin.length;
}

// Places the addresses of `scan` that have no place yet by their twins in a parse of the text
// without plain backslashes, each checked against what the first parse read.
void place_by_twins(std::string_view text, ImageScan& scan) {
  const std::string twin_text = without_plain_backslashes(text);
  const ImageScan twins = scan_images(twin_text);
  if (twins.images.size() != scan.images.size() || twins.links.size() != scan.links.size()) return;
  for (std::size_t i = 0; i < scan.images.size(); ++i) {
    adopt_twin_place(text, scan.images[i].address, twins.images[i].address);
  }
  for (std::size_t i = 0; i < scan.links.size(); ++i) {
    adopt_twin_place(text, scan.links[i], twins.links[i]);
  }
}

// Where the paragraph that holds `at` ends at the latest: at the next blank line.
std::size_t paragraph_limit(std::string_view text, std::size_t at) {
  return std::min({text.find("\n\n", at), text.find("\n\r\n", at), text.size()});
}

// After a run of backticks at `at`: behind the code span it opens, or behind the run when no run
// as long closes one before `limit`.
std::size_t after_backticks(std::string_view text, std::size_t at, std::size_t limit) {
  const std::size_t length = text.find_first_not_of('`', at) - at;
  for (std::size_t close = text.find('`', at + length); close < limit;) {
    const std::size_t end = std::min(text.find_first_not_of('`', close), text.size());
    if (end - close == length) return end;
    close = text.find('`', end);
  }
  return at + length;
}

// The closing bracket of the description of the image whose "![" stands at `start`, read as the
// parser reads brackets there (nested pairs, escapes, code spans); kNowhere when the paragraph
// ends first.
std::size_t description_end(std::string_view text, std::size_t start, std::size_t limit) {
  int depth = 0;
  for (std::size_t at = start + 1; at < limit; ++at) {
    if (text[at] == '\\') {
      ++at;
    } else if (text[at] == '`') {
      at = after_backticks(text, at, limit) - 1;
    } else if (text[at] == '[') {
      ++depth;
    } else if (text[at] == ']' && --depth == 0) {
      return at;
    }
  }
  return kNowhere;
}

// The place of the image's reference, behind its description that closes at `close`: "[label]"
// or "[]", else the empty place behind a shortcut.
std::optional<std::pair<std::size_t, std::size_t>> reference_after(std::string_view text,
                                                                   std::size_t close,
                                                                   std::size_t limit) {
  if (close + 1 >= limit || text[close + 1] != '[') return std::pair(close + 1, close + 1);
  for (std::size_t at = close + 2; at < limit; ++at) {
    if (text[at] == '\\') {
      ++at;
    } else if (text[at] == '[') {
      return std::nullopt;
    } else if (text[at] == ']') {
      return std::pair(close + 1, at + 1);
    }
  }
  return std::nullopt;
}

// The image's reference as a place to write an inline address at, when it can be found.
std::optional<ImageAddress> reference_of(std::string_view text, const SeenImage& image) {
  if (image.start == kNowhere) return std::nullopt;
  const std::size_t limit = paragraph_limit(text, image.start);
  const std::size_t close = description_end(text, image.start, limit);
  if (close == kNowhere || image.alt_end > close) return std::nullopt;
  const auto place = reference_after(text, close, limit);
  // What the parser showed as text behind the image is no part of its reference.
  if (!place || (image.after != kNowhere && image.after < place->second)) return std::nullopt;
  return ImageAddress{place->first, place->second, image.address.source, true, image.inline_title};
}

// Which images' addresses a link uses too: those keep the definition as it is.
std::vector<bool> linked_images(const ImageScan& scan) {
  std::vector<std::size_t> link_places;
  for (const SeenAddress& link : scan.links) {
    if (link.begin) link_places.push_back(*link.begin);
  }
  std::sort(link_places.begin(), link_places.end());
  std::vector<bool> linked(scan.images.size(), false);
  for (std::size_t i = 0; i < scan.images.size(); ++i) {
    const std::optional<std::size_t> begin = scan.images[i].address.begin;
    linked[i] = begin && std::binary_search(link_places.begin(), link_places.end(), *begin);
  }
  return linked;
}

// The references of the linked images that can be found, to write inline addresses at; `images`
// gets each one's index in the scan.
std::vector<ImageAddress> linked_references(std::string_view text, const ImageScan& scan,
                                            const std::vector<bool>& linked,
                                            std::vector<std::size_t>& images) {
  std::vector<ImageAddress> references;
  for (std::size_t i = 0; i < scan.images.size(); ++i) {
    if (!linked[i]) continue;
    if (std::optional<ImageAddress> reference = reference_of(text, scan.images[i])) {
      references.push_back(std::move(*reference));
      images.push_back(i);
    }
  }
  return references;
}

// Whether the parser reads the text with `references` written inline as meant: the same images
// and links in the same order, those images with the inline address where it was written and the
// definition's title, everything else with the addresses and titles it had.
bool read_as_meant(std::string_view text, const ImageScan& before,
                   const std::vector<ImageAddress>& references,
                   const std::vector<std::size_t>& images) {
  constexpr std::string_view kStandIn = "x";
  std::vector<std::size_t> order(references.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return references[a].begin < references[b].begin;
  });
  std::string changed;
  std::vector<std::size_t> places(before.images.size(), kNowhere);
  std::size_t copied = 0;
  for (const std::size_t i : order) {
    changed.append(text.substr(copied, references[i].begin - copied));
    places[images[i]] = changed.size() + 1;
    changed += image_address_text(references[i], kStandIn);
    copied = references[i].end;
  }
  changed.append(text.substr(copied));
  const ImageScan after = scan_images(changed);
  if (after.images.size() != before.images.size() || after.links.size() != before.links.size()) {
    return false;
  }
  for (std::size_t i = 0; i < after.links.size(); ++i) {
    if (after.links[i].source != before.links[i].source) return false;
  }
  for (std::size_t i = 0; i < after.images.size(); ++i) {
    const SeenImage& image = after.images[i];
    const bool as_meant =
        places[i] == kNowhere
            ? image.address.source == before.images[i].address.source
            : image.address.begin == places[i] && image.address.written == kStandIn;
    if (!as_meant || image.title != before.images[i].title) return false;
  }
  return true;
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
  ImageScan scan = scan_images(text);
  if (std::any_of(scan.images.begin(), scan.images.end(), [](const SeenImage& image) {
        return !image.address.begin && !image.address.written.empty();
      })) {
    place_by_twins(text, scan);
  }
  const std::vector<bool> linked = linked_images(scan);
  std::vector<std::size_t> inline_images;
  std::vector<ImageAddress> addresses = linked_references(text, scan, linked, inline_images);
  if (!addresses.empty() && !read_as_meant(text, scan, addresses, inline_images)) addresses.clear();
  for (std::size_t i = 0; i < scan.images.size(); ++i) {
    SeenAddress& address = scan.images[i].address;
    if (!address.begin || linked[i]) continue;
    addresses.push_back(
        {*address.begin, *address.begin + address.length, std::move(address.source), false, {}});
  }
  for (ImageAddress& address : addresses) {
    address.begin += body;
    address.end += body;
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

std::string image_address_text(const ImageAddress& image, std::string_view address) {
  if (!image.reference) return std::string(address);
  return "(" + std::string(address) + image.title + ")";
}

}  // namespace tavrel::win
