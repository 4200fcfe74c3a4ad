#include "sim/VirtualKeyboard.h"

#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "support/Rows.h"

namespace zanvor {
namespace {

using simtest::Ask;
using simtest::Request;
using simtest::ScreenModel;
using simtest::Slice;
using simtest::SmallModel;
using Bytes = std::vector<uint8_t>;

TEST(VirtualKeyboardTest, BeginAndEndAnswerWithHeaderEchoAndKeyboardIds) {
    VirtualKeyboard keyboard(SmallModel());
    Bytes begin = Ask(keyboard, Request(0x10, 0, 0));
    ASSERT_EQ(begin.size(), 64u);
    EXPECT_EQ(Slice(begin, 0, 13), (Bytes{0xAA, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x55, 0x00,
                                          0xB0, 0x36, 0x05, 0x30}));
    Bytes end = Ask(keyboard, Request(0x11, 0, 0));
    EXPECT_EQ(Slice(end, 0, 9), (Bytes{0xAA, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x55, 0x00}));
    EXPECT_EQ(keyboard.BeginCount(), 1);
    EXPECT_EQ(keyboard.EndCount(), 1);
}

TEST(VirtualKeyboardTest, DeviceInformationFollowsProtocolVersion) {
    VirtualKeyboardModel model = SmallModel();
    model.firmware_version = 0x0114;
    model.zone1_max_brightness = 0xC8;
    model.zone1_max_speed = 4;
    model.zone2_max_brightness = 0x64;
    model.zone2_max_speed = 3;
    VirtualKeyboard v2(model);
    Bytes info = Slice(Ask(v2, Request(0x12, 0, 56)), 8, 56);
    EXPECT_EQ(Slice(info, 6, 3), (Bytes{0x14, 0x01, 0x02}));  // firmware 1.14, protocol 2
    EXPECT_EQ(info[13], 0x10);                                // 16 × 256 bytes of macros
    EXPECT_EQ(Slice(info, 16, 2), (Bytes{0xFF, 0x05}));
    EXPECT_EQ(info[19], 1);
    EXPECT_EQ(Slice(info, 22, 2), (Bytes{0x64, 0x03}));
    EXPECT_EQ(info[25], 1);
    EXPECT_EQ(Slice(info, 28, 2), (Bytes{0xC8, 0x04}));
    EXPECT_EQ(info[31], 0);  // no matrix screen
    EXPECT_EQ(info[37], 1);  // knob

    model.lighting_protocol_version = 1;
    VirtualKeyboard v1(model);
    info = Slice(Ask(v1, Request(0x12, 0, 56)), 8, 56);
    EXPECT_EQ(Slice(info, 21, 2), (Bytes{0x64, 0x03}));
    EXPECT_EQ(Slice(info, 27, 2), (Bytes{0xC8, 0x04}));
    EXPECT_EQ(info[37], 0);  // the knob flag does not exist below version 2
}

TEST(VirtualKeyboardTest, FactoryTablesComeFromTheLayoutUsages) {
    VirtualKeyboard keyboard(SmallModel());
    const Bytes table = keyboard.BlockData(0x16);
    ASSERT_EQ(table.size(), 384u);
    EXPECT_EQ(Slice(table, 0, 21), (Bytes{0x10, 0x00, 0x29,     // Esc
                                          0x10, 0x00, 0x04,     // A
                                          0x10, 0x02, 0x00,     // left Shift as a mask
                                          0x50, 0x02, 0x00,     // Fn
                                          0x30, 0x92, 0x01,     // Calc
                                          0x00, 0x00, 0x00,     // the knob's picture key
                                          0x10, 0x00, 0x05}));  // B
    // Knob actions take the three highest free entries.
    EXPECT_EQ(Slice(Ask(keyboard, Request(0x3E, 0, 56)), 8, 4), (Bytes{125, 126, 127, 0}));
    EXPECT_EQ(Slice(table, 3 * 125, 9),
              (Bytes{0x30, 0xEA, 0x00, 0x30, 0xE9, 0x00, 0x30, 0xE2, 0x00}));
    for (uint8_t command : {0x17, 0x18, 0x19, 0x1A, 0x1C, 0x1E, 0x20}) {
        EXPECT_EQ(keyboard.BlockData(command), table) << std::hex << int(command);
    }
}

TEST(VirtualKeyboardTest, LedPositionMapIsIndexedByKeyIndex) {
    VirtualKeyboard keyboard(SmallModel());
    Bytes map;
    for (uint16_t offset : {0, 56, 112}) {
        const uint8_t n = offset == 112 ? 16 : 56;
        Bytes part = Slice(Ask(keyboard, Request(0x32, offset, n)), 8, n);
        map.insert(map.end(), part.begin(), part.end());
    }
    ASSERT_EQ(map.size(), 128u);
    EXPECT_EQ(Slice(map, 0, 8), (Bytes{0x00, 0x05, 0x06, 0xFF, 0x07, 0x08, 0x09, 0xFF}));
    EXPECT_EQ(map[127], 0xFF);
}

TEST(VirtualKeyboardTest, SingleEntryWriteChangesOneLayerAndEchoesTheData) {
    VirtualKeyboard keyboard(SmallModel());
    // Layer 1, table index 1 (offset 3), action code "Vol Up".
    Bytes response = Ask(keyboard, Request(0x1D, 3, 3, {0x30, 0xE9, 0x00}));
    EXPECT_EQ(Slice(response, 0, 11),
              (Bytes{0xAA, 0x1D, 0x03, 0x00, 0x03, 0x00, 0x00, 0x55, 0x30, 0xE9, 0x00}));
    EXPECT_EQ(Slice(Ask(keyboard, Request(0x1C, 0, 6)), 8, 6),
              (Bytes{0x10, 0x00, 0x29, 0x30, 0xE9, 0x00}));
    EXPECT_EQ(Slice(keyboard.BlockData(0x1A), 3, 3), (Bytes{0x10, 0x00, 0x04}));  // layer 0
    EXPECT_EQ(Slice(keyboard.BlockData(0x17), 3, 3), (Bytes{0x10, 0x00, 0x04}));  // default
    EXPECT_TRUE(keyboard.Dirty());
}

TEST(VirtualKeyboardTest, WholeTableWriteAtHighOffset) {
    VirtualKeyboard keyboard(SmallModel());
    // The last chunk of a 384-byte table: offset 0x150, 48 bytes.
    Bytes data(48, 0x11);
    Bytes request = Request(0x21, 0x150, 48);
    std::copy(data.begin(), data.end(), request.begin() + 8);
    Bytes response = Ask(keyboard, request);
    EXPECT_EQ(Slice(response, 0, 8), (Bytes{0xAA, 0x21, 0x50, 0x01, 0x30, 0x00, 0x00, 0x55}));
    const Bytes table = keyboard.BlockData(0x20);
    EXPECT_EQ(Slice(table, 336, 48), data);
    EXPECT_EQ(table[335], 0x00);
}

TEST(VirtualKeyboardTest, ParameterBlockWriteReadAndFactorySettings) {
    VirtualKeyboard keyboard(SmallModel());
    const Bytes factory = keyboard.BlockData(0x14);
    ASSERT_EQ(factory.size(), 64u);
    EXPECT_EQ(Slice(factory, 1, 10),
              (Bytes{0x00, 0x01, 0xFF, 0x02, 0x01, 0x00, 0xFF, 0x00, 0x00, 0x00}));
    EXPECT_EQ(factory[42], 8);                                    // key response
    EXPECT_EQ(Slice(factory, 46, 3), (Bytes{0x78, 0x00, 0x00}));  // 120 s

    // Sleep time 600 s in the second chunk (bytes 56..63 travel at offset 56).
    Bytes second = Slice(factory, 56, 8);
    Bytes request = Request(0x15, 56, 8);
    std::copy(second.begin(), second.end(), request.begin() + 8);
    Ask(keyboard, request);
    Bytes first = Slice(factory, 0, 56);
    first[46] = 0x58;
    first[47] = 0x02;
    first[2] = 0xFD;
    first[10] = 2;
    request = Request(0x15, 0, 56);
    std::copy(first.begin(), first.end(), request.begin() + 8);
    Bytes response = Ask(keyboard, request);
    EXPECT_EQ(response[7], 0x55);
    EXPECT_EQ(Slice(response, 8, 56), first);
    EXPECT_EQ(Slice(Ask(keyboard, Request(0x14, 0, 56)), 8 + 46, 3), (Bytes{0x58, 0x02, 0x00}));

    // Below protocol 2 there is no matrix zone: the settings follow zone 1 directly.
    VirtualKeyboardModel model = SmallModel();
    model.lighting_protocol_version = 1;
    const Bytes v1 = VirtualKeyboard(model).BlockData(0x14);
    EXPECT_EQ(Slice(v1, 29, 9), (Bytes{0, 0, 0, 0, 8, 0, 0x78, 0x00, 0x00}));
}

TEST(VirtualKeyboardTest, RefusalsEchoTheRequestAndChangeNothing) {
    struct Case {
        const char* what;
        VirtualKeyboardModel model;
        Bytes request;
    };
    Bytes shortWrite = Request(0x1B, 0, 40, {}, 20);  // claims 40 bytes, carries 12
    const Case cases[] = {
        {"unknown command", SmallModel(), Request(0x99, 0, 0)},
        {"link query sent to a keyboard", SmallModel(), Request(0xD0, 0, 56)},
        {"chunk beyond the parameter block", SmallModel(), Request(0x15, 56, 16)},
        {"offset beyond the key table", SmallModel(), Request(0x1B, 384, 3, {1, 2, 3})},
        {"more than one chunk of data", SmallModel(), Request(0x1B, 0, 57)},
        {"data missing from the report", SmallModel(), shortWrite},
        {"matrix colours without a screen", SmallModel(), Request(0x3B, 0, 3, {1, 2, 3})},
        {"matrix mode without a screen", SmallModel(), Request(0x3D, 0, 56)},
        {"knob indices without a knob", ScreenModel(), Request(0x3E, 0, 56)},
        {"macro block beyond its capacity", SmallModel(), Request(0x2D, 4090, 8)},
    };
    test::ForEachRow(cases, [&](const Case& c) {
        VirtualKeyboard keyboard(c.model);
        const Bytes tables = keyboard.BlockData(0x1B);
        const Bytes parameters = keyboard.BlockData(0x15);
        Bytes response = Ask(keyboard, c.request);
        ASSERT_EQ(response.size(), 64u) << c.what;
        EXPECT_EQ(Slice(response, 0, 8), (Bytes{0xAA, c.request[1], c.request[2], c.request[3],
                                                c.request[4], 0x00, 0x00, 0x0F}))
            << c.what;
        EXPECT_EQ(keyboard.BlockData(0x1B), tables) << c.what;
        EXPECT_EQ(keyboard.BlockData(0x15), parameters) << c.what;
        EXPECT_FALSE(keyboard.Dirty()) << c.what;
    });
}

TEST(VirtualKeyboardTest, ReportsWithoutHeaderGetNoAnswer) {
    VirtualKeyboard keyboard(SmallModel());
    Bytes request = Request(0x10, 0, 0);
    request[0] = 0x55;
    std::vector<uint8_t> response;
    EXPECT_FALSE(keyboard.Process(request.data(), request.size(), response));
    EXPECT_FALSE(keyboard.Process(request.data(), 7, response));
    EXPECT_EQ(keyboard.BeginCount(), 0);
}

TEST(VirtualKeyboardTest, BatteryLevelAndChargingFlag) {
    VirtualKeyboard keyboard(SmallModel());
    keyboard.SetBattery(42, true);
    EXPECT_EQ(Slice(Ask(keyboard, Request(0x30, 0, 24)), 7, 4), (Bytes{0x55, 0x2A, 0x01, 0x00}));
    // A keyboard without battery reports level 0: no battery information.
    VirtualKeyboard wired(ScreenModel());
    EXPECT_EQ(Slice(Ask(wired, Request(0x30, 0, 56)), 7, 3), (Bytes{0x55, 0x00, 0x00}));
}

TEST(VirtualKeyboardTest, ResetRestoresFactoryState) {
    VirtualKeyboard keyboard(SmallModel());
    const Bytes parameters = keyboard.BlockData(0x14);
    Ask(keyboard, Request(0x1B, 0, 3, {0x50, 0x0A, 0x00}));
    Ask(keyboard, Request(0x15, 0, 3, {0x00, 0x07, 0x10}));
    Ask(keyboard, Request(0x25, 0, 3, {0x01, 0x02, 0x03}));
    Ask(keyboard, Request(0x2D, 0, 4, {0xAA, 0x55, 0x08, 0x00}));
    Bytes response = Ask(keyboard, Request(0x31, 0, 56));
    EXPECT_EQ(response[7], 0x55);
    EXPECT_EQ(keyboard.BlockData(0x1A), keyboard.BlockData(0x16));
    EXPECT_EQ(keyboard.BlockData(0x14), parameters);
    EXPECT_EQ(keyboard.BlockData(0x24), Bytes(384, 0));
    EXPECT_EQ(keyboard.BlockData(0x2D), Bytes(4096, 0));
}

TEST(VirtualKeyboardTest, CustomSetsAndLiveColours) {
    VirtualKeyboard keyboard(SmallModel());
    // Set 0x82: write through 0x27, read back through 0x26.
    Ask(keyboard, Request(0x27, 15, 6, {10, 20, 30, 40, 50, 60}));
    EXPECT_EQ(Slice(Ask(keyboard, Request(0x26, 15, 6)), 8, 6), (Bytes{10, 20, 30, 40, 50, 60}));
    EXPECT_EQ(keyboard.BlockData(0x22), Bytes(384, 0));

    // Built-in static mode 4 in red at full brightness: every LED that a key uses shows it.
    Ask(keyboard, Request(0x15, 1, 9, {0x00, 4, 0xFF, 0, 0, 0, 0xFF, 0x00, 0x00}));
    Bytes live = Slice(Ask(keyboard, Request(0x34, 0, 24)), 8, 24);
    EXPECT_EQ(Slice(live, 0, 3), (Bytes{0xFF, 0x00, 0x00}));   // LED 0 (Esc)
    EXPECT_EQ(Slice(live, 3, 3), (Bytes{0x00, 0x00, 0x00}));   // LED 1 unused
    EXPECT_EQ(Slice(live, 15, 3), (Bytes{0xFF, 0x00, 0x00}));  // LED 5 (A)

    // Custom set 2 active: the live colours are that set.
    Ask(keyboard, Request(0x15, 0, 11, {0x00, 0x00, 0xFD, 0, 0, 0, 0, 0, 0, 0, 0x02}));
    EXPECT_EQ(Slice(Ask(keyboard, Request(0x36, 0, 24)), 8 + 15, 6),
              (Bytes{10, 20, 30, 40, 50, 60}));

    // A streamed effect frame shows until the next parameter block write.
    Ask(keyboard, Request(0x2E, 0, 3, {7, 8, 9}));
    EXPECT_EQ(Slice(Ask(keyboard, Request(0x34, 0, 3)), 8, 3), (Bytes{7, 8, 9}));
    EXPECT_EQ(keyboard.EffectFrameCount(), 1);
    Ask(keyboard, Request(0x15, 0, 3, {0x00, 0x00, 0x00}));  // main zone off
    EXPECT_EQ(Slice(Ask(keyboard, Request(0x34, 0, 24)), 8, 24), Bytes(24, 0));
}

TEST(VirtualKeyboardTest, MacroBlockChunksIncludingAnEmptyLastOne) {
    VirtualKeyboard keyboard(SmallModel());
    Bytes request = Request(0x2D, 0, 56);
    for (int i = 0; i < 56; ++i) {
        request[8 + i] = static_cast<uint8_t>(i);
    }
    EXPECT_EQ(Ask(keyboard, request)[7], 0x55);
    request = Request(0x2D, 56, 0);
    EXPECT_EQ(Slice(Ask(keyboard, request), 0, 8),
              (Bytes{0xAA, 0x2D, 0x38, 0x00, 0x00, 0x00, 0x00, 0x55}));
    const Bytes block = keyboard.BlockData(0x2D);
    EXPECT_EQ(block[55], 55);
    EXPECT_EQ(block[56], 0);
}

TEST(VirtualKeyboardTest, MatrixCommandsOnAScreenModel) {
    VirtualKeyboard keyboard(ScreenModel());
    // 147-byte custom table in 56-byte chunks: the last one at offset 112 with 35 bytes.
    Bytes request = Request(0x3B, 112, 35);
    request[8 + 34] = 0xAB;  // blue of LED 48
    EXPECT_EQ(Ask(keyboard, request)[7], 0x55);
    EXPECT_EQ(Slice(Ask(keyboard, Request(0x3A, 112, 35)), 8 + 34, 1), (Bytes{0xAB}));
    EXPECT_EQ(Ask(keyboard, Request(0x3A, 112, 36))[7], 0x0F);  // past 147 bytes

    EXPECT_EQ(Ask(keyboard, Request(0x3D, 0, 0x38))[7], 0x55);
    EXPECT_EQ(Ask(keyboard, Request(0x3C, 56, 42))[7], 0x55);  // second chunk of 98 bytes
    EXPECT_EQ(keyboard.MatrixFrameCount(), 1);
    EXPECT_FALSE(keyboard.LiveMode());
    EXPECT_EQ(Ask(keyboard, Request(0x2F, 0, 0x38))[7], 0x55);
    EXPECT_TRUE(keyboard.LiveMode());
}

TEST(VirtualKeyboardTest, SmallReportsCarry24ByteChunks) {
    VirtualKeyboardModel model = SmallModel();
    model.report_length = 33;
    VirtualKeyboard keyboard(model);
    EXPECT_EQ(keyboard.PayloadLength(), 32u);
    Bytes response = Ask(keyboard, Request(0x16, 24, 24, {}, 32));
    ASSERT_EQ(response.size(), 32u);
    EXPECT_EQ(Slice(response, 0, 8), (Bytes{0xAA, 0x16, 0x18, 0x00, 0x18, 0x00, 0x00, 0x55}));
    EXPECT_EQ(Slice(response, 8, 3), (Bytes{0x00, 0x00, 0x00}));  // entry 8: unused
}

TEST(VirtualKeyboardTest, FactoryActionCodes) {
    struct Case {
        int usage;
        bool has;
        std::array<uint8_t, 3> code;
    };
    const Case cases[] = {
        {0x04, true, {0x10, 0x00, 0x04}},
        {0xE0, true, {0x10, 0x01, 0x00}},
        {0xE7, true, {0x10, 0x80, 0x00}},
        {0xF0, true, {0x50, 0x02, 0x00}},
        {0xD1, true, {0x30, 0x24, 0x02}},
        {0xD2, true, {0x30, 0x92, 0x01}},
        {0xFF, false, {}},
        {300, false, {}},
        {0, false, {}},
    };
    for (const Case& c : cases) {
        std::array<uint8_t, 3> code{};
        EXPECT_EQ(FactoryActionCode(c.usage, code), c.has) << c.usage;
        if (c.has) {
            EXPECT_EQ(code, c.code) << c.usage;
        }
    }
}

}  // namespace
}  // namespace zanvor
