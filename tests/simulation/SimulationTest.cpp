// Randomised simulation of a user and a faulty keyboard against a reference model. Each seed
// draws a keyboard state and a sequence of zanvorctl operations with faults between and inside
// them; a failing seed is shrunk to the shortest sequence that still fails and printed so it can
// be replayed (ZANVOR_SIM_SEED=<seed> ctest -R Simulation) and kept in the table below.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ostream>
#include <string>

#include "Simulation.h"
#include "support/TestHome.h"

namespace zanvor::sim {
namespace {

// Seeds run by CI, in blocks that ctest runs side by side (about two minutes of work on the
// build machine; fewer under the sanitizers, which run several times slower).
constexpr int kSeedBlocks = 4;
#ifdef ZANVOR_SIM_SANITIZED
constexpr uint64_t kSeedsPerBlock = 2;
#else
constexpr uint64_t kSeedsPerBlock = 10;
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
        // Shrinking reruns the scenario many times: only the first few failures of a run are
        // shrunk, the others are listed with their seed to replay.
        if (++failures_ > kShrunkFailures) {
            ADD_FAILURE() << "simulation seed " << seed << " failed at operation "
                          << failure->step + 1 << ": " << failure->message
                          << "\nreplay: ZANVOR_SIM_SEED=" << seed << " ctest -R Simulation";
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

    static constexpr int kShrunkFailures = 1;
    int failures_ = 0;
};

class SimulationSeedsTest : public SimulationTest, public ::testing::WithParamInterface<int> {};

// Block n runs its share of the CI seeds; ZANVOR_SIM_SEED (one seed, or the first of
// ZANVOR_SIM_SEEDS) replays or explores instead, in block 0 only.
TEST_P(SimulationSeedsTest, RandomSeeds) {
    uint64_t first = 1 + static_cast<uint64_t>(GetParam()) * kSeedsPerBlock;
    uint64_t count = kSeedsPerBlock;
    const char* seed = std::getenv("ZANVOR_SIM_SEED");
    const char* seeds = std::getenv("ZANVOR_SIM_SEEDS");
    const bool chosen = (seed != nullptr && *seed != '\0') || (seeds != nullptr && *seeds != '\0');
    if (chosen) {
        if (GetParam() != 0) {
            return;
        }
        first = seed != nullptr && *seed != '\0' ? std::strtoull(seed, nullptr, 10) : 1;
        count = seeds != nullptr && *seeds != '\0' ? std::strtoull(seeds, nullptr, 10) : 1;
    }
    RunStats stats;
    const auto started = std::chrono::steady_clock::now();
    for (uint64_t s = first; s < first + count; ++s) {
        RunSeed(s, stats);
    }
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started)
            .count();
    std::cout << "simulation: seeds " << first << ".." << first + count - 1 << ", "
              << stats.operations << " operations, " << stats.faults << " faults, " << seconds
              << " s\n";
}

INSTANTIATE_TEST_SUITE_P(Block, SimulationSeedsTest, ::testing::Range(0, kSeedBlocks));

// Every fault the simulation found, as the shortest sequence it shrank to: the keyboard as the
// user brought it ({custom set shown or -1, seed of its own colours[, through the receiver]})
// and the operations.
struct Regression {
    const char* name;
    Scenario scenario;
};

const Regression kRegressions[] = {
    // A new profile wrote the Fn key as the plain key 10 00 F0 instead of its factory 50 02 00.
    {"NewProfileKeepsTheFnKey", {{-1, 4282876139}, {{Op::ProfileAdd, 565, 659, 289, 370}}}},
    // Switching to a profile that shows a custom set it has no colours stored for wrote the set
    // black over the colours the keyboard had of its own.
    {"ProfileSwitchKeepsTheKeyboardsOwnColours",
     {{3, 303761048},
      {{Op::ProfileActivate, 514, 91, 825, 689}, {Op::ProfileActivate, 48, 216, 439, 117}}}},
    // The same through a reconnect: a profile imported while the keyboard was away took the
    // keyboard's custom mode at the read, and sending it blanked the set.
    {"ProfileSentAtReconnectKeepsTheKeyboardsOwnColours",
     {{-1, 326463763},
      {{Op::LightCustom, 675, 47, 909, 537},
       {Op::Unplug, 627, 795, 704, 861},
       {Op::ExportImport, 744, 722, 368, 141}}}},
    // A custom set painted while the connection read stopped part-way (a factory table refused)
    // reported success.
    {"LightWriteWaitsForTheCompleteRead",
     {{1, 3868139694},
      {{Op::ReadRefused, 669, 316, 310, 466}, {Op::LightCustom, 292, 647, 982, 14}}}},
    // An imported profile had no rows for keys on layers 2-4 whose entries the file left at the
    // factory function, so those keys could neither be given a function nor be reset.
    {"ImportedProfileKeysTakeFunctionsOnEveryLayer",
     {{1, 3811404250}, {{Op::ExportImport, 167, 754, 240, 990}, {Op::KeySet, 26, 402, 347, 3}}}},
    {"ImportedProfileKeysCanBeReset",
     {{1, 2608511152},
      {{Op::ExportImport, 475, 789, 696, 733}, {Op::KeyReset, 597, 665, 316, 555}}}},
    // A profile switch refused while the read was incomplete (the LED positions refused), then
    // repeated: the second switch reported success and sent nothing, since the profile was
    // already marked active; the keyboard kept the previous profile's keys (Ctrl+I on layer 2).
    {"ProfileSwitchAfterAnIncompleteReadKeepsItsOwnKeys",
     {{2, 529109724},
      {{Op::ProfileAdd, 745, 168, 119, 778},
       {Op::KeySet, 53, 887, 632, 569},
       {Op::ProfileDelete, 969, 412, 838, 617},
       {Op::ReadRefused, 416, 791, 516, 52},
       {Op::ProfileActivate, 643, 804, 969, 862},
       {Op::ProfileActivate, 877, 550, 545, 577}}}},
    // The model's own error, kept as a guard: activating the profile already active sends
    // nothing, so that profile takes the keyboard's colours only when it is next sent, after
    // another profile painted the set.
    {"ActivatingTheActiveProfileAgainAdoptsNoColours",
     {{4, 208566023},
      {{Op::ProfileActivate, 372, 855, 855, 670},
       {Op::ProfileAdd, 460, 68, 840, 624},
       {Op::LightCustom, 659, 256, 707, 768},
       {Op::ProfileActivate, 640, 779, 119, 711}}}},
    // The model's own error: a profile added while the keyboard was away takes, when it is
    // sent at the reconnect, the custom set the keyboard shows, and that set's colours.
    {"ProfileSentAtReconnectTakesTheShownSetsColours",
     {{1, 3654318211},
      {{Op::ProfileAdd, 103, 558, 916, 972},
       {Op::ProfileActivate, 48, 274, 33, 34},
       {Op::Unplug, 808, 969, 772, 465},
       {Op::ExportImport, 530, 251, 363, 181},
       {Op::ProfileAdd, 958, 958, 527, 780},
       {Op::Heal, 915, 673, 448, 409},
       {Op::ProfileDelete, 876, 632, 209, 872},
       {Op::ProfileActivate, 321, 222, 772, 136},
       {Op::LightCustom, 811, 623, 408, 378},
       {Op::ProfileDelete, 471, 851, 586, 942},
       {Op::ProfileActivate, 507, 136, 320, 733}}}},
};

// Test names show the regression's name, not the bytes of the scenario.
void PrintTo(const Regression& regression, std::ostream* out) {
    *out << regression.name;
}

class SimulationRegressionTest : public SimulationTest,
                                 public ::testing::WithParamInterface<Regression> {};

TEST_P(SimulationRegressionTest, ShortestSequenceHoldsTheModel) {
    const std::optional<Failure> failure = Run(GetParam().scenario);
    EXPECT_FALSE(failure) << GetParam().name << ": " << failure->message << "\n  "
                          << ScenarioText(GetParam().scenario);
}

INSTANTIATE_TEST_SUITE_P(Found, SimulationRegressionTest, ::testing::ValuesIn(kRegressions),
                         [](const ::testing::TestParamInfo<Regression>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace zanvor::sim
