// The aurora page's controls: the lists' texts, the music layer's controls and rows, the
// music colour, the effect layers, the picture of mode 5 and the sound device.

#include <algorithm>
#include <filesystem>

#include "device/SessionState.h"
#include "lighting/AuroraPage.h"
#include "platform/Registry.h"
#include "platform/Trace.h"
#include "store/DataStore.h"
#include "ui/AuroraEffect.h"
#include "ui/Dialogs.h"
#include "ui/LoadText.h"

namespace zanvor {

void AuroraPage::ApplyTexts() {
    const int mode = modeTabs.GetCurData(mode_.load());
    modeTabs.Clear();
    modeTabs.AddItem(LoadText("KB.DIALOG", 600), kAuroraModeMusic);
    modeTabs.AddItem(LoadText("KB.DIALOG", 601), kAuroraModeRipple);
    modeTabs.AddItem(LoadText("KB.DIALOG", 602), kAuroraModeSweep);
    modeTabs.AddItem(LoadText("KB.DIALOG", 604), kAuroraModeImage);
    modeTabs.SelectData(mode);

    // Texts of the fill types, by type.
    const std::vector<std::pair<int, std::string>> fills = {
        {kFillNone, LoadText("KB.DIALOG", 119)},
        {kFillGreenYellowRed, LoadText("KB.DIALOG", 106)},
        {kFillRedToBlue, LoadText("KB.DIALOG", 107)},
        {kFillMagentaToRed, LoadText("KB.DIALOG", 108)},
        {kFillHueWheel, LoadText("KB.DIALOG", 109)},
        {kFillCyclingColour, LoadText("KB.DIALOG", 110)},
        {kFillWhite, LoadText("KB.DIALOG", 111)},
        {kFillRed, LoadText("KB.DIALOG", 112)},
        {kFillOrange, LoadText("KB.DIALOG", 113)},
        {kFillYellow, LoadText("KB.DIALOG", 114)},
        {kFillGreen, LoadText("KB.DIALOG", 115)},
        {kFillBlue, LoadText("KB.DIALOG", 118)},
        {kFillBlack, LoadText("KB.DIALOG", 117)},
    };
    auto textOf = [&fills](int type) {
        for (const auto& [t, text] : fills) {
            if (t == type) {
                return text;
            }
        }
        return std::string();
    };
    const int fore = foreList.GetCurData(-1);
    foreList.Clear();
    for (int type : {22, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}) {
        foreList.AddItem(textOf(type), type);
    }
    foreList.SelectData(fore);
    const int back = backList.GetCurData(-1);
    backList.Clear();
    for (int type : {0, 6, 7, 8, 9, 11, 10, 1, 2, 3, 4, 5}) {
        backList.AddItem(textOf(type), type);
    }
    backList.SelectData(back);

    // The devices keep their own names; only "Default" is translated.
    const std::vector<ComboItem> devices = audioDevices.GetItems();
    const int selected = std::max(0, audioDevices.GetCurSel());
    audioDevices.Clear();
    audioDevices.AddItem(LoadText("KB.DIALOG", 1793), 0);
    for (size_t i = 1; i < devices.size(); ++i) {
        audioDevices.AddItem(devices[i].text, devices[i].data);
    }
    audioDevices.SetCurSel(selected);
    if (imageButton.GetCaption().empty() || effect_.GetImagePath().empty()) {
        imageButton.SetCaption(LoadText("KB.DIALOG", 1788));
    }
}

MusicLayerData AuroraPage::MusicLayer() const {
    std::lock_guard lock(mutex_);
    return layer_;
}

bool AuroraPage::UpdateMusicLayer(const std::function<void(MusicLayerData&)>& change) {
    const int profile = session_.currentProfile.load();
    MusicLayerData row;
    if (!store_.GetMusicLayer(profile, row)) {
        Trace("aurora: no music layer for profile %d\n", profile);
        return false;
    }
    change(row);
    {
        std::lock_guard lock(mutex_);
        layer_ = row;
    }
    return store_.UpdateMusicLayer(profile, row);
}

// Both fill types and brightnesses reach the renderer as one new parameter set, and the
// profile's music layer row.
bool AuroraPage::SetForeType(int type) {
    foreList.SelectData(type);
    visualizer_.ChangeParams([type](VisualizerParams& p) { p.foreType = type; });
    return UpdateMusicLayer([type](MusicLayerData& row) { row.foremode = type; });
}

bool AuroraPage::SetAmplitude(int sliderValue) {
    amplitude.SetPos(sliderValue);
    const int gain = amplitude.GetPos() * 10;
    audio_.SetWaveGain(static_cast<float>(gain));
    return UpdateMusicLayer([gain](MusicLayerData& row) { row.fore_amplitude = gain; });
}

bool AuroraPage::SetBackType(int type) {
    backList.SelectData(type);
    visualizer_.ChangeParams([type](VisualizerParams& p) { p.backType = type; });
    return UpdateMusicLayer([type](MusicLayerData& row) { row.backmode = type; });
}

bool AuroraPage::SetBackBrightness(int percent) {
    backBrightness.SetPos(percent);
    const int value = backBrightness.GetPos();
    visualizer_.ChangeParams([value](VisualizerParams& p) { p.backBrightness = value; });
    return UpdateMusicLayer([value](MusicLayerData& row) { row.backb_right = value; });
}

bool AuroraPage::SetForeBrightness(int percent) {
    foreBrightness.SetPos(percent);
    const int value = foreBrightness.GetPos();
    visualizer_.ChangeParams([value](VisualizerParams& p) { p.foreBrightness = value; });
    return UpdateMusicLayer([value](MusicLayerData& row) { row.light_right = value; });
}

void AuroraPage::SetLayer(int layer, bool on) {
    if (layer < 1 || layer > kLightLayerCount) {
        return;
    }
    layerBoxes[layer - 1].SetCheck(on);
    if (on) {
        effect_.AddLightLayer(layer, 0, 0, 0, 0);
    } else {
        effect_.DeleteLightLayer(layer);
    }
}

void AuroraPage::PickColour(uint32_t value) {
    colour.SetColour(value);
    effect_.SetMusicColor(value);
    colourful.SetCheck(false);
    effect_.SetMusicColorful(false);
}

void AuroraPage::SetColourful(bool on) {
    colourful.SetCheck(on);
    effect_.SetMusicColorful(on);
}

void AuroraPage::ShowMessage(int textId) {
    dialogs_.MessageBox(LoadText("KB.DIALOG", textId), LoadText("KB.DIALOG", 1780));
}

void AuroraPage::ChooseImage() {
    // The dialog adds the patterns to the description.
    const std::optional<std::string> path = dialogs_.OpenFile(
        LoadText("KB.DIALOG", 1788),
        {{LoadText("KB.DIALOG", 1964), {"*.gif", "*.jpg", "*.jpeg", "*.png", "*.bmp", "*.mp4"}}});
    if (path && !path->empty()) {
        LoadImage(*path);
    }
}

bool AuroraPage::LoadImage(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        ShowMessage(1790);
        return false;
    }
    switch (effect_.SetGIFImage(path)) {
        case ImageLoadResult::kLoaded:
            imageButton.SetCaption(path);
            if (!WriteRegistryText(kAuroraImageValue, path)) {
                Trace("aurora: the picture could not be remembered\n");
            }
            return true;
        case ImageLoadResult::kVideo:
            ShowMessage(1791);
            return false;
        case ImageLoadResult::kUnreadable:
        default:
            ShowMessage(1790);
            return false;
    }
}

