#pragma once

// The knob: three actions, each with its own entry in the keyboard's assignment table of every
// layer. Its functions are not stored in the database: they are read from the keyboard at
// connection (KeyAssignmentPage::ReadKeyTables) and kept in KeyTables. The knob dialog picks a
// function per action; each change is sent to the keyboard at once as one table entry.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "keys/FunctionLists.h"
#include "keys/KeyTables.h"
#include "store/Records.h"
#include "ui/ComboBox.h"
#include "ui/MDialog.h"
#include "ui/PageRegistry.h"

namespace zanvor {

class DataStore;
class DeviceManager;
class KeyboardCtrl;
class SessionState;
class TaskPoster;

// Worker job and window message of knob changes.
inline constexpr int kKnobTaskWriteKnobAction = 8;
inline constexpr uint32_t kKnobChangedMessage = 0x0722;

// The knob dialog's controls and frame.
inline constexpr int kKnobComboAction0 = 39;
inline constexpr int kKnobComboAction1 = 35;
inline constexpr int kKnobComboAction2 = 41;
inline constexpr int kKnobCloseButton = 31;
inline constexpr int kKnobOkButton = 42;
inline constexpr int kKnobDialogWidth = 500;
inline constexpr int kKnobDialogHeight = 380;
inline constexpr const char* kKnobDialogName = "UpdateTipDlg";
inline constexpr const char* kKnobPicture = "img_knob.png";

// Encoder display: the model whose picture can draw a key position as the knob.
inline constexpr int kEncoderDeviceType = 103;
inline constexpr int kEncoderItemPosition = 14;
inline constexpr int kEncoderKnobCode = 255;
inline constexpr int kEncoderKeyCode = 74;

// The knob dialog: its own function catalogue, working copies of the current layer's three knob
// records and one combo box per action (rows: action 0, action 1, action 2). Choosing an entry
// changes the working record and posts the knob-changed message to the main window with the
// action in wParam and the dialog's serial number in lParam.
class KnobConfigDlg : public MDialog {
  public:
    KnobConfigDlg(int serial, const std::array<KeyMacroData, kKnobActionCount>& records,
                  TaskPoster& poster);

    // Builds the catalogue, fills the three combos and selects each record's function (a
    // function the catalogue lacks leaves its combo without selection).
    bool OnInitDialog() override;
    // Combo selections and the two buttons, which both close the dialog.
    void OnMessage(int controlId, int event) override;
    void OnWindowMessage(uint32_t, uintptr_t, intptr_t) override {}

    // A selection in the combo with that control id.
    void OnKnobComboChange(int controlId);

    int Serial() const { return serial_; }
    // The combo of an action (0-2, in rows top to bottom).
    ComboBox& Combo(int action);
    // The caption shown beside an action's combo, and the second button's caption.
    static std::string ActionCaption(int action);
    static std::string ButtonCaption();
    // Control id of an action's combo and the action of a control id (-1 for others).
    static int ComboControlOf(int action);
    static int ActionOfControl(int controlId);

    std::vector<KeyFunction> Catalogue() const;
    std::array<KeyMacroData, kKnobActionCount> Records() const;
    bool Changed() const;

  private:
    const int serial_;
    TaskPoster& poster_;
    std::array<ComboBox, kKnobActionCount> combos_;
    mutable std::mutex mutex_;  // guards catalogue_, records_ and changed_
    std::vector<KeyFunction> catalogue_;
    std::array<KeyMacroData, kKnobActionCount> records_;
    bool changed_ = false;
};

class KnobPage {
  public:
    // Shows the dialog modally and returns once it has ended (the desktop program's dialog,
    // or a script in tests). Without one, opening the dialog shows nothing.
    using Presenter = std::function<void(KnobConfigDlg&)>;

    KnobPage(DeviceManager& devices, DataStore& store, SessionState& session, TaskPoster& poster,
             KeyboardCtrl& keyboard, KeyTables& tables);

    // Registers job 8, the knob dialog's change message, the encoder switch of the settings
    // page and the encoder display's refresh after a profile change.
    void Register(PageRegistry& registry, class SwitchButton& encoderSwitch);

    void SetDialogPresenter(Presenter presenter);
    // The knob was clicked on the key-assignment page: shows the dialog with the current
    // layer's records, then destroys it.
    void OpenKnobDialog();
    // Handler of the knob-changed message: the dialog's three records become the current
    // layer's and job 8 is posted when the worker is idle. A message whose dialog is neither
    // open nor the one closed last is ignored.
    void OnKnobChanged(int action, intptr_t dialogSerial);
    int CurrentKnobAction() const { return currentAction_.load(); }

    // Job 8: sends the current action's entry of the current layer. Nothing is sent while the
    // keyboard has not told where the knob's entries are.
    TaskResult TaskWriteKnobAction();
    TaskResult WriteKnobAction() { return TaskWriteKnobAction(); }

    // ---- command line ----
    // The knob record of an action on a layer.
    KeyMacroData KnobFunction(int layer, int action) const;
    // True when the knob dialog offers the function (type and code of a catalogue entry, no
    // modifiers).
    static bool IsKnobFunction(const KeyMacroData& function);
    // Gives an action on a layer a function and posts job 8. False, with nothing changed, for
    // a layer or action out of range or while the keyboard's knob entries are unknown.
    bool SetKnobFunction(int layer, int action, const KeyMacroData& function);

    // ---- encoder display switch of the settings page ----
    // Stores "encoder_mode" of the current profile and, for the encoder model, redraws the key.
    // False, with nothing redrawn, when the database refused.
    bool SetEncoderMode(bool on);
    // Who tells the user that the knob display switch could not be stored. Only before use.
    void SetFailureReporter(std::function<void(const std::string& reason)> report) {
        reportFailure_ = std::move(report);
    }
    // Reads "encoder_mode" for the settings page (the switch shows the result) and applies it
    // to the picture of the encoder model.
    bool LoadEncoderMode();

  private:
    int CurrentLayer() const;
    void ApplyEncoder(bool on);

    DeviceManager& devices_;
    DataStore& store_;
    std::function<void(const std::string& reason)> reportFailure_;
    SessionState& session_;
    TaskPoster& poster_;
    KeyboardCtrl& keyboard_;
    KeyTables& tables_;

    std::atomic<int> currentAction_{0};
    std::atomic<int> nextSerial_{1};
    std::mutex dialogMutex_;  // guards presenter_, open_ and lastClosed_
    Presenter presenter_;
    std::shared_ptr<KnobConfigDlg> open_;
    std::shared_ptr<KnobConfigDlg> lastClosed_;
};

}  // namespace zanvor
