#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/Registry.h"
#include "platform/SettingsStore.h"
#include "support/TestHome.h"

namespace zanvor {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

class SettingsTest : public test::IsolatedHomeTest {
  protected:
    std::string Path() const { return home() + "config/Zanvor HUB/settings.conf"; }
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(home() + "config/Zanvor HUB")) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }
};

TEST_F(SettingsTest, FileLivesBelowTheConfigFolderNamedAfterTheApplication) {
    EXPECT_EQ(SettingsFilePath(), Path());
}

TEST_F(SettingsTest, FirstReadCreatesTheFileAndReadsZero) {
    ASSERT_FALSE(fs::exists(Path()));
    EXPECT_EQ(ReadRegistryInt(kExitModeValue), 0);
    EXPECT_TRUE(fs::exists(Path()));
    EXPECT_EQ(ReadRegistryText(kThemeBkgValue), "");
}

TEST_F(SettingsTest, LanguageIdIsZeroWhenTheFileHadToBeCreatedOrTheValueIsMissing) {
    EXPECT_EQ(ReadLanguageId(), 0);  // created by this read
    EXPECT_TRUE(fs::exists(Path()));
    EXPECT_EQ(ReadLanguageId(), 0);  // exists, no LCID
    ASSERT_TRUE(WriteRegistryText(kLcidValue, "1045"));
    EXPECT_EQ(ReadLanguageId(), 1045);
}

TEST_F(SettingsTest, UnreadableSettingsReadAsZeroEmptyAnd1033ForTheLanguage) {
    // A folder where the file should be: it exists but cannot be read as a file.
    fs::create_directories(Path());
    EXPECT_EQ(ReadLanguageId(), 1033);
    EXPECT_EQ(ReadRegistryInt(kExitModeValue), 0);
    EXPECT_EQ(ReadRegistryText(kThemeBkgValue), "");
    EXPECT_EQ(ReadDeviceTypeHint(), 0);
    EXPECT_FALSE(WriteRegistryText(kExitModeValue, "1"));
}

TEST_F(SettingsTest, DeviceTypeHintNeverCreatesTheFile) {
    EXPECT_EQ(ReadDeviceTypeHint(), 0);
    EXPECT_FALSE(fs::exists(Path()));
    ASSERT_TRUE(WriteRegistryText(kDeviceTypeValue, "5"));
    EXPECT_EQ(ReadDeviceTypeHint(), 5);
    EXPECT_EQ(ReadRegistryInt(kDeviceTypeValue), 5);
}

TEST_F(SettingsTest, WriteCreatesAMissingFileInsteadOfDroppingTheValue) {
    ASSERT_TRUE(WriteRegistryInt(kDeviceTypeValue, 102));
    EXPECT_EQ(ReadRegistryText(kDeviceTypeValue), "102");
}

TEST_F(SettingsTest, TextValuesRoundTripExactly) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {kThemeBkgValue, "/home/user/Obrazy/tło zimowe.png"},
        {kThemeBkgGifValue, "C:\\old\\path=with=equals.gif"},
        {"multi_line", "first\nsecond\r\nthird\\n not a break"},
        {"blanks", "  leading and trailing  "},
        {"long", std::string(1000, 'x')},  // longer than any fixed read buffer
        {"empty", ""},
    };
    for (const auto& [name, value] : cases) {
        ASSERT_TRUE(WriteRegistryText(name, value)) << name;
    }
    for (const auto& [name, value] : cases) {
        EXPECT_EQ(ReadRegistryText(name), value) << name;
    }
}

TEST_F(SettingsTest, OverwritingKeepsOtherValuesAndNamesIgnoreCase) {
    ASSERT_TRUE(WriteRegistryText(kLcidValue, "1033"));
    ASSERT_TRUE(WriteRegistryText(kExitModeValue, "1"));
    ASSERT_TRUE(WriteRegistryText("lcid", "1045"));
    EXPECT_EQ(ReadLanguageId(), 1045);
    EXPECT_EQ(ReadRegistryInt(kExitModeValue), 1);
    EXPECT_EQ(ParseSettings(ReadFile(Path())).size(), 2u);
}

TEST_F(SettingsTest, HandEditedFileIsRead) {
    WriteFile(Path(),
              "# my settings\r\n\r\n  LCID = 1045\r\n; old\r\nexit_mode=1\r\nbroken line\r\n");
    EXPECT_EQ(ReadLanguageId(), 1045);
    EXPECT_EQ(ReadRegistryInt(kExitModeValue), 1);
}

TEST_F(SettingsTest, NumbersParseAsDecimalPrefix) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"5", 5},
        {" 42abc", 42},
        {"abc", 0},
        {"", 0},
        {"-3", -3},
        {"+7", 7},
        {"0x10", 0},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
    };
    for (const auto& [text, number] : cases) {
        ASSERT_TRUE(WriteRegistryText("number", text));
        EXPECT_EQ(ReadRegistryInt("number"), number) << '"' << text << '"';
    }
}

TEST_F(SettingsTest, InvalidNamesAreRefused) {
    for (const std::string name : {"", "a=b", "line\nbreak", "#comment", " padded"}) {
        EXPECT_FALSE(WriteRegistryText(name, "1")) << name;
    }
}

TEST_F(SettingsTest, WritesLeaveNoTemporaryFilesAndAWholeFileForReaders) {
    ASSERT_TRUE(WriteRegistryText(kLcidValue, "1033"));
    std::atomic<bool> done{false};
    std::atomic<int> incomplete{0};
    std::thread reader([&] {
        while (!done) {
            // Every state of the file a reader can see holds LCID and a complete value.
            const auto entries = ParseSettings(ReadFile(Path()));
            bool hasLcid = false;
            for (const auto& [name, value] : entries) {
                hasLcid = hasLcid || name == kLcidValue;
                if (name.rfind("value", 0) == 0 && value != std::string(200, 'v')) {
                    ++incomplete;
                }
            }
            if (!hasLcid) {
                ++incomplete;
            }
        }
    });
    std::vector<std::thread> writers;
    for (int t = 0; t < 3; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < 30; ++i) {
                WriteRegistryText("value" + std::to_string(t) + "_" + std::to_string(i),
                                  std::string(200, 'v'));
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    done = true;
    reader.join();
    EXPECT_EQ(incomplete.load(), 0);
    EXPECT_EQ(ParseSettings(ReadFile(Path())).size(), 1u + 3 * 30);  // no update lost
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"settings.conf"});
}

TEST_F(SettingsTest, WritesFromSeveralProcessesAreAllKept) {
    ASSERT_TRUE(WriteRegistryText(kLcidValue, "1033"));
    std::vector<pid_t> children;
    for (int p = 0; p < 2; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int i = 0; i < 25; ++i) {
                ok = WriteRegistryInt("p" + std::to_string(p) + "_" + std::to_string(i), i) && ok;
            }
            _exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(ParseSettings(ReadFile(Path())).size(), 1u + 2 * 25);
    EXPECT_EQ(ReadRegistryInt("p1_24"), 24);
}

}  // namespace
}  // namespace zanvor
