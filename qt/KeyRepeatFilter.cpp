#include "qt/KeyRepeatFilter.h"

namespace zanvor {

KeyRepeatFilter::KeyRepeatFilter(Deliver deliver, QObject* parent)
    : QObject(parent), deliver_(std::move(deliver)) {
    timer_.setSingleShot(true);
    timer_.setInterval(kRepeatGapMs);
    connect(&timer_, &QTimer::timeout, this, [this] { Flush(); });
}

void KeyRepeatFilter::Key(int nativeScanCode, bool pressed, quint64 timestamp, bool autoRepeat) {
    if (autoRepeat) {
        return;  // the key is still held: nothing changes
    }
    if (pendingCode_ >= 0) {
        const bool repeat = pressed && nativeScanCode == pendingCode_ &&
                            timestamp >= pendingStamp_ &&
                            timestamp - pendingStamp_ <= static_cast<quint64>(kRepeatGapMs);
        if (repeat) {
            timer_.stop();
            pendingCode_ = -1;
            return;
        }
        Flush();
    }
    if (!pressed) {
        pendingCode_ = nativeScanCode;
        pendingStamp_ = timestamp;
        timer_.start();
        return;
    }
    deliver_(nativeScanCode, true);
}

void KeyRepeatFilter::Flush() {
    timer_.stop();
    if (pendingCode_ < 0) {
        return;
    }
    const int code = pendingCode_;
    pendingCode_ = -1;
    deliver_(code, false);
}

}  // namespace zanvor
