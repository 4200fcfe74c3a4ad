#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "sim/VirtualKeyboard.h"

namespace zanvor {

// Link state byte of a link frame when the keyboard is connected.
inline constexpr uint8_t kSimLinkConnected = 4;

// A 2.4 GHz receiver in front of a keyboard. It answers the link state query 0xD0 itself with a
// link frame and passes every other request to the keyboard while the link is up; with the link
// down those requests go unanswered, as with a keyboard that is switched off. Thread-safe.
class VirtualReceiver {
  public:
    explicit VirtualReceiver(std::shared_ptr<VirtualKeyboard> keyboard);

    const std::shared_ptr<VirtualKeyboard>& Keyboard() const { return keyboard_; }
    size_t PayloadLength() const { return keyboard_->PayloadLength(); }

    // False when nothing answers (link down, or a report the keyboard ignores).
    bool Process(const uint8_t* request, size_t length, std::vector<uint8_t>& response);

    // Changes the link; true when it changed (the caller then sends LinkFrame() unasked).
    bool SetLinked(bool linked);
    bool Linked() const;
    // When false the receiver reports product ID 0 in its link frames ("not known yet").
    void SetReportsProductId(bool reports);

    // The link frame: AA D0 at offsets 0-1, keyboard vendor ID at 9-10 and product ID at 11-12
    // (little-endian), link state at 13 (4 = connected, 0 = not). Status byte 7 stays 0, so a
    // frame read in place of a response never passes for an accepted one.
    std::vector<uint8_t> LinkFrame() const;

  private:
    std::vector<uint8_t> LinkFrameLocked() const;

    const std::shared_ptr<VirtualKeyboard> keyboard_;
    mutable std::mutex mutex_;  // guards linked_ and reports_product_id_
    bool linked_ = true;
    bool reports_product_id_ = true;
};

}  // namespace zanvor
