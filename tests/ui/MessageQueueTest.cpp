#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ui/MDialog.h"

namespace zanvor {
namespace {

class RecordingWindow : public MDialog {
  public:
    void OnWindowMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) override {
        handled.push_back({id, wParam, lParam});
        handlerThread = std::this_thread::get_id();
    }
    std::vector<Message> handled;
    std::thread::id handlerThread;
};

TEST(MessageQueue, MessagesPostedFromAnotherThreadRunInOrderOnThePumpingThread) {
    RecordingWindow window;
    int wakeups = 0;
    window.SetMessageWakeup([&] { ++wakeups; });
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i) {
            window.PostMessageW(0x6B3, 0, i);
        }
    });
    poster.join();
    EXPECT_EQ(wakeups, 100);
    EXPECT_TRUE(window.handled.empty()) << "posting must never run the handler";

    EXPECT_EQ(window.PumpMessages(), 100);
    ASSERT_EQ(window.handled.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(window.handled[i].lParam, i);
    }
    EXPECT_EQ(window.handlerThread, std::this_thread::get_id());
    EXPECT_EQ(window.PumpMessages(), 0);
}

TEST(MessageQueue, WaitForMessageWakesOnPostAndTimesOutOtherwise) {
    RecordingWindow window;
    EXPECT_FALSE(window.WaitForMessage(std::chrono::milliseconds(1)));
    std::thread poster([&] { window.PostMessageW(1); });
    EXPECT_TRUE(window.WaitForMessage(std::chrono::seconds(5)));
    poster.join();
    EXPECT_EQ(window.PendingMessages(), 1u);
}

TEST(MessageQueue, DialogEndsOnceWithTheFirstResult) {
    RecordingWindow window;
    int ends = 0;
    window.SetEndHandler([&](MDialog::Result) { ++ends; });
    window.DoOK();
    window.DoCancel();
    EXPECT_EQ(window.DialogResult(), MDialog::kOK);
    EXPECT_EQ(ends, 1);
}

}  // namespace
}  // namespace zanvor
