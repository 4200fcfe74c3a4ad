#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "StoreFixture.h"
#include "support/Rows.h"

namespace zanvor::test {
namespace {

using Table = std::vector<std::vector<std::string>>;

ProfileData NamedProfile(const std::string& name) {
    ProfileData profile;
    profile.name = name;
    profile.icon_image = "icon\\icon_profile.png";
    profile.status = 1;  // not stored: a new profile is never active by itself
    profile.type = 7;    // not stored either
    return profile;
}

using ConfigTest = StoreTest;

TEST_F(ConfigTest, NewProfileGetsTheDefaultRowsInOrder) {
    const Table expected = {
        {"version", "1.0.1"},
        {"keyboard_layout", "1"},
        {"fn_layer", "0"},
        {"fn_switch", "0"},
        {"lightmode", "1"},
        {"aurora_mode", "1"},
        {"matrixlight_mode", "1"},
        {"matrixlight_preset_mode", "1"},
        {"matrixlight_amplitude", "50"},
        {"enable_light", "1"},
        {"enable_customlight", "1"},
        {"userlight", "0"},
        {"customlight", "0"},
        {"customlight_run", "0"},
        {"customlight_open", "1"},
        {"mac_mode", "0"},
        {"encoder_mode", "0"},
        {"wasd_mode", "0"},
        {"game_mode", "0"},
        {"lock_alttab", "0"},
        {"lock_altf4", "0"},
        {"lock_win", "0"},
        {"sleep_time", "2"},
        {"key_keyresponse", "2"},
        {"default_color1", "8331093"},
        {"default_color2", "4114939"},
        {"default_color3", "65280"},
        {"default_color4", "16776960"},
        {"default_color5", "255"},
        {"default_color6", "14237951"},
        {"default_color7", "14237951"},
        {"default_color8", "16777215"},
        {"reporte_rate", "4"},
    };
    store.InsertDefaultConfig(4);
    EXPECT_EQ(Rows("SELECT key, value FROM t_config_data WHERE profile = 4 ORDER BY config_id"),
              expected);
    EXPECT_EQ(CountRows("t_config_data"), 33);

    std::string value;
    EXPECT_TRUE(store.GetConfigValue(4, "matrixlight_amplitude", value));
    EXPECT_EQ(value, "50");
    EXPECT_EQ(store.GetConfigInt(4, "default_color2"), 4114939);
}

TEST_F(ConfigTest, ValuesBelongToTheirProfile) {
    store.InsertDefaultConfig(1);
    store.InsertDefaultConfig(2);
    EXPECT_TRUE(store.UpdateConfigValue(2, "sleep_time", "5"));
    EXPECT_EQ(store.GetConfigInt(2, "sleep_time"), 5);
    EXPECT_EQ(store.GetConfigInt(1, "sleep_time"), 2);
    EXPECT_TRUE(store.UpdateConfigInt(1, "encoder_mode", -3));
    EXPECT_EQ(Rows("SELECT value FROM t_config_data WHERE profile = 1 AND key = 'encoder_mode'"),
              (Table{{"-3"}}));
}

TEST_F(ConfigTest, MissingRowsReadAsFailureAndAreNeverCreatedByUpdates) {
    store.InsertDefaultConfig(1);
    std::string value = "stale";
    EXPECT_FALSE(store.GetConfigValue(9, "mac_mode", value)) << "no such profile";
    EXPECT_EQ(value, "");
    value = "stale";
    EXPECT_FALSE(store.GetConfigValue(1, "enable_matrixscreen", value)) << "no such key";
    EXPECT_EQ(value, "");

    const Table before = Rows("SELECT * FROM t_config_data ORDER BY config_id");
    EXPECT_TRUE(store.UpdateConfigValue(1, "enable_matrixscreen", "1"))
        << "an update that matches nothing still succeeds";
    EXPECT_TRUE(store.UpdateConfigValue(9, "mac_mode", "1"));
    EXPECT_EQ(Rows("SELECT * FROM t_config_data ORDER BY config_id"), before);
    EXPECT_FALSE(store.GetConfigValue(1, "enable_matrixscreen", value));
}

TEST_F(ConfigTest, NumericReadsOfStoredTexts) {
    store.InsertDefaultConfig(1);
    const struct {
        const char* text;
        int expected;
    } cases[] = {
        {"42", 42},
        {"-7", -7},
        {"", 0},
        {"abc", 0},
        {"12ab", 12},
        {" 8", 8},
        {"99999999999", 2147483647},
        {"0x10", 0},
        {"中文", 0},
    };
    test::ForEachRow(cases, [&](const auto& c) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(store.UpdateConfigValue(1, "lightmode", c.text));
        EXPECT_EQ(store.GetConfigInt(1, "lightmode"), c.expected);
    });
    EXPECT_EQ(store.GetConfigInt(1, "no_such_key"), 0);
}

TEST_F(ConfigTest, FirstMatchingRowWins) {
    store.InsertDefaultConfig(1);
    store.InsertDefaultConfig(1);  // a caller that inserted twice
    EXPECT_TRUE(store.UpdateConfigValue(1, "game_mode", "1")) << "updates every copy";
    EXPECT_EQ(Rows("SELECT value FROM t_config_data WHERE key = 'game_mode'"),
              (Table{{"1"}, {"1"}}));
    EXPECT_EQ(store.GetConfigInt(1, "game_mode"), 1);
}

using ProfileQueryTest = StoreTest;

TEST_F(ProfileQueryTest, InsertCreatesMusicLayerAndCustomLightWithTheSameId) {
    const int id = store.InsertProfile(NamedProfile("Profile 1"));
    ASSERT_EQ(id, 1);
    EXPECT_EQ(Rows("SELECT * FROM t_profile_data"),
              (Table{{"1", "Profile 1", "0", "", "icon\\icon_profile.png", "", "0"}}));
    EXPECT_EQ(Rows("SELECT * FROM t_musiclayer_data"),
              (Table{{"1", "1", "Profile", "0", "4", "300", "0", "100", "100", "0"}}));
    EXPECT_EQ(Rows("SELECT * FROM t_customlight_data"),
              (Table{{"1", "1", "Profile", "15", "15", "NULL"}}));

    MusicLayerData layer;
    ASSERT_TRUE(store.GetMusicLayer(id, layer));
    EXPECT_EQ(layer.layer_id, id);
    EXPECT_EQ(layer.profile, id);
    EXPECT_EQ(layer.name, "Profile");
    EXPECT_EQ(layer.foremode, 4);
    EXPECT_EQ(layer.fore_amplitude, 300);
    EXPECT_EQ(layer.backb_right, 100);
    EXPECT_EQ(layer.light_right, 100);
}

TEST_F(ProfileQueryTest, IdsAreNeverReusedSoMusicLayerIdsStayEqual) {
    for (const char* name : {"A", "B", "C"}) {
        store.InsertProfile(NamedProfile(name));
    }
    ASSERT_TRUE(store.DeleteProfile(2));
    ASSERT_TRUE(store.DeleteProfile(3));  // the last row
    EXPECT_EQ(store.InsertProfile(NamedProfile("D")), 4);
    MusicLayerData layer;
    ASSERT_TRUE(store.GetMusicLayer(4, layer));
    EXPECT_EQ(layer.profile, 4);
    // Deleting a profile leaves its other rows in place.
    EXPECT_EQ(CountRows("t_musiclayer_data"), 4);
    EXPECT_EQ(CountRows("t_customlight_data"), 4);
}

TEST_F(ProfileQueryTest, ListRenameAndNamesRoundTripNonAsciiText) {
    const std::string chinese = "我的專屬配寘 游戏";
    const int a = store.InsertProfile(NamedProfile(chinese));
    const int b = store.InsertProfile(NamedProfile("Żółw 🐢"));
    std::vector<ProfileData> list(5);  // stale entries are dropped
    ASSERT_EQ(store.LoadProfiles(list), 2);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].profile, a);
    EXPECT_EQ(list[0].name, chinese);
    EXPECT_EQ(list[0].icon_image, "icon\\icon_profile.png");
    EXPECT_EQ(list[0].status, 0);
    EXPECT_EQ(list[0].type, 0);
    EXPECT_EQ(list[1].name, "Żółw 🐢");
    EXPECT_EQ(Rows("SELECT hex(name) FROM t_profile_data WHERE profile = 2"),
              (Table{{"C5BBC3B3C5827720F09F90A2"}}))
        << "stored as UTF-8";

    EXPECT_TRUE(store.RenameProfile(b, "新名字"));
    std::string name = "stale";
    EXPECT_TRUE(store.GetProfileName(b, name));
    EXPECT_EQ(name, "新名字");
    EXPECT_FALSE(store.GetProfileName(99, name));
    EXPECT_EQ(name, "");
    EXPECT_TRUE(store.RenameProfile(99, "nobody")) << "no row matched, still a success";
}

TEST_F(ProfileQueryTest, ExactlyOneActiveProfile) {
    EXPECT_EQ(store.GetActiveProfile(), 0) << "none yet";
    for (const char* name : {"A", "B", "C"}) {
        store.InsertProfile(NamedProfile(name));
    }
    EXPECT_EQ(store.GetActiveProfile(), 0) << "inserting activates nothing";
    ASSERT_TRUE(store.SetActiveProfile(1));
    ASSERT_TRUE(store.SetActiveProfile(3));
    EXPECT_EQ(Rows("SELECT profile, status FROM t_profile_data ORDER BY profile"),
              (Table{{"1", "0"}, {"2", "0"}, {"3", "1"}}));
    EXPECT_EQ(store.GetActiveProfile(), 3);

    ASSERT_TRUE(store.DeleteProfile(3));
    EXPECT_EQ(store.GetActiveProfile(), 0) << "the active profile is gone";
}

}  // namespace
}  // namespace zanvor::test
