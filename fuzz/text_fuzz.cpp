// Language files and the texts that come from outside (profile names from the command line,
// an import file or an older database): decoding must give valid UTF-8, cut texts must stay
// within their length, and one-line names must hold no control characters.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Utf8.h"
#include "ui/LanguageFile.h"
#include "ui/LoadText.h"

namespace {

bool ValidUtf8(const std::string& text) {
    return zanvor::RepairUtf8(text) == text;
}

size_t CodePoints(const std::string& text) {
    size_t count = 0;
    for (const char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const zanvor::LanguageFile file = zanvor::LanguageFile::Parse(bytes);
    for (const auto& [section, key] : file.Keys()) {
        const std::string value = file.Value(section, key);
        if (!ValidUtf8(value) || CodePoints(value) > zanvor::kMaxTextLength) {
            __builtin_trap();
        }
    }
    if (!ValidUtf8(zanvor::DecodeText(bytes))) {
        __builtin_trap();
    }

    const std::string repaired = zanvor::RepairUtf8(bytes);
    const std::string line = zanvor::SingleLineText(bytes);
    if (!ValidUtf8(repaired) || !ValidUtf8(line) || zanvor::RepairUtf8(repaired) != repaired) {
        __builtin_trap();
    }
    for (const char c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            __builtin_trap();
        }
    }
    zanvor::IsBlank(bytes);
    zanvor::CutToCharacters(repaired, static_cast<size_t>(size % 300));
    return 0;
}
