#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/CliSession.h"

namespace CLI {
class App;
}

namespace zanvor {

// zanvorctl matrix: the matrix screen of the selected keyboard and the current profile: its
// mode and settings, its switch and its painted custom colours. Each returns a CliStatus.

// Arguments of `matrix mode`; empty texts are options not given.
struct MatrixModeArguments {
    std::string mode;
    std::string brightness;
    std::string speed;
    std::string colour;
    std::string colourful;
    std::string preset;
    std::string amplitude;
};

// Adds `matrix` and its subcommands to the command line; `withSession` runs a command in a
// keyboard session and the result lands in `status`.
void AddMatrixCommands(CLI::App& cli,
                       const std::function<int(std::function<int(CliSession&)>)>& withSession,
                       int& status);

int CmdMatrixShow(CliSession& session);
int CmdMatrixMode(CliSession& session, const MatrixModeArguments& arguments);
int CmdMatrixSwitch(CliSession& session, bool on);
// `all` empty or RRGGBB; each of `leds` is LED=RRGGBB with LED 0..48.
int CmdMatrixPaint(CliSession& session, const std::string& all,
                   const std::vector<std::string>& leds);

}  // namespace zanvor
