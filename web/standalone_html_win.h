#pragma once
// The standalone HTML page of a document, with the program's renderer and profile.
#include <filesystem>
#include <string>

#include "core/app_win.h"

namespace tavrel::win {

// The page for `markdown` with the renderer beside the executable, the profile's custom.css and
// the interface language; images inside `base_folder` are inlined (empty: untitled, none).
std::string build_standalone_html(const App& app, const std::string& markdown,
                                  const std::filesystem::path& base_folder);

}  // namespace tavrel::win
