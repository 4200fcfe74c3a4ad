#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "CliFixture.h"
#include "platform/Paths.h"
#include "screen/GifCodec.h"
#include "store/DataStore.h"
#include "support/TestHome.h"

namespace zanvor {
namespace {

using test::CliTest;

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

TEST_F(CliTest, NoKeyboardOnlineExitsWithThree) {
    const std::string command = "'" + test::StagedAppFolder() +
                                "zanvorctl' --simulate=101:receiver --device 102 info 2>/dev/null";
    const int raw = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(raw), 3);
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

// ---- macros ---------------------------------------------------------------------------------

// The macro block the keyboard received, put together from the 0x2D reports of a trace file.
std::vector<uint8_t> TracedMacroBlock(const std::string& trace) {
    std::vector<uint8_t> block;
    std::istringstream lines(trace);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string time, direction, path, hex;
        words >> time >> direction >> path;
        std::vector<uint8_t> bytes;
        while (words >> hex) {
            bytes.push_back(static_cast<uint8_t>(std::stoi(hex, nullptr, 16)));
        }
        if (direction != "OUT" || bytes.size() < 9 || bytes[1] != 0xAA || bytes[2] != 0x2D) {
            continue;
        }
        const size_t offset = bytes[3] | bytes[4] << 8;
        const size_t length = bytes[5];
        block.resize(std::max(block.size(), offset + length));
        std::copy_n(bytes.begin() + 9, length, block.begin() + static_cast<long>(offset));
    }
    return block;
}

TEST_F(CliTest, MacroStepsReachTheDatabaseAndTheKeyboardAndStayThere) {
    const std::string trace = home() + "trace.txt";
    const Run set =
        Zanvorctl("--device 101 --hid-trace '" + trace + "' macro set 1 down:A@300 up:A@0");
    ASSERT_EQ(set.status, 0) << set.err;
    // Ten macros: header, offsets (the first at 28), then one record of two steps.
    std::vector<uint8_t> expected = {0xAA, 0x55, 40, 0, 10, 0, 0, 0, 28, 0};
    expected.resize(28, 0);
    for (uint8_t b : {0x02, 0x00, 0x00, 0x00, 0x2C, 0x01, 0x04, 0x81, 0x00, 0x00, 0x04, 0x01}) {
        expected.push_back(b);
    }
    EXPECT_EQ(TracedMacroBlock(test::ReadFile(trace)), expected);

    // A later run reads the same steps from the database; the virtual keyboard kept its block.
    const Run show = Zanvorctl("--device 101 macro show 1");
    EXPECT_EQ(show.status, 0) << show.err;
    EXPECT_EQ(show.out, "down:A@300\nup:A@0\n");
    const nlohmann::json state = nlohmann::json::parse(
        test::ReadFile(home() + "state/zanvor-hub/sim-101.json"), nullptr, false);
    ASSERT_TRUE(state.contains("macro_block"));
    std::string hex;
    for (uint8_t b : expected) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", b);
        hex += pair;
    }
    EXPECT_EQ(state["macro_block"].get<std::string>().substr(0, hex.size()), hex)
        << "the block as the keyboard holds it";

    const nlohmann::json list = Json("--device 101 macro list");
    ASSERT_EQ(list["macros"].size(), 10u);
    EXPECT_EQ(list["macros"][0]["steps"], 2);
    EXPECT_EQ(list["macros"][0]["name"], "M1");
    EXPECT_EQ(list["macros"][0]["delay_type"], 1);
}

TEST_F(CliTest, BadMacroArgumentsAreRefusedAndChangeNothing) {
    const struct {
        const char* arguments;
        int status;
        const char* errorContains;
    } cases[] = {
        {"macro set 1 down:A oops up:A", 2, "'oops'"},
        {"macro set 1 down:A@soon", 2, "'down:A@soon'"},
        {"macro set 1 mouse-down:side", 2, "mouse-down:side"},
        {"macro set 99 down:A", 2, "no macro 99"},
        {"macro show 99", 2, "no macro 99"},
        {"macro delay 1 slow", 2, "slow"},
        {"macro rename 1 ''", 2, "empty"},
        {"macro add One", 1, "10"},
    };
    for (const auto& c : cases) {
        const Run run = Zanvorctl(std::string("--device 101 ") + c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.errorContains), std::string::npos)
            << c.arguments << ": " << run.err;
    }
    EXPECT_EQ(Zanvorctl("--device 101 macro show 1").out, "");

    const std::string offline = "'" + test::StagedAppFolder() +
                                "zanvorctl' --simulate=101:receiver --device 102 macro set 1 "
                                "down:A 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(offline.c_str())), 3);
}

