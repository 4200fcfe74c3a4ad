// zanvorctl profile bind / unbind / show: the programs a profile switches for, as a script
// sees them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "CliFixture.h"

namespace zanvor {
namespace {

using nlohmann::json;
using test::CliTest;

json ProgramsOf(const json& list, int id) {
    for (const json& profile : list["profiles"]) {
        if (profile["id"] == id) {
            return profile["programs"];
        }
    }
    return nullptr;
}

TEST_F(CliTest, ProfilesAreBoundToProgramsOneProfilePerProgram) {
    ASSERT_EQ(Zanvorctl("profile bind 1 dota2").status, 0);
    const Run path = Zanvorctl("profile bind 1 '  /usr/games/factorio '");
    ASSERT_EQ(path.status, 0) << path.err;
    EXPECT_EQ(path.out, "");

    const struct {
        std::string arguments;
        int status;
        const char* error;
    } refused[] = {
        {"profile bind 2 DOTA2", 1, "zanvorctl: DOTA2 is already bound to profile 1 ("},
        {"profile unbind 2 dota2", 1, "zanvorctl: dota2 is not bound to profile 2 ("},
        {"profile bind 9 dota2", 2, "zanvorctl: no profile 9"},
        {"profile unbind 9 dota2", 2, "zanvorctl: no profile 9"},
        {"profile show 9", 2, "zanvorctl: no profile 9"},
        {"profile bind 2 '  '", 2, "zanvorctl: PROGRAM"},
        {"profile bind 2 \"$(printf 'a\\nb')\"", 2,
         "zanvorctl: PROGRAM is an executable's file name or a window class"},
        {"profile bind 2", 2, "zanvorctl: PROGRAM is required"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.arguments);
        const Run run = Zanvorctl(c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err.rfind(c.error, 0), 0u) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
    }

    const json list = Json("profile list");
    EXPECT_EQ(ProgramsOf(list, 1), json({"dota2", "factorio"})) << list;
    EXPECT_EQ(ProgramsOf(list, 2), json::array()) << "the refused binding left nothing";
    EXPECT_EQ(Json("profile show 1"), json({{"id", 1},
                                            {"name", list["profiles"][0]["name"]},
                                            {"active", true},
                                            {"programs", {"dota2", "factorio"}}}));
    const Run shown = Zanvorctl("profile show 1");
    EXPECT_NE(shown.out.find("dota2, factorio"), std::string::npos) << shown.out;
    EXPECT_NE(Zanvorctl("profile show 2").out.find("programs  -"), std::string::npos);

    // Unbinding frees the program for another profile.
    ASSERT_EQ(Zanvorctl("profile unbind 1 Dota2").status, 0);
    ASSERT_EQ(Zanvorctl("profile bind 2 dota2").status, 0);
    EXPECT_EQ(Json("profile show 1")["programs"], json({"factorio"}));
    EXPECT_EQ(Json("profile show 2")["programs"], json({"dota2"}));
}

// An exported and imported profile is a copy of the key assignments: it takes no program from
// the profile it came from, which keeps it.
TEST_F(CliTest, AnImportedProfileTakesNoProgramsFromTheExportedOne) {
    ASSERT_EQ(Zanvorctl("profile bind 1 dota2").status, 0);
    const std::string file = home() + "dota.xml";
    ASSERT_EQ(Zanvorctl("export 1 '" + file + "'").status, 0);
    const Run imported = Zanvorctl("--json import '" + file + "'");
    ASSERT_EQ(imported.status, 0) << imported.err;
    const int id = json::parse(imported.out)["id"];
    EXPECT_EQ(Json("profile show " + std::to_string(id))["programs"], json::array());
    EXPECT_EQ(Json("profile show 1")["programs"], json({"dota2"}));
}

}  // namespace
}  // namespace zanvor
