// Lighting operations without the page's controls (the command line), and the page's place in
// the main window's registry.
#include "lighting/LightPage.h"
#include "lighting/LightPositionMap.h"
#include "lighting/LightRows.h"
#include "platform/Trace.h"
#include "store/DataStore.h"
#include "ui/WindowMessages.h"

namespace zanvor {

bool LightPage::ApplyLightMode(int type, int mode, const LightModeSettings& settings) {
    const int profile = Profile();
    EnsureDefaultLightRows(store_, profile, session_.currentDeviceType.load());
    LightData row;
    if (IsCustomMode(mode) || !store_.GetLightRow(profile, type, mode, row)) {
        return false;
    }
    ApplyLightModeSettings(settings, row);
    {
        std::lock_guard lock(requestMutex_);
        tried_.reset();  // the stored mode is the one to write from now on
    }
    {
        // The settings, the active mark and the switch together, or nothing changes.
        DataStore::Transaction transaction(store_);
        if (!transaction.IsActive() || !store_.UpdateLightRow(type, mode, row) ||
            !store_.SetActiveLightMode(profile, type, mode) ||
            !store_.UpdateConfigValue(profile, "enable_light", "1") || !transaction.Commit()) {
            return false;
        }
    }
    session_.light.type = type;
    zoneTabs.SetCurSel(zoneTabs.IndexOf(type));
    LoadLightZone();
    poster_.PostTask(kTaskWriteLightMode);
    return true;
}

void LightPage::RequestLightMode(int type, int mode, const LightModeSettings& settings,
                                 bool store) {
    {
        std::lock_guard lock(requestMutex_);
        requests_.push_back({type, mode, settings, store});
    }
    poster_.PostWindowMessage(kMsgLightModeRequest, 0, 0);
}

void LightPage::RunLightModeRequests() {
    std::vector<LightModeRequest> requests;
    {
        std::lock_guard lock(requestMutex_);
        requests.swap(requests_);
    }
    for (const LightModeRequest& request : requests) {
        const bool applied = request.store
                                 ? ApplyLightMode(request.type, request.mode, request.settings)
                                 : TryLightMode(request.type, request.mode, request.settings);
        if (!applied) {
            Trace("light: mode %d of zone %d from another program not applied\n", request.mode,
                  request.type);
        }
    }
}

bool LightPage::TryLightMode(int type, int mode, const LightModeSettings& settings) {
    LightData row;
    if (IsCustomMode(mode) || !store_.GetLightRow(Profile(), type, mode, row)) {
        return false;
    }
    ApplyLightModeSettings(settings, row);
    {
        std::lock_guard lock(requestMutex_);
        tried_ = TriedRow{type, mode, row};
    }
    session_.light.type = type;
    session_.light.mode = mode;
    poster_.PostTask(kTaskWriteLightMode);
    return true;
}

bool LightPage::CopyLightingTo(int to) {
    const int from = Profile();
    if (to == from) {
        return true;
    }
    const int deviceType = session_.currentDeviceType.load();
    if (from <= 0 || to <= 0 || !EnsureDefaultLightRows(store_, from, deviceType) ||
        !EnsureDefaultLightRows(store_, to, deviceType)) {
        return false;
    }
    DataStore::Transaction transaction(store_);
    if (!transaction.IsActive()) {
        return false;
    }
    for (const int type : {kLightMain, kLightZone1, kLightZone2, kLightHidden, kLightMatrix}) {
        std::vector<LightData> rows;
        store_.ListLightRows(from, type, rows);
        for (LightData row : rows) {
            row.profile = to;
            LightData existing;
            if (store_.GetLightRow(to, type, row.mode, existing)) {
                if (!store_.UpdateLightRow(type, row.mode, row)) {
                    return false;
                }
                continue;
            }
            row.status = 0;  // the active mark follows below
            if (store_.InsertLightRow(row) <= 0) {
                return false;
            }
        }
        const int active = store_.GetActiveLightMode(from, type);
        if (active != 0 && !store_.SetActiveLightMode(to, type, active)) {
            return false;
        }
    }
    std::string enabled;
    if (store_.GetConfigValue(from, "enable_light", enabled) &&
        !store_.UpdateConfigValue(to, "enable_light", enabled)) {
        return false;
    }
    for (int set = kCustomModeFirst; set <= kCustomModeLast; ++set) {
        std::vector<UserLightRgbData> colors;
        store_.ListUserLightColors(from, set, colors);
        for (UserLightRgbData& color : colors) {
            color.profile = to;
        }
        if (!store_.DeleteUserLightColors(to, set) ||
            (!colors.empty() && store_.InsertUserLightColors(colors) == 0)) {
            return false;
        }
    }
    return transaction.Commit();
}

bool LightPage::TakeTriedRow(int type, int mode, LightData& row) {
    std::lock_guard lock(requestMutex_);
    if (!tried_ || tried_->type != type || tried_->mode != mode) {
        return false;
    }
    row = tried_->row;
    tried_.reset();
    return true;
}

void LightPage::ShowDirectClient(bool active, const std::string& client) {
    directActive_ = active;
    directClient_ = client;
    if (!active) {
        directStatus.SetText("");
        takeBackButton.SetCaption("");
        return;
    }
    const std::string name = client.empty() ? LoadText("KB.DIALOG", kTextOtherProgram) : client;
    std::string text = LoadText("KB.DIALOG", kTextControlledBy);
    if (const size_t at = text.find("%s"); at != std::string::npos) {
        text.replace(at, 2, name);
    }
    directStatus.SetText(text);
    takeBackButton.SetCaption(LoadText("KB.DIALOG", kTextTakeControlBack));
}

void LightPage::SwitchLighting(int type, bool on) {
    session_.light.type = type;
    zoneTabs.SetCurSel(zoneTabs.IndexOf(type));
    LoadLightZone();
    SetLightEnabled(on);
}

void LightPage::OpenCustomSet(int mode) {
    const int profile = Profile();
    session_.light.type = kLightMain;
    zoneTabs.SetCurSel(0);
    EnsureDefaultLightRows(store_, profile, session_.currentDeviceType.load());
    store_.SetActiveLightMode(profile, kLightMain, mode);
    store_.UpdateConfigValue(profile, "enable_light", "1");
    LoadLightZone();
    SetPictureMode(true);
    poster_.PostTask(kTaskWriteCustomLightMode);
    poster_.PostTask(kTaskReadKeyColors);
}

LightPage::Peek LightPage::PeekCustomSet(int mode) {
    const Peek previous{Type(), Mode()};
    session_.light.type = kLightMain;
    session_.light.mode = mode;
    poster_.PostTask(kTaskReadKeyColors);
    return previous;
}

void LightPage::EndPeek(const Peek& previous) {
    session_.light.type = previous.type;
    session_.light.mode = previous.mode;
    if (previous.type == kLightMain && IsCustomSet(previous.mode)) {
        poster_.PostTask(kTaskReadKeyColors);  // the set the picture showed before
    } else {
        ShowBuiltInModeColors();
    }
}

bool LightPage::ShowStoredCustomSet() {
    std::vector<UserLightRgbData> rows;
    if (store_.ListUserLightColors(Profile(), Mode(), rows) == 0) {
        return false;
    }
    std::vector<std::pair<int, uint32_t>> colors;
    for (const UserLightRgbData& row : rows) {
        colors.emplace_back(row.key_code, static_cast<uint32_t>(row.key_rgb) & 0xFFFFFF);
    }
    picture.SetKeyColors(colors);
    colorsKnown_ = true;
    return true;
}

void LightPage::PaintKeys(const std::vector<std::pair<int, uint32_t>>& colors) {
    picture.SetKeyColors(colors);
}

void LightPage::Register(PageRegistry& registry, const LightPageIds& ids) {
    SetControlIds(ids);

    registry.AddControl(zoneTabs, [this](int event) {
        if (event == TabCtrl::kEventTabChanged) {
            SelectLightZone(zoneTabs.GetCurData(kLightMain));
        }
    });
    registry.AddControl(lightSwitch, [this](int) { SetLightEnabled(lightSwitch.GetCheck()); });
    registry.AddControl(modeList, [this](int event) {
        if (event == ComboBox::kEventSelectionChanged) {
            SelectLightMode(modeList.GetCurData(0));
        }
    });
    registry.AddControl(customSets, [this](int event) {
        if (event == ComboBox::kEventSelectionChanged) {
            SelectCustomSet();
        }
    });
    registry.AddControl(liveMirrorSwitch,
                        [this](int) { SetLiveMirror(liveMirrorSwitch.GetCheck()); });
    registry.AddControl(brightness, [this](int) { SetLightBrightness(brightness.GetPos()); });
    registry.AddControl(speed, [this](int) { SetLightSpeed(speed.GetPos()); });
    registry.AddControl(directionA, [this](int) { SetLightDirection(directionA.GetCurData(0)); });
    registry.AddControl(directionB, [this](int) { SetLightDirection(directionB.GetCurData(3)); });
    registry.AddControl(colorWheel, [this](int) { OnPaletteColor(colorWheel.GetColor()); });
    registry.AddControl(colorButton, [this](int) { OnPaletteColor(colorButton.GetColor()); });
    registry.AddControl(
        swatches, [this](int) { OnPaletteColor(static_cast<uint32_t>(swatches.GetCurData(0))); });
    registry.AddControl(red, [this](int) { OnColorFieldChanged(red); });
    registry.AddControl(green, [this](int) { OnColorFieldChanged(green); });
    registry.AddControl(blue, [this](int) { OnColorFieldChanged(blue); });
    registry.AddControl(colorfulBox, [this](int) { SetLightColorful(colorfulBox.GetCheck()); });
    registry.AddControl(picture, [this](int event) { OnPictureEvent(event); });
    registry.AddControl(ids.applyButton, [this](int) { OnApply(); });
    registry.AddControl(ids.selectAllButton, [this](int) { SelectAllKeys(); });

    registry.AddTask(kTaskWriteCustomLightMode, [this] { return TaskWriteCustomLightMode(); });
    registry.AddTask(kTaskWriteLightMode, [this] { return TaskWriteLightMode(); });
    registry.AddTask(kTaskWriteLightModeAlt, [this] { return TaskWriteLightMode(); });
    registry.AddTask(kTaskReadKeyColors, [this] { return TaskReadKeyColors(); });
    registry.AddTask(
        kTaskWriteLightLayer, [this] { return TaskWriteLightLayer(); }, TaskOptions{true, true});

    registry.AddIdleWork(
        [this] {
            return session_.liveMirrorOn.load() && !IsCustomMode(Mode()) && mirrorShown_ &&
                   mirrorShown_();
        },
        [this] { MirrorLiveKeyColors(); });

    registry.AddWindowMessage(kMsgLightModeRequest,
                              [this](uintptr_t, intptr_t) { RunLightModeRequests(); });
    registry.AddWindowMessage(kMsgReapplyTexts, [this](uintptr_t, intptr_t) {
        ShowDirectClient(directActive_, directClient_);
    });

    registry.AddConnectionStep(PageRegistry::kReadLightMap, [this] {
        return ReadLightPositionMap(devices_, keyTables_, session_);
    });
    registry.AddConnectionStep(PageRegistry::kAdoptDeviceState, [this] {
        AdoptDeviceLightModes();
        return true;
    });
    registry.AddProfileApplyStep([this] { return ApplyProfileLighting(); });
    registry.AddPagesRefresh([this] { RefreshAfterProfileLoad(); });
}

}  // namespace zanvor
