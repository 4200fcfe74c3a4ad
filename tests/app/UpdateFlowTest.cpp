#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "SimSession.h"
#include "app/DevicePages.h"
#include "support/HttpsTestServer.h"
#include "support/Rows.h"
#include "support/ZipBuilder.h"
#include "ui/ControlIds.h"
#include "ui/LoadText.h"

namespace zanvor {
namespace {

namespace fs = std::filesystem;
using test::HttpsTestServer;

// The settings page's update button on a main window whose update service is a local HTTPS
// server; the catalogue's installed version is 1.0.0. The desktop's opener is a script that
// notes what it was given.
class UpdateFlowTest : public test::SimSessionTest {
  protected:
    void SetUp() override {
        SimSessionTest::SetUp();
        std::string why;
        if (!HttpsTestServer::ToolsAvailable(why)) {
            GTEST_SKIP() << why;
        }
        ASSERT_TRUE(server.StartTrusted(why)) << why;
        setenv("ZANVOR_HUB_UPDATE_URL", server.Url().c_str(), 1);
        test::WriteFile(server.Root() + "version", "1.0.1\n");
        test::ZipBuilder(server.Root() + "Zanvor-HUB-1.0.1.zip")
            .File("Zanvor-HUB-1.0.1.deb", "package")
            .File("README", "read me");
        Start("101:cable");
        opened = home() + "opened";
        SetOpener("exit 0\n");
        dialog->mainView.ShowSettingsPage(true);
        host.ShowNormal();
    }

    void SetOpener(const std::string& ending) {
        const std::string script = home() + "opener";
        test::WriteFile(script, "#!/bin/sh\necho \"$@\" > '" + opened + "'\n" + ending);
        fs::permissions(script, fs::perms::owner_all);
        Update().SetInstallerOpener(script);
    }

    UpdatePage& Update() { return dialog->Pages().update; }

    // Pumps the window messages until the condition holds (a download on a busy machine may
    // take a while).
    template <typename Condition>
    bool WaitUntil(Condition condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            dialog->PumpMessages();
            if (condition()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    // Presses the update button and waits until everything it started has ended.
    void PressUpdateButton() {
        dialogs.ClearHistory();
        dialog->OnMessage(kIdUpdateButton, 1);
        ASSERT_TRUE(WaitUntil([&] { return dialog->Idle() && dialog->PendingMessages() == 0; }));
    }

    // The download's own folder.
    std::string TempFolder() const { return DataFolder() + "temp/Zanvor-HUB-1.0.1/"; }

    HttpsTestServer server;
    std::string opened;
};

TEST_F(UpdateFlowTest, ANewerVersionIsOfferedDownloadedAndHandedToTheDesktop) {
    dialogs.QueueAnswer(true);
    PressUpdateButton();

    const auto questions = dialogs.HistoryOf("question");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].text, "New version:v1.0.1, update now?");
    EXPECT_EQ(questions[0].caption, "Software update");
    const auto progress = dialogs.HistoryOf("progress");
    ASSERT_EQ(progress.size(), 1u);
    EXPECT_EQ(progress[0].text, "Downloading: 0%");
    EXPECT_EQ(dialogs.ProgressText(), "Downloading: 100%");
    EXPECT_EQ(dialogs.LastProgress(), -1) << "the progress dialog was closed";
    EXPECT_TRUE(dialogs.HistoryOf("message").empty());

    const std::string installer = TempFolder() + "Zanvor-HUB-1.0.1.deb";
    EXPECT_EQ(test::ReadFile(opened), installer + "\n");
    EXPECT_EQ(test::ReadFile(installer), "package");
    EXPECT_FALSE(fs::exists(TempFolder() + "Zanvor-HUB-1.0.1.zip"));
    EXPECT_EQ(host.exitCode(), 0) << "the program ends once the installer is handed over";

