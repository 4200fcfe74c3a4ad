#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zanvor {

// Longest version text the update service may answer.
inline constexpr size_t kMaxVersionLength = 10;
// A version the service may answer that is never offered, whatever is installed.
inline constexpr const char* kNeverOfferedVersion = "1.0.2.0";

// Compares two dotted decimal versions component by component, each component read as the
// decimal number its leading digits make ("10" > "2"; "3a" reads as 3, "" as 0), a component
// one version lacks counting as 0 ("1.0" equals "1.0.0.0", "0.9" is older than "1.0.0"):
// -1 when `a` is greater at the first component that differs, 1 when `b` is, 0 when they are
// equal.
int CompareVersions(std::string_view a, std::string_view b);

// The version in the service's answer: the text without surrounding blanks and line ends,
// when it is at most kMaxVersionLength characters long and made of decimal numbers separated
// by single dots ("1.0.3"). Anything else (an HTML page, an error text, a path, "....",
// "1..2", ".1") gives nullopt.
std::optional<std::string> ParseVersionAnswer(std::string_view answer);

}  // namespace zanvor
