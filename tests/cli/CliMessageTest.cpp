// What zanvorctl says when it refuses or fails: the real cause, the valid range, and the
// user's own words shown safely.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "CliFixture.h"
#include "app/CliKeyboardCommands.h"
#include "app/CliMain.h"
#include "platform/SettingsStore.h"
#include "platform/Termination.h"

namespace zanvor {
namespace {

using test::CliTest;

bool OneLine(const std::string& text) {
    return !text.empty() && text.find('\n') == text.size() - 1;
}

// Values beyond what a macro step can hold were stored as the nearest limit (or a key code
// cut to its low byte) and reported as success.
TEST_F(CliTest, MacroStepsBeyondTheirLimitsAreRefusedWithTheLimits) {
    const nlohmann::json before = Json("macro list");
    ASSERT_FALSE(before["macros"].empty());
    const std::string steps = Zanvorctl("macro show 1").out;
    const struct {
        const char* arguments;
        const char* mentions;
    } cases[] = {
        {"macro set 1 down:A@-1 up:A", "0 to 31000 ms"},
        {"macro set 1 down:A@99999999999 up:A", "0 to 31000 ms"},
        {"macro set 1 pause:99999999999", "1 to 10000 ms"},
        {"macro set 1 pause:0", "1 to 10000 ms"},
        {"macro set 1 down:0x100 up:0x100", "0x01 to 0xFF"},
        {"macro delay 1 fixed:99999", "1 to 10000 ms"},
        {"macro rename 1 '   '", "NAME"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Run run = Zanvorctl(c.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(c.mentions), std::string::npos) << run.err;
        EXPECT_TRUE(OneLine(run.err)) << run.err;
    }
    EXPECT_EQ(Json("macro list"), before) << "nothing changed";
    EXPECT_EQ(Zanvorctl("macro show 1").out, steps);
}

// A folder where the autostart entry belongs: nothing starts with the session, so "on" was a
// false success.
TEST_F(CliTest, AutostartOnFailsWhenAFolderHoldsTheEntrysPlace) {
    const std::string entry = home() + "config/autostart/zanvor-hub.desktop";
    std::filesystem::create_directories(entry);
    const Run on = Zanvorctl("app autostart on");
    EXPECT_EQ(on.status, 1) << on.out;
    EXPECT_NE(on.err.find("a folder of that name is in the way"), std::string::npos) << on.err;
    EXPECT_TRUE(OneLine(on.err)) << on.err;
    const Run shown = Zanvorctl("app autostart");
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.out, "autostart off, minimised off\n");
    EXPECT_EQ(Zanvorctl("app autostart off").status, 0);
    EXPECT_TRUE(std::filesystem::is_directory(entry)) << "not ours to remove";
}

// A remembered keyboard type no catalogue entry has (here beyond any int) is as good as none:
// the usual keyboard is selected, and its profiles are there.
TEST_F(CliTest, AnUnknownRememberedKeyboardTypeIsIgnored) {
    for (const char* stored : {"99999999999999", "12345", "-7"}) {
        SCOPED_TRACE(stored);
        std::filesystem::create_directories(
            std::filesystem::path(SettingsFilePath()).parent_path());
        test::WriteFile(SettingsFilePath(), std::string("DeviceType=") + stored + "\n");
        const Run run = Zanvorctl("--json profile list");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        const nlohmann::json listed = nlohmann::json::parse(run.out, nullptr, false);
        EXPECT_FALSE(listed["profiles"].empty()) << run.out;
    }
}

// Refusals name their cause: the id asked for, a sane range, no contradiction.
TEST_F(CliTest, RefusalsNameTheirCauseAndNoContradiction) {
    const Run profile = Zanvorctl("profile delete 77");
    EXPECT_EQ(profile.status, 2);
    EXPECT_NE(profile.err.find("no profile 77"), std::string::npos) << profile.err;

    const Run none = Zanvorctl("key set Esc none");
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("keys cannot take none"), std::string::npos) << none.err;
    EXPECT_EQ(none.err.find("forms: none"), std::string::npos) << "offered as it is refused";

    for (const char* arguments : {"audio monitor --seconds -1", "aurora run --seconds -1",
                                  "audio monitor --seconds 99999999999"}) {
        SCOPED_TRACE(arguments);
        const Run seconds = Zanvorctl(arguments);
        EXPECT_EQ(seconds.status, 2);
        EXPECT_NE(seconds.err.find("from 0 to 2147483647"), std::string::npos) << seconds.err;
        EXPECT_LT(seconds.err.size(), 200u) << seconds.err;
    }
}

// Arguments echoed in an error are cut to a sane length and show control characters and
// bytes that are not UTF-8 escaped, instead of flooding or driving the terminal.
TEST_F(CliTest, EchoedArgumentsAreCutAndEscaped) {
    const std::string huge(100000, 'K');
    const Run longKey = Zanvorctl("key set '" + huge + "' media:101");
    EXPECT_EQ(longKey.status, 2);
    EXPECT_LT(longKey.err.size(), 300u);
    EXPECT_NE(longKey.err.find(std::string(35, 'K') + "\u2026" + std::string(35, 'K')),
              std::string::npos)
        << longKey.err.substr(0, 300);
    EXPECT_TRUE(OneLine(longKey.err));

    const Run spaced = Zanvorctl("profile rename 1 x --bogus '" + std::string(50000, ' ') + "'");
    EXPECT_EQ(spaced.status, 2);
    EXPECT_LT(spaced.err.size(), 1200u);

    const Run hostile = Zanvorctl("key set \"$(printf 'A\\377\\033[31mB\\nC')\" media:101");
    EXPECT_EQ(hostile.status, 2);
    EXPECT_NE(hostile.err.find("A\\xFF\\x1B[31mB\\nC"), std::string::npos) << hostile.err;
    EXPECT_EQ(hostile.err.find('\033'), std::string::npos);
    EXPECT_EQ(hostile.err.find('\377'), std::string::npos);
    EXPECT_TRUE(OneLine(hostile.err)) << hostile.err;
}

// A large settings file was read and searched line by line once for every value asked for.
TEST_F(CliTest, ALargeSettingsFileIsReadQuickly) {
    ASSERT_EQ(Zanvorctl("app language 1045").status, 0);
    std::string text = test::ReadFile(SettingsFilePath());
    for (int i = 0; i < 60000; ++i) {
        text += "unused_" + std::to_string(i) + "=1\n";
    }
    test::WriteFile(SettingsFilePath(), text);
    const auto start = std::chrono::steady_clock::now();
    const Run run = Zanvorctl("app language");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "language 1045\n");
    EXPECT_LT(took, std::chrono::seconds(3));
}

