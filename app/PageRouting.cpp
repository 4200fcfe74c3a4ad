// The main window's pages: control events routed to their handlers, the hooks that join
// them, applying a profile and the reset command.
#include <filesystem>

#include "app/ControlIds.h"
#include "app/DevicePages.h"
#include "app/KeyboardDlg.h"
#include "app/WindowMessages.h"
#include "platform/Autostart.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "store/DataStore.h"
#include "ui/LoadText.h"

namespace zanvor {

void KeyboardDlg::ConnectPages() {
    DevicePages& pages = *pages_;
    const auto sink = [this](int controlId, int event) { OnMessage(controlId, event); };
    for (ControlModel* model : std::initializer_list<ControlModel*>{
             &pages.profileList, &pages.keyFunctions, &pages.keyLayers, &pages.macroPlay,
             &pages.combination, &pages.keyTestCtrl, &pages.languageList, &pages.autostartSwitch,
             &pages.autostartMinimisedSwitch, &pages.exitModeList, &pages.settings.macSwitch,
             &pages.settings.gameSwitch, &pages.settings.winLockSwitch, &pages.settings.wasdSwitch,
             &pages.settings.encoderSwitch, &pages.settings.sleepList,
             &pages.settings.keyResponseList}) {
        model->SetEventSink(sink);
    }

    ProfileHooks profileHooks;
    profileHooks.createDefaultKeyRows = [this](int profile) {
        pages_->keys.CreateDefaultKeyRows(profile);
    };
    profileHooks.readDeviceState = [this] {
        KeyAssignmentPage& keys = pages_->keys;
        return pages_->deviceSettings.ReadDeviceState({[&keys] { return keys.ReadDefaultTables(); },
                                                       [&keys] { return keys.ReadKeyTables(); }});
    };
    profileHooks.refreshPages = [this] {
        pages_->keys.ReloadKeyCaptions(session.currentProfile.load());
        pages_->settings.LoadSettingsPage();
        pages_->knob.LoadEncoderMode();
    };
    profileHooks.showContextMenu = [this] {
        if (profileMenuPresenter_) {
            profileMenuPresenter_();
        }
    };
    profileHooks.exportProfile = [this](int) { pages_->exchange.ExportKeys(); };
    pages.profile.SetHooks(std::move(profileHooks));

    DeviceSettings::Hooks deviceHooks;
    deviceHooks.matrixScreenPresent = [this](bool present) { mainView.SetTabVisible(2, present); };
    pages.deviceSettings.SetHooks(std::move(deviceHooks));

    pages.keys.SetKnobDialogOpener([this] { pages_->knob.OpenKnobDialog(); });
    pages.keys.InitControls();

    mainView.AddObserver([this](int change) {
        if (change == MainView::kChangePage || change == MainView::kChangeHome ||
            change == MainView::kChangeSettings) {
            OnPageChanged();
        }
    });
}

void KeyboardDlg::OnPageChanged() {
    // The key test runs while the key-assignment page is on screen.
    const bool keysShown = mainView.DevicePagesShown() && !mainView.SettingsPageShown() &&
                           mainView.SelectedPage() == kPageKeys;
    currentPage = mainView.SelectedPage();
    const int shown = keysShown ? 1 : 0;
    if (shownPage_.exchange(shown) == shown) {
        return;
    }
    if (keysShown) {
        pages_->keyTest.StartKeyTest();
    } else {
        pages_->keyTest.StopKeyTest();
    }
}

void KeyboardDlg::SetProfileMenuPresenter(std::function<void()> presenter) {
    profileMenuPresenter_ = std::move(presenter);
}

void KeyboardDlg::OnProfileMenuCommand(int command) {
    pages_->profile.OnContextCommand(command);
}

void KeyboardDlg::OnMessage(int controlId, int event) {
    DevicePages& pages = *pages_;
    switch (controlId) {
        case kIdDeviceList:
            if (event == CDeviceList::kEventSelectDevice) {
                OnDeviceListSelection();
            }
            return;
        case kIdKeyboardCtrl:
            if (event == KeyboardCtrl::kEventKeyClicked) {
                pages.keys.SelectKey();
            }
            return;
        case kIdProfileList:
            pages.profile.OnListEvent(event);
            return;
        case kIdAddProfile:
            pages.profile.AddProfile();
            return;
        case kIdImportProfile:
            pages.exchange.ImportKeys();
            return;
        case kIdKeyFunctions:
            if (event == KeyFuncValue::kEventItemClicked) {
                pages.keys.ChooseFunction();
            } else if (event == KeyFuncValue::kEventTabChanged) {
                pages.keys.OnTabChanged();
            }
            return;
        case kIdKeyLayers:
            pages.keys.OnLayerChanged();
            return;
        case kIdMacroPlay:
            pages.keys.ApplyMacroPlay(event == MacroPlayPanel::kEventOptionClicked);
            return;
        case kIdCombination:
            if (event == CombinationKeyPanel::kEventCaptureClicked) {
                pages.keyTest.StopKeyTest();
                pages.keys.StartKeyCapture();
            } else if (event == CombinationKeyPanel::kEventApplyClicked) {
                pages.keys.EndKeyCapture();
                pages.keys.ApplyCombination();
                if (mainView.SelectedPage() == kPageKeys) {
                    pages.keyTest.StartKeyTest();
                }
            }
            return;
        case kIdRestoreAllKeys:
            pages.keys.RestoreAllDefaults();
            return;
        case kIdEncoderSwitch:
            pages.knob.SetEncoderMode(pages.settings.encoderSwitch.GetCheck() == 1);
            return;
        default:
            break;
    }
    if (pages.settings.OnMessage(controlId, event)) {
        return;
    }
    OnApplicationControl(controlId, event);
}

bool KeyboardDlg::OnApplicationControl(int controlId, int) {
    DevicePages& pages = *pages_;
    switch (controlId) {
        case kIdLanguageList:
            SetActiveLanguage(pages.languageList.GetCurData(1033));
            PostMessageW(kMsgReapplyTexts);
            return true;
        case kIdAutostartSwitch: {
            const AutostartState state = SetAutostart(pages.autostartSwitch.GetCheck() == 1);
            pages.autostartSwitch.SetCheck(state.on ? 1 : 0);
            pages.autostartMinimisedSwitch.SetVisible(state.showMinimisedSwitch);
            pages.autostartMinimisedSwitch.SetCheck(state.minimised ? 1 : 0);
            return true;
        }
        case kIdAutostartMinimisedSwitch:
            SetAutostartMinimised(pages.autostartMinimisedSwitch.GetCheck() == 1);
            return true;
        case kIdExitModeList:
            SetExitMode(pages.exitModeList.GetCurData(0) == 1);
            return true;
        case kIdResetButton:
            ResetToDefaults();
            return true;
        case kIdUpdateButton:
            pages.update.CheckForUpdates();
            return true;
        case kIdFirmwareButton:
            pages.update.LaunchFirmwareTool();
            return true;
        case kIdSettingsButton:
            mainView.ShowSettingsPage(true);
            return true;
        case kIdSettingsBack:
            mainView.ShowSettingsPage(false);
            if (!devicePresent.load()) {
                mainView.ShowDisconnectedHome();
            }
            return true;
        default:
            return false;
    }
}

void KeyboardDlg::OnBackgroundMenu(int command) {
    constexpr int kChoosePicture = 100;
    constexpr int kDefaultPicture = 101;
    if (command == kChoosePicture) {
        // The home page takes an animated picture too; the other pages a still one.
        const bool home = mainView.SelectedPage() == kPageHome;
        const FileFilter filter =
            home ? FileFilter{"Image Files", {"*.jpg", "*.jpeg", "*.png", "*.gif"}}
                 : FileFilter{"Image Files", {"*.jpg", "*.jpeg", "*.png"}};
        const std::optional<std::string> path =
            dialogs_.OpenFile(LoadText("KB.DIALOG", 7), {filter});
        std::error_code ec;
        if (!path || !std::filesystem::is_regular_file(*path, ec)) {
            return;
        }
        WriteRegistryText(home ? kThemeBkgGifValue : kThemeBkgValue, *path);
    } else if (command == kDefaultPicture) {
        WriteRegistryText(kThemeBkgValue, "");
        WriteRegistryText(kThemeBkgGifValue, "");
    } else {
        return;
    }
    mainView.NotifyBackgroundChanged();
}

void KeyboardDlg::LoadApplicationSettings() {
    DevicePages& pages = *pages_;
    pages.languageList.SelectData(ActiveLanguage());
    const AutostartState state = ReadAutostartState();
    pages.autostartSwitch.SetCheck(state.on ? 1 : 0);
    pages.autostartMinimisedSwitch.SetVisible(state.showMinimisedSwitch);
    pages.autostartMinimisedSwitch.SetCheck(state.minimised ? 1 : 0);
    pages.exitModeList.SelectData(ExitHidesToTray() ? 1 : 0);
}

void KeyboardDlg::ApplyProfile() {
    DevicePages& pages = *pages_;
    const int profile = session.currentProfile.load();
    pages.keyLayers.SetCurKeyLayer(0);
    session.currentLayer = 0;
    pages.keys.SetSelectedKey(kSelectAllTables);
    pages.keys.ReloadKeyCaptions(profile);
    pages.keys.WriteKeyAssignments();
    pages.settings.LoadSettingsPage();
    pages.knob.LoadEncoderMode();
    keyboardCtrl.ResetAllItemCheck();
}

bool KeyboardDlg::ResetToDefaults() {
    if (!dialogs_.Question(LoadText("KB.DIALOG", 550), LoadText("KB.DIALOG", 552))) {
        return false;
    }
    const DeviceCatalogue catalogue = CatalogueCopy();
    const KeyboardEntry* keyboard =
        FindKeyboard(catalogue.keyboards, session.currentDeviceType.load());
    if (keyboard == nullptr) {
        return false;
    }
    store_.CloseDatabase();
    store_.DeleteDeviceDatabase(DataFolder(), keyboard->name);
    store_.OpenDeviceDatabase(DataFolder(), keyboard->name);
    WriteRegistryText(kThemeBkgValue, "");
    WriteRegistryText(kThemeBkgGifValue, "");
    LoadLayout(session.currentDeviceType.load());
    PostTask(kTaskResetDefaults);
    dialogs_.ShowBusy(LoadText("KB.DIALOG", 553));
    return true;
}

void KeyboardDlg::TaskResetDefaults() {
    pages_->deviceSettings.TaskResetDefaults();
    pages_->profile.LoadProfileList();
    pages_->settings.LoadSettingsPage();
}

}  // namespace zanvor
