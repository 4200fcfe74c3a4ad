#include "lighting/MatrixPage.h"

#include <charconv>
#include <initializer_list>

#include "lighting/KeyboardAudio.h"
#include "lighting/LightPage.h"
#include "lighting/LightRows.h"
#include "store/DataStore.h"
#include "ui/DeviceTasks.h"

namespace zanvor {

namespace {

// Slider ranges kept while the keyboard reports no maxima for the zone.
constexpr int kDefaultMaxBrightness = 100;
constexpr int kDefaultMaxSpeed = 5;
constexpr int kSwatchNameFirst = 1640;

int ParseInt(const std::string& text, int fallback) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end && !text.empty() ? value : fallback;
}

}  // namespace

MatrixPage::MatrixPage(DeviceManager& devices, DataStore& store, SessionState& session,
                       TaskPoster& poster, KeyboardAudio& audio, std::atomic<bool>& taskDone)
    : modeList(kIdMatrixModes),
      matrixSwitch(kIdMatrixSwitch),
      presetList(kIdMatrixPresets),
      brightness(kIdMatrixBrightness),
      speed(kIdMatrixSpeed),
      amplitude(kIdMatrixAmplitude),
      colorWheel(kIdMatrixColorWheel),
      swatches(kIdMatrixSwatches),
      red(kIdMatrixRed),
      green(kIdMatrixGreen),
      blue(kIdMatrixBlue),
      colorButton(kIdMatrixColorButton),
      colorfulBox(kIdMatrixColorful),
      screen(kIdMatrixScreen),
      devices_(devices),
      store_(store),
      session_(session),
      poster_(poster),
      audio_(audio),
      taskDone_(taskDone) {
    for (const int preset : kMatrixLivePresets) {
        presetList.AddItem("", preset);
    }
    for (const uint32_t color : kLightSwatches) {
        swatches.AddItem("", static_cast<int>(color));
    }
    brightness.SetRange(0, kDefaultMaxBrightness);
    speed.SetRange(1, kDefaultMaxSpeed);
    amplitude.SetRange(0, 100);
    amplitude.SetPos(kDefaultMatrixAmplitude);
    amplitude.SetVisible(false);
    presetList.SetVisible(false);
    matrixSwitch.SetCheck(true);
    ApplyTexts();
    language_ = SubscribeLanguageChanged([this](int) { ApplyTexts(); });
}

MatrixPage::~MatrixPage() {
    language_.Reset();
    audio_.Use(KeyboardAudio::kUserMatrix, false);
    audio_.SetMatrixScreen(nullptr);
}

int MatrixPage::Profile() const {
    return session_.currentProfile.load();
}

int MatrixPage::Mode() const {
    return session_.light.matrixMode.load();
}

bool MatrixPage::ForThisKeyboard() const {
    return session_.currentDeviceType.load() == kMatrixDeviceType;
}

int MatrixPage::MaxBrightness() const {
    const int max = session_.Info().matrixMaxBrightness;
    return max > 0 ? max : brightness.GetMax();
}

std::string MatrixPage::ModeName(int mode) {
    LightData row;
    if (!store_.GetLightRow(Profile(), kLightMatrix, mode, row)) {
        return {};
    }
    return LoadText("KB.DIALOG", LightNameId(row));
}

std::string MatrixPage::PresetName(int preset) {
    for (size_t i = 0; i < kMatrixLivePresets.size(); ++i) {
        if (kMatrixLivePresets[i] == preset) {
            return LoadText("KB.DIALOG", kMatrixPresetNameFirst + static_cast<int>(i));
        }
    }
    return {};
}

int MatrixPage::StoredPreset() {
    std::string text;
    store_.GetConfigValue(Profile(), kMatrixPresetKey, text);
    const int preset = ParseInt(text, kDefaultMatrixPreset);
    // A preset the list does not offer (a new profile stores 1) shows the list's first one.
    return IsMatrixLivePreset(preset) ? preset : kMatrixLivePresets.front();
}

