#pragma once
// Helpers of the document operations that other files share: the owner of the change
// suppression and the names and texts the documents show.
#include <windows.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/app_win.h"

namespace tavrel::win {

// Editor change notices are ignored while it lives (text put into an editor by the program is
// no edit); the previous state comes back on every way out, exceptions included.
class ChangeSuppression {
 public:
  explicit ChangeSuppression(App& app)
      : app_(app), previous_(std::exchange(app.suppress_change, true)) {}
  ~ChangeSuppression() { app_.suppress_change = previous_; }
  ChangeSuppression(const ChangeSuppression&) = delete;
  ChangeSuppression& operator=(const ChangeSuppression&) = delete;

 private:
  App& app_;
  bool previous_;
};

// Opens the files of one request (the start-up arguments, a hand-over, a drop) as App::open_path
// opens one, but shows the window once for all of them: the tab strip is rebuilt once and the
// last file opened, or found open already, becomes the active document. Files that fail are
// reported together afterwards, each message followed by its file when there are several.
// Returns the number of files that could not be opened.
size_t open_paths(App& app, const std::vector<std::filesystem::path>& paths);

// The yes/no/cancel question, through App::message_box when a test set one.
int ask_user(App& app, const std::wstring& text, const std::wstring& caption, UINT type);

}  // namespace tavrel::win
