#include "platform/AppIdentity.h"

#include <mutex>

namespace zanvor {

namespace {
std::mutex& NameMutex() {
    static std::mutex mutex;  // guards the application name
    return mutex;
}
std::string& NameStorage() {
    static std::string name;
    return name;
}
}  // namespace

void SetApplicationName(const std::string& name) {
    std::lock_guard lock(NameMutex());
    NameStorage() = name;
}

std::string ApplicationName() {
    std::lock_guard lock(NameMutex());
    return NameStorage();
}

}  // namespace zanvor