int MatrixPage::StoredAmplitude() {
    std::string text;
    store_.GetConfigValue(Profile(), kMatrixAmplitudeKey, text);
    return std::clamp(ParseInt(text, kDefaultMatrixAmplitude), amplitude.GetMin(),
                      amplitude.GetMax());
}

void MatrixPage::ApplyTexts() {
    const auto relabel = [](ComboBox& list, const std::function<std::string(int)>& text) {
        const int selected = list.GetCurSel();
        const std::vector<ComboItem> items = list.GetItems();
        list.Clear();
        for (const ComboItem& item : items) {
            list.AddItem(text(item.data), item.data);
        }
        list.SetCurSel(selected);
    };
    relabel(presetList, [](int preset) { return PresetName(preset); });
    int swatch = 0;
    relabel(swatches,
            [&swatch](int) { return LoadText("KB.DIALOG", kSwatchNameFirst + swatch++); });
    std::lock_guard lock(listMutex_);
    relabel(modeList, [this](int mode) { return ModeName(mode); });
}

void MatrixPage::SetLive(bool on) {
    const bool was = session_.liveMatrixOn.exchange(on);
    if (on && !was) {
        streamOpen_ = false;  // the first frame opens its bracket
        poster_.WakeWorker();
    }
    UpdateAudioUse();
}

void MatrixPage::UpdateAudioUse() {
    const bool wanted = session_.liveMatrixOn.load() && matrixPresent_.load() &&
                        ForThisKeyboard() && IsMatrixAudioPreset(screen.GetPresetMode());
    audio_.Use(KeyboardAudio::kUserMatrix, wanted);
}

void MatrixPage::SetMatrixScreenPresent(bool present) {
    matrixPresent_ = present;
    if (present) {
        audio_.SetMatrixScreen([this](const float* bands, int bandCount, float volume,
                                      const float* wave, int waveCount) {
            screen.SetAudioData(bands, bandCount);
            screen.SetMasterVolume(volume);
            screen.SetInputWave(wave, waveCount);
        });
    } else {
        audio_.SetMatrixScreen(nullptr);
    }
    UpdateAudioUse();
}

void MatrixPage::LoadMatrixPage() {
    if (!ForThisKeyboard()) {
        SetLive(false);
        return;
    }
    const int profile = Profile();
    const DeviceInfo info = session_.Info();
    if (info.matrixMaxBrightness > 0) {
        brightness.SetRange(0, info.matrixMaxBrightness);
        speed.SetRange(1, info.matrixMaxSpeed);
    }
    EnsureMatrixRows(store_, profile);
    std::vector<LightData> rows;
    store_.ListLightRows(profile, kLightMatrix, rows);
    const int mode = store_.GetActiveLightMode(profile, kLightMatrix);
    {
        std::lock_guard lock(listMutex_);
        modeList.Clear();
        for (const LightData& row : rows) {
            modeList.AddItem(LoadText("KB.DIALOG", LightNameId(row)), row.mode);
        }
        modeList.SelectData(mode);
    }
    session_.light.matrixMode = mode;
    matrixSwitch.SetCheck(true);
    RefreshPanel();
    if (mode == kMatrixModeLive) {
        const int preset = StoredPreset();
        presetList.SelectData(preset);
        screen.SetPresetMode(preset);
        presetList.SetVisible(true);
        RefreshAmplitudeControls();
        SetLive(true);
    } else if (mode == kMatrixModeCustom) {
        screen.SetPresetMode(kMatrixPresetPainted);
        SetLive(false);
        poster_.PostTask(kTaskWriteMatrixMode);
        poster_.PostTask(kTaskReadMatrixColors);
    } else {
        // The keyboard runs the mode itself: the picture shows a still preview.
        screen.SetPresetMode(StillPreview(mode));
        SetLive(false);
    }
}

