#include <gtest/gtest.h>

#include "LightFixture.h"
#include "lighting/LightParameters.h"
#include "ui/StatusTexts.h"

namespace zanvor::test {
namespace {

Bytes Group(const Bytes& block, size_t first) {
    return Bytes(block.begin() + first, block.begin() + first + 9);
}

// What the keyboard shows for one LED of a colour table.
Bytes LedColor(const Bytes& table, int led) {
    return Bytes(table.begin() + 3 * led, table.begin() + 3 * led + 3);
}

TEST_F(LightPageTest, AZone1WritePatchesBytes20To28AndKeepsTheRestAsTheKeyboardReported) {
    Start(101, [](VirtualKeyboardModel& model) { model.zone1_max_speed = 4; });
    const Bytes before = Block();
    page->SelectLightZone(kLightZone1);
    ChooseMode(3);
    page->SetLightSpeed(1);
    page->SetLightBrightness(0x40);
    sim->ClearReports();
    EXPECT_EQ(RunPosted(),
              (std::vector<int>{kTaskWriteLightMode, kTaskWriteLightMode, kTaskWriteLightMode}));

    // Each job: begin, the block read (0x14) and written (0x15), end.
    const std::vector<uint8_t> commands = Commands();
    EXPECT_EQ(std::vector<uint8_t>(commands.begin(), commands.begin() + 6),
              (std::vector<uint8_t>{0x10, 0x14, 0x14, 0x15, 0x15, 0x11}));
    const Bytes written = BlockWritten(0x15);
    ASSERT_EQ(written.size(), 64u);
    // Mode 3, brightness 0x40, speed 4 - 1, multi-colour, index 0, red.
    EXPECT_EQ(Group(written, 20), (Bytes{0x00, 0x03, 0x40, 0x03, 0x01, 0x00, 0xFF, 0x00, 0x00}));
    for (size_t i = 0; i < 64; ++i) {
        if (i < 20 || i > 28) {
            EXPECT_EQ(written[i], before[i]) << "byte " << i;
        }
    }
    EXPECT_EQ(Block(), written);
}

TEST_F(LightPageTest, LightingOffWritesMode0OfTheShownZoneOnly) {
    Start(101);
    const Bytes before = Block();
    page->SetLightEnabled(false);
    RunPosted();
    const Bytes after = Block();
    EXPECT_EQ(after[2], 0x00) << "main zone mode 0";
    EXPECT_EQ(Group(after, 11), Group(before, 11));
    EXPECT_EQ(Group(after, 20), Group(before, 20));
}

TEST_F(LightPageTest, AMissingRowIsWrittenAsZerosWithTheFullSpeedByte) {
    Start(101);
    session.light.mode = 9;
    store.SetActiveLightMode(1, kLightMain, 0);
    ASSERT_TRUE(page->TaskWriteLightMode().ok);
    // Mode 9 has a row: check the group, then ask for a mode without one.
    session.light.mode = 0x21;
    ASSERT_TRUE(page->TaskWriteLightMode().ok);
    EXPECT_EQ(Group(Block(), 1), (Bytes{0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST_F(LightPageTest, WithoutALightingProtocolNothingIsSent) {
    Start(101);
    DeviceInfo info = session.Info();
    info.lightingProtocolVersion = 0;
    session.SetInfo(info);
    EXPECT_FALSE(page->TaskWriteLightMode().ok);
    EXPECT_TRUE(Writes().empty());
}

TEST_F(LightPageTest, AFailedBlockReadWritesNothingButStillEnds) {
    Start(101);
    sim->RefuseCommand(0x14, true);
    const TaskResult result = page->TaskWriteLightMode();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, TransferFailed().reason) << "a failed transfer says why";
    EXPECT_EQ(Commands().front(), 0x10);
    EXPECT_EQ(Commands().back(), 0x11);
    EXPECT_TRUE(BlockWritten(0x15).empty());
}

TEST_F(LightPageTest, CustomSet0x82IsMode0xFDWithIndex2AndIsReadWith0x26) {
    Start(101);
    ChooseMode(0x80);
    ChooseSet(0x82);
    poster.tasks.erase(poster.tasks.begin(), poster.tasks.begin() + 2);  // the 0x80 pair
    sim->ClearReports();
    EXPECT_EQ(RunPosted(), (std::vector<int>{kTaskWriteCustomLightMode, kTaskReadKeyColors}));
    const Bytes block = Block();
    EXPECT_EQ(block[2], 0xFD);
    EXPECT_EQ(block[10], 0x02);
    const std::vector<uint8_t> commands = Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), 0x26), 7) << "384 bytes in 7 chunks";
}

TEST_F(LightPageTest, TheCustomModeJobSendsNoSetIndexForABuiltInMode) {
    Start(101);
    session.light.mode = 3;  // a built-in mode was chosen while the job waited
    const Bytes before = Block();
    EXPECT_TRUE(page->TaskWriteCustomLightMode().ok);
    EXPECT_TRUE(Writes().empty());
    EXPECT_EQ(Block(), before);
}

// Vista 96 numbers its LEDs in a serpentine: its LED positions are not its key indices.
TEST_F(LightPageTest, ReadAndWrittenColoursGoToTheLedsTheKeyboardReported) {
    Start(103);
    const int esc = 0x29;
    const int one = 0x1E;
    const int quote = 0x34;
    ASSERT_NE(Key(one).lightIndex, Key(one).keyIndex);
    ASSERT_NE(Key(quote).lightIndex, Key(quote).keyIndex);

    // The keyboard's own set 0x80 lights the LED of key "1": the picture paints that key only.
    Bytes request(64, 0);
    const int led = Key(one).lightIndex;
    request[0] = 0xAA;
    request[1] = 0x23;
    request[2] = static_cast<uint8_t>(3 * led);
    request[4] = 3;
    request[8] = 0x11;
    request[9] = 0x22;
    request[10] = 0x33;
    std::vector<uint8_t> response;
    ASSERT_TRUE(Keyboard().Process(request.data(), request.size(), response));
    ChooseMode(0x80);
    RunPosted();
    EXPECT_EQ(PictureColor(one), 0x332211u);
    EXPECT_EQ(PictureColor(esc), 0u);

    // Painting Esc and the quote key writes their LEDs.
    page->picture.ClickKey(esc);
    page->picture.ClickKey(quote, true);
    page->OnPaletteColor(0x00FF00);
    sim->ClearReports();
    RunPosted();
    const Bytes table = BlockWritten(0x23);
    ASSERT_EQ(table.size(), 384u);
    EXPECT_EQ(LedColor(table, Key(esc).lightIndex), (Bytes{0x00, 0xFF, 0x00}));
    EXPECT_EQ(LedColor(table, Key(quote).lightIndex), (Bytes{0x00, 0xFF, 0x00}));
    EXPECT_EQ(LedColor(table, Key(one).lightIndex), (Bytes{0x11, 0x22, 0x33}));
    EXPECT_EQ(LedColor(table, Key(quote).keyIndex), (Bytes{0x00, 0x00, 0x00}))
        << "the quote key's index is another key's LED";
}

TEST_F(LightPageTest, KeysWithoutALedOrBeyondTheTableAreNeverWritten) {
    Start(101);
    // A key whose LED the keyboard reports as 0xFF.
    const int unlit = 0x04;
    LightPositionMap map = session.LightMap();
    map.codeToLed.erase(unlit);
    map.ledToCode[Key(unlit).lightIndex] = 0;
    // And one whose LED lies beyond the 200 positions the layer is built for.
    const int far = 0x05;
    map.codeToLed[far] = 230;
    session.SetLightMap(map);

    session.light.mode = 0x81;
    std::vector<UserLightRgbData> rows;
    for (const auto& [code, rgb] : std::vector<std::pair<int, int>>{{unlit, 0x0000FF},
                                                                    {far, 0x00FF00},
                                                                    {332, 0x030201},
                                                                    {340, 0x060504},
                                                                    {0x29, 0x090807}}) {
        UserLightRgbData row;
        row.profile = 1;
        row.userlight_id = 0x81;
        row.key_code = code;
        row.key_rgb = rgb;
        rows.push_back(row);
    }
    store.InsertUserLightColors(rows);
    ASSERT_TRUE(page->TaskWriteLightLayer().ok);
    const Bytes table = BlockWritten(0x25);
    ASSERT_EQ(table.size(), 384u);
    Bytes expected(384, 0);
    const int esc = Key(0x29).lightIndex;
    expected[3 * esc] = 0x07;
    expected[3 * esc + 1] = 0x08;
    expected[3 * esc + 2] = 0x09;
    expected[360] = 0x01;  // key code 332: LED 120; 340 is LED 128, outside what is sent
    expected[361] = 0x02;
    expected[362] = 0x03;
    EXPECT_EQ(table, expected);

    // Nor painted by a read: the keyboard lights the key's LED, the picture leaves it dark.
    page->TaskReadKeyColors();
    EXPECT_EQ(PictureColor(unlit), 0u);
}

TEST_F(LightPageTest, TheMirrorShowsLiveColoursBrightenedAndRestsOnACustomSet) {
    Start(103);
    // Static mode 4 in (100, 200, 250) at full brightness.
    ChooseMode(4);
    page->SetLightBrightness(Keyboard().Model().main_max_brightness);
    page->OnPaletteColor(MakeColor(100, 200, 250));
    RunPosted();
    page->SetLiveMirror(true);
    sim->ClearReports();
    ASSERT_TRUE(page->MirrorLiveKeyColors());
    EXPECT_EQ(PictureColor(0x29), MakeColor(150, 255, 255));
    EXPECT_EQ(Commands().front(), 0x10);
    EXPECT_EQ(Commands()[1], 0x34);
    EXPECT_EQ(Commands().back(), 0x11);

    ChooseMode(0x80);
    RunPosted();
    sim->ClearReports();
    EXPECT_TRUE(page->MirrorLiveKeyColors());
    EXPECT_TRUE(Writes().empty());
}

TEST_F(LightPageTest, BeforeProtocolVersion2TheMirrorReadsWith0x36) {
    Start(101, [](VirtualKeyboardModel& model) { model.lighting_protocol_version = 1; });
    page->SetLiveMirror(true);
    ASSERT_TRUE(page->MirrorLiveKeyColors());
    const std::vector<uint8_t> commands = Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), 0x36), 7);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), 0x34), 0);
}

