// The settings page's update and firmware buttons and the download's progress dialog, driven
// through the widgets.

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <thread>

#include "HubWindowFixture.h"
#include "qt/QtDialogs.h"
#include "qt/SettingsPageView.h"
#include "qt/UpdateProcessDlg.h"
#include "support/HttpsTestServer.h"

namespace zanvor::test {
namespace {

using UpdateGuiTest = HubWindowTest;

TEST_F(UpdateGuiTest, CheckForUpdatesAlwaysAnswers) {
    std::string why;
    if (!HttpsTestServer::ToolsAvailable(why)) {
        GTEST_SKIP() << why;
    }
    HttpsTestServer server;
    ASSERT_TRUE(server.StartTrusted(why)) << why;
    WriteFile(server.Root() + "version", "1.0.0\n");

    Start("101:cable");
    window->SettingsButton()->click();
    ASSERT_TRUE(WaitFor([this] { return window->CurrentPage() == window->Settings(); }));
    const struct {
        std::string address;
        std::string answer;
    } cases[] = {
        {"https://127.0.0.1:9/", LoadText("KB.DIALOG", 1540)},  // nothing listens there
        {server.Url(), "You have the latest version."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        setenv("ZANVOR_HUB_UPDATE_URL", c.address.c_str(), 1);
        dialogs.ClearHistory();
        window->Settings()->UpdateButton()->click();
        ASSERT_TRUE(WaitFor([this] { return !dialogs.HistoryOf("message").empty(); }, 60000));
        const auto messages = dialogs.HistoryOf("message");
        EXPECT_EQ(messages[0].text.substr(0, c.answer.size()), c.answer);
        EXPECT_EQ(messages[0].caption, "Software update");
    }

    // The firmware button answers too: this keyboard's firmware is current.
    dialogs.ClearHistory();
    window->Settings()->FirmwareButton()->click();
    ASSERT_EQ(dialogs.HistoryOf("message").size(), 1u);
    EXPECT_EQ(dialogs.HistoryOf("message")[0].caption, "Firmware update");
}

TEST_F(UpdateGuiTest, TheProgressDialogShowsThePercentKeepsOpenAtTheEndAndCancels) {
    Start("101:cable");
    QtDialogs qtDialogs(window.get());
    int cancelled = 0;
    qtDialogs.ShowCancellableProgress("Downloading: 0%", [&cancelled] { ++cancelled; });
    UpdateProcessDlg* progress = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        progress = window->findChild<UpdateProcessDlg*>("UpdateProcessDlg");
        return progress != nullptr && progress->isVisible();
    }));
    // As the worker drives it: from another thread.
    std::thread worker([&qtDialogs] {
        qtDialogs.SetProgress(55);
        qtDialogs.SetProgressText("Downloading: 55%");
    });
    worker.join();
    QLabel* label = progress->findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    ASSERT_TRUE(WaitFor([&] { return label->text() == "Downloading: 55%"; }));
    EXPECT_EQ(progress->value(), 55);
    Save(*progress, "update_progress");

    qtDialogs.SetProgress(100);
    QCoreApplication::processEvents();
    EXPECT_TRUE(progress->isVisible()) << "the worker closes it, not the bar reaching its end";

    QPushButton* cancel = progress->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), "Cancel");
    cancel->click();
    EXPECT_EQ(cancelled, 1);
    qtDialogs.CloseProgress();
    ASSERT_TRUE(WaitFor([&] { return !progress->isVisible(); }));
}

}  // namespace
}  // namespace zanvor::test
