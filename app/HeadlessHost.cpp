#include "app/HeadlessHost.h"

namespace zanvor {

bool HeadlessHost::AddTrayIcon(const std::string&, const std::string& tooltip) {
    if (!trayAvailable_) {
        return false;
    }
    std::lock_guard lock(mutex_);
    tooltip_ = tooltip;
    tray_ = true;
    return true;
}

void HeadlessHost::OpenUrl(const std::string& url, OpenFailed failed) {
    {
        std::lock_guard lock(mutex_);
        urls_.push_back(url);
    }
    if (openerMissing_ && failed) {
        failed("no program opens web addresses");
    }
}

std::string HeadlessHost::trayTooltip() const {
    std::lock_guard lock(mutex_);
    return tooltip_;
}

std::vector<std::string> HeadlessHost::openedUrls() const {
    std::lock_guard lock(mutex_);
    return urls_;
}

void HeadlessHost::ShowNotice(const std::string& text) {
    std::lock_guard lock(mutex_);
    notices_.push_back(text);
}

std::vector<std::string> HeadlessHost::notices() const {
    std::lock_guard lock(mutex_);
    return notices_;
}

}  // namespace zanvor
