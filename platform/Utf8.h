#pragma once

#include <string>

namespace zanvor {

// Appends one code point as UTF-8; surrogates and values beyond U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, char32_t c);

// A wide string from a C library (hidapi's product strings) as UTF-8.
std::string WideToUtf8(const wchar_t* text);

}  // namespace zanvor
