#include "screen/TimeNames.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <thread>

namespace zanvor {

std::string LocalTimeName() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[64];
    std::snprintf(text, sizeof(text), "%04d%02d%02d%02d%02d%02d%03d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(milliseconds));
    return text;
}

std::string NewTimeName() {
    static std::mutex mutex;  // guards last
    static std::string last;
    std::lock_guard lock(mutex);
    std::string name = LocalTimeName();
    // Names of equal length compare like the times they spell. A clock set back also waits
    // here until it passes the last name, at most a few seconds in practice.
    for (int tries = 0; name <= last && tries < 5000; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        name = LocalTimeName();
    }
    if (name <= last) {
        // The clock went back further than waiting is worth: count on from the last name.
        name = std::to_string(std::stoull(last) + 1);
    }
    last = name;
    return name;
}

bool IsTimeName(const std::string& name) {
    if (name.size() != 17) {
        return false;
    }
    for (const char c : name) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

}  // namespace zanvor
