#include "ui/PageRegistry.h"

#include "ui/ControlModel.h"

namespace zanvor {

void PageRegistry::AddControl(int controlId, ControlHandler handler) {
    controls_[controlId] = std::move(handler);
}

void PageRegistry::AddControl(ControlModel& model, ControlHandler handler) {
    AddControl(model.ControlId(), std::move(handler));
    model.SetEventSink([this](int controlId, int event) {
        if (sink_) {
            sink_(controlId, event);
        }
    });
}

bool PageRegistry::DispatchControl(int controlId, int event) const {
    const auto it = controls_.find(controlId);
    if (it == controls_.end() || !it->second) {
        return false;
    }
    it->second(event);
    return true;
}

void PageRegistry::SetEventSink(std::function<void(int controlId, int event)> sink) {
    sink_ = std::move(sink);
}

void PageRegistry::AddWindowMessage(uint32_t id, MessageHandler handler) {
    messages_[id] = std::move(handler);
}

bool PageRegistry::DispatchWindowMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) const {
    const auto it = messages_.find(id);
    if (it == messages_.end() || !it->second) {
        return false;
    }
    it->second(wParam, lParam);
    return true;
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

void PageRegistry::AddProfileApplyStep(Step step) {
    profileApplySteps_.push_back(std::move(step));
}

void PageRegistry::RunProfileApplySteps() const {
    for (const Step& step : profileApplySteps_) {
        if (step) {
            step();
        }
    }
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
