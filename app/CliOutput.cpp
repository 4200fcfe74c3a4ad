#include "app/CliOutput.h"

#include <algorithm>
#include <iostream>

#include "app/CliSession.h"
#include "device/DeviceManager.h"
#include "device/UdevRule.h"
#include "platform/HidapiBackend.h"

namespace zanvor {

void PrintJson(const nlohmann::json& document) {
    std::cout << document.dump(2) << "\n";
}

int Fail(int status, const std::string& reason) {
    std::string line = reason;
    if (status == kCliNoKeyboard) {
        if (const std::string unreachable = UnreachableKeyboardsText(); !unreachable.empty()) {
            line += "; " + unreachable;
        }
    }
    std::cerr << "zanvorctl: " << line << "\n";
    return status;
}

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
    rows_.push_back(std::move(header));
}

void TextTable::AddRow(std::vector<std::string> row) {
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
