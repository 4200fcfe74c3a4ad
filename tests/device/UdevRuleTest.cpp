// The udev rule that gives the user at the seat access to the keyboards: made from the
// catalogue, it covers every catalogued id pair and nothing else, and grants access through
// the uaccess tag only.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <utility>

#include "device/DeviceCatalogue.h"
#include "device/UdevRule.h"

namespace zanvor {
namespace {

using IdPairs = std::set<std::pair<int, int>>;

// The id pairs of the rule's lines; every line that is neither blank nor a comment must be a
// rule of exactly the expected form (so no MODE, no GROUP such as plugdev, no other match).
IdPairs RuleIds(const std::string& rule) {
    static const std::regex line(
        R"re(SUBSYSTEM=="hidraw", KERNELS=="\*:([0-9A-F]{4}):([0-9A-F]{4})\.\*", TAG\+="uaccess")re");
    IdPairs ids;
    std::istringstream lines(rule);
    std::string text;
    while (std::getline(lines, text)) {
        if (text.empty() || text[0] == '#') {
            continue;
        }
        std::smatch match;
        EXPECT_TRUE(std::regex_match(text, match, line)) << "not a rule line: " << text;
        if (!match.empty()) {
            ids.insert({std::stoi(match[1], nullptr, 16), std::stoi(match[2], nullptr, 16)});
        }
    }
    return ids;
}

IdPairs CatalogueIds(const DeviceCatalogue& catalogue) {
    IdPairs ids;
    for (const ConnectionEntry& connection : catalogue.connections) {
        ids.insert({connection.vendorId, connection.productId});
    }
    return ids;
}

TEST(UdevRuleTest, TheInstalledCatalogueIsCoveredExactly) {
    DeviceCatalogue catalogue;
    ASSERT_TRUE(ReadCatalogueFile(std::string(ZANVOR_SOURCE_DIR) + "/data/", catalogue));
    const IdPairs expected = CatalogueIds(catalogue);
    ASSERT_GE(expected.size(), 5u) << "cable and receiver entries of every model";
    EXPECT_EQ(RuleIds(UdevRuleText(catalogue)), expected);
}

TEST(UdevRuleTest, FollowsWhatTheCatalogueLists) {
    const auto Catalogue = [](const std::string& modes) {
        DeviceCatalogue catalogue;
        EXPECT_TRUE(ParseCatalogue(
            "<config><device.info><keyboard name=\"Zanvor Test\" device_type=\"170\">" + modes +
                "</keyboard></device.info></config>",
            "/app/", catalogue));
        return catalogue;
    };
    const struct {
        const char* what;
        std::string modes;
        IdPairs ids;
    } cases[] = {
        {"a new model's cable and receiver",
         R"(<mode value="0" vid="36B0" pid="3040"/><mode value="1" vid="36b0" pid="0x3041"/>)",
         {{0x36B0, 0x3040}, {0x36B0, 0x3041}}},
        {"an id pair listed twice (two product names) gives one line",
         R"(<mode value="0" vid="1A2B" pid="0C0D" product_name="A"/>)"
         R"(<mode value="2" vid="1A2B" pid="0C0D" product_name="B"/>)",
         {{0x1A2B, 0x0C0D}}},
        {"an entry without both ids is left out",
         R"(<mode value="0" vid="36B0" pid=""/><mode value="0" vid="" pid="3050"/>)",
         {}},
        {"an id beyond 16 bits matches no device and is left out",
         R"(<mode value="0" vid="136B0" pid="3060"/>)",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string rule = UdevRuleText(Catalogue(c.modes));
        EXPECT_EQ(RuleIds(rule), c.ids) << rule;
    }
}

TEST(UdevRuleTest, AModelNameCannotAddRuleLines) {
    DeviceCatalogue catalogue;
    catalogue.keyboards.push_back({"Evil\nKERNEL==\"*\", MODE=\"0666\"", 170, "", "", ""});
    ConnectionEntry connection;
    connection.deviceType = 170;
    connection.vendorId = 0x36B0;
    connection.productId = 0x3070;
    catalogue.connections.push_back(connection);
    EXPECT_EQ(RuleIds(UdevRuleText(catalogue)), (IdPairs{{0x36B0, 0x3070}}));
}

}  // namespace
}  // namespace zanvor
