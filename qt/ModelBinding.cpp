#include "qt/ModelBinding.h"

namespace zanvor {

ModelBinding::ModelBinding(ControlModel& model, QObject* receiver, Handler handler)
    : model_(model), relay_(std::make_shared<Relay>()) {
    relay_->receiver = receiver;
    relay_->handler = std::move(handler);
    std::weak_ptr<Relay> weak = relay_;
    token_ = model_.AddObserver([weak](int change) {
        const std::shared_ptr<Relay> relay = weak.lock();
        if (!relay) {
            return;
        }
        // Only the first change since the last refresh posts; later ones ride along.
        if (relay->pending.fetch_or(Bit(change)) != 0) {
            return;
        }
        std::lock_guard lock(relay->mutex);
        if (relay->receiver == nullptr) {
            return;
        }
        QMetaObject::invokeMethod(
            relay->receiver,
            [weak] {
                if (const std::shared_ptr<Relay> live = weak.lock()) {
                    const uint32_t changes = live->pending.exchange(0);
                    if (changes != 0 && live->handler) {
                        live->handler(changes);
                    }
                }
            },
            Qt::QueuedConnection);
    });
}

ModelBinding::~ModelBinding() {
    model_.RemoveObserver(token_);
    std::lock_guard lock(relay_->mutex);
    relay_->receiver = nullptr;
}

LanguageSubscription SubscribeTexts(QObject* receiver, std::function<void()> apply) {
    return SubscribeLanguageChanged([receiver, apply = std::move(apply)](int) {
        QMetaObject::invokeMethod(receiver, apply, Qt::QueuedConnection);
    });
}

}  // namespace zanvor
