// Exchange file reader over arbitrary bytes: parsing, integer reading and the collapse of the
// rows into what an import stores must neither crash nor run away.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "keys/ExchangeFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string name;
    std::vector<zanvor::KeyMacroData> rows;
    if (zanvor::ParseExchangeDocument(data, size, name, rows) == zanvor::ExchangeReadResult::Ok) {
        const std::vector<zanvor::KeyMacroData> kept = zanvor::CollapseKeyRows(rows);
        if (kept.size() > rows.size()) {
            __builtin_trap();
        }
        // What was read writes back and reads again to the same rows.
        const std::string written = zanvor::FormatExchangeDocument(name, kept);
        std::string again;
        std::vector<zanvor::KeyMacroData> reread;
        if (zanvor::ParseExchangeDocument(written.data(), written.size(), again, reread) !=
                zanvor::ExchangeReadResult::Ok ||
            reread.size() != kept.size()) {
            __builtin_trap();
        }
    }
    zanvor::ParseLeadingInt(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
