#include "keys/KnobPage.h"

#include <algorithm>

#include "device/DeviceManager.h"
#include "device/ReportFraming.h"
#include "device/SessionState.h"
#include "keys/ActionCode.h"
#include "keys/KeyCodes.h"
#include "store/DataStore.h"
#include "ui/KeyboardCtrl.h"
#include "ui/LoadText.h"
#include "ui/StatusTexts.h"
#include "ui/SwitchButton.h"
#include "ui/WindowMessages.h"

namespace zanvor {

namespace {

constexpr std::array<int, kKnobActionCount> kComboControls = {kKnobComboAction0, kKnobComboAction1,
                                                              kKnobComboAction2};
constexpr const char* kEncoderModeKey = "encoder_mode";

}  // namespace

// ---- dialog ---------------------------------------------------------------------------------

KnobConfigDlg::KnobConfigDlg(int serial, const std::array<KeyMacroData, kKnobActionCount>& records,
                             TaskPoster& poster)
    : serial_(serial), poster_(poster), records_(records) {
    for (int action = 0; action < kKnobActionCount; ++action) {
        ComboBox& combo = combos_[static_cast<size_t>(action)];
        combo.SetControlId(kComboControls[static_cast<size_t>(action)]);
        combo.SetEventSink([this](int controlId, int event) { OnMessage(controlId, event); });
    }
}

int KnobConfigDlg::ComboControlOf(int action) {
    return action >= 0 && action < kKnobActionCount ? kComboControls[static_cast<size_t>(action)]
                                                    : -1;
}

int KnobConfigDlg::ActionOfControl(int controlId) {
    for (int action = 0; action < kKnobActionCount; ++action) {
        if (kComboControls[static_cast<size_t>(action)] == controlId) {
            return action;
        }
    }
    return -1;
}

std::string KnobConfigDlg::ActionCaption(int action) {
    switch (action) {
        case 0:
            return LoadText("KB.DIALOG", 303);
        case 1:
            return LoadText("KB.DIALOG", 301);
        case 2:
            return LoadText("KB.DIALOG", 304);
        default:
            return std::string();
    }
}

std::string KnobConfigDlg::ButtonCaption() {
    return LoadText("KB.DIALOG", 22);
}

ComboBox& KnobConfigDlg::Combo(int action) {
    return combos_[static_cast<size_t>(std::clamp(action, 0, kKnobActionCount - 1))];
}

bool KnobConfigDlg::OnInitDialog() {
    std::vector<KeyFunction> catalogue = BuildKnobFunctionList();
    std::array<KeyMacroData, kKnobActionCount> records;
    {
        std::lock_guard lock(mutex_);
        catalogue_ = catalogue;
        records = records_;
    }
    for (int action = 0; action < kKnobActionCount; ++action) {
        ComboBox& combo = combos_[static_cast<size_t>(action)];
        combo.Clear();
        for (size_t position = 0; position < catalogue.size(); ++position) {
            combo.AddItem(catalogue[position].name, static_cast<int>(position));
        }
        const KeyMacroData& record = records[static_cast<size_t>(action)];
        for (size_t position = 0; position < catalogue.size(); ++position) {
            if (catalogue[position].type == record.macro_type &&
                catalogue[position].code == record.macro_value) {
                combo.SetCurSel(static_cast<int>(position));
                break;
            }
        }
    }
    return true;
}

void KnobConfigDlg::OnMessage(int controlId, int event) {
    if (controlId == kKnobCloseButton || controlId == kKnobOkButton) {
        EndDialog(controlId == kKnobOkButton ? kOK : kCancel);
        return;
    }
    if (ActionOfControl(controlId) >= 0 && event == ComboBox::kEventSelectionChanged) {
        OnKnobComboChange(controlId);
    }
}

void KnobConfigDlg::OnKnobComboChange(int controlId) {
    const int action = ActionOfControl(controlId);
    if (action < 0) {
        return;
    }
    const int selection = combos_[static_cast<size_t>(action)].GetCurSel();
    {
        std::lock_guard lock(mutex_);
        if (selection < 0 || static_cast<size_t>(selection) >= catalogue_.size()) {
            return;
        }
        const KeyFunction& entry = catalogue_[static_cast<size_t>(selection)];
        KeyMacroData& record = records_[static_cast<size_t>(action)];
        record.macro_type = entry.type;
        record.macro_value = entry.code;
        record.macro_desc = entry.name;
        changed_ = true;
    }
    poster_.PostWindowMessage(kKnobChangedMessage, static_cast<uintptr_t>(action), serial_);
}

std::vector<KeyFunction> KnobConfigDlg::Catalogue() const {
    std::lock_guard lock(mutex_);
    return catalogue_;
}

std::array<KeyMacroData, kKnobActionCount> KnobConfigDlg::Records() const {
    std::lock_guard lock(mutex_);
    return records_;
}

bool KnobConfigDlg::Changed() const {
    std::lock_guard lock(mutex_);
    return changed_;
}

// ---- page -----------------------------------------------------------------------------------

KnobPage::KnobPage(DeviceManager& devices, DataStore& store, SessionState& session,
                   TaskPoster& poster, KeyboardCtrl& keyboard, KeyTables& tables)
    : devices_(devices),
      store_(store),
      session_(session),
      poster_(poster),
      keyboard_(keyboard),
      tables_(tables) {}

int KnobPage::CurrentLayer() const {
    return std::clamp(session_.currentLayer.load(), 0, kKeyLayerCount - 1);
}

void KnobPage::SetDialogPresenter(Presenter presenter) {
    std::lock_guard lock(dialogMutex_);
    presenter_ = std::move(presenter);
}

void KnobPage::OpenKnobDialog() {
    const int layer = CurrentLayer();
    std::array<KeyMacroData, kKnobActionCount> records;
    for (int action = 0; action < kKnobActionCount; ++action) {
        records[static_cast<size_t>(action)] = tables_.KnobRecord(layer, action);
    }
    auto dialog = std::make_shared<KnobConfigDlg>(nextSerial_.fetch_add(1), records, poster_);
    dialog->OnInitDialog();
    Presenter presenter;
    {
        std::lock_guard lock(dialogMutex_);
        open_ = dialog;
        presenter = presenter_;
    }
    if (presenter) {
        presenter(*dialog);
    }
    // A change message still queued when the dialog closed finds it here.
    std::lock_guard lock(dialogMutex_);
    lastClosed_ = std::move(open_);
}

void KnobPage::OnKnobChanged(int action, intptr_t dialogSerial) {
    std::shared_ptr<KnobConfigDlg> dialog;
    {
        std::lock_guard lock(dialogMutex_);
        for (const auto& candidate : {open_, lastClosed_}) {
            if (candidate && candidate->Serial() == dialogSerial) {
                dialog = candidate;
            }
        }
    }
    if (!dialog) {
        return;
    }
    currentAction_.store(action);
    const int layer = CurrentLayer();
    const auto records = dialog->Records();
    for (int i = 0; i < kKnobActionCount; ++i) {
        tables_.SetKnobRecord(layer, i, records[static_cast<size_t>(i)]);
    }
    poster_.PostTaskIfIdle(kKnobTaskWriteKnobAction);
}

TaskResult KnobPage::TaskWriteKnobAction() {
    const int action = currentAction_.load();
    // Until the keyboard has told where the knob's entries are, every index reads 0: the entry
    // of an ordinary key, which must not be overwritten.
    if (!tables_.KnobIndicesRead() || !session_.ConnectionRead()) {
        return TaskResult::Failed(LoadText("KB.DIALOG", kTextTablesNotRead));
    }
    if (!SendBracketCommand(devices_, kCommandBegin)) {
        return TransferFailed();
    }
    bool written = true;
    if (action >= 0 && action < kKnobActionCount) {
        const int layer = CurrentLayer();
        const KeyMacroData record = tables_.KnobRecord(layer, action);
        if (record.key_code >= 0 && record.key_code < kKeyTableEntries) {
            std::vector<MacroData> macros;
            if (record.macro_type == kFunctionMacro) {
                store_.ListMacros(macros);
            }
            ActionCode code{};
            EncodeAction(record, code, macros);
            written = SendTableEntry(devices_, layer, record.key_code, code);
        }
    }
    SendBracketCommand(devices_, kCommandEnd);
    return written ? TaskResult() : TransferFailed();
}

void KnobPage::Register(PageRegistry& registry, SwitchButton& encoderSwitch) {
    registry.AddTask(
        kKnobTaskWriteKnobAction, [this] { return TaskWriteKnobAction(); },
        TaskOptions{.closesBusyDialog = true});
    registry.AddWindowMessage(kKnobChangedMessage, [this](uintptr_t wParam, intptr_t lParam) {
        OnKnobChanged(static_cast<int>(wParam), lParam);
    });
    registry.AddControl(encoderSwitch.ControlId(), [this, &encoderSwitch](int) {
        if (!SetEncoderMode(encoderSwitch.GetCheck() == 1)) {
            const std::string reason = store_.LastFailureText();
            encoderSwitch.SetCheck(LoadEncoderMode() ? 1 : 0);  // shows what is stored
            if (reportFailure_) {
                reportFailure_(reason);
            }
        }
    });
    registry.AddPagesRefresh([this, &encoderSwitch] {
        LoadEncoderMode();
        // The switch changes only the picture of the encoder model; elsewhere it does nothing.
        encoderSwitch.SetVisible(session_.currentDeviceType.load() == kEncoderDeviceType);
    });
    registry.AddProfileApplyStep([this] {
        LoadEncoderMode();
        return TaskResult();
    });
}

KeyMacroData KnobPage::KnobFunction(int layer, int action) const {
    return tables_.KnobRecord(layer, action);
}

bool KnobPage::IsKnobFunction(const KeyMacroData& function) {
    if (function.macro_value2 != 0) {
        return false;
    }
    for (const KeyFunction& entry : BuildKnobFunctionList()) {
        if (entry.type == function.macro_type && entry.code == function.macro_value) {
            return true;
        }
    }
    return false;
}

bool KnobPage::SetKnobFunction(int layer, int action, const KeyMacroData& function) {
    if (layer < 0 || layer >= kKeyLayerCount || action < 0 || action >= kKnobActionCount ||
        !tables_.KnobIndicesRead()) {
        return false;
    }
    KeyMacroData record = tables_.KnobRecord(layer, action);
    record.profile = session_.currentProfile.load();
    record.fn_layer = layer;
    record.macro_type = function.macro_type;
    record.macro_value = function.macro_value;
    record.macro_value2 = function.macro_value2;
    record.macro_value3 = function.macro_value3;
    record.macro_desc = function.macro_desc;
    tables_.SetKnobRecord(layer, action, record);
    session_.currentLayer.store(layer);
    currentAction_.store(action);
    poster_.PostTask(kKnobTaskWriteKnobAction);
    return true;
}

void KnobPage::ApplyEncoder(bool on) {
    if (session_.currentDeviceType.load() == kEncoderDeviceType) {
        keyboard_.SetKeyEncoder(kEncoderItemPosition, on ? kEncoderKnobCode : kEncoderKeyCode);
    }
}

bool KnobPage::SetEncoderMode(bool on) {
    if (!store_.UpdateConfigValue(session_.currentProfile.load(), kEncoderModeKey,
                                  on ? "1" : "0")) {
        return false;
    }
    ApplyEncoder(on);
    return true;
}

bool KnobPage::LoadEncoderMode() {
    const bool on = store_.GetConfigInt(session_.currentProfile.load(), kEncoderModeKey) == 1;
    ApplyEncoder(on);
    return on;
}

}  // namespace zanvor
