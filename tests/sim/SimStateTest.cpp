#include <filesystem>

#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "sim/SimHidBackend.h"
#include "sim/VirtualKeyboard.h"
#include "support/TestHome.h"

namespace zanvor {
namespace {

using simtest::Ask;
using simtest::ReadReport;
using simtest::Request;
using simtest::Slice;
using simtest::SmallModel;
using simtest::WriteReport;
using Bytes = std::vector<uint8_t>;

// Changes every kind of state that is kept.
void ChangeEverything(VirtualKeyboard& keyboard) {
    Ask(keyboard, Request(0x1F, 6, 3, {0x60, 0x01, 0x00}));
    Ask(keyboard, Request(0x15, 38, 2, {0x01, 0x01}));
    Ask(keyboard, Request(0x2B, 0, 3, {0x11, 0x22, 0x33}));
    Ask(keyboard, Request(0x2D, 0, 4, {0xAA, 0x55, 0x08, 0x00}));
}

TEST(SimStateTest, SavedStateLoadsIntoAFreshKeyboard) {
    test::TempDir dir;
    const std::string path = dir.path() + "state/sim-101.json";
    VirtualKeyboard original(SmallModel());
    ChangeEverything(original);
    ASSERT_TRUE(original.SaveState(path));

    VirtualKeyboard restored(SmallModel());
    ASSERT_TRUE(restored.LoadState(path));
    for (uint8_t command : {0x14, 0x1A, 0x1C, 0x1E, 0x20, 0x2A, 0x2D, 0x16}) {
        EXPECT_EQ(restored.BlockData(command), original.BlockData(command)) << int(command);
    }
    EXPECT_FALSE(restored.Dirty());
    // Only the finished file is left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path() + "state")) {
        EXPECT_EQ(entry.path().filename(), "sim-101.json");
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST(SimStateTest, UnusableFilesGiveFactoryState) {
    test::TempDir dir;
    VirtualKeyboard reference(SmallModel());
    ChangeEverything(reference);
    ASSERT_TRUE(reference.SaveState(dir.path() + "good.json"));
    const std::string good = test::ReadFile(dir.path() + "good.json");
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    struct Case {
        const char* what;
        std::string content;
    };
    const Case cases[] = {
        {"empty file", ""},
        {"not JSON", "{\"version\": 1, \"device_"},
        {"JSON of the wrong shape", "[1, 2, 3]"},
        {"another version", replaced("\"version\": 1", "\"version\": 2")},
        {"another model", replaced("\"device_type\": 101", "\"device_type\": 102")},
        {"block too short", replaced("\"parameter_block\": \"00", "\"parameter_block\": \"")},
        {"not hexadecimal", replaced("\"parameter_block\": \"00", "\"parameter_block\": \"zz")},
        {"wrong field type", replaced("\"macro_block\": \"", "\"macro_block\": 5, \"x\": \"")},
        {"missing tables", replaced("\"key_tables\"", "\"key_tablez\"")},
    };
    for (const Case& c : cases) {
        const std::string path = dir.path() + "bad.json";
        test::WriteFile(path, c.content);
        VirtualKeyboard keyboard(SmallModel());
        const Bytes factory = keyboard.BlockData(0x1E);
        EXPECT_FALSE(keyboard.LoadState(path)) << c.what;
        EXPECT_EQ(keyboard.BlockData(0x1E), factory) << c.what;
        EXPECT_EQ(keyboard.BlockData(0x2D), Bytes(4096, 0)) << c.what;
    }
    VirtualKeyboard keyboard(SmallModel());
    EXPECT_FALSE(keyboard.LoadState(dir.path() + "missing.json"));
}

TEST(SimStateTest, SaveIfDirtyWritesOnlyAfterChanges) {
    test::TempDir dir;
    const std::string path = dir.path() + "sim-101.json";
    VirtualKeyboard keyboard(SmallModel());
    EXPECT_TRUE(keyboard.SaveStateIfDirty(path));
    EXPECT_FALSE(std::filesystem::exists(path));    // factory state: nothing to keep
    Ask(keyboard, Request(0x2E, 0, 3, {1, 2, 3}));  // live frames are not kept
    EXPECT_FALSE(keyboard.Dirty());
    Ask(keyboard, Request(0x1B, 0, 3, {0x10, 0x00, 0x05}));
    EXPECT_TRUE(keyboard.SaveStateIfDirty(path));
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_FALSE(keyboard.Dirty());
    // A file that cannot be written keeps the mark, so a later save tries again.
    Ask(keyboard, Request(0x1B, 0, 3, {0x10, 0x00, 0x06}));
    EXPECT_FALSE(keyboard.SaveStateIfDirty(dir.path() + "sim-101.json/inside.json"));
    EXPECT_TRUE(keyboard.Dirty());
}

TEST(SimStateTest, BackendKeepsStateBetweenRuns) {
    test::TempDir dir;
    const std::string folder = dir.path() + "zanvor-hub/";
    {
        SimHidBackend first;
        first.SetStateFolder(folder);
        auto device = first.Open(first.AddDevice(SmallModel(), 0));
        WriteReport(*device, Request(0x10, 0, 0));
        ReadReport(*device);
        WriteReport(*device, Request(0x1B, 3, 3, {0x50, 0x0A, 0x00}));
        ReadReport(*device);
        EXPECT_FALSE(std::filesystem::exists(SimHidBackend::StatePath(folder, 101)));
        WriteReport(*device, Request(0x11, 0, 0));  // the end command saves
        ReadReport(*device);
        EXPECT_TRUE(std::filesystem::exists(SimHidBackend::StatePath(folder, 101)));
        WriteReport(*device, Request(0x21, 0, 3, {0x10, 0x00, 0x2C}));
        ReadReport(*device);
    }  // the backend saves what changed after the last end command
    SimHidBackend second;
    second.SetStateFolder(folder);
    second.AddDevice(SmallModel(), 1);
    auto keyboard = second.Keyboard(101);
    EXPECT_EQ(Slice(keyboard->BlockData(0x1A), 3, 3), (Bytes{0x50, 0x0A, 0x00}));
    EXPECT_EQ(Slice(keyboard->BlockData(0x20), 0, 3), (Bytes{0x10, 0x00, 0x2C}));

    // A corrupt file: the next run starts from factory state and overwrites it when saving.
    test::WriteFile(SimHidBackend::StatePath(folder, 101), "\x01garbage");
    SimHidBackend third;
    third.AddDevice(SmallModel(), 0);
    third.SetStateFolder(folder);
    EXPECT_EQ(third.Keyboard(101)->BlockData(0x1A), third.Keyboard(101)->BlockData(0x16));
}

}  // namespace
}  // namespace zanvor