void AuroraPage::RestoreImage() {
    const std::string path = ReadRegistryText(kAuroraImageValue);
    std::error_code error;
    if (!path.empty() && std::filesystem::is_regular_file(path, error) &&
        effect_.SetGIFImage(path) == ImageLoadResult::kLoaded) {
        imageButton.SetCaption(path);
    }
}

std::vector<std::string> AuroraPage::AudioDeviceNames() const {
    std::lock_guard lock(mutex_);
    return deviceNames_;
}

void AuroraPage::RefreshAudioDevices() {
    std::vector<AudioDevice> devices;
    audio_.ListDevices(devices);
    const std::string chosen = ReadRegistryText(kAudioDeviceValue);
    std::vector<std::string> names{""};
    audioDevices.Clear();
    audioDevices.AddItem(LoadText("KB.DIALOG", 1793), 0);
    int selected = 0;
    for (const AudioDevice& device : devices) {
        const int index = static_cast<int>(names.size());
        names.push_back(device.name);
        audioDevices.AddItem(device.description, index);
        if (device.name == chosen) {
            selected = index;
        }
    }
    {
        std::lock_guard lock(mutex_);
        deviceNames_ = names;
    }
    audioDevices.SelectData(selected);
}

void AuroraPage::SelectAudioDevice(const std::string& name) {
    if (!WriteRegistryText(kAudioDeviceValue, name)) {
        Trace("aurora: the sound device choice could not be stored\n");
    }
    audio_.SetDevice(name);
}

