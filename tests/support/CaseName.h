#pragma once

#include <string>

namespace zanvor::test {

// A parameterised case's name for the test list, from any text: letters and digits are kept,
// everything else becomes '_' (GoogleTest accepts nothing more). `index` keeps two texts that
// read the same apart.
inline std::string CaseName(const std::string& text, size_t index) {
    std::string name;
    for (const char c : text) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        name += plain ? c : '_';
    }
    return name + "_" + std::to_string(index);
}

}  // namespace zanvor::test
