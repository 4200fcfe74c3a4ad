#include "ui/Manager.h"

#include <mutex>

#include "platform/AppIdentity.h"
#include "platform/Paths.h"

namespace zanvor {

namespace {
std::mutex& InstanceMutex() {
    static std::mutex mutex;  // guards the recorded application folder
    return mutex;
}
std::string& InstanceFolder() {
    static std::string folder;
    return folder;
}
}  // namespace

void Manager::SetDeviceName(const std::string& name) {
    SetApplicationName(name);
}

std::string Manager::GetDeviceName() {
    return ApplicationName();
}

void Manager::SetInstance(const std::string& applicationFolder) {
    std::lock_guard lock(InstanceMutex());
    InstanceFolder() = applicationFolder;
}

std::string Manager::GetThemeSkins() {
    return "dark/";
}

std::string Manager::SkinFolder() {
    std::string folder;
    {
        std::lock_guard lock(InstanceMutex());
        folder = InstanceFolder();
    }
    if (folder.empty()) {
        folder = ApplicationFolder();
    }
    return folder + "skins/" + GetThemeSkins();
}

}  // namespace zanvor
