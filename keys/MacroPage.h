#pragma once

// The macro page: the list of macros (global, not per profile), the steps of the selected macro
// in the record list, recording from the keyboard and mouse over the program's window, the step
// editor, the delay settings, and sending every macro to the keyboard (job 11).
//
// Page operations run on the UI thread: they change the models and the database first and then
// post job 11, which rebuilds the macro block from the database on the worker.

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "keys/InputMapping.h"
#include "keys/MacroDownload.h"
#include "keys/MacroRecorder.h"
#include "store/Records.h"
#include "ui/CRecordList.h"
#include "ui/LoadText.h"
#include "ui/MacroDelayPanel.h"
#include "ui/MacroList.h"
#include "ui/MacroStepEditor.h"
#include "ui/PageRegistry.h"
#include "ui/RecordButton.h"
#include "ui/TextLabel.h"
#include "ui/WindowMessages.h"

namespace zanvor {

class DataStore;
class DeviceManager;
class Dialogs;
class HeldKeySet;
class SessionState;
class TaskPoster;

// Control ids of the macro page (1700-1749 belong to it).
enum MacroControlId : int {
    kIdMacroList = 1701,
    kIdRecordList = 1702,
    kIdMacroDelay = 1703,
    kIdRecordButton = 1704,
    kIdStepEditor = 1705,
    kIdMacroNotice = 1706,
    // Buttons without a model raise event 1.
    kIdAddMacro = 1720,
    kIdDeleteMacro = 1721,
    kIdInsertStep = 1722,
    kIdMoveStepUp = 1723,
    kIdMoveStepDown = 1724,
    kIdDeleteStep = 1725,
    kIdClearSteps = 1726,
};

inline constexpr int kMacroTaskDownload = 11;

// Commands of the insert menu (105, 106, 107, 101, 103) and of the record list's context menu
// (100-103).
enum MacroMenuCommand : int {
    kMenuInsertKeyHere = 100,
    kMenuInsertPause = 101,
    kMenuDeleteStep = 102,
    kMenuInsertClick = 103,
    kMenuInsertKey = 105,
    kMenuInsertScrollUp = 106,
    kMenuInsertScrollDown = 107,
};

struct MacroMenuEntry {
    int command = 0;
    int textId = 0;  // caption in the language file
};

// Results of the operations without the page (command line).
enum class MacroResult {
    kOk,
    kNotFound,       // no macro with that id
    kEmptyName,      // a name that is empty or only blanks
    kLimitReached,   // already 10 macros
    kNoRoom,         // more steps than the keyboard's macro memory takes
    kMemoryUnknown,  // the keyboard has not reported its macro memory
    kStoreFailed,    // the database refused the change
};

class MacroPage {
  public:
    MacroPage(DeviceManager& devices, DataStore& store, SessionState& session, TaskPoster& poster,
              Dialogs& dialogs, HeldKeySet& held);
    ~MacroPage();
    MacroPage(const MacroPage&) = delete;
    MacroPage& operator=(const MacroPage&) = delete;

    // The page's models.
    MacroList macros{kIdMacroList};
    CRecordList records{kIdRecordList};
    MacroDelayPanel delay{kIdMacroDelay};
    RecordButton recordButton{kIdRecordButton};
    MacroStepEditor stepEditor{kIdStepEditor};
    TextLabel notice{kIdMacroNotice};

    // ---- joining the main window ----
    // Controls, job 11, the page reload after the profile list loaded, the menus' messages.
    void Register(PageRegistry& registry);
    // A control event of the page; false for a control that is not the page's.
    bool OnControl(int controlId, int event);
    // A window message of the page; false for one that is not the page's.
    bool OnWindowMessage(uint32_t id, uintptr_t wParam);
    // The keys bound to a macro get their factory functions back (the key page's operation);
    // true when keys were bound to it (the key tables and the block are then sent again).
    void SetReleaseMacro(std::function<bool(int macroId)> release);
    // Sends every key table of the current profile again (the key page's whole-table write).
    void SetRewriteKeyTables(std::function<void()> rewrite);
    // Called on the UI thread after macros were added, renamed or deleted.
    void SetMacrosChanged(std::function<void()> changed);
    // Shows a menu of entries; the chosen command comes back as kMsgMacroInsertMenu or
    // kMsgMacroContextMenu (or through OnMenuCommand).
    using MenuPresenter = std::function<void(uint32_t message, std::vector<MacroMenuEntry>)>;
    void SetMenuPresenter(MenuPresenter presenter);

    // ---- page operations (UI thread) ----
    // Fills the macro list (ten macros "M1".."M10" in an empty database, marked unused until
    // they get steps, a name or a key) and shows the first.
    void LoadMacroPage();
    void ShowMacro(int macroId);
    // The selected macro's id, 0 when none.
    int SelectedMacro() const;
    // The name a macro has in the page's list.
    static std::string PageName(const std::string& storedName);
    void NewMacro();
    void DeleteMacroEntry();
    // The selected entry was renamed in place.
    void RenameMacroEntry();

