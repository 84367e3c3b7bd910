#include "web/standalone_html.h"

#include <array>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string_view>

#include "core/text_codec.h"

namespace tavrel::win {
namespace {

constexpr std::string_view kHead =
    "<!doctype html><html><head><meta charset=\"utf-8\"><meta name=\"viewport\" "
    "content=\"width=device-width,initial-scale=1\"><meta http-equiv=\"Content-Security-Policy\" "
    "content=\"default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
    "img-src data:; font-src data:; connect-src 'none'\"><title>Tavrel document</title><style>";
constexpr std::string_view kBody =
    "</style></head><body><main id=\"preview\"></main><div id=\"editor\" hidden></div><script>";
constexpr std::string_view kBootstrap = "</script><script>Tavrel.receive(";
constexpr std::string_view kEnd = ");</script></body></html>";

std::string path_utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::filesystem::path utf8_path(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

// Every `from` in `text` replaced by `to`, left to right, resuming after each replacement.
std::string replace_all(const std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  size_t start = 0;
  for (size_t hit = text.find(from); hit != std::string::npos; hit = text.find(from, start)) {
    out.append(text, start, hit - start).append(to);
    start = hit + from.size();
  }
  return out.append(text, start);
}

const char* image_mime_type(const std::filesystem::path& file) {
  const std::filesystem::path extension = file.extension();
  if (extension == ".png") return "image/png";
  if (extension == ".gif") return "image/gif";
  if (extension == ".webp") return "image/webp";
  if (extension == ".jpg" || extension == ".jpeg") return "image/jpeg";
  return nullptr;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Links are written percent-encoded ("my%20photo.png"); the file has the decoded name. A "%" that
// starts no escape stays as it is.
std::string percent_decode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = hex_value(text[i + 1]);
      const int low = hex_value(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

// The data: address for one target, or nothing when the reference must stay as written.
// `base` is the weakly canonical `base_folder`, made once for all references.
std::string data_address(std::string_view target, const std::filesystem::path& base_folder,
                         const std::filesystem::path& base) {
  const std::string name = percent_decode(target);
  if (target.find(':') != std::string_view::npos || name.find(':') != std::string::npos) return {};
  const auto candidate = std::filesystem::weakly_canonical(base_folder / utf8_path(name));
  const std::string relative = path_utf8(candidate.lexically_relative(base));
  if (relative.empty() || relative.starts_with("..")) return {};
  const char* mime = image_mime_type(candidate);
  if (mime == nullptr || !std::filesystem::is_regular_file(candidate) ||
      std::filesystem::file_size(candidate) > kMaxEmbeddedImageBytes) {
    return {};
  }
  return std::string("data:") + mime + ";base64," + base64_encode(read_whole_file(candidate));
}

// Where `c` next occurs at or after `from`, remembering the last answer so that a scan whose
// start only moves forward reads each byte once however many starts fail.
class NextOf {
 public:
  NextOf(const std::string& text, char c) : text_(text), c_(c) {}
  size_t at_or_after(size_t from) {
    if (found_ == std::string::npos && searched_) return found_;
    if (!searched_ || found_ < from) found_ = text_.find(c_, from);
    searched_ = true;
    return found_;
  }

 private:
  const std::string& text_;
  char c_;
  size_t found_ = std::string::npos;
  bool searched_ = false;
};

}  // namespace

std::string base64_encode(const std::string& bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  auto byte = [&](size_t at) { return static_cast<unsigned char>(bytes[at]); };
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t group = (byte(i) << 16) | (byte(i + 1) << 8) | byte(i + 2);
    for (int shift = 18; shift >= 0; shift -= 6) out.push_back(kAlphabet[(group >> shift) & 63]);
  }
  const size_t rest = bytes.size() - i;
  if (rest > 0) {
    const uint32_t group = (byte(i) << 16) | (rest == 2 ? byte(i + 1) << 8 : 0);
    out.push_back(kAlphabet[(group >> 18) & 63]);
    out.push_back(kAlphabet[(group >> 12) & 63]);
    out.push_back(rest == 2 ? kAlphabet[(group >> 6) & 63] : '=');
    out.push_back('=');
  }
  return out;
}

std::string read_whole_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("Optional renderer asset missing: " + path_utf8(path.filename()));
  }
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  if (in.bad()) throw std::runtime_error("Cannot read " + path_utf8(path.filename()));
  return bytes;
}

std::string embed_images(const std::string& markdown, const std::filesystem::path& base_folder) {
  if (base_folder.empty()) return markdown;  // untitled: no folder to take images from
  std::error_code error;
  const auto base = std::filesystem::weakly_canonical(base_folder, error);
  if (error) return markdown;
  std::string out;
  out.reserve(markdown.size());
  NextOf close_bracket(markdown, ']');
  NextOf close_paren(markdown, ')');
  size_t copied = 0;
  for (size_t at = markdown.find("!["); at != std::string::npos; at = markdown.find("![", at)) {
    const size_t bracket = close_bracket.at_or_after(at + 2);
    if (bracket == std::string::npos) break;  // no later start can match either
    if (markdown.compare(bracket, 2, "](") != 0) {
      ++at;
      continue;
    }
    const size_t paren = close_paren.at_or_after(bracket + 2);
    if (paren == std::string::npos) break;
    if (paren == bracket + 2) {  // an empty target
      ++at;
      continue;
    }
    const std::string_view target(markdown.data() + bracket + 2, paren - bracket - 2);
    std::string address;
    try {
      address = data_address(target, base_folder, base);
    } catch (const std::exception&) {
      address.clear();  // one unreadable image never stops the page
    }
    if (!address.empty()) {
      out.append(markdown, copied, bracket + 2 - copied).append(address).push_back(')');
      copied = paren + 1;
    }
    at = paren + 1;
  }
  return out.append(markdown, copied);
}

std::string build_standalone_page(const StandalonePageInput& input) {
  const std::string script = read_whole_file(input.renderer_dir / "app.js");
  std::string styles = read_whole_file(input.renderer_dir / "app.css");
  const auto custom_css = input.profile_dir / "custom.css";
  if (std::filesystem::exists(custom_css)) styles.append("\n").append(read_text_file(custom_css));
  const nlohmann::json message = {
      {"dark", false},       {"mode", "preview"},
      {"session", "export"}, {"text", embed_images(input.markdown, input.base_folder)},
      {"type", "document"},  {"vi", input.vietnamese}};
  const std::string json = replace_all(message.dump(), "<", "\\u003c");
  const std::string safe_script = replace_all(script, "</script", "<\\/script");
  std::string page;
  page.reserve(kHead.size() + styles.size() + kBody.size() + safe_script.size() +
               kBootstrap.size() + json.size() + kEnd.size());
  page.append(kHead).append(styles).append(kBody).append(safe_script);
  page.append(kBootstrap).append(json).append(kEnd);
  return page;
}

}  // namespace tavrel::win
