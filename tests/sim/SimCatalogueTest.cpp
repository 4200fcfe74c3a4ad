#include "sim/SimCatalogue.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "device/KeyLayout.h"
#include "platform/Paths.h"
#include "support/TestHome.h"

namespace zanvor {
namespace {

using simtest::ReadReport;
using simtest::Request;
using simtest::Slice;
using simtest::TransferBlock;
using simtest::WriteReport;
using Bytes = std::vector<uint8_t>;

class SimCatalogueTest : public test::IsolatedHomeTest {};

TEST_F(SimCatalogueTest, ModelsFollowTheInstalledCatalogueAndLayouts) {
    std::vector<VirtualKeyboardModel> models;
    ASSERT_TRUE(LoadCatalogueModels(test::StagedAppFolder(), models));
    ASSERT_FALSE(models.empty());
    DeviceCatalogue catalogue;
    ASSERT_TRUE(ReadCatalogueFile(test::StagedAppFolder(), catalogue));
    ASSERT_EQ(models.size(), catalogue.keyboards.size());

    for (size_t m = 0; m < models.size(); ++m) {
        const VirtualKeyboardModel& model = models[m];
        const KeyboardEntry& entry = catalogue.keyboards[m];
        SCOPED_TRACE(entry.name);
        EXPECT_EQ(model.device_type, entry.deviceType);
        KeyLayout layout;
        ASSERT_TRUE(
            ReadLayoutFile(LayoutFilePath(test::StagedAppFolder(), entry.layoutName), layout));
        ASSERT_EQ(model.keys.size(), layout.keys.size());

        // The keyboard's factory table and LED map agree with the layout file.
        VirtualKeyboard keyboard(model);
        const Bytes table = keyboard.BlockData(0x16);
        const Bytes leds = keyboard.BlockData(0x32);
        for (const LayoutKey& key : layout.keys) {
            ASSERT_GE(key.keyIndex, 0);
            ASSERT_LT(key.keyIndex, 128);
            const Bytes entryBytes = Slice(table, 3 * key.keyIndex, 3);
            if (key.code < 0xE0 && key.code != 0xD1 && key.code != 0xD2) {
                EXPECT_EQ(entryBytes, (Bytes{0x10, 0x00, static_cast<uint8_t>(key.code)}))
                    << key.name;
            } else if (key.code >= 0xE0 && key.code <= 0xE7) {
                EXPECT_EQ(entryBytes[1], 1u << (key.code - 0xE0)) << key.name;
            }
            if (key.code != 0xFF) {
                EXPECT_EQ(leds[key.keyIndex], key.lightIndex) << key.name;
            }
        }
        for (const ConnectionEntry& connection : catalogue.connections) {
            if (connection.deviceType == entry.deviceType) {
                const SimConnection* sim = model.Connection(connection.mode);
                ASSERT_NE(sim, nullptr);
                EXPECT_EQ(sim->product_id, connection.productId);
            }
        }
    }
    // The product line: 101 wireless with knob, 102 with the matrix screen.
    for (const VirtualKeyboardModel& model : models) {
        if (model.device_type == 101) {
            EXPECT_TRUE(model.has_knob && model.has_battery && model.Connection(1) != nullptr);
        }
        if (model.device_type == 102) {
            EXPECT_TRUE(model.has_matrix_screen);
        }
    }
}

TEST_F(SimCatalogueTest, SelectionGrammar) {
    struct Case {
        const char* text;
        bool ok;
        std::vector<std::pair<int, int>> entries;
    };
    const Case cases[] = {
        {"", true, {}},
        {"102", true, {{102, 0}}},
        {"101:receiver", true, {{101, 1}}},
        {" 101:cable , 102 ", true, {{101, 0}, {102, 0}}},
        {"103:direct", true, {{103, 2}}},
        {"abc", false, {}},
        {"101:usb", false, {}},
        {"101,", false, {}},
        {":cable", false, {}},
        {"-5", false, {}},
        {"101x", false, {}},
    };
    for (const Case& c : cases) {
        std::vector<SimSelection> selection;
        std::string error;
        EXPECT_EQ(ParseSimSelection(c.text, selection, error), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_FALSE(error.empty()) << c.text;
            continue;
        }
        std::vector<std::pair<int, int>> entries;
        for (const SimSelection& s : selection) {
            entries.emplace_back(s.device_type, s.mode);
        }
        EXPECT_EQ(entries, c.entries) << c.text;
    }
}

TEST_F(SimCatalogueTest, BackendFromCatalogueSelectsDevicesAndKeepsState) {
    std::string error;
    EXPECT_EQ(MakeSimBackendFromCatalogue("999", error), nullptr);
    EXPECT_NE(error.find("999"), std::string::npos);
    EXPECT_EQ(MakeSimBackendFromCatalogue("102:receiver", error), nullptr);
    EXPECT_NE(error.find("receiver"), std::string::npos);

    auto all = MakeSimBackendFromCatalogue("", error);
    ASSERT_NE(all, nullptr);
    std::vector<VirtualKeyboardModel> models;
    ASSERT_TRUE(LoadCatalogueModels(ApplicationFolder(), models));
    EXPECT_EQ(all->Enumerate().size(), 2 * models.size());  // one cable device per model
    all.reset();

    {
        auto backend = MakeSimBackendFromCatalogue("101:receiver", error);
        ASSERT_NE(backend, nullptr);
        const std::vector<HidInterfaceInfo> interfaces = backend->Enumerate();
        ASSERT_EQ(interfaces.size(), 2u);
        auto device = backend->Open(backend->PathOf(101, 1));
        ASSERT_NE(device, nullptr);
        WriteReport(*device, Request(0xD0, 0, 56));
        EXPECT_EQ(ReadReport(*device)[13], 4);
        Bytes block(64, 0);
        ASSERT_TRUE(TransferBlock(*device, 0x14, block));
        block[39] = 1;  // Mac mode
        ASSERT_TRUE(TransferBlock(*device, 0x15, block));
        WriteReport(*device, Request(0x11, 0, 0));
        ReadReport(*device);
    }
    EXPECT_TRUE(std::filesystem::exists(StateHome() + "zanvor-hub/sim-101.json"));
    auto next = MakeSimBackendFromCatalogue("101", error);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->Keyboard(101)->BlockData(0x14)[39], 1);
}

}  // namespace
}  // namespace zanvor
