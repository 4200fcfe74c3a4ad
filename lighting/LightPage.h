#pragma once

// The lighting page: the light modes of the main zone and the two extra zones, their
// parameters, the five custom per-key colour sets painted on the page's keyboard picture, and
// the live mirror of the colours the keyboard shows. Page handlers run on the UI thread, change
// the models and the database and post the worker jobs; the jobs and the mirror are plain
// methods the worker calls. What the jobs work on is the session's light state as it is when
// they run.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/SessionState.h"
#include "lighting/LightModeSettings.h"
#include "store/Records.h"
#include "ui/ColorCtrl.h"
#include "ui/ComboBox.h"
#include "ui/DeviceTasks.h"
#include "ui/EditCtrl.h"
#include "ui/KeyboardCtrl.h"
#include "ui/LoadText.h"
#include "ui/PageRegistry.h"
#include "ui/SliderCtrl.h"
#include "ui/SwitchButton.h"
#include "ui/TabCtrl.h"
#include "ui/TextButton.h"
#include "ui/TextLabel.h"

namespace zanvor {

class DataStore;
class DeviceManager;
class KeyTables;

// Commands of the live colour read: 0x34, or 0x36 below lighting protocol version 2.
inline constexpr uint8_t kCommandLiveColors = 0x34;
inline constexpr uint8_t kCommandLiveColorsV1 = 0x36;
inline constexpr size_t kKeyColorTableBytes = 384;     // 128 LEDs of red, green, blue
inline constexpr size_t kLightLayerBufferBytes = 600;  // the layer is built here, 384 sent

// Picture modes of the keyboard picture: captions only, or per-key colours.
inline constexpr int kPicturePlain = 100;
inline constexpr int kPicturePerKey = 103;
// Colour of every key after a built-in mode was written (no per-key colours to show).
inline constexpr uint32_t kBuiltInKeyColor = 0xF1F1F1;
// Wait before a light mode is written: a burst of edits reaches the keyboard as one write.
inline constexpr std::chrono::milliseconds kLightModeWriteDelay{500};

// Text ids of the zone tabs: 170 main, 171 zone 1, 172 zone 2 (173 on the light-bar model).
inline constexpr int kZoneTabTextMain = 170;
inline constexpr int kZoneTabTextZone1 = 171;
inline constexpr int kZoneTabTextZone2 = 172;
inline constexpr int kZoneTabTextZone2LightBar = 173;
inline constexpr int kLightBarDeviceType = 102;

// Texts of another lighting program's control: "Controlled by %s", the name of a program that
// gave none, and the take-back button.
inline constexpr int kTextControlledBy = 1943;
inline constexpr int kTextOtherProgram = 1944;
inline constexpr int kTextTakeControlBack = 1945;

// The palette's nine swatches (0x00BBGGRR): red, orange, yellow, green, blue, cyan, magenta,
// white and violet.
extern const std::array<uint32_t, 9> kLightSwatches;

// The language string id a light row names its mode with.
int LightNameId(const LightData& row);
// The leading decimal number of a colour field (R, G or B), clamped to 0..255; empty reads as
// 0. `clamped` tells whether clamping changed it.
int ColourFieldValue(const std::string& text, bool& clamped);

// A light colour mirrored from the keyboard as the picture shows it: red × 1.5, green × 1.3,
// blue × 1.2, each truncated and capped at 255.
uint32_t MirroredColor(uint8_t red, uint8_t green, uint8_t blue);

// Control ids of the page's models; the main window assigns them.
struct LightPageIds {
    int zoneTabs = 0;
    int lightSwitch = 0;
    int modeList = 0;
    int customSets = 0;
    int liveMirror = 0;
    int brightness = 0;
    int speed = 0;
    int directionA = 0;
    int directionB = 0;
    int colorWheel = 0;
    int swatches = 0;
    int red = 0;
    int green = 0;
    int blue = 0;
    int colorButton = 0;
    int colorful = 0;
    int picture = 0;
    int applyButton = 0;      // a button without a model: event 1
    int selectAllButton = 0;  // a button without a model: event 1
    int directStatus = 0;
    int takeBackButton = 0;
};

class LightPage {
  public:
    // `layoutPicture` is the main window's keyboard picture: the page lays its own picture out
    // like it.
    LightPage(DeviceManager& devices, DataStore& store, SessionState& session, TaskPoster& poster,
              const KeyTables& keyTables, const KeyboardCtrl& layoutPicture);
    ~LightPage();
    LightPage(const LightPage&) = delete;
    LightPage& operator=(const LightPage&) = delete;

