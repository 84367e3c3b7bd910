#pragma once
// The rows of the Insert emoji and Copy code dialogs.
#include <array>
#include <string>
#include <vector>

#include "render/markdown_model.h"

namespace tavrel::win {

// Each row: the emoji, two blanks, its shortcode between colons.
inline constexpr std::array<const char*, 14> kEmojiDialogRows = {
    "\U0001F600  :smile:",     "\U0001F680  :rocket:", "\u2764\uFE0F  :heart:",
    "\u2705  :check:",         "\U0001F389  :tada:",   "\U0001F4A1  :idea:",
    "\U0001F4DD  :memo:",      "\U0001F525  :fire:",   "\U0001F44D  :thumbsup:",
    "\u26A0\uFE0F  :warning:", "\u2728  :sparkles:",   "\U0001F4CC  :pin:",
    "\U0001F4DA  :books:",     "\U0001F3AF  :target:"};

// A row's text up to its first blank: the emoji alone.
std::string emoji_of_row(const std::string& row);

struct CodeRows {
  std::vector<std::string> code;    // each code block's text, the clipboard payload
  std::vector<std::string> labels;  // "language  |  first bytes of the code" (UTF-8)
};

// One row per code block of the render, in block order. The label shows at most the first 100
// bytes of the code, cut back to a character boundary, line feeds shown as blanks.
CodeRows code_block_rows(const RenderedMarkdown& rendered);

}  // namespace tavrel::win
