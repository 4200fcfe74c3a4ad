// zanvorctl's grammar, its reference (examples and --json fields), and what is made from
// them: every command's --help with its examples, the manual page and the bash completion.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/CliMain.h"
#include "app/CliManual.h"
#include "app/CliReference.h"
#include "support/Rows.h"
#include "support/TestHome.h"

namespace zanvor {
namespace {

std::vector<std::string> GrammarPaths() {
    std::vector<std::string> paths;
    DescribeCommandLine([&paths](const CLI::App& cli) {
        paths = CliCommandPaths(cli);
        return 0;
    });
    return paths;
}

// Words of a command line as a shell splits them (double quotes group).
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    bool any = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any) {
                words.push_back(word);
            }
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any) {
        words.push_back(word);
    }
    return words;
}

// Runs a command line in this process with sessions that do nothing, capturing stdout.
struct Parsed {
    int status = -1;
    bool ranCommand = false;
    std::string out;
};
Parsed Parse(const std::vector<std::string>& arguments) {
    Parsed parsed;
    std::ostringstream captured;
    std::streambuf* original = std::cout.rdbuf(captured.rdbuf());
    parsed.status = RunCommandLine(
        arguments,
        [&parsed](const CliOptions&, bool, const std::function<int(CliSession&)>&) {
            parsed.ranCommand = true;
            return 0;
        },
        [&parsed](const CliOptions&, const std::optional<std::string>&) {
            parsed.ranCommand = true;
            return 0;
        });
    std::cout.rdbuf(original);
    parsed.out = captured.str();
    return parsed;
}

std::vector<std::string> PathWords(const std::string& path) {
    return path.empty() ? std::vector<std::string>{} : Words(path);
}

TEST(CliReferenceTest, EveryCommandHasItsReferenceAndEveryReferenceItsCommand) {
    const std::vector<std::string> grammar = GrammarPaths();
    ASSERT_GE(grammar.size(), 20u);
    std::set<std::string> referenced;
    for (const CliCommandReference& entry : CliReference()) {
        EXPECT_TRUE(referenced.insert(entry.path).second) << "listed twice: " << entry.path;
        EXPECT_FALSE(entry.examples.empty()) << "no example for '" << entry.path << "'";
    }
    for (const std::string& path : grammar) {
        EXPECT_EQ(referenced.count(path), 1u)
            << "'" << path << "' has no entry in app/CliReference.cpp (examples, --json fields)";
        referenced.erase(path);
    }
    referenced.erase("");
    for (const std::string& stale : referenced) {
        ADD_FAILURE() << "app/CliReference.cpp lists '" << stale << "', which is no command";
    }
}

class CliExamplesTest : public test::IsolatedHomeTest {};

// Examples are command lines a user copies: each must parse as the command it belongs to.
// The audio commands run without a keyboard session; with no sound server to reach they end at
// once with a failure, which is not a usage error.
TEST_F(CliExamplesTest, EveryExampleIsAValidCommandLineOfItsCommand) {
    const char* previous = std::getenv("PULSE_SERVER");
    const std::string kept = previous != nullptr ? previous : "";
    setenv("PULSE_SERVER", "unix:/nonexistent/zanvor-no-sound-server", 1);
    for (const CliCommandReference& entry : CliReference()) {
        for (const std::string& example : entry.examples) {
            SCOPED_TRACE("zanvorctl " + example);
            const std::vector<std::string> words = Words(example);
            const Parsed parsed = Parse(words);
            EXPECT_NE(parsed.status, 2) << "a usage error";
            if (entry.path.rfind("audio", 0) != 0) {
                EXPECT_EQ(parsed.status, 0);
            }
            // The command's words appear in order, after the global options.
            size_t at = 0;
            for (const std::string& word : PathWords(entry.path)) {
                while (at < words.size() && words[at] != word) {
                    ++at;
                }
                EXPECT_LT(at, words.size()) << "not an example of '" << entry.path << "'";
            }
        }
    }
    if (previous != nullptr) {
        setenv("PULSE_SERVER", kept.c_str(), 1);
    } else {
        unsetenv("PULSE_SERVER");
    }
}

TEST_F(CliExamplesTest, EveryCommandsHelpShowsItsExamples) {
    std::vector<std::string> paths = GrammarPaths();
    paths.insert(paths.begin(), "");
    for (const std::string& path : paths) {
        SCOPED_TRACE("zanvorctl " + path + " --help");
        std::vector<std::string> arguments = PathWords(path);
        arguments.push_back("--help");
        const Parsed parsed = Parse(arguments);
        EXPECT_EQ(parsed.status, 0);
        EXPECT_FALSE(parsed.ranCommand);
        const CliCommandReference* entry = FindCliReference(path);
        ASSERT_NE(entry, nullptr);
        EXPECT_NE(parsed.out.find("Usage: zanvorctl" + (path.empty() ? "" : " " + path)),
                  std::string::npos)
            << parsed.out;
        EXPECT_NE(parsed.out.find("Example"), std::string::npos) << parsed.out;
        for (const std::string& example : entry->examples) {
            EXPECT_NE(parsed.out.find("zanvorctl " + example), std::string::npos) << parsed.out;
        }
        EXPECT_NE(parsed.out.find("Exit status:"), std::string::npos) << parsed.out;
    }
}

