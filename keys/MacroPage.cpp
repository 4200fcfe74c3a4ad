// The macro page: its macros, their names and delay settings, joining the main window, sending
// the macros to the keyboard and the operations of the command line. Steps, recording and the
// step editor are in MacroPageSteps.cpp.
#include "keys/MacroPage.h"

#include <algorithm>

#include "device/DeviceManager.h"
#include "device/SessionState.h"
#include "keys/KeyCodes.h"
#include "keys/MacroSteps.h"
#include "keys/MacroTexts.h"
#include "platform/Utf8.h"
#include "store/DataStore.h"
#include "ui/Dialogs.h"

namespace zanvor {

namespace {

constexpr int kDefaultMacroCount = 10;  // macros of an empty database, "M1".."M10"
constexpr int kMaxNameNumber = 1000;

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

// "M1".."M10": the names of the macros a new database starts with.
bool IsDefaultSlotName(const std::string& name) {
    for (int n = 1; n <= kDefaultMacroCount; ++n) {
        if (name == "M" + std::to_string(n)) {
            return true;
        }
    }
    return false;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

MacroPage::MacroPage(DeviceManager& devices, DataStore& store, SessionState& session,
                     TaskPoster& poster, Dialogs& dialogs, HeldKeySet& held)
    : devices_(devices),
      store_(store),
      session_(session),
      poster_(poster),
      dialogs_(dialogs),
      recorder_(records, held) {
    recordButton.SetCaptionId(kTextRecord);
    delay.SetOption(kDelayMeasured);
    delay.SetFieldEnabled(false);
    notice.SetVisible(false);
    languageSubscription_ = SubscribeLanguageChanged([this](int) { RefreshNames(); });
}

MacroPage::~MacroPage() {
    languageSubscription_.Reset();
}

// ---- joining the main window ----------------------------------------------------------------

void MacroPage::Register(PageRegistry& registry) {
    for (ControlModel* model : std::initializer_list<ControlModel*>{&macros, &records, &delay,
                                                                    &recordButton, &stepEditor}) {
        const int id = model->ControlId();
        registry.AddControl(*model, [this, id](int event) { OnControl(id, event); });
    }
    for (int id : {kIdAddMacro, kIdDeleteMacro, kIdInsertStep, kIdMoveStepUp, kIdMoveStepDown,
                   kIdDeleteStep, kIdClearSteps}) {
        registry.AddControl(id, [this, id](int event) { OnControl(id, event); });
    }
    for (uint32_t message : {kMsgMacroInsertMenu, kMsgMacroContextMenu, kMsgMacroPageReload}) {
        registry.AddWindowMessage(message, [this, message](uintptr_t wParam, intptr_t) {
            OnWindowMessage(message, wParam);
        });
    }
    registry.AddTask(
        kMacroTaskDownload, [this] { return TaskDownloadMacros(); },
        TaskOptions{.closesBusyDialog = true});
    // The profile list is loaded on the worker; the page fills itself on the UI thread.
    registry.AddPagesRefresh([this] { poster_.PostWindowMessage(kMsgMacroPageReload, 0, 0); });
}

bool MacroPage::OnControl(int controlId, int event) {
    switch (controlId) {
        case kIdMacroList:
            if (event == MacroList::kEventSelectionChanged) {
                ShowMacro(SelectedMacro());
            } else if (event == MacroList::kEventEditFinished) {
                RenameMacroEntry();
            }
            return true;
        case kIdRecordList:
            if (event == CRecordList::kEventSelectionChanged) {
                ShowStepEditor();
            } else if (event == CRecordList::kEventContextRequest) {
                OpenContextMenu();
            } else if (event == CRecordList::kEventDelayEdited) {
                EditStepDelay();
            }
            return true;
        case kIdMacroDelay:
            if (event == MacroDelayPanel::kEventOptionClicked) {
                SetDelayMode();
            } else if (event == MacroDelayPanel::kEventFieldChanged) {
                SetFixedDelay();
            }
            return true;
        case kIdRecordButton:
            ToggleRecording();
            return true;
        case kIdStepEditor:
            if (event == MacroStepEditor::kEventValueLeft) {
                EditPauseStep();
            } else if (event == MacroStepEditor::kEventKeyFieldFocus) {
                BeginStepKeyCapture();
            } else if (event == MacroStepEditor::kEventMouseChosen) {
                EditMouseStep();
            }
            return true;
        case kIdAddMacro:
            NewMacro();
            return true;
        case kIdDeleteMacro:
            DeleteMacroEntry();
            return true;
        case kIdInsertStep:
            OpenInsertMenu();
            return true;
        case kIdMoveStepUp:
            MoveStepUp();
            return true;
        case kIdMoveStepDown:
            MoveStepDown();
            return true;
        case kIdDeleteStep:
            DeleteStep();
            return true;
        case kIdClearSteps:
            ClearSteps();
            return true;
        default:
            return false;
    }
}

bool MacroPage::OnWindowMessage(uint32_t id, uintptr_t wParam) {
    switch (id) {
        case kMsgMacroInsertMenu:
        case kMsgMacroContextMenu:
            OnMenuCommand(static_cast<int>(wParam));
            return true;
        case kMsgMacroPageReload:
            LoadMacroPage();
            return true;
        default:
            return false;
    }
}

void MacroPage::SetReleaseMacro(std::function<bool(int)> release) {
    releaseMacro_ = std::move(release);
}

void MacroPage::SetRewriteKeyTables(std::function<void()> rewrite) {
    rewriteKeyTables_ = std::move(rewrite);
}

void MacroPage::SetMacrosChanged(std::function<void()> changed) {
    macrosChanged_ = std::move(changed);
}

void MacroPage::SetMenuPresenter(MenuPresenter presenter) {
    menuPresenter_ = std::move(presenter);
}

void MacroPage::NotifyMacrosChanged() {
    if (macrosChanged_) {
        macrosChanged_();
    }
}

bool MacroPage::ReleaseMacro(int macroId) {
    return releaseMacro_ ? releaseMacro_(macroId) : false;
}

// ---- the macro list -------------------------------------------------------------------------

std::string MacroPage::PageName(const std::string& storedName) {
    static const std::string kCustom = "Custom";
    static const std::string kCustomZh = "\u81EA\u5B9A\u4E49";  // "custom"
    static const std::string kCopy = "Copy";
    static const std::string kCopyZh = "\u590D\u5236";  // "copy"
    std::string name = storedName;
    if (StartsWith(name, kCustom)) {
        name = LoadText("KB.DIALOG", kTextNewMacro) + name.substr(kCustom.size());
    } else if (StartsWith(name, kCustomZh)) {
        name = LoadText("KB.DIALOG", kTextNewMacro) + name.substr(kCustomZh.size());
    }
    for (const std::string* copy : {&kCopy, &kCopyZh}) {
        if (EndsWith(name, *copy)) {
            name = name.substr(0, name.find(*copy)) + " " + LoadText("KB.DIALOG", kTextCopy);
            break;
        }
    }
    return name;
}

void MacroPage::LoadMacroPage() {
    if (recorder_.Active()) {
        StopRecording();
    }
    loaded_ = true;
    macros.DeleteAllItems();
    records.DeleteAllItems();
    stepEditor.SetVisible(false);
    std::vector<MacroData> list;
    if (store_.ListMacros(list) == 0) {
        // All default macros or none: a crash in between would leave fewer for good.
        DataStore::Transaction transaction(store_);
        bool created = transaction.IsActive();
        for (int n = 1; created && n <= kDefaultMacroCount; ++n) {
            created = store_.InsertMacro("M" + std::to_string(n)) > 0;
        }
        if (created) {
            transaction.Commit();
        }
        store_.ListMacros(list);
    }
    for (const MacroData& macro : list) {
        macros.AddString(PageName(macro.name), macro.macro_id);
    }
    RefreshUsage();
    if (macros.GetItemCount() > 0) {
        macros.SetCurSel(0);
        ShowMacro(macros.GetItemData(0));
    }
    NotifyMacrosChanged();
}

void MacroPage::EnsureLoaded() {
    if (!loaded_) {
        LoadMacroPage();
    }
}

void MacroPage::RefreshNames() {
    for (int i = 0; i < macros.GetItemCount(); ++i) {
        MacroData macro;
        if (store_.GetMacro(macros.GetItemData(i), macro)) {
            macros.ModifyItemString(i, PageName(macro.name));
        }
    }
    RefreshUsage();
}

std::vector<bool> MacroPage::UnusedSlots() {
    std::vector<KeyMacroData> keys;
    store_.ListAllKeys(keys);
    std::vector<bool> unused;
    for (int i = 0; i < macros.GetItemCount(); ++i) {
        const int id = macros.GetItemData(i);
        MacroData macro;
        const bool played = std::any_of(keys.begin(), keys.end(), [id](const KeyMacroData& row) {
            return row.macro_type == kFunctionMacro && row.macro_value == id;
        });
        unused.push_back(store_.GetMacro(id, macro) && IsDefaultSlotName(macro.name) &&
                         store_.CountMacroSteps(id) == 0 && !played);
    }
    return unused;
}

void MacroPage::RefreshUsage() {
    const std::vector<bool> unused = UnusedSlots();
    const std::string note = LoadText("KB.DIALOG", kTextUnusedMacro);
    for (size_t i = 0; i < unused.size(); ++i) {
        macros.SetItemNote(static_cast<int>(i), unused[i] ? note : std::string());
    }
}

int MacroPage::TakeUnusedSlot(const std::string& name) {
    const std::vector<bool> unused = UnusedSlots();
    const auto found = std::find(unused.begin(), unused.end(), true);
    if (found == unused.end()) {
        return -1;
    }
    const int index = static_cast<int>(found - unused.begin());
    const int id = macros.GetItemData(index);
    if (!store_.RenameMacro(id, name)) {
        dialogs_.MessageBox(store_.LastFailureText(), LoadText("KB.DIALOG", 1937));
        return 0;
    }
    macros.ModifyItemString(index, PageName(name));
    macros.SetCurSel(index);
    ShowMacro(id);
    RefreshUsage();
    NotifyMacrosChanged();
    return id;
}

std::string MacroPage::NewMacroName() const {
    const std::string prefix = LoadText("KB.DIALOG", kTextNewMacro);
    std::string name;
    for (int n = 1; n <= kMaxNameNumber; ++n) {
        name = prefix + " " + std::to_string(n);
        bool taken = false;
        for (int i = 0; i < macros.GetItemCount() && !taken; ++i) {
            taken = macros.GetItemText(i) == name;
        }
        if (!taken) {
            break;
        }
    }
    return name;
}

int MacroPage::SelectedMacro() const {
    return macros.GetCurData();
}

bool MacroPage::SelectMacro(int macroId) {
    return macros.SetCurData(macroId);
}

void MacroPage::ShowMacro(int macroId) {
    stepEditor.SetVisible(false);
    delay.SetFieldEnabled(false);
    MacroData macro;
    if (store_.GetMacro(macroId, macro)) {
        delay.SetOption(std::clamp(macro.delay_type, 0, MacroDelayPanel::kOptionCount - 1));
        if (macro.delay_type == kDelayFixed) {
            delay.SetFieldText(std::to_string(macro.delay_time));
            delay.SetFieldEnabled(true);
        }
    }
    records.DeleteAllItems();
    std::vector<MacroRecordData> steps;
    store_.ListMacroSteps(macroId, steps);
    for (const MacroRecordData& step : steps) {
        if (step.type == kStepPause && step.delay_time > 0) {
            // A pause shows one time, the whole wait the keyboard makes for it.
            const int wait = ClampPause(step.value + std::min(step.delay_time, kMaxStepDelay));
            records.AddString(PauseText(wait), step.type, wait, 0);
            continue;
        }
        records.AddString(step.desc, step.type, step.value, step.delay_time);
    }
}

void MacroPage::NewMacro() {
    const std::string name = NewMacroName();
    if (macros.GetItemCount() >= kMacroLimit) {
        // The list is full, but slots a new database made and nobody used yet are free: the
        // first of them becomes the new macro.
        if (TakeUnusedSlot(name) < 0) {
            dialogs_.MessageBox(LoadText("KB.DIALOG", kTextMacroLimit),
                                LoadText("KB.DIALOG", kTextNewMacro));
        }
        return;
    }
    const int id = store_.InsertMacro(name);
    if (id <= 0) {
        return;
    }
    macros.SetCurSel(macros.AddString(name, id));
    ShowMacro(id);
    RefreshUsage();
    NotifyMacrosChanged();
}

bool MacroPage::KeysPlayMacros() {
    std::vector<KeyMacroData> rows;
    store_.ListProfileKeys(session_.currentProfile.load(), rows);
    return std::any_of(rows.begin(), rows.end(),
                       [](const KeyMacroData& row) { return row.macro_type == 3; });
}

void MacroPage::DeleteMacroEntry() {
    const int index = macros.GetCurSel();
    const int id = macros.GetItemData(index);
    if (index < 0 || id <= 0 || !store_.DeleteMacro(id)) {
        return;
    }
    // Keys refer to a macro by its place in the list, and the places after this one move up:
    // the keyboard gets the block again, and its key tables when keys play macros.
    if (!ReleaseMacro(id)) {
        poster_.PostTask(kMacroTaskDownload);
        if (KeysPlayMacros() && rewriteKeyTables_) {
            rewriteKeyTables_();
        }
    }
    macros.DeleteItem(index);
    macros.SetCurSel(index - 1);
    records.DeleteAllItems();
    stepEditor.SetVisible(false);
    if (macros.GetCurSel() >= 0) {
        ShowMacro(SelectedMacro());
    }
    NotifyMacrosChanged();
}

void MacroPage::RenameMacroEntry() {
    const int index = macros.GetCurSel();
    const int id = macros.GetItemData(index);
    MacroData macro;
    if (index < 0 || !store_.GetMacro(id, macro)) {
        return;
    }
    const std::string text = macros.GetItemText(index);
    if (text.empty()) {
        macros.ModifyItemString(index, PageName(macro.name));
        return;
    }
    if (!store_.RenameMacro(id, text)) {
        const std::string reason = store_.LastFailureText();
        macros.ModifyItemString(index, PageName(macro.name));
        dialogs_.MessageBox(reason, LoadText("KB.DIALOG", 1937));
        return;
    }
    RefreshUsage();
    NotifyMacrosChanged();
}

// ---- delay settings -------------------------------------------------------------------------

void MacroPage::SetDelayField(int value) {
    delay.SetFieldText(std::to_string(value));
}

void MacroPage::SetDelayMode() {
    if (delay.SelectedOption() == kDelayFixed) {
        SetDelayField(kDefaultStepDelay);
        delay.SetFieldEnabled(true);
    } else {
        delay.SetFieldEnabled(false);
    }
    ApplyDelaySettings();
}

void MacroPage::SetFixedDelay() {
    const std::string text = delay.FieldText();
    const int typed = LeadingNumber(text, 0);
    const int value = ClampPause(typed);
    if (value != typed || text != std::to_string(typed)) {
        SetDelayField(value);
    }
    ApplyDelaySettings();
}

void MacroPage::ApplyDelaySettings() {
    MacroData macro;
    if (!store_.GetMacro(SelectedMacro(), macro)) {
        return;
    }
    switch (delay.SelectedOption()) {
        case kDelayNone:
        case kDelayMeasured:
            macro.delay_type = delay.SelectedOption();
            macro.delay_time = 0;
            break;
        case kDelayFixed:
            macro.delay_type = kDelayFixed;
            macro.delay_time = ClampPause(LeadingNumber(delay.FieldText(), kDefaultStepDelay));
            break;
        default:
            macro.delay_time = 0;
            break;
    }
    if (!store_.UpdateMacro(macro)) {
        dialogs_.MessageBox(store_.LastFailureText(), LoadText("KB.DIALOG", 1937));
    }
}

// ---- sending the macros ---------------------------------------------------------------------

int MacroPage::StepCapacity() const {
    const DeviceInfo info = session_.Info();
    return info.valid ? MacroStepCapacity(info.macroCapacity) : 0;
}

int MacroPage::StepsUsed() const {
    return store_.CountAllMacroSteps();
}

int MacroPage::BlockRoom(int macroId) const {
    const DeviceInfo info = session_.Info();
    if (!info.valid) {
        return 0;
    }
    std::vector<MacroData> list;
    store_.ListMacros(list);
    std::vector<int> counts;
    size_t position = list.size();
    for (const MacroData& macro : list) {
        if (macro.macro_id == macroId) {
            position = counts.size();
        }
        counts.push_back(store_.CountMacroSteps(macro.macro_id));
    }
    return MacroStepRoom(counts, position, info.macroCapacity);
}

int MacroPage::StepRoom(int macroId) const {
    const int others = store_.CountAllMacroSteps() - store_.CountMacroSteps(macroId);
    return std::max(0, std::min(StepCapacity() - others, BlockRoom(macroId)));
}

int MacroPage::StepBudget(int macroId) const {
    const int own = store_.CountMacroSteps(macroId);
    return std::min(StepCapacity() - store_.CountAllMacroSteps(), BlockRoom(macroId) - own);
}

void MacroPage::ReleaseEmptyMacro(int macroId) {
    if (!ReleaseMacro(macroId)) {
        poster_.PostTask(kMacroTaskDownload);
    }
}

void MacroPage::SetReportPause(ReportPause pause) {
    std::lock_guard lock(downloadMutex_);
    pause_ = std::move(pause);
}

TaskResult MacroPage::TaskDownloadMacros() {
    ReportPause pause;
    {
        std::lock_guard lock(downloadMutex_);
        pause = pause_;
    }
    const DeviceInfo info = session_.Info();
    const MacroDownloadResult result =
        DownloadMacros(devices_, store_, info.valid ? info.macroCapacity : 0,
                       devices_.CurrentConnectionMode(), pause);
    {
        std::lock_guard lock(downloadMutex_);
        lastDownload_ = result;
    }
    // Macros the keyboard did not take go out again after the next read of it.
    session_.macroDownloadPending = !result.Sent();
    ShowDownloadResult(result);
    return result.Sent() ? TaskResult() : TaskResult::Failed(notice.Text());
}

MacroDownloadResult MacroPage::LastDownload() const {
    std::lock_guard lock(downloadMutex_);
    return lastDownload_;
}

void MacroPage::ShowDownloadResult(const MacroDownloadResult& result) {
    std::string text;
    if (!result.Sent()) {
        text = LoadText("KB.DIALOG", result.status == MacroDownloadStatus::kMemoryUnknown
                                         ? kTextMemoryUnknown
                                         : kTextNotSent);
    } else if (!result.leftOut.empty()) {
        text = LoadText("KB.DIALOG", kTextLeftOut);
        for (size_t i = 0; i < result.leftOut.size(); ++i) {
            text += (i == 0 ? " " : ", ") + PageName(result.leftOut[i]);
        }
    }
    notice.SetText(text);
    notice.SetVisible(!text.empty());
}

// ---- operations without the page ------------------------------------------------------------

MacroResult MacroPage::AddMacro(const std::string& name, int& id) {
    EnsureLoaded();
    id = 0;
    if (macros.GetItemCount() >= kMacroLimit) {
        id = TakeUnusedSlot(name.empty() ? NewMacroName() : name);
        if (id < 0) {
            id = 0;
            return MacroResult::kLimitReached;
        }
        return id > 0 ? MacroResult::kOk : MacroResult::kStoreFailed;
    }
    if (name.empty()) {
        NewMacro();
        id = SelectedMacro();
        return id > 0 ? MacroResult::kOk : MacroResult::kStoreFailed;
    }
    if (IsBlank(name)) {
        return MacroResult::kEmptyName;
    }
    id = store_.InsertMacro(name);
    if (id <= 0) {
        return MacroResult::kStoreFailed;
    }
    macros.SetCurSel(macros.AddString(PageName(name), id));
    ShowMacro(id);
    RefreshUsage();
    NotifyMacrosChanged();
    return MacroResult::kOk;
}

MacroResult MacroPage::RenameMacro(int macroId, const std::string& name) {
    EnsureLoaded();
    MacroData macro;
    if (!store_.GetMacro(macroId, macro)) {
        return MacroResult::kNotFound;
    }
    if (IsBlank(name)) {
        return MacroResult::kEmptyName;
    }
    if (!store_.RenameMacro(macroId, name)) {
        return MacroResult::kStoreFailed;
    }
    const int index = macros.FindData(macroId);
    macros.ModifyItemString(index, PageName(name));
    RefreshUsage();
    NotifyMacrosChanged();
    return MacroResult::kOk;
}

MacroResult MacroPage::DeleteMacro(int macroId) {
    EnsureLoaded();
    if (!SelectMacro(macroId)) {
        return MacroResult::kNotFound;
    }
    const int before = macros.GetItemCount();
    DeleteMacroEntry();
    return macros.GetItemCount() < before ? MacroResult::kOk : MacroResult::kStoreFailed;
}

MacroResult MacroPage::SetMacroSteps(int macroId, std::vector<MacroRecordData> steps) {
    EnsureLoaded();
    MacroData macro;
    if (!store_.GetMacro(macroId, macro)) {
        return MacroResult::kNotFound;
    }
    const int capacity = StepCapacity();
    if (!steps.empty() && capacity <= 0) {
        return MacroResult::kMemoryUnknown;
    }
    const int others = store_.CountAllMacroSteps() - store_.CountMacroSteps(macroId);
    const int count = static_cast<int>(steps.size());
    if (!steps.empty() && (others + count > capacity || count > BlockRoom(macroId))) {
        return MacroResult::kNoRoom;
    }
    for (size_t i = 0; i < steps.size(); ++i) {
        steps[i].macro_id = macroId;
        steps[i].record_index = static_cast<int>(i);
    }
    const bool empty = steps.empty();
    if (!store_.ReplaceMacroSteps(macroId, steps)) {
        return MacroResult::kStoreFailed;
    }
    if (SelectedMacro() == macroId) {
        ShowMacro(macroId);
    }
    RefreshUsage();
    if (empty) {
        ReleaseEmptyMacro(macroId);
    } else {
        poster_.PostTask(kMacroTaskDownload);
    }
    return MacroResult::kOk;
}

MacroResult MacroPage::SetMacroDelay(int macroId, int delayType, int delayTime) {
    EnsureLoaded();
    MacroData macro;
    if (!store_.GetMacro(macroId, macro)) {
        return MacroResult::kNotFound;
    }
    macro.delay_type = std::clamp(delayType, kDelayNone, kDelayFixed);
    macro.delay_time = macro.delay_type == kDelayFixed ? ClampPause(delayTime) : 0;
    if (!store_.UpdateMacro(macro)) {
        return MacroResult::kStoreFailed;
    }
    if (SelectedMacro() == macroId) {
        ShowMacro(macroId);
    }
    return MacroResult::kOk;
}

}  // namespace zanvor