void MatrixPage::RefreshPanel() {
    LightData row;
    const bool found = store_.GetLightRow(Profile(), kLightMatrix, Mode(), row);
    const int flags = found ? row.config_func : 0;
    const bool hasBrightness = (flags & kLightHasBrightness) != 0;
    const bool hasSpeed = (flags & kLightHasSpeed) != 0;
    brightness.SetVisible(hasBrightness);
    brightness.SetPos(hasBrightness ? row.brightness : 0);
    speed.SetVisible(hasSpeed);
    speed.SetPos(hasSpeed ? row.speed : 0);
    amplitude.SetVisible(false);
    if (hasBrightness) {
        screen.SetBrightness(static_cast<float>(row.brightness) /
                             static_cast<float>(MaxBrightness()));
    }
    if (hasSpeed) {
        screen.SetAnimationSpeed(row.speed);
    }
    const bool button = (flags & kLightHasColorButton) != 0;
    colorButton.SetVisible(button);
    colorfulBox.SetVisible(button);
    colorfulBox.SetCheck(row.colorful == 1);
    if (button) {
        screen.SetMatrixScreenColorful(row.colorful == 1);
        screen.SetMatrixScreenColor(static_cast<uint32_t>(row.color_value));
    }
    const bool palette = (flags & (kLightHasPalette | kLightPerKey)) != 0;
    for (ControlModel* control :
         std::initializer_list<ControlModel*>{&colorWheel, &swatches, &red, &green, &blue}) {
        control->SetVisible(palette);
    }
    ShowColor(row.colorful == 1 ? static_cast<uint32_t>(kDefaultColor)
                                : static_cast<uint32_t>(row.color_value));
    colorButton.SetColor(static_cast<uint32_t>(row.color_value));
    const bool presets = (flags & kLightHasPresets) != 0;
    presetList.SetVisible(presets);
    if (presets) {
        presetList.SelectData(StoredPreset());
    }
}

void MatrixPage::ShowColor(uint32_t color) {
    colorButton.SetColor(color);
    colorWheel.SetColor(color);
    red.SetText(std::to_string(RedOf(color)));
    green.SetText(std::to_string(GreenOf(color)));
    blue.SetText(std::to_string(BlueOf(color)));
}

void MatrixPage::RefreshAmplitudeControls() {
    if (Mode() < kMatrixModeLive) {
        amplitude.SetVisible(false);
        return;
    }
    const int preset = presetList.GetCurData(screen.GetPresetMode());
    if (!IsMatrixAudioPreset(preset)) {
        amplitude.SetVisible(false);
        speed.SetVisible(true);
        return;
    }
    const int value = StoredAmplitude();
    amplitude.SetPos(value);
    amplitude.SetVisible(true);
    speed.SetVisible(false);
    screen.SetAudioAmplitude(static_cast<float>(value));
}

void MatrixPage::SelectMatrixMode(int mode) {
    SetLive(false);
    session_.light.matrixMode = mode;
    store_.SetActiveLightMode(Profile(), kLightMatrix, mode);
    RefreshPanel();
    if (mode == kMatrixModeLive) {
        screen.SetPresetMode(presetList.GetCurData(StoredPreset()));
        SetLive(true);
    } else if (mode == kMatrixModeCustom) {
        screen.SetPresetMode(kMatrixPresetPainted);
        poster_.PostTask(kTaskWriteMatrixMode);
        poster_.PostTask(kTaskReadMatrixColors);
    } else {
        screen.SetPresetMode(StillPreview(mode));
        poster_.PostTask(kTaskWriteMatrixMode);
    }
    matrixSwitch.SetCheck(true);
    RefreshAmplitudeControls();
}

int MatrixPage::StillPreview(int mode) {
    return mode == kMatrixModeOff ? kMatrixPresetDark : kMatrixPresetBuiltIn;
}

