#pragma once

#include <string>

namespace zanvor {

// All folder paths end with '/'.

// The folder holding config.xml: the executable's folder when config.xml is there (a build
// tree), else share/zanvor-hub/ beside the executable's bin folder when config.xml is there
// (an installed tree, wherever it was installed), otherwise <prefix>/share/zanvor-hub/.
std::string ApplicationFolder();
// Overrides the application folder (tests, or an explicit --app-folder).
void SetApplicationFolder(const std::string& folder);

// $XDG_CONFIG_HOME (default ~/.config), $XDG_DATA_HOME (default ~/.local/share),
// $XDG_STATE_HOME (default ~/.local/state), $XDG_RUNTIME_DIR (default /tmp/zanvor-hub-<uid>/, a
// folder only the user may use: see PrivateFolder). Without $HOME the
// home folder of the user's account is used; when there is none of the user's own (missing,
// or writable by everybody) the first three are empty: the user's data never goes to a shared
// folder such as /tmp.
std::string ConfigHome();
std::string DataHome();
std::string StateHome();
std::string RuntimeFolder();

// The per-user data folder: DataHome() + "<application name> Files/".
std::string DataFolder();

// False, with a one-line reason, when the user's folders are unknown (no home folder of the
// user's own and no XDG folders): the programs refuse to start then.
bool UserFoldersUsable(std::string& error);

// Makes sure `path` is a folder that only this user can reach: creates it (mode 0700) when
// missing; refuses, with a one-line reason, a folder that is a symbolic link, belongs to
// another user or is open to others (somebody else made it first, in a shared folder).
bool PrivateFolder(const std::string& path, std::string& error);

// Creates a folder and every missing folder above it. True when it exists afterwards.
bool CreateFolders(const std::string& path);

// Path of the running executable, or empty.
std::string ExecutablePath();

}  // namespace zanvor
