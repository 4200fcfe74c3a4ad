#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keys/MacroBlock.h"
#include "keys/MacroSteps.h"

namespace zanvor {
namespace {

using Bytes = std::vector<uint8_t>;

MacroRecordData Step(int type, int value, int delay, const std::string& desc = "") {
    MacroRecordData step;
    step.type = type;
    step.value = value;
    step.delay_time = delay;
    step.desc = desc.empty() ? StepText(type, "x") : desc;
    return step;
}

Bytes Encoded(const MacroRecordData& step) {
    const auto bytes = EncodeMacroStep(step);
    return {bytes.begin(), bytes.end()};
}

TEST(MacroBlockTest, StepsEncodeTheirDelayCodeAndFlags) {
    struct Case {
        const char* what;
        MacroRecordData step;
        Bytes bytes;
    };
    const Case cases[] = {
        {"A pressed, 300 ms", Step(kStepKeyDown, 0x41, 300), {0x2C, 0x01, 0x04, 0x81}},
        {"A released, 0 ms", Step(kStepKeyUp, 0x41, 0), {0x00, 0x00, 0x04, 0x01}},
        {"left Shift pressed", Step(kStepKeyDown, 0xA0, 10), {0x0A, 0x00, 0xA0, 0x82}},
        {"right Alt released", Step(kStepKeyUp, 0xA5, 10), {0x0A, 0x00, 0xA5, 0x02}},
        {"left Windows pressed", Step(kStepKeyDown, 0x5B, 0), {0x00, 0x00, 0x5B, 0x82}},
        {"Esc pressed", Step(kStepKeyDown, 0x1B, 10), {0x0A, 0x00, 0x29, 0x81}},
        {"a key without a usage", Step(kStepKeyDown, 0xA6, 10), {0x0A, 0x00, 0x00, 0x81}},
        {"left button pressed, 10 ms", Step(kStepMouseDown, 1, 10), {0x0A, 0x00, 0x01, 0x83}},
        {"forward button released", Step(kStepMouseUp, 16, 31000), {0x18, 0x79, 0x10, 0x03}},
        {"wheel up pressed", Step(kStepMouseDown, 0, 0, "\u2193  Scroll Up"), {0, 0, 0x44, 0x07}},
        {"wheel down pressed", Step(kStepMouseDown, 0, 5, "\u2193  Scroll Down"), {5, 0, 0x44, 7}},
        {"wheel up released", Step(kStepMouseUp, 0, 10, "\u2191  Scroll Up"), {10, 0, 0x44, 0x01}},
        {"wheel down released",
         Step(kStepMouseUp, 0, 0, "\u2191  Scroll Down"),
         {0, 0, 0x44, 0xFF}},
        {"a pause, whatever its length", Step(kStepPause, 500, 10, "500 ms"), {0, 0, 0, 0}},
        {"a delay above 16 bits", Step(kStepKeyDown, 0x41, 0x12345), {0x45, 0x23, 0x04, 0x81}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Encoded(c.step), c.bytes) << c.what;
    }
}

TEST(MacroBlockTest, BlockHasHeaderOffsetsAndRecordsInListOrder) {
    const std::vector<MacroBlockMacro> macros = {
        {"empty", {}},
        {"two", {Step(kStepKeyDown, 0x41, 300), Step(kStepKeyUp, 0x41, 0)}},
    };
    const MacroBlock block = BuildMacroBlock(macros, 4096);
    EXPECT_EQ(block.length, 24);
    EXPECT_EQ(block.bytes, (Bytes{0xAA, 0x55, 24,   0,    2,    0,    0,    0,  // header: L, N
                                  0,    0,    12,   0,                          // offsets: none, 12
                                  2,    0,    0,    0,                          // record: two steps
                                  0x2C, 0x01, 0x04, 0x81, 0x00, 0x00, 0x04, 0x01}));
    EXPECT_TRUE(block.leftOut.empty());

    const MacroBlock none = BuildMacroBlock({}, 4096);
    EXPECT_EQ(none.length, 0);
    EXPECT_TRUE(none.bytes.empty());

    // Macros without steps still count and still have their (zero) offsets.
    const MacroBlock stepless = BuildMacroBlock({{"a", {}}, {"b", {}}, {"c", {}}}, 4096);
    EXPECT_EQ(stepless.bytes, (Bytes{0xAA, 0x55, 14, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(MacroBlockTest, MacrosThatDoNotFitAreLeftOutWhole) {
    auto steps = [](size_t count) {
        return std::vector<MacroRecordData>(count, Step(kStepKeyDown, 0x41, 10));
    };
    // Table 8 + 6 = 14 bytes; records of 4 + 4·S bytes.
    const std::vector<MacroBlockMacro> macros = {
        {"a", steps(2)}, {"b", steps(10)}, {"c", steps(1)}};
    const MacroBlock block = BuildMacroBlock(macros, 48);
    // a: 14..26, b (44 bytes) does not fit, c: 26..34.
    EXPECT_EQ(block.leftOut, (std::vector<int>{1}));
    EXPECT_EQ(block.length, 34);
    ASSERT_EQ(block.bytes.size(), 34u);
    EXPECT_EQ((Bytes{block.bytes.begin() + 2, block.bytes.begin() + 14}),
              (Bytes{34, 0, 3, 0, 0, 0, 14, 0, 0, 0, 26, 0}));
    EXPECT_EQ((Bytes{block.bytes.begin() + 26, block.bytes.begin() + 30}), (Bytes{1, 0, 0, 0}));

    // A keyboard memory larger than the work buffer still gets at most 4224 bytes.
    const int fitting = (kMacroBlockBufferSize - 8 - 2 * 2 - 4) / 4;  // one macro fills it
    const MacroBlock full = BuildMacroBlock({{"big", steps(fitting)}, {"more", steps(1)}}, 65280);
    EXPECT_EQ(full.length, kMacroBlockBufferSize);
    EXPECT_EQ(full.leftOut, (std::vector<int>{1}));
    const MacroBlock over = BuildMacroBlock({{"big", steps(fitting + 1)}}, 65280);
    EXPECT_EQ(over.leftOut, (std::vector<int>{0}));
    EXPECT_EQ(over.length, 8 + 2);

    // A memory too small for the offset table sends nothing and names every macro with steps.
    const MacroBlock tiny = BuildMacroBlock({{"a", steps(1)}, {"b", {}}, {"c", steps(1)}}, 10);
    EXPECT_EQ(tiny.length, 0);
    EXPECT_EQ(tiny.leftOut, (std::vector<int>{0, 2}));
}

TEST(MacroBlockTest, PausesFoldIntoTheDelayBeforeThem) {
    struct Case {
        const char* what;
        std::vector<MacroRecordData> steps;
        std::vector<Bytes> entries;
    };
    const Case cases[] = {
        {"pause between press and release",
         {Step(kStepKeyDown, 0x41, 10), Step(kStepPause, 500, 0), Step(kStepKeyUp, 0x41, 0)},
         {{0xFE, 0x01, 0x04, 0x81}, {0x00, 0x00, 0x04, 0x01}}},
        {"two pauses and the pause's own delay add up",
         {Step(kStepKeyDown, 0x41, 10), Step(kStepPause, 100, 5), Step(kStepPause, 200, 0)},
         {{0x3B, 0x01, 0x04, 0x81}}},
        {"leading pauses become one empty entry carrying their time",
         {Step(kStepPause, 300, 0), Step(kStepPause, 20, 0), Step(kStepMouseDown, 1, 10)},
         {{0x40, 0x01, 0x00, 0x00}, {0x0A, 0x00, 0x01, 0x83}}},
        {"only pauses", {Step(kStepPause, 7, 0)}, {{0x07, 0x00, 0x00, 0x00}}},
        {"a long wait saturates instead of wrapping",
         {Step(kStepKeyDown, 0x41, 31000), Step(kStepPause, 10000, 31000)},
         {{0xFF, 0xFF, 0x04, 0x81}}},
    };
    for (const Case& c : cases) {
        std::vector<Bytes> entries;
        for (const auto& entry : EncodeMacroSteps(c.steps)) {
            entries.emplace_back(entry.begin(), entry.end());
        }
        EXPECT_EQ(entries, c.entries) << c.what;
    }
}

TEST(MacroBlockTest, StepRoomCountsEveryHeader) {
    // Ten macros (28 bytes of table), own record header 4: (4096 - 32) / 4 = 1016 alone.
    EXPECT_EQ(MacroStepRoom(std::vector<int>(10, 0), 3, 4096), 1016);
    // Three other records of 1000, 5 and 5 steps leave room for 3.
    EXPECT_EQ(MacroStepRoom({1000, 5, 5, 0, 0, 0, 0, 0, 0, 0}, 3, 4096), 3);
    // The macro's own steps are not counted; a memory above the work buffer counts as 4224.
    EXPECT_EQ(MacroStepRoom({7, 0}, 0, 65280), (4224 - 12 - 4) / 4);
    EXPECT_EQ(MacroStepRoom({7, 0}, 0, 10), 0);
}

TEST(MacroBlockTest, StepCapacityAndLimits) {
    EXPECT_EQ(MacroStepCapacity(1000), 240);
    EXPECT_EQ(MacroStepCapacity(4096), 1014);
    EXPECT_EQ(MacroStepCapacity(0), 0);
    EXPECT_EQ(ClampPause(0), 1);
    EXPECT_EQ(ClampPause(20000), 10000);
    EXPECT_EQ(ClampStepDelay(-5), 0);
    EXPECT_EQ(ClampStepDelay(40000), 31000);
    EXPECT_EQ(LeadingNumber("42 ms", 0), 42);
    EXPECT_EQ(LeadingNumber("", 7), 7);
    EXPECT_EQ(LeadingNumber("x1", 7), 7);
    EXPECT_EQ(LeadingNumber("99999999999999999999", 0), 1000000000);
    EXPECT_EQ(StepName(StepText(kStepKeyUp, "Num Enter")), "Num Enter");
    EXPECT_EQ(StepText(kStepMouseDown, "MouseL"), "\u2193  MouseL");
}

}  // namespace
}  // namespace zanvor
