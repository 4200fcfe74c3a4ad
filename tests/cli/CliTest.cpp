#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "CliFixture.h"
#include "platform/Paths.h"
#include "screen/GifCodec.h"
#include "store/DataStore.h"
#include "support/SoundServer.h"
#include "support/TestHome.h"
#include "ui/LanguageFile.h"

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
        // The file and the cause.
        {"export 1 /nonexistent/out.xml", 1, "/nonexistent/out.xml: No such file or directory"},
        {"export 1 /", 1, "/ is a folder"},
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
    EXPECT_EQ(imported["name"], "Racing (2)") << "the exported profile is still there";
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
    EXPECT_NE(unread.err.find("was not read completely"), std::string::npos) << unread.err;
    // Without the LED positions no key can be said to have no LED.
    const Run unplaced =
        Zanvorctl("--device 101 light custom 1 Esc=FF0000", "ZANVOR_SIM_FAULTS=refuse=32 ");
    EXPECT_EQ(unplaced.status, 1) << unplaced.err;
    EXPECT_NE(unplaced.err.find("has not reported its lighting layout"), std::string::npos)
        << unplaced.err;

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

// zanvorctl speaks the window's language: the stored choice, else the user's locale at the
// first start; every installed language can be chosen, and the help names them.
TEST_F(CliTest, LanguageIsTheWindowsAndEveryInstalledOneCanBeChosen) {
    const Run first = Zanvorctl("--json app language", "LANG=ja_JP.UTF-8 ");
    ASSERT_EQ(first.status, 0) << first.err;
    const nlohmann::json shown = nlohmann::json::parse(first.out, nullptr, false);
    EXPECT_EQ(shown["language"], 1041);
    EXPECT_EQ(shown["available"],
              nlohmann::json({1031, 1033, 1036, 1041, 1045, 1046, 1049, 2052, 3082}));
    EXPECT_EQ(Json("app language")["language"], 1041) << "the stored choice wins over LANG";

    // A mode name printed by a command follows the chosen language.
    LanguageFile english;
    LanguageFile german;
    ASSERT_TRUE(LanguageFile::Load(test::StagedAppFolder() + "language/1033.lan", english));
    ASSERT_TRUE(LanguageFile::Load(test::StagedAppFolder() + "language/1031.lan", german));
    ASSERT_EQ(Zanvorctl("app language 1033").status, 0);
    const std::string modeName = Json("--device 103 light show")["zones"][0]["name"];
    ASSERT_EQ(Zanvorctl("app language 1031").status, 0);
    const std::string germanName = Json("--device 103 light show")["zones"][0]["name"];
    std::string id;
    for (const auto& [section, key] : english.Keys()) {
        if (section == "KB.DIALOG" && english.Value(section, key) == modeName) {
            id = key;
        }
    }
    ASSERT_FALSE(id.empty()) << modeName;
    EXPECT_EQ(germanName, german.Value("KB.DIALOG", id));

    for (int lcid : {1036, 3082, 1046, 1049, 2052, 1045, 1033}) {
        EXPECT_EQ(Zanvorctl("app language " + std::to_string(lcid)).status, 0) << lcid;
        EXPECT_EQ(Json("app language")["language"], lcid);
    }
    const Run missing = Zanvorctl("app language 1040");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("1041 日本語"), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find("1046 Português (Brasil)"), std::string::npos) << missing.err;
    const Run help = Zanvorctl("app language --help");
    EXPECT_NE(help.out.find("1049 Русский"), std::string::npos) << help.out;
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
    };
    for (const auto& c : cases) {
        const Run run = Zanvorctl(std::string("--device 101 ") + c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.errorContains), std::string::npos)
            << c.arguments << ": " << run.err;
    }
    EXPECT_EQ(Zanvorctl("--device 101 macro show 1").out, "");
    // Ten macros, but unused slots: an added macro takes the first of them.
    const Run added = Zanvorctl("--device 101 macro add One");
    EXPECT_EQ(added.status, 0) << added.err;
    EXPECT_NE(Zanvorctl("--device 101 macro list").out.find("One"), std::string::npos);

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
        // Key presses: pauses would fold into one entry of the block and fit.
        MacroRecordData step;
        step.type = 2;
        step.value = 0x41;
        step.delay_time = 10;
        step.desc = "\u2193  A";
        ASSERT_TRUE(store.ReplaceMacroSteps(2, std::vector<MacroRecordData>(1100, step)));
        store.CloseDatabase();
    }
    const Run removed = Zanvorctl("--device 101 macro delete 5");
    EXPECT_EQ(removed.status, 0) << removed.err;
    EXPECT_NE(removed.err.find("not sent: M2"), std::string::npos) << removed.err;

    const Run set = Zanvorctl("--device 101 macro set 1 down:A");
    EXPECT_EQ(set.status, 1);
    EXPECT_NE(set.err.find("holds 1014 steps"), std::string::npos) << set.err;
    EXPECT_NE(set.err.find("macro 1 can have at most 0 steps beside the others, not 1"),
              std::string::npos)
        << set.err;
    EXPECT_EQ(Zanvorctl("--device 101 macro show 1").out, "");
}

