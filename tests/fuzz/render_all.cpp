// Feeds arbitrary bytes through the whole export road: Markdown model, RTF and the DOCX package
// in memory. Any crash or sanitizer report is a failure, and so is a DOCX part that is not
// well-formed XML 1.0 or RTF that is not plain ASCII.
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

[[noreturn]] void fail(const char* what, std::string_view part) {
  std::fprintf(stderr, "render_all: %s in %.*s\n", what, static_cast<int>(part.size()),
               part.data());
  std::abort();
}

// True when the (valid UTF-8) code point starting at `pos` may appear in an XML 1.0 document.
bool is_xml_char(std::string_view text, std::size_t pos) {
  auto byte = static_cast<unsigned char>(text[pos]);
  if (byte < 0x20) return byte == '\t' || byte == '\n' || byte == '\r';
  return text.substr(pos, 3) != "\xEF\xBF\xBE" && text.substr(pos, 3) != "\xEF\xBF\xBF";
}

bool is_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' ||
         c == '_' || c == '-' || c == '.' || c == '[' || c == ']';
}

// A reference must be one of the five predefined entities or a character reference.
std::size_t check_reference(std::string_view xml, std::size_t pos) {
  std::size_t end = xml.find(';', pos);
  if (end == std::string_view::npos || end - pos > 10)
    fail("unterminated reference", xml.substr(pos, 20));
  std::string_view ref = xml.substr(pos, end - pos + 1);
  if (ref == "&amp;" || ref == "&lt;" || ref == "&gt;" || ref == "&quot;" || ref == "&apos;")
    return end + 1;
  if (ref.size() > 3 && ref[1] == '#') {
    for (std::size_t i = 2; i + 1 < ref.size(); ++i) {
      if (ref[i] < '0' || ref[i] > '9') fail("bad character reference", ref);
    }
    return end + 1;
  }
  fail("unknown reference", ref);
}

// Checks one start, end or empty-element tag beginning at `pos`; returns the position behind it.
std::size_t check_tag(std::string_view xml, std::size_t pos, std::vector<std::string_view>& open) {
  bool closing = xml[pos + 1] == '/';
  std::size_t name_start = pos + (closing ? 2 : 1);
  std::size_t i = name_start;
  while (i < xml.size() && is_name_char(xml[i])) ++i;
  std::string_view name = xml.substr(name_start, i - name_start);
  if (name.empty()) fail("tag without a name", xml.substr(pos, 20));
  while (i < xml.size() && xml[i] == ' ') {
    std::size_t attr = ++i;
    while (i < xml.size() && is_name_char(xml[i])) ++i;
    if (i == attr || closing || xml.substr(i, 2) != "=\"")
      fail("bad attribute", xml.substr(pos, 40));
    for (i += 2; i < xml.size() && xml[i] != '"';) {
      if (xml[i] == '<') fail("'<' in an attribute value", xml.substr(pos, 40));
      if (!is_xml_char(xml, i)) fail("character XML forbids in an attribute", xml.substr(pos, 40));
      i = xml[i] == '&' ? check_reference(xml, i) : i + 1;
    }
    ++i;
  }
  bool empty = !closing && xml.substr(i, 2) == "/>";
  if (i >= xml.size() || (!empty && xml[i] != '>')) fail("unterminated tag", xml.substr(pos, 40));
  if (closing) {
    if (open.empty() || open.back() != name) fail("mismatched end tag", name);
    open.pop_back();
  } else if (!empty) {
    open.push_back(name);
  }
  return i + (empty ? 2 : 1);
}

void check_well_formed(std::string_view xml) {
  if (!is_valid_utf8(xml)) fail("invalid UTF-8", xml.substr(0, 60));
  std::size_t pos = 0;
  if (xml.substr(0, 5) == "<?xml") pos = xml.find("?>") + 2;
  std::vector<std::string_view> open;
  bool seen_root = false;
  while (pos < xml.size()) {
    char c = xml[pos];
    if (c == '<') {
      if (open.empty() && seen_root) fail("content after the root element", xml.substr(pos, 20));
      pos = check_tag(xml, pos, open);
      seen_root = true;
    } else if (open.empty()) {
      fail("text outside the root element", xml.substr(pos, 20));
    } else if (c == '&') {
      pos = check_reference(xml, pos);
    } else {
      if (!is_xml_char(xml, pos)) fail("character XML forbids", xml.substr(pos, 20));
      ++pos;
    }
  }
  if (!open.empty() || !seen_root) fail("unclosed element", open.empty() ? "" : open.back());
}

void check_rtf(const std::string& rtf) {
  for (char c : rtf) {
    if (c < 0x20 || c > 0x7E) fail("RTF byte outside printable ASCII", rtf.substr(0, 60));
  }
  if (rtf.empty() || rtf.front() != '{' || rtf.back() != '}')
    fail("RTF not one group", rtf.substr(0, 60));
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
    check_rtf(render_rtf(doc, size % 2 == 0, 11));
  } catch (const std::runtime_error&) {
    // Only text that is not UTF-8 may make the RTF conversion refuse.
    if (is_valid_utf8(markdown)) fail("RTF refused valid UTF-8 input", markdown);
  }
  std::vector<ZipEntry> parts = docx_package_entries(doc);
  for (const ZipEntry& part : parts) check_well_formed(part.data);
  std::size_t expected = 22;
  for (const ZipEntry& part : parts) expected += 76 + 2 * part.name.size() + part.data.size();
  std::string zip = build_zip(std::move(parts));
  if (zip.size() != expected || zip.compare(0, 4, "PK\x03\x04") != 0)
    fail("bad archive size", "zip");
  return 0;
}
