// Randomised simulation of a user and a faulty keyboard against a reference model. Each seed
// draws a keyboard state and a sequence of zanvorctl operations with faults between and inside
// them; a failing seed is shrunk to the shortest sequence that still fails and printed so it can
// be replayed (ZANVOR_SIM_SEED=<seed> ctest -R Simulation) and kept in the table below.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "Simulation.h"
#include "support/TestHome.h"

namespace zanvor::sim {
namespace {

// Seeds and operations per seed run by CI (about two minutes on the build machine; fewer under
// the sanitizers, which run several times slower).
#ifdef ZANVOR_SIM_SANITIZED
constexpr uint64_t kCiSeeds = 6;
#else
constexpr uint64_t kCiSeeds = 40;
#endif
constexpr size_t kOperations = 30;

class SimulationTest : public test::IsolatedHomeTest {
  protected:
    // Each run starts from a fresh home: a new database, no settings.
    std::optional<Failure> Run(const Scenario& scenario, RunStats* stats = nullptr) {
        IsolatedHomeTest::TearDown();
        IsolatedHomeTest::SetUp();
        return RunScenario(scenario, stats);
    }

    // Runs a seed; on failure shrinks it and reports the minimal sequence.
    void RunSeed(uint64_t seed, RunStats& stats) {
        const Scenario scenario = DrawScenario(seed, kOperations);
        const std::optional<Failure> failure = Run(scenario, &stats);
        if (!failure) {
            return;
        }
        const Scenario shortest =
            Shrink(scenario, *failure, [this](const Scenario& s) { return Run(s); });
        const std::optional<Failure> again = Run(shortest);
        ADD_FAILURE() << "simulation seed " << seed << " failed at operation " << failure->step + 1
                      << ": " << failure->message << "\nshortest failing sequence ("
                      << shortest.steps.size() << " operations):\n  " << ScenarioText(shortest)
                      << "\nwhich fails with: " << (again ? again->message : "(no failure)")
                      << "\nreplay: ZANVOR_SIM_SEED=" << seed << " ctest -R Simulation";
    }
};

TEST_F(SimulationTest, RandomSeeds) {
    uint64_t first = 1;
    uint64_t count = kCiSeeds;
    if (const char* seed = std::getenv("ZANVOR_SIM_SEED"); seed != nullptr && *seed != '\0') {
        first = std::strtoull(seed, nullptr, 10);
        count = 1;
    }
    if (const char* seeds = std::getenv("ZANVOR_SIM_SEEDS"); seeds != nullptr && *seeds != '\0') {
        count = std::strtoull(seeds, nullptr, 10);
    }
    RunStats stats;
    const auto started = std::chrono::steady_clock::now();
    for (uint64_t seed = first; seed < first + count; ++seed) {
        RunSeed(seed, stats);
    }
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started)
            .count();
    std::cout << "simulation: seeds " << first << ".." << first + count - 1 << ", "
              << stats.operations << " operations, " << stats.faults << " faults, " << seconds
              << " s\n";
}

// Every fault the simulation found, as the shortest sequence it shrank to.
struct Regression {
    const char* name;
    Scenario scenario;
};

const Regression kRegressions[] = {
    {"placeholder", {{-1, 1}, {}}},
};

TEST_F(SimulationTest, RegressionSequences) {
    for (const Regression& regression : kRegressions) {
        const std::optional<Failure> failure = Run(regression.scenario);
        EXPECT_FALSE(failure) << regression.name << ": " << failure->message;
    }
}

}  // namespace
}  // namespace zanvor::sim
