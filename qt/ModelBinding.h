#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "ui/ControlModel.h"
#include "ui/LoadText.h"

namespace zanvor {

// Connects a widget to the model it renders. The model may change on any thread; the
// widget's refresh always runs on the widget's own (UI) thread through a queued call, and
// changes arriving faster than the UI thread drains them collapse into one refresh that
// receives every change code seen (as bits, see Bit).
//
// The model must outlive the binding. Destroying the binding removes the observer; a
// notification already running on another thread then finds no receiver and drops itself.
class ModelBinding {
  public:
    using Handler = std::function<void(uint32_t changes)>;

    ModelBinding(ControlModel& model, QObject* receiver, Handler handler);
    ~ModelBinding();
    ModelBinding(const ModelBinding&) = delete;
    ModelBinding& operator=(const ModelBinding&) = delete;

    static constexpr uint32_t Bit(int change) {
        return 1u << (static_cast<unsigned>(change) & 31u);
    }

  private:
    struct Relay {
        std::mutex mutex;  // guards receiver against the widget going away while posting
        QObject* receiver = nullptr;
        Handler handler;  // set once before the observer is added, then only read
        std::atomic<uint32_t> pending{0};
    };

    ControlModel& model_;
    std::shared_ptr<Relay> relay_;
    int token_ = 0;
};

// Re-runs a widget's `apply` (its texts) after every language change, always on the widget's
// own thread through a queued call; dropped when the widget is gone.
[[nodiscard]] LanguageSubscription SubscribeTexts(QObject* receiver, std::function<void()> apply);

}  // namespace zanvor