    const UpdateStatus status = Update().Status();
    EXPECT_EQ(status.installedVersion, "1.0.0");
    EXPECT_EQ(status.latestVersion, "1.0.1");
    EXPECT_EQ(status.updateState, 1);
    EXPECT_EQ(status.download, UpdateDownload::kHandedOff);
    EXPECT_NE(server.RequestLog().find("/Zanvor-HUB-1.0.1.zip\tIIC2.0/PC 5.5.0000\t"),
              std::string::npos)
        << server.RequestLog();
}

TEST_F(UpdateFlowTest, DecliningTheOfferDownloadsNothing) {
    dialogs.QueueAnswer(false);
    PressUpdateButton();
    EXPECT_EQ(dialogs.HistoryOf("question").size(), 1u);
    EXPECT_TRUE(dialogs.HistoryOf("progress").empty());
    EXPECT_EQ(server.RequestLog().find(".zip"), std::string::npos);
    EXPECT_EQ(host.exitCode(), -1);
}

TEST_F(UpdateFlowTest, TheUpdateButtonAlwaysAnswers) {
    const struct {
        const char* label;
        const char* answer;  // nullptr: the service is not reachable
        int text;
        UpdateCheck check;
    } cases[] = {
        {"the same version", "1.0.0\n", 531, UpdateCheck::kUpToDate},
        {"an older version with the same number of parts", "0.9.9", 531, UpdateCheck::kUpToDate},
        {"an older version with fewer parts", "0.9", 531, UpdateCheck::kUpToDate},
        {"the same version with more parts", "1.0.0.0", 531, UpdateCheck::kUpToDate},
        {"dots without numbers", "....", 1542, UpdateCheck::kNotAVersion},
        {"the version that is never offered", "1.0.2.0", 531, UpdateCheck::kUpToDate},
        {"a web page", "<html><body>Service unavailable</body></html>", 1542,
         UpdateCheck::kNotAVersion},
        {"a short page", "<b>1</b>", 1542, UpdateCheck::kNotAVersion},
        {"an unreachable service", nullptr, 1540, UpdateCheck::kUnreachable},
    };
    test::ForEachRow(cases, [&](const auto& c) {
        SCOPED_TRACE(c.label);
        if (c.answer != nullptr) {
            setenv("ZANVOR_HUB_UPDATE_URL", server.Url().c_str(), 1);
            test::WriteFile(server.Root() + "version", c.answer);
        } else {
            setenv("ZANVOR_HUB_UPDATE_URL", "https://127.0.0.1:9/", 1);
        }
        PressUpdateButton();
        EXPECT_TRUE(dialogs.HistoryOf("question").empty());
        const auto messages = dialogs.HistoryOf("message");
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text.substr(0, LoadText("KB.DIALOG", c.text).size()),
                  LoadText("KB.DIALOG", c.text));
        EXPECT_EQ(messages[0].caption, "Software update");
        EXPECT_EQ(Update().Status().check, c.check);
    });
    // The answer that the service cannot be reached says why.
    EXPECT_NE(dialogs.HistoryOf("message")[0].text.find("cannot connect"), std::string::npos)
        << dialogs.HistoryOf("message")[0].text;

    // Off the settings page only a newer version is brought up.
    dialog->mainView.ShowSettingsPage(false);
    PressUpdateButton();
    EXPECT_TRUE(dialogs.History().empty());
}

TEST_F(UpdateFlowTest, TheServiceAddressIsJoinedWithOneSlash) {
    test::WriteFile(server.Root() + "upd/version", "1.0.1");
    test::ZipBuilder(server.Root() + "upd/Zanvor-HUB-1.0.1.zip")
        .File("Zanvor-HUB-1.0.1.deb", "package");
    for (const char* base : {"upd///", "upd"}) {
        SCOPED_TRACE(base);
        setenv("ZANVOR_HUB_UPDATE_URL", server.Url(base).c_str(), 1);
        const size_t mark = server.RequestLog().size();
        dialogs.QueueAnswer(true);
        PressUpdateButton();
        EXPECT_EQ(Update().Status().download, UpdateDownload::kHandedOff);
        const std::string log = server.RequestLog().substr(mark);
        EXPECT_EQ(log.find("/upd/version\t"), 0u) << log;
        EXPECT_NE(log.find("\n/upd/Zanvor-HUB-1.0.1.zip\t"), std::string::npos) << log;
    }
}

TEST_F(UpdateFlowTest, FoldersNamedLikeTheInstallerDoNotStopTheDownload) {
    // Left by another program or an interrupted download, in the download folder and in the
    // version's own folder.
    test::WriteFile(DataFolder() + "temp/Zanvor-HUB-1.0.1.deb/inner", "x");
    test::WriteFile(TempFolder() + "Zanvor-HUB-1.0.1.deb/inner", "x");
    test::WriteFile(TempFolder() + "Zanvor-HUB-1.0.1.zip/inner", "x");
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        dialogs.QueueAnswer(true);
        PressUpdateButton();
        EXPECT_TRUE(dialogs.HistoryOf("message").empty());
        EXPECT_EQ(Update().Status().download, UpdateDownload::kHandedOff)
            << Update().Status().error;
        EXPECT_EQ(test::ReadFile(TempFolder() + "Zanvor-HUB-1.0.1.deb"), "package");
    }
}

