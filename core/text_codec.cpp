#include "core/text_codec.h"

#include <fstream>
#include <stdexcept>

#include "core/fs_error.h"
#include "core/text_convert.h"

namespace tavrel::win {
namespace {

std::string utf16_bytes_to_utf8(std::string_view bytes, bool little_endian) {
  if (bytes.size() % 2 != 0) throw std::runtime_error("Incomplete UTF-16 file");
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t i = 0; i < bytes.size(); i += 2) {
    auto first = static_cast<unsigned char>(bytes[i]);
    auto second = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(little_endian ? char16_t(first | (second << 8))
                                  : char16_t((first << 8) | second));
  }
  return utf16_to_utf8(units);
}

std::string normalize_line_ends(std::string_view content) {
  std::string out;
  out.reserve(content.size());
  bool after_cr = false;
  for (char c : content) {
    if (c == '\r') {
      out.push_back('\n');
      after_cr = true;
      continue;
    }
    if (!(c == '\n' && after_cr)) out.push_back(c);
    after_cr = false;
  }
  return out;
}

void append_units(std::string& out, std::u16string_view units, bool little_endian) {
  out.reserve(out.size() + units.size() * 2);
  for (char16_t unit : units) {
    char low = static_cast<char>(unit & 0xFF);
    char high = static_cast<char>(unit >> 8);
    out.push_back(little_endian ? low : high);
    out.push_back(little_endian ? high : low);
  }
}

bool starts_with_bytes(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

}  // namespace

DecodedText decode_text_bytes(std::string bytes) {
  DecodedText result;
  std::string content;
  if (starts_with_bytes(bytes, "\xEF\xBB\xBF")) {
    result.encoding = TextEncoding::Utf8Bom;
    content = bytes.substr(3);
  } else if (starts_with_bytes(bytes, "\xFF\xFE") || starts_with_bytes(bytes, "\xFE\xFF")) {
    bool little = static_cast<unsigned char>(bytes[0]) == 0xFF;
    result.encoding = little ? TextEncoding::Utf16Le : TextEncoding::Utf16Be;
    // The whole file size decides oddness, so a mark plus an odd tail is refused.
    if (bytes.size() % 2 != 0) throw std::runtime_error("Incomplete UTF-16 file");
    content = utf16_bytes_to_utf8(std::string_view(bytes).substr(2), little);
  } else {
    content = std::move(bytes);
  }
  if (!is_valid_utf8(content)) throw std::runtime_error("Invalid UTF-8");
  if (content.find('\0') != std::string::npos)
    throw std::runtime_error("Binary files are not supported");
  result.crlf = content.find("\r\n") != std::string::npos;
  result.text = normalize_line_ends(content);
  return result;
}

std::string encode_text_bytes(std::string_view text, bool crlf, TextEncoding encoding) {
  std::string lines;
  if (crlf) {
    lines.reserve(text.size() + text.size() / 16);
    for (char c : text) {
      if (c == '\n') lines.push_back('\r');
      lines.push_back(c);
    }
  } else {
    lines.assign(text);
  }
  switch (encoding) {
    case TextEncoding::Utf8:
      return lines;
    case TextEncoding::Utf8Bom:
      return "\xEF\xBB\xBF" + lines;
    case TextEncoding::Utf16Le: {
      std::string out = "\xFF\xFE";
      append_units(out, utf8_to_utf16(lines), true);
      return out;
    }
    default: {  // Utf16Be, and any unknown value
      std::string out = "\xFE\xFF";
      append_units(out, utf8_to_utf16(lines), false);
      return out;
    }
  }
}

std::string read_text_file(const std::filesystem::path& path, TextEncoding* encoding, bool* crlf) {
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) throw_fs_error("file_size", path, ec);
  if (size > kMaxTextFileBytes) throw std::runtime_error("File exceeds the 256 MB safety limit");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("Cannot open file");
  std::string bytes(static_cast<size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  if (!in && size != 0) throw std::runtime_error("Cannot read complete file");
  DecodedText decoded = decode_text_bytes(std::move(bytes));
  if (crlf) *crlf = decoded.crlf;
  if (encoding) *encoding = decoded.encoding;
  return std::move(decoded.text);
}

const char* encoding_label(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8:
      return "UTF-8";
    case TextEncoding::Utf8Bom:
      return "UTF-8 BOM";
    case TextEncoding::Utf16Le:
      return "UTF-16 LE";
    default:
      return "UTF-16 BE";
  }
}

}  // namespace tavrel::win
