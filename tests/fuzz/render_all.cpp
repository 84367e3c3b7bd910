// Feeds arbitrary bytes through the whole export road: Markdown model, RTF and the DOCX package
// in memory. Any crash or sanitizer report is a failure, and so is a DOCX part that is not
// well-formed XML 1.0 or RTF that is not one group of printable ASCII.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_convert.h"
#include "render/docx_writer.h"
#include "render/markdown_model.h"
#include "render/rtf_writer.h"
#include "render/zip_writer.h"

namespace {

using namespace tavrel::win;

[[noreturn]] void fail(const char* what, std::string_view where) {
  std::fprintf(stderr, "render_all: %s in %.*s\n", what, static_cast<int>(where.size()),
               where.data());
  std::abort();
}

constexpr std::string_view kNameChars =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789:_-.[]";

std::size_t name_end(std::string_view xml, std::size_t pos) {
  return std::min(xml.find_first_not_of(kNameChars, pos), xml.size());
}

// Checks character data from `pos` up to `end` (or the end of `xml` for text between tags):
// characters XML 1.0 allows, and only predefined or decimal references. Returns where it stopped.
std::size_t check_text(std::string_view xml, std::size_t pos, char end) {
  for (; pos < xml.size() && xml[pos] != end; ++pos) {
    auto byte = static_cast<unsigned char>(xml[pos]);
    std::string_view rest = xml.substr(pos);
    if (byte == '<' || (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') ||
        rest.starts_with("\xEF\xBF\xBE") || rest.starts_with("\xEF\xBF\xBF")) {
      fail("character XML forbids here", rest.substr(0, 40));
    }
    std::size_t digits = rest.starts_with("&#") ? rest.find_first_not_of("0123456789", 2) : 0;
    bool numeric = digits > 2 && digits != std::string_view::npos && rest[digits] == ';';
    if (byte == '&' && !numeric && !rest.starts_with("&amp;") && !rest.starts_with("&lt;") &&
        !rest.starts_with("&gt;") && !rest.starts_with("&quot;") && !rest.starts_with("&apos;")) {
      fail("bad reference", rest.substr(0, 12));
    }
  }
  if (end == '"' && pos == xml.size()) fail("unterminated attribute", xml.substr(0, 60));
  return pos;
}

void check_well_formed(std::string_view xml) {
  if (!is_valid_utf8(xml)) fail("invalid UTF-8", xml.substr(0, 60));
  std::size_t pos = xml.starts_with("<?xml") ? xml.find("?>") + 2 : 0;
  std::vector<std::string_view> open;
  bool root_done = false;
  while (pos < xml.size()) {
    if (xml[pos] != '<') {
      if (open.empty()) fail("text outside the root element", xml.substr(pos, 20));
      pos = check_text(xml, pos, '<');
      continue;
    }
    if (root_done) fail("content after the root element", xml.substr(pos, 20));
    bool closing = xml.substr(pos + 1, 1) == "/";
    std::size_t name_start = pos + (closing ? 2 : 1);
    std::size_t i = name_end(xml, name_start);
    std::string_view name = xml.substr(name_start, i - name_start);
    while (!name.empty() && !closing && xml.substr(i, 1) == " ") {
      std::size_t attribute = i + 1;
      i = name_end(xml, attribute);
      if (i == attribute || xml.substr(i, 2) != "=\"") fail("bad attribute", xml.substr(pos, 40));
      i = check_text(xml, i + 2, '"') + 1;
    }
    bool empty = !closing && xml.substr(i, 2) == "/>";
    if (name.empty() || (!empty && xml.substr(i, 1) != ">")) fail("bad tag", xml.substr(pos, 40));
    if (closing && (open.empty() || open.back() != name)) fail("mismatched end tag", name);
    if (closing) open.pop_back();
    if (!closing && !empty) open.push_back(name);
    root_done = open.empty();
    pos = i + (empty ? 2 : 1);
  }
  if (!root_done) fail("unclosed or missing root element", xml.substr(0, 60));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string markdown(reinterpret_cast<const char*>(data), size);
  RenderedMarkdown doc;
  try {
    doc = render_markdown(markdown);
  } catch (const std::runtime_error&) {
    return 0;  // a parser failure is reported to the user, not a crash
  }
  try {
    std::string rtf = render_rtf(doc, size % 2 == 0, 11);
    for (char c : rtf) {
      if (c < 0x20 || c > 0x7E) fail("RTF byte outside printable ASCII", rtf.substr(0, 60));
    }
    if (rtf.empty() || rtf.front() != '{' || rtf.back() != '}')
      fail("RTF not one group", rtf.substr(0, 60));
  } catch (const std::runtime_error&) {
    // Only text that is not UTF-8 may make the RTF conversion refuse.
    if (is_valid_utf8(markdown)) fail("RTF refused valid UTF-8 input", markdown);
  }
  std::vector<ZipEntry> parts = docx_package_entries(doc);
  std::size_t expected = 22;
  for (const ZipEntry& part : parts) {
    check_well_formed(part.data);
    expected += 76 + 2 * part.name.size() + part.data.size();
  }
  std::string zip = build_zip(std::move(parts));
  if (zip.size() != expected || !zip.starts_with("PK\x03\x04")) fail("bad archive size", "zip");
  return 0;
}