TEST_F(CliTest, MacrosBeyondTheKeyboardsMemoryAreNamedWhenTheBlockIsSent) {
    ASSERT_EQ(Zanvorctl("--device 101 macro delay 2 fixed:20").status, 0);
    {
        // Another program (an older version) left more steps than the keyboard holds.
        DataStore store;
        ASSERT_TRUE(store.OpenDeviceDatabase(DataFolder(), "Zanvor Nova 75 Wireless"));
        MacroRecordData step;
        step.type = 1;
        step.value = 10;
        step.desc = "10 ms";
        ASSERT_TRUE(store.ReplaceMacroSteps(2, std::vector<MacroRecordData>(1100, step)));
        store.CloseDatabase();
    }
    const Run removed = Zanvorctl("--device 101 macro delete 5");
    EXPECT_EQ(removed.status, 0) << removed.err;
    EXPECT_NE(removed.err.find("not sent: M2"), std::string::npos) << removed.err;

    const Run set = Zanvorctl("--device 101 macro set 1 down:A");
    EXPECT_EQ(set.status, 1);
    EXPECT_NE(set.err.find("holds 1014 steps"), std::string::npos) << set.err;
    EXPECT_EQ(Zanvorctl("--device 101 macro show 1").out, "");
}

TEST_F(CliTest, ScreenLibraryWorksWithoutTheKeyboardOnline) {
    // Only the 101 is plugged in; the library of the 103 is the program's own.
    const std::string device = "--simulate=101:cable --device 103 ";
    const std::string fixture = std::string(ZANVOR_TEST_FIXTURES) + "/screen/varied_delays.gif";

    nlohmann::json listed = Json(device + "screen list");
    EXPECT_EQ(listed["model"], "Zanvor Vista 96");
    ASSERT_EQ(listed["animations"].size(), 1u);
    EXPECT_TRUE(listed["animations"][0]["factory"]);
    EXPECT_EQ(listed["animations"][0]["frames"], 24);

    const nlohmann::json imported = Json(device + "screen import '" + fixture + "'");
    EXPECT_EQ(imported["frames"], 5);
    EXPECT_EQ(imported["duration_ms"], 770);
    const int id = imported["id"].get<int>();

    const std::string out = home() + "out.gif";
    EXPECT_EQ(Zanvorctl(device + "screen export " + std::to_string(id) + " '" + out + "'").status,
              0);
    std::vector<int> delays;
    EXPECT_EQ(ReadGifFile(out, {}, [&](const ScreenImage&, int delay) { delays.push_back(delay); }),
              GifError::kNone);
    EXPECT_EQ(delays, (std::vector<int>{30, 50, 120, 500, 70}));

    EXPECT_EQ(Zanvorctl(device + "screen delete " + std::to_string(id)).status, 0);
    listed = Json(device + "screen list");
    EXPECT_EQ(listed["animations"].size(), 1u);

    const struct {
        std::string arguments;
        int status;
        const char* errorContains;
    } failures[] = {
        {device + "screen export 99 '" + out + "'", 2, "no animation 99"},
        {device + "screen delete 99", 2, "no animation 99"},
        {device + "screen delete 1", 1, "factory"},
        {device + "screen import /nonexistent.gif", 1, "/nonexistent.gif"},
        {"--device 101 screen list", 1, "has no screen"},
        {device + "screen import", 2, ""},
    };
    for (const auto& c : failures) {
        const Run run = Zanvorctl(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.errorContains), std::string::npos) << run.err;
        if (c.status == 1) {
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        }
    }
}

}  // namespace
}  // namespace zanvor
