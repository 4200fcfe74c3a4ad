#include "ui/MainView.h"

namespace zanvor {

int MainView::SelectedPage() const {
    std::lock_guard lock(mutex_);
    return page_;
}

void MainView::SelectPage(int page) {
    if (page < 0 || page >= kPageCount) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        page_ = page;
    }
    NotifyChanged(kChangePage);
}

bool MainView::TabVisible(int tab) const {
    std::lock_guard lock(mutex_);
    return tab >= 0 && tab < kPageCount && tabs_[tab];
}

void MainView::SetTabVisible(int tab, bool visible) {
    if (tab < 0 || tab >= kPageCount) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        tabs_[tab] = visible;
    }
    NotifyChanged(kChangeTabs);
}

void MainView::ShowDisconnectedHome() {
    {
        std::lock_guard lock(mutex_);
        page_ = 0;
        devicePages_ = false;
        disconnected_ = true;
    }
    NotifyChanged(kChangeHome);
}

void MainView::ShowDevicePages() {
    {
        std::lock_guard lock(mutex_);
        devicePages_ = true;
        disconnected_ = false;
    }
    NotifyChanged(kChangeHome);
}

bool MainView::DevicePagesShown() const {
    std::lock_guard lock(mutex_);
    return devicePages_;
}

bool MainView::DisconnectedShown() const {
    std::lock_guard lock(mutex_);
    return disconnected_;
}

void MainView::SetKeyboardsUnreachable(bool unreachable) {
    {
        std::lock_guard lock(mutex_);
        if (unreachable_ == unreachable) {
            return;
        }
        unreachable_ = unreachable;
    }
    NotifyChanged(kChangeHome);
}

bool MainView::KeyboardsUnreachable() const {
    std::lock_guard lock(mutex_);
    return unreachable_;
}

void MainView::ShowSettingsPage(bool shown) {
    {
        std::lock_guard lock(mutex_);
        settings_ = shown;
    }
    NotifyChanged(kChangeSettings);
}

bool MainView::SettingsPageShown() const {
    std::lock_guard lock(mutex_);
    return settings_;
}

void MainView::SetTitle(const std::string& title) {
    {
        std::lock_guard lock(mutex_);
        title_ = title;
    }
    NotifyChanged(kChangeTitle);
}

std::string MainView::Title() const {
    std::lock_guard lock(mutex_);
    return title_;
}

void MainView::SetInfoLabel(int index, const std::string& text) {
    if (index < 0 || index >= 3) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        labels_[index] = text;
    }
    NotifyChanged(kChangeLabels);
}

std::string MainView::InfoLabel(int index) const {
    std::lock_guard lock(mutex_);
    return index >= 0 && index < 3 ? labels_[index] : std::string();
}

}  // namespace zanvor
