#pragma once

#include <string>

namespace zanvor {

// The application name read from config.xml. It names the settings file folder, the data
// folder, the single-instance lock and the main window. Thread-safe.
void SetApplicationName(const std::string& name);
std::string ApplicationName();

}  // namespace zanvor
