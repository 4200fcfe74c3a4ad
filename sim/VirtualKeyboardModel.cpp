#include "sim/VirtualKeyboardModel.h"

namespace zanvor {

const SimConnection* VirtualKeyboardModel::Connection(int mode) const {
    for (const SimConnection& connection : connections) {
        if (connection.mode == mode) {
            return &connection;
        }
    }
    return nullptr;
}

uint16_t VirtualKeyboardModel::KeyboardVendorId() const {
    if (const SimConnection* cable = Connection(0)) {
        return cable->vendor_id;
    }
    return connections.empty() ? kZanvorVendorId : connections.front().vendor_id;
}

uint16_t VirtualKeyboardModel::KeyboardProductId() const {
    if (const SimConnection* cable = Connection(0)) {
        return cable->product_id;
    }
    return connections.empty() ? 0 : connections.front().product_id;
}

bool FactoryActionCode(int usage, std::array<uint8_t, 3>& code) {
    if (usage >= 0xE0 && usage <= 0xE7) {
        code = {0x10, static_cast<uint8_t>(1u << (usage - 0xE0)), 0x00};
        return true;
    }
    switch (usage) {
        case 0xF0:  // Fn
            code = {0x50, 0x02, 0x00};
            return true;
        case 0xD1:  // consumer usage 0x0224
            code = {0x30, 0x24, 0x02};
            return true;
        case 0xD2:  // calculator
            code = {0x30, 0x92, 0x01};
            return true;
        default:
            break;
    }
    // The knob (0xFF) and side-light items (codes above 0xFF) have no table entry.
    if (usage <= 0 || usage >= 0xFF) {
        return false;
    }
    code = {0x10, 0x00, static_cast<uint8_t>(usage)};
    return true;
}

std::array<uint8_t, 128> FactoryLedMap(const VirtualKeyboardModel& model) {
    std::array<uint8_t, 128> map;
    map.fill(0xFF);
    for (const SimKey& key : model.keys) {
        if (key.key_index < 0 || key.key_index >= 128) {
            continue;
        }
        if (key.light_index < 0 || key.light_index >= 0xFF) {
            continue;
        }
        map[key.key_index] = static_cast<uint8_t>(key.light_index);
    }
    return map;
}

std::array<int, 3> KnobIndices(const VirtualKeyboardModel& model) {
    std::array<int, 3> indices{-1, -1, -1};
    if (!model.has_knob) {
        return indices;
    }
    bool given = true;
    for (int index : model.knob_indices) {
        given = given && index >= 0 && index < 128;
    }
    if (given) {
        return model.knob_indices;
    }
    std::array<bool, 128> used{};
    for (const SimKey& key : model.keys) {
        std::array<uint8_t, 3> code;
        if (key.key_index >= 0 && key.key_index < 128 && FactoryActionCode(key.usage, code)) {
            used[key.key_index] = true;
        }
    }
    int found = 0;
    for (int index = 127; index >= 0 && found < 3; --index) {
        if (!used[index]) {
            indices[found++] = index;
        }
    }
    if (found < 3) {
        return {-1, -1, -1};
    }
    // Lowest first: action 0 gets the lowest free entry.
    return {indices[2], indices[1], indices[0]};
}

}  // namespace zanvor
