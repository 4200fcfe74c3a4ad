#include "device/UdevRule.h"

#include <cstdio>
#include <set>
#include <utility>

namespace zanvor {

namespace {

std::string Hex4(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value) & 0xFFFFu);
    return text;
}

const char* ConnectionName(int mode) {
    switch (mode) {
        case kModeCable:
            return "USB cable";
        case kModeReceiver:
            return "2.4 GHz receiver";
        default:
            return "direct connection";
    }
}

// A catalogue text on a comment line: a line break in it would start a rule line of its own.
std::string CommentText(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = ' ';
        }
    }
    return text;
}

}  // namespace

std::string UdevRuleText(const DeviceCatalogue& catalogue) {
    std::string text =
        "# Zanvor HUB: the user at the seat may read and write the hidraw nodes of the Zanvor\n"
        "# keyboards, so the program needs no root rights. Generated from config.xml when the\n"
        "# program is built: a model added there is covered by the next build.\n"
        "#\n"
        "# The kernel names a HID device BUS:VENDOR:PRODUCT.INSTANCE (upper-case hex); matching\n"
        "# that parent covers the keyboard on any port, by cable or through its receiver.\n";
    std::set<std::pair<int, int>> written;
    for (const ConnectionEntry& connection : catalogue.connections) {
        if (connection.vendorId <= 0 || connection.productId <= 0 || connection.vendorId > 0xFFFF ||
            connection.productId > 0xFFFF ||
            !written.insert({connection.vendorId, connection.productId}).second) {
            continue;
        }
        const KeyboardEntry* keyboard = FindKeyboard(catalogue.keyboards, connection.deviceType);
        text += "\n# ";
        text += keyboard != nullptr ? CommentText(keyboard->name) : "device type";
        text += " (" + std::to_string(connection.deviceType) + "), ";
        text += ConnectionName(connection.mode);
        text += "\nSUBSYSTEM==\"hidraw\", KERNELS==\"*:" + Hex4(connection.vendorId) + ":" +
                Hex4(connection.productId) + ".*\", TAG+=\"uaccess\"\n";
    }
    return text;
}

}  // namespace zanvor
