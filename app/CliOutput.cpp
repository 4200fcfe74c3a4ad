#include "app/CliOutput.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "platform/Utf8.h"

namespace zanvor {

void PrintJson(const nlohmann::json& document) {
    std::cout << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

int Fail(int status, const std::string& reason) {
    std::cerr << "zanvorctl: " << reason << "\n";
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
// Display width in code points, so captions with non-ASCII letters stay aligned.
size_t DisplayWidth(const std::string& text) {
    return std::count_if(text.begin(), text.end(),
                         [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
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