// 1014 steps fit the keyboard's memory by their count, but each macro's record header takes
// room too: the refusal names the steps that do fit, and those are sent whole.
TEST_F(CliTest, AMacroRefusedForTheBlocksHeadersSaysHowManyStepsFit) {
    ASSERT_EQ(Zanvorctl("--device 101 macro list").status, 0);  // makes the database
    {
        DataStore store;
        ASSERT_TRUE(store.OpenDeviceDatabase(DataFolder(), "Zanvor Nova 75 Wireless"));
        MacroRecordData step;
        step.type = 2;
        step.value = 0x41;
        step.delay_time = 10;
        step.desc = "\u2193  A";
        const std::pair<int, size_t> counts[] = {{1, 1000}, {2, 5}, {3, 5}};
        for (const auto& [id, count] : counts) {
            ASSERT_TRUE(store.ReplaceMacroSteps(id, std::vector<MacroRecordData>(count, step)));
        }
        store.CloseDatabase();
    }
    const Run refused = Zanvorctl("--device 101 macro set 4 down:A up:A down:A up:A");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("macro 4 can have at most 3 steps beside the others, not 4"),
              std::string::npos)
        << refused.err;

    const nlohmann::json sent = Json("--device 101 macro set 4 down:A up:A down:A");
    EXPECT_EQ(sent["block_bytes"], 4096);
    EXPECT_TRUE(sent["left_out"].empty());
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

std::string DatabaseFile() {
    return DataStore::DatabasePath(DataFolder(), "Zanvor Nova 75 Wireless");
}

bool OneLine(const std::string& text) {
    return !text.empty() && text.find('\n') == text.size() - 1;
}

// Hostile arguments and files: refused at once, in one line, with the status of the contract,
// and without hanging or changing anything.
TEST_F(CliTest, HostileArgumentsAndFilesAreRefusedInOneLine) {
    ASSERT_EQ(Zanvorctl("profile list").status, 0);
    const std::string fifo = home() + "fifo.xml";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = home() + "folder.xml";
    std::filesystem::create_directory(folder);
    const std::string huge = home() + "huge.xml";
    std::filesystem::resize_file((test::WriteFile(huge, ""), huge), (64u << 20) + 1);
    const std::string profiles = Zanvorctl("profile list").out;

    const struct {
        std::string arguments;
        int status;
        const char* errorContains;
    } cases[] = {
        {"import '" + fifo + "'", 1, "not a regular file"},
        {"import '" + folder + "'", 1, "not a regular file"},
        {"import /dev/zero", 1, "not a regular file"},
        {"import '" + huge + "'", 1, "larger than 64 MB"},
        {"profile add '   '", 2, "only blanks"},
        {"profile rename 1 ' '", 2, "only blanks"},
        {"frobnicate", 2, "unknown command frobnicate (commands: devices"},
        {"profile frob", 2, "unknown command profile frob (profile: list, add"},
        {"--device abc info", 2, "--device"},
        {"--simulate=999 devices", 2, "999"},
        {"--simulate=101:usb devices", 2, "usb"},
        {"--hid-trace '" + folder + "' info", 2, "--hid-trace"},
        {"--hid-trace '' info", 2, "--hid-trace: cannot be empty or only blanks"},
        {"--hid-trace /no/such/folder/trace.txt info", 2, "--hid-trace"},
    };
    for (const auto& c : cases) {
        const Run run = Zanvorctl(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.errorContains), std::string::npos)
            << c.arguments << ": " << run.err;
        EXPECT_TRUE(OneLine(run.err)) << c.arguments << ": " << run.err;
    }
    EXPECT_EQ(Zanvorctl("profile list").out, profiles) << "nothing changed";
}

