#include "platform/FocusSource.h"

#include <unistd.h>

#include <array>

namespace zanvor {

std::vector<std::string> FocusedWindow::Identities() const {
    std::vector<std::string> identities;
    for (const std::string* part : {&executable, &instance, &windowClass}) {
        if (!part->empty()) {
            identities.push_back(*part);
        }
    }
    return identities;
}

std::string ExecutableOfProcess(int pid) {
    if (pid <= 0) {
        return {};
    }
    std::array<char, 4096> target{};
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    const ssize_t length = readlink(link.c_str(), target.data(), target.size() - 1);
    if (length <= 0) {
        return {};
    }
    std::string path(target.data(), static_cast<size_t>(length));
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.size() > kDeleted.size() && path.ends_with(kDeleted)) {
        path.resize(path.size() - kDeleted.size());
    }
    return path.substr(path.rfind('/') + 1);
}

}  // namespace zanvor