// Folders that cannot be made were reported as the wrong cause: "has no screen" or an empty
// library for a data folder that cannot be written, "Is the disk full?" for the library's
// folder, and "no animation 1" (a usage error) when the factory animations could not be made.
TEST_F(CliTest, ScreenFailuresNameTheFolderThatCannotBeMade) {
    const std::string data = home() + "data/Zanvor HUB Files/";
    std::filesystem::create_directories(data);
    test::WriteFile(data + "led", "a file where the library's folder belongs");
    const std::string gif = test::StagedAppFolder() + "gif/Zanvor Vista 96/0.gif";
    ASSERT_TRUE(std::filesystem::exists(gif));
    for (const std::string& arguments :
         {"screen export 1 '" + home() + "out.gif'", "screen import '" + gif + "'",
          std::string("screen list")}) {
        SCOPED_TRACE(arguments);
        const Run run = Zanvorctl("--device 103 " + arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("led/Zanvor Vista 96/ cannot be made: Not a directory"),
                  std::string::npos)
            << run.err;
        EXPECT_TRUE(OneLine(run.err)) << run.err;
    }

    test::WriteFile(home() + "file", "");
    const Run below =
        Zanvorctl("--device 103 screen list", "XDG_DATA_HOME='" + home() + "file/data' ");
    EXPECT_EQ(below.status, 1) << below.out;
    EXPECT_NE(below.err.find("database"), std::string::npos) << below.err;
    EXPECT_NE(below.err.find(home() + "file/data/"), std::string::npos) << below.err;
}

// On a full disk the library's folder can be made but the factory animation's frames cannot
// be written: that was "no animation 1" (a usage error) for an export and an empty library
// for a list. The data folder is a small file system of its own, filled up once the profile
// database is in it (a mount namespace of the test's own; skipped where there is none).
TEST_F(CliTest, AFullDiskIsNamedWhenTheFactoryAnimationsCannotBeMade) {
    if (std::system("unshare -m true 2>/dev/null") != 0) {
        GTEST_SKIP() << "no mount namespace for a small file system";
    }
    // The virtual keyboard's state and the settings, kept outside the small file system.
    ASSERT_EQ(Zanvorctl("--device 103 profile list").status, 0);
    const std::string data = home() + "data";
    // Mounts, lets zanvorctl make the database, fills the disk up to the room the database
    // needs to be opened (48 kB, less than the animation's frames), then runs the command.
    const std::string full = "unshare -m sh -c 'mount -t tmpfs -o size=420k tmpfs \"" + data +
                             "\" && \"$0\" --simulate --device 103 profile list >/dev/null && "
                             "\"$0\" --simulate --device 103 profile list >/dev/null && "
                             "head -c $(($(df --output=avail -B1 \"" +
                             data + "\" | tail -n 1) - 49152)) /dev/zero >\"" + data +
                             "/fill\" 2>/dev/null; exec \"$0\" \"$@\"' ";
    for (const std::string& arguments : {"--device 103 screen export 1 '" + home() + "out.gif'",
                                         std::string("--device 103 screen list")}) {
        SCOPED_TRACE(arguments);
        const Run run = Zanvorctl(arguments, full);
        if (run.err.find("mount") != std::string::npos) {
            GTEST_SKIP() << run.err;
        }
        EXPECT_EQ(run.status, 1) << run.out;
        EXPECT_NE(run.err.find("the factory animations could not be made in " + data +
                               "/Zanvor HUB Files/led/Zanvor Vista 96/: No space left on device"),
                  std::string::npos)
            << run.err;
        EXPECT_TRUE(OneLine(run.err)) << run.err;
    }
}

// A termination signal that arrives once the command's change is stored ended the command
// with "interrupted" and status 1 although the change was made and its result printed.
TEST_F(CliTest, ASignalAfterTheChangeWasMadeReportsTheChange) {
    InstallTerminationHandlers();
    CliOptions options;
    options.simulate = true;
    options.simulateSpec = "101";
    const int status = RunStandaloneSession(options, true, [](CliSession& session) {
        const int renamed = CmdProfileRename(session, 1, "Renamed");
        std::raise(SIGTERM);
        return renamed;
    });
    const bool signalled = TerminationRequested();
    ResetTerminationRequest();
    EXPECT_TRUE(signalled);
    EXPECT_EQ(status, 0);
    const nlohmann::json listed = Json("--simulate=101 profile list");
    ASSERT_FALSE(listed["profiles"].empty());
    EXPECT_EQ(listed["profiles"][0]["name"], "Renamed");
}

}  // namespace
}  // namespace zanvor
