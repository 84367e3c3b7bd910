#pragma once
// The standalone HTML page: the renderer's script and styles, the user's extra styles and the
// document (its local images inlined) in one file that needs neither the program nor a network.
#include <cstdint>
#include <filesystem>
#include <string>

namespace tavrel::win {

// The user-independent inputs of a page, so that it can be built without a window.
struct StandalonePageInput {
  std::filesystem::path renderer_dir;  // holds app.js and app.css
  std::filesystem::path profile_dir;   // custom.css is taken from here when present
  bool vietnamese = false;
  std::string markdown;               // UTF-8
  std::filesystem::path base_folder;  // the document's folder; empty: untitled
};

// Largest image file that is inlined; bigger ones stay references.
inline constexpr std::uintmax_t kMaxEmbeddedImageBytes = 0xA00000;

std::string build_standalone_page(const StandalonePageInput& input);

// Every image reference "![alt](target)" whose target is a local image file inside
// `base_folder` becomes a data: address; every other byte is copied as it is.
std::string embed_images(const std::string& markdown, const std::filesystem::path& base_folder);

// The whole file as bytes; throws "Optional renderer asset missing: <name>" when it cannot be
// opened.
std::string read_whole_file(const std::filesystem::path& path);

std::string base64_encode(const std::string& bytes);

}  // namespace tavrel::win
