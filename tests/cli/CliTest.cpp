#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "support/TestHome.h"

namespace zanvor {
namespace {

// zanvorctl run as a user runs it: a separate process, virtual keyboards, an isolated home.
class CliTest : public test::IsolatedHomeTest {
  protected:
    struct Run {
        int status = -1;
        std::string out;
        std::string err;
    };

    // `environment`: assignments put before the command ("ZANVOR_SIM_FAULTS=refuse=1D ").
    Run Zanvorctl(const std::string& arguments, const std::string& environment = "") {
        const std::string errFile = home() + "stderr.txt";
        const std::string command = environment + "'" + test::StagedAppFolder() +
                                    "zanvorctl' --simulate " + arguments + " 2>'" + errFile + "'";
        Run run;
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) {
            return run;
        }
        char buffer[4096];
        size_t n = 0;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            run.out.append(buffer, n);
        }
        const int raw = pclose(pipe);
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.err = test::ReadFile(errFile);
        return run;
    }

    nlohmann::json Json(const std::string& arguments) {
        const Run run = Zanvorctl("--json " + arguments);
        EXPECT_EQ(run.status, 0) << arguments << ": " << run.err;
        return nlohmann::json::parse(run.out, nullptr, false);
    }
};

TEST_F(CliTest, ExitStatusesFollowTheContract) {
    const struct {
        const char* arguments;
        int status;
        const char* errorContains;
    } cases[] = {
        {"devices", 0, ""},
        {"nonsense", 2, ""},
        {"settings set sleep_time 7", 2, "sleep_time"},
        {"settings set volume 3", 2, "volume"},
        {"key set Esc bogus", 2, "valid forms"},
        {"key set NoSuchKey media:101", 2, "NoSuchKey"},
        {"key list --layer 7", 2, "layer"},
        {"key list --layer 0", 2, "1-4"},
        {"key set Esc media:120", 2, "does not offer"},
        {"key set Esc fixed", 2, "does not offer"},
        {"key set Esc special:5", 2, "does not offer"},
        {"--device 999 info", 2, "999"},
        {"profile delete 77", 2, ""},
        {"reset", 1, "--yes"},
        {"import /nonexistent.xml", 1, "cannot read"},
    };
    for (const auto& c : cases) {
        const Run run = Zanvorctl(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.errorContains), std::string::npos)
            << c.arguments << ": " << run.err;
    }
}

// Status 3 only when no keyboard at all is online; when the chosen model is offline but another
// is online, the message names the online ones and how to pick one.
TEST_F(CliTest, NoKeyboardOnlineExitsWithThree) {
    const struct {
        const char* environment;
        const char* arguments;
        int status;
        const char* errorContains;
    } cases[] = {
        {"ZANVOR_SIM_FAULTS=link=down ", "--simulate=101:receiver info", 3, "no keyboard online"},
        {"", "--simulate=101:receiver --device 102 info", 1, "--device 101"},
        {"", "--simulate=101,103 --device 102 key set Esc media:101", 1, "online: 101"},
    };
    for (const auto& c : cases) {
        const Run run = Zanvorctl(c.arguments, c.environment);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.errorContains), std::string::npos)
            << c.arguments << ": " << run.err;
    }
}

TEST_F(CliTest, ChangesPersistBetweenRunsOnTheDatabaseAndTheKeyboard) {
    nlohmann::json devices = Json("devices");
    ASSERT_EQ(devices["devices"].size(), 4u);

    nlohmann::json added = Json("profile add Racing");
    const int id = added["id"];
    EXPECT_GE(id, 4);
    nlohmann::json profiles = Json("profile list");
    bool found = false;
    for (const auto& profile : profiles["profiles"]) {
        if (profile["id"] == id) {
            found = true;
            EXPECT_EQ(profile["name"], "Racing");
            EXPECT_TRUE(profile["active"]);
        }
    }
    EXPECT_TRUE(found);

    EXPECT_EQ(Zanvorctl("settings set sleep_time 10").status, 0);
    EXPECT_EQ(Json("settings get sleep_time")["sleep_time"], "10");

    EXPECT_EQ(Zanvorctl("key set --layer 1 Esc media:101").status, 0);
    bool esc = false;
    const nlohmann::json layer1 = Json("key list --layer 1");
    for (const auto& key : layer1["keys"]) {
        if (key["usage"] == "0x29") {
            esc = true;
            EXPECT_EQ(key["function"], "media:101");
        }
    }
    EXPECT_TRUE(esc);

    const std::string file = home() + "racing.xml";
    EXPECT_EQ(Zanvorctl("export " + std::to_string(id) + " '" + file + "'").status, 0);
    nlohmann::json imported = Json("import '" + file + "'");
    EXPECT_EQ(imported["name"], "Racing");
    EXPECT_GT(imported["id"].get<int>(), id);
}

// A command that changes the keyboard says so when the keyboard refuses, and changes only the
// layer the window calls by the same number.
TEST_F(CliTest, ARefusedTransferExitsWithOneAndLayersCountFromOne) {
    const Run refused =
        Zanvorctl("--device 101 key set --layer 2 Esc media:101", "ZANVOR_SIM_FAULTS=refuse=1D ");
    EXPECT_EQ(refused.status, 1) << refused.err;
    EXPECT_NE(refused.err.find("zanvorctl: the keyboard did not accept the change"),
              std::string::npos)
        << refused.err;

    const Run unread = Zanvorctl("--device 101 profile activate 2", "ZANVOR_SIM_FAULTS=refuse=18 ");
    EXPECT_EQ(unread.status, 1) << unread.err;
    EXPECT_NE(unread.err.find("has not reported its key tables"), std::string::npos) << unread.err;

    EXPECT_EQ(Zanvorctl("--device 101 key set --layer 4 Esc media:101").status, 0);
    const nlohmann::json top = Json("--device 101 key list --layer 4");
    EXPECT_EQ(top["layer"], 4);
    for (const auto& key : top["keys"]) {
        if (key["usage"] == "0x29") {
            EXPECT_EQ(key["function"], "media:101");
        }
    }
    const nlohmann::json base = Json("--device 101 key list --layer 1");
    for (const auto& key : base["keys"]) {
        if (key["usage"] == "0x29") {
            EXPECT_NE(key["function"], "media:101") << "layer 1 is the base layer";
        }
    }
    EXPECT_EQ(Zanvorctl("--device 101 key set Esc bogus", "ZANVOR_SIM_FAULTS=nonsense ").status, 1)
        << "a bad fault description is refused";
}

TEST_F(CliTest, InfoShowsTheFirmwareAsTheSettingsPageDoes) {
    nlohmann::json info = Json("--device 102 info");
    EXPECT_EQ(info["firmware"], "v1.14");
    EXPECT_TRUE(info["matrix_screen"]);
}

}  // namespace
}  // namespace zanvor
