#include "app/CliOutput.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <utility>

#include "app/CliSession.h"
#include "device/DeviceManager.h"
#include "device/UdevRule.h"
#include "platform/HidapiBackend.h"
#include "platform/Utf8.h"

namespace zanvor {

void PrintJson(const nlohmann::json& document) {
    std::cout << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

namespace {

constexpr size_t kLongestWord = 80;    // characters of one word (an echoed argument)
constexpr size_t kLongestLine = 1000;  // characters of the whole reason
constexpr const char* kCut = "\u2026";

// The length of the well-formed UTF-8 sequence at `at`, 0 when the byte there begins none.
size_t SequenceLength(const std::string& text, size_t at) {
    const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        return 1;
    }
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high) {
        return 0;
    }
    for (size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

// The characters of a reason as they are printed: control characters and bytes that are not
// UTF-8 escaped ("\n", "\x1B", "\xFF"), each with whether it separates words.
std::vector<std::pair<std::string, bool>> PrintedCharacters(const std::string& text) {
    std::vector<std::pair<std::string, bool>> characters;
    for (size_t at = 0; at < text.size();) {
        const size_t length = SequenceLength(text, at);
        const auto byte = static_cast<unsigned char>(text[at]);
        const bool c1 =
            length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0;
        if (length == 0 || byte < 0x20 || byte == 0x7F || c1) {
            const unsigned char shown = c1 ? static_cast<unsigned char>(text[at + 1]) : byte;
            char escaped[8];
            if (shown == '\n' || shown == '\t' || shown == '\r') {
                std::snprintf(escaped, sizeof escaped, "\\%c",
                              shown == '\n'   ? 'n'
                              : shown == '\t' ? 't'
                                              : 'r');
            } else {
                std::snprintf(escaped, sizeof escaped, "\\x%02X", shown);
            }
            characters.emplace_back(escaped, shown == '\n' || shown == '\t' || shown == '\r');
            at += c1 ? 2 : 1;
            continue;
        }
        characters.emplace_back(text.substr(at, length), byte == ' ');
        at += length;
    }
    return characters;
}

}  // namespace

std::string PrintableReason(const std::string& reason) {
    const std::vector<std::pair<std::string, bool>> characters = PrintedCharacters(reason);
    // Which characters are shown: a long word keeps its beginning and its end (a path its
    // file name), the middle becomes "…".
    std::vector<bool> shown(characters.size(), true);
    std::vector<bool> cutBefore(characters.size() + 1, false);
    for (size_t begin = 0; begin < characters.size();) {
        size_t end = begin;
        while (end < characters.size() && !characters[end].second) {
            ++end;
        }
        if (end - begin > kLongestWord) {
            const size_t head = kLongestWord / 2;
            const size_t tail = kLongestWord - head - 1;
            for (size_t i = begin + head; i < end - tail; ++i) {
                shown[i] = false;
            }
            cutBefore[end - tail] = true;
        }
        begin = end + 1;
    }
    std::string line;
    size_t count = 0;
    for (size_t i = 0; i < characters.size(); ++i) {
        if (cutBefore[i]) {
            line += kCut;
            ++count;
        }
        if (!shown[i]) {
            continue;
        }
        if (count >= kLongestLine) {
            line += kCut;
            break;
        }
        line += characters[i].first;
        ++count;
    }
    return line;
}

int Fail(int status, const std::string& reason) {
    std::string line = PrintableReason(reason);
    if (status == kCliNoKeyboard) {
        if (const std::string unreachable = UnreachableKeyboardsText(); !unreachable.empty()) {
            line += "; " + unreachable;
        }
    }
    std::cerr << "zanvorctl: " << line << "\n";
    return status;
}

int FinishOutput(int status) {
    errno = 0;
    std::cout.flush();
    if (std::cout.good()) {
        return status;
    }
    const int error = errno;
    std::cout.clear();
    if (status != 0) {
        return status;
    }
    return Fail(1, std::string("cannot write the output") +
                       (error != 0 ? std::string(": ") + std::strerror(error) : std::string()));
}

namespace {
// One cell on one line: control characters escaped, bad bytes as U+FFFD.
std::string PrintableCell(const std::string& text) {
    const std::string valid = RepairUtf8(text);
    std::string out;
    out.reserve(valid.size());
    for (const char c : valid) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}
}  // namespace

std::string UnreachableKeyboardsText() {
    const std::vector<UnreachableInterface> unreachable =
        DeviceManager::Instance().UnreachableInterfaces();
    if (unreachable.empty()) {
        return {};
    }
    std::string nodes;
    for (const UnreachableInterface& interface : unreachable) {
        const std::string node = HidrawNodeName(interface.path);
        nodes += (nodes.empty() ? "" : ", ") + (node.empty() ? interface.path : "/dev/" + node);
    }
    const bool several = unreachable.size() > 1;
    return std::string("this user may not open the Zanvor keyboard") + (several ? "s" : "") +
           " plugged in (" + nodes + "): install the package's udev rule (" + kUdevRuleFileName +
           "), then unplug the keyboard" + (several ? "s" : "") + " and plug " +
           (several ? "them" : "it") + " in again";
}

TextTable::TextTable(std::vector<std::string> header) {
    AddRow(std::move(header));
}

void TextTable::AddRow(std::vector<std::string> row) {
    for (std::string& cell : row) {
        cell = PrintableCell(cell);
    }
    rows_.push_back(std::move(row));
}

namespace {
// Columns a code point takes in a terminal: 0 for combining marks, 2 for East Asian wide
// characters and pictographs, else 1.
size_t CodePointWidth(char32_t c) {
    if ((c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) ||
        (c >= 0xFE00 && c <= 0xFE0F)) {
        return 0;
    }
    if ((c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
        (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
        (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
        (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1FAFF) ||
        (c >= 0x20000 && c <= 0x3FFFD)) {
        return 2;
    }
    return 1;
}

// Display width of UTF-8 text, so captions in any script stay aligned.
size_t DisplayWidth(const std::string& text) {
    size_t width = 0;
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80    ? 1
                              : lead >= 0xF0 ? 4
                              : lead >= 0xE0 ? 3
                              : lead >= 0xC0 ? 2
                                             : 1;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length && i + k < text.size(); ++k) {
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        width += CodePointWidth(c);
        i += length;
    }
    return width;
}
}  // namespace

void TextTable::Print(std::ostream& out) const {
    std::vector<size_t> widths;
    for (const auto& row : rows_) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], DisplayWidth(row[i]));
        }
    }
    for (const auto& row : rows_) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) {
                line += std::string(widths[i] - DisplayWidth(row[i]) + 2, ' ');
            }
        }
        while (!line.empty() && line.back() == ' ') {
            line.pop_back();
        }
        out << line << "\n";
    }
}

}  // namespace zanvor
