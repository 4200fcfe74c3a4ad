#include "device/DeviceCatalogue.h"

#include <cctype>
#include <charconv>
#include <climits>

#include <pugixml.hpp>

#include "platform/FileRead.h"
#include "ui/CDeviceList.h"

namespace zanvor {

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

std::string Text(const pugi::xml_node& node, const char* attribute) {
    return node.attribute(attribute).as_string("");
}

int Decimal(const pugi::xml_node& node, const char* attribute) {
    return ParseDecimalText(node.attribute(attribute).as_string(""));
}

int Hex(const pugi::xml_node& node, const char* attribute) {
    return static_cast<int>(ParseHexText(node.attribute(attribute).as_string("")));
}

std::string PicturePath(const std::string& applicationFolder, const std::string& file) {
    return file.empty() ? std::string() : applicationFolder + "device/" + file;
}

}  // namespace

uint32_t ParseHexText(std::string_view text) {
    text = Trim(text);
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    uint32_t value = 0;
    if (text.empty()) {
        return 0;
    }
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size()) {
        return 0;
    }
    return value;
}

int ParseDecimalText(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    int value = 0;
    if (text.empty()) {
        return 0;
    }
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (error != std::errc() || end != text.data() + text.size()) {
        return 0;
    }
    return value;
}

namespace {

bool ParseDocument(const pugi::xml_document& document, const std::string& applicationFolder,
                   DeviceCatalogue& out) {
    pugi::xml_node config = document.child("config");
    if (!config) {
        return false;
    }

    for (pugi::xml_node lan : config.child("language.info").children("lan")) {
        out.languages.push_back(Decimal(lan, "value"));
    }

    if (pugi::xml_node software = config.child("software")) {
        out.software.name = Text(software, "name");
        out.software.version = Text(software, "version");
        out.software.website = Text(software.child("website"), "url");
        out.software.feedback = Text(software.child("feedback"), "url");
        out.software.faqs = Text(software.child("faqs"), "url");
        out.software.store = Text(software.child("store"), "url");
        out.software.upgrade = Text(software.child("upgrade"), "url");
    }

    for (pugi::xml_node keyboard : config.child("device.info").children("keyboard")) {
        KeyboardEntry entry;
        entry.name = Text(keyboard, "name");
        entry.deviceType = Decimal(keyboard, "device_type");
        entry.layoutName = Text(keyboard, "device_info");
        entry.imgConnected = PicturePath(applicationFolder, Text(keyboard, "img_connected"));
        entry.imgDisconnected = PicturePath(applicationFolder, Text(keyboard, "img_disconnected"));

        for (pugi::xml_node mode : keyboard.children("mode")) {
            ConnectionEntry connection;
            connection.deviceType = entry.deviceType;
            connection.layoutName = entry.layoutName;
            connection.imgConnected = entry.imgConnected;
            connection.imgDisconnected = entry.imgDisconnected;
            connection.mode = Decimal(mode, "value");
            connection.desc = Text(mode, "desc");
            connection.vendorId = Hex(mode, "vid");
            connection.productId = Hex(mode, "pid");
            connection.productName = Text(mode, "product_name");
            connection.hidInterface = Text(mode, "hid_interface");
            out.connections.push_back(std::move(connection));
        }
        out.keyboards.push_back(std::move(entry));
    }
    return true;
}

}  // namespace

bool ParseCatalogue(std::string_view xml, const std::string& applicationFolder,
                    DeviceCatalogue& out) {
    out = DeviceCatalogue{};
    pugi::xml_document document;
    if (!document.load_buffer(xml.data(), xml.size())) {
        return false;
    }
    return ParseDocument(document, applicationFolder, out);
}

bool ReadCatalogueFile(const std::string& applicationFolder, DeviceCatalogue& out) {
    out = DeviceCatalogue{};
    pugi::xml_document document;
    const std::string path = applicationFolder + "config.xml";
    // Only a regular file, read without waiting and only up to the limit. load_buffer detects
    // the encoding (UTF-8, UTF-16 with a byte order mark) as load_file does.
    std::string bytes;
    if (ReadRegularFile(path, kMaxUserFileBytes, bytes) != FileReadResult::kOk ||
        !document.load_buffer(bytes.data(), bytes.size())) {
        return false;
    }
    return ParseDocument(document, applicationFolder, out);
}

int DeviceTypeToSelect(int storedDeviceType) {
    return storedDeviceType < 100 ? 101 : storedDeviceType;
}

const KeyboardEntry* FindKeyboard(const std::vector<KeyboardEntry>& keyboards, int deviceType) {
    for (const KeyboardEntry& entry : keyboards) {
        if (entry.deviceType == deviceType) {
            return &entry;
        }
    }
    return nullptr;
}

int FindConnectionByPath(const std::vector<ConnectionEntry>& connections,
                         std::string_view upperPath, bool presentOnly) {
    for (size_t i = 0; i < connections.size(); ++i) {
        const ConnectionEntry& entry = connections[i];
        if (entry.hidInterface.empty() || (presentOnly && !entry.present)) {
            continue;
        }
        if (upperPath.find(entry.hidInterface) != std::string_view::npos) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void FillDeviceList(const DeviceCatalogue& catalogue, CDeviceList& list) {
    list.ClearList();
    for (const KeyboardEntry& keyboard : catalogue.keyboards) {
        list.AddDevice(keyboard.name, keyboard.deviceType, keyboard.imgConnected,
                       keyboard.imgDisconnected);
    }
}

std::string UpperCasePath(std::string_view path) {
    std::string upper(path);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

}  // namespace zanvor
