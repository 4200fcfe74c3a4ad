#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/Startup.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/SingleInstance.h"
#include "support/TestHome.h"
#include "ui/LoadText.h"
#include "ui/Manager.h"

namespace zanvor {
namespace {

class StartupTest : public test::IsolatedHomeTest {
  protected:
    void TearDown() override {
        SetActiveLanguageId(1033);
        IsolatedHomeTest::TearDown();
    }
};

TEST_F(StartupTest, AutorunStartsMinimisedOnlyWhenStartMinimisedIsOn) {
    const struct {
        std::vector<std::string> arguments;
        bool minimized;
    } cases[] = {
        {{"-autorun"}, true},
        {{"--simulate", "xautorunx"}, true},
        {{}, false},
        {{"--simulate", "-auto"}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsAutorunCommandLine(c.arguments), c.minimized);
    }
    const struct {
        std::vector<std::string> arguments;
        int minimiseSwitch;  // -1: never stored
        bool minimized;
    } starts[] = {
        {{"-autorun"}, -1, false},
        {{"-autorun"}, 0, false},
        {{"-autorun"}, 1, true},
        {{}, 1, false},  // the user started it: the window shows
    };
    for (const auto& start : starts) {
        if (start.minimiseSwitch >= 0) {
            ASSERT_TRUE(WriteRegistryInt(kAutorunMinimizeValue, start.minimiseSwitch));
        }
        StartupState state = PrepareStartup(start.arguments);
        ASSERT_TRUE(state.proceed);
        EXPECT_EQ(state.minimized, start.minimized) << start.minimiseSwitch;
    }
}

TEST_F(StartupTest, ReadsNameAndLanguagesAndPreparesTheDataFolder) {
    StartupState state = PrepareStartup({});
    ASSERT_TRUE(state.proceed);
    EXPECT_EQ(state.config.applicationName, "Zanvor HUB");
    EXPECT_EQ(Manager::GetDeviceName(), "Zanvor HUB");
    EXPECT_EQ(state.config.languages,
              (std::vector<int>{1031, 1033, 1036, 1041, 1045, 1046, 1049, 2052, 3082}));
    EXPECT_TRUE(std::filesystem::is_directory(DataFolder() + "db"));
    EXPECT_EQ(DataFolder(), home() + "data/Zanvor HUB Files/");
}

TEST_F(StartupTest, StoredLanguageWinsAndMissingOneIsWrittenBack) {
    WriteRegistryText("LCID", "1045");
    {
        StartupState state = PrepareStartup({});
        ASSERT_TRUE(state.proceed);
        EXPECT_EQ(ActiveLanguage(), 1045);
    }
    // First start: the user's locale when its file is installed, else English.
    for (const auto& [locale, lcid] : std::vector<std::pair<const char*, int>>{
             {"ja_JP.UTF-8", 1041}, {"de_AT.UTF-8", 1031}, {"ko_KR.UTF-8", 1033}}) {
        WriteRegistryText("LCID", "");
        setenv("LANGUAGE", locale, 1);
        StartupState state = PrepareStartup({});
        ASSERT_TRUE(state.proceed);
        EXPECT_EQ(ActiveLanguage(), lcid) << locale;
        EXPECT_EQ(ReadRegistryText("LCID"), std::to_string(lcid)) << locale;
    }
    unsetenv("LANGUAGE");
}

TEST_F(StartupTest, SecondStartAsksTheFirstToComeForwardAndExitsWithZero) {
    StartupState first = PrepareStartup({});
    ASSERT_TRUE(first.proceed);
    std::atomic<int> raised{0};
    first.instance->SetRaiseHandler([&] { ++raised; });

    StartupState second = PrepareStartup({});
    EXPECT_FALSE(second.proceed);
    EXPECT_EQ(second.exitCode, 0);
    for (int i = 0; i < 2000 && raised.load() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(raised.load(), 1);
}

TEST_F(StartupTest, MissingConfigurationLeavesNoNameAndEnglish) {
    test::TempDir empty;
    SetApplicationFolder(empty.path());
    const StartupConfig config = ReadStartupConfig(empty.path());
    EXPECT_TRUE(config.applicationName.empty());
    EXPECT_TRUE(config.languages.empty());
}

}  // namespace
}  // namespace zanvor
