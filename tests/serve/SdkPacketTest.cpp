#include <gtest/gtest.h>

#include <vector>

#include "serve/SdkController.h"
#include "serve/SdkPacket.h"
#include "serve/SdkRequests.h"

namespace zanvor::test {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Header(uint32_t device, uint32_t id, uint32_t length) {
    Bytes out{'O', 'R', 'G', 'B'};
    for (uint32_t v : {device, id, length}) {
        for (int i = 0; i < 4; ++i) {
            out.push_back(static_cast<uint8_t>(v >> (8 * i)));
        }
    }
    return out;
}

TEST(SdkPacketTest, PacketsSplitAnywhereInTheStreamComeOutWhole) {
    Bytes stream = SerializeSdkPacket(2, kSdkSetClientName, Bytes{'a', 'b', 0});
    const Bytes second = SerializeSdkPacket(0, kSdkRequestControllerCount, {});
    stream.insert(stream.end(), second.begin(), second.end());
    EXPECT_EQ(Bytes(stream.begin(), stream.begin() + 16),
              (Bytes{0x4F, 0x52, 0x47, 0x42, 0x02, 0x00, 0x00, 0x00, 0x32, 0x00, 0x00, 0x00, 0x03,
                     0x00, 0x00, 0x00}));

    for (size_t step : {size_t{1}, size_t{7}, size_t{16}, stream.size()}) {
        SdkPacketParser parser;
        std::vector<SdkPacket> packets;
        for (size_t at = 0; at < stream.size(); at += step) {
            parser.Feed(std::span(stream).subspan(at, std::min(step, stream.size() - at)));
            SdkPacket packet;
            while (parser.Next(packet) == SdkPacketParser::Status::Packet) {
                packets.push_back(packet);
            }
        }
        ASSERT_EQ(packets.size(), 2u) << "step " << step;
        EXPECT_EQ(packets[0].header.device, 2u);
        EXPECT_EQ(packets[0].header.id, uint32_t{kSdkSetClientName});
        EXPECT_EQ(packets[0].data, (Bytes{'a', 'b', 0}));
        EXPECT_EQ(packets[1].header.id, uint32_t{kSdkRequestControllerCount});
        EXPECT_TRUE(packets[1].data.empty());
        EXPECT_EQ(parser.Pending(), 0u);
    }
}

TEST(SdkPacketTest, BrokenHeadersBreakTheStreamForGood) {
    struct Case {
        const char* what;
        Bytes header;
    };
    Bytes wrongMagic = Header(0, 0, 0);
    wrongMagic[3] = 'X';
    const std::vector<Case> cases{
        {"wrong magic", wrongMagic},
        {"data over 1 MiB", Header(0, kSdkUpdateLeds, kSdkMaxData + 1)},
        {"length near 4 GiB", Header(0, kSdkUpdateLeds, 0xFFFFFFF0)},
    };
    for (const Case& c : cases) {
        SdkPacketParser parser;
        parser.Feed(c.header);
        SdkPacket packet;
        EXPECT_EQ(parser.Next(packet), SdkPacketParser::Status::Broken) << c.what;
        // A good packet after the broken one is not taken: the framing is lost.
        parser.Feed(SerializeSdkPacket(0, kSdkRequestControllerCount, {}));
        EXPECT_EQ(parser.Next(packet), SdkPacketParser::Status::Broken) << c.what;
    }
    SdkPacketParser limit;
    limit.Feed(Header(0, kSdkUpdateLeds, kSdkMaxData));
    SdkPacket packet;
    EXPECT_EQ(limit.Next(packet), SdkPacketParser::Status::NeedMore);
}

TEST(SdkPacketTest, AHalfSentPacketWaitsForTheRest) {
    SdkPacketParser parser;
    const Bytes packet = SerializeSdkPacket(0, kSdkSetClientName, Bytes{'x', 0});
    parser.Feed(std::span(packet).first(17));
    SdkPacket out;
    EXPECT_EQ(parser.Next(out), SdkPacketParser::Status::NeedMore);
    EXPECT_EQ(parser.Pending(), 17u);
    parser.Feed(std::span(packet).subspan(17));
    EXPECT_EQ(parser.Next(out), SdkPacketParser::Status::Packet);
}

TEST(SdkPacketTest, StringsAreTakenWithOrWithoutTheirTerminator) {
    EXPECT_EQ(DecodeSdkString(Bytes{'h', 'i', 0}), "hi");
    EXPECT_EQ(DecodeSdkString(Bytes{'h', 'i'}), "hi");
    EXPECT_FALSE(DecodeSdkString(Bytes{}));
    EXPECT_FALSE(DecodeSdkString(Bytes{0}));
    EXPECT_FALSE(DecodeSdkString(Bytes{'a', 0, 'b', 0}));
}

// A controller small enough to hold its bytes against the protocol's tables: two modes, a
// 1 x 2 matrix zone with one empty cell and a one-LED linear zone.
SdkController TinyController() {
    SdkController c;
    c.name = "K";
    c.vendor = "V";
    c.version = "1";
    c.activeMode = 1;
    SdkMode direct;
    direct.name = "D";
    direct.value = 0x100;
    direct.flags = kSdkModeHasPerLedColor;
    direct.colorMode = kSdkColorPerLed;
    SdkMode breathe;
    breathe.name = "B";
    breathe.value = 3;
    breathe.flags = kSdkModeHasSpeed | kSdkModeHasBrightness | kSdkModeHasModeSpecificColor;
    breathe.speedMin = 1;
    breathe.speedMax = 5;
    breathe.brightnessMax = 255;
    breathe.colorsMin = 1;
    breathe.colorsMax = 1;
    breathe.speed = 3;
    breathe.brightness = 200;
    breathe.colorMode = kSdkColorModeSpecific;
    breathe.colors = {0x0000FF};
    c.modes = {direct, breathe};
    c.zones = {{"M", kSdkZoneMatrix, 1, SdkMatrixMap{1, 2, {0, kSdkNoLed}}},
               {"L", kSdkZoneLinear, 1, std::nullopt}};
    c.leds = {{"A", 4}, {"b", 300}};
    c.colors = {0x00FF00, 0xFF0000};
    return c;
}

void Append(Bytes& out, std::initializer_list<uint8_t> bytes) {
    out.insert(out.end(), bytes);
}

// The expected block, written out field by field from the protocol's tables.
Bytes ExpectedTiny(uint32_t version) {
    Bytes b;
    Append(b, {0, 0, 0, 0});    // data size, set at the end
    Append(b, {5, 0, 0, 0});    // type keyboard
    Append(b, {2, 0, 'K', 0});  // name
    if (version >= 1) {
        Append(b, {2, 0, 'V', 0});  // vendor
    }
    Append(b, {1, 0, 0});           // description ""
    Append(b, {2, 0, '1', 0});      // version
    Append(b, {1, 0, 0, 1, 0, 0});  // serial "", location ""
    Append(b, {2, 0, 1, 0, 0, 0});  // 2 modes, active mode 1
    // mode D
    Append(b, {2, 0, 'D', 0, 0x00, 0x01, 0, 0, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    if (version >= 3) {
        Append(b, {0, 0, 0, 0, 0, 0, 0, 0});
    }
    Append(b, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});  // colours min/max, speed
    if (version >= 3) {
        Append(b, {0, 0, 0, 0});
    }
    Append(b, {0, 0, 0, 0, 1, 0, 0, 0, 0, 0});  // direction, per-LED, no colours
    // mode B
    Append(b, {2, 0, 'B', 0, 3, 0, 0, 0, 0x51, 0, 0, 0, 1, 0, 0, 0, 5, 0, 0, 0});
    if (version >= 3) {
        Append(b, {0, 0, 0, 0, 0xFF, 0, 0, 0});
    }
    Append(b, {1, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0});
    if (version >= 3) {
        Append(b, {200, 0, 0, 0});
    }
    Append(b, {0, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0xFF, 0, 0, 0});
    Append(b, {2, 0});  // 2 zones
    Append(b, {2, 0, 'M', 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
    Append(b, {16, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
    if (version >= 4) {
        Append(b, {0, 0});  // no segments
    }
    Append(b, {2, 0, 'L', 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0});
    if (version >= 4) {
        Append(b, {0, 0});
    }
    Append(b, {2, 0, 2, 0, 'A', 0, 4, 0, 0, 0, 2, 0, 'b', 0, 0x2C, 0x01, 0, 0});  // LEDs
    Append(b, {2, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0});                              // colours
    b[0] = static_cast<uint8_t>(b.size());
    return b;
}

TEST(SdkControllerTest, TheDescriptionBlockFollowsTheProtocolTablesPerVersion) {
    for (uint32_t version : {0u, 1u, 2u, 3u, 4u}) {
        EXPECT_EQ(EncodeSdkController(TinyController(), version), ExpectedTiny(version))
            << "version " << version;
    }
    // A client that speaks a later version is answered in the highest one the server knows.
    EXPECT_EQ(EncodeSdkController(TinyController(), 9), ExpectedTiny(4));
}

Bytes UpdateLeds(uint32_t size, uint16_t count, size_t colours) {
    SdkWriter w;
    w.U32(size);
    w.U16(count);
    for (size_t i = 0; i < colours; ++i) {
        w.U32(0x00123456);
    }
    return w.Take();
}

TEST(SdkRequestTest, ColourUpdatesThatDoNotAddUpAreRefused) {
    const SdkController device = TinyController();
    EXPECT_TRUE(DecodeUpdateLeds(UpdateLeds(14, 2, 2), device));
    // Fewer colours than LEDs paint the first LEDs (clients send fixed-length lists).
    const std::optional<SdkColorUpdate> first = DecodeUpdateLeds(UpdateLeds(10, 1, 1), device);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->first, 0u);
    EXPECT_EQ(first->colors, std::vector<uint32_t>{0x00123456});
    const struct {
        const char* what;
        Bytes data;
    } bad[] = {
        {"data size says more than sent", UpdateLeds(18, 2, 2)},
        {"count above the LEDs", UpdateLeds(18, 3, 3)},
        {"no colours", UpdateLeds(6, 0, 0)},
        {"fewer colours than counted", UpdateLeds(10, 2, 1)},
        {"more colours than counted", UpdateLeds(18, 2, 3)},
        {"cut inside the count", Bytes{6, 0, 0, 0, 2}},
        {"empty", Bytes{}},
    };
    for (const auto& c : bad) {
        EXPECT_FALSE(DecodeUpdateLeds(c.data, device)) << c.what;
    }

    auto zone = [](uint32_t index, uint16_t count) {
        SdkWriter w;
        w.U32(14);
        w.U32(index);
        w.U16(count);
        w.U32(0x00ABCDEF);
        return w.Take();
    };
    const std::optional<SdkColorUpdate> second = DecodeUpdateZoneLeds(zone(1, 1), device);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->first, 1u);
    EXPECT_EQ(second->colors, std::vector<uint32_t>{0x00ABCDEF});
    EXPECT_FALSE(DecodeUpdateZoneLeds(zone(2, 1), device)) << "zone out of range";
    EXPECT_FALSE(DecodeUpdateZoneLeds(zone(0xFFFFFFFF, 1), device)) << "zone far out of range";

    auto single = [](int32_t led) {
        SdkWriter w;
        w.I32(led);
        w.U32(0x000000FF);
        return w.Take();
    };
    ASSERT_TRUE(DecodeUpdateSingleLed(single(1), device));
    EXPECT_EQ(DecodeUpdateSingleLed(single(1), device)->first, 1u);
    EXPECT_FALSE(DecodeUpdateSingleLed(single(2), device));
    EXPECT_FALSE(DecodeUpdateSingleLed(single(-1), device));
}

TEST(SdkRequestTest, AModeUpdateKeepsTheDevicesModeAndItsRanges) {
    // A client may send any value, flags and settings; what reaches the keyboard is the
    // device's own mode with the settings moved into its ranges.
    const SdkController device = TinyController();
    const SdkMode& known = device.modes[1];
    SdkMode sent = known;
    sent.value = 0x80;  // a custom set, never a built-in mode
    sent.flags = 0xFF;
    sent.speedMax = 1000;
    sent.speed = 999;
    sent.brightness = 9999;
    sent.direction = 7;
    SdkWriter w;
    w.U32(0);
    w.I32(1);
    WriteSdkMode(w, sent, 4);
    w.PatchU32(0, static_cast<uint32_t>(w.Size()));
    const std::optional<SdkModeUpdate> update = DecodeModeUpdate(w.Bytes(), device, 4);
    ASSERT_TRUE(update);
    EXPECT_EQ(update->mode.value, known.value);
    EXPECT_EQ(update->mode.flags, known.flags);
    EXPECT_EQ(update->mode.speedMax, known.speedMax);
    EXPECT_EQ(update->mode.speed, known.speedMax);
    EXPECT_EQ(update->mode.brightness, known.brightnessMax);
    EXPECT_EQ(update->mode.direction, known.direction);
}

TEST(SdkRequestTest, AModeUpdateReadsTheModeInTheNegotiatedVersion) {
    const SdkController device = TinyController();
    for (uint32_t version : {0u, 3u, 4u}) {
        SdkMode wanted = device.modes[1];
        wanted.speed = 5;
        wanted.colors = {0x00FF00FF};
        if (version < 3) {
            wanted.brightness = 0;  // not on the wire before version 3; the range stays the mode's
        }
        SdkWriter w;
        w.U32(0);
        w.I32(1);
        WriteSdkMode(w, wanted, version);
        w.PatchU32(0, static_cast<uint32_t>(w.Size()));
        const std::optional<SdkModeUpdate> update = DecodeModeUpdate(w.Bytes(), device, version);
        ASSERT_TRUE(update) << "version " << version;
        EXPECT_EQ(update->index, 1u);
        EXPECT_EQ(update->mode, wanted);
        // Read as another version the same bytes do not add up.
        EXPECT_FALSE(DecodeModeUpdate(w.Bytes(), device, version >= 3 ? 0 : 3));

        SdkMode tooMany = wanted;
        tooMany.colors = {1, 2};
        SdkWriter more;
        more.U32(0);
        more.I32(1);
        WriteSdkMode(more, tooMany, version);
        more.PatchU32(0, static_cast<uint32_t>(more.Size()));
        EXPECT_FALSE(DecodeModeUpdate(more.Bytes(), device, version)) << "colours over the max";

        SdkWriter outside;
        outside.U32(0);
        outside.I32(2);
        WriteSdkMode(outside, wanted, version);
        outside.PatchU32(0, static_cast<uint32_t>(outside.Size()));
        EXPECT_FALSE(DecodeModeUpdate(outside.Bytes(), device, version)) << "mode index";
    }
    // A colour count larger than the data left is refused before anything is allocated.
    SdkWriter huge;
    huge.U32(0);
    huge.I32(1);
    huge.Text("B");
    for (int i = 0; i < 11; ++i) {
        huge.U32(0);
    }
    huge.U16(0xFFFF);
    huge.PatchU32(0, static_cast<uint32_t>(huge.Size()));
    EXPECT_FALSE(DecodeModeUpdate(huge.Bytes(), device, 3));
}

}  // namespace
}  // namespace zanvor::test
