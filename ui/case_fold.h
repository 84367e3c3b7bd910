#pragma once
// Letter case as find and replace and quick open ignore it: Unicode's simple case folding, the
// same answer on every build (the C runtime's towlower folds ASCII only on some of them). Each
// character folds to one character, and one that folds lies on the same side of U+FFFF as its
// folding, so a UTF-16 text folds unit by unit and keeps its length.
#include <string>
#include <string_view>

namespace tavrel::win {

// The folding of a code point: its lower-case letter as a rule, the upper-case one for
// Cherokee; any other code point as it is. (The profile guard folds by a table of its own,
// core's fold_case(char16_t), which must never change.)
char32_t fold_code_point(char32_t c);

// The folding of one UTF-16 unit; a half of a pair stays as it is.
wchar_t fold_case(wchar_t unit);

// A UTF-8 text with every character folded. Some characters fold to a character of another
// byte length (KELVIN SIGN to "k", U+023A to U+2C65), so the result may be longer or shorter;
// bytes that are not valid UTF-8 are kept as they are.
std::string fold_case_utf8(std::string_view text);

}  // namespace tavrel::win
