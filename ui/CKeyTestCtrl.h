#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "ui/ControlModel.h"

namespace zanvor {

// One entry of the key test: what is shown and the code it stands for (a key usage, a mouse
// button code, or 0 for a key without a usage).
struct KeyTestEntry {
    std::string caption;
    int code = 0;
    bool operator==(const KeyTestEntry&) const = default;
};

// The key test control of the key-assignment page: the keys and mouse buttons currently held,
// in the order they were pressed. Thread-safe; views observe kChangeEntries.
class CKeyTestCtrl : public ControlModel {
  public:
    enum Change { kChangeEntries = 16 };

    explicit CKeyTestCtrl(int controlId = 0) : ControlModel(controlId) {}

    // Appends an entry.
    void AddKey(const std::string& caption, int code);
    // Removes every entry of `code`; false when there was none.
    bool RemoveKey(int code);
    // Removes every entry.
    void ClearList();

    std::vector<KeyTestEntry> Entries() const;

  private:
    mutable std::mutex mutex_;  // guards entries_
    std::vector<KeyTestEntry> entries_;
};

}  // namespace zanvor
