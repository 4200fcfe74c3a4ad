#pragma once

#include <string>

#include "app/CliSession.h"

namespace zanvor {

// zanvorctl screen ...: the screen animation library of the selected keyboard model. The
// library is the program's own, so these work without a keyboard online; a model without a
// screen has no library. Each returns a CliStatus.

int CmdScreenList(CliSession& session);
int CmdScreenImport(CliSession& session, const std::string& file);
int CmdScreenExport(CliSession& session, int id, const std::string& file);
int CmdScreenDelete(CliSession& session, int id);

}  // namespace zanvor