    // ---- models ----
    TabCtrl zoneTabs;  // data: light type
    SwitchButton lightSwitch;
    ComboBox modeList;    // data: mode; the custom sets have one entry, 0x80
    ComboBox customSets;  // data: 0x80..0x84
    SwitchButton liveMirrorSwitch;
    SliderCtrl brightness;
    SliderCtrl speed;
    ComboBox directionA;  // data: direction 1 or 0
    ComboBox directionB;  // data: direction 2 or 3
    ColorCtrl colorWheel;
    ComboBox swatches;  // data: colour
    EditCtrl red;
    EditCtrl green;
    EditCtrl blue;
    ColorCtrl colorButton;
    SwitchButton colorfulBox;
    KeyboardCtrl picture;  // the page's keyboard picture, laid out like the key page's
    // While another lighting program streams its colours: who, and the button that takes the
    // keyboard back (empty and hidden otherwise).
    TextLabel directStatus;
    TextButton takeBackButton;

    // Gives the models their control ids.
    void SetControlIds(const LightPageIds& ids);
    // Plugs the page into the main window: its controls, jobs 12, 13, 18, 19 and 20, the live
    // mirror as idle work, the connection steps (adopting the keyboard's modes, LED positions),
    // the profile apply step and the page refresh.
    void Register(PageRegistry& registry, const LightPageIds& ids);
    // Tells whether the lighting page is on screen in a visible window with the keyboard
    // online: the live mirror runs only then. Set before the worker starts.
    void SetMirrorShown(std::function<bool()> shown) { mirrorShown_ = std::move(shown); }
    // Worker pauses (tests shorten the wait before a light mode write).
    void SetWriteDelay(std::chrono::milliseconds delay) { writeDelay_ = delay; }

    // Captions of the tabs, lists and choices in the active language (also after a change).
    void ApplyTexts();

    // ---- page handlers (UI thread; LoadLightZone also on the worker) ----
    // Lays the picture out like the main window's keyboard picture when its keys differ;
    // colours and selection are kept otherwise.
    void SyncPicture();
    // Rows, slider ranges, tab texts, mode list, current mode and enabled flag of the current
    // zone, then the parameter panel.
    void LoadLightZone();
    // Shows the controls of the current mode's parameter flags with the row's values.
    void RefreshPanel();
    // A zone tab was chosen.
    void SelectLightZone(int type);
    // The lighting page came on screen: the current zone is shown again (a custom set is read
    // back from the keyboard) and a live mirror that was on resumes.
    void OnPageShown();
    // The lighting switch.
    void SetLightEnabled(bool on);
    // The mode list's selection changed.
    void SelectLightMode(int mode);
    // The custom-set list's selection changed.
    void SelectCustomSet();
    void SetLightBrightness(int value);
    void SetLightSpeed(int value);
    void SetLightDirection(int direction);
    void SetLightColorful(bool ticked);
    // Shows the colour and stores it in the row (built-in modes) or paints the selected keys.
    void SetLightColor(uint32_t color);
    // A colour from the wheel, a swatch, the colour button or the R/G/B fields: the colour is
    // set and a ticked colourful box is cleared.
    void OnPaletteColor(uint32_t color);
    // One of the R/G/B fields changed: each is clamped to 0..255 (and rewritten when that
    // changed it), then their colour is used.
    void OnColorFieldChanged(EditCtrl& field);
    void SetLiveMirror(bool on);
    // The apply button.
    void OnApply();
    // The picture's click (2) and area (5) events.
    void OnPictureEvent(int event);
    // Selects every key of the picture.
    void SelectAllKeys();
    // Stores the picture's colours as the current custom set of the current profile.
    bool StoreCustomSet();

    // ---- worker ----
    // Job 13 (and 20): the current zone's group of the parameter block.
    TaskResult TaskWriteLightMode();
    // Job 12: the main group with the current custom set.
    TaskResult TaskWriteCustomLightMode();
    // Job 18: the current custom set's colours from the keyboard onto the picture.
    TaskResult TaskReadKeyColors();
    // Job 19: the current custom set's stored colours to the keyboard.
    TaskResult TaskWriteLightLayer();
    // Idle pass: the colours the keyboard shows now onto the picture (nothing for a custom set).
    bool MirrorLiveKeyColors();
    // Connection step after the parameter block was read: the keyboard's active modes become
    // the current profile's (its rows are created first when it has none).
    void AdoptDeviceLightModes();
    // Profile switch (task 6): reloads the zone and writes the profile's light to every zone the
    // keyboard has, with its custom set's colours when the main zone shows one.
    TaskResult ApplyProfileLighting();
    // After the profile list was loaded: reloads the zone; a shown custom set is read back.
    void RefreshAfterProfileLoad();
    // The keyboard's extra zones (from its information block): their tabs are shown or hidden;
    // a hidden zone's tab that was current gives way to the main zone.
    void ShowZones(bool zone1, bool zone2);

