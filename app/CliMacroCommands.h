#pragma once

#include <string>
#include <vector>

#include "app/CliSession.h"

namespace zanvor {

// zanvorctl macro commands. Each returns a CliStatus and prints its result (JSON with --json) or
// a one-line reason on stderr. Listing, showing, adding and renaming work from the database;
// commands that change what the keyboard holds need it online.

int CmdMacroList(CliSession& session);
int CmdMacroShow(CliSession& session, int id);
int CmdMacroAdd(CliSession& session, const std::string& name);
int CmdMacroRename(CliSession& session, int id, const std::string& name);
int CmdMacroDelete(CliSession& session, int id);
// Replaces every step of a macro (the grammar of keys/MacroStepText.h) and sends the macros.
int CmdMacroSet(CliSession& session, int id, const std::vector<std::string>& steps);
// none, measured or fixed:MS.
int CmdMacroDelay(CliSession& session, int id, const std::string& delay);

}  // namespace zanvor
