// Any bytes either decode, or are refused with an exception; what decodes must encode back to
// the same text in the encoding that was found.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "core/text_codec.h"
#include "core/text_convert.h"

using namespace tavrel::win;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  DecodedText decoded;
  try {
    decoded = decode_text_bytes(bytes);
  } catch (const std::runtime_error&) {
    return 0;
  }
  if (decoded.text.find('\r') != std::string::npos || decoded.text.find('\0') != std::string::npos)
    std::abort();
  if (!is_valid_utf8(decoded.text)) std::abort();
  for (bool crlf : {false, true}) {
    DecodedText again = decode_text_bytes(encode_text_bytes(decoded.text, crlf, decoded.encoding));
    if (again.text != decoded.text || again.encoding != decoded.encoding) std::abort();
    if (again.crlf != (crlf && decoded.text.find('\n') != std::string::npos)) std::abort();
  }
  // The UTF-16 conversions are each other's inverse on valid text.
  if (utf16_to_utf8(utf8_to_utf16(decoded.text)) != decoded.text) std::abort();
  return 0;
}
