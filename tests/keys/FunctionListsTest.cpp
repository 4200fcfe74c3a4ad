// The function catalogues of the key-assignment lists and the knob dialog.

#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "KeyTextFixture.h"
#include "keys/FunctionLists.h"

namespace zanvor {
namespace {

using test::KeyTextTest;

struct Anchor {
    size_t index;
    int type;
    int code;
    const char* name;
};

void ExpectAnchors(const std::vector<KeyFunction>& list, const std::vector<Anchor>& anchors) {
    for (const Anchor& a : anchors) {
        SCOPED_TRACE(a.index);
        ASSERT_LT(a.index, list.size());
        EXPECT_EQ(list[a.index].type, a.type);
        EXPECT_EQ(list[a.index].code, a.code);
        EXPECT_EQ(list[a.index].name, a.name);
    }
}

TEST_F(KeyTextTest, KeyFunctionList) {
    const std::vector<KeyFunction> list = BuildKeyFunctionList();
    ASSERT_EQ(list.size(), 162u);
    ExpectAnchors(list,
                  {
                      {0, 2, 0x04, "A"},      {26, 2, 0x27, "0"},         {27, 2, 0x1E, "1"},
                      {48, 2, 0x52, "↑"},     {57, 2, 0x2A, "Backspace"}, {58, 2, 0x49, "Ins"},
                      {83, 2, 0x62, "0"},     {91, 2, 0xE7, "R-Win"},     {97, 2, 0x31, "||"},
                      {102, 2, 0x38, "/?"},   {103, 5, 90, "#220"},       {106, 5, 96, "#225"},
                      {109, 5, 95, "#228"},   {110, 6, 113, "#260"},      {113, 6, 110, "#263"},
                      {120, 6, 106, "#270"},  {121, 7, 155, "#31"},       {126, 7, 160, "#35"},
                      {127, 7, 150, "#251"},  {131, 7, 154, "#255"},      {132, 12, 1, "#2201"},
                      {133, 12, 2, "#2202"},  {153, 12, 22, "#2222"},     {154, 12, 41, "#2241"},
                      {161, 12, 53, "#2253"},
                  });
    std::set<std::pair<int, int>> seen;
    for (const KeyFunction& function : list) {
        EXPECT_TRUE(function.note.empty());
        EXPECT_FALSE(function.name.empty()) << function.type << "/" << function.code;
        // The lists select entries by code within a type, so a code may appear only once.
        EXPECT_TRUE(seen.insert({function.type, function.code}).second)
            << function.type << "/" << function.code;
    }
}

TEST_F(KeyTextTest, KnobFunctionList) {
    const std::vector<KeyFunction> knob = BuildKnobFunctionList();
    ASSERT_EQ(knob.size(), 151u);
    ExpectAnchors(knob, {
                            {0, 6, 113, "#260"},
                            {10, 6, 106, "#270"},
                            {11, 6, 116, "#271"},
                            {14, 6, 119, "#274"},
                            {17, 6, 122, "#277"},
                            {18, 12, 1, "#2201"},
                            {47, 12, 53, "#2253"},
                            {48, 2, 0x04, "A"},
                            {150, 2, 0x38, "/?"},
                        });
    // Internal functions and keys are exactly those of the key list; no mouse, shortcut or
    // macro entries.
    const std::vector<KeyFunction> keys = BuildKeyFunctionList();
    for (size_t i = 0; i < 30; ++i) {
        EXPECT_EQ(knob[18 + i].code, keys[132 + i].code);
        EXPECT_EQ(knob[18 + i].name, keys[132 + i].name);
    }
    for (size_t i = 0; i < 103; ++i) {
        EXPECT_EQ(knob[48 + i].code, keys[i].code);
        EXPECT_EQ(knob[48 + i].name, keys[i].name);
    }
    for (const KeyFunction& function : knob) {
        EXPECT_TRUE(function.type == 2 || function.type == 6 || function.type == 12);
    }
}

TEST_F(KeyTextTest, ListsFollowTheActiveLanguage) {
    EXPECT_EQ(BuildKeyFunctionList()[103].name, "#220");
    SetActiveLanguageId(1045);
    EXPECT_EQ(BuildKeyFunctionList()[103].name, "pl#220");
    EXPECT_EQ(BuildKnobFunctionList()[0].name, "pl#260");
    // Fixed captions do not depend on the language.
    EXPECT_EQ(BuildKeyFunctionList()[0].name, "A");
}

}  // namespace
}  // namespace zanvor
