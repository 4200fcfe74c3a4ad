#include "lighting/AuroraPage.h"

#include <algorithm>

#include "device/DeviceManager.h"
#include "device/SessionState.h"
#include "platform/Registry.h"
#include "platform/Trace.h"
#include "store/DataStore.h"
#include "ui/AuroraEffect.h"
#include "ui/DeviceTasks.h"
#include "ui/MainView.h"
#include "ui/PageRegistry.h"
#include "ui/WindowMessages.h"

namespace zanvor {

namespace {

// Start values of the renderer until a music layer is applied.
VisualizerParams StartParams() {
    VisualizerParams params;
    params.foreType = kFillRainbow;
    params.foreBrightness = 100;
    params.backType = kFillBlack;
    params.backBrightness = 100;
    return params;
}

}  // namespace

AuroraPage::AuroraPage(DeviceManager& devices, DataStore& store, SessionState& session,
                       TaskPoster& poster, Dialogs& dialogs, AuroraEffect& effect,
                       KeyboardAudio& audio)
    : modeTabs(kIdAuroraModeTabs),
      foreList(kIdAuroraForeList),
      backList(kIdAuroraBackList),
      amplitude(kIdAuroraAmplitude, 0, 100),
      backBrightness(kIdAuroraBackBrightness, 0, 100),
      foreBrightness(kIdAuroraForeBrightness, 0, 100),
      colour(kIdAuroraColour),
      colourful(kIdAuroraColourful),
      imageButton(kIdAuroraImageButton),
      audioDevices(kIdAuroraAudioDevice),
      devices_(devices),
      store_(store),
      session_(session),
      poster_(poster),
      dialogs_(dialogs),
      effect_(effect),
      audio_(audio) {
    for (int i = 0; i < kLightLayerCount; ++i) {
        layerBoxes[i].SetControlId(kIdAuroraLayerFirst + i);
    }
    layerBoxes[0].SetCheck(true);
    colourful.SetCheck(true);
    amplitude.SetPos(kStartAmplitudeSlider);
    backBrightness.SetPos(kStartBrightness);
    foreBrightness.SetPos(kStartBrightness);
    visualizer_.SetParams(StartParams());
    ApplyTexts();
    modeTabs.SelectData(kAuroraModeMusic);
    audio_.SetAuroraEffect(&effect_);
    audio_.SetVisualizer(&visualizer_);
    audio_.SetDevice(ReadRegistryText(kAudioDeviceValue));
}

AuroraPage::~AuroraPage() {
    audio_.Use(KeyboardAudio::kUserAurora, false);
    audio_.SetAuroraEffect(nullptr);
    audio_.SetVisualizer(nullptr);
    visualizer_.Stop();
}

void AuroraPage::Register(PageRegistry& registry, MainView& view) {
    std::vector<ControlModel*> controls{&modeTabs,       &foreList,       &backList, &amplitude,
                                        &backBrightness, &foreBrightness, &colour,   &colourful,
                                        &imageButton,    &audioDevices};
    for (SwitchButton& box : layerBoxes) {
        controls.push_back(&box);
    }
    for (ControlModel* control : controls) {
        const int id = control->ControlId();
        registry.AddControl(*control, [this, id](int event) { OnControl(id, event); });
    }
    // Posted when the page opens; its only work is to wake the worker for the stream (the
    // live mode switch it names is never needed before streaming).
    registry.AddTask(kTaskSetLiveMode, [] { return TaskResult(); });
    registry.AddIdleWork(
        [this] {
            return session_.liveEffectOn.load() && !session_.liveDirectOn.load() &&
                   session_.deviceOnline.load() && session_.currentPage.load() != kPageHome;
        },
        [this] { MusicFrame(session_.currentPage.load() == kPageAurora); });
    registry.AddPagesRefresh([this] {
        const int profile = session_.currentProfile.load();
        LoadMusicLayer(profile);
        ApplyProfileMode(profile, session_.currentPage.load() == kPageAurora);
    });
    registry.AddProfileApplyStep([this] {
        const int profile = session_.currentProfile.load();
        LoadMusicLayer(profile);
        ApplyProfileMode(profile, session_.currentPage.load() == kPageAurora);
        return TaskResult();
    });
    registry.AddWindowMessage(kMsgReapplyTexts, [this](uintptr_t, intptr_t) { ApplyTexts(); });
    view.AddObserver([this, &view](int change) {
        if (change == MainView::kChangePage || change == MainView::kChangeHome ||
            change == MainView::kChangeSettings) {
            OnPageShown(view.SelectedPage(), view.DevicePagesShown() && !view.SettingsPageShown());
        }
    });
    Initialize();
}

void AuroraPage::OnPageShown(int page, bool devicePagesShown) {
    const int shown = devicePagesShown ? page : -1;
    const int before = pageShown_.exchange(shown);
    // The worker decides on the page when it next passes; it may pass before the main window
    // has noted the page itself.
    session_.currentPage = page;
    if (shown == kPageAurora && before != kPageAurora) {
        OpenPage();
    } else if (shown == kPageLighting) {
        // The keys would keep the last streamed frame: the keyboard is given its light mode
        // again once the stream has stopped (the worker sends no frame after this task).
        const bool wasStreaming = session_.liveEffectOn.load();
        StopStreaming();
        if (wasStreaming) {
            poster_.PostTask(kTaskWriteLightMode);
        }
    } else if (!session_.liveEffectOn.load() && capturing_.load()) {
        // Streaming was switched off elsewhere (another keyboard picked).
        StopStreaming();
    } else if (session_.liveEffectOn.load() && page != kPageHome) {
        // Back from the device list: wake the worker, which slept while the list was shown.
        poster_.PostTask(kTaskSetLiveMode);
    }
}

bool AuroraPage::Streaming() const {
    return session_.liveEffectOn.load();
}

void AuroraPage::SetLedSource(LedSource source) {
    std::lock_guard lock(mutex_);
    ledSource_ = std::move(source);
}

void AuroraPage::Initialize() {
    effect_.Initialize();
    for (int i = 0; i < kLightLayerCount; ++i) {
        layerBoxes[i].SetCheck(i == 0);
    }
    visualizer_.SetParams(StartParams());
    RestoreImage();
}

void AuroraPage::OpenPage() {
    if (streamStartHandler_) {
        streamStartHandler_();
    }
    session_.liveEffectOn = true;
    capturing_ = true;
    visualizer_.Start();
    audio_.Use(KeyboardAudio::kUserAurora, true);
    RunMode(modeTabs.GetCurData(kAuroraModeMusic));
    poster_.PostTask(kTaskSetLiveMode);
}

void AuroraPage::StopStreaming() {
    session_.liveEffectOn = false;
    capturing_ = false;
    visualizer_.SetActive(false);
    audio_.Use(KeyboardAudio::kUserAurora, false);
}

void AuroraPage::RunMode(int mode) {
    modeTabs.SelectData(mode);
    const int previous = mode_.exchange(mode);
    if (previous == kAuroraModeMusic && mode != kAuroraModeMusic) {
        visualizer_.SetActive(false);
    }
    effect_.SetAuroraMode(mode);
    // The renderer only draws while its picture is streamed.
    if (mode == kAuroraModeMusic && session_.liveEffectOn.load()) {
        visualizer_.SetActive(true);
    }
}

void AuroraPage::SelectMode(int mode) {
    modeTabs.SelectData(mode);
    RunMode(mode);
    if (!store_.UpdateConfigValue(session_.currentProfile.load(), kAuroraModeKey,
                                  std::to_string(mode))) {
        Trace("aurora: the effect mode could not be stored\n");
    }
}

void AuroraPage::MusicFrame(bool pageShown) {
    if (!session_.liveEffectOn.load()) {
        return;
    }
    int rows = 0;
    int columns = 0;
    session_.WithKeyMaps([&](const KeyMaps& maps) {
        rows = maps.rowCount;
        columns = maps.colCount;
    });
    const GridMaps grid = BuildGridMaps(rows, columns);
    if (grid.Empty()) {
        return;
    }
    if (mode_.load() == kAuroraModeMusic) {
        const VisualizerParams params = visualizer_.Params();
        FillMusicColourMap(visualizer_, grid, params.foreType, session_.currentDeviceType.load(),
                           params.foreBrightness, effect_);
    }
    if (pageShown) {
        effect_.OnTimer();
    } else {
        effect_.DrawHideControl();
    }
    // The LED positions change only with a new connection and its read.
    const uint64_t connection = session_.Connection() * 2 + (session_.ConnectionRead() ? 1 : 0);
    if (connection != ledConnection_ || !ledOf_) {
        std::lock_guard lock(mutex_);
        if (ledSource_) {
            ledOf_ = ledSource_();
            ledConnection_ = connection;
        }
    }
    if (SendEffectFrame(devices_, effect_, ledOf_, itemColours_)) {
        ++framesSent_;
    } else {
        ++framesFailed_;
        refreshWanted = true;
    }
}

}  // namespace zanvor
