#include "serve/KeyboardHub.h"

#include "app/DevicePages.h"
#include "app/DeviceSession.h"
#include "app/KeyboardDlg.h"
#include "device/DeviceCatalogue.h"
#include "lighting/LightModeSettings.h"
#include "lighting/LightRows.h"
#include "platform/Registry.h"
#include "serve/SdkDescription.h"
#include "store/DataStore.h"
#include "ui/LoadText.h"

namespace zanvor {

SdkServerOptions ReadSdkServerSettings() {
    SdkServerOptions options;
    const std::string address = ReadRegistryText(kSdkAddressValue);
    if (!address.empty()) {
        options.address = address;
    }
    const int port = ReadRegistryInt(kSdkPortValue);
    if (port > 0 && port <= 65535) {
        options.port = static_cast<uint16_t>(port);
    }
    options.allowOtherUsers = ReadRegistryInt(kSdkAllowOtherUsersValue) == 1;
    return options;
}

KeyboardHub::KeyboardHub(KeyboardDlg& dialog) : dialog_(dialog), server_(*this) {
    presence_ = CurrentPresence();
    deviceObserver_ = dialog_.deviceList.AddObserver([this](int) { CheckPresence(); });
    DirectStream& direct = dialog_.Pages().direct;
    directObserver_ = direct.AddObserver([this, &direct] {
        // The window took the keyboard back: clients drop Direct and read the list again.
        if (direct.TakenBack()) {
            server_.NotifyDeviceListUpdated();
        }
    });
}

KeyboardHub::~KeyboardHub() {
    dialog_.deviceList.RemoveObserver(deviceObserver_);
    dialog_.Pages().direct.RemoveObserver(directObserver_);
    Stop();
}

bool KeyboardHub::Start(const SdkServerOptions& options, std::string* error) {
    return server_.Start(options, error);
}

void KeyboardHub::Stop() {
    server_.Stop();
}

KeyboardHub::Presence KeyboardHub::CurrentPresence() const {
    const SessionState& session = dialog_.session;
    Presence presence;
    presence.online = session.devicePresent.load() && session.deviceOnline.load();
    if (presence.online) {
        presence.deviceType = session.currentDeviceType.load();
        presence.connectionMode = session.currentConnectionMode.load();
    }
    return presence;
}

void KeyboardHub::CheckPresence() {
    const Presence now = CurrentPresence();
    {
        std::lock_guard lock(mutex_);
        if (now == presence_) {
            return;
        }
        presence_ = now;
    }
    server_.NotifyDeviceListUpdated();
}

std::vector<SdkController> KeyboardHub::Controllers() {
    const Presence presence = CurrentPresence();
    if (!presence.online) {
        std::lock_guard lock(mutex_);
        ledCodes_.clear();
        return {};
    }
    SessionState& session = dialog_.session;
    DataStore& store = dialog_.Store();
    KeyboardFacts facts;
    const DeviceCatalogue catalogue = dialog_.CatalogueCopy();
    const KeyboardEntry* keyboard = FindKeyboard(catalogue.keyboards, presence.deviceType);
    facts.modelName = keyboard != nullptr ? keyboard->name : "Zanvor keyboard";
    facts.deviceType = presence.deviceType;
    facts.connectionMode = presence.connectionMode;
    facts.info = session.Info();
    facts.layout = dialog_.Keyboards().LayoutCopy();
    const int profile = session.currentProfile.load();
    store.ListLightRows(profile, kLightMain, facts.mainRows);
    facts.activeMainMode = store.GetActiveLightMode(profile, kLightMain);
    std::string enabled;
    facts.lightingEnabled =
        !store.GetConfigValue(profile, "enable_light", enabled) || enabled != "0";
    facts.text = [](int id) { return LoadText("KB.DIALOG", id); };
    std::vector<SdkController> controllers{DescribeKeyboard(facts)};

    std::vector<std::vector<int>> codes;
    for (const SdkController& controller : controllers) {
        std::vector<int>& ledCodes = codes.emplace_back();
        for (const SdkLed& led : controller.leds) {
            ledCodes.push_back(static_cast<int>(led.value));
        }
    }
    std::lock_guard lock(mutex_);
    ledCodes_ = std::move(codes);
    return controllers;
}

void KeyboardHub::DirectFrame(size_t device, const std::vector<uint32_t>& colors,
                              const std::string& client) {
    std::vector<std::pair<int, uint32_t>> items;
    {
        std::lock_guard lock(mutex_);
        if (device >= ledCodes_.size() || ledCodes_[device].size() != colors.size()) {
            return;
        }
        items.reserve(colors.size());
        for (size_t i = 0; i < colors.size(); ++i) {
            items.emplace_back(ledCodes_[device][i], colors[i] & 0xFFFFFF);
        }
    }
    dialog_.Pages().direct.Frame(client, std::move(items));
}

void KeyboardHub::ChangeMode(size_t device, size_t modeIndex, const SdkMode& mode, bool save) {
    (void)modeIndex;
    if (device != 0) {
        return;
    }
    // The client's mode follows at once: the keyboard's stored mode is not written in between.
    dialog_.Pages().direct.End(false);
    LightModeSettings settings;
    if (mode.flags & kSdkModeHasSpeed) {
        settings.speed = static_cast<int>(mode.speed);
    }
    if (mode.flags & kSdkModeHasBrightness) {
        settings.brightness = static_cast<int>(mode.brightness);
    }
    if (mode.flags & (kSdkModeHasDirectionLR | kSdkModeHasDirectionUD)) {
        settings.direction = static_cast<int>(mode.direction);
    }
    if (mode.colorMode == kSdkColorModeSpecific && !mode.colors.empty()) {
        settings.color = mode.colors.front() & 0xFFFFFF;
    } else if (mode.colorMode == kSdkColorRandom) {
        settings.colorful = true;
    }
    dialog_.Pages().lighting.RequestLightMode(kLightMain, mode.value, settings, save);
}

void KeyboardHub::DirectEnded(size_t device) {
    if (device == 0) {
        dialog_.Pages().direct.End();
    }
}

void KeyboardHub::ClientsChanged(const std::vector<std::string>& names) {
    (void)names;
}

std::vector<std::string> KeyboardHub::ProfileNames() {
    return dialog_.Pages().profile.ProfileNames();
}

void KeyboardHub::ProfileRequest(uint32_t packetId, const std::string& name) {
    NamedProfileRequest request = NamedProfileRequest::kLoad;
    switch (packetId) {
        case kSdkRequestLoadProfile:
            break;
        case kSdkRequestSaveProfile:
            request = NamedProfileRequest::kSave;
            break;
        case kSdkRequestDeleteProfile:
            request = NamedProfileRequest::kDelete;
            break;
        default:
            return;
    }
    dialog_.Pages().profile.RequestByName(request, name);
}

}  // namespace zanvor
