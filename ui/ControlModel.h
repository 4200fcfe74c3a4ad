#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace zanvor {

// A rectangle in pixels; right and bottom are exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const Rect&) const = default;
};

// The state shared by every control model: its control id, where it sits, whether it is
// shown, the sink its events go to (the main window's OnMessage) and the views observing it.
//
// Models are changed from the UI thread and, for some, from the worker thread. Observers are
// called on the thread that made the change, after the model's own lock is released, so an
// observer may read the model; a Qt view turns the call into a queued update.
class ControlModel {
  public:
    // (control id, event): a control event for the main window.
    using EventSink = std::function<void(int controlId, int event)>;
    // Called after a change; the value says what changed (model-specific Change codes).
    using Observer = std::function<void(int change)>;

    // Changes every model reports; models add their own codes from 16 up.
    enum BaseChange { kChangeGeometry = 1, kChangeVisibility = 2 };

    explicit ControlModel(int controlId = 0) : controlId_(controlId) {}
    virtual ~ControlModel() = default;
    ControlModel(const ControlModel&) = delete;
    ControlModel& operator=(const ControlModel&) = delete;

    int ControlId() const {
        std::lock_guard lock(baseMutex_);
        return controlId_;
    }
    void SetControlId(int controlId) {
        std::lock_guard lock(baseMutex_);
        controlId_ = controlId;
    }

    void SetEventSink(EventSink sink) {
        std::lock_guard lock(baseMutex_);
        sink_ = std::make_shared<EventSink>(std::move(sink));
    }

    // Raises a control event: calls the sink with this control's id. Call it without holding
    // the model's lock (the handler usually reads the model).
    void RaiseEvent(int event) {
        std::shared_ptr<EventSink> sink;
        int id = 0;
        {
            std::lock_guard lock(baseMutex_);
            sink = sink_;
            id = controlId_;
        }
        if (sink && *sink) {
            (*sink)(id, event);
        }
    }

    // MControl::SetRect: the control's place in its page.
    void SetRect(const Rect& rect) {
        {
            std::lock_guard lock(baseMutex_);
            rect_ = rect;
        }
        NotifyChanged(kChangeGeometry);
    }
    Rect GetRect() const {
        std::lock_guard lock(baseMutex_);
        return rect_;
    }

    void SetVisible(bool visible) {
        {
            std::lock_guard lock(baseMutex_);
            if (visible_ == visible) {
                return;
            }
            visible_ = visible;
        }
        NotifyChanged(kChangeVisibility);
    }
    bool IsVisible() const {
        std::lock_guard lock(baseMutex_);
        return visible_;
    }

    // Adds a view's observer; returns a token for RemoveObserver. A notification already
    // running on another thread may still reach an observer just removed, so a view removes
    // its observer before it goes away and drains its queued updates.
    int AddObserver(Observer observer) {
        std::lock_guard lock(baseMutex_);
        int token = ++lastToken_;
        observers_.emplace_back(token, std::make_shared<Observer>(std::move(observer)));
        return token;
    }
    void RemoveObserver(int token) {
        std::lock_guard lock(baseMutex_);
        std::erase_if(observers_, [token](const auto& entry) { return entry.first == token; });
    }

  protected:
    // Tells the observers what changed. Call it without holding the model's lock.
    void NotifyChanged(int change) {
        std::vector<std::shared_ptr<Observer>> observers;
        {
            std::lock_guard lock(baseMutex_);
            observers.reserve(observers_.size());
            for (const auto& entry : observers_) {
                observers.push_back(entry.second);
            }
        }
        for (const auto& observer : observers) {
            (*observer)(change);
        }
    }

  private:
    mutable std::mutex baseMutex_;  // guards controlId_, rect_, visible_, sink_ and observers_
    int controlId_ = 0;
    Rect rect_;
    bool visible_ = true;
    std::shared_ptr<EventSink> sink_;
    int lastToken_ = 0;
    std::vector<std::pair<int, std::shared_ptr<Observer>>> observers_;
};

}  // namespace zanvor
