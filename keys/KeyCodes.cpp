#include "keys/KeyCodes.h"

#include <bit>

#include "keys/KeyCodeTables.h"

namespace zanvor {

std::string UsageName(int usage) {
    for (const UsageCaption& entry : UsageCaptionTable()) {
        if (entry.usage == usage) {
            return entry.caption;
        }
    }
    return {};
}

int VirtualKeyToUsage(int virtualKey) {
    for (const VirtualKeyUsage& entry : VirtualKeyUsageTable()) {
        if (entry.virtualKey == virtualKey) {
            return entry.usage;
        }
    }
    return 0;
}

int ModifierBit(int value) {
    if (value >= kUsageFirstModifier && value <= kUsageLastModifier) {
        return 1 << (value - kUsageFirstModifier);
    }
    return value;
}

int ModifierUsageOfMask(int mask) {
    if (mask <= 0 || mask > 0xFF || !std::has_single_bit(static_cast<unsigned>(mask))) {
        return 0;
    }
    return kUsageFirstModifier + std::countr_zero(static_cast<unsigned>(mask));
}

std::string ModifierMaskText(int mask) {
    std::string text;
    for (int bit = 0; bit < 8; ++bit) {
        if ((mask & (1 << bit)) == 0) {
            continue;
        }
        text += text.empty() ? ModifierNames()[bit] : PrefixedModifierNames()[bit];
    }
    return text;
}

std::string CombinationCaption(int mask, const std::string& keyName) {
    std::string modifiers = ModifierMaskText(mask);
    if (modifiers.empty()) {
        return keyName;
    }
    if (keyName.empty()) {
        return modifiers;
    }
    return modifiers + " + " + keyName;
}

}  // namespace zanvor
