#pragma once

// The key-assignment page: the functions of every key on four layers, kept per profile in
// t_key_macro_data and mirrored in the keyboard's tables. Page operations run on the UI thread,
// change the models and the database, and post the worker jobs that write the keyboard; the
// reads at connection and the jobs are plain methods the worker calls.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "keys/FunctionLists.h"
#include "keys/KeyTables.h"
#include "store/Records.h"
#include "ui/CombinationKeyPanel.h"
#include "ui/KeyFuncValue.h"
#include "ui/KeyLayerCtrl.h"
#include "ui/LoadText.h"
#include "ui/MacroPlayPanel.h"
#include "ui/PageRegistry.h"

namespace zanvor {

class DataStore;
class DeviceManager;
class Dialogs;
class KeyboardCtrl;
class SessionState;
class TaskPoster;

// Worker jobs this page posts.
inline constexpr int kKeyTaskReloadKeyLayer = 7;
inline constexpr int kKeyTaskWriteKeyAssignments = 9;
inline constexpr int kKeyTaskDownloadMacros = 11;

// The selected key: a key usage (one key), or one of these.
inline constexpr int kSelectNone = 0;
inline constexpr int kSelectLayer = -1;      // every key of the current layer
inline constexpr int kSelectAllTables = -2;  // every table of every layer

// Tabs of the function list (the value is the function type where it is one).
enum KeyFunctionTab : int {
    kTabKeys = 2,
    kTabMacros = 3,
    kTabMouse = 5,
    kTabMedia = 6,
    kTabShortcuts = 7,
    kTabInternal = 12,
    kTabCombination = 13,
};

// Layer of the page's layer control value: below 1 -> 0, 1, 2, above 2 -> 3.
int LayerFromControl(int value);

// The page's own controls, with their control ids.
struct KeyPageModels {
    KeyPageModels();
    KeyFuncValue functions;
    KeyLayerCtrl layers;
    MacroPlayPanel macroPlay;
    CombinationKeyPanel combination;
};

// The controls the page reads and changes.
struct KeyPageControls {
    KeyboardCtrl& keyboard;
    KeyFuncValue& functions;
    KeyLayerCtrl& layers;
    MacroPlayPanel& macroPlay;
    CombinationKeyPanel& combination;
};

class KeyAssignmentPage {
  public:
    // The page with its own controls around the shared keyboard picture.
    KeyAssignmentPage(DeviceManager& devices, DataStore& store, SessionState& session,
                      TaskPoster& poster, Dialogs& dialogs, KeyboardCtrl& keyboard);
    // The page over controls owned elsewhere (tests).
    KeyAssignmentPage(DeviceManager& devices, DataStore& store, SessionState& session,
                      TaskPoster& poster, Dialogs& dialogs, const KeyPageControls& controls);
    ~KeyAssignmentPage();
    KeyAssignmentPage(const KeyAssignmentPage&) = delete;
    KeyAssignmentPage& operator=(const KeyAssignmentPage&) = delete;

    // Registers the page's controls (the keyboard picture while the page is shown), its
    // worker tasks, its connection-read steps, the rows of a new profile, the key tables'
    // part of applying a profile and its refresh after the profile list loads.
    void Register(PageRegistry& registry);

    KeyFuncValue& Functions() { return controls_.functions; }
    KeyLayerCtrl& Layers() { return controls_.layers; }
    MacroPlayPanel& MacroPlay() { return controls_.macroPlay; }
    CombinationKeyPanel& Combination() { return controls_.combination; }

    // The keyboard's tables as read at connection (shared with the knob page).
    KeyTables& Tables() { return tables_; }
    const KeyTables& Tables() const { return tables_; }

    // ---- connection sequence (worker; begin and end are sent by the caller) ----
    // Reads the four default tables and builds the index maps. False when a read fails.
    bool ReadDefaultTables();
    // Reads the knob indices (when the keyboard has a knob) and the four current tables, brings
    // the current profile's rows in line with them, and gives profiles 2 and 3 without rows a
    // copy of profile 1's rows. False when a table read fails.
    bool ReadKeyTables();

