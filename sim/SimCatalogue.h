#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceCatalogue.h"
#include "device/KeyLayout.h"
#include "sim/SimHidBackend.h"
#include "sim/VirtualKeyboardModel.h"

namespace zanvor {

// The virtual keyboard of one catalogue model: its connections from config.xml, its keys from
// its layout file, and the features that neither file carries from the model's device type
// (knob when the layout has the knob key 0xFF, battery when it has a receiver connection,
// matrix screen for 102, no lighting for the keys-only models 150-180).
VirtualKeyboardModel ModelFromCatalogue(const KeyboardEntry& keyboard,
                                        const std::vector<ConnectionEntry>& connections,
                                        const KeyLayout& layout);

// Models of every keyboard in "<applicationFolder>config.xml", in catalogue order. A model
// whose layout file cannot be read gets no keys. False when config.xml cannot be read.
bool LoadCatalogueModels(const std::string& applicationFolder,
                         std::vector<VirtualKeyboardModel>& models);

// One entry of a --simulate selection.
struct SimSelection {
    int device_type = 0;
    int mode = 0;  // 0 cable, 1 receiver, 2 direct
};

// Parses "TYPE[:cable|:receiver|:direct],..." (spaces around entries allowed). An empty text is
// an empty list. False with a one-line reason for malformed text.
bool ParseSimSelection(std::string_view text, std::vector<SimSelection>& selection,
                       std::string& error);

// A backend with the selected devices of `models`; an empty selection means one cable keyboard
// per model (a model without cable connection uses its first one). Null with a one-line reason
// when the selection is malformed, names an unknown type or a connection the model lacks.
std::shared_ptr<SimHidBackend> MakeSimBackend(const std::vector<VirtualKeyboardModel>& models,
                                              std::string_view selection, std::string& error);

// Folder of the virtual keyboards' saved state: StateHome() + "zanvor-hub/".
std::string SimStateFolder();

// MakeSimBackend over the installed catalogue (ApplicationFolder()), with the keyboards' state
// kept in SimStateFolder() between runs. `selectionRefused`, when given, tells a selection that
// is malformed or names what the catalogue lacks (the caller's mistake) from an unreadable
// catalogue.
std::shared_ptr<SimHidBackend> MakeSimBackendFromCatalogue(std::string_view selection,
                                                           std::string& error,
                                                           bool* selectionRefused = nullptr);

}  // namespace zanvor
