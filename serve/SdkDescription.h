#pragma once

// A keyboard as the lighting SDK protocol describes it to other programs: the keys as one
// matrix zone laid out like the layout file's key grid, each light bar as a linear zone, and
// the modes "Direct" (per-LED colours streamed live) followed by the main zone's built-in
// light modes with their ranges and parameters.

#include <functional>
#include <string>
#include <vector>

#include "device/KeyLayout.h"
#include "device/SessionState.h"
#include "serve/SdkController.h"
#include "store/Records.h"

namespace zanvor {

// Index of the "Direct" mode in every keyboard's mode list; the built-in modes follow it.
inline constexpr size_t kSdkDirectMode = 0;
// Mode value of "Direct" (the keyboard's own modes are 0..20).
inline constexpr int32_t kSdkDirectModeValue = 0x100;

// What the hub knows of one keyboard.
struct KeyboardFacts {
    std::string modelName;
    int deviceType = 0;
    int connectionMode = 0;  // cable, receiver, direct
    DeviceInfo info;
    KeyLayout layout;
    // The main zone's light rows of the current profile (any order; custom sets are skipped).
    std::vector<LightData> mainRows;
    int activeMainMode = -1;  // the keyboard's mode of the main zone; -1 when unknown
    bool lightingEnabled = true;
    // The text of a language string id (mode names).
    std::function<std::string(int)> text;
};

SdkController DescribeKeyboard(const KeyboardFacts& facts);

// The keyboard's own mode number behind a mode of the description; -1 for "Direct" or an index
// that does not exist.
int KeyboardModeOf(const SdkController& controller, size_t modeIndex);

}  // namespace zanvor
