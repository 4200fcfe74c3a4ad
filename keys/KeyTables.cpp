#include "keys/KeyTables.h"

#include <algorithm>
#include <bit>

#include "device/DeviceManager.h"
#include "device/ReportFraming.h"
#include "keys/KeyCodes.h"

namespace zanvor {

namespace {

bool ValidLayer(int layer) {
    return layer >= 0 && layer < kKeyLayerCount;
}
bool ValidAction(int action) {
    return action >= 0 && action < kKnobActionCount;
}

}  // namespace

int UsageOfFactoryEntry(std::span<const uint8_t, 3> entry) {
    const uint8_t kind = entry[0];
    const uint8_t b1 = entry[1];
    const uint8_t b2 = entry[2];
    if (kind == kActionKey) {
        if (std::has_single_bit(b1)) {
            return kUsageFirstModifier + std::countr_zero(b1);
        }
        return b2;  // 0: not mapped
    }
    if (kind == kActionInternal && b1 == 0x02) {
        return kUsageFnKey;
    }
    if (kind == kActionConsumer && b1 == 0x92 && b2 == 0x01) {
        return kUsageCalcKey;
    }
    if (kind == kActionConsumer && b1 == 0x24 && b2 == 0x02) {
        return kUsageAcBackKey;
    }
    return 0;
}

bool SendBracketCommand(DeviceManager& devices, uint8_t command) {
    std::array<uint8_t, kCommandBufferSize> buffer{};
    buffer[0] = kReportHeader;
    buffer[1] = command;
    return devices.SendCommand(buffer) && CommandAccepted(buffer.data(), command);
}

bool SendTableEntry(DeviceManager& devices, int layer, int index, const ActionCode& code) {
    std::array<uint8_t, kCommandBufferSize> buffer{};
    const int offset = 3 * index;
    buffer[0] = kReportHeader;
    buffer[1] = WriteTableCommand(layer);
    buffer[2] = static_cast<uint8_t>(offset & 0xFF);
    buffer[3] = static_cast<uint8_t>(offset >> 8);
    buffer[4] = 3;
    std::copy(code.begin(), code.end(), buffer.begin() + kPayloadDataOffset);
    const uint8_t command = buffer[1];
    return devices.SendCommand(buffer) && CommandAccepted(buffer.data(), command);
}

KeyIndexMaps BuildIndexMaps(std::span<const uint8_t> table) {
    KeyIndexMaps maps;
    if (table.size() < kKeyTableBytes) {
        return maps;
    }
    for (int i = 0; i < kKeyTableEntries; ++i) {
        const int usage = UsageOfFactoryEntry(table.subspan(static_cast<size_t>(3 * i)).first<3>());
        if (usage > 0) {
            maps.indexToUsage[static_cast<size_t>(i)] = usage;
            maps.usageToIndex[static_cast<size_t>(usage)] = i;
        }
    }
    return maps;
}

KeyTables::KeyTables() {
    ResetKnob();
}

void KeyTables::ResetDefaults() {
    std::lock_guard lock(mutex_);
    for (auto& buffer : defaults_) {
        buffer.fill(0);
    }
    maps_.Clear();
}

void KeyTables::SetDefaultTable(int layer, std::span<const uint8_t> table) {
    if (!ValidLayer(layer)) {
        return;
    }
    std::lock_guard lock(mutex_);
    KeyBuffer& buffer = defaults_[static_cast<size_t>(layer)];
    buffer.fill(0);
    std::copy_n(table.begin(), std::min(table.size(), kKeyTableBytes), buffer.begin());
    if (layer == 0) {
        maps_ = BuildIndexMaps(std::span<const uint8_t>(buffer.data(), kKeyTableBytes));
    }
}

KeyBuffer KeyTables::DefaultBuffer(int layer) const {
    if (!ValidLayer(layer)) {
        return KeyBuffer{};
    }
    std::lock_guard lock(mutex_);
    return defaults_[static_cast<size_t>(layer)];
}

ActionCode KeyTables::DefaultEntry(int layer, int index) const {
    ActionCode code{};
    if (!ValidLayer(layer) || index < 0 || index >= kKeyTableEntries) {
        return code;
    }
    std::lock_guard lock(mutex_);
    const KeyBuffer& buffer = defaults_[static_cast<size_t>(layer)];
    std::copy_n(buffer.begin() + 3 * index, 3, code.begin());
    return code;
}

KeyIndexMaps KeyTables::IndexMaps() const {
    std::lock_guard lock(mutex_);
    return maps_;
}

int KeyTables::IndexOf(int usage) const {
    std::lock_guard lock(mutex_);
    return maps_.IndexOf(usage);
}

void KeyTables::SetCurrentTable(int layer, std::span<const uint8_t> table) {
    if (!ValidLayer(layer)) {
        return;
    }
    std::lock_guard lock(mutex_);
    auto& current = current_[static_cast<size_t>(layer)];
    current.fill(0);
    std::copy_n(table.begin(), std::min(table.size(), kKeyTableBytes), current.begin());
}

std::array<uint8_t, kKeyTableBytes> KeyTables::CurrentTable(int layer) const {
    if (!ValidLayer(layer)) {
        return {};
    }
    std::lock_guard lock(mutex_);
    return current_[static_cast<size_t>(layer)];
}

void KeyTables::SetKnobIndices(const std::array<int, kKnobActionCount>& indices) {
    std::lock_guard lock(mutex_);
    for (auto& layer : knob_) {
        for (int action = 0; action < kKnobActionCount; ++action) {
            layer[static_cast<size_t>(action)].key_code = indices[static_cast<size_t>(action)];
        }
    }
    knobIndicesRead_ = true;
}

std::array<int, kKnobActionCount> KeyTables::KnobIndices() const {
    std::lock_guard lock(mutex_);
    std::array<int, kKnobActionCount> indices{};
    for (int action = 0; action < kKnobActionCount; ++action) {
        indices[static_cast<size_t>(action)] = knob_[0][static_cast<size_t>(action)].key_code;
    }
    return indices;
}

bool KeyTables::KnobIndicesRead() const {
    std::lock_guard lock(mutex_);
    return knobIndicesRead_;
}

KeyMacroData KeyTables::KnobRecord(int layer, int action) const {
    if (!ValidLayer(layer) || !ValidAction(action)) {
        return KeyMacroData{};
    }
    std::lock_guard lock(mutex_);
    return knob_[static_cast<size_t>(layer)][static_cast<size_t>(action)];
}

void KeyTables::SetKnobRecord(int layer, int action, const KeyMacroData& record) {
    if (!ValidLayer(layer) || !ValidAction(action)) {
        return;
    }
    std::lock_guard lock(mutex_);
    knob_[static_cast<size_t>(layer)][static_cast<size_t>(action)] = record;
}

void KeyTables::ResetKnob() {
    std::lock_guard lock(mutex_);
    for (auto& layer : knob_) {
        layer.fill(KeyMacroData{});
    }
    knobIndicesRead_ = false;
}

}  // namespace zanvor
