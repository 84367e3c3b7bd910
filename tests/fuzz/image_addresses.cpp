// Feeds arbitrary bytes to the image embedding of the standalone page with a reader that gives
// every name the same bytes. Any crash or sanitizer report is a failure, and so is an address
// outside the text, addresses out of order or overlapping, or a page text that differs from the
// document anywhere but at its image addresses (or, for an image whose definition a link uses
// too, at its reference), or a link whose address changed.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "render/image_addresses.h"
#include "render/markdown_parser.h"
#include "web/standalone_html.h"

namespace {

using namespace tavrel::win;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "image_addresses: %s\n", what);
  std::abort();
}

// Pieces of image syntax: the library is not instrumented for coverage, so the bytes choose among
// pieces that make images, code and references rather than letters that rarely do.
constexpr const char* kPieces[] = {
    "![",    "](",      "]",   "[",     "(",        ")",     "a.png",  "b\\c.png", "<",
    ">",     " \"t\"",  "\\",  "&amp;", "`",        "```\n", "\n    ", "\n",       "\n\n",
    "[r]: ", "[r]",     "*",   "$",     "---\n",    ":",     " ",      "> ",       "- ",
    "|",     "\n|-|\n", "%2E", "\0",    "\xC3\xA9", "'",     "\\!"};

std::string markdown_of(const std::uint8_t* data, std::size_t size) {
  std::string text;
  for (std::size_t i = 0; i < size; ++i) {
    const std::size_t piece = data[i] % (std::size(kPieces) + 1);
    if (piece == std::size(kPieces)) {
      text.push_back(static_cast<char>(data[i]));
    } else {
      text += kPieces[piece];
    }
  }
  return text;
}

// Whether `page` is `text` with some of its image addresses replaced by data: addresses.
bool only_addresses_changed(const std::string& text, const std::vector<ImageAddress>& addresses,
                            const std::string& page) {
  constexpr std::string_view kData = "data:image/png;base64,eA==";
  std::size_t at = 0;
  std::size_t copied = 0;
  for (const ImageAddress& address : addresses) {
    if (address.begin < copied || address.end > text.size() ||
        (address.begin >= address.end && !address.reference)) {
      fail("address out of order or outside the text");
    }
    const std::string_view written(text.data() + address.begin, address.end - address.begin);
    const std::string_view before(text.data() + copied, address.begin - copied);
    if (std::string_view(page).substr(at, before.size()) != before) return false;
    at += before.size();
    const std::string_view rest = std::string_view(page).substr(at);
    const std::string replaced = image_address_text(address, kData);
    if (rest.starts_with(replaced)) {
      at += replaced.size();
    } else if (rest.starts_with(written)) {
      at += written.size();
    } else {
      return false;
    }
    copied = address.end;
  }
  return std::string_view(page).substr(at) == std::string_view(text).substr(copied);
}

int on_enter_span(MD_SPANTYPE type, void* detail, void* userdata) {
  if (type == MD_SPAN_A) {
    const MD_ATTRIBUTE& href = static_cast<MD_SPAN_A_DETAIL*>(detail)->href;
    static_cast<std::vector<std::string>*>(userdata)->emplace_back(href.text, href.size);
  }
  return 0;
}
int on_span(MD_SPANTYPE, void*, void*) { return 0; }
int on_block(MD_BLOCKTYPE, void*, void*) { return 0; }
int on_text(MD_TEXTTYPE, const MD_CHAR*, MD_SIZE, void*) { return 0; }

// Whether an address holds only letters, digits, path characters and non-ASCII bytes.
bool is_plain_address(std::string_view address) {
  return std::all_of(address.begin(), address.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 || std::isalnum(byte) ||
           std::string_view("./\\-%").find(c) != std::string_view::npos;
  });
}

// The links' addresses as the parser reads them, in order.
std::vector<std::string> link_addresses(std::string_view text) {
  text.remove_prefix(front_matter_end(text));
  std::vector<std::string> links;
  const MD_PARSER parser = preview_parser(on_block, on_block, on_enter_span, on_span, on_text);
  if (md_parse(text.data(), parser_size(text), &parser, &links) != 0) fail("parser failed");
  return links;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = markdown_of(data, size);
  std::vector<ImageAddress> addresses;
  std::string page_text;
  try {
    addresses = image_addresses(text);
    page_text = embed_images(
        text, [](const std::filesystem::path&) { return std::optional<std::string>("x"); });
  } catch (const std::exception&) {
    return 0;  // the parser gave up: the page is not made
  }
  if (!only_addresses_changed(text, addresses, page_text)) fail("bytes changed besides addresses");
  // md4c can pair a mark inside an image's address ("[", "$", "`", ...) with one behind it and
  // read other links then; an address of letters, digits and path characters never does.
  const bool plain = std::all_of(addresses.begin(), addresses.end(), [&](const ImageAddress& a) {
    return a.reference || is_plain_address(std::string_view(text).substr(a.begin, a.end - a.begin));
  });
  if (plain && link_addresses(page_text) != link_addresses(text)) {
    fail("a link's address changed");
  }
  return 0;
}
