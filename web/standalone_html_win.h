#pragma once
// The standalone HTML page of a document, with the program's renderer and profile.
#include <filesystem>
#include <string>

#include "core/app_win.h"
#include "web/standalone_html.h"

namespace tavrel::win {

// The page for `markdown` with the renderer beside the executable, the profile's custom.css and
// the interface language; images inside `base_folder` are inlined (empty: untitled, none).
std::string build_standalone_html(const App& app, const std::string& markdown,
                                  const std::filesystem::path& base_folder);

// The images of `folder` as the file system finally names them: each file is opened once, and
// where its handle leads (links and junctions followed) is checked against where the folder's
// leads before its bytes are read through that same handle.
ImageFileReader final_path_image_reader(const std::filesystem::path& folder);

}  // namespace tavrel::win
