// Importing a profile file on a virtual keyboard: what reaches the keyboard's tables.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimSession.h"
#include "app/DevicePages.h"
#include "keys/ExchangePage.h"
#include "store/Records.h"
#include "support/Rows.h"

namespace zanvor {
namespace {

constexpr int kUsageEsc = 0x29;

class ProfileImportFlowTest : public test::SimSessionTest {
  protected:
    // A file giving Esc on layer `layer` the function (type, value, value2).
    std::string EscFile(int layer, const std::string& type, const std::string& value,
                        const std::string& value2) {
        const std::string path = home() + "import.xml";
        test::WriteFile(path,
                        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profile><profileinfo "
                        "name=\"Imported\" /><key_macro><item fn_layer=\"" +
                            std::to_string(layer) +
                            "\" key_code=\"41\" layout_value=\"41\" layout_desc=\"Esc\" "
                            "macro_type=\"" +
                            type + "\" macro_value=\"" + value + "\" macro_value2=\"" + value2 +
                            "\" macro_value3=\"0\" macro_desc=\"x\" /></key_macro></profile>");
        return path;
    }
    // Esc's entry in the table the keyboard holds for `layer`.
    std::vector<uint8_t> EscEntry(int layer) {
        const int index = dialog->session.KeyMapsCopy().codeToKeyIndex.at(kUsageEsc);
        const std::vector<uint8_t> table =
            sim->Keyboard(101)->BlockData(static_cast<uint8_t>(0x1B + 2 * layer));
        const size_t at = static_cast<size_t>(3 * index);
        return table.size() >= at + 3
                   ? std::vector<uint8_t>(table.begin() + at, table.begin() + at + 3)
                   : std::vector<uint8_t>();
    }
    int Profiles() {
        std::vector<ProfileData> profiles;
        return store.LoadProfiles(profiles);
    }
};

TEST_F(ProfileImportFlowTest, OnlyRowsTheKeyboardCanHoldReachIt) {
    Start("101:cable");
    dialog->deviceList.ClickDevice(101);
    ASSERT_TRUE(WaitIdle());
    ExchangePage& exchange = dialog->Pages().exchange;
    const int profiles = Profiles();

    // Each of these used to be written as it stood: a dead key (00 00 00) or every modifier.
    const struct {
        const char* what;
        int layer;
        std::string type, value, value2;
    } refused[] = {
        {"unknown function type", 0, "99", "4", "0"},
        {"modifier mask beyond a byte", 1, "2", "4", "99999999999"},
        {"macro that does not exist", 0, "3", "999", "0"},
    };
    test::ForEachRow(refused, [&](const auto& c) {
        sim->ClearReports();
        const ImportResult result =
            exchange.ImportFile(EscFile(c.layer, c.type, c.value, c.value2));
        EXPECT_EQ(result.status, ImportStatus::Refused);
        EXPECT_NE(result.reason.find("Row 1 (layer " + std::to_string(c.layer) + ", key 0x29)"),
                  std::string::npos)
            << result.reason;
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(WritesOf(0x1B) + WritesOf(0x1D), 0u) << "nothing is sent";
        EXPECT_EQ(Profiles(), profiles) << "nothing is stored";
    });

    // A row the keyboard can hold arrives as the file gives it: Esc becomes "Stop" (0x00B7).
    const ImportResult result = exchange.ImportFile(EscFile(0, "6", "101", "0"));
    ASSERT_EQ(result.status, ImportStatus::Imported) << result.reason;
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(EscEntry(0), (std::vector<uint8_t>{0x30, 0xB7, 0x00}));
}

}  // namespace
}  // namespace zanvor
