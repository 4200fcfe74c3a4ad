#include "platform/Trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zanvor {

bool TraceEnabled() {
    static const bool enabled = [] {
        const char* value = std::getenv("ZANVOR_HUB_TRACE");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    return enabled;
}

void Trace(const char* format, ...) {
    if (!TraceEnabled()) {
        return;
    }
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}

}  // namespace zanvor