void MatrixPage::SetMatrixSwitch(bool on) {
    const int mode = on ? store_.GetActiveLightMode(Profile(), kLightMatrix) : 0;
    session_.light.matrixMode = mode;
    matrixSwitch.SetCheck(on);
    RefreshPanel();
    // A switched-off screen shows no stream; switched on again, the live mode streams again.
    if (mode == kMatrixModeLive) {
        screen.SetPresetMode(presetList.GetCurData(StoredPreset()));
    } else {
        screen.SetPresetMode(mode == kMatrixModeCustom ? kMatrixPresetPainted : StillPreview(mode));
    }
    SetLive(mode == kMatrixModeLive);
    RefreshAmplitudeControls();
    poster_.PostTask(kTaskWriteMatrixMode);
    // Stored nowhere: no profile has a row with this key, and nothing reads it.
    store_.UpdateConfigValue(Profile(), "enable_matrixscreen", on ? "1" : "0");
}

void MatrixPage::SelectPreset(int preset) {
    if (Mode() == kMatrixModeLive) {
        screen.SetPresetMode(preset);
    }
    store_.UpdateConfigValue(Profile(), kMatrixPresetKey, std::to_string(preset));
    RefreshAmplitudeControls();
    UpdateAudioUse();
}

void MatrixPage::SetAmplitude(int value) {
    screen.SetAudioAmplitude(static_cast<float>(value));
    store_.UpdateConfigValue(Profile(), kMatrixAmplitudeKey, std::to_string(value));
}

void MatrixPage::SetRowField(const std::function<void(LightData&)>& change) {
    LightData row;
    if (!store_.GetLightRow(Profile(), kLightMatrix, Mode(), row)) {
        return;
    }
    change(row);
    store_.UpdateLightRow(kLightMatrix, row.mode, row);
}

void MatrixPage::SetBrightness(int value) {
    SetRowField([value](LightData& row) { row.brightness = value; });
    screen.SetBrightness(static_cast<float>(value) / static_cast<float>(MaxBrightness()));
    if (Mode() < kMatrixModeLive) {
        poster_.PostTask(kTaskWriteMatrixMode);
    }
}

void MatrixPage::SetSpeed(int value) {
    SetRowField([value](LightData& row) { row.speed = value; });
    screen.SetAnimationSpeed(value);
    if (Mode() < kMatrixModeLive) {
        poster_.PostTask(kTaskWriteMatrixMode);
    }
}

void MatrixPage::SetColor(uint32_t color) {
    ShowColor(color);
    screen.SetMatrixScreenColor(color);
    SetRowField([color](LightData& row) { row.color_value = static_cast<int>(color & 0xFFFFFF); });
    const int mode = Mode();
    if (mode != kMatrixModeCustom && mode < kMatrixModeLive) {
        poster_.PostTaskIfIdle(kTaskWriteMatrixMode);
    }
}

void MatrixPage::OnPaletteColor(uint32_t color) {
    SetColor(color);
    if (colorfulBox.GetCheck()) {
        colorfulBox.SetCheck(false);
        SetColorful(false);
    }
}

void MatrixPage::OnColorFieldChanged(EditCtrl& field) {
    bool clamped = false;
    const int value = ColourFieldValue(field.GetText(), clamped);
    if (clamped) {
        field.SetText(std::to_string(value));
    }
    bool ignored = false;
    OnPaletteColor(MakeColor(ColourFieldValue(red.GetText(), ignored),
                             ColourFieldValue(green.GetText(), ignored),
                             ColourFieldValue(blue.GetText(), ignored)));
}

void MatrixPage::SetColorful(bool ticked) {
    LightData row;
    if (!store_.GetLightRow(Profile(), kLightMatrix, Mode(), row)) {
        return;
    }
    if (!ticked) {
        SetColor(static_cast<uint32_t>(row.color_value));
    }
    SetRowField([ticked](LightData& stored) { stored.colorful = ticked ? 1 : 0; });
    screen.SetMatrixScreenColorful(ticked);
    if (Mode() < kMatrixModeLive) {
        poster_.PostTask(kTaskWriteMatrixMode);
    }
}

void MatrixPage::OnScreenPainted() {
    if (Mode() == kMatrixModeCustom) {
        poster_.PostTask(kTaskWriteMatrixColors);
    }
}

}  // namespace zanvor
