#pragma once

#include <memory>
#include <string>

#include "platform/HidBackend.h"

namespace zanvor {

// A backend that passes everything to `inner` and appends every report to a text file (kept
// across runs: new lines go at its end), one
// line per report:
//   2024-05-01T12:34:56.789 OUT /dev/hidraw3 00 AA 10 00 00 00 ...
//   2024-05-01T12:34:56.791 IN /dev/hidraw3 AA 10 00 00 00 00 00 55 ...
// OUT lines hold the bytes written (report ID first), IN lines the bytes read; failed writes
// and empty reads are not listed. Null (with `error` set) when the file cannot be opened.
std::shared_ptr<HidBackend> MakeHidTraceBackend(std::shared_ptr<HidBackend> inner,
                                                const std::string& file,
                                                std::string* error = nullptr);

// True when a line could not be written to a trace file (a full disk) since the program
// started: the trace is incomplete.
bool HidTraceWriteFailed();

}  // namespace zanvor
