// zanvorctl as a user meets it: the usage without a command, --version, errors as one line on
// stderr, keyboards this user may not open, and --json documents that match the manual.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "CliFixture.h"
#include "app/CliReference.h"

namespace zanvor {
namespace {

class CliUsageTest : public test::CliTest {};

size_t LineCount(const std::string& text) {
    size_t lines = 0;
    for (char c : text) {
        lines += c == '\n' ? 1 : 0;
    }
    return lines;
}

TEST_F(CliUsageTest, WithoutACommandAShortUsageAndStatusTwo) {
    for (const char* arguments : {"", "--json", "--device 102"}) {
        SCOPED_TRACE(arguments);
        const Run run = Zanvorctl(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out.rfind("Usage: zanvorctl ", 0), 0u) << run.out;
        EXPECT_NE(run.out.find("devices, info, profile"), std::string::npos) << run.out;
        EXPECT_LE(LineCount(run.out), 4u) << "a short usage, not the whole help";
        EXPECT_EQ(run.err, "");
    }
    const Run version = Zanvorctl("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("zanvorctl ") + ZANVOR_VERSION + "\n");
}

TEST_F(CliUsageTest, EveryErrorIsOneLineOnStderrStartingWithTheProgramName) {
    const struct {
        const char* arguments;
        int status;
        const char* mentions;
    } cases[] = {
        {"nonsense", 2, "unknown command nonsense (commands: devices, info"},
        {"profile nonsense", 2, "unknown command profile nonsense (profile: list, add"},
        {"--bogus devices", 2, "--bogus"},
        {"profile", 2, "list, add, rename, delete, activate"},
        {"key set", 2, "KEY"},
        {"key list --layer two", 2, "--layer"},
        {"app autostart maybe", 2, "maybe"},
        {"profile rename 1", 2, "NAME"},
        {"key list --layer", 2, "--layer"},
        {"import /nonexistent.xml", 1, "/nonexistent.xml"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Run run = Zanvorctl(c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err.rfind("zanvorctl: ", 0), 0u) << run.err;
        EXPECT_EQ(LineCount(run.err), 1u) << run.err;
        EXPECT_NE(run.err.find(c.mentions), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(CliUsageTest, KeyboardsThisUserMayNotOpenAreNamedWithTheFix) {
    const std::string allDenied = "ZANVOR_SIM_FAULTS=denied ";
    const Run none = Zanvorctl("devices", allDenied);
    EXPECT_EQ(none.status, 3);
    EXPECT_EQ(none.out, "") << "not \"no keyboard found\"";
    EXPECT_EQ(none.err.rfind("zanvorctl: this user may not open the Zanvor keyboards", 0), 0u)
        << none.err;
    EXPECT_NE(none.err.find("70-zanvor-hub.rules"), std::string::npos);
    EXPECT_NE(none.err.find("/dev/hidraw"), std::string::npos);
    EXPECT_EQ(LineCount(none.err), 1u);

    const Run info = Zanvorctl("info", allDenied);
    EXPECT_EQ(info.status, 3);
    EXPECT_NE(info.err.find("no keyboard online; this user may not open"), std::string::npos)
        << info.err;
    EXPECT_EQ(LineCount(info.err), 1u);

    const std::string oneDenied = "ZANVOR_SIM_FAULTS=denied=102 ";
    const Run some = Zanvorctl("devices", oneDenied);
    EXPECT_EQ(some.status, 0) << "the other keyboards work";
    EXPECT_NE(some.out.find("Zanvor Nova 75"), std::string::npos);
    EXPECT_EQ(some.out.find("Zanvor Pulse TKL"), std::string::npos);
    EXPECT_NE(some.err.find("may not open the Zanvor keyboard plugged in"), std::string::npos)
        << some.err;

    const Run json = Zanvorctl("--json devices", oneDenied);
    const nlohmann::json document = nlohmann::json::parse(json.out, nullptr, false);
    ASSERT_EQ(document["unreachable"].size(), 1u) << json.out;
    EXPECT_EQ(document["unreachable"][0]["type"], 102);
    EXPECT_EQ(document["unreachable"][0]["name"], "Zanvor Pulse TKL");
    EXPECT_EQ(document["unreachable"][0]["connection"], "cable");
    EXPECT_EQ(document["devices"].size(), 3u);
}

// Field paths of a JSON document as the manual writes them ("keys[].usage"); `emptyArrays`
// receives the arrays that had no element, whose fields cannot show.
void CollectFields(const nlohmann::json& value, const std::string& path,
                   std::set<std::string>& fields, std::set<std::string>& emptyArrays) {
    if (value.is_object()) {
        for (const auto& [key, member] : value.items()) {
            const std::string memberPath = path.empty() ? key : path + "." + key;
            fields.insert(memberPath);
            CollectFields(member, memberPath, fields, emptyArrays);
        }
    } else if (value.is_array()) {
        if (value.empty()) {
            emptyArrays.insert(path);
        }
        for (const auto& element : value) {
            CollectFields(element, path + "[]", fields, emptyArrays);
        }
    }
}

// Every command's --json document has exactly the fields its reference (and so the manual)
// lists; a command listed without fields prints nothing.
TEST_F(CliUsageTest, JsonDocumentsHaveTheFieldsTheManualLists) {
    const std::string file = home() + "racing.xml";
    const std::string gif = home() + "intro.gif";
    const struct {
        const char* command;  // reference path
        std::string arguments;
    } runs[] = {
        {"devices", "devices"},
        {"info", "--device 101 info"},
        {"profile list", "profile list"},
        {"profile add", "profile add Racing"},
        {"profile rename", "profile rename 4 Fast"},
        {"profile activate", "profile activate 4"},
        {"profile delete", "--yes profile delete 4"},
        {"settings", "settings"},
        {"settings get", "settings get"},
        {"settings set", "settings set sleep_time 10"},
        {"key list", "key list --layer 2"},
        {"key set", "key set Esc media:101"},
        {"key reset", "key reset Esc"},
        {"knob list", "knob list"},
        {"knob set", "knob set 2 media:106"},
        {"export", "export 1 '" + file + "'"},
        {"import", "import '" + file + "'"},
        {"macro list", "macro list"},
        {"macro set", "macro set 1 down:LCtrl down:C up:C up:LCtrl"},
        {"macro show", "macro show 1"},
        {"macro rename", "macro rename 1 Copy"},
        {"macro delay", "macro delay 1 fixed:20"},
        {"macro delete", "macro delete 1"},
        {"macro add", "macro add Greeting"},
        {"light show", "light show"},
        {"light mode", "light mode main 2 --brightness 3"},
        {"light off", "light off"},
        {"light on", "light on"},
        {"light custom", "light custom 0 --all 000000 Esc=FF0000"},
        {"light custom-show", "light custom-show 0"},
        {"screen list", "--device 103 screen list"},
        {"screen export", "--device 103 screen export 1 '" + gif + "'"},
        {"screen import", "--device 103 screen import '" + gif + "'"},
        {"screen delete", "--device 103 screen delete 2"},
        {"reset", "--yes reset"},
        {"app language", "app language"},
        {"app autostart", "app autostart off"},
        {"app exit-mode", "app exit-mode"},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.arguments);
        const CliCommandReference* reference = FindCliReference(run.command);
        ASSERT_NE(reference, nullptr);
        const Run result = Zanvorctl("--json " + run.arguments);
        ASSERT_EQ(result.status, 0) << result.err;
        if (reference->json.empty()) {
            EXPECT_EQ(result.out, "");
            continue;
        }
        const nlohmann::json document = nlohmann::json::parse(result.out, nullptr, false);
        ASSERT_TRUE(document.is_object()) << result.out;
        std::set<std::string> fields;
        std::set<std::string> emptyArrays;
        CollectFields(document, "", fields, emptyArrays);
        std::set<std::string> documented;
        for (const CliJsonField& field : reference->json) {
            documented.insert(field.path);
            const size_t array = field.path.find("[]");
            const bool hidden =
                array != std::string::npos && emptyArrays.count(field.path.substr(0, array)) != 0;
            EXPECT_TRUE(hidden || fields.count(field.path) != 0)
                << field.path << " is documented but not printed";
        }
        for (const std::string& field : fields) {
            EXPECT_TRUE(documented.count(field) != 0) << field << " is printed but not documented";
        }
    }
}

}  // namespace
}  // namespace zanvor
