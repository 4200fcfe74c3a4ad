#include "app/ApplicationPage.h"

#include <filesystem>
#include <optional>

#include "app/DeviceSession.h"
#include "app/ProfilePage.h"
#include "device/DeviceSettings.h"
#include "device/SessionState.h"
#include "platform/Autostart.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/SettingsStore.h"
#include "platform/Trace.h"
#include "store/DataStore.h"
#include "ui/ControlIds.h"
#include "ui/DeviceTasks.h"
#include "ui/Dialogs.h"
#include "ui/InstalledLanguages.h"
#include "ui/LoadText.h"
#include "ui/MainView.h"
#include "ui/StatusTexts.h"
#include "ui/WindowMessages.h"

namespace zanvor {

namespace {
constexpr int kChoosePicture = 100;
constexpr int kDefaultPicture = 101;
}  // namespace

ApplicationPage::ApplicationPage(const Parts& parts)
    : languageList(kIdLanguageList),
      autostartSwitch(kIdAutostartSwitch),
      autostartMinimisedSwitch(kIdAutostartMinimisedSwitch),
      exitModeList(kIdExitModeList),
      sdkServerSwitch(kIdSdkServerSwitch),
      focusNoticeSwitch(kIdFocusNoticeSwitch),
      parts_(parts) {
    // Each installed language under its own name, which stays the same whatever the
    // language, so a user who picked one they cannot read finds their own again.
    for (const InstalledLanguage& language : FindInstalledLanguages(ApplicationFolder())) {
        languageList.AddItem(language.name, language.lcid);
    }
    exitModeList.AddItem("", 1);
    exitModeList.AddItem("", 0);
}

void ApplicationPage::Register(PageRegistry& registry) {
    registry_ = &registry;
    for (ControlModel* model : std::initializer_list<ControlModel*>{
             &languageList, &autostartSwitch, &autostartMinimisedSwitch, &exitModeList,
             &sdkServerSwitch, &focusNoticeSwitch}) {
        const int id = model->ControlId();
        registry.AddControl(*model, [this, id](int) { OnControl(id); });
    }
    for (int id : {kIdResetButton, kIdSettingsButton, kIdSettingsBack}) {
        registry.AddControl(id, [this, id](int) { OnControl(id); });
    }
    registry.AddWindowMessage(kMsgBackgroundMenu, [this](uintptr_t command, intptr_t) {
        OnBackgroundMenu(static_cast<int>(command));
    });
    registry.AddWindowMessage(kMsgDatabaseFailure, [this](uintptr_t deviceType, intptr_t) {
        OnDatabaseFailure(static_cast<int>(deviceType));
    });
    registry.AddWindowMessage(kMsgResetDone, [this](uintptr_t keyboardReset, intptr_t) {
        OnResetDone(keyboardReset == 1);
    });
    registry.AddTask(
        kTaskResetDefaults, [this] { return TaskResetDefaults(); },
        TaskOptions{.closesBusyDialog = true});
}

void ApplicationPage::OnControl(int controlId) {
    switch (controlId) {
        case kIdLanguageList: {
            const bool stored = SetActiveLanguage(languageList.GetCurData(1033));
            parts_.poster.PostWindowMessage(kMsgReapplyTexts, 0, 0);
            if (!stored) {
                SettingNotStored();  // in the new language
            }
            return;
        }
        case kIdAutostartSwitch: {
            const bool wanted = autostartSwitch.GetCheck() == 1;
            const AutostartState state = SetAutostart(wanted);
            autostartSwitch.SetCheck(state.on ? 1 : 0);
            autostartMinimisedSwitch.SetVisible(state.showMinimisedSwitch);
            autostartMinimisedSwitch.SetCheck(state.minimised ? 1 : 0);
            if (state.on != wanted) {
                SettingNotStored();
            }
            return;
        }
        case kIdAutostartMinimisedSwitch:
            if (!SetAutostartMinimised(autostartMinimisedSwitch.GetCheck() == 1)) {
                autostartMinimisedSwitch.SetCheck(ReadAutostartState().minimised ? 1 : 0);
                SettingNotStored();
            }
            return;
        case kIdExitModeList:
            if (!SetExitMode(exitModeList.GetCurData(0) == 1)) {
                exitModeList.SelectData(ExitHidesToTray() ? 1 : 0);
                SettingNotStored();
            }
            return;
        case kIdSdkServerSwitch:
            OnSdkServerSwitch();
            return;
        case kIdFocusNoticeSwitch:
            if (!WriteRegistryInt(kFocusNoticeValue, focusNoticeSwitch.GetCheck() ? 1 : 0)) {
                focusNoticeSwitch.SetCheck(ReadRegistryInt(kFocusNoticeValue) == 1);
                SettingNotStored();
            }
            return;
        case kIdResetButton:
            ResetToDefaults();
            return;
        case kIdSettingsButton:
            parts_.mainView.ShowSettingsPage(true);
            return;
        case kIdSettingsBack:
            parts_.mainView.ShowSettingsPage(false);
            if (!parts_.session.devicePresent.load()) {
                parts_.mainView.ShowDisconnectedHome();
            }
            return;
        default:
            return;
    }
}

void ApplicationPage::OnSdkServerSwitch() {
    const bool on = sdkServerSwitch.GetCheck() == 1;
    std::string error;
    if (on && (!sdkServerControl_ || !sdkServerControl_(true, &error))) {
        sdkServerSwitch.SetCheck(0);
        std::string text = LoadText("KB.DIALOG", kTextSdkServerFailed);
        if (const size_t at = text.find("%s"); at != std::string::npos) {
            text.replace(at, 2, error);
        }
        parts_.dialogs.MessageBox(text, LoadText("KB.DIALOG", kTextSdkServerSwitch));
        return;
    }
    if (!on && sdkServerControl_) {
        sdkServerControl_(false, nullptr);
    }
    if (!WriteRegistryInt(kSdkServerValue, on ? 1 : 0)) {
        SettingNotStored();
    }
}

void ApplicationPage::StartSdkServerIfWanted() {
    const bool wanted = ReadRegistryInt(kSdkServerValue) == 1;
    std::string error;
    const bool running = wanted && sdkServerControl_ && sdkServerControl_(true, &error);
    if (wanted && !running) {
        Trace("sdk: the server did not start: %s\n", error.c_str());
    }
    sdkServerSwitch.SetCheck(running ? 1 : 0);
}

void ApplicationPage::OnBackgroundMenu(int command) {
    if (command == kChoosePicture) {
        // The home page takes an animated picture too; the other pages a still one.
        const bool home = parts_.mainView.SelectedPage() == kPageHome;
        const FileFilter filter =
            home ? FileFilter{"Image Files", {"*.jpg", "*.jpeg", "*.png", "*.gif"}}
                 : FileFilter{"Image Files", {"*.jpg", "*.jpeg", "*.png"}};
        const std::optional<std::string> path =
            parts_.dialogs.OpenFile(LoadText("KB.DIALOG", 7), {filter});
        std::error_code ec;
        if (!path || !std::filesystem::is_regular_file(*path, ec)) {
            return;
        }
        if (!WriteRegistryText(home ? kThemeBkgGifValue : kThemeBkgValue, *path)) {
            SettingNotStored();
            return;
        }
    } else if (command == kDefaultPicture) {
        if (!WriteRegistryText(kThemeBkgValue, "") || !WriteRegistryText(kThemeBkgGifValue, "")) {
            SettingNotStored();
        }
    } else {
        return;
    }
    parts_.mainView.NotifyBackgroundChanged();
}

void ApplicationPage::SettingNotStored() {
    std::string text = LoadText("KB.DIALOG", 1939);
    if (const size_t at = text.find("%s"); at != std::string::npos) {
        text.replace(at, 2, SettingsFilePath());
    }
    parts_.dialogs.MessageBox(text, LoadText("KB.DIALOG", 1940));
}

void ApplicationPage::OnDatabaseFailure(int deviceType) {
    DataStore& store = parts_.store;
    if (!offerRecovery_ || store.IsOpen() ||
        deviceType != parts_.session.currentDeviceType.load()) {
        return;  // the command line reports it; or another model is open by now
    }
    const StoreFailure failure = store.OpenFailure();
    const std::string reason = store.OpenFailureText();
    if (failure != StoreFailure::kDamaged) {
        parts_.dialogs.MessageBox(reason, LoadText("KB.DIALOG", 1937));
        return;
    }
    std::string offer = LoadText("KB.DIALOG", 1938);
    if (const size_t at = offer.find("%s"); at != std::string::npos) {
        offer.replace(at, 2, DataStore::AsideName(store.Path()));
    }
    if (!parts_.dialogs.Question(reason + "\n\n" + offer, LoadText("KB.DIALOG", 1937))) {
        return;
    }
    const DeviceCatalogue catalogue = parts_.keyboards.CatalogueCopy();
    const KeyboardEntry* keyboard = FindKeyboard(catalogue.keyboards, deviceType);
    std::string movedTo;
    if (keyboard == nullptr || !store.MoveDatabaseAside(DataFolder(), keyboard->name, movedTo) ||
        !store.OpenDeviceDatabase(DataFolder(), keyboard->name)) {
        parts_.dialogs.MessageBox(store.LastFailureText(), LoadText("KB.DIALOG", 1937));
        return;
    }
    // The new database gets its default profiles and the keyboard's state, as at a first start.
    parts_.poster.PostTask(kTaskReloadProfiles);
}

void ApplicationPage::LoadApplicationSettings() {
    languageList.SelectData(ActiveLanguage());
    const AutostartState state = ReadAutostartState();
    autostartSwitch.SetCheck(state.on ? 1 : 0);
    autostartMinimisedSwitch.SetVisible(state.showMinimisedSwitch);
    autostartMinimisedSwitch.SetCheck(state.minimised ? 1 : 0);
    exitModeList.SelectData(ExitHidesToTray() ? 1 : 0);
    sdkServerSwitch.SetCheck(ReadRegistryInt(kSdkServerValue) == 1 ? 1 : 0);
    focusNoticeSwitch.SetCheck(ReadRegistryInt(kFocusNoticeValue) == 1);
}

bool ApplicationPage::ResetToDefaults(std::string* failure) {
    if (!parts_.session.devicePresent.load() || !parts_.session.deviceOnline.load()) {
        parts_.dialogs.MessageBox(LoadText("KB.DIALOG", kTextNoKeyboardOnline),
                                  LoadText("KB.DIALOG", 552));
        return false;
    }
    if (!parts_.dialogs.Question(LoadText("KB.DIALOG", 550), LoadText("KB.DIALOG", 552))) {
        return false;
    }
    const DeviceCatalogue catalogue = parts_.keyboards.CatalogueCopy();
    const int deviceType = parts_.session.currentDeviceType.load();
    const KeyboardEntry* keyboard = FindKeyboard(catalogue.keyboards, deviceType);
    if (keyboard == nullptr) {
        return false;
    }
    DataStore& store = parts_.store;
    store.CloseDatabase();
    if (!store.DeleteDeviceDatabase(DataFolder(), keyboard->name)) {
        // Nothing is reset: the profiles stay, and so does the keyboard.
        const std::string reason = store.LastFailureText();
        store.OpenDeviceDatabase(DataFolder(), keyboard->name);
        parts_.dialogs.MessageBox(reason, LoadText("KB.DIALOG", 552));
        if (failure != nullptr) {
            *failure = reason;
        }
        return false;
    }
    if (!store.OpenDeviceDatabase(DataFolder(), keyboard->name) && failure != nullptr) {
        *failure = store.OpenFailureText();  // the keyboard is still reset below
    }
    WriteRegistryText(kThemeBkgValue, "");
    WriteRegistryText(kThemeBkgGifValue, "");
    parts_.keyboards.LoadLayout(deviceType);
    parts_.poster.PostTask(kTaskResetDefaults);
    parts_.dialogs.ShowBusy(LoadText("KB.DIALOG", 553));
    return true;
}

TaskResult ApplicationPage::TaskResetDefaults() {
    const bool reset = parts_.deviceSettings.TaskResetDefaults();
    parts_.profiles.LoadProfileList();
    if (registry_ != nullptr) {
        registry_->RunResetSteps();
    }
    parts_.poster.PostWindowMessage(kMsgResetDone, reset ? 1 : 0, 0);
    // The message above tells the user; a failure notice beside it would say it twice.
    return TaskResult(reset);
}

void ApplicationPage::OnResetDone(bool keyboardReset) {
    parts_.dialogs.MessageBox(
        keyboardReset ? LoadText("KB.DIALOG", 1969) : LoadText("KB.DIALOG", 1970),
        LoadText("KB.DIALOG", 552));
}

}  // namespace zanvor
