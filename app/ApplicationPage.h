#pragma once

// The program's own controls on the settings page and in the title bar: language, autostart,
// what closing the window does, the lighting SDK server, the notice of a profile that follows
// the window in front, the factory reset, the settings page button and its back
// button, and the background picture menu. The update and firmware buttons are the update
// page's.

#include <functional>
#include <string>

#include "ui/ComboBox.h"
#include "ui/PageRegistry.h"
#include "ui/SwitchButton.h"

namespace zanvor {

// Texts of the lighting SDK server's switch and of its failure to start ("... %s").
inline constexpr int kTextSdkServerSwitch = 1946;
inline constexpr int kTextSdkServerFailed = 1947;

class DataStore;
class DeviceSession;
class DeviceSettings;
class Dialogs;
class MainView;
class ProfilePage;
class SessionState;
class TaskPoster;

class ApplicationPage {
  public:
    struct Parts {
        DataStore& store;
        SessionState& session;
        TaskPoster& poster;
        Dialogs& dialogs;
        MainView& mainView;
        DeviceSession& keyboards;
        DeviceSettings& deviceSettings;
        ProfilePage& profiles;
    };

    explicit ApplicationPage(const Parts& parts);
    ApplicationPage(const ApplicationPage&) = delete;
    ApplicationPage& operator=(const ApplicationPage&) = delete;

    // Registers the controls, the background menu message and job 22 (the reset).
    void Register(PageRegistry& registry);

    ComboBox languageList;
    SwitchButton autostartSwitch;
    SwitchButton autostartMinimisedSwitch;
    ComboBox exitModeList;  // data 1: closing hides to the tray; 0: closing exits
    // "Let other lighting programs control the keyboard" (off by default).
    SwitchButton sdkServerSwitch;
    // "Show a notice when the profile follows the window in front" (off by default).
    SwitchButton focusNoticeSwitch;

    // Starts (true) or stops (false) the lighting SDK server; false with the reason when it
    // cannot start. Given by the program that can serve (set before the controls are used).
    using SdkServerControl = std::function<bool(bool on, std::string* error)>;
    void SetSdkServerControl(SdkServerControl control) { sdkServerControl_ = std::move(control); }
    // The switch as the settings file has it; the server is started when it is on.
    void StartSdkServerIfWanted();

    // Sets the controls from the settings when the page is built.
    void LoadApplicationSettings();
    // Whether a database that cannot be opened is answered with a message and, for a damaged
    // one, the offer to move it aside and start afresh (the desktop program; the command line
    // reports the failure itself).
    void OfferDatabaseRecovery(bool offer) { offerRecovery_ = offer; }
    // The database of `deviceType` could not be opened (window message): tells the user why
    // and offers the fresh start for a damaged file.
    void OnDatabaseFailure(int deviceType);
    // The reset button: after the user confirms, the model's database is deleted and created
    // again, the keyboard reset and the profiles reloaded (job 22). Refused with a message
    // while no keyboard is online: the keyboard would keep its settings while the database
    // forgot them. False when nothing was reset; `failure` (when given) then holds the reason
    // when the database could not be deleted (the database stays as it was).
    bool ResetToDefaults(std::string* failure = nullptr);
    // Job 22 (worker). Ends with a message saying what was reset, and whether the keyboard
    // took its part.
    TaskResult TaskResetDefaults();

  private:
    void OnControl(int controlId);
    void OnResetDone(bool keyboardReset);
    void OnBackgroundMenu(int command);
    // A program setting that could not be stored is said (settings file and all).
    void SettingNotStored();

    void OnSdkServerSwitch();

    Parts parts_;
    SdkServerControl sdkServerControl_;
    bool offerRecovery_ = false;
    const PageRegistry* registry_ = nullptr;
};

}  // namespace zanvor