    // ---- without the page (command line) ----
    // Makes `mode` the zone's active mode with the given settings, switches the lighting on and
    // posts job 13. False when the zone has no such built-in mode.
    bool ApplyLightMode(int type, int mode, const LightModeSettings& settings);
    // Switches the lighting of a zone on or off (job 13).
    void SwitchLighting(int type, bool on);
    // Makes a custom set current and active (jobs 12 and 18 are posted; after they ran the
    // picture holds the keyboard's colours of the set, overlaid with the stored ones).
    void OpenCustomSet(int mode);
    // Reads a custom set from the keyboard onto the picture without making it active (job 18
    // with the set as the session's current mode); EndPeek, once the job ran, puts back the
    // zone and mode it returns.
    struct Peek {
        int type = 0;
        int mode = 0;
    };
    Peek PeekCustomSet(int mode);
    void EndPeek(const Peek& previous);
    // Overlays the picture with the profile's stored colours of the current set; false when
    // the set has none stored.
    bool ShowStoredCustomSet();
    // Paints keys of the picture (key code → colour).
    void PaintKeys(const std::vector<std::pair<int, uint32_t>>& colors);
    // The name shown for a mode of a zone ("" when the zone has no row of that mode).
    std::string ModeName(int type, int mode);

    // ---- another lighting program ----
    // Any thread: a mode chosen by another program, applied on the UI thread as a choice on the
    // page is (and stored in the profile), or, without `store`, written to the keyboard while
    // the profile keeps its own mode.
    void RequestLightMode(int type, int mode, const LightModeSettings& settings, bool store);
    // Writes a mode to the keyboard without storing it in the profile. False when the zone has
    // no such built-in mode.
    bool TryLightMode(int type, int mode, const LightModeSettings& settings);
    // Stores the current profile's lighting in profile `to`: every zone's mode rows and active
    // mode, the lighting switch and the custom colour sets. All or nothing; false when the
    // database refused. Nothing to do when `to` is the current profile.
    bool CopyLightingTo(int to);
    // UI thread: "Controlled by <client>" and the take-back button while a program streams
    // (`client` empty for a program without a name), nothing otherwise.
    void ShowDirectClient(bool active, const std::string& client);

  private:
    int Profile() const;
    int Type() const;
    int Mode() const;
    // Per-key colours or captions only; with the lighting off, every key dark.
    void SetPictureMode(bool perKey);
    // The picture's colours under a built-in mode: light grey, or dark with the lighting off.
    void ShowBuiltInModeColors();
    void ShowColor(uint32_t color);
    void SetRowField(const std::function<void(LightData&)>& change);
    // Begin, the parameter block read, `patch` applied and the block written back (when the
    // patch returns true), end. True when the block was written.
    bool WriteParameterBlock(const std::function<bool(ParameterBlock&)>& patch);
    bool ReadKeyColors(int mode);
    // Refuses a light write while the connection read is incomplete and marks the profile to
    // be written once it completes.
    TaskResult HoldBackUntilRead();
    // A paint stroke or colour choice: stores the picture as the current set, unless the
    // picture does not show the set's real colours (then the next layer job reports it).
    // True when stored.
    bool StorePaintedSet();
    // Writes the profile's stored colours of a set. A set the profile has no colours for is
    // read from the keyboard and adopted instead (its colours exist only there), and nothing
    // is written before the connection read has mapped the keyboard's LEDs.
    TaskResult WriteLightLayer(int mode);
    // Reads a set from the keyboard and stores it as the profile's colours.
    bool AdoptKeyboardSet(int profile, int mode);
    void PaintStoredColors(int profile, int mode);

    // Takes the unstored row of a tried mode when it is the one to write.
    bool TakeTriedRow(int type, int mode, LightData& row);
    void RunLightModeRequests();

    DeviceManager& devices_;
    DataStore& store_;
    SessionState& session_;
    TaskPoster& poster_;
    const KeyTables& keyTables_;
    const KeyboardCtrl& layoutPicture_;
    std::function<bool()> mirrorShown_;  // set once, before the worker starts
    std::atomic<std::chrono::milliseconds> writeDelay_{kLightModeWriteDelay};
    // The picture shows the current set's real colours (read from the keyboard or stored):
    // only then may a paint stroke store the picture's colours as the set.
    std::atomic<bool> colorsKnown_{false};
    // A paint stroke was refused because the set's colours were never read; the layer job
    // reports it instead of writing.
    std::atomic<bool> paintRefused_{false};
    // Guards rebuilding the mode list, which a zone load (UI thread or worker) and a language
    // change may do at the same time.
    std::mutex listMutex_;
    LanguageSubscription language_;

    struct LightModeRequest {
        int type = 0;
        int mode = 0;
        LightModeSettings settings;
        bool store = false;
    };
    struct TriedRow {
        int type = 0;
        int mode = 0;
        LightData row;
    };
    std::mutex requestMutex_;  // guards requests_ and tried_
    std::vector<LightModeRequest> requests_;
    std::optional<TriedRow> tried_;
    std::string directClient_;  // UI thread only: the client the status names
    bool directActive_ = false;
};

}  // namespace zanvor
