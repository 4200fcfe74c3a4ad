#pragma once

namespace zanvor {

// Diagnostic trace to stderr, printed only when the environment variable
// ZANVOR_HUB_TRACE is "1". Changes nothing else; there is no log file.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

bool TraceEnabled();

}  // namespace zanvor
