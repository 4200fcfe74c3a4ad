// Values on zanvorctl's command line that must be refused before anything runs.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/CliMain.h"
#include "app/CliManual.h"
#include "support/TestHome.h"

namespace zanvor {
namespace {

// A command line run in this process with sessions that only note that they were asked for.
struct Parsed {
    int status = -1;
    bool ranCommand = false;
    std::string err;
};
Parsed Parse(const std::vector<std::string>& arguments) {
    Parsed parsed;
    std::ostringstream captured;
    std::streambuf* original = std::cerr.rdbuf(captured.rdbuf());
    parsed.status = RunCommandLine(
        arguments, [&parsed](const CliOptions&, bool, const std::function<int(CliSession&)>&) {
            parsed.ranCommand = true;
            return 0;
        });
    std::cerr.rdbuf(original);
    parsed.err = captured.str();
    return parsed;
}

std::vector<std::string> Split(const std::string& path) {
    std::vector<std::string> words;
    std::istringstream in(path);
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

// One command line per value of every command of the grammar, that value given as `value`
// and every other positional value as "1".
struct ValueCase {
    std::vector<std::string> arguments;
    std::string option;
};
std::vector<ValueCase> EveryValueGiven(const std::string& value) {
    std::vector<ValueCase> cases;
    DescribeCommandLine([&](const CLI::App& cli) {
        std::vector<std::string> paths = CliCommandPaths(cli);
        paths.insert(paths.begin(), "");  // the global options
        for (const std::string& path : paths) {
            const CLI::App* command = &cli;
            for (const std::string& word : Split(path)) {
                command = command->get_subcommand(word);
            }
            std::vector<const CLI::Option*> positionals;
            std::vector<const CLI::Option*> named;
            for (const CLI::Option* option : command->get_options()) {
                if (option->get_items_expected_max() > 0) {
                    (option->get_positional() ? positionals : named).push_back(option);
                }
            }
            const std::vector<std::string> words = path.empty() ? Split("devices") : Split(path);
            for (const CLI::Option* target : positionals) {
                ValueCase c{words, target->get_name()};
                for (const CLI::Option* positional : positionals) {
                    c.arguments.push_back(positional == target ? value : "1");
                }
                cases.push_back(std::move(c));
            }
            for (const CLI::Option* target : named) {
                ValueCase c{{}, target->get_name()};
                // Global options stand before the command, a command's after it.
                if (!path.empty()) {
                    c.arguments = words;
                }
                c.arguments.push_back(target->get_name());
                c.arguments.push_back(value);
                if (path.empty()) {
                    c.arguments.insert(c.arguments.end(), words.begin(), words.end());
                }
                for (const CLI::Option* positional : positionals) {
                    if (positional->get_required()) {
                        c.arguments.push_back("1");
                    }
                }
                cases.push_back(std::move(c));
            }
        }
        return 0;
    });
    return cases;
}

class CliValueTest : public test::IsolatedHomeTest {
  protected:
    void SetUp() override {
        IsolatedHomeTest::SetUp();
        // The sound commands run without a session: with no sound server they end at once.
        const char* previous = std::getenv("PULSE_SERVER");
        hadPulse_ = previous != nullptr;
        pulse_ = hadPulse_ ? previous : "";
        setenv("PULSE_SERVER", "unix:/nonexistent/zanvor-no-sound-server", 1);
    }
    void TearDown() override {
        hadPulse_ ? void(setenv("PULSE_SERVER", pulse_.c_str(), 1))
                  : void(unsetenv("PULSE_SERVER"));
        IsolatedHomeTest::TearDown();
    }

  private:
    bool hadPulse_ = false;
    std::string pulse_;
};

// "" and blanks would be read as 0 or as "nothing named": `key reset ""` reset the whole layer,
// `knob set "" F` changed action 0. Every value of every command is a usage error when empty
// or blank, and nothing runs.
TEST_F(CliValueTest, EmptyOrBlankValuesAreUsageErrorsEverywhere) {
    for (const std::string blank : {"", "   ", "\t"}) {
        std::vector<ValueCase> cases = EveryValueGiven(blank);
        ASSERT_GE(cases.size(), 40u) << "every command's values";
        // Read before the grammar, by the same rule.
        cases.push_back({{"--simulate=" + blank, "devices"}, "--simulate"});
        for (const ValueCase& c : cases) {
            std::string line;
            for (const std::string& word : c.arguments) {
                line += "'" + word + "' ";
            }
            SCOPED_TRACE(line);
            const Parsed parsed = Parse(c.arguments);
            EXPECT_EQ(parsed.status, 2);
            EXPECT_FALSE(parsed.ranCommand);
            // One rule and one message, before any check of the option's own.
            EXPECT_NE(parsed.err.find(c.option + ": cannot be empty or only blanks"),
                      std::string::npos)
                << parsed.err;
        }
    }
}

}  // namespace
}  // namespace zanvor
