#pragma once

#include <string>

#include "app/CliSession.h"

namespace zanvor {

// zanvorctl commands on the selected keyboard and its profiles. Each returns a CliStatus and
// prints its result (JSON with --json) or a one-line reason on stderr.

int CmdInfo(CliSession& session);

int CmdProfileList(CliSession& session);
int CmdProfileAdd(CliSession& session, const std::string& name);
int CmdProfileRename(CliSession& session, int id, const std::string& name);
int CmdProfileDelete(CliSession& session, int id);
int CmdProfileActivate(CliSession& session, int id);

int CmdSettingsGet(CliSession& session, const std::string& key);
int CmdSettingsSet(CliSession& session, const std::string& key, const std::string& value);

int CmdReset(CliSession& session);

int CmdKeyList(CliSession& session, int layer);
int CmdKeySet(CliSession& session, int layer, const std::string& key, const std::string& function);
int CmdKeyReset(CliSession& session, int layer, const std::string& key);

int CmdKnobList(CliSession& session);
int CmdKnobSet(CliSession& session, int layer, int action, const std::string& function);

int CmdExport(CliSession& session, int profileId, const std::string& file);
int CmdImport(CliSession& session, const std::string& file);

}  // namespace zanvor
