#include "keys/MacroStepText.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>

#include "keys/KeyCodes.h"
#include "keys/KeyEvents.h"
#include "keys/MacroSteps.h"

namespace zanvor {

const char* const kMacroStepForms =
    "down:KEY[@MS], up:KEY[@MS], mouse-down:BUTTON[@MS], mouse-up:BUTTON[@MS], pause:MS[@MS] "
    "or scroll:up|down[@MS]";

namespace {

constexpr int kLastVirtualKey = 0xFF;
constexpr long kSaturated = 1000000000L;  // numbers stop growing here: beyond every limit

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// Key names to virtual keys: the names a recording gives, then those of the key test, then the
// key captions, then the left/right modifier names; the first owner of a name keeps it.
const std::map<std::string, int>& KeyNames() {
    static const std::map<std::string, int> names = [] {
        std::map<std::string, int> map;
        const auto add = [&map](const std::string& name, int virtualKey) {
            if (!name.empty() && virtualKey > 0) {
                map.emplace(Lower(name), virtualKey);
            }
        };
        for (KeyEventPurpose purpose : {KeyEventPurpose::Recording, KeyEventPurpose::KeyTest}) {
            for (int vk = 1; vk <= kLastVirtualKey; ++vk) {
                const KeyEventInfo key = KeyEventName(kMessageKeyDown, vk, 0, 0, purpose);
                add(key.name, key.virtualKey);
            }
        }
        for (int vk = 1; vk <= kLastVirtualKey; ++vk) {
            const KeyEventInfo key =
                KeyEventName(kMessageKeyDown, vk, 0, 0, KeyEventPurpose::Recording);
            add(UsageName(VirtualKeyToUsage(vk)), key.virtualKey);
        }
        const std::pair<const char*, int> sides[] = {
            {"LCtrl", 0xA2}, {"RCtrl", 0xA3}, {"LShift", 0xA0}, {"RShift", 0xA1},
            {"LAlt", 0xA4},  {"RAlt", 0xA5},  {"LWin", 0x5B},   {"RWin", 0x5C}};
        for (const auto& [name, vk] : sides) {
            add(name, vk);
        }
        return map;
    }();
    return names;
}

bool ParseNumber(std::string_view text, long& value) {
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos == text.size()) {
        return false;
    }
    value = 0;
    for (; pos < text.size(); ++pos) {
        if (!std::isdigit(static_cast<unsigned char>(text[pos]))) {
            return false;
        }
        value = std::min(value * 10 + (text[pos] - '0'), kSaturated);
    }
    value = negative ? -value : value;
    return true;
}

// "0x41" and the like as a number: false when it is no hex number. Values beyond the
// virtual keys come back as they are (saturated), for the caller to refuse with the range.
bool ParseHex(std::string_view text, long& value) {
    if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) {
        return false;
    }
    value = 0;
    for (size_t i = 2; i < text.size(); ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) {
            return false;
        }
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
        value = std::min(value * 16 + (c <= '9' ? c - '0' : c - 'a' + 10), kSaturated);
    }
    return true;
}

std::string Hex(int value) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

struct ButtonName {
    const char* word;
    int bit;  // 0: a wheel half
    const char* wheel;
};
constexpr ButtonName kButtons[] = {
    {"left", kMouseLeft, nullptr},       {"right", kMouseRight, nullptr},
    {"middle", kMouseMiddle, nullptr},   {"back", kMouseBack, nullptr},
    {"forward", kMouseForward, nullptr}, {"wheel-up", 0, kScrollUpName},
    {"wheel-down", 0, kScrollDownName},
};

MacroRecordData MakeStep(int type, int value, int delay, const std::string& desc) {
    MacroRecordData step;
    step.type = type;
    step.value = value;
    step.delay_time = delay;
    step.desc = desc;
    return step;
}

// The virtual key of KEY: a name or a hex code of a virtual key (0x01-0xFF). 0 with the
// reason when it is neither.
int ParseStepKey(std::string_view text, std::string& reason) {
    long code = 0;
    if (ParseHex(text, code)) {
        if (code < 1 || code > kLastVirtualKey) {
            reason = "a key code is 0x01 to 0xFF";
            return 0;
        }
        return static_cast<int>(code);
    }
    const int vk = ParseMacroKey(text);
    if (vk == 0) {
        reason = "unknown key";
    }
    return vk;
}

// A number of milliseconds within [low, high]; false with the reason when it is no number or
// outside. Nothing is brought inside the limits silently: the user would store another value
// than the one typed.
bool ParseMilliseconds(std::string_view text, int low, int high, const char* what, int& out,
                       std::string& reason) {
    long value = 0;
    if (!ParseNumber(text, value)) {
        reason = std::string(what) + " is a number of milliseconds";
        return false;
    }
    if (value < low || value > high) {
        reason = std::string(what) + " is " + std::to_string(low) + " to " + std::to_string(high) +
                 " ms";
        return false;
    }
    out = static_cast<int>(value);
    return true;
}

