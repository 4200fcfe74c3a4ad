#pragma once

// A randomised, deterministic simulation of a user working with zanvorctl on a keyboard that
// fails now and then. A scenario (the keyboard's state before the program starts and a list of
// operations) runs against a fresh database and a fresh virtual keyboard; after every operation
// the keyboard, the database and the exit status are held against the reference model.

#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace zanvor::sim {

enum class Op : int {
    KeySet,           // a: layer, b: key, c: usage of the function, d: modifier choice
    KeyReset,         // a: layer, b: key
    LayerReset,       // a: layer
    ProfileAdd,       // a: name number
    ProfileActivate,  // a: profile (position in the list)
    ProfileDelete,    // a: profile (position in the list)
    ProfileRename,    // a: profile (position in the list), b: name number
    ExportImport,     // a: profile (position in the list)
    LightCustom,      // a: set, b: keys to paint, c: colour seed
    LightMode,        // a: built-in mode
    RefuseAt,         // a: the request of the next operation that the keyboard refuses
    DropAt,           // a: the request of the next operation whose answer is lost
    ReadRefused,      // a: command the keyboard refuses; it is unplugged and plugged in again
    Heal,             // every fault cleared, keyboard plugged in and read again
    Unplug,
    Replug,
    LinkDrop,     // the receiver loses its keyboard (cable: the cable is pulled) until healed
    SleepResume,  // the machine sleeps and wakes; b odd: the keyboard drops off the bus meanwhile
    DbRefused,    // a: the write of the next operation from which the disk refuses, b: full or I/O
};

struct Step {
    Op op = Op::KeySet;
    uint32_t a = 0;
    uint32_t b = 0;
    uint32_t c = 0;
    uint32_t d = 0;
};

// The keyboard as the user brings it: its custom sets hold colours of their own (set on
// another computer), and the main zone may show one of them.
struct Setup {
    int customMode = -1;  // the custom set the keyboard shows, -1 a built-in mode
    uint32_t colourSeed = 0;
    bool receiver = false;  // plugged in through its 2.4 GHz receiver instead of the cable
};

struct Scenario {
    Setup setup;
    std::vector<Step> steps;
};

struct Failure {
    size_t step = 0;   // index of the operation after which the check failed
    std::string kind;  // "keys", "colours", "status", "database", "keyboard"
    std::string message;
};

struct RunStats {
    size_t operations = 0;
    size_t faults = 0;
};

// Draws a scenario of `length` operations from the seed.
Scenario DrawScenario(uint64_t seed, size_t length);

// Runs the scenario; the first failed check, or nothing. The caller gives each run a fresh
// home (database and settings).
std::optional<Failure> RunScenario(const Scenario& scenario, RunStats* stats = nullptr);

// Drops operations while the run still fails with a failure of the same kind.
Scenario Shrink(const Scenario& scenario, const Failure& failure,
                const std::function<std::optional<Failure>(const Scenario&)>& run);

// The scenario as C++ text for the table of regression sequences.
std::string ScenarioText(const Scenario& scenario);
std::string StepText(const Step& step);

}  // namespace zanvor::sim
