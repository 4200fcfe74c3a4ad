#include "sim/VirtualReceiver.h"

namespace zanvor {

VirtualReceiver::VirtualReceiver(std::shared_ptr<VirtualKeyboard> keyboard)
    : keyboard_(std::move(keyboard)) {}

bool VirtualReceiver::Process(const uint8_t* request, size_t length,
                              std::vector<uint8_t>& response) {
    if (request == nullptr || length < 8 || request[0] != 0xAA) {
        return false;
    }
    if (request[1] == 0xD0) {
        std::lock_guard lock(mutex_);
        response = LinkFrameLocked();
        return true;
    }
    {
        std::lock_guard lock(mutex_);
        if (!linked_) {
            return false;
        }
    }
    return keyboard_->Process(request, length, response);
}

bool VirtualReceiver::SetLinked(bool linked) {
    std::lock_guard lock(mutex_);
    const bool changed = linked_ != linked;
    linked_ = linked;
    return changed;
}

bool VirtualReceiver::Linked() const {
    std::lock_guard lock(mutex_);
    return linked_;
}

void VirtualReceiver::SetReportsProductId(bool reports) {
    std::lock_guard lock(mutex_);
    reports_product_id_ = reports;
}

std::vector<uint8_t> VirtualReceiver::LinkFrame() const {
    std::lock_guard lock(mutex_);
    return LinkFrameLocked();
}

std::vector<uint8_t> VirtualReceiver::LinkFrameLocked() const {
    std::vector<uint8_t> frame(keyboard_->PayloadLength(), 0);
    const uint16_t vid = keyboard_->Model().KeyboardVendorId();
    // A receiver knows its keyboard only while the keyboard is linked.
    const uint16_t pid =
        reports_product_id_ && linked_ ? keyboard_->Model().KeyboardProductId() : 0;
    frame[0] = 0xAA;
    frame[1] = 0xD0;
    frame[9] = vid & 0xFF;
    frame[10] = vid >> 8;
    frame[11] = pid & 0xFF;
    frame[12] = pid >> 8;
    frame[13] = linked_ ? kSimLinkConnected : 0;
    return frame;
}

}  // namespace zanvor
