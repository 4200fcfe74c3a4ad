#include "ui/ModifierCaptions.h"

#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zanvor {
namespace {

TEST(ModifierCaptionsTest, TheSideWordIsFoundWhereverTheLanguagePutsIt) {
    struct Case {
        std::array<std::string, 4> captions;
        std::string side;
        std::array<std::string, 4> keys;
    };
    const std::vector<Case> cases = {
        {{"Left Ctrl", "Left Shift", "Left Alt", "Left Win"},
         "Left",
         {"Ctrl", "Shift", "Alt", "Win"}},
        {{"Strg links", "Shift links", "Alt links", "Win links"},
         "links",
         {"Strg", "Shift", "Alt", "Win"}},
        {{"Ctrl gauche", "Maj gauche", "Alt gauche", "Win gauche"},
         "gauche",
         {"Ctrl", "Maj", "Alt", "Win"}},
        {{"左 Ctrl", "左 Shift", "左 Alt", "左 Win"}, "左", {"Ctrl", "Shift", "Alt", "Win"}},
        // No shared word: every box keeps its whole caption.
        {{"左Ctrl", "左Shift", "左Alt", "左Win"}, "", {"左Ctrl", "左Shift", "左Alt", "左Win"}},
        {{"Left Ctrl", "Shift", "Left Alt", "Left Win"},
         "",
         {"Left Ctrl", "Shift", "Left Alt", "Left Win"}},
        {{"Left Ctrl", "Left Shift", "Right Alt", "Left Win"},
         "",
         {"Left Ctrl", "Left Shift", "Right Alt", "Left Win"}},
        {{"", "", "", ""}, "", {"", "", "", ""}},  // no language file: nothing to show
    };
    for (const Case& c : cases) {
        const ModifierRowCaptions row = SplitModifierRow(c.captions);
        EXPECT_EQ(row.side, c.side) << c.captions[0];
        EXPECT_EQ(row.keys, c.keys) << c.captions[0];
    }
}

}  // namespace
}  // namespace zanvor
