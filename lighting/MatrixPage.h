#pragma once

// The matrix screen page: the built-in modes of the keyboard's 49-LED light bar and their
// parameters, the custom colours the user paints on the bar's picture (mode 5), and the live
// mode (0x80) whose presets the picture computes, many from the sound, and the worker streams
// frame by frame. Page handlers run on the UI thread, change the models and the database and
// post the worker jobs; the jobs and the stream read the session's matrix state when they run.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/SessionState.h"
#include "lighting/LightModeSettings.h"
#include "lighting/MatrixZone.h"
#include "store/Records.h"
#include "ui/ColorCtrl.h"
#include "ui/ComboBox.h"
#include "ui/EditCtrl.h"
#include "ui/LoadText.h"
#include "ui/MatrixScreen.h"
#include "ui/PageRegistry.h"
#include "ui/SliderCtrl.h"
#include "ui/SwitchButton.h"

namespace zanvor {

class DataStore;
class DeviceManager;
class KeyboardAudio;

// Control ids of the page (1750-1799).
enum MatrixControlId : int {
    kIdMatrixModes = 1751,
    kIdMatrixSwitch = 1752,
    kIdMatrixPresets = 1753,
    kIdMatrixBrightness = 1754,
    kIdMatrixSpeed = 1755,
    kIdMatrixAmplitude = 1756,
    kIdMatrixColorWheel = 1757,
    kIdMatrixSwatches = 1758,
    kIdMatrixRed = 1759,
    kIdMatrixGreen = 1760,
    kIdMatrixBlue = 1761,
    kIdMatrixColorButton = 1762,
    kIdMatrixColorful = 1763,
    kIdMatrixScreen = 1764,
};

// Settings a matrix mode is given in one go (the command line); unset fields stay as stored.
struct MatrixModeSettings : LightModeSettings {
    std::optional<int> preset;
    std::optional<int> amplitude;
};

class MatrixPage {
  public:
    // `taskDone` is the worker's mark that a device job ran since the last frame: the stream
    // then opens its bracket again.
    MatrixPage(DeviceManager& devices, DataStore& store, SessionState& session, TaskPoster& poster,
               KeyboardAudio& audio, std::atomic<bool>& taskDone);
    ~MatrixPage();
    MatrixPage(const MatrixPage&) = delete;
    MatrixPage& operator=(const MatrixPage&) = delete;

    // ---- models ----
    ComboBox modeList;  // data: mode
    SwitchButton matrixSwitch;
    ComboBox presetList;  // data: preset number
    SliderCtrl brightness;
    SliderCtrl speed;
    SliderCtrl amplitude;
    ColorCtrl colorWheel;
    ComboBox swatches;  // data: colour
    EditCtrl red;
    EditCtrl green;
    EditCtrl blue;
    ColorCtrl colorButton;
    SwitchButton colorfulBox;
    MatrixScreen screen;

    // Plugs the page into the main window: its controls, jobs 14, 15 and 16, the live stream
    // as idle work, the profile apply step and the page refresh.
    void Register(PageRegistry& registry);
    // Names of the modes and presets in the active language (also after a change).
    void ApplyTexts();

    // ---- page handlers (UI thread; LoadMatrixPage also on the worker) ----
    // Slider ranges, rows, mode list, current mode and panel; the live mode starts streaming,
    // the custom mode reads its colours from the keyboard.
    void LoadMatrixPage();
    void RefreshPanel();
    void RefreshAmplitudeControls();
    void SelectMatrixMode(int mode);
    void SetMatrixSwitch(bool on);
    void SelectPreset(int preset);
    void SetAmplitude(int value);
    void SetBrightness(int value);
    void SetSpeed(int value);
    void SetColor(uint32_t color);
    // A colour from the wheel, a swatch, the colour button or the R/G/B fields: the colour is
    // used and a ticked colourful box is cleared.
    void OnPaletteColor(uint32_t color);
    void OnColorFieldChanged(EditCtrl& field);
    void SetColorful(bool ticked);
    // The user painted LEDs of the picture.
    void OnScreenPainted();

    // The keyboard reported whether it has a matrix screen (connection read): the sound
    // reaches the picture only then.
    void SetMatrixScreenPresent(bool present);

    // ---- worker ----
    // Job 14: the zone's group of the parameter block.
    TaskResult TaskWriteMatrixMode();
    // Job 15: the custom colours from the keyboard onto the picture.
    TaskResult TaskReadMatrixColors();
    // Job 16: the picture's colours to the keyboard as the custom colours.
    TaskResult TaskWriteMatrixColors();
    // Idle pass: one live frame of the picture to the keyboard.
    bool StreamMatrixFrame();
    uint64_t FramesSent() const { return framesSent_.load(); }
    // The sound capture the sound presets draw from (its status tells whether a sound server
    // answers).
    KeyboardAudio& Audio() { return audio_; }
    uint64_t FramesFailed() const { return framesFailed_.load(); }

    // ---- without the page (command line) ----
    // Makes `mode` the zone's active mode with the given settings and posts its jobs as the
    // mode list does. False when the zone has no such mode.
    bool ApplyMatrixMode(int mode, const MatrixModeSettings& settings);
    // Paints the keyboard's custom colours (job 16): every LED `all` when given, then the LEDs
    // listed (index → colour); the others keep the keyboard's colours. The picture shows the
    // result while the custom mode is shown.
    void PaintCustomColors(std::optional<uint32_t> all,
                           const std::vector<std::pair<int, uint32_t>>& colors);
    // The name shown for a mode and for a preset ("" when unknown).
    std::string ModeName(int mode);
    static std::string PresetName(int preset);
    int StoredPreset();
    int StoredAmplitude();

  private:
    // What the picture shows for a mode the keyboard runs itself: dark when it is off, else
    // a still preview of the colour.
    static int StillPreview(int mode);
    int Profile() const;
    int Mode() const;
    bool ForThisKeyboard() const;
    int MaxBrightness() const;
    void ShowColor(uint32_t color);
    void SetRowField(const std::function<void(LightData&)>& change);
    void SetLive(bool on);
    void UpdateAudioUse();
    TaskResult ApplyProfileMatrix();

    DeviceManager& devices_;
    DataStore& store_;
    SessionState& session_;
    TaskPoster& poster_;
    KeyboardAudio& audio_;
    std::atomic<bool>& taskDone_;
    std::atomic<bool> matrixPresent_{false};
    std::atomic<bool> streamOpen_{false};  // worker: a frame bracket is open
    // The picture holds the keyboard's custom colours (the last read of them succeeded).
    std::atomic<bool> colorsKnown_{false};
    std::atomic<uint64_t> framesSent_{0};
    std::atomic<uint64_t> framesFailed_{0};
    // A paint of the command line waiting for job 16.
    struct PaintRequest {
        std::optional<uint32_t> all;
        std::vector<std::pair<int, uint32_t>> colors;
    };
    std::mutex paintMutex_;  // guards paintRequest_
    std::optional<PaintRequest> paintRequest_;
    TaskResult WritePaintRequest(const PaintRequest& request);
    // Guards rebuilding the mode list, which a profile load (worker) and a language change
    // (UI thread) may do at the same time.
    std::mutex listMutex_;
    LanguageSubscription language_;
};

}  // namespace zanvor