void AuroraPage::OnControl(int controlId, int event) {
    switch (controlId) {
        case kIdAuroraModeTabs:
            SelectMode(modeTabs.GetCurData(kAuroraModeMusic));
            break;
        case kIdAuroraForeList:
            SetForeType(foreList.GetCurData(kFillRainbow));
            break;
        case kIdAuroraBackList:
            SetBackType(backList.GetCurData(kFillBlack));
            break;
        case kIdAuroraAmplitude:
            SetAmplitude(amplitude.GetPos());
            break;
        case kIdAuroraBackBrightness:
            SetBackBrightness(backBrightness.GetPos());
            break;
        case kIdAuroraForeBrightness:
            SetForeBrightness(foreBrightness.GetPos());
            break;
        case kIdAuroraColour:
            PickColour(colour.GetColour());
            break;
        case kIdAuroraColourful:
            SetColourful(colourful.GetCheck());
            break;
        case kIdAuroraImageButton:
            ChooseImage();
            break;
        case kIdAuroraAudioDevice: {
            const std::vector<std::string> names = AudioDeviceNames();
            const int index = audioDevices.GetCurData(0);
            SelectAudioDevice(index >= 0 && index < static_cast<int>(names.size()) ? names[index]
                                                                                   : "");
            break;
        }
        default:
            if (controlId >= kIdAuroraLayerFirst &&
                controlId < kIdAuroraLayerFirst + kLightLayerCount) {
                const int layer = controlId - kIdAuroraLayerFirst + 1;
                SetLayer(layer, layerBoxes[layer - 1].GetCheck());
            }
            break;
    }
    (void)event;
}

bool AuroraPage::LoadMusicLayer(int profile) {
    foreList.SetCurSel(0);
    backList.SetCurSel(0);
    amplitude.SetPos(kStartAmplitudeSlider);
    backBrightness.SetPos(kStartBrightness);
    foreBrightness.SetPos(kStartBrightness);
    visualizer_.SetActive(false);
    effect_.AddLightLayer(kLayerBase, 0, 0, 0, 0);
    layerBoxes[0].SetCheck(true);

    MusicLayerData row;
    const bool found = store_.GetMusicLayer(profile, row);
    if (found) {
        amplitude.SetPos(row.fore_amplitude / 10);
        foreList.SelectData(row.foremode);
        backList.SelectData(row.backmode);
        backBrightness.SetPos(row.backb_right);
        foreBrightness.SetPos(row.light_right);
        visualizer_.ClearInput();
        VisualizerParams params;
        params.foreType = row.foremode;
        params.foreBrightness = row.light_right;
        params.backType = row.backmode;
        params.backBrightness = row.backb_right;
        visualizer_.SetParams(params);
        audio_.SetWaveGain(static_cast<float>(row.fore_amplitude));
        std::lock_guard lock(mutex_);
        layer_ = row;
    }
    const int mode = mode_.load();
    if ((mode == kAuroraModeMusic || mode == kAuroraModeRipple) && session_.liveEffectOn.load()) {
        visualizer_.SetActive(true);
    }
    return found;
}

void AuroraPage::ApplyProfileMode(int profile, bool pageShown) {
    std::string value;
    int mode = kAuroraModeMusic;
    if (store_.GetConfigValue(profile, kAuroraModeKey, value)) {
        const int stored = ParseSettingInt(value);
        if (stored == kAuroraModeMusic || stored == kAuroraModeRipple ||
            stored == kAuroraModeSweep || stored == kAuroraModeImage) {
            mode = stored;
        }
    }
    modeTabs.SelectData(mode);
    if (pageShown) {
        RunMode(mode);
    } else {
        mode_ = mode;
    }
}

}  // namespace zanvor
