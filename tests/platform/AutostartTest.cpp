#include "platform/Autostart.h"

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "support/TestHome.h"

namespace zanvor {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;

// Splits an Exec value as a desktop environment does: undo the string escapes of the entry
// file, then split at blanks, honouring quotes and the escapes inside them, and turn "%%"
// into "%".
std::vector<std::string> SplitExec(const std::string& fileValue) {
    std::string value;
    for (size_t i = 0; i < fileValue.size(); ++i) {
        if (fileValue[i] == '\\' && i + 1 < fileValue.size()) {
            const char next = fileValue[++i];
            value += next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next;
        } else {
            value += fileValue[i];
        }
    }
    std::vector<std::string> args;
    std::string current;
    bool inQuotes = false;
    bool any = false;
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (inQuotes) {
            if (c == '\\' && i + 1 < value.size()) {
                current += value[++i];
            } else if (c == '"') {
                inQuotes = false;
            } else {
                current += c;
            }
        } else if (c == '"') {
            inQuotes = true;
            any = true;
        } else if (c == ' ') {
            if (any || !current.empty()) {
                args.push_back(current);
            }
            current.clear();
            any = false;
        } else if (c == '%' && i + 1 < value.size() && value[i + 1] == '%') {
            current += '%';
            ++i;
        } else {
            current += c;
        }
    }
    if (any || !current.empty()) {
        args.push_back(current);
    }
    return args;
}

std::string ExecLine(const std::string& entry) {
    const size_t start = entry.find("\nExec=");
    if (start == std::string::npos) {
        return std::string();
    }
    const size_t end = entry.find('\n', start + 1);
    return entry.substr(start + 6, end - start - 6);
}

class AutostartTest : public test::IsolatedHomeTest {
  protected:
    std::string EntryPath() const { return home() + "config/autostart/zanvor-hub.desktop"; }
};

TEST_F(AutostartTest, OnWritesTheEntryAndShowsTheMinimisedSwitch) {
    EXPECT_FALSE(IsAutostartOn());
    EXPECT_FALSE(ReadAutostartState().on);

    const AutostartState state = SetAutostart(true);
    EXPECT_TRUE(state.on);
    EXPECT_TRUE(state.showMinimisedSwitch);
    EXPECT_FALSE(state.minimised);
    EXPECT_EQ(AutostartEntryPath(), EntryPath());
    ASSERT_TRUE(fs::exists(EntryPath()));
    EXPECT_TRUE(IsAutostartOn());

    const std::string entry = ReadFile(EntryPath());
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
    EXPECT_EQ(SplitExec(ExecLine(entry)),
              (std::vector<std::string>{AutostartProgramPath(), "-autorun"}));
    EXPECT_EQ(fs::path(AutostartProgramPath()).filename(), "zanvor-hub");
}

TEST_F(AutostartTest, OffRemovesTheEntryAndClearsTheMinimisedSwitch) {
    SetAutostart(true);
    ASSERT_TRUE(SetAutostartMinimised(true));
    EXPECT_TRUE(ReadAutostartState().minimised);

    const AutostartState state = SetAutostart(false);
    EXPECT_FALSE(state.on);
    EXPECT_FALSE(state.showMinimisedSwitch);
    EXPECT_FALSE(state.minimised);
    EXPECT_FALSE(fs::exists(EntryPath()));
    EXPECT_EQ(ReadRegistryText(kAutorunMinimizeValue), "0");
    EXPECT_FALSE(ReadAutostartState().on);

    // Switching off twice is harmless.
    EXPECT_FALSE(SetAutostart(false).on);
}

TEST_F(AutostartTest, TheMinimisedSwitchWritesAnExistingEntryAgain) {
    // An entry of an earlier version, for a program that has moved since.
    const std::string stale = "[Desktop Entry]\nType=Application\nExec=/old/place/zanvor-hub\n";
    test::WriteFile(EntryPath(), stale);
    ASSERT_TRUE(SetAutostartMinimised(true));
    EXPECT_EQ(ReadFile(EntryPath()), AutostartEntryText(AutostartProgramPath()));
    EXPECT_TRUE(ReadAutostartState().minimised);

    fs::remove(EntryPath());
    ASSERT_TRUE(SetAutostartMinimised(false));
    EXPECT_FALSE(fs::exists(EntryPath())) << "switching it never turns autostart on";
}

TEST_F(AutostartTest, AFailedWriteReportsTheSwitchOff) {
    // A file where the autostart folder should be.
    test::WriteFile(home() + "config/autostart", "not a folder");
    const AutostartState state = SetAutostart(true);
    EXPECT_FALSE(state.on);
    EXPECT_FALSE(state.showMinimisedSwitch);
}

TEST_F(AutostartTest, ExecValueKeepsEveryProgramPathWhole) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/usr/bin/zanvor-hub", "/usr/bin/zanvor-hub -autorun"},
        {"/opt/Zanvor HUB/zanvor-hub", "\"/opt/Zanvor HUB/zanvor-hub\" -autorun"},
        {"/home/a$b/zanvor-hub", "\"/home/a\\$b/zanvor-hub\" -autorun"},
        {"/data/100%/zanvor-hub", "/data/100%%/zanvor-hub -autorun"},
        {"/we\"ird/back\\slash/zanvor-hub", "\"/we\\\"ird/back\\\\slash/zanvor-hub\" -autorun"},
    };
    for (const auto& [program, exec] : cases) {
        EXPECT_EQ(AutostartExecValue(program), exec) << program;
        const std::string entry = AutostartEntryText(program);
        EXPECT_EQ(SplitExec(ExecLine(entry)), (std::vector<std::string>{program, "-autorun"}))
            << program;
    }
}

TEST_F(AutostartTest, ExitModeAndMinimisedSwitchAreStoredAsOneOrZero) {
    EXPECT_FALSE(ExitHidesToTray());  // first start: closing ends the program
    ASSERT_TRUE(SetExitMode(true));
    EXPECT_EQ(ReadRegistryText(kExitModeValue), "1");
    EXPECT_TRUE(ExitHidesToTray());
    ASSERT_TRUE(SetExitMode(false));
    EXPECT_EQ(ReadRegistryText(kExitModeValue), "0");
    EXPECT_FALSE(ExitHidesToTray());

    ASSERT_TRUE(SetAutostartMinimised(true));
    EXPECT_EQ(ReadRegistryText(kAutorunMinimizeValue), "1");
    // Without the entry the page shows autostart off and the switch hidden and off.
    EXPECT_FALSE(ReadAutostartState().minimised);
}

}  // namespace
}  // namespace zanvor
