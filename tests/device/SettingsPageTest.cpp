// The settings page: its handlers store the profile's configuration values and post the
// settings task; loading the page shows the values; the command line's value check.

#include "device/SettingsPage.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>

#include "platform/Paths.h"
#include "store/DataStore.h"
#include "support/CaseName.h"
#include "support/TestHome.h"
#include "ui/LoadText.h"

namespace zanvor {
namespace {

class TaskLog : public TaskPoster {
  public:
    void PostTask(int code) override {
        std::lock_guard lock(mutex_);
        tasks_.push_back(code);
    }
    void PostTaskIfIdle(int code) override { PostTask(code); }
    void PostWindowMessage(uint32_t, uintptr_t, intptr_t) override {}
    std::vector<int> Tasks() const {
        std::lock_guard lock(mutex_);
        return tasks_;
    }

  private:
    mutable std::mutex mutex_;  // guards tasks_
    std::vector<int> tasks_;
};

// Index of the entry with that value, -1 when none.
int IndexOf(const ComboBox& list, int value) {
    const std::vector<ComboItem> items = list.GetItems();
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].data == value) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

class SettingsPageTest : public test::IsolatedHomeTest {
  protected:
    void SetUp() override {
        IsolatedHomeTest::SetUp();
        ASSERT_TRUE(CreateFolders(DataFolder() + "db"));
        ASSERT_TRUE(store.OpenDeviceDatabase(DataFolder(), "Settings Page Test"));
        for (int i = 0; i < 2; ++i) {
            ProfileData profile;
            profile.name = "P" + std::to_string(i);
            const int id = store.InsertProfile(profile);
            ASSERT_GT(id, 0);
            store.InsertDefaultConfig(id);
        }
        session.currentProfile = 2;
        page = std::make_unique<SettingsPage>(store, session, tasks);
        // Control ids and routing as the main window sets them up.
        int id = 500;
        for (ControlModel* control : std::initializer_list<ControlModel*>{
                 &page->macSwitch, &page->gameSwitch, &page->winLockSwitch, &page->wasdSwitch,
                 &page->sleepList, &page->keyResponseList}) {
            control->SetControlId(++id);
            control->SetEventSink(
                [this](int controlId, int event) { page->OnMessage(controlId, event); });
        }
    }

    std::string Config(int profile, const char* key) {
        std::string value;
        store.GetConfigValue(profile, key, value);
        return value;
    }

