#pragma once

#include <array>
#include <string>

namespace zanvor {

// The combination panel shows the modifier keys as a row per side: the side's word once at
// the start of the row ("Left"), then each key's own name ("Ctrl", "Shift", …). Where the
// side's word stands in a caption depends on the language ("Left Ctrl", "Strg links",
// "Ctrl gauche", "左 Ctrl"), so it is found as the word that all four captions share.
struct ModifierRowCaptions {
    std::string side;                 // empty when the captions share no first or last word
    std::array<std::string, 4> keys;  // the whole captions when there is no side word
};

ModifierRowCaptions SplitModifierRow(const std::array<std::string, 4>& captions);

}  // namespace zanvor
