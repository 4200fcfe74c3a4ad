#pragma once

// The music and aurora page: effect modes computed on the computer and streamed to the
// keyboard frame by frame. It owns the page's controls, the music renderer and the audio
// capture, keeps the music layer of the current profile, and sends one effect frame on each
// idle pass of the worker while streaming is on.

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "lighting/EffectStream.h"
#include "lighting/KeyboardAudio.h"
#include "lighting/Visualizer.h"
#include "store/Records.h"
#include "ui/ColourPicker.h"
#include "ui/ComboBox.h"
#include "ui/Slider.h"
#include "ui/SwitchButton.h"
#include "ui/TextButton.h"

namespace zanvor {

class AuroraEffect;
class DataStore;
class DeviceManager;
class Dialogs;
class MainView;
class PageRegistry;
class SessionState;
class TaskPoster;

// Control ids of the page (1500-1549).
enum AuroraControlId : int {
    kIdAuroraModeTabs = 1501,
    kIdAuroraForeList = 1502,
    kIdAuroraBackList = 1503,
    kIdAuroraAmplitude = 1504,
    kIdAuroraBackBrightness = 1505,
    kIdAuroraForeBrightness = 1506,
    kIdAuroraColour = 1507,
    kIdAuroraColourful = 1508,
    kIdAuroraImageButton = 1509,
    kIdAuroraAudioDevice = 1510,
    kIdAuroraLayerFirst = 1511,  // the 12 layer boxes: 1511..1522
};

// The configuration value holding the profile's effect mode.
inline constexpr const char* kAuroraModeKey = "aurora_mode";
// Where the chosen sound device is remembered ("" follows the default playback device).
inline constexpr const char* kAudioDeviceValue = "audio_device";
// Where the picture of mode 5 is remembered, so it is shown again after a restart.
inline constexpr const char* kAuroraImageValue = "aurora_image";

class AuroraPage {
  public:
    // Where the keyboard's LEDs are, read when a frame is sent.
    using LedSource = std::function<LedLookup()>;
    // The sliders before a music layer is shown: sensitivity and both brightnesses.
    static constexpr int kStartAmplitudeSlider = 60;
    static constexpr int kStartBrightness = 100;

    // `audio` is the program's capture, shared with the matrix screen; the page links its
    // effect control and renderer to it and uses it while it streams.
    AuroraPage(DeviceManager& devices, DataStore& store, SessionState& session, TaskPoster& poster,
               Dialogs& dialogs, AuroraEffect& effect, KeyboardAudio& audio);
    ~AuroraPage();

    // The page's controls, task 23, the frame on the worker's idle pass, the profile steps;
    // opening the page (on `view`) starts streaming, opening the lighting page stops it.
    void Register(PageRegistry& registry, MainView& view);
    void SetLedSource(LedSource source);
    // Before the worker starts: called when streaming starts (another live stream gives way).
    void SetStreamStartHandler(std::function<void()> handler) {
        streamStartHandler_ = std::move(handler);
    }

    // ---- models ----
    ComboBox modeTabs;
    ComboBox foreList;
    ComboBox backList;
    Slider amplitude;
    Slider backBrightness;
    Slider foreBrightness;
    ColourPicker colour;
    SwitchButton colourful;
    std::array<SwitchButton, kLightLayerCount> layerBoxes;
    TextButton imageButton;
    ComboBox audioDevices;  // data: index into AudioDeviceNames(); 0 = follow the default

    // Fills the lists with their texts (again after a language change).
    void ApplyTexts();

    // The effect control and the renderer back to their start.
    void Initialize();

    // ---- page (UI thread) ----
    // The page is opened: streaming on (task 23 is posted, which wakes the worker), audio
    // capture and the renderer running, the profile's mode applied.
    void OpenPage();
    // Streaming off (the lighting page opened, the device selection changed); the capture and
    // the renderer stop with it.
    void StopStreaming();
    bool Streaming() const;
    // The mode tab: 1 music, 2 ripple, 3 spectrum sweep, 5 picture.
    void SelectMode(int mode);
    int CurrentMode() const { return mode_.load(); }
    // Runs a mode without storing it in the profile (the command line's choice).
    void RunMode(int mode);
    // The music layer's controls; each changes the renderer and the profile's row.
    bool SetForeType(int type);
    bool SetAmplitude(int sliderValue);
    bool SetBackType(int type);
    bool SetBackBrightness(int percent);
    bool SetForeBrightness(int percent);
    void SetLayer(int layer, bool on);
    void PickColour(uint32_t colour);
    void SetColourful(bool on);
    // The mode-5 file button: asks for a file and loads it.
    void ChooseImage();
    // Loads a picture or GIF for mode 5 and remembers it; false with the user's message shown
    // when it cannot.
    bool LoadImage(const std::string& path);
    // The remembered picture of mode 5 again, silently (it may have gone since).
    void RestoreImage();
    // The sound device list: "" follows the default playback device.
    void SelectAudioDevice(const std::string& name);
    // Re-reads the sound server's devices into the list.
    void RefreshAudioDevices();
    std::vector<std::string> AudioDeviceNames() const;

    // Control events of the page's models.
    void OnControl(int controlId, int event);

    // ---- profile ----
    // Shows and applies the music layer of a profile (profile change).
    bool LoadMusicLayer(int profile);
    // Reads "aurora_mode" of the profile and selects that tab; applies it when the page is
    // shown.
    void ApplyProfileMode(int profile, bool pageShown);

    // ---- worker ----
    // One frame of the idle pass (while streaming and the keyboard is online).
    void MusicFrame(bool pageShown);
    // Frames sent and frames the keyboard did not take.
    uint64_t FramesSent() const { return framesSent_.load(); }
    uint64_t FramesFailed() const { return framesFailed_.load(); }
    // Set when a frame failed; the owner clears it when it has reacted.
    std::atomic<bool> refreshWanted{false};

    Visualizer& Renderer() { return visualizer_; }
    KeyboardAudio& Audio() { return audio_; }
    MusicLayerData MusicLayer() const;

  private:
    bool UpdateMusicLayer(const std::function<void(MusicLayerData&)>& change);
    void ShowMessage(int textId);

    // The page on screen changed: start or stop streaming as the page asks.
    void OnPageShown(int page, bool devicePagesShown);

    DeviceManager& devices_;
    DataStore& store_;
    SessionState& session_;
    TaskPoster& poster_;
    Dialogs& dialogs_;
    AuroraEffect& effect_;
    KeyboardAudio& audio_;
    Visualizer visualizer_;
    std::function<void()> streamStartHandler_;  // set once, before the worker starts

    std::atomic<bool> capturing_{false};  // capture and renderer are running
    std::atomic<int> pageShown_{-1};
    std::atomic<int> mode_{kAuroraModeMusic};
    std::atomic<uint64_t> framesSent_{0};
    std::atomic<uint64_t> framesFailed_{0};

    // Worker only: the LED lookup of the current connection and the frame's item colours.
    LedLookup ledOf_;
    uint64_t ledConnection_ = ~0ull;
    std::vector<std::pair<int, uint32_t>> itemColours_;

    mutable std::mutex mutex_;  // guards layer_, ledSource_ and deviceNames_
    MusicLayerData layer_;
    LedSource ledSource_;
    std::vector<std::string> deviceNames_{""};
};

}  // namespace zanvor
