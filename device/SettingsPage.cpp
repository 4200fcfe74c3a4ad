#include "device/SettingsPage.h"

#include <algorithm>

#include "store/DataStore.h"
#include "ui/ControlIds.h"
#include "ui/LoadText.h"
#include "ui/WindowMessages.h"

namespace zanvor {

namespace {
constexpr int kTextSleepMinutes = 2254;  // "%1 Min"
}  // namespace

// The English captions, used when the language file has no text for the minutes.
const std::array<std::pair<const char*, int>, 10> kSleepTimeEntries = {{
    {"1 Min", 1},
    {"2 Min", 2},
    {"3 Min", 3},
    {"5 Min", 5},
    {"10 Min", 10},
    {"15 Min", 15},
    {"20 Min", 20},
    {"25 Min", 25},
    {"30 Min", 30},
    {"60 Min", 60},
}};

// Labelled by their values (an older list showed "3" for the value 4).
const std::array<std::pair<const char*, int>, 6> kKeyResponseEntries = {{
    {"1", 1},
    {"2", 2},
    {"4", 4},
    {"8", 8},
    {"16", 16},
    {"20", 20},
}};

const std::array<const char*, 7> kSettingKeys = {"mac_mode",    "game_mode",  "lock_win",
                                                 "wasd_mode",   "sleep_time", "key_keyresponse",
                                                 "encoder_mode"};

namespace {

bool IsSwitchKey(const std::string& key) {
    return key == "mac_mode" || key == "game_mode" || key == "lock_win" || key == "wasd_mode" ||
           key == "encoder_mode";
}

template <size_t N>
std::string ListValues(const std::array<std::pair<const char*, int>, N>& entries) {
    std::string text;
    for (const auto& entry : entries) {
        text += (text.empty() ? "" : ", ") + std::to_string(entry.second);
    }
    return text;
}

template <size_t N>
bool ListHasValue(const std::array<std::pair<const char*, int>, N>& entries,
                  const std::string& value) {
    return std::any_of(entries.begin(), entries.end(),
                       [&](const auto& entry) { return std::to_string(entry.second) == value; });
}

}  // namespace

bool ValidateSettingValue(const std::string& key, const std::string& value, std::string& stored,
                          std::string& error) {
    if (IsSwitchKey(key)) {
        if (value == "1" || value == "on") {
            stored = "1";
            return true;
        }
        if (value == "0" || value == "off") {
            stored = "0";
            return true;
        }
        error = "invalid value '" + value + "' for " + key + ": use 0 or 1 (off or on)";
        return false;
    }
    if (key == "sleep_time") {
        if (ListHasValue(kSleepTimeEntries, value)) {
            stored = value;
            return true;
        }
        error = "invalid value '" + value + "' for sleep_time: minutes, one of " +
                ListValues(kSleepTimeEntries);
        return false;
    }
    if (key == "key_keyresponse") {
        if (ListHasValue(kKeyResponseEntries, value)) {
            stored = value;
            return true;
        }
        error = "invalid value '" + value + "' for key_keyresponse: one of " +
                ListValues(kKeyResponseEntries);
        return false;
    }
    std::string keys;
    for (const char* known : kSettingKeys) {
        keys += (keys.empty() ? "" : " ") + std::string(known);
    }
    error = "unknown setting '" + key + "' (known: " + keys + ")";
    return false;
}

SettingsPage::SettingsPage(DataStore& store, SessionState& session, TaskPoster& poster, Hooks hooks)
    : store_(store), session_(session), poster_(poster), hooks_(std::move(hooks)) {
    macSwitch.SetControlId(kIdMacSwitch);
    gameSwitch.SetControlId(kIdGameSwitch);
    winLockSwitch.SetControlId(kIdWinLockSwitch);
    wasdSwitch.SetControlId(kIdWasdSwitch);
    encoderSwitch.SetControlId(kIdEncoderSwitch);
    sleepList.SetControlId(kIdSleepList);
    keyResponseList.SetControlId(kIdKeyResponseList);
    LabelSleepList();
    sleepList.SelectData(kInitialSleepTime);
    for (const auto& [text, value] : kKeyResponseEntries) {
        keyResponseList.AddItem(text, value);
    }
    keyResponseList.SelectData(kInitialKeyResponse);
    languageSubscription_ = SubscribeLanguageChanged([this](int) { LabelSleepList(); });
}

std::string SleepTimeText(int minutes) {
    std::string text = LoadText("KB.DIALOG", kTextSleepMinutes);
    if (const size_t at = text.find("%1"); at != std::string::npos) {
        return text.replace(at, 2, std::to_string(minutes));
    }
    for (const auto& [fallback, value] : kSleepTimeEntries) {
        if (value == minutes) {
            return fallback;
        }
    }
    return std::to_string(minutes);
}

void SettingsPage::LabelSleepList() {
    const int selected = sleepList.GetCurSel();
    sleepList.Clear();
    for (const auto& entry : kSleepTimeEntries) {
        sleepList.AddItem(SleepTimeText(entry.second), entry.second);
    }
    sleepList.SetCurSel(selected);
}

void SettingsPage::ApplyTexts() {
    LabelSleepList();
}

void SettingsPage::StoreSwitch(const SwitchButton& control, const char* key) {
    if (!store_.UpdateConfigInt(session_.currentProfile.load(), key, control.GetCheck() ? 1 : 0)) {
        StoreFailed();
        return;
    }
    poster_.PostTask(kWriteSettingsTask);
}

void SettingsPage::StoreList(const ComboBox& control, const char* key) {
    if (control.GetCurSel() >= 0 &&
        !store_.UpdateConfigInt(session_.currentProfile.load(), key, control.GetCurData())) {
        StoreFailed();
        return;
    }
    poster_.PostTask(kWriteSettingsTask);
}

void SettingsPage::StoreFailed() {
    const std::string reason = store_.LastFailureText();
    LoadSettingsPage();
    if (reportFailure_) {
        reportFailure_(reason);
    }
}

void SettingsPage::SetMacMode() {
    StoreSwitch(macSwitch, "mac_mode");
}
void SettingsPage::SetGameMode() {
    StoreSwitch(gameSwitch, "game_mode");
}
void SettingsPage::SetWinLock() {
    StoreSwitch(winLockSwitch, "lock_win");
}
void SettingsPage::SetWasdSwap() {
    StoreSwitch(wasdSwitch, "wasd_mode");
}
void SettingsPage::SetSleepTime() {
    StoreList(sleepList, "sleep_time");
}
void SettingsPage::SetKeyResponse() {
    StoreList(keyResponseList, "key_keyresponse");
}

void SettingsPage::LoadSettingsPage() {
    const int profile = session_.currentProfile.load();
    auto loadSwitch = [&](SwitchButton& control, const char* key) {
        control.SetCheck(store_.GetConfigInt(profile, key) == 1);
    };
    loadSwitch(macSwitch, "mac_mode");
    loadSwitch(gameSwitch, "game_mode");
    loadSwitch(winLockSwitch, "lock_win");
    loadSwitch(wasdSwitch, "wasd_mode");
    loadSwitch(encoderSwitch, "encoder_mode");

    auto loadList = [&](ComboBox& control, const char* key, int initial) {
        std::string text;
        if (!store_.GetConfigValue(profile, key, text)) {
            control.SelectData(initial);
            return;
        }
        // A value the list does not offer selects nothing rather than claiming another.
        if (!control.SelectData(store_.GetConfigInt(profile, key))) {
            control.SetCurSel(-1);
        }
    };
    loadList(sleepList, "sleep_time", kInitialSleepTime);
    loadList(keyResponseList, "key_keyresponse", kInitialKeyResponse);

    if (hooks_.encoderModeLoaded) {
        hooks_.encoderModeLoaded(encoderSwitch.GetCheck());
    }
}

void SettingsPage::Register(PageRegistry& registry) {
    for (ControlModel* control : std::initializer_list<ControlModel*>{
             &macSwitch, &gameSwitch, &winLockSwitch, &wasdSwitch, &sleepList, &keyResponseList}) {
        const int id = control->ControlId();
        registry.AddControl(*control, [this, id](int event) { OnMessage(id, event); });
    }
    registry.AddPagesRefresh([this] { LoadSettingsPage(); });
    registry.AddWindowMessage(kMsgReapplyTexts, [this](uintptr_t, intptr_t) { ApplyTexts(); });
    registry.AddProfileApplyStep([this] {
        LoadSettingsPage();
        return TaskResult();
    });
}

bool SettingsPage::OnMessage(int controlId, int event) {
    struct Route {
        ControlModel* control;
        int event;
        void (SettingsPage::*handler)();
    };
    const Route routes[] = {
        {&macSwitch, SwitchButton::kEventClicked, &SettingsPage::SetMacMode},
        {&gameSwitch, SwitchButton::kEventClicked, &SettingsPage::SetGameMode},
        {&winLockSwitch, SwitchButton::kEventClicked, &SettingsPage::SetWinLock},
        {&wasdSwitch, SwitchButton::kEventClicked, &SettingsPage::SetWasdSwap},
        {&sleepList, ComboBox::kEventSelectionChanged, &SettingsPage::SetSleepTime},
        {&keyResponseList, ComboBox::kEventSelectionChanged, &SettingsPage::SetKeyResponse},
    };
    for (const Route& route : routes) {
        if (route.control->ControlId() == controlId && controlId != 0) {
            if (event == route.event) {
                (this->*route.handler)();
            }
            return true;
        }
    }
    return false;
}

bool SettingsPage::ApplySetting(const std::string& key, const std::string& value,
                                std::string& error) {
    std::string stored;
    if (!ValidateSettingValue(key, value, stored, error)) {
        return false;
    }
    const int profile = session_.currentProfile.load();
    std::string current;
    if (!store_.GetConfigValue(profile, key, current) ||
        !store_.UpdateConfigValue(profile, key, stored)) {
        error = store_.LastFailureText();
        return false;
    }
    LoadSettingsPage();
    if (key != "encoder_mode") {
        poster_.PostTask(kWriteSettingsTask);
    }
    return true;
}

std::vector<std::pair<std::string, std::string>> SettingsPage::ReadSettings() {
    const int profile = session_.currentProfile.load();
    std::vector<std::pair<std::string, std::string>> values;
    for (const char* key : kSettingKeys) {
        std::string value;
        store_.GetConfigValue(profile, key, value);
        values.emplace_back(key, value);
    }
    return values;
}

}  // namespace zanvor
