// Layout files describe every key of a model; a damaged or hand-edited one must parse without
// fault, and building the key maps from it must stay inside the key matrix (the sanitizers
// watch every index).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "device/KeyLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view xml(reinterpret_cast<const char*>(data), size);
    zanvor::KeyLayout layout;
    if (zanvor::ParseLayout(xml, layout)) {
        for (const int deviceType : {101, 102, 103, 160}) {
            zanvor::KeyMaps maps;
            zanvor::BuildKeyMaps(layout, deviceType, maps);
        }
    } else if (!layout.keys.empty()) {
        __builtin_trap();  // a refused document leaves the layout as it was (empty here)
    }
    int row = 0;
    int column = 0;
    if (zanvor::ParseRowCol(xml, row, column) &&
        (row < 0 || column < 0 || row > 9 || column > 99)) {
        __builtin_trap();
    }
    return 0;
}
