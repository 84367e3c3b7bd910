#pragma once
// Helpers of the document operations that other files share: the owner of the change
// suppression and the names and texts the documents show.
#include <windows.h>

#include <string>
#include <utility>

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

// The yes/no/cancel question, through App::message_box when a test set one.
int ask_user(App& app, const std::wstring& text, const std::wstring& caption, UINT type);

}  // namespace tavrel::win
