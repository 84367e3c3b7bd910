#pragma once
// The emoji completion list of the editors (see ui/emoji_completion.h for the rules).
#include "core/app_win.h"

namespace tavrel::win {

// Replaces the typed ":query" with the selected row's emoji. Only when the text from the colon
// to the caret in the editor the list opened for is still that trigger; otherwise the list
// closes and false tells the caller to let its key go on to the editor.
bool try_accept_emoji_completion(App& app);

void hide_emoji_completion(App& app);

// After the caret moved: the list stays only while its trigger is still in place.
void check_emoji_completion(App& app);

}  // namespace tavrel::win
