#include "ui/tab_model.h"

#include <iterator>
#include <map>
#include <system_error>

#include "core/text_convert.h"

namespace tavrel::win {
namespace {

namespace fs = std::filesystem;
using NativeChar = fs::path::value_type;

bool is_continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// Path components for the tree's item texts: Windows names are UTF-16 already; elsewhere the
// native bytes are UTF-8, and an odd name still shows rather than failing the whole tree.
[[maybe_unused]] std::wstring component_text(const std::wstring& native) { return native; }
[[maybe_unused]] std::wstring component_text(const std::string& native) {
  return to_wide_lenient(native);
}

NativeChar fold_ascii(NativeChar c) {
  return (c >= NativeChar('A') && c <= NativeChar('Z')) ? NativeChar(c - 'A' + 'a') : c;
}

bool equals_ascii_folded(const fs::path::string_type& text, std::string_view lower_word) {
  if (text.size() != lower_word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (fold_ascii(text[i]) != NativeChar(static_cast<unsigned char>(lower_word[i]))) return false;
  }
  return true;
}

// A relative path that names something below the root (not the root, not beside it).
bool is_inside(const fs::path& relative) {
  if (relative.empty() || relative == fs::path(".")) return false;
  return *relative.begin() != fs::path("..");
}

// The file's path relative to the root, or an empty path when it gets no item.
fs::path tree_relative_path(const fs::path& file, const fs::path& canonical_root,
                            const fs::path& root) {
  std::error_code ec;
  const fs::path canonical = fs::weakly_canonical(file, ec);
  if (ec) return {};
  fs::path relative = canonical.lexically_relative(canonical_root);
  if (is_inside(relative)) return relative;
  // A link inside the workspace that leads elsewhere: keep it where the scan found it rather
  // than under folder items named "..".
  relative = file.lexically_normal().lexically_relative(root.lexically_normal());
  return is_inside(relative) ? relative : fs::path();
}

class TreeBuilder {
 public:
  WorkspaceTree take() { return std::move(tree_); }

  void add(const fs::path& relative, const fs::path& scanned) {
    std::size_t parent = kNoParent;
    fs::path key;
    const auto last = std::prev(relative.end());
    for (auto it = relative.begin(); it != last; ++it) {
      key /= *it;
      parent = folder_node(key, *it, parent);
    }
    WorkspaceTreeNode file;
    file.text = component_text(last->native());
    file.parent = parent;
    file.file_index = tree_.file_paths.size();
    tree_.nodes.push_back(std::move(file));
    tree_.file_paths.push_back(scanned);
  }

 private:
  std::size_t folder_node(const fs::path& key, const fs::path& name, std::size_t parent) {
    auto found = folders_.find(key);
    if (found != folders_.end()) return found->second;
    WorkspaceTreeNode folder;
    folder.text = component_text(name.native());
    folder.parent = parent;
    folder.folder = true;
    tree_.nodes.push_back(std::move(folder));
    folders_.emplace(key, tree_.nodes.size() - 1);
    return tree_.nodes.size() - 1;
  }

  WorkspaceTree tree_;
  std::map<fs::path, std::size_t> folders_;  // relative folder path -> its node
};

}  // namespace

std::wstring document_name(std::wstring_view path, bool vietnamese) {
  if (path.empty()) return vietnamese ? L"Ch\u01B0a \u0111\u1EB7t t\u00EAn" : L"Untitled";
  std::size_t start = path.find_last_of(L"\\/");
  if (start != std::wstring_view::npos) {
    ++start;
  } else {
    start = path.size() >= 2 && path[1] == L':' ? 2 : 0;
  }
  return std::wstring(path.substr(start));
}

std::wstring tab_label(std::wstring_view path, bool modified, bool vietnamese) {
  const std::wstring name = document_name(path, vietnamese);
  return modified ? L"* " + name : name;
}

std::size_t index_after_move(std::size_t index, std::size_t from, std::size_t to) {
  if (index == from) return to;
  if (from < to && index > from && index <= to) return index - 1;
  if (to < from && index >= to && index < from) return index + 1;
  return index;
}

std::wstring outline_row_text(const Heading& heading) {
  const std::uint32_t level = std::clamp<std::uint32_t>(heading.level, 1, 6);
  return std::wstring((level - 1) * 2, L' ') + to_wide_lenient(heading.text);
}

std::size_t utf16_position(std::string_view text, std::uint64_t offset) {
  std::size_t end = static_cast<std::size_t>(std::min<std::uint64_t>(offset, text.size()));
  while (end > 0 && end < text.size() && is_continuation(text[end])) --end;
  std::size_t units = 0;
  for (std::size_t i = 0; i < end; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) == 0x80) continue;
    units += byte >= 0xF0 ? 2 : 1;  // four-byte characters need a surrogate pair
  }
  return units;
}

WorkspaceTree build_workspace_tree(const std::vector<fs::path>& files, const fs::path& root) {
  TreeBuilder builder;
  std::error_code ec;
  const fs::path canonical_root = fs::weakly_canonical(root, ec);
  if (ec || root.empty()) return builder.take();
  for (const fs::path& file : files) {
    const fs::path relative = tree_relative_path(file, canonical_root, root);
    if (!relative.empty()) builder.add(relative, file);
  }
  return builder.take();
}

std::intptr_t tree_item_data(const WorkspaceTreeNode& node) {
  return node.folder ? 0 : static_cast<std::intptr_t>(node.file_index) + 1;
}

bool is_image_file(const fs::path& path) {
  const fs::path::string_type extension = path.extension().native();
  return equals_ascii_folded(extension, ".png") || equals_ascii_folded(extension, ".jpg") ||
         equals_ascii_folded(extension, ".jpeg");
}

}  // namespace tavrel::win