    // Record button: starts or stops a recording.
    void ToggleRecording();
    bool Recording() const { return recorder_.Active(); }
    // Stops a running recording (the window lost the focus, the page was left).
    void StopRecording();
    // Input over the window while recording: a key (native X11/xkb keycode) or a mouse button
    // at a screen position, with the time on a steady clock in milliseconds.
    void OnRecordKey(int x11Keycode, bool pressed, bool autoRepeat, int64_t nowMs);
    void OnRecordMouse(MouseButton button, bool pressed, int screenX, int screenY, int64_t nowMs);

    // Saves the record list as the selected macro's steps and posts job 11 when there are any.
    // False (with a message) when the database refused them.
    bool SaveSteps();
    void DeleteStep();
    void ClearSteps();
    void MoveStepUp();
    void MoveStepDown();
    // The delay of the selected step was edited in place.
    void EditStepDelay();

    // Delay settings of the selected macro.
    void SetDelayMode();
    void SetFixedDelay();

    // The step editor, for the selected step.
    void ShowStepEditor();
    void EditPauseStep();
    void EditMouseStep();
    void BeginStepKeyCapture();
    // A key while the step editor's key field waits for one; true when it was taken.
    bool OnStepEditorKey(int x11Keycode, bool pressed);

    // The insert button and the record list's context menu.
    void OpenInsertMenu();
    void OpenContextMenu();
    void OnMenuCommand(int command);

    // ---- worker ----
    // Job 11: sends every macro to the keyboard; the page's notice tells what did not fit or
    // that the keyboard did not take them. Failed when nothing reached the keyboard.
    TaskResult TaskDownloadMacros();
    MacroDownloadResult LastDownload() const;
    // The pause after each report of the transfer (benchmarks measure it).
    void SetReportPause(ReportPause pause);

    // ---- operations without the page (command line) ----
    // Fills the page when it has not been loaded yet.
    void EnsureLoaded();
    // A new macro named `name` ("New Macro n" when empty); its id in `id`. With ten macros
    // the first unused slot is taken instead.
    MacroResult AddMacro(const std::string& name, int& id);
    MacroResult RenameMacro(int macroId, const std::string& name);
    MacroResult DeleteMacro(int macroId);
    // Replaces every step of a macro and posts job 11. An empty list clears the macro and
    // releases the keys bound to it.
    MacroResult SetMacroSteps(int macroId, std::vector<MacroRecordData> steps);
    MacroResult SetMacroDelay(int macroId, int delayType, int delayTime);
    // Steps the keyboard's macro memory takes over all macros (0 before it reported), and the
    // steps stored over all macros.
    int StepCapacity() const;
    int StepsUsed() const;
    // The most steps the macro may hold in all beside the other macros: within the memory's
    // step count and the block's size with its headers (0 when the others fill it).
    int StepRoom(int macroId) const;

  private:
    // Steps the macro may still take: within the memory's step count over all macros, and so
    // that the block, its headers counted, still holds every macro with this one's steps.
    int StepBudget(int macroId) const;
    // The most steps the macro may hold in all by the block's size (headers counted).
    int BlockRoom(int macroId) const;
    // A macro that lost its last step: the keys bound to it get their factory functions, and
    // the keyboard gets the block without it.
    void ReleaseEmptyMacro(int macroId);
    bool SelectMacro(int macroId);
    void RefreshNames();
    // Per entry of the macro list: an unused slot (one of the macros a new database starts
    // with, still with its name, no steps and no key playing it).
    std::vector<bool> UnusedSlots();
    // Marks the unused slots in the list as such.
    void RefreshUsage();
    // The first unused slot becomes a macro named `name` and is selected: its id, 0 when the
    // database refused the name (said in a message), -1 when there is no unused slot.
    int TakeUnusedSlot(const std::string& name);
    // "New Macro n" with the first n no entry of the list shows.
    std::string NewMacroName() const;
    void NotifyMacrosChanged();
    void SetDelayField(int value);
    void ApplyDelaySettings();
    bool ReleaseMacro(int macroId);
    bool KeysPlayMacros();
    void ShowDownloadResult(const MacroDownloadResult& result);
    // Inserts steps after the selected one (at the end without a selection); false with a
    // message when the keyboard's memory has no room for them.
    bool InsertSteps(const std::vector<RecordItem>& steps);
    void RewritePair(int timeStamp, int pressType, const std::string& name, int value);
    void EndRecording();

    DeviceManager& devices_;
    DataStore& store_;
    SessionState& session_;
    TaskPoster& poster_;
    Dialogs& dialogs_;
    MacroRecorder recorder_;  // UI thread only
    bool loaded_ = false;     // UI thread only

    std::function<bool(int)> releaseMacro_;
    std::function<void()> rewriteKeyTables_;
    std::function<void()> macrosChanged_;
    MenuPresenter menuPresenter_;

    mutable std::mutex downloadMutex_;  // guards lastDownload_ and pause_
    MacroDownloadResult lastDownload_;
    ReportPause pause_;
    LanguageSubscription languageSubscription_;
};

}  // namespace zanvor