std::string ManualPage() {
    const std::string manTemplate =
        test::ReadFile(std::string(ZANVOR_SOURCE_DIR) + "/docs/zanvorctl.1.in");
    std::string page;
    DescribeCommandLine([&](const CLI::App& cli) {
        page = CliManualPage(cli, manTemplate, "9.8.7");
        return 0;
    });
    return page;
}

// Output of a shell command with stderr merged in, and its status.
std::pair<int, std::string> Shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return {-1, out};
    }
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, n);
    }
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(CliManualTest, ThePageListsEveryCommandWithItsJsonFieldsAndRendersCleanly) {
    const std::string page = ManualPage();
    for (const char* marker : {"@VERSION@", "@GLOBAL_OPTIONS@", "@COMMANDS@", "@JSON_OUTPUT@"}) {
        EXPECT_EQ(page.find(marker), std::string::npos) << marker << " was left unfilled";
    }
    EXPECT_NE(page.find("Zanvor HUB 9.8.7"), std::string::npos);
    for (const std::string& path : GrammarPaths()) {
        std::string heading = ".SS \"" + path + "\"";
        EXPECT_NE(page.find(heading), std::string::npos) << path;
    }
    for (const CliCommandReference& entry : CliReference()) {
        for (const CliJsonField& field : entry.json) {
            EXPECT_NE(page.find(".B " + field.path + "\n"), std::string::npos) << field.path;
        }
    }
    test::TempDir folder;
    test::WriteFile(folder.path() + "zanvorctl.1", page);
    // groff warns about anything it cannot lay out (bad requests, escapes, fonts).
    const auto [status, warnings] =
        Shell("groff -man -ww -z -Tutf8 '" + folder.path() + "zanvorctl.1'");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(warnings, "");
}

TEST(CliCompletionTest, BashCompletesCommandsOptionsValuesAndFiles) {
    std::string script;
    DescribeCommandLine([&script](const CLI::App& cli) {
        script = CliBashCompletion(cli, {101, 102});
        return 0;
    });
    test::TempDir folder;
    test::WriteFile(folder.path() + "completion.bash", script);
    test::WriteFile(folder.path() + "racing.xml", "<x/>");

    // What completing the last word of each line offers.
    struct Case {
        std::string line;
        std::vector<std::string> offered;
        std::vector<std::string> notOffered;
    };
    std::vector<Case> cases = {
        {"zanvorctl ", {"devices", "profile", "app", "--json", "--device", "--simulate"}, {}},
        {"zanvorctl pro", {"profile"}, {"devices"}},
        {"zanvorctl --device ", {"101", "102"}, {"devices"}},
        {"zanvorctl --device 102 --json pro", {"profile"}, {}},
        {"zanvorctl profile ", {"list", "add", "rename", "delete", "activate"}, {"devices"}},
        {"zanvorctl key list --layer ", {}, {"list", "--help"}},
        {"zanvorctl key set ", {"--layer", "--help"}, {"devices"}},
        {"zanvorctl app autostart ", {"on", "off", "--minimised"}, {}},
        {"zanvorctl app autostart on --minimised ", {"on", "off"}, {"--help"}},
        {"zanvorctl export 1 ra", {"racing.xml"}, {}},
        {"zanvorctl --hid-trace ra", {"racing.xml"}, {}},
    };
    // Every command is offered after its parent.
    for (const std::string& path : GrammarPaths()) {
        const size_t space = path.rfind(' ');
        const std::string parent = space == std::string::npos ? "" : path.substr(0, space) + " ";
        cases.push_back({"zanvorctl " + parent, {path.substr(space + 1)}, {}});
    }
    std::string driver =
        "source '" + folder.path() + "completion.bash'\ncd '" + folder.path() + "'\n";
    for (const Case& c : cases) {
        driver += "COMP_WORDS=(" + c.line + (c.line.back() == ' ' ? "''" : "") +
                  "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); COMPREPLY=(); _zanvorctl\n"
                  "echo \"[${COMPREPLY[*]}]\"\n";
    }
    test::WriteFile(folder.path() + "driver.bash", driver);
    const auto [status, out] = Shell("bash '" + folder.path() + "driver.bash'");
    ASSERT_EQ(status, 0) << out;
    std::istringstream lines(out);
    test::ForEachRow(cases, [&](const Case& c) {
        SCOPED_TRACE("'" + c.line + "'");
        std::string reply;
        ASSERT_TRUE(std::getline(lines, reply)) << out;
        ASSERT_TRUE(reply.size() >= 2 && reply.front() == '[' && reply.back() == ']') << reply;
        const std::vector<std::string> words = Words(reply.substr(1, reply.size() - 2));
        const std::set<std::string> offered(words.begin(), words.end());
        for (const std::string& word : c.offered) {
            EXPECT_EQ(offered.count(word), 1u) << word << " missing from " << reply;
        }
        for (const std::string& word : c.notOffered) {
            EXPECT_EQ(offered.count(word), 0u) << word << " offered in " << reply;
        }
    });
}

}  // namespace
}  // namespace zanvor
