#include "sim/SimCatalogue.h"

#include <algorithm>
#include <charconv>

#include "platform/Paths.h"

namespace zanvor {

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

const VirtualKeyboardModel* FindModel(const std::vector<VirtualKeyboardModel>& models, int type) {
    for (const VirtualKeyboardModel& model : models) {
        if (model.device_type == type) {
            return &model;
        }
    }
    return nullptr;
}

const char* ModeName(int mode) {
    switch (mode) {
        case 0:
            return "cable";
        case 1:
            return "receiver";
        default:
            return "direct";
    }
}

}  // namespace

VirtualKeyboardModel ModelFromCatalogue(const KeyboardEntry& keyboard,
                                        const std::vector<ConnectionEntry>& connections,
                                        const KeyLayout& layout) {
    VirtualKeyboardModel model;
    model.device_type = keyboard.deviceType;
    model.name = keyboard.name;
    for (const ConnectionEntry& entry : connections) {
        if (entry.deviceType != keyboard.deviceType) {
            continue;
        }
        model.connections.push_back({entry.mode, static_cast<uint16_t>(entry.vendorId),
                                     static_cast<uint16_t>(entry.productId), entry.productName});
        model.has_battery = model.has_battery || entry.mode == kModeReceiver;
    }
    for (const LayoutKey& key : layout.keys) {
        model.keys.push_back({key.code, key.keyIndex, key.lightIndex,
                              key.rectLeft + key.rectWidth / 2, key.rectTop + key.rectHeight / 2});
        model.has_knob = model.has_knob || key.code == 0xFF;
    }
    const int type = keyboard.deviceType;
    if (type >= 150 && type <= 180) {
        // Keys only: no lighting protocol, so the program sends no light modes.
        model.lighting_protocol_version = 0;
    } else {
        model.has_zone1 = type != 102;
        model.has_zone2 = type != 103;
        model.has_matrix_screen = type == 102;
    }
    // Model 102 ships with firmware 1.14, one below the version its firmware tool brings.
    model.firmware_version = type == 102 ? 0x0114 : 0x0120;
    return model;
}

bool LoadCatalogueModels(const std::string& applicationFolder,
                         std::vector<VirtualKeyboardModel>& models) {
    models.clear();
    DeviceCatalogue catalogue;
    if (!ReadCatalogueFile(applicationFolder, catalogue)) {
        return false;
    }
    for (const KeyboardEntry& keyboard : catalogue.keyboards) {
        KeyLayout layout;
        ReadLayoutFile(LayoutFilePath(applicationFolder, keyboard.layoutName), layout);
        models.push_back(ModelFromCatalogue(keyboard, catalogue.connections, layout));
    }
    return true;
}

bool ParseSimSelection(std::string_view text, std::vector<SimSelection>& selection,
                       std::string& error) {
    selection.clear();
    if (Trim(text).empty()) {
        return true;
    }
    while (true) {
        const size_t comma = text.find(',');
        const std::string_view item = Trim(text.substr(0, comma));
        const size_t colon = item.find(':');
        const std::string_view typeText = Trim(item.substr(0, colon));
        SimSelection entry;
        const auto [end, status] =
            std::from_chars(typeText.data(), typeText.data() + typeText.size(), entry.device_type);
        if (typeText.empty() || status != std::errc() || end != typeText.data() + typeText.size() ||
            entry.device_type <= 0) {
            error = "invalid keyboard type '" + std::string(item) + "' in --simulate";
            return false;
        }
        if (colon != std::string_view::npos) {
            const std::string_view mode = Trim(item.substr(colon + 1));
            if (mode == "cable") {
                entry.mode = 0;
            } else if (mode == "receiver") {
                entry.mode = 1;
            } else if (mode == "direct") {
                entry.mode = 2;
            } else {
                error = "invalid connection '" + std::string(mode) +
                        "' in --simulate (cable, receiver or direct)";
                return false;
            }
        }
        selection.push_back(entry);
        if (comma == std::string_view::npos) {
            return true;
        }
        text.remove_prefix(comma + 1);
    }
}

std::shared_ptr<SimHidBackend> MakeSimBackend(const std::vector<VirtualKeyboardModel>& models,
                                              std::string_view selectionText, std::string& error) {
    std::vector<SimSelection> selection;
    if (!ParseSimSelection(selectionText, selection, error)) {
        return nullptr;
    }
    if (selection.empty()) {
        for (const VirtualKeyboardModel& model : models) {
            if (model.Connection(0) != nullptr) {
                selection.push_back({model.device_type, 0});
            } else if (!model.connections.empty()) {
                selection.push_back({model.device_type, model.connections.front().mode});
            }
        }
    }
    for (const SimSelection& entry : selection) {
        const VirtualKeyboardModel* model = FindModel(models, entry.device_type);
        if (model == nullptr) {
            error =
                "no keyboard of type " + std::to_string(entry.device_type) + " in the catalogue";
            return nullptr;
        }
        if (model->Connection(entry.mode) == nullptr) {
            error = "keyboard type " + std::to_string(entry.device_type) + " has no " +
                    ModeName(entry.mode) + " connection";
            return nullptr;
        }
    }
    auto backend = std::make_shared<SimHidBackend>();
    for (const SimSelection& entry : selection) {
        backend->AddDevice(*FindModel(models, entry.device_type), entry.mode);  // repeats: no-op
    }
    return backend;
}

std::string SimStateFolder() {
    return StateHome() + "zanvor-hub/";
}

std::shared_ptr<SimHidBackend> MakeSimBackendFromCatalogue(std::string_view selection,
                                                           std::string& error,
                                                           bool* selectionRefused) {
    std::vector<VirtualKeyboardModel> models;
    if (!LoadCatalogueModels(ApplicationFolder(), models)) {
        error = "cannot read the keyboard catalogue " + ApplicationFolder() + "config.xml";
        return nullptr;
    }
    // Setting the folder loads the saved state of every keyboard just added.
    auto backend = MakeSimBackend(models, selection, error);
    if (backend) {
        backend->SetStateFolder(SimStateFolder());
    } else if (selectionRefused != nullptr) {
        *selectionRefused = true;
    }
    return backend;
}

}  // namespace zanvor
