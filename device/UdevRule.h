#pragma once

#include <string>

#include "device/DeviceCatalogue.h"

namespace zanvor {

// File name of the rule, as installed below lib/udev/rules.d/. It sorts before systemd's
// 73-seat-late.rules, which turns the uaccess tag into the seat user's access rights.
inline constexpr const char* kUdevRuleFileName = "70-zanvor-hub.rules";

// The udev rule that lets the user at the seat open the hidraw nodes of every keyboard of the
// catalogue (each vendor and product id of its connection entries, cable and receiver alike),
// so the program needs no root rights. One line per id pair, in catalogue order; an entry
// without both ids is left out. The rule grants access through the uaccess tag only: no world
// access mode and no group.
std::string UdevRuleText(const DeviceCatalogue& catalogue);

}  // namespace zanvor