TEST_F(LightPageTest, TheKeyboardsModesAreAdoptedAtConnection) {
    Start(101);
    // A profile the page never showed: its rows are made so the modes have rows to mark.
    session.currentProfile = 2;
    ParameterBlock block{};
    block[2] = 0xFD;
    block[21] = 3;
    block[12] = 0x33;  // zone 2 has no such mode
    session.SetParameters(block);
    page->AdoptDeviceLightModes();
    EXPECT_EQ(store.CountLightRows(2), 41);
    EXPECT_EQ(store.GetActiveLightMode(2, kLightMain), 0x80);
    EXPECT_EQ(store.GetActiveLightMode(2, kLightZone1), 3);
    EXPECT_EQ(store.GetActiveLightMode(2, kLightZone2), 0);

    // With the profile's lighting off the keyboard shows mode 0: switching on later brings
    // back the modes marked before.
    store.UpdateConfigValue(2, "enable_light", "0");
    block[2] = 0x00;
    block[21] = 0x00;
    session.SetParameters(block);
    page->AdoptDeviceLightModes();
    EXPECT_EQ(store.GetActiveLightMode(2, kLightMain), 0x80);
    EXPECT_EQ(store.GetActiveLightMode(2, kLightZone1), 3);
}

TEST_F(LightPageTest, ApplyingAProfileWritesEveryZoneAndItsCustomSetColours) {
    Start(101);
    // Profile 2: zone 1 in mode 2, zone 2 in mode 4, the main zone in custom set 0x81 with
    // Esc painted.
    session.currentProfile = 2;
    page->LoadLightZone();
    store.SetActiveLightMode(2, kLightZone1, 2);
    store.SetActiveLightMode(2, kLightZone2, 4);
    store.SetActiveLightMode(2, kLightMain, 0x81);
    UserLightRgbData esc;
    esc.profile = 2;
    esc.userlight_id = 0x81;
    esc.key_code = 0x29;
    esc.key_rgb = 0x00FF80;
    store.InsertUserLightColors({esc});
    sim->ClearReports();

    ASSERT_TRUE(page->ApplyProfileLighting().ok);
    const Bytes block = Block();
    EXPECT_EQ(block[2], 0xFD);
    EXPECT_EQ(block[10], 0x01);
    EXPECT_EQ(block[21], 0x02);
    EXPECT_EQ(block[12], 0x04);
    const Bytes table = BlockWritten(0x25);
    ASSERT_EQ(table.size(), 384u);
    EXPECT_EQ(LedColor(table, Key(0x29).lightIndex), (Bytes{0x80, 0xFF, 0x00}));
    EXPECT_EQ(page->picture.GetKeyboardCtrlMode(), kPicturePerKey);
    EXPECT_EQ(PictureColor(0x29), 0x00FF80u);

    // Back to profile 1, lighting off: every zone goes to mode 0.
    store.UpdateConfigValue(1, "enable_light", "0");
    session.currentProfile = 1;
    ASSERT_TRUE(page->ApplyProfileLighting().ok);
    const Bytes off = Block();
    EXPECT_EQ(off[2], 0x00);
    EXPECT_EQ(off[21], 0x00);
    EXPECT_EQ(off[12], 0x00);
    // The picture shows the keys dark, as the keyboard does.
    EXPECT_EQ(page->picture.GetKeyboardCtrlMode(), kPicturePerKey);
    EXPECT_EQ(PictureColor(0x29), 0u);
}

}  // namespace
}  // namespace zanvor::test
