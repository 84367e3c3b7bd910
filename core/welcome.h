#pragma once
// The text of the document shown when the program starts without a file to open.
#include <string>

namespace tavrel::win {

// Markdown (UTF-8, LF line ends) in the user-interface language.
std::string welcome_markdown(bool vietnamese);

}  // namespace tavrel::win
