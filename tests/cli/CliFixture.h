#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "support/TestHome.h"

namespace zanvor::test {

// zanvorctl run as a user runs it: a separate process, virtual keyboards, an isolated home.
class CliTest : public IsolatedHomeTest {
  protected:
    struct Run {
        int status = -1;
        std::string out;
        std::string err;
    };

    // `environment`: assignments put before the command ("ZANVOR_SIM_FAULTS=refuse=1D ").
    Run Zanvorctl(const std::string& arguments, const std::string& environment = "") {
        const std::string errFile = home() + "stderr.txt";
        const std::string command = environment + "'" + StagedAppFolder() +
                                    "zanvorctl' --simulate " + arguments + " 2>'" + errFile + "'";
        Run run;
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) {
            return run;
        }
        char buffer[4096];
        size_t n = 0;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            run.out.append(buffer, n);
        }
        const int raw = pclose(pipe);
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.err = ReadFile(errFile);
        return run;
    }

    nlohmann::json Json(const std::string& arguments) {
        const Run run = Zanvorctl("--json " + arguments);
        EXPECT_EQ(run.status, 0) << arguments << ": " << run.err;
        return nlohmann::json::parse(run.out, nullptr, false);
    }
};

}  // namespace zanvor::test
