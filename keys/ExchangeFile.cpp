#include "keys/ExchangeFile.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <utility>

#include <pugixml.hpp>

#include "platform/FileRead.h"
#include "platform/FileWrite.h"

namespace zanvor {

namespace {

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

// Collects pugixml's output and turns its LF line breaks into CR LF. Attribute values never
// hold a raw line break (the writer escapes CR and LF inside them), so every LF here is one
// the formatter put between elements.
class CrLfWriter : public pugi::xml_writer {
  public:
    explicit CrLfWriter(std::string& out) : out_(out) {}
    void write(const void* data, size_t size) override {
        const char* bytes = static_cast<const char*>(data);
        for (size_t i = 0; i < size; ++i) {
            if (bytes[i] == '\n') {
                out_ += '\r';
            }
            out_ += bytes[i];
        }
    }

  private:
    std::string& out_;
};

void SetInt(pugi::xml_node node, const char* name, int value) {
    node.append_attribute(name).set_value(std::to_string(value).c_str());
}

void SetText(pugi::xml_node node, const char* name, const std::string& value) {
    node.append_attribute(name).set_value(value.c_str());
}

int GetInt(const pugi::xml_node& node, const char* name) {
    return ParseLeadingInt(node.attribute(name).value());
}

ExchangeReadResult ReadDocument(const pugi::xml_document& document, std::string& name,
                                std::vector<KeyMacroData>& rows) {
    const pugi::xml_node profile = document.child("profile");
    if (!profile) {
        return ExchangeReadResult::NoProfile;
    }
    name = profile.child("profileinfo").attribute("name").value();
    const pugi::xml_node keys = profile.child("key_macro");
    for (const pugi::xml_node item : keys.children("item")) {
        KeyMacroData row;
        row.fn_layer = GetInt(item, "fn_layer");
        row.key_code = GetInt(item, "key_code");
        row.layout_value = GetInt(item, "layout_value");
        row.layout_desc = item.attribute("layout_desc").value();
        row.macro_type = GetInt(item, "macro_type");
        row.macro_value = GetInt(item, "macro_value");
        row.macro_value2 = GetInt(item, "macro_value2");
        row.macro_value3 = GetInt(item, "macro_value3");
        row.macro_desc = item.attribute("macro_desc").value();
        rows.push_back(std::move(row));
    }
    return ExchangeReadResult::Ok;
}

ExchangeReadResult LoadResult(const pugi::xml_parse_result& parsed) {
    switch (parsed.status) {
        case pugi::status_ok:
            return ExchangeReadResult::Ok;
        case pugi::status_file_not_found:
        case pugi::status_io_error:
            return ExchangeReadResult::Unreadable;
        default:
            return ExchangeReadResult::NotXml;
    }
}

}  // namespace

int ParseLeadingInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' ||
                               text[i] == '\n' || text[i] == '\v' || text[i] == '\f')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Saturates at 2^31, which is enough to clamp either sign, and keeps the products small.
    constexpr int64_t kCap = int64_t{INT_MAX} + 1;
    int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = std::min(magnitude * 10 + (text[i] - '0'), kCap);
    }
    if (negative) {
        return static_cast<int>(-magnitude);
    }
    return static_cast<int>(std::min(magnitude, int64_t{INT_MAX}));
}

std::string FormatExchangeDocument(const std::string& name, const std::vector<KeyMacroData>& rows) {
    pugi::xml_document document;
    pugi::xml_node profile = document.append_child("profile");
    SetText(profile.append_child("profileinfo"), "name", name);
    pugi::xml_node keys = profile.append_child("key_macro");
    for (const KeyMacroData& row : rows) {
        pugi::xml_node item = keys.append_child("item");
        SetInt(item, "fn_layer", row.fn_layer);
        SetInt(item, "key_code", row.key_code);
        SetInt(item, "layout_value", row.layout_value);
        SetText(item, "layout_desc", row.layout_desc);
        SetInt(item, "macro_type", row.macro_type);
        SetInt(item, "macro_value", row.macro_value);
        SetInt(item, "macro_value2", row.macro_value2);
        SetInt(item, "macro_value3", row.macro_value3);
        SetText(item, "macro_desc", row.macro_desc);
    }
    std::string out = kDeclaration;
    CrLfWriter writer(out);
    document.save(writer, "\t", pugi::format_indent | pugi::format_no_declaration,
                  pugi::encoding_utf8);
    return out;
}

bool WriteExchangeFile(const std::string& path, const std::string& name,
                       const std::vector<KeyMacroData>& rows, std::string* error) {
    // Replaces only a regular file, through a temporary file, so a failed export leaves the
    // old file whole and never writes into a device or a FIFO.
    std::string reason;
    const bool written = WriteRegularFile(path, FormatExchangeDocument(name, rows), reason);
    if (!written && error != nullptr) {
        *error = reason;
    }
    return written;
}

ExchangeReadResult ParseExchangeDocument(const void* data, size_t size, std::string& name,
                                         std::vector<KeyMacroData>& rows) {
    name.clear();
    rows.clear();
    pugi::xml_document document;
    const ExchangeReadResult loaded = LoadResult(document.load_buffer(data, size));
    if (loaded != ExchangeReadResult::Ok) {
        return loaded;
    }
    return ReadDocument(document, name, rows);
}

ExchangeReadResult ReadExchangeFile(const std::string& path, std::string& name,
                                    std::vector<KeyMacroData>& rows) {
    name.clear();
    rows.clear();
    std::string bytes;
    switch (ReadRegularFile(path, kMaxUserFileBytes, bytes)) {
        case FileReadResult::kOk:
            break;
        case FileReadResult::kNotRegular:
            return ExchangeReadResult::NotAFile;
        case FileReadResult::kTooLarge:
            return ExchangeReadResult::TooLarge;
        case FileReadResult::kMissing:
        case FileReadResult::kUnreadable:
            return ExchangeReadResult::Unreadable;
    }
    return ParseExchangeDocument(bytes.data(), bytes.size(), name, rows);
}

std::vector<KeyMacroData> CollapseKeyRows(const std::vector<KeyMacroData>& rows) {
    // (fn_layer, key_code) -> index of the key's last row.
    std::map<std::pair<int, int>, size_t> last;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].key_code != 0) {
            last[{rows[i].fn_layer, rows[i].key_code}] = i;
        }
    }
    std::vector<bool> keep(rows.size(), false);
    for (const auto& [key, index] : last) {
        const KeyMacroData& row = rows[index];
        keep[index] = row.macro_value != 0 || row.macro_value2 != 0;
    }
    std::vector<KeyMacroData> result;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (keep[i]) {
            result.push_back(rows[i]);
        }
    }
    return result;
}

}  // namespace zanvor
