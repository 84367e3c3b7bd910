#pragma once
// The find bar above the editor. Find next and the replacements are App::find_next and
// App::replace_matches; the search itself is ui/find_replace.
#include "core/app_win.h"

namespace tavrel::win {

// Shows the bar (with its replace row when `replace_mode`) and puts the caret in the find box.
void show_find_bar(App& app, bool replace_mode);

// The boxes' cue banners in the interface language (again after the language changes).
void set_find_cue_banners(const App& app);

}  // namespace tavrel::win