// What cannot be stored or written makes the command fail with the reason, and a command that
// fails changes nothing.
TEST_F(CliTest, WhatCannotBeStoredOrWrittenFailsWithTheReason) {
    ASSERT_EQ(Zanvorctl("app autostart on").status, 0);
    const std::string entry = home() + "config/autostart/zanvor-hub.desktop";
    ASSERT_TRUE(std::filesystem::exists(entry));
    const Run contradictory = Zanvorctl("app autostart off --minimised on");
    EXPECT_EQ(contradictory.status, 2) << contradictory.err;
    EXPECT_TRUE(std::filesystem::exists(entry)) << "a failed command changes nothing";

    // Folders where files belong: every write there fails, for root as for anyone.
    const std::string settings = home() + "config/Zanvor HUB/settings.conf";
    std::filesystem::remove(settings);
    std::filesystem::create_directories(settings);
    const Run setting = Zanvorctl("app exit-mode tray");
    EXPECT_EQ(setting.status, 1) << setting.err;
    EXPECT_NE(setting.err.find("could not be stored in " + settings), std::string::npos)
        << setting.err;
    std::filesystem::remove_all(settings);

    const std::string state = home() + "state/zanvor-hub/sim-101.json";
    std::filesystem::remove(state);
    std::filesystem::create_directories(state);
    const Run keyboard = Zanvorctl("--simulate=101 key set Esc media:101");
    EXPECT_EQ(keyboard.status, 1) << keyboard.err;
    EXPECT_NE(keyboard.err.find("state could not be saved"), std::string::npos) << keyboard.err;
    std::filesystem::remove_all(state);

    const Run full = Zanvorctl("--json profile list >/dev/full");
    EXPECT_EQ(full.status, 1) << full.err;
    EXPECT_NE(full.err.find("cannot write the output"), std::string::npos) << full.err;

    const std::string garbage(4096, '\x33');
    test::WriteFile(DatabaseFile(), garbage);
    std::filesystem::remove(DatabaseFile() + "-wal");
    std::filesystem::remove(DatabaseFile() + "-shm");
    const Run damaged = Zanvorctl("profile list");
    EXPECT_EQ(damaged.status, 1) << damaged.err;
    EXPECT_EQ(damaged.err, "zanvorctl: The profile database at " + DatabaseFile() +
                               " is damaged or is not a database.\n");
    EXPECT_TRUE(damaged.out.empty()) << "no profiles pretend to be the user's";
    EXPECT_TRUE(test::ReadFile(DatabaseFile()) == garbage);
}

