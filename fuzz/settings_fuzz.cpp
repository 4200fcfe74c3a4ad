// settings.conf can be edited by hand or replaced by anything: every text must parse, and what
// parsed must survive being written and read again unchanged (no value is lost or altered
// when the program rewrites the file to change another value).

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Registry.h"
#include "platform/SettingsStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const zanvor::SettingsEntries entries = zanvor::ParseSettings(text);
    const zanvor::SettingsEntries again = zanvor::ParseSettings(zanvor::FormatSettings(entries));
    if (again != entries) {
        __builtin_trap();
    }
    for (const auto& [name, value] : entries) {
        zanvor::ParseSettingInt(value);
    }
    zanvor::ParseSettingInt(text);
    return 0;
}
