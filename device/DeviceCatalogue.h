#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zanvor {

class CDeviceList;

// Connection modes of a catalogue entry.
inline constexpr int kModeCable = 0;
inline constexpr int kModeReceiver = 1;
inline constexpr int kModeDirect = 2;

// One keyboard model of the catalogue (a `keyboard` element).
struct KeyboardEntry {
    std::string name;  // shown in the device list; names the model's database
    int deviceType = 0;
    std::string layoutName;       // device_info: base name of the layout file
    std::string imgConnected;     // full path below "<application folder>device/"
    std::string imgDisconnected;  // full path below "<application folder>device/"
};

// One way of reaching a keyboard model (a `mode` element inside a `keyboard`).
struct ConnectionEntry {
    int deviceType = 0;
    std::string layoutName;
    std::string imgConnected;
    std::string imgDisconnected;
    std::string productName;  // HID product string that must match; empty = any
    int mode = 0;             // kModeCable, kModeReceiver, kModeDirect
    int vendorId = 0;
    int productId = 0;
    std::string desc;
    std::string hidInterface;  // upper-case substring of the interface's device path
    bool present = false;      // set by the scan, cleared by a removal
};

// The `software` element: application name, installed version and web links.
struct SoftwareInfo {
    std::string name;
    std::string version;
    std::string website;
    std::string feedback;
    std::string faqs;
    std::string store;
    std::string upgrade;  // update service address
};

// Everything config.xml holds.
struct DeviceCatalogue {
    std::vector<int> languages;  // LCIDs of `language.info`/`lan`, file order
    SoftwareInfo software;
    std::vector<KeyboardEntry> keyboards;      // file order
    std::vector<ConnectionEntry> connections;  // file order, modes of each keyboard in turn
};

// Parses a number written in hexadecimal, with or without a "0x" prefix ("0A1B", "0x36b0").
// Empty, malformed or out-of-range text reads as 0.
uint32_t ParseHexText(std::string_view text);
// Parses a decimal integer with an optional sign. Empty, malformed or out-of-range text reads
// as 0.
int ParseDecimalText(std::string_view text);

// Parses a config.xml document. Picture paths become applicationFolder + "device/" + file
// name (an empty file name stays empty). Missing attributes read as empty text or 0; a
// missing `device.info` or `software` leaves that part empty. False when the text is not
// well-formed XML or has no `config` root; `out` is then empty.
bool ParseCatalogue(std::string_view xml, const std::string& applicationFolder,
                    DeviceCatalogue& out);
// Reads "<applicationFolder>config.xml". A missing or malformed file gives false and an empty
// catalogue: no model is recognised and the device list stays empty.
bool ReadCatalogueFile(const std::string& applicationFolder, DeviceCatalogue& out);

// The device type to select for the stored `DeviceType` value: below 100 (unset) means 101.
int DeviceTypeToSelect(int storedDeviceType);

// The keyboard entry of a device type, or nullptr.
const KeyboardEntry* FindKeyboard(const std::vector<KeyboardEntry>& keyboards, int deviceType);

// The first connection entry whose interface pattern occurs in `upperPath` (a device path
// already converted to upper case); with presentOnly, only entries marked present are
// considered. An empty pattern matches nothing. Returns the entry's index, or -1.
int FindConnectionByPath(const std::vector<ConnectionEntry>& connections,
                         std::string_view upperPath, bool presentOnly);

// Refills the device list from the catalogue: clears it, then adds every keyboard model (name,
// type, pictures) in file order. The selection is left to the caller (it is cleared).
void FillDeviceList(const DeviceCatalogue& catalogue, CDeviceList& list);

// Upper-cases the ASCII letters of a device path, as the interface patterns are written.
std::string UpperCasePath(std::string_view path);

}  // namespace zanvor
