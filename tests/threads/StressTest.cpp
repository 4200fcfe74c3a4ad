#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/SimSession.h"
#include "store/Records.h"

namespace zanvor {
namespace {

// The UI thread posting tasks and querying the store, the worker running them, and the
// virtual keyboard being unplugged and plugged back in, all at once. Run under
// ThreadSanitizer by the tsan build; here it also checks that nothing is lost or stuck.
class StressTest : public test::SimSessionTest {};

TEST_F(StressTest, PostingQueryingAndReplugTogetherStayConsistent) {
    Start("101:cable,101:receiver");
    store.InsertDefaultConfig(1);
    ProfileData profile;
    profile.name = "stress";
    const int profileId = store.InsertProfile(profile);
    ASSERT_GT(profileId, 0);
    store.InsertDefaultConfig(profileId);

    std::atomic<bool> stop{false};
    std::thread plugger([&] {
        bool linked = true;
        while (!stop.load()) {
            sim->Unplug(101, kModeCable);
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
            sim->Replug(101, kModeCable);
            linked = !linked;
            sim->SetReceiverLink(101, linked);
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
    });

    // This thread plays the UI thread: it alone pumps the window messages.
    const int kRounds = 300;
    for (int i = 0; i < kRounds; ++i) {
        dialog->PostTask(i % 3 == 0 ? kTaskWriteSettings : kTaskWriteLightMode);
        dialog->PostTaskIfIdle(kTaskReloadProfiles);
        EXPECT_TRUE(store.UpdateConfigValue(profileId, "sleep_time", std::to_string(i)));
        std::string value;
        EXPECT_TRUE(store.GetConfigValue(profileId, "sleep_time", value));
        EXPECT_EQ(value, std::to_string(i));
        std::vector<ProfileData> profiles;
        store.LoadProfiles(profiles);
        dialog->PumpMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    stop = true;
    plugger.join();
    sim->Replug(101, kModeCable);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(dialog->Queue().Empty());
}

}  // namespace
}  // namespace zanvor
