#pragma once

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "device/SessionState.h"
#include "ui/ComboBox.h"
#include "ui/LoadText.h"
#include "ui/PageRegistry.h"
#include "ui/SwitchButton.h"

namespace zanvor {

class DataStore;

// Worker task that writes the keyboard settings (the pages below app/ cannot see its enum).
inline constexpr int kWriteSettingsTask = 17;

// Entries of the settings page's lists: (text, value). The sleep times' texts are used only
// when the language file has no text for them (SleepTimeText).
extern const std::array<std::pair<const char*, int>, 10> kSleepTimeEntries;
extern const std::array<std::pair<const char*, int>, 6> kKeyResponseEntries;
// Values selected before a profile's configuration values are loaded.
inline constexpr int kInitialSleepTime = 2;
inline constexpr int kInitialKeyResponse = 8;

// A sleep time as the list shows it ("10 Min") in the current language.
std::string SleepTimeText(int minutes);

// The configuration keys `zanvorctl settings` knows, in display order.
extern const std::array<const char*, 7> kSettingKeys;

// Checks a value given for a setting key (`zanvorctl settings set KEY VALUE`). Switches
// (mac_mode, game_mode, lock_win, wasd_mode, encoder_mode) take 0/1 or off/on; sleep_time
// and key_keyresponse one of the values of their list. On success `stored` holds the
// configuration value to store ("0", "1", "10", ...); otherwise `error` says why, in one line.
bool ValidateSettingValue(const std::string& key, const std::string& value, std::string& stored,
                          std::string& error);

// The keyboard settings on the settings page: four switches, the two lists and the knob
// display switch, stored as configuration values of the current profile. Handlers run on the
// UI thread; LoadSettingsPage may also run on the worker.
class SettingsPage {
  public:
    struct Hooks {
        // Called by LoadSettingsPage with the encoder_mode switch's state (the knob drawing).
        std::function<void(bool on)> encoderModeLoaded;
    };

    SettingsPage(DataStore& store, SessionState& session, TaskPoster& poster, Hooks hooks = {});
    SettingsPage(const SettingsPage&) = delete;
    SettingsPage& operator=(const SettingsPage&) = delete;

    // Replaces the hooks; only before the pages are used.
    void SetHooks(Hooks hooks) { hooks_ = std::move(hooks); }
    // Who tells the user that a setting could not be stored (the reason is one sentence); the
    // control then shows the stored value again and nothing is sent. Only before use.
    void SetFailureReporter(std::function<void(const std::string& reason)> report) {
        reportFailure_ = std::move(report);
    }
    // Registers the switches and lists (not the knob switch) and the page's reload after a
    // profile change.
    void Register(PageRegistry& registry);

    SwitchButton macSwitch;
    SwitchButton gameSwitch;
    SwitchButton winLockSwitch;
    SwitchButton wasdSwitch;
    SwitchButton encoderSwitch;  // its handler is the knob page's
    ComboBox sleepList;
    ComboBox keyResponseList;

    // Each reads its control, stores the value for the current profile and posts the
    // settings task (also when the queue is not empty).
    void SetMacMode();
    void SetGameMode();
    void SetWinLock();
    void SetWasdSwap();
    void SetSleepTime();
    void SetKeyResponse();

    // Names the sleep times in the active language again, keeping the selection.
    void ApplyTexts();

    // Sets the controls from the current profile's configuration values. A list whose value
    // is missing keeps its initial entry; a value not in the list selects no entry.
    void LoadSettingsPage();

    // Dispatches a control event of one of the page's controls to its handler; false when
    // the control is not one of this page's (or is the knob switch, which the knob page owns).
    bool OnMessage(int controlId, int event);

    // Command line: stores a validated value (see ValidateSettingValue), updates the control
    // and posts the settings task for the keyboard settings (not for encoder_mode, which the
    // keyboard never hears of). False with `error` set for an unknown key or a bad value.
    bool ApplySetting(const std::string& key, const std::string& value, std::string& error);
    // Command line: the settings of the current profile as (key, value), in kSettingKeys order.
    std::vector<std::pair<std::string, std::string>> ReadSettings();

  private:
    void StoreSwitch(const SwitchButton& control, const char* key);
    void StoreList(const ComboBox& control, const char* key);
    // After a value was refused: the reason to the user, the stored values back on screen.
    void StoreFailed();
    // The sleep list's entries in the current language, the selection kept.
    void LabelSleepList();

    DataStore& store_;
    SessionState& session_;
    TaskPoster& poster_;
    Hooks hooks_;
    std::function<void(const std::string& reason)> reportFailure_;
    LanguageSubscription languageSubscription_;
};

}  // namespace zanvor
