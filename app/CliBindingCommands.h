#pragma once

#include <string>

#include "app/CliSession.h"

namespace zanvor {

// zanvorctl commands on the programs a profile is bound to. Each returns a CliStatus and
// prints its result (JSON with --json) or a one-line reason on stderr.

// One profile: id, name, whether it is active, its programs.
int CmdProfileShow(CliSession& session, int id);
int CmdProfileBind(CliSession& session, int id, const std::string& program);
int CmdProfileUnbind(CliSession& session, int id, const std::string& program);

}  // namespace zanvor
