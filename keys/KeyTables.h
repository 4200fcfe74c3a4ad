#pragma once

// The connected keyboard's key tables as the program keeps them: the factory-default table of
// each layer, the current tables read at connection, the maps between key usages and table
// indices, and the knob's table indices and functions per layer.

#include <array>
#include <cstdint>
#include <mutex>
#include <span>

#include "keys/ActionCode.h"
#include "store/Records.h"

namespace zanvor {

inline constexpr int kKeyLayerCount = 4;
inline constexpr int kKeyTableEntries = 128;
inline constexpr size_t kKeyTableBytes = 384;   // 128 action codes of three bytes
inline constexpr size_t kKeyBufferBytes = 600;  // a default buffer: the table, then zeros
inline constexpr size_t kKnobIndexBlockBytes = 56;
inline constexpr int kKnobActionCount = 3;

// Key-table commands of layer L.
constexpr uint8_t DefaultTableCommand(int layer) {
    return static_cast<uint8_t>(0x16 + layer);
}
constexpr uint8_t ReadTableCommand(int layer) {
    return static_cast<uint8_t>(0x1A + 2 * layer);
}
constexpr uint8_t WriteTableCommand(int layer) {
    return static_cast<uint8_t>(0x1B + 2 * layer);
}
inline constexpr uint8_t kKnobIndicesCommand = 0x3E;

using KeyBuffer = std::array<uint8_t, kKeyBufferBytes>;

// Usage <-> table index, from the default table of layer 0.
struct KeyIndexMaps {
    std::array<int, 256> usageToIndex;               // -1: the usage has no entry
    std::array<int, kKeyTableEntries> indexToUsage;  // 0: the entry stands for no key

    KeyIndexMaps() { Clear(); }
    void Clear() {
        usageToIndex.fill(-1);
        indexToUsage.fill(0);
    }
    // -1 for usages outside 0-255 or without an entry.
    int IndexOf(int usage) const {
        return usage >= 0 && usage < 256 ? usageToIndex[static_cast<size_t>(usage)] : -1;
    }
};

// The key usage a factory entry stands for, 0 when it stands for none: a key (10 with a single
// modifier bit, or 10 xx usage), Fn (50 02), the ">-<" key (30 24 02) and the calculator key
// (30 92 01).
int UsageOfFactoryEntry(std::span<const uint8_t, 3> entry);

// Builds both maps from a default table of at least 384 bytes (shorter tables map nothing). A
// later entry with the same usage replaces the earlier one.
KeyIndexMaps BuildIndexMaps(std::span<const uint8_t> table);

class DeviceManager;

// Sends a command without data (the begin 0x10 and end 0x11 brackets) with SendCommand;
// false when the keyboard did not take it.
bool SendBracketCommand(DeviceManager& devices, uint8_t command);
// Sends one table entry of a layer with SendCommand: command 0x1B + 2 * layer, offset
// 3 * index, length 3, the action code as data.
// False when the keyboard did not accept it.
bool SendTableEntry(DeviceManager& devices, int layer, int index, const ActionCode& code);

// Thread-safe holder: written by the worker during the connection sequence, read by the page
// operations on the UI thread and by the worker's jobs.
class KeyTables {
  public:
    KeyTables();

    // Zeroes the default buffers and clears the index maps (start of a connection read).
    void ResetDefaults();
    // Stores the first 384 bytes of a default table; for layer 0 the index maps are rebuilt.
    // Layers outside 0-3 are ignored.
    void SetDefaultTable(int layer, std::span<const uint8_t> table);
    // The 600-byte default buffer of a layer (zeros for layers outside 0-3).
    KeyBuffer DefaultBuffer(int layer) const;
    // The factory entry of a layer at a table index; 00 00 00 outside the table.
    ActionCode DefaultEntry(int layer, int index) const;

    KeyIndexMaps IndexMaps() const;
    int IndexOf(int usage) const;

    // The current table of a layer as last read.
    void SetCurrentTable(int layer, std::span<const uint8_t> table);
    std::array<uint8_t, kKeyTableBytes> CurrentTable(int layer) const;

    // ---- knob ----
    // The table indices of the three knob actions, read with command 0x3E: stored as the
    // key_code of the knob records of every layer. IndicesRead() tells whether they came from
    // the keyboard (before that every index is 0, the entry of an ordinary key).
    void SetKnobIndices(const std::array<int, kKnobActionCount>& indices);
    std::array<int, kKnobActionCount> KnobIndices() const;
    bool KnobIndicesRead() const;
    // Records outside the three actions or four layers read as empty records.
    KeyMacroData KnobRecord(int layer, int action) const;
    void SetKnobRecord(int layer, int action, const KeyMacroData& record);
    // Forgets every knob function and index (a new keyboard connects).
    void ResetKnob();

  private:
    mutable std::mutex mutex_;  // guards every member below
    std::array<KeyBuffer, kKeyLayerCount> defaults_{};
    std::array<std::array<uint8_t, kKeyTableBytes>, kKeyLayerCount> current_{};
    KeyIndexMaps maps_;
    std::array<std::array<KeyMacroData, kKnobActionCount>, kKeyLayerCount> knob_{};
    bool knobIndicesRead_ = false;
};

}  // namespace zanvor
