#pragma once
// The native preview's width and places: its tables fitted to the text area, the jump to a heading
// in both panes, and the links that lead to a heading.
#include <windows.h>
#include <richedit.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/app_win.h"
#include "render/preview_positions.h"
#include "ui/editor_win.h"

namespace tavrel::win {

// The table width, in twips, that fits the preview's text area as it is now (a vertical scroll
// bar that may still appear is counted as there).
std::uint32_t preview_table_twips(HWND preview);

// After the preview changed its size: asks for a render (after the usual pause) when the shown
// tables were written for another width.
void refit_preview_tables(App& app);

// Makes the runs of App::rendered that link to a heading ("#id") links of the control, so that a
// click on them is reported (EN_LINK) like one on a web address; only those within `span` (by
// default all).
void mark_preview_anchors(App& app, PreviewSpan span = kWholePreview);
// The same with the anchors of App::rendered already found.
void mark_preview_anchors(App& app, std::vector<PreviewAnchor> anchors, PreviewSpan span);

// A left click on a link of the preview: a link to a heading jumps there; any other link goes to
// App::open_link with the link's text.
void follow_preview_link(App& app, const ENLINK& link);

// Puts the heading of App::rendered at the top of the editor (caret at its start) and of the
// preview (its text selected), then gives the editor the focus.
void show_heading(App& app, std::size_t index);

}  // namespace tavrel::win
