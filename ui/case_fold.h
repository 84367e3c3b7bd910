#pragma once
// Letter case as find and replace and quick open ignore it: the same answer on every build,
// where the C runtime's towlower folds ASCII only on some of them.
#include <string>
#include <string_view>

namespace tavrel::win {

// The lower-case letter of the Latin (Vietnamese included), Greek and Cyrillic alphabets and of
// the full-width Latin letters; any other unit as it is. (The profile guard folds by a table of
// its own, core's fold_case(char16_t), which must never change.)
wchar_t fold_case(wchar_t c);

// A UTF-8 text with every character folded as above. Each folded character keeps its byte
// length, so byte positions and counts in the result are those of the text; bytes that are not
// valid UTF-8 are kept as they are.
std::string fold_case_utf8(std::string_view text);

}  // namespace tavrel::win
