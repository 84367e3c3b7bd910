#pragma once
// The standalone HTML page: the renderer's script and styles, the user's extra styles and the
// document (its local images inlined) in one file that needs neither the program nor a network.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace tavrel::win {

// Largest image file that is inlined; bigger ones stay references.
inline constexpr std::uintmax_t kMaxEmbeddedImageBytes = 0xA00000;

// Reads one image of a document's folder for its page, `name` being relative to the folder:
// the file's bytes when its final location (every link, junction and ".." followed) lies inside
// the folder and it is a regular file of at most kMaxEmbeddedImageBytes bytes, else nothing.
// May throw when the file cannot be read.
using ImageFileReader = std::function<std::optional<std::string>(const std::filesystem::path&)>;

// The reader of `folder` through the standard library, which sees links only where the C++
// library follows them (not MinGW's: the program reads through final_path_image_reader).
ImageFileReader folder_image_reader(const std::filesystem::path& folder);

// The user-independent inputs of a page, so that it can be built without a window.
struct StandalonePageInput {
  std::filesystem::path renderer_dir;  // holds app.js and app.css
  std::filesystem::path profile_dir;   // custom.css is taken from here when present
  bool vietnamese = false;
  std::string markdown;               // UTF-8
  std::filesystem::path base_folder;  // the document's folder; empty: untitled
  ImageFileReader read_image;         // of base_folder; empty: folder_image_reader
};

std::string build_standalone_page(const StandalonePageInput& input);

// Every address the Markdown parser reads as an image's that names a local image file which
// `read_image` gives becomes a data: address; every other byte (code, titles, brackets, links)
// is copied as it is. An empty reader (untitled document) embeds nothing.
std::string embed_images(const std::string& markdown, const ImageFileReader& read_image);

// The whole file as bytes; throws "Optional renderer asset missing: <name>" when it cannot be
// opened.
std::string read_whole_file(const std::filesystem::path& path);

std::string base64_encode(const std::string& bytes);

}  // namespace tavrel::win
