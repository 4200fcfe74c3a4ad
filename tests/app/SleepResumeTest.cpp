// The machine's sleep and wake as logind announces them, on a private bus started by the test:
// PrepareForSleep(true) stops the worker and lets the machine sleep, PrepareForSleep(false)
// starts it again and takes the sleep delay anew.
#include <gtest/gtest.h>

#include <chrono>

#include "SimSession.h"
#include "support/PrivateBus.h"

namespace zanvor {
namespace {

class SleepResumeTest : public test::SimSessionTest {
  protected:
    void SetUp() override {
        test::SimSessionTest::SetUp();
        std::string why;
        if (!bus.Start(why) || !logind.Start(bus.Address(), why)) {
            GTEST_SKIP() << why;
        }
    }

    void TearDown() override {
        test::SimSessionTest::TearDown();  // the program's bus connections end first
        logind.Stop();
    }

    test::PrivateSystemBus bus;
    test::FakeLogind logind;
};

TEST_F(SleepResumeTest, PrepareForSleepStopsTheWorkerAndResumeStartsIt) {
    Start("101:cable", true, [this] { dialog->WatchSystemSleep(true); });
    ASSERT_TRUE(Eventually([&] { return logind.InhibitorsHeld() == 1; }))
        << "the program holds a sleep delay while it may be sending";

    const auto announced = std::chrono::steady_clock::now();
    ASSERT_TRUE(logind.EmitPrepareForSleep(true));
    // The delay is released only once the worker has parked: then the machine may sleep.
    ASSERT_TRUE(Eventually([&] { return logind.InhibitorsHeld() == 0; }));
    EXPECT_LT(std::chrono::steady_clock::now() - announced, std::chrono::milliseconds(1000))
        << "an idle worker stops at once, not after the suspend's wait for a running job";
    EXPECT_TRUE(dialog->suspended.load());

    const uint64_t passes = dialog->Passes();
    dialog->PostTask(kTaskWriteSettings);
    ASSERT_TRUE(
        Eventually([&] { return dialog->Passes() > passes && dialog->AsleepUntilWoken(); }));
    EXPECT_EQ(dialog->Queue().Size(), 1u) << "nothing is sent while the machine sleeps";

    const int taken = logind.InhibitorsTaken();
    ASSERT_TRUE(logind.EmitPrepareForSleep(false));
    ASSERT_TRUE(Eventually([&] { return !dialog->suspended.load(); }));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(dialog->RanTasks().back(), kTaskWriteSettings) << "the kept task runs on resume";
    EXPECT_EQ(logind.InhibitorsTaken(), taken + 1);
    EXPECT_EQ(logind.InhibitorsHeld(), 1) << "the next sleep waits for a transfer again";
}

}  // namespace
}  // namespace zanvor
