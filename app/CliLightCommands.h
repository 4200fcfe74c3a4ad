#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/CliSession.h"

namespace CLI {
class App;
}

namespace zanvor {

class DataStore;

// zanvorctl light: the light modes of the zones and the custom per-key colour sets of the
// selected keyboard and the current profile. Each returns a CliStatus.

// Arguments of `light mode`; empty texts are options not given.
struct LightModeArguments {
    std::string zone;
    std::string mode;
    std::string brightness;
    std::string speed;
    std::string colour;
    std::string colourful;
};

// Adds `light` and its subcommands to the command line; `withSession` runs a command in a
// keyboard session and the result lands in `status`.
void AddLightCommands(CLI::App& cli,
                      const std::function<int(std::function<int(CliSession&)>)>& withSession,
                      int& status);

int CmdLightShow(CliSession& session);
int CmdLightMode(CliSession& session, const LightModeArguments& arguments);
int CmdLightSwitch(CliSession& session, bool on, const std::string& zone);
// `all` empty or RRGGBB; each of `keys` is KEY=RRGGBB.
int CmdLightCustom(CliSession& session, int set, const std::string& all,
                   const std::vector<std::string>& keys);
int CmdLightCustomShow(CliSession& session, int set);

// A whole decimal number and nothing else.
bool ParseWholeNumber(const std::string& text, int& value);
// The mode of a zone a text names: its number, or its name in any installed language (ASCII
// letters match in either case); the main zone's custom sets only by number. -1 when none.
int FindLightMode(DataStore& store, int profile, int type, const std::string& text);

// Parsing shared with the tests: "RRGGBB" (or "#RRGGBB") as 0x00BBGGRR, and back.
bool ParseWebColour(const std::string& text, uint32_t& color);
std::string WebColour(uint32_t color);

}  // namespace zanvor
