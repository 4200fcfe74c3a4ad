#include "ui/ModifierCaptions.h"

#include <utility>

namespace zanvor {

namespace {

// The caption's first or last word and the rest of it; an empty word when it has only one.
std::pair<std::string, std::string> SplitWord(const std::string& caption, bool first) {
    const size_t space = first ? caption.find(' ') : caption.rfind(' ');
    if (space == std::string::npos || space == 0 || space + 1 == caption.size()) {
        return {};
    }
    if (first) {
        return {caption.substr(0, space), caption.substr(space + 1)};
    }
    return {caption.substr(space + 1), caption.substr(0, space)};
}

}  // namespace

ModifierRowCaptions SplitModifierRow(const std::array<std::string, 4>& captions) {
    for (const bool first : {true, false}) {
        ModifierRowCaptions row;
        bool shared = true;
        for (size_t index = 0; index < captions.size() && shared; ++index) {
            auto [word, rest] = SplitWord(captions[index], first);
            shared = !word.empty() && (index == 0 || word == row.side);
            row.side = word;
            row.keys[index] = rest;
        }
        if (shared) {
            return row;
        }
    }
    return {std::string(), captions};
}

}  // namespace zanvor
