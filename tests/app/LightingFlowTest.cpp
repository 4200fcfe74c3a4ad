#include <gtest/gtest.h>

#include "SimSession.h"
#include "device/KeyLayout.h"
#include "platform/Paths.h"

namespace zanvor {
namespace {

// Lighting across the main window object on a virtual keyboard: what the connection read
// brings and what profile switches send.
class LightingFlowTest : public test::SimSessionTest {
  protected:
    void PickKeyboard(int deviceType) {
        dialog->deviceList.ClickDevice(deviceType);
        ASSERT_TRUE(WaitIdle());
    }
};

TEST_F(LightingFlowTest, PickingTheKeyboardReadsItsLedPositionsIntoTheSession) {
    Start("103:cable");
    PickKeyboard(103);
    KeyLayout layout;
    ASSERT_TRUE(ReadLayoutFile(LayoutFilePath(ApplicationFolder(), "vista96"), layout));
    const LightPositionMap map = dialog->session.LightMap();
    ASSERT_TRUE(map.read);
    for (const LayoutKey& key : layout.keys) {
        EXPECT_EQ(map.LedOf(key.code), key.lightIndex) << key.name;
    }
}

}  // namespace
}  // namespace zanvor
