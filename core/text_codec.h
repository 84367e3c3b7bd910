#pragma once
// Document bytes on disk <-> document text in memory (UTF-8, LF line ends).
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tavrel::win {

enum class TextEncoding : uint32_t { Utf8 = 0, Utf8Bom = 1, Utf16Le = 2, Utf16Be = 3 };

// Largest text file accepted; the cap bounds what one read can allocate.
inline constexpr uint64_t kMaxTextFileBytes = 0x10000000;

struct DecodedText {
  std::string text;  // UTF-8, LF line ends
  TextEncoding encoding = TextEncoding::Utf8;
  bool crlf = false;
};

// Detects the byte-order mark, validates, refuses NUL and turns CR LF and lone CR into LF.
DecodedText decode_text_bytes(std::string bytes);

// The bytes to store for `text` (which holds no CR) in the given encoding and line-end style.
std::string encode_text_bytes(std::string_view text, bool crlf, TextEncoding encoding);

// Either pointer may be null; each is written only on success.
std::string read_text_file(const std::filesystem::path& path, TextEncoding* encoding = nullptr,
                           bool* crlf = nullptr);

// Status-bar name of an encoding.
const char* encoding_label(TextEncoding encoding);

}  // namespace tavrel::win
