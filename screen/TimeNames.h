#pragma once

#include <string>

namespace zanvor {

// Animation folders and frames added later are named after the local time they were made,
// "YYYYMMDDhhmmssmmm" (17 digits, milliseconds last).

// The local time now as a 17-digit name.
std::string LocalTimeName();
// A 17-digit name later than every name this process handed out before: when the clock has
// not moved on, it waits a millisecond and reads it again, so two names never clash.
std::string NewTimeName();
// True for exactly 17 decimal digits.
bool IsTimeName(const std::string& name);

}  // namespace zanvor
