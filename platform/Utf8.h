#pragma once

#include <string>
#include <string_view>

namespace zanvor {

// Appends one code point as UTF-8; surrogates and values beyond U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, char32_t c);

// A wide string from a C library (hidapi's product strings) as UTF-8.
std::string WideToUtf8(const wchar_t* text);

// Text from outside (a command line, a file, an old database) as valid UTF-8: every byte that
// does not begin a well-formed sequence becomes U+FFFD.
std::string RepairUtf8(std::string_view text);

// A name shown on one line: valid UTF-8 with every control character (line breaks, tabs)
// replaced by a blank.
std::string SingleLineText(std::string_view text);

// True when the text is empty or holds only blanks (spaces, tabs, line breaks, no-break
// spaces).
bool IsBlank(std::string_view text);

}  // namespace zanvor