TEST_F(UpdateFlowTest, AnEndlessAnswerIsCutOffAndIgnored) {
    setenv("ZANVOR_HUB_UPDATE_URL", server.Url("endless/").c_str(), 1);
    PressUpdateButton();
    const auto messages = dialogs.HistoryOf("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, LoadText("KB.DIALOG", 1542));
    EXPECT_EQ(Update().Status().check, UpdateCheck::kNotAVersion);
}

TEST_F(UpdateFlowTest, AFailedUpdateSaysWhyAndTheProgramKeepsRunning) {
    const struct {
        const char* label;
        std::function<void()> prepare;
        int text;
        const char* detail;
    } cases[] = {
        {"no archive on the service", [&] { fs::remove(server.Root() + "Zanvor-HUB-1.0.1.zip"); },
         1543, "HTTP 404"},
        {"an archive for another system",
         [&] {
             test::ZipBuilder(server.Root() + "Zanvor-HUB-1.0.1.zip")
                 .File("Zanvor-HUB-1.0.1.exe", "x");
         },
         1545, ""},
        {"an archive that escapes its folder",
         [&] {
             test::ZipBuilder(server.Root() + "Zanvor-HUB-1.0.1.zip")
                 .File("Zanvor-HUB-1.0.1.deb", "package")
                 .File("../../evil", "x");
         },
         1544, "../../evil"},
        {"no desktop opener for the package",
         [&] {
             test::ZipBuilder(server.Root() + "Zanvor-HUB-1.0.1.zip")
                 .File("Zanvor-HUB-1.0.1.deb", "package");
             SetOpener("exit 3\n");
         },
         1546, "Zanvor-HUB-1.0.1.deb"},
    };
    test::ForEachRow(cases, [&](const auto& c) {
        SCOPED_TRACE(c.label);
        c.prepare();
        dialogs.QueueAnswer(true);
        PressUpdateButton();
        const auto messages = dialogs.HistoryOf("message");
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text.substr(0, LoadText("KB.DIALOG", c.text).size()),
                  LoadText("KB.DIALOG", c.text));
        EXPECT_NE(messages[0].text.find(c.detail), std::string::npos) << messages[0].text;
        EXPECT_EQ(dialogs.LastProgress(), -1) << "the progress dialog was closed";
        EXPECT_EQ(Update().Status().download, UpdateDownload::kFailed);
        EXPECT_EQ(host.exitCode(), -1);
        EXPECT_FALSE(fs::exists(DataFolder() + "evil"));
        EXPECT_FALSE(fs::exists(TempFolder() + "Zanvor-HUB-1.0.1.zip"));
    });
}

TEST_F(UpdateFlowTest, CancellingTheDownloadStopsItQuietly) {
    // The version is served, the archive stalls halfway.
    setenv("ZANVOR_HUB_UPDATE_URL", server.Url("stall/").c_str(), 1);
    test::WriteFile(server.Root() + "stall/version", "1.0.1");
    dialogs.QueueAnswer(true);
    dialogs.ClearHistory();
    dialog->OnMessage(kIdUpdateButton, 1);
    // Two reads of the 100000 announced bytes arrive, then nothing.
    ASSERT_TRUE(WaitUntil([&] { return dialogs.ProgressText() == "Downloading: 30%"; }));
    ASSERT_TRUE(dialogs.CancelProgress());
    ASSERT_TRUE(WaitUntil([&] {
        return dialog->Idle() && dialog->PendingMessages() == 0 && dialogs.LastProgress() == -1;
    }));

    EXPECT_EQ(Update().Status().download, UpdateDownload::kStopped);
    EXPECT_TRUE(dialogs.HistoryOf("message").empty()) << "the user knows they cancelled";
    EXPECT_FALSE(fs::exists(TempFolder() + "Zanvor-HUB-1.0.1.zip"));
    EXPECT_EQ(host.exitCode(), -1);
}

}  // namespace
}  // namespace zanvor