// One word into one or two steps; false with the reason when it is not a step.
bool ParseWord(const std::string& word, std::vector<MacroRecordData>& out, std::string& reason) {
    const size_t colon = word.find(':');
    if (colon == std::string::npos) {
        reason = "not a step";
        return false;
    }
    const std::string kind = Lower(std::string_view(word).substr(0, colon));
    std::string_view argument = std::string_view(word).substr(colon + 1);
    // A pause is a wait of its own: without a delay given it gets none, so it waits exactly
    // as long as typed (the macro page makes pauses the same way).
    int delay = kind == "pause" ? 0 : kDefaultStepDelay;
    if (const size_t at = argument.find('@'); at != std::string_view::npos) {
        if (!ParseMilliseconds(argument.substr(at + 1), 0, kMaxStepDelay, "the delay after a step",
                               delay, reason)) {
            return false;
        }
        argument = argument.substr(0, at);
    }
    if (kind == "down" || kind == "up") {
        const int vk = ParseStepKey(argument, reason);
        if (vk == 0) {
            return false;
        }
        const int type = kind == "down" ? kStepKeyDown : kStepKeyUp;
        std::string name = KeyEventName(kMessageKeyDown, vk, 0, 0, KeyEventPurpose::Recording).name;
        out.push_back(MakeStep(type, vk, delay, StepText(type, name.empty() ? Hex(vk) : name)));
        return true;
    }
    if (kind == "mouse-down" || kind == "mouse-up") {
        const int type = kind == "mouse-down" ? kStepMouseDown : kStepMouseUp;
        const std::string button = Lower(argument);
        for (const ButtonName& entry : kButtons) {
            if (button == entry.word) {
                const std::string name =
                    entry.wheel != nullptr ? entry.wheel : MouseButtonName(entry.bit);
                out.push_back(MakeStep(type, entry.bit, delay, StepText(type, name)));
                return true;
            }
        }
        reason = "a button is left, right, middle, back, forward, wheel-up or wheel-down";
        return false;
    }
    if (kind == "pause") {
        int pause = 0;
        if (!ParseMilliseconds(argument, kMinPause, kMaxPause, "a pause", pause, reason)) {
            return false;
        }
        out.push_back(MakeStep(kStepPause, pause, delay, PauseText(pause)));
        return true;
    }
    if (kind == "scroll") {
        const std::string direction = Lower(argument);
        if (direction != "up" && direction != "down") {
            reason = "a scroll is up or down";
            return false;
        }
        const std::string name = direction == "up" ? kScrollUpName : kScrollDownName;
        out.push_back(MakeStep(kStepMouseDown, 0, 0, StepText(kStepMouseDown, name)));
        out.push_back(MakeStep(kStepMouseUp, 0, delay, StepText(kStepMouseUp, name)));
        return true;
    }
    reason = "not a step";
    return false;
}

// The wheel direction of a mouse step's text ("up", "down"), empty for other steps.
std::string WheelOf(const MacroRecordData& step) {
    if (!IsMouseStep(step.type)) {
        return {};
    }
    if (step.desc.find(kScrollUpName) != std::string::npos) {
        return "up";
    }
    if (step.desc.find(kScrollDownName) != std::string::npos) {
        return "down";
    }
    return {};
}

// A key as KEY: a name without blanks that reads back as the same key, else its hex code.
std::string KeyWord(const MacroRecordData& step) {
    const int vk = step.value;
    const std::string candidates[] = {
        UsageName(VirtualKeyToUsage(vk)), StepName(step.desc),
        KeyEventName(kMessageKeyDown, vk, 0, 0, KeyEventPurpose::Recording).name};
    for (const std::string& name : candidates) {
        if (!name.empty() && name.find(' ') == std::string::npos && ParseMacroKey(name) == vk) {
            return name;
        }
    }
    return Hex(vk);
}

std::string ButtonWord(const MacroRecordData& step) {
    if (const std::string wheel = WheelOf(step); !wheel.empty()) {
        return "wheel-" + wheel;
    }
    for (const ButtonName& entry : kButtons) {
        if (entry.bit != 0 && entry.bit == step.value) {
            return entry.word;
        }
    }
    return Hex(step.value);
}

}  // namespace

int ParseMacroKey(std::string_view text) {
    if (long code = 0; ParseHex(text, code)) {
        return code >= 1 && code <= kLastVirtualKey ? static_cast<int>(code) : 0;
    }
    const auto& names = KeyNames();
    const auto it = names.find(Lower(text));
    return it != names.end() ? it->second : 0;
}

bool ParseMacroSteps(const std::vector<std::string>& words, std::vector<MacroRecordData>& steps,
                     std::string& badWord, std::string& reason) {
    std::vector<MacroRecordData> parsed;
    for (const std::string& word : words) {
        if (!ParseWord(word, parsed, reason)) {
            badWord = word;
            return false;
        }
    }
    steps = std::move(parsed);
    return true;
}

std::vector<std::string> FormatMacroSteps(const std::vector<MacroRecordData>& steps) {
    std::vector<std::string> words;
    for (size_t i = 0; i < steps.size(); ++i) {
        const MacroRecordData& step = steps[i];
        const std::string delay = "@" + std::to_string(step.delay_time);
        const std::string wheel = WheelOf(step);
        if (!wheel.empty() && step.type == kStepMouseDown && step.delay_time == 0 &&
            i + 1 < steps.size() && steps[i + 1].type == kStepMouseUp &&
            WheelOf(steps[i + 1]) == wheel) {
            words.push_back("scroll:" + wheel + "@" + std::to_string(steps[i + 1].delay_time));
            ++i;
            continue;
        }
        switch (step.type) {
            case kStepKeyDown:
                words.push_back("down:" + KeyWord(step) + delay);
                break;
            case kStepKeyUp:
                words.push_back("up:" + KeyWord(step) + delay);
                break;
            case kStepMouseDown:
                words.push_back("mouse-down:" + ButtonWord(step) + delay);
                break;
            case kStepMouseUp:
                words.push_back("mouse-up:" + ButtonWord(step) + delay);
                break;
            case kStepPause:
                words.push_back("pause:" + std::to_string(step.value) + delay);
                break;
            default:
                words.push_back("unknown:" + std::to_string(step.type) + ":" +
                                std::to_string(step.value) + delay);
                break;
        }
    }
    return words;
}

}  // namespace zanvor
