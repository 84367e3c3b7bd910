#include "web/standalone_html.h"

#include <array>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string_view>

#include "core/text_codec.h"
#include "render/image_addresses.h"

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

// The data: address for one image address as the parser reads it, or nothing when it must stay
// as written. A colon written in the address is one in `source` too.
std::string data_address(const std::string& source, const ImageFileReader& read_image) {
  const std::string name = percent_decode(source);
  if (name.find(':') != std::string::npos) return {};
  // "a%00.png" names no file; the system would read it as "a", whatever that holds.
  if (name.find('\0') != std::string::npos) return {};
  const std::filesystem::path file = utf8_path(name);
  const char* mime = image_mime_type(file);
  // A rooted name leads out of the folder anyway, and one naming a server ("//host/share/...")
  // would have the system log in there just to look.
  if (mime == nullptr || file.has_root_path()) return {};
  const std::optional<std::string> bytes = read_image(file);
  if (!bytes) return {};
  return std::string("data:") + mime + ";base64," + base64_encode(*bytes);
}

// Whether `file` names something inside `folder`, not the folder itself (both canonical).
bool is_inside_folder(const std::filesystem::path& file, const std::filesystem::path& folder) {
  const std::filesystem::path relative = file.lexically_relative(folder);
  return !relative.empty() && relative != "." && *relative.begin() != ".." &&
         !relative.has_root_path();
}

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

ImageFileReader folder_image_reader(const std::filesystem::path& folder) {
  std::error_code error;
  const std::filesystem::path base = std::filesystem::canonical(folder, error);
  if (error) return [](const std::filesystem::path&) { return std::optional<std::string>(); };
  return [base](const std::filesystem::path& name) -> std::optional<std::string> {
    const std::filesystem::path file = std::filesystem::canonical(base / name);
    if (!is_inside_folder(file, base) || !std::filesystem::is_regular_file(file) ||
        std::filesystem::file_size(file) > kMaxEmbeddedImageBytes) {
      return std::nullopt;
    }
    return read_whole_file(file);
  };
}

std::string embed_images(const std::string& markdown, const ImageFileReader& read_image) {
  if (!read_image) return markdown;  // untitled: no folder to take images from
  std::string out;
  out.reserve(markdown.size());
  size_t copied = 0;
  for (const ImageAddress& image : image_addresses(markdown)) {
    std::string address;
    try {
      address = data_address(image.source, read_image);
    } catch (const std::exception&) {
      address.clear();  // one unreadable image never stops the page
    }
    if (address.empty()) continue;
    out.append(markdown, copied, image.begin - copied).append(image_address_text(image, address));
    copied = image.end;
  }
  return out.append(markdown, copied);
}

namespace {

ImageFileReader page_image_reader(const StandalonePageInput& input) {
  if (input.base_folder.empty()) return {};
  return input.read_image ? input.read_image : folder_image_reader(input.base_folder);
}

}  // namespace

std::string build_standalone_page(const StandalonePageInput& input) {
  const std::string script = read_whole_file(input.renderer_dir / "app.js");
  std::string styles = read_whole_file(input.renderer_dir / "app.css");
  const auto custom_css = input.profile_dir / "custom.css";
  if (std::filesystem::exists(custom_css)) styles.append("\n").append(read_text_file(custom_css));
  const nlohmann::json message = {
      {"dark", false},       {"mode", "preview"},
      {"session", "export"}, {"text", embed_images(input.markdown, page_image_reader(input))},
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
