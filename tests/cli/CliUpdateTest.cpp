#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "platform/Paths.h"
#include "support/HttpsTestServer.h"
#include "support/ZipBuilder.h"

namespace zanvor {
namespace {

namespace fs = std::filesystem;
using test::HttpsTestServer;

// `zanvorctl update` as a script runs it, against a local HTTPS update service; the installed
// version (config.xml) is 1.0.0.
class CliUpdateTest : public test::IsolatedHomeTest {
  protected:
    void SetUp() override {
        IsolatedHomeTest::SetUp();
        std::string why;
        if (!HttpsTestServer::ToolsAvailable(why)) {
            GTEST_SKIP() << why;
        }
        ASSERT_TRUE(server.StartTrusted(why)) << why;
        setenv("ZANVOR_HUB_UPDATE_URL", server.Url().c_str(), 1);
        test::WriteFile(server.Root() + "version", "1.0.1\n");
        test::ZipBuilder(server.Root() + "Zanvor-HUB-1.0.1.zip")
            .File("Zanvor-HUB-1.0.1.deb", "package");
        // The desktop's opener, found on PATH before the system's.
        test::WriteFile(home() + "bin/xdg-open",
                        "#!/bin/sh\necho \"$@\" > '" + home() + "opened'\n");
        fs::permissions(home() + "bin/xdg-open", fs::perms::owner_all);
    }

    struct Run {
        int status = -1;
        std::string out;
        std::string err;
    };

    // Runs zanvorctl with stdin from /dev/null, as a script would.
    Run Zanvorctl(const std::string& arguments) {
        const std::string out = home() + "stdout.txt";
        const std::string err = home() + "stderr.txt";
        const std::string command = "PATH='" + home() + "bin':\"$PATH\" '" +
                                    test::StagedAppFolder() + "zanvorctl' --simulate " + arguments +
                                    " </dev/null >'" + out + "' 2>'" + err + "'";
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, test::ReadFile(out), test::ReadFile(err)};
    }

    std::string Installer() const {
        return DataFolder() + "temp/Zanvor-HUB-1.0.1/Zanvor-HUB-1.0.1.deb";
    }

    HttpsTestServer server;
};

TEST_F(CliUpdateTest, CheckTellsTheVersionsByItsExitStatus) {
    const struct {
        const char* answer;  // nullptr: the service cannot be reached
        int status;
        const char* latest;
        const char* errorContains;
    } cases[] = {
        {"1.0.1\n", 10, "1.0.1", ""},
        {"1.0.0", 0, "1.0.0", ""},
        {"1.0.2.0", 0, "", ""},
        {"<html>down for maintenance</html>", 1, nullptr, "did not answer with a version"},
        {nullptr, 1, nullptr, "zanvorctl: the update service could not be reached"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer != nullptr ? c.answer : "unreachable");
        if (c.answer != nullptr) {
            test::WriteFile(server.Root() + "version", c.answer);
        } else {
            setenv("ZANVOR_HUB_UPDATE_URL", "https://127.0.0.1:9/", 1);
        }
        const Run run = Zanvorctl("--json update check");
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.errorContains), std::string::npos) << run.err;
        if (c.latest != nullptr) {
            const auto document = nlohmann::json::parse(run.out, nullptr, false);
            EXPECT_EQ(document.value("installed", ""), "1.0.0");
            EXPECT_EQ(document.value("latest", "?"), c.latest);
            EXPECT_EQ(document.value("update_available", false), c.status == 10);
        }
    }
    setenv("ZANVOR_HUB_UPDATE_URL", server.Url().c_str(), 1);
    test::WriteFile(server.Root() + "version", "1.0.1");
    const Run text = Zanvorctl("update check");
    EXPECT_EQ(text.out,
              "installed 1.0.0\nlatest    1.0.1\n"
              "A newer version is available: zanvorctl update download\n");
}

TEST_F(CliUpdateTest, DownloadAsksPrintsTheInstallerAndStartsItOnlyWhenTold) {
    Run run = Zanvorctl("update download");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("--yes"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(Installer()));

    run = Zanvorctl("update download --yes");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, Installer() + "\n");
    EXPECT_EQ(test::ReadFile(Installer()), "package");
    EXPECT_FALSE(fs::exists(home() + "opened"));

    run = Zanvorctl("--yes --json update download --install");
    EXPECT_EQ(run.status, 0) << run.err;
    const auto document = nlohmann::json::parse(run.out, nullptr, false);
    EXPECT_EQ(document.value("installer", ""), Installer());
    EXPECT_EQ(document.value("started", false), true);
    EXPECT_EQ(test::ReadFile(home() + "opened"), Installer() + "\n");

    test::WriteFile(server.Root() + "version", "1.0.0");
    run = Zanvorctl("update download --yes");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("up to date"), std::string::npos) << run.out;
}

TEST_F(CliUpdateTest, AFailedDownloadExitsWithOneAndItsReason) {
    test::ZipBuilder(server.Root() + "Zanvor-HUB-1.0.1.zip").File("../escape.deb", "x");
    const Run run = Zanvorctl("update download --yes");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("zanvorctl: the entry \"../escape.deb\" would be written outside"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(fs::exists(DataFolder() + "escape.deb"));
}

}  // namespace
}  // namespace zanvor
