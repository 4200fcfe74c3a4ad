#include "platform/Registry.h"

#include <climits>
#include <cstdio>

#include "platform/SettingsStore.h"

namespace zanvor {

int ParseSettingInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    return value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

int ReadRegistryInt(const std::string& name) {
    return ParseSettingInt(ReadRegistryText(name));
}

std::string ReadRegistryText(const std::string& name) {
    std::string value;
    bool found = false;
    const SettingsOpen state = ReadSetting(name, true, value, found);
    return state == SettingsOpen::kOpened && found ? value : std::string();
}

bool WriteRegistryText(const std::string& name, const std::string& text) {
    return WriteSetting(name, text);
}

bool WriteRegistryInt(const std::string& name, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return WriteSetting(name, text);
}

int ReadLanguageId() {
    std::string value;
    bool found = false;
    switch (ReadSetting(kLcidValue, true, value, found)) {
        case SettingsOpen::kOpened:
            return found ? ParseSettingInt(value) : 0;
        case SettingsOpen::kFailed:
            return 1033;
        case SettingsOpen::kCreated:
        case SettingsOpen::kMissing:
            break;
    }
    return 0;
}

int ReadDeviceTypeHint() {
    std::string value;
    bool found = false;
    const SettingsOpen state = ReadSetting(kDeviceTypeValue, false, value, found);
    return state == SettingsOpen::kOpened && found ? ParseSettingInt(value) : 0;
}

}  // namespace zanvor