    // ---- worker jobs ----
    // Job 9: writes the keyboard according to the selected key at the time it runs: one entry,
    // the current layer's default table (-1) or all four tables from the rows (-2). Nothing is
    // written before the keyboard of this connection was read completely (its tables and index
    // maps would describe another keyboard or none); the write is then kept pending and made
    // once the read completes. False when nothing or not everything was written.
    TaskResult TaskWriteKeyAssignments();
    TaskResult WriteKeyAssignments() { return TaskWriteKeyAssignments(); }
    // Applying a profile (job 6): back to layer 0, the captions of the profile and all four
    // tables written.
    TaskResult ApplyProfileKeys();
    // Job 7: redraws the captions of the current layer for the current profile.
    void TaskReloadKeyLayer();
    // The captions of the current layer for a profile.
    void ReloadKeyCaptions(int profile);

    // Rows of a profile that has none: four per key of the keyboard picture. Layer 0 holds the
    // key itself; layers 1-3 keep the keyboard's own entry (type 0). False when the store
    // refused them.
    bool CreateDefaultKeyRows(int profile);
    // True when the factory function of a key on the base layer is the plain key itself, so a
    // default row may name it; false for the Fn, ">-<" and calculator keys and for any key whose
    // factory entry on the keyboard read is something else.
    bool FactoryIsPlainKey(int usage) const;

    // ---- selection ----
    int SelectedKey() const { return selectedKey_.load(); }
    // Applying a whole profile selects -2 before it writes.
    void SetSelectedKey(int key) { selectedKey_.store(key); }

    // The tabs in the order shown (keys, macros, mouse, media, shortcuts, keyboard functions,
    // combination keys).
    static const std::vector<int>& FunctionTabs();

    // ---- page handlers (UI thread) ----
    // Sets up the controls when the page is built: the tabs with the key tab shown and its
    // list filled, and the layer control showing the current layer.
    void InitControls();
    // The layer control changed: the current layer follows it; job 7 is posted when the
    // worker is idle.
    void OnLayerChanged();
    // A key of the picture was clicked: it becomes the selected key; the knob opens the knob
    // dialog, another key shows its function in the list.
    void SelectKey();
    // Keys were selected by dragging an area: its first key becomes the selected key.
    void OnAreaSelected();
    // The function list's tab changed: fills the list for it.
    void OnTabChanged();
    // Fills the list with the entries of a tab and shows the panels that belong to it.
    void ShowFunctionTab(int tab);
    // An entry of the list was clicked: every selected key gets it.
    void ChooseFunction();
    // A play option was clicked (optionClicked) or the count was edited.
    void ApplyMacroPlay(bool optionClicked);
    // The combination panel's capture field starts or ends capturing keys.
    void StartKeyCapture();
    void EndKeyCapture();
    // The capture is left without applying (another tab, key or page): it ends and the key
    // test takes the keys again while the page is shown.
    void LeaveKeyCapture();
    // A key event while capturing, in the keyboard hook's form (message, virtual key, scan
    // code, flags), or as the native key code the window system reports (X11/xkb keycode).
    void OnCaptureKeyEvent(int message, int virtualKey, int scanCode, int flags);
    void OnCaptureNativeKey(int x11Keycode, bool pressed);
    // The combination panel's apply button.
    void ApplyCombination();
    // The factory function of the selected key, or of the whole current layer for the
    // selections -1 and -2; with no key ever selected it asks for one and changes nothing.
    // False when the database refused (the user is told why).
    bool RestoreDefault();
    // Asks, then restores the factory functions of the current layer.
    void RestoreAllDefaults();
    // The factory function of every selected key of the current layer; with no key selected it
    // asks for one and changes nothing.
    void RestoreSelectedKeys();
    // A macro was deleted or emptied: keys playing it get their factory function back. True
    // when keys played it (the macro block and every key table are then sent again).
    bool ReleaseMacro(int macroId);
    // Macros moved in the list (one was deleted): every table of the current profile is
    // written again so keys keep playing the macro they were given.
    void RewriteAllTables();
    // The macros were added, renamed or deleted: the macro tab shows them anew.
    void RefreshMacroList();
    // Window message: the connection read found the keyboard at its factory tables and took
    // them into `profile`. Tells the user which profile changed and offers to write the
    // profile's earlier rows back to the keyboard instead (once per such read).
    void OnFactoryTablesRead(int profile);

