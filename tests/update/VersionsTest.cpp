#include <gtest/gtest.h>

#include "update/Versions.h"

namespace zanvor {
namespace {

TEST(VersionsTest, ComparesComponentByComponentAsNumbers) {
    const struct {
        const char* installed;
        const char* service;
        int expected;
    } cases[] = {
        {"1.0.1.0", "1.0.2.1", 1},   // newer on the service
        {"1.0.2.0", "1.0.10.0", 1},  // 10 > 2, not "1" < "2"
        {"1.0.10.0", "1.0.2.0", -1},
        {"1.0.2", "1.0.2.0", 0},  // a missing component counts as 0
        {"1.0.2.0", "1.0.2", 0},
        {"1.0.0", "0.9", -1},  // older, with fewer components
        {"1.0.0", "1.0.0.0", 0},
        {"1.0.0", "1.0.0.1", 1},
        {"1.0.0.1", "1.0", -1},
        {"1.0.3", "1.0.3", 0},
        {"1.0.03", "1.0.3", 0},
        {"1.2a.0", "1.2.0", 0},  // a component is read up to its first non-digit
        {"", "", 0},
        {"1.0", "", -1},
        {"1.99999999999999999999999", "1.99999999999999999999998", 0},  // saturates, no wrap
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CompareVersions(c.installed, c.service), c.expected)
            << c.installed << " vs " << c.service;
    }
}

TEST(VersionsTest, OnlyAShortTextOfDigitsAndDotsIsAVersionAnswer) {
    const struct {
        const char* answer;
        const char* version;  // nullptr: not a version
    } cases[] = {
        {"1.0.3", "1.0.3"},
        {"1.0.3\n", "1.0.3"},  // a version file with its line end
        {" \t1.0.3\r\n", "1.0.3"},
        {"1.0.2.0", "1.0.2.0"},
        {"1234567890", "1234567890"},  // ten characters is the limit
        {"12345678901", nullptr},
        {"", nullptr},
        {"\n", nullptr},
        {"<html>", nullptr},
        {"<b>1</b>", nullptr},
        {"1.0-beta", nullptr},
        {"../../x", nullptr},  // it names files: nothing but digits and dots
        {"1.0 3", nullptr},
        {"....", nullptr},  // dots without numbers are no version
        {".", nullptr},
        {"1..2", nullptr},
        {".1", nullptr},
        {"1.", nullptr},
        {"1.0.3.\n", nullptr},
        {"7", "7"},
    };
    for (const auto& c : cases) {
        const std::optional<std::string> parsed = ParseVersionAnswer(c.answer);
        if (c.version == nullptr) {
            EXPECT_FALSE(parsed) << '"' << c.answer << '"';
        } else {
            EXPECT_EQ(parsed.value_or("<none>"), c.version) << '"' << c.answer << '"';
        }
    }
}

}  // namespace
}  // namespace zanvor
