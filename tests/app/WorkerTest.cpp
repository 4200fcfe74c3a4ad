#include <gtest/gtest.h>

#include "SimSession.h"
#include "platform/Registry.h"
#include "ui/WindowMessages.h"

namespace zanvor {
namespace {

class WorkerTest : public test::SimSessionTest {
  protected:
    // Codes taken from the queue since the mark, whether or not they reached the device.
    std::vector<int> TakenSince(size_t mark) {
        std::vector<int> codes;
        const auto log = dialog->TaskLog();
        for (size_t i = mark; i < log.size(); ++i) {
            codes.push_back(log[i].code);
        }
        return codes;
    }
};

TEST_F(WorkerTest, TaskPostedWhileUnpluggedIsTakenAndDropped) {
    Start("101:cable");
    sim->Unplug(101, kModeCable);
    ASSERT_TRUE(
        Eventually([&] { return !dialog->session.devicePresent.load() && dialog->Idle(); }));
    const size_t mark = dialog->TaskLog().size();
    sim->ClearReports();
    dialog->PostTask(kTaskWriteSettings);
    ASSERT_TRUE(WaitIdle());
    const auto log = dialog->TaskLog();
    ASSERT_EQ(log.size(), mark + 1);
    EXPECT_EQ(log.back().code, kTaskWriteSettings);
    EXPECT_FALSE(log.back().reachedDevice);
    EXPECT_TRUE(sim->Reports().empty());
}

TEST_F(WorkerTest, UpdateCheckRunsWithoutAKeyboard) {
    Start("101:cable");
    sim->Unplug(101, kModeCable);
    ASSERT_TRUE(
        Eventually([&] { return !dialog->session.devicePresent.load() && dialog->Idle(); }));
    const size_t mark = dialog->TaskLog().size();
    dialog->PostTask(kTaskCheckUpdate);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(TakenSince(mark), std::vector<int>{kTaskCheckUpdate});
}

TEST_F(WorkerTest, QueuedTasksRunInOrderAndRemovalDropsWhatFollowsIt) {
    Start("101:cable");
    const size_t mark = dialog->TaskLog().size();
    dialog->suspended = true;
    dialog->PostTask(kTaskWriteLightMode);
    dialog->PostTask(kTaskWriteLightMode);
    dialog->PostTask(kTaskDeviceUnInstall);
    dialog->PostTask(kTaskWriteSettings);
    dialog->PostTask(kTaskWriteLightMode);
    dialog->suspended = false;
    dialog->Wake();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(TakenSince(mark),
              (std::vector<int>{kTaskWriteLightMode, kTaskWriteLightMode, kTaskDeviceUnInstall}));
}

TEST_F(WorkerTest, SuspendStopsPassesAndKeepsTheQueueUntilResume) {
    Start("101:cable");
    const size_t mark = dialog->TaskLog().size();
    dialog->OnWindowMessage(kMsgPowerBroadcast, kPowerSuspend, 0);
    const uint64_t passes = dialog->Passes();
    dialog->PostTask(kTaskWriteSettings);
    dialog->PostTask(kTaskWriteLightMode);
    // The posts woke the worker: once it has had its pass and sleeps again, it left the queue.
    ASSERT_TRUE(
        Eventually([&] { return dialog->Passes() > passes && dialog->AsleepUntilWoken(); }));
    EXPECT_EQ(dialog->Queue().Size(), 2u);
    EXPECT_TRUE(TakenSince(mark).empty());

    dialog->OnWindowMessage(kMsgPowerBroadcast, kPowerResumeAutomatic, 0);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(TakenSince(mark), (std::vector<int>{kTaskWriteSettings, kTaskWriteLightMode}));
}

// The machine may sleep only once a job that is sending to the keyboard has ended: the
// suspend message returns after the worker parked, not in the middle of a transfer.
TEST_F(WorkerTest, SuspendWaitsForTheRunningJobToEnd) {
    Start("101:cable");
    sim->SetLatency(4);  // a profile write now takes a few hundred milliseconds
    const size_t mark = dialog->TaskLog().size();
    dialog->PostTask(kTaskApplyProfile);
    ASSERT_TRUE(Eventually([&] { return dialog->Queue().Empty() && !dialog->Idle(); }));
    dialog->PostTask(kTaskWriteSettings);
    dialog->OnWindowMessage(kMsgPowerBroadcast, kPowerSuspend, 0);
    EXPECT_EQ(TakenSince(mark), std::vector<int>{kTaskApplyProfile})
        << "the running job ended before the suspend returned; the next one waits";
    EXPECT_EQ(dialog->Queue().Size(), 1u);
    dialog->OnWindowMessage(kMsgPowerBroadcast, kPowerResumeAutomatic, 0);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(TakenSince(mark), (std::vector<int>{kTaskApplyProfile, kTaskWriteSettings}));
}

TEST_F(WorkerTest, CloseButtonHidesToTrayOnlyWhenAskedAndATrayExists) {
    Start("101:cable");
    host.ShowNormal();
    WriteRegistryText("exit_mode", "1");
    dialog->OnCloseButton();
    EXPECT_EQ(host.shown(), HeadlessHost::Shown::kHidden);
    EXPECT_EQ(host.exitCode(), -1);

    dialog->OnWindowMessage(kMsgTrayIcon, 109, kTrayLeftDown);
    EXPECT_EQ(host.shown(), HeadlessHost::Shown::kNormal);

    dialog->OnWindowMessage(kMsgCommand, kTrayExitCommand, 0);
    EXPECT_EQ(host.exitCode(), 0);
    EXPECT_FALSE(host.TrayIconPresent());
}

TEST_F(WorkerTest, WithoutATrayCloseMinimisesInsteadOfHiding) {
    host.SetTrayAvailable(false);
    Start("101:cable");
    host.ShowNormal();
    WriteRegistryText("exit_mode", "1");
    dialog->OnCloseButton();
    EXPECT_EQ(host.shown(), HeadlessHost::Shown::kMinimized);

    WriteRegistryText("exit_mode", "0");
    dialog->OnCloseButton();
    EXPECT_EQ(host.exitCode(), 0);
}

TEST_F(WorkerTest, AMinimisedStartHidesToTheTrayWhenThereIsOne) {
    Start("101:cable");
    dialog->ShowAtStart(true);
    EXPECT_EQ(host.shown(), HeadlessHost::Shown::kHidden);
    EXPECT_TRUE(host.TrayIconPresent()) << "the way back";
    dialog->OnWindowMessage(kMsgTrayIcon, 109, kTrayLeftDown);
    EXPECT_EQ(host.shown(), HeadlessHost::Shown::kNormal);

    host.SetTrayAvailable(false);
    dialog->ShowAtStart(true);
    EXPECT_EQ(host.shown(), HeadlessHost::Shown::kMinimized) << "no tray: minimised";
    dialog->ShowAtStart(false);
    EXPECT_EQ(host.shown(), HeadlessHost::Shown::kNormal);
}

TEST_F(WorkerTest, IdleWorkerWithACableKeyboardSleeps) {
    Start("101:cable");
    ASSERT_TRUE(WaitIdle());
    // A worker that kept polling would never sleep until woken.
    ASSERT_TRUE(Eventually([&] { return dialog->AsleepUntilWoken(); }));
    sim->ClearReports();
    const uint64_t passes = dialog->Passes();
    dialog->Wake();
    ASSERT_TRUE(
        Eventually([&] { return dialog->Passes() > passes && dialog->AsleepUntilWoken(); }));
    EXPECT_TRUE(sim->Reports().empty()) << "nothing to poll on a cable keyboard";
}

}  // namespace
}  // namespace zanvor
