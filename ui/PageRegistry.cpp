#include "ui/PageRegistry.h"

#include "ui/ControlModel.h"

namespace zanvor {

void PageRegistry::AddControl(int controlId, ControlHandler handler, int page) {
    if (controls_.count({controlId, page}) != 0) {
        duplicates_.push_back(controlId);
    }
    controls_[{controlId, page}] = std::move(handler);
}

void PageRegistry::AddControl(ControlModel& model, ControlHandler handler, int page) {
    AddControl(model.ControlId(), std::move(handler), page);
    model.SetEventSink([this](int controlId, int event) {
        if (sink_) {
            sink_(controlId, event);
        }
    });
}

bool PageRegistry::DispatchControl(int controlId, int event, int page) const {
    auto it = controls_.find({controlId, page});
    if (it == controls_.end()) {
        it = controls_.find({controlId, kAnyPage});
    }
    if (it == controls_.end() || !it->second) {
        return false;
    }
    it->second(event);
    return true;
}

bool PageRegistry::HandlesControl(int controlId, int page) const {
    return controls_.count({controlId, page}) != 0 || controls_.count({controlId, kAnyPage}) != 0;
}

void PageRegistry::SetEventSink(std::function<void(int controlId, int event)> sink) {
    sink_ = std::move(sink);
}

void PageRegistry::AddWindowMessage(uint32_t id, MessageHandler handler) {
    messages_.emplace(id, std::move(handler));
}

bool PageRegistry::DispatchWindowMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) const {
    const auto [first, last] = messages_.equal_range(id);
    bool handled = false;
    for (auto it = first; it != last; ++it) {
        if (it->second) {
            it->second(wParam, lParam);
            handled = true;
        }
    }
    return handled;
}

void PageRegistry::AddTask(int code, TaskRun run, TaskOptions options) {
    tasks_[code] = Task{std::move(run), options};
}

const PageRegistry::Task* PageRegistry::FindTask(int code) const {
    const auto it = tasks_.find(code);
    return it == tasks_.end() ? nullptr : &it->second;
}

void PageRegistry::AddIdleWork(std::function<bool()> wanted, Step run) {
    idleWork_.push_back({std::move(wanted), std::move(run)});
}

bool PageRegistry::IdleWorkWanted() const {
    for (const IdleWork& work : idleWork_) {
        if (work.wanted && work.wanted()) {
            return true;
        }
    }
    return false;
}

void PageRegistry::RunIdleWork() const {
    for (const IdleWork& work : idleWork_) {
        if (work.wanted && work.wanted() && work.run) {
            work.run();
        }
    }
}

void PageRegistry::AddConnectionStep(int order, CheckedStep step) {
    connectionSteps_.emplace(order, std::move(step));
}

bool PageRegistry::RunConnectionSteps() const {
    for (const auto& [order, step] : connectionSteps_) {
        if (step && !step()) {
            return false;
        }
    }
    return true;
}

void PageRegistry::AddProfileRows(ProfileStep step) {
    profileRows_.push_back(std::move(step));
}

bool PageRegistry::CreateProfileRows(int profileId) const {
    for (const ProfileStep& step : profileRows_) {
        if (step && !step(profileId)) {
            return false;
        }
    }
    return true;
}

void PageRegistry::AddProfileApplyStep(TaskRun step) {
    profileApplySteps_.push_back(std::move(step));
}

TaskResult PageRegistry::RunProfileApplySteps() const {
    TaskResult result;
    for (const TaskRun& step : profileApplySteps_) {
        if (!step) {
            continue;
        }
        TaskResult stepResult = step();
        if (!stepResult.ok && result.ok) {
            result = std::move(stepResult);
        }
    }
    return result;
}

void PageRegistry::AddPagesRefresh(Step step) {
    pagesRefresh_.push_back(std::move(step));
}

void PageRegistry::RefreshPages() const {
    for (const Step& step : pagesRefresh_) {
        if (step) {
            step();
        }
    }
}

void PageRegistry::AddResetStep(Step step) {
    resetSteps_.push_back(std::move(step));
}

void PageRegistry::RunResetSteps() const {
    for (const Step& step : resetSteps_) {
        if (step) {
            step();
        }
    }
}

}  // namespace zanvor
