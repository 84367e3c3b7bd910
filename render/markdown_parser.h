#pragma once
// What every run of md4c over a document shares, so that the preview, its HTML and the image
// addresses of an export read the same text in the same dialect and fail the same way.
#include <climits>
#include <cstddef>
#include <exception>
#include <md4c.h>
#include <stdexcept>
#include <string_view>

namespace tavrel::win {

// The dialect of the previews.
inline constexpr unsigned kPreviewParserFlags =
    MD_FLAG_PERMISSIVEURLAUTOLINKS | MD_FLAG_PERMISSIVEEMAILAUTOLINKS | MD_FLAG_NOHTMLBLOCKS |
    MD_FLAG_TABLES | MD_FLAG_STRIKETHROUGH | MD_FLAG_PERMISSIVEWWWAUTOLINKS | MD_FLAG_TASKLISTS |
    MD_FLAG_LATEXMATHSPANS;

// A parser of the previews' dialect that calls these.
inline MD_PARSER preview_parser(int (*enter_block)(MD_BLOCKTYPE, void*, void*),
                                int (*leave_block)(MD_BLOCKTYPE, void*, void*),
                                int (*enter_span)(MD_SPANTYPE, void*, void*),
                                int (*leave_span)(MD_SPANTYPE, void*, void*),
                                int (*text)(MD_TEXTTYPE, const MD_CHAR*, MD_SIZE, void*)) {
  MD_PARSER parser{};
  parser.flags = kPreviewParserFlags;
  parser.enter_block = enter_block;
  parser.leave_block = leave_block;
  parser.enter_span = enter_span;
  parser.leave_span = leave_span;
  parser.text = text;
  return parser;
}

// Front matter: a leading "---" line up to the next "---" line, not Markdown.
inline constexpr std::string_view kFrontMatterOpen = "---\n";
inline constexpr std::string_view kFrontMatterClose = "\n---\n";

// Where the Markdown the parser reads begins: behind the front matter, else at 0.
inline std::size_t front_matter_end(std::string_view markdown) {
  if (!markdown.starts_with(kFrontMatterOpen)) return 0;
  const std::size_t close = markdown.find(kFrontMatterClose, kFrontMatterOpen.size());
  return close == std::string_view::npos ? 0 : close + kFrontMatterClose.size();
}

// The length of `text` as the parser takes it; throws "Markdown parser failed" when it cannot.
inline MD_SIZE parser_size(std::string_view text) {
  if (text.size() > UINT_MAX) throw std::runtime_error("Markdown parser failed");
  return static_cast<MD_SIZE>(text.size());
}

// After md_parse returned `rc`: rethrows what a callback parked in `failure`, else throws
// "Markdown parser failed" when the parser gave up.
inline void end_parse(int rc, const std::exception_ptr& failure) {
  if (failure) std::rethrow_exception(failure);
  if (rc != 0) throw std::runtime_error("Markdown parser failed");
}

}  // namespace tavrel::win
