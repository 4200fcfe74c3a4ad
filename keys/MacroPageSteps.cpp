// The macro page's steps: saving the record list, the step operations, the insert and context
// menus, the step editor and recording.
#include <algorithm>

#include "device/SessionState.h"
#include "keys/KeyEvents.h"
#include "keys/MacroPage.h"
#include "keys/MacroSteps.h"
#include "keys/MacroTexts.h"
#include "store/DataStore.h"
#include "ui/Dialogs.h"

namespace zanvor {

namespace {

constexpr const char* kRecordIcon = "icon\\icon_rec.png";
constexpr int kInsertedKey = 0x41;  // an inserted key step starts as "A"

std::string Text(int id) {
    return LoadText("KB.DIALOG", id);
}

}  // namespace

// ---- saving and the step operations ---------------------------------------------------------

bool MacroPage::SaveSteps() {
    const int id = SelectedMacro();
    if (id <= 0) {
        return true;
    }
    std::vector<MacroRecordData> steps;
    for (const RecordItem& item : records.GetRecordItems()) {
        MacroRecordData step;
        step.macro_id = id;
        step.record_index = static_cast<int>(steps.size());
        step.desc = item.text;
        step.type = item.type;
        step.value = item.value;
        step.delay_time = item.delay;
        steps.push_back(std::move(step));
    }
    const bool hadSteps = store_.CountMacroSteps(id) > 0;
    if (!store_.ReplaceMacroSteps(id, steps)) {
        dialogs_.MessageBox(Text(kTextNotSaved), Text(kTextMacrosPage));
        return false;
    }
    RefreshUsage();
    if (!steps.empty()) {
        poster_.PostTask(kMacroTaskDownload);
    } else if (hadSteps) {
        // The keyboard still holds the steps, and keys bound to the macro would play them.
        ReleaseEmptyMacro(id);
    }
    return true;
}

void MacroPage::DeleteStep() {
    const int index = records.GetCurSel();
    if (index < 0 || !records.DeleteItem(index)) {
        return;
    }
    records.SetCurSel(index - 1);
    ShowStepEditor();
    SaveSteps();
}

void MacroPage::ClearSteps() {
    const int id = SelectedMacro();
    const bool hadSteps = id > 0 && store_.CountMacroSteps(id) > 0;
    records.DeleteAllItems();
    stepEditor.SetVisible(false);
    // Saving the emptied list releases a macro that had steps; one already empty still gives
    // the keys bound to it their factory functions back.
    if (SaveSteps() && id > 0 && !hadSteps) {
        ReleaseMacro(id);
    }
}

void MacroPage::MoveStepUp() {
    const int index = records.GetCurSel();
    if (index <= 0) {
        return;
    }
    records.SwapItem(index, index - 1);
    records.SetCurSel(index - 1);
    SaveSteps();
}

void MacroPage::MoveStepDown() {
    const int index = records.GetCurSel();
    if (index < 0 || index + 1 >= records.GetItemCount()) {
        return;
    }
    records.SwapItem(index, index + 1);
    records.SetCurSel(index + 1);
    SaveSteps();
}

void MacroPage::EditStepDelay() {
    const int index = records.GetCurSel();
    RecordItem item;
    if (!records.GetRecordInfo(index, item)) {
        return;
    }
    if (item.type == kStepPause) {
        // A pause's one time is its length.
        const int value = ClampPause(item.delay);
        records.SetRecordInfo(index, PauseText(value), item.type, value, 0);
    } else {
        records.SetRecordInfo(index, item.text, item.type, item.value, ClampStepDelay(item.delay));
    }
    SaveSteps();
}

// ---- inserting steps ------------------------------------------------------------------------

bool MacroPage::InsertSteps(const std::vector<RecordItem>& steps) {
    if (StepCapacity() <= 0) {
        dialogs_.MessageBox(Text(kTextMemoryUnknown), Text(kTextMacrosTitle));
        return false;
    }
    if (StepBudget(SelectedMacro()) < static_cast<int>(steps.size())) {
        dialogs_.MessageBox(Text(kTextMemoryFull), Text(kTextMacrosTitle));
        return false;
    }
    const int selected = records.GetCurSel();
    int at = selected >= 0 ? selected + 1 : records.GetItemCount();
    const int first = at;
    const int stamp = records.NewTimeStamp();
    for (const RecordItem& step : steps) {
        // The steps of one insertion are one press and its release, or a single step.
        records.InsertString(at++, step.text, step.type, step.value, step.delay, stamp);
    }
    records.SetCurSel(first);
    ShowStepEditor();
    return SaveSteps();
}

void MacroPage::OpenInsertMenu() {
    if (SelectedMacro() <= 0) {
        dialogs_.MessageBox(Text(kTextSelectMacro), Text(kTextMacrosTitle));
        return;
    }
    if (StepCapacity() <= 0) {
        dialogs_.MessageBox(Text(kTextMemoryUnknown), Text(kTextMacrosTitle));
        return;
    }
    if (StepBudget(SelectedMacro()) < 1) {
        dialogs_.MessageBox(Text(kTextMemoryFull), Text(kTextMacrosTitle));
        return;
    }
    if (menuPresenter_) {
        menuPresenter_(kMsgMacroInsertMenu, {{kMenuInsertKey, kTextMenuKey},
                                             {kMenuInsertScrollUp, kTextMenuScrollUp},
                                             {kMenuInsertScrollDown, kTextMenuScrollDown},
                                             {kMenuInsertPause, kTextMenuPause},
                                             {kMenuInsertClick, kTextMenuClick}});
    }
}

void MacroPage::OpenContextMenu() {
    if (SelectedMacro() <= 0 || !menuPresenter_) {
        return;
    }
    menuPresenter_(kMsgMacroContextMenu, {{kMenuInsertKeyHere, kTextMenuKeyHere},
                                          {kMenuInsertPause, kTextMenuPauseHere},
                                          {kMenuDeleteStep, kTextMenuDeleteStep},
                                          {kMenuInsertClick, kTextMenuClickHere}});
}

void MacroPage::OnMenuCommand(int command) {
    if (SelectedMacro() <= 0 || recorder_.Active()) {
        return;
    }
    const auto pair = [](int pressType, const std::string& name, int value, int pressDelay) {
        return std::vector<RecordItem>{
            {StepText(pressType, name), pressType, value, pressDelay, 0},
            {StepText(pressType + 1, name), pressType + 1, value, kDefaultStepDelay, 0}};
    };
    switch (command) {
        case kMenuInsertKey:
        case kMenuInsertKeyHere: {
            const KeyEventInfo key =
                KeyEventName(kMessageKeyDown, kInsertedKey, 0, 0, KeyEventPurpose::Recording);
            InsertSteps(pair(kStepKeyDown, key.name, key.virtualKey, kDefaultStepDelay));
            break;
        }
        case kMenuInsertPause:
            // A pause is a wait of its own: it has no delay beside its length.
            InsertSteps({{PauseText(kDefaultStepDelay), kStepPause, kDefaultStepDelay, 0, 0}});
            break;
        case kMenuInsertClick:
            InsertSteps(
                pair(kStepMouseDown, MouseButtonName(kMouseLeft), kMouseLeft, kDefaultStepDelay));
            break;
        case kMenuInsertScrollUp:
            InsertSteps(pair(kStepMouseDown, kScrollUpName, 0, 0));
            break;
        case kMenuInsertScrollDown:
            InsertSteps(pair(kStepMouseDown, kScrollDownName, 0, 0));
            break;
        case kMenuDeleteStep:
            DeleteStep();
            break;
        default:
            break;
    }
}

// ---- the step editor ------------------------------------------------------------------------

void MacroPage::ShowStepEditor() {
    RecordItem item;
    if (!records.GetRecordInfo(records.GetCurSel(), item)) {
        stepEditor.SetVisible(false);
        return;
    }
    if (item.type == kStepPause) {
        stepEditor.SetKind(MacroStepEditor::kKindPause);
        stepEditor.SetValueText(std::to_string(item.value));
    } else if (IsKeyStep(item.type)) {
        stepEditor.SetKind(MacroStepEditor::kKindKey);
        stepEditor.SetValueText(StepName(item.text));
    } else if (IsMouseStep(item.type)) {
        stepEditor.SetKind(MacroStepEditor::kKindMouse);
        stepEditor.SetMouseButton(item.value);
    } else {
        stepEditor.SetVisible(false);
        return;
    }
    stepEditor.SetVisible(true);
}

void MacroPage::EditPauseStep() {
    const int index = records.GetCurSel();
    RecordItem item;
    if (!records.GetRecordInfo(index, item) || item.type != kStepPause) {
        return;
    }
    const std::string text = stepEditor.ValueText();
    const int value = ClampPause(LeadingNumber(text, 0));
    if (text != std::to_string(value)) {
        stepEditor.SetValueText(std::to_string(value));
    }
    records.SetRecordInfo(index, PauseText(value), item.type, value, 0);
    SaveSteps();
}

void MacroPage::RewritePair(int timeStamp, int pressType, const std::string& name, int value) {
    records.SetRecordInfo(timeStamp, pressType, StepText(pressType, name), value);
    records.SetRecordInfo(timeStamp, pressType + 1, StepText(pressType + 1, name), value);
}

void MacroPage::EditMouseStep() {
    const int index = records.GetCurSel();
    RecordItem item;
    const int bit = stepEditor.MouseButton();
    const std::string name = MouseButtonName(bit);
    if (!records.GetRecordInfo(index, item) || !IsMouseStep(item.type) || name.empty()) {
        return;
    }
    RewritePair(item.timeStamp, kStepMouseDown, name, bit);
    SaveSteps();
}

void MacroPage::BeginStepKeyCapture() {
    if (stepEditor.GetKind() == MacroStepEditor::kKindKey) {
        stepEditor.SetCapturing(true);
    }
}

bool MacroPage::OnStepEditorKey(int x11Keycode, bool pressed) {
    if (!stepEditor.Capturing()) {
        return false;
    }
    const HookKeyEvent hook = HookKeyEventFromX11(x11Keycode, pressed);
    const KeyEventInfo key = KeyEventName(hook.message, hook.virtualKey, hook.scanCode, hook.flags,
                                          KeyEventPurpose::Recording);
    if (!key.named || !key.pressed) {
        return true;  // the field takes every key while it waits
    }
    RecordItem item;
    if (!records.GetRecordInfo(records.GetCurSel(), item) || !IsKeyStep(item.type)) {
        stepEditor.SetCapturing(false);
        return true;
    }
    RewritePair(item.timeStamp, kStepKeyDown, key.name, key.virtualKey);
    stepEditor.SetValueText(key.name);
    stepEditor.SetCapturing(false);
    SaveSteps();
    return true;
}

// ---- recording ------------------------------------------------------------------------------

void MacroPage::EndRecording() {
    recorder_.Stop();
    recordButton.SetRecording(false);
    SaveSteps();
    recordButton.SetCaptionId(kTextRecord);
    ShowStepEditor();
}

void MacroPage::ToggleRecording() {
    if (SelectedMacro() <= 0) {
        if (recorder_.Active()) {
            recorder_.Stop();
            recordButton.SetRecording(false);
            recordButton.SetCaptionId(kTextRecord);
        }
        dialogs_.MessageBox(Text(kTextSelectMacro), Text(kTextMacrosTitle));
        return;
    }
    const int total = StepCapacity();
    if (total <= 0 && !recorder_.Active()) {
        dialogs_.MessageBox(Text(kTextMemoryUnknown), Text(kTextMacrosTitle));
        return;
    }
    const int budget = StepBudget(SelectedMacro());
    if (budget <= 0) {
        EndRecording();
        recordButton.SetIcon(kRecordIcon);
        dialogs_.MessageBox(Text(kTextMemoryFull), Text(kTextMacrosTitle));
        return;
    }
    if (recorder_.Active()) {
        EndRecording();
        return;
    }
    int mode = kDelayNone;
    int fixed = 0;
    switch (delay.SelectedOption()) {
        case kDelayMeasured:
            mode = kDelayMeasured;
            break;
        case kDelayFixed:
            mode = kDelayFixed;
            if (delay.FieldText().empty()) {
                SetDelayField(kDefaultStepDelay);
            }
            fixed = ClampPause(LeadingNumber(delay.FieldText(), kDefaultStepDelay));
            break;
        default:
            break;
    }
    stepEditor.SetVisible(false);
    recorder_.Start(mode, fixed, budget);
    recordButton.SetCaptionId(kTextStopRecording);
    recordButton.SetRecording(true);
}

void MacroPage::StopRecording() {
    if (recorder_.Active()) {
        ToggleRecording();
    }
}

void MacroPage::OnRecordKey(int x11Keycode, bool pressed, bool autoRepeat, int64_t nowMs) {
    // The window system repeats a held key as releases and presses; only its presses reach the
    // recorder, which drops them as repeats of a held key.
    if (!recorder_.Active() || (autoRepeat && !pressed)) {
        return;
    }
    const HookKeyEvent hook = HookKeyEventFromX11(x11Keycode, pressed);
    if (recorder_.OnHookKey(hook.message, hook.virtualKey, hook.scanCode, hook.flags, nowMs) ==
        MacroRecorder::Outcome::kStop) {
        ToggleRecording();
    }
}

void MacroPage::OnRecordMouse(MouseButton button, bool pressed, int screenX, int screenY,
                              int64_t nowMs) {
    if (!recorder_.Active()) {
        return;
    }
    const HookMouseMessage hook = HookMouseMessageFor(button, pressed);
    const bool inside = recordButton.GetRect().Contains(screenX, screenY);
    if (recorder_.OnHookMouse(hook.message, hook.mouseData, inside, nowMs) ==
        MacroRecorder::Outcome::kStop) {
        ToggleRecording();
    }
}

}  // namespace zanvor