    DataStore store;
    SessionState session;
    TaskLog tasks;
    std::unique_ptr<SettingsPage> page;
};

TEST_F(SettingsPageTest, ListsOfferTheirEntriesWithTheInitialSelections) {
    std::vector<std::pair<std::string, int>> sleep;
    for (const ComboItem& item : page->sleepList.GetItems()) {
        sleep.emplace_back(item.text, item.data);
    }
    EXPECT_EQ(sleep, (std::vector<std::pair<std::string, int>>{{"1 Min", 1},
                                                               {"2 Min", 2},
                                                               {"3 Min", 3},
                                                               {"5 Min", 5},
                                                               {"10 Min", 10},
                                                               {"15 Min", 15},
                                                               {"20 Min", 20},
                                                               {"25 Min", 25},
                                                               {"30 Min", 30},
                                                               {"60 Min", 60}}));
    std::vector<std::pair<std::string, int>> response;
    for (const ComboItem& item : page->keyResponseList.GetItems()) {
        response.emplace_back(item.text, item.data);
    }
    EXPECT_EQ(response, (std::vector<std::pair<std::string, int>>{
                            {"1", 1}, {"2", 2}, {"4", 4}, {"8", 8}, {"16", 16}, {"20", 20}}));
    EXPECT_EQ(page->sleepList.GetCurData(), 2);
    EXPECT_EQ(page->keyResponseList.GetCurData(), 8);
}

// The sleep times are named in the active language, also after a switch, and the chosen
// entry stays chosen.
TEST_F(SettingsPageTest, SleepTimesAreNamedInTheActiveLanguage) {
    page->sleepList.SelectData(15);
    const struct {
        int lcid;
        std::string first;
    } cases[] = {{1049, "1 мин"}, {1041, "1分"}, {1031, "1 Min."}, {1033, "1 Min"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(SetActiveLanguage(c.lcid));
        page->ApplyTexts();
        const std::vector<ComboItem> items = page->sleepList.GetItems();
        ASSERT_EQ(items.size(), 10u);
        EXPECT_EQ(items[0].text, c.first);
        EXPECT_EQ(items[9].data, 60);
        EXPECT_EQ(page->sleepList.GetCurData(), 15) << c.lcid;
    }
}

TEST_F(SettingsPageTest, SleepTimesFollowALanguageSwitch) {
    SetActiveLanguage(1033);
    page->sleepList.SelectData(10);
    SetActiveLanguage(1031);
    EXPECT_EQ(page->sleepList.GetCurText(), "10 Min.") << "relabelled, the selection kept";
    EXPECT_EQ(page->sleepList.GetCount(), 10);
    SetActiveLanguage(1041);
    EXPECT_EQ(page->sleepList.GetItems().front().text, "1分");
    SetActiveLanguage(1033);
    EXPECT_EQ(page->sleepList.GetCurText(), "10 Min");
}

struct HandlerCase {
    const char* name;
    std::function<void(SettingsPage&)> act;  // what the user does
    const char* key;
    const char* value;
};

class SettingsHandlerTest : public SettingsPageTest,
                            public ::testing::WithParamInterface<HandlerCase> {};

TEST_P(SettingsHandlerTest, StoresTheValueForTheCurrentProfileAndPostsTheSettingsTask) {
    const HandlerCase& c = GetParam();
    c.act(*page);
    EXPECT_EQ(Config(2, c.key), c.value);
    EXPECT_NE(Config(1, c.key), c.value) << "another profile's value changed";
    EXPECT_EQ(tasks.Tasks(), std::vector<int>{17});
}

INSTANTIATE_TEST_SUITE_P(
    Controls, SettingsHandlerTest,
    ::testing::Values(
        HandlerCase{"Mac", [](SettingsPage& p) { p.macSwitch.Click(); }, "mac_mode", "1"},
        HandlerCase{"Game", [](SettingsPage& p) { p.gameSwitch.Click(); }, "game_mode", "1"},
        HandlerCase{"WinLock", [](SettingsPage& p) { p.winLockSwitch.Click(); }, "lock_win", "1"},
        HandlerCase{"Wasd", [](SettingsPage& p) { p.wasdSwitch.Click(); }, "wasd_mode", "1"},
        HandlerCase{"Sleep", [](SettingsPage& p) { p.sleepList.Choose(IndexOf(p.sleepList, 10)); },
                    "sleep_time", "10"},
        HandlerCase{
            "KeyResponse",
            [](SettingsPage& p) { p.keyResponseList.Choose(IndexOf(p.keyResponseList, 4)); },
            "key_keyresponse", "4"}),
    [](const ::testing::TestParamInfo<HandlerCase>& info) { return info.param.name; });

TEST_F(SettingsPageTest, EveryChangePostsTheTaskEvenWhenOneIsWaiting) {
    page->macSwitch.Click();
    page->macSwitch.Click();
    EXPECT_EQ(Config(2, "mac_mode"), "0");
    EXPECT_EQ(tasks.Tasks(), (std::vector<int>{17, 17}));
}

TEST_F(SettingsPageTest, LoadingShowsTheCurrentProfilesValues) {
    bool encoderShown = false;
    page->SetHooks({[&](bool on) { encoderShown = on; }});
    store.UpdateConfigValue(2, "mac_mode", "1");
    store.UpdateConfigValue(2, "lock_win", "1");
    store.UpdateConfigValue(2, "wasd_mode", "2");  // only 1 means on
    store.UpdateConfigValue(2, "encoder_mode", "1");
    store.UpdateConfigValue(2, "sleep_time", "30");
    store.UpdateConfigValue(2, "key_keyresponse", "16");
    page->gameSwitch.SetCheck(true);

    page->LoadSettingsPage();

    EXPECT_TRUE(page->macSwitch.GetCheck());
    EXPECT_FALSE(page->gameSwitch.GetCheck());
    EXPECT_TRUE(page->winLockSwitch.GetCheck());
    EXPECT_FALSE(page->wasdSwitch.GetCheck());
    EXPECT_TRUE(page->encoderSwitch.GetCheck());
    EXPECT_TRUE(encoderShown);
    EXPECT_EQ(page->sleepList.GetCurData(), 30);
    EXPECT_EQ(page->keyResponseList.GetCurData(), 16);
    EXPECT_TRUE(tasks.Tasks().empty()) << "loading is not a change";
}

TEST_F(SettingsPageTest, MissingValuesKeepTheInitialEntriesAndUnknownOnesSelectNone) {
    page->sleepList.SelectData(60);
    session.currentProfile = 99;  // no configuration rows at all
    page->LoadSettingsPage();
    EXPECT_EQ(page->sleepList.GetCurData(), 2);
    EXPECT_EQ(page->keyResponseList.GetCurData(), 8);

    session.currentProfile = 2;
    store.UpdateConfigValue(2, "sleep_time", "7");  // a keyboard's own 7 minutes
    page->LoadSettingsPage();
    EXPECT_EQ(page->sleepList.GetCurSel(), -1);
}

TEST_F(SettingsPageTest, HandlerThenLoadRoundTrip) {
    page->sleepList.Choose(IndexOf(page->sleepList, 5));
    page->wasdSwitch.Click();
    page->sleepList.SetCurSel(0);
    page->wasdSwitch.SetCheck(false);
    page->LoadSettingsPage();
    EXPECT_EQ(page->sleepList.GetCurData(), 5);
    EXPECT_TRUE(page->wasdSwitch.GetCheck());
}

struct ValueCase {
    const char* key;
    const char* value;
    bool valid;
    const char* stored;
};

class SettingValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(SettingValueTest, AcceptsOnlyTheValuesThePageOffers) {
    const ValueCase& c = GetParam();
    std::string stored;
    std::string error;
    EXPECT_EQ(ValidateSettingValue(c.key, c.value, stored, error), c.valid)
        << c.key << "=" << c.value;
    if (c.valid) {
        EXPECT_EQ(stored, c.stored);
        EXPECT_TRUE(error.empty());
    } else {
        EXPECT_NE(error.find(c.key), std::string::npos) << error;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, SettingValueTest,
    ::testing::Values(
        ValueCase{"mac_mode", "1", true, "1"}, ValueCase{"game_mode", "off", true, "0"},
        ValueCase{"encoder_mode", "on", true, "1"}, ValueCase{"lock_win", "2", false, ""},
        ValueCase{"wasd_mode", "", false, ""}, ValueCase{"sleep_time", "10", true, "10"},
        ValueCase{"sleep_time", "4", false, ""}, ValueCase{"sleep_time", "010", false, ""},
        ValueCase{"key_keyresponse", "20", true, "20"},
        ValueCase{"key_keyresponse", "3", false, ""}, ValueCase{"reporte_rate", "4", false, ""}),
    [](const auto& info) {
        return test::CaseName(std::string(info.param.key) + "_" + info.param.value, info.index);
    });

TEST_F(SettingsPageTest, ApplySettingStoresValidValuesAndSendsOnlyKeyboardSettings) {
    std::string error;
    EXPECT_TRUE(page->ApplySetting("sleep_time", "60", error)) << error;
    EXPECT_EQ(Config(2, "sleep_time"), "60");
    EXPECT_EQ(page->sleepList.GetCurData(), 60);
    EXPECT_TRUE(page->ApplySetting("encoder_mode", "on", error)) << error;
    EXPECT_EQ(Config(2, "encoder_mode"), "1");
    EXPECT_EQ(tasks.Tasks(), std::vector<int>{17});

    EXPECT_FALSE(page->ApplySetting("sleep_time", "61", error));
    EXPECT_EQ(Config(2, "sleep_time"), "60");
    EXPECT_FALSE(error.empty());

    session.currentProfile = 99;
    EXPECT_FALSE(page->ApplySetting("mac_mode", "1", error)) << "nothing stored is no success";
}

}  // namespace
}  // namespace zanvor
