#include "platform/Utf8.h"

namespace zanvor {

void AppendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        c = 0xFFFD;
    }
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string WideToUtf8(const wchar_t* text) {
    std::string out;
    if (text == nullptr) {
        return out;
    }
    for (; *text != 0; ++text) {
        AppendUtf8(out, static_cast<char32_t>(*text));
    }
    return out;
}

}  // namespace zanvor

namespace zanvor {

namespace {

// Length of the well-formed sequence starting at text[i] (1-4), 0 when there is none
// (overlong forms, surrogates and values beyond U+10FFFF are not well-formed).
size_t SequenceLength(std::string_view text, size_t i, char32_t& code) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    size_t length = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return 0;
    }
    return length;
}

// Copies the text's well-formed sequences, writes U+FFFD for every other byte and a blank for
// every code point `blank` picks.
template <typename Blank>
std::string Rewrite(std::string_view text, Blank blank) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t code = 0;
        const size_t length = SequenceLength(text, i, code);
        if (length == 0) {
            AppendUtf8(out, 0xFFFD);
            ++i;
            continue;
        }
        if (blank(code)) {
            out += ' ';
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

}  // namespace

std::string RepairUtf8(std::string_view text) {
    return Rewrite(text, [](char32_t) { return false; });
}

std::string SingleLineText(std::string_view text) {
    // C0, DEL and C1 controls, and the line and paragraph separators.
    return Rewrite(text, [](char32_t code) {
        return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029;
    });
}

bool IsBlank(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        char32_t code = 0;
        const size_t length = SequenceLength(text, i, code);
        if (length == 0) {
            return false;
        }
        const bool blank = code == ' ' || (code >= 0x09 && code <= 0x0D) || code == 0xA0 ||
                           code == 0x2007 || code == 0x202F || code == 0x3000 ||
                           (code >= 0x2000 && code <= 0x200B);
        if (!blank) {
            return false;
        }
        i += length;
    }
    return true;
}

}  // namespace zanvor
