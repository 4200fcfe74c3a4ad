// A keyboard plugged in that this user may not open (no udev rule yet): the home page says so
// and names the fix instead of reporting that no keyboard is connected.
#include <QLabel>

#include "HubWindowFixture.h"
#include "qt/HomePage.h"
#include "sim/DeniedAccessBackend.h"

namespace zanvor::test {
namespace {

class KeyboardAccessTest : public HubWindowTest {
  protected:
    void SetUp() override {
        HubWindowTest::SetUp();
        wrapBackend = [this](std::shared_ptr<SimHidBackend> keyboards) {
            access = std::make_shared<DeniedAccessBackend>(std::move(keyboards), std::set<int>{});
            access->AllowAll();
            return access;
        };
    }

    // The home page's labels showing `text`, visible or not.
    bool HomeShows(const std::string& text) {
        QCoreApplication::processEvents();
        for (const QLabel* label : window->Home()->findChildren<QLabel*>()) {
            if (label->isVisible() && label->text() == QString::fromStdString(text)) {
                return true;
            }
        }
        return false;
    }

    void Replug(int deviceType) {
        ASSERT_TRUE(sim->Unplug(deviceType, 0));
        ASSERT_TRUE(sim->Replug(deviceType, 0));
    }

    std::shared_ptr<DeniedAccessBackend> access;
};

TEST_F(KeyboardAccessTest, TheHomePageNamesTheUdevRuleUntilAccessIsGranted) {
    Start("101:cable,102:cable");
    const std::string help = LoadText("KB.DIALOG", 1960);
    const std::string none = LoadText("KB.DIALOG", 1412);
    ASSERT_NE(help.find("70-zanvor-hub.rules"), std::string::npos) << help;
    EXPECT_FALSE(HomeShows(help));

    // The other keyboard still works; the page adds the hint below the list.
    access->Deny({102});
    Replug(102);
    ASSERT_TRUE(WaitFor([this] { return dialog->mainView.KeyboardsUnreachable(); }));
    ASSERT_TRUE(WaitFor([this] { return dialog->Idle() && dialog->session.deviceOnline.load(); }));
    EXPECT_TRUE(HomeShows(help));
    EXPECT_FALSE(window->Home()->DisconnectedShown());
    window->resize(1366, 768);
    Save(*window, "home_keyboard_partly_unreachable");

    // No keyboard may be opened: the disconnected panel gives the fix, not "no keyboard".
    access->Deny({});
    Replug(101);
    ASSERT_TRUE(WaitFor([this] { return window->Home()->DisconnectedShown(); }));
    EXPECT_TRUE(HomeShows(help));
    EXPECT_FALSE(HomeShows(none));
    Save(*window, "home_keyboard_unreachable");

    SetActiveLanguage(1045);
    EXPECT_TRUE(HomeShows(LoadText("KB.DIALOG", 1960)));
    SetActiveLanguage(1033);

    // The rule is installed and the keyboard replugged: it comes online, the hint goes away.
    access->AllowAll();
    Replug(101);
    ASSERT_TRUE(WaitFor([this] { return dialog->Idle() && dialog->session.deviceOnline.load(); }));
    ASSERT_TRUE(WaitFor([this] { return !dialog->mainView.KeyboardsUnreachable(); }));
    EXPECT_FALSE(HomeShows(help));
}

}  // namespace
}  // namespace zanvor::test