// Names an older program stored with bytes that are not UTF-8 or with a line break: the JSON
// stays valid, the table keeps one line per profile.
TEST_F(CliTest, StoredNamesNeverBreakTheOutput) {
    ASSERT_EQ(Zanvorctl("profile list").status, 0);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(DatabaseFile().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "UPDATE t_profile_data SET name = CAST(X'6261640AFF6E616D65' AS TEXT) "
                           "WHERE profile = 2;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    const Run json = Zanvorctl("--json profile list");
    ASSERT_EQ(json.status, 0) << json.err;
    const nlohmann::json document = nlohmann::json::parse(json.out, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << json.out;
    EXPECT_EQ(document["profiles"][1]["name"], "bad\n\xEF\xBF\xBDname");

    const Run table = Zanvorctl("profile list");
    ASSERT_EQ(table.status, 0) << table.err;
    EXPECT_EQ(std::count(table.out.begin(), table.out.end(), '\n'), 4) << table.out;
    EXPECT_NE(table.out.find("bad\\n\xEF\xBF\xBDname"), std::string::npos) << table.out;
}

}  // namespace
}  // namespace zanvor

namespace zanvor {
namespace {

TEST_F(CliTest, AuroraRunStreamsToTheKeyboardAndChecksItsArguments) {
    const nlohmann::json run = Json("--device 103 aurora run --seconds 1");
    EXPECT_EQ(run.value("failed", -1), 0);
    EXPECT_GE(run.value("frames", 0), 20);  // about 60 a second at the worker's pace
    EXPECT_EQ(run.value("mode", 0), 1);     // the profile's mode

    const struct {
        const char* arguments;
        int status;
        const char* errorContains;
    } cases[] = {
        {"--device 103 aurora run --mode 5 --seconds 1", 2, "--file"},
        {"--device 103 aurora run --mode 5 --file /tmp/clip.mp4 --seconds 1", 1, "video"},
        {"--device 103 aurora run --mode 5 --file /nonexistent.gif --seconds 1", 1, "cannot read"},
        {"--device 103 aurora run --mode 4", 2, "--mode"},
        {"--device 103 aurora run --seconds -1", 2, "--seconds"},
    };
    for (const auto& c : cases) {
        const Run result = Zanvorctl(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments << "\n" << result.err;
        EXPECT_NE(result.err.find(c.errorContains), std::string::npos)
            << c.arguments << ": " << result.err;
    }
}

TEST_F(CliTest, AudioCommandsSayWhenNoSoundServerRuns) {
    // A server address where nothing listens.
    const test::PulseServerVariable nowhere("unix:" + home() + "no-server");
    for (const char* arguments : {"audio devices", "audio monitor --seconds 1"}) {
        const Run run = Zanvorctl(arguments);
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_NE(run.err.find("no sound server"), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace zanvor

namespace zanvor {
namespace {

TEST_F(CliTest, AudioMonitorReportsWhatIsPlayed) {
    test::TempDir dir;
    const std::string folder = dir.path().substr(0, dir.path().size() - 1);
    test::PrivateSoundServer server(folder);
    if (!server.Start()) {
        GTEST_SKIP() << "no PulseAudio server could be started (is pulseaudio installed?)";
    }
    const test::PulseServerVariable reachesOnlyIt(server.Address());
    test::WriteSineWav(folder + "/tone.wav", 440, 3.0);

    const nlohmann::json listed = Json("audio devices");
    EXPECT_EQ(listed.value("captured", ""), "first");

    server.Play("first", folder + "/tone.wav");
    const nlohmann::json samples = Json("audio monitor --seconds 3");
    server.JoinPlayer();
    ASSERT_TRUE(samples.is_array()) << samples.dump();
    ASSERT_EQ(samples.size(), 3u);
    float loudest = 0;
    for (const nlohmann::json& sample : samples) {
        EXPECT_EQ(sample.value("device", ""), "first");
        for (const char* field : {"level", "peak", "bands64", "beat", "tempo"}) {
            EXPECT_TRUE(sample.contains(field)) << field;
        }
        EXPECT_EQ(sample["bands64"].size(), 64u);
        loudest = std::max(loudest, sample.value("level", 0.0f));
    }
    EXPECT_GT(loudest, 0.5f);
}

}  // namespace
}  // namespace zanvor