    // ---- operations without the page (command line) ----
    // Assigns a function (macro_type, macro_value, macro_value2, macro_value3, macro_desc of
    // `function`) to a key on a layer of the current profile and posts job 9. False, with
    // nothing changed, for a layer outside 0-3, a key without a row, or when the database
    // refused: `storeFailure` (when given) then holds the reason.
    bool SetKeyFunction(int layer, int usage, const KeyMacroData& function,
                        std::string* storeFailure = nullptr);
    // The factory function of one key (usage >= 1) or of every key of the layer (usage 0);
    // posts job 9. False for a layer outside 0-3, a key the keyboard's tables do not have, or
    // when the database refused (`storeFailure` then holds the reason).
    bool RestoreKeyDefaults(int layer, int usage, std::string* storeFailure = nullptr);

    // The key function catalogue of the lists (rebuilt when the language changes).
    std::vector<KeyFunction> FunctionCatalogue() const;
    // Called when the knob is clicked on this page (the knob page opens its dialog).
    void SetKnobDialogOpener(std::function<void()> opener);
    // Switches the page's key test off while a combination is captured and on again after.
    void SetKeyTestSwitch(std::function<void(bool on)> keyTestSwitch);

  private:
    KeyAssignmentPage(DeviceManager& devices, DataStore& store, SessionState& session,
                      TaskPoster& poster, Dialogs& dialogs, std::unique_ptr<KeyPageModels> models,
                      KeyboardCtrl& keyboard);
    int CurrentLayer() const;
    int CurrentProfile() const;
    std::vector<MacroData> Macros();
    // Reads one table with a zero buffer into `table`; false when the transfer fails.
    bool ReadTable(uint8_t command, std::span<uint8_t> table);
    bool WriteTables();
    // Decodes the default entries of a layer into the profile's rows (all keys with an entry);
    // false when the database refused.
    bool RestoreLayerRows(int profile, int layer);
    // Stores a key's row; when the database refuses, the user is told why.
    bool StoreKey(const KeyMacroData& row);
    // The keys a page operation changes: every selected key of the picture when the selected
    // key is among them (several keys picked with Ctrl), else the selected key alone; none
    // without a selected key.
    std::vector<int> TargetKeys() const;
    // The play options of the macro a key plays, as its row stores them.
    void ShowMacroPlayOf(const KeyMacroData& row);
    // Selects the key's function in the list when the shown tab lists it, else nothing: a
    // highlight left from another key, layer or function would name a function the key
    // does not have.
    void ShowFunctionOf(int key);
    // Stores the changed rows of the current layer together (all or none), shows their
    // captions and posts the write: one entry for one key, the layer's table for several.
    bool StoreAndWriteKeys(std::vector<KeyMacroData> rows);
    // The table of a layer as the profile's rows make it: the factory entries with every
    // assigned key and the knob's functions written over them.
    KeyBuffer LayerTable(int layer, const KeyIndexMaps& maps, const std::vector<MacroData>& macros);
    void ReportStoreFailure();
    // Decodes the default entry of one key into its row; false without an index or a row.
    bool RestoreKeyRow(int profile, int layer, int usage, KeyMacroData& row);
    void RebuildCatalogue();
    // Shows a row's function on its key, captioned in the current language.
    void ShowKeyFunction(const KeyMacroData& row, const std::vector<MacroData>& macros);
    // The captions of the current layer again (after a language change), the selection kept.
    void ShowLayerCaptions();
    // Shows which keys of the shown rows do something else than their factory entry.
    void MarkRemapped(const std::vector<KeyMacroData>& rows);

    std::unique_ptr<KeyPageModels> models_;  // the page's own controls, when it owns them
    DeviceManager& devices_;
    DataStore& store_;
    std::string lastStoreFailure_;  // UI thread: why the database last refused a key row
    SessionState& session_;
    TaskPoster& poster_;
    Dialogs& dialogs_;
    KeyPageControls controls_;
    KeyTables tables_;

    std::atomic<int> selectedKey_{kSelectNone};
    std::atomic<int> currentTab_{kTabKeys};
    // A layer whose whole table the next write job sends (several keys changed at once), or -1.
    std::atomic<int> layerWrite_{-1};

    mutable std::mutex catalogueMutex_;      // guards catalogue_, knobOpener_ and keyTestSwitch_
    std::mutex factoryMutex_;                // guards factoryProfile_ and factoryRows_
    int factoryProfile_ = 0;                 // the profile the last read at factory tables changed
    std::vector<KeyMacroData> factoryRows_;  // its rows as they were before that read
    std::vector<KeyFunction> catalogue_;
    std::function<void()> knobOpener_;
    std::function<void(bool)> keyTestSwitch_;
    LanguageSubscription languageSubscription_;
};

}  // namespace zanvor
