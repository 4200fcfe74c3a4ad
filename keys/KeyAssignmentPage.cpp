#include "keys/KeyAssignmentPage.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "device/DeviceManager.h"
#include "device/ReportFraming.h"
#include "device/SessionState.h"
#include "keys/InputMapping.h"
#include "keys/KeyCodes.h"
#include "keys/KeyEvents.h"
#include "keys/KeyFunctionCaption.h"
#include "platform/Trace.h"
#include "store/DataStore.h"
#include "ui/ControlIds.h"
#include "ui/Dialogs.h"
#include "ui/KeyboardCtrl.h"
#include "ui/MainView.h"
#include "ui/StatusTexts.h"
#include "ui/WindowMessages.h"

namespace zanvor {

namespace {

// The model whose firmware rewrites every table when a single key is written.
constexpr int kWholeTableDeviceType = 102;
constexpr const char* kWholeTableFirmware = "115";

constexpr int kMacroRowHeight = 60;  // pixels per row of three macros in the list
constexpr int kMacrosPerRow = 3;
constexpr int kMaxPlayCount = 255;

bool IsListedType(int type) {
    return type == kFunctionKey || type == kFunctionMacro || type == kFunctionMouse ||
           type == kFunctionMedia || type == kFunctionShortcut || type == kFunctionInternal;
}

bool IsCatalogueTab(int tab) {
    return tab == kTabKeys || tab == kTabMouse || tab == kTabMedia || tab == kTabShortcuts ||
           tab == kTabInternal;
}

// The play count typed in the count field: leading digits as a number, an empty or non-numeric
// text as 1, clamped to 1-255.
int PlayCountOf(const std::string& text) {
    size_t pos = 0;
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) {
        ++pos;
    }
    if (pos == text.size()) {
        return 1;
    }
    bool negative = false;
    if (text[pos] == '-' || text[pos] == '+') {
        negative = text[pos] == '-';
        ++pos;
    }
    long value = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        value = std::min<long>(value * 10 + (text[pos] - '0'), 100000);
        ++pos;
    }
    if (negative) {
        value = -value;
    }
    return static_cast<int>(std::clamp<long>(value, 1, kMaxPlayCount));
}

std::span<const uint8_t, 3> EntryAt(std::span<const uint8_t> table, int index) {
    return table.subspan(static_cast<size_t>(3 * index)).first<3>();
}

}  // namespace

int LayerFromControl(int value) {
    if (value < 1) {
        return 0;
    }
    return value > 2 ? 3 : value;
}

KeyPageModels::KeyPageModels()
    : functions(kIdKeyFunctions),
      layers(kIdKeyLayers),
      macroPlay(kIdMacroPlay),
      combination(kIdCombination) {}

KeyAssignmentPage::KeyAssignmentPage(DeviceManager& devices, DataStore& store,
                                     SessionState& session, TaskPoster& poster, Dialogs& dialogs,
                                     KeyboardCtrl& keyboard)
    : KeyAssignmentPage(devices, store, session, poster, dialogs, std::make_unique<KeyPageModels>(),
                        keyboard) {}

KeyAssignmentPage::KeyAssignmentPage(DeviceManager& devices, DataStore& store,
                                     SessionState& session, TaskPoster& poster, Dialogs& dialogs,
                                     std::unique_ptr<KeyPageModels> models, KeyboardCtrl& keyboard)
    : models_(std::move(models)),
      devices_(devices),
      store_(store),
      session_(session),
      poster_(poster),
      dialogs_(dialogs),
      controls_{keyboard, models_->functions, models_->layers, models_->macroPlay,
                models_->combination} {
    RebuildCatalogue();
    languageSubscription_ = SubscribeLanguageChanged([this](int) {
        RebuildCatalogue();
        ShowLayerCaptions();
    });
}

KeyAssignmentPage::KeyAssignmentPage(DeviceManager& devices, DataStore& store,
                                     SessionState& session, TaskPoster& poster, Dialogs& dialogs,
                                     const KeyPageControls& controls)
    : devices_(devices),
      store_(store),
      session_(session),
      poster_(poster),
      dialogs_(dialogs),
      controls_(controls) {
    RebuildCatalogue();
    languageSubscription_ = SubscribeLanguageChanged([this](int) {
        RebuildCatalogue();
        ShowLayerCaptions();
    });
}

KeyAssignmentPage::~KeyAssignmentPage() {
    languageSubscription_.Reset();
}

void KeyAssignmentPage::RebuildCatalogue() {
    std::vector<KeyFunction> catalogue = BuildKeyFunctionList();
    std::lock_guard lock(catalogueMutex_);
    catalogue_ = std::move(catalogue);
}

std::vector<KeyFunction> KeyAssignmentPage::FunctionCatalogue() const {
    std::lock_guard lock(catalogueMutex_);
    return catalogue_;
}

void KeyAssignmentPage::SetKnobDialogOpener(std::function<void()> opener) {
    std::lock_guard lock(catalogueMutex_);
    knobOpener_ = std::move(opener);
}

void KeyAssignmentPage::SetKeyTestSwitch(std::function<void(bool on)> keyTestSwitch) {
    std::lock_guard lock(catalogueMutex_);
    keyTestSwitch_ = std::move(keyTestSwitch);
}

void KeyAssignmentPage::Register(PageRegistry& registry) {
    registry.AddControl(
        controls_.keyboard.ControlId(),
        [this](int event) {
            if (event == KeyboardCtrl::kEventKeyClicked) {
                SelectKey();
            } else if (event == KeyboardCtrl::kEventAreaSelected) {
                OnAreaSelected();
            }
        },
        kPageKeys);
    registry.AddControl(controls_.functions, [this](int event) {
        if (event == KeyFuncValue::kEventItemClicked) {
            ChooseFunction();
        } else if (event == KeyFuncValue::kEventTabChanged) {
            OnTabChanged();
        }
    });
    registry.AddControl(controls_.layers, [this](int) { OnLayerChanged(); });
    registry.AddControl(controls_.macroPlay, [this](int event) {
        ApplyMacroPlay(event == MacroPlayPanel::kEventOptionClicked);
    });
    registry.AddControl(controls_.combination, [this](int event) {
        std::function<void(bool)> keyTest;
        {
            std::lock_guard lock(catalogueMutex_);
            keyTest = keyTestSwitch_;
        }
        if (event == CombinationKeyPanel::kEventCaptureClicked) {
            if (keyTest) {
                keyTest(false);
            }
            StartKeyCapture();
        } else if (event == CombinationKeyPanel::kEventCaptureLeft) {
            LeaveKeyCapture();
        } else if (event == CombinationKeyPanel::kEventApplyClicked) {
            EndKeyCapture();
            ApplyCombination();
            if (keyTest && session_.currentPage.load() == kPageKeys) {
                keyTest(true);
            }
        }
    });
    registry.AddControl(kIdRestoreAllKeys, [this](int) { RestoreAllDefaults(); });
    registry.AddControl(kIdRestoreKey, [this](int) { RestoreSelectedKeys(); });
    registry.AddWindowMessage(kMsgFactoryTablesRead, [this](uintptr_t profile, intptr_t) {
        OnFactoryTablesRead(static_cast<int>(profile));
    });
    registry.AddWindowMessage(kMsgReapplyTexts, [this](uintptr_t, intptr_t) {
        ShowFunctionTab(controls_.functions.GetCurTab());
    });

    const TaskOptions closesBusy{.closesBusyDialog = true};
    registry.AddTask(
        kKeyTaskReloadKeyLayer,
        [this] {
            TaskReloadKeyLayer();
            return TaskResult();
        },
        closesBusy);
    registry.AddTask(
        kKeyTaskWriteKeyAssignments, [this] { return TaskWriteKeyAssignments(); }, closesBusy);

    registry.AddConnectionStep(PageRegistry::kReadDefaultKeyTables,
                               [this] { return ReadDefaultTables(); });
    registry.AddConnectionStep(PageRegistry::kReadKeyTables, [this] { return ReadKeyTables(); });
    registry.AddProfileRows([this](int profile) { return CreateDefaultKeyRows(profile); });
    registry.AddProfileApplyStep([this] { return ApplyProfileKeys(); });
    registry.AddPagesRefresh([this] {
        // The profile list load put the session back on layer 0: the control shows it.
        controls_.layers.SetCurKeyLayer(CurrentLayer());
        ReloadKeyCaptions(CurrentProfile());
    });
}

int KeyAssignmentPage::CurrentLayer() const {
    return std::clamp(session_.currentLayer.load(), 0, kKeyLayerCount - 1);
}

int KeyAssignmentPage::CurrentProfile() const {
    return session_.currentProfile.load();
}

std::vector<MacroData> KeyAssignmentPage::Macros() {
    std::vector<MacroData> macros;
    store_.ListMacros(macros);
    return macros;
}

// ---- keyboard exchanges ---------------------------------------------------------------------

bool KeyAssignmentPage::ReadTable(uint8_t command, std::span<uint8_t> table) {
    std::fill(table.begin(), table.end(), 0);
    return devices_.WriteBlock(command, table);
}

// ---- connection sequence --------------------------------------------------------------------

bool KeyAssignmentPage::ReadDefaultTables() {
    tables_.ResetDefaults();
    for (int layer = 0; layer < kKeyLayerCount; ++layer) {
        std::array<uint8_t, kKeyTableBytes> table{};
        if (!ReadTable(DefaultTableCommand(layer), table)) {
            return false;
        }
        tables_.SetDefaultTable(layer, table);
    }
    return true;
}

bool KeyAssignmentPage::ReadKeyTables() {
    const int profile = CurrentProfile();
    // A profile write that waits for this read keeps the profile's rows: they are what the
    // keyboard is about to receive.
    const bool keepRows = session_.tableWritePending.load();
    const bool hasKnob = session_.Info().knobPresent;
    bool knobIndicesRead = false;
    if (hasKnob) {
        std::array<uint8_t, kKnobIndexBlockBytes> block{};
        if (ReadTable(kKnobIndicesCommand, block)) {
            tables_.SetKnobIndices({block[0], block[1], block[2]});
            knobIndicesRead = true;
        }
    } else {
        tables_.ResetKnob();  // a keyboard without a knob: no knob entries to keep
    }

    const KeyIndexMaps maps = tables_.IndexMaps();
    const std::vector<MacroData> macros = Macros();
    // A keyboard whose tables are all its factory tables (a firmware reset, a new keyboard)
    // while the profile held other functions: the rows are replaced as always, and the user
    // is offered to write the profile back instead.
    bool atFactory = true;
    std::vector<KeyMacroData> replaced;
    for (int layer = 0; layer < kKeyLayerCount; ++layer) {
        std::array<uint8_t, kKeyTableBytes> table{};
        if (!ReadTable(ReadTableCommand(layer), table)) {
            return false;
        }
        tables_.SetCurrentTable(layer, table);
        const KeyBuffer factory = tables_.DefaultBuffer(layer);
        atFactory = atFactory && std::equal(table.begin(), table.end(), factory.begin());

        std::vector<KeyMacroData> rows;
        for (int i = 0; keepRows == false && i < kKeyTableEntries; ++i) {
            const int usage = maps.indexToUsage[static_cast<size_t>(i)];
            if (usage <= 0 || table[static_cast<size_t>(3 * i)] == 0) {
                continue;
            }
            KeyMacroData row;
            if (!store_.GetKey(profile, layer, usage, row)) {
                continue;  // a key without a row stays without one
            }
            // A row that already stands for what the keyboard holds keeps the form the user
            // chose ("Copy (Ctrl+C)" stays a shortcut); a row keeping the factory entry stays
            // so while the keyboard has that entry.
            const std::span<const uint8_t, 3> entry = EntryAt(table, i);
            ActionCode stored = tables_.DefaultEntry(layer, i);
            if (row.macro_type != kFunctionNone) {
                EncodeAction(row, stored, macros);
            }
            if (std::equal(stored.begin(), stored.end(), entry.begin())) {
                continue;
            }
            const KeyMacroData before = row;
            // An entry no function of the lists stands for keeps the profile's row: a row
            // that wrote something else would wipe the keyboard's function at the next write.
            if (ReadBackEntry(entry, tables_.DefaultEntry(layer, i), row, macros)) {
                rows.push_back(std::move(row));
                // The key itself on layer 0 is how every new profile starts, no choice of the
                // user's (for Fn it differs from the factory entry all the same).
                const bool ownRow = layer == 0 && before.macro_type == kFunctionKey &&
                                    before.macro_value == before.key_code &&
                                    before.macro_value2 == 0;
                if (!ownRow) {
                    replaced.push_back(before);
                }
            }
        }
        if (!rows.empty()) {
            store_.UpdateKeys(std::move(rows));
        }

        if (knobIndicesRead) {
            for (int action = 0; action < kKnobActionCount; ++action) {
                KeyMacroData record = tables_.KnobRecord(layer, action);
                if (record.key_code < 0 || record.key_code >= kKeyTableEntries) {
                    continue;
                }
                DecodeAction(EntryAt(table, record.key_code), record, macros);
                record.profile = profile;
                record.fn_layer = layer;
                tables_.SetKnobRecord(layer, action, record);
            }
        }
    }

    if (atFactory && !replaced.empty()) {
        {
            std::lock_guard lock(factoryMutex_);
            factoryProfile_ = profile;
            factoryRows_ = std::move(replaced);
        }
        poster_.PostWindowMessage(kMsgFactoryTablesRead, static_cast<uintptr_t>(profile), 0);
    }

    // Profiles 2 and 3 start as copies of profile 1 until they have rows of their own. A
    // profile id that no longer exists gets nothing: its rows would never be read.
    for (int other : {2, 3}) {
        std::string name;
        if (store_.CountKeys(other) >= 1 || !store_.GetProfileName(other, name)) {
            continue;
        }
        std::vector<KeyMacroData> rows;
        store_.ListProfileKeys(1, rows);
        for (KeyMacroData& row : rows) {
            row.key_id = 0;
            row.profile = other;
        }
        store_.InsertKeys(std::move(rows));
    }
    return true;
}

// ---- worker jobs ----------------------------------------------------------------------------

KeyBuffer KeyAssignmentPage::LayerTable(int layer, const KeyIndexMaps& maps,
                                        const std::vector<MacroData>& macros) {
    KeyBuffer buffer = tables_.DefaultBuffer(layer);
    std::vector<KeyMacroData> rows;
    store_.ListLayerKeys(CurrentProfile(), layer, rows);
    for (const KeyMacroData& row : rows) {
        const int index = maps.IndexOf(row.key_code);
        if (row.macro_type == kFunctionNone || index < 0) {
            continue;
        }
        EncodeAction(row, std::span<uint8_t, 3>(buffer.data() + 3 * index, 3), macros);
    }
    // The knob's functions live only in the keyboard: write them back over the factory
    // entries so a whole-table write does not reset the knob.
    if (tables_.KnobIndicesRead() && session_.Info().knobPresent) {
        for (int action = 0; action < kKnobActionCount; ++action) {
            const KeyMacroData record = tables_.KnobRecord(layer, action);
            if (record.macro_type == kFunctionNone || record.key_code < 0 ||
                record.key_code >= kKeyTableEntries) {
                continue;
            }
            EncodeAction(record, std::span<uint8_t, 3>(buffer.data() + 3 * record.key_code, 3),
                         macros);
        }
    }
    return buffer;
}

bool KeyAssignmentPage::WriteTables() {
    bool written = true;
    const KeyIndexMaps maps = tables_.IndexMaps();
    const std::vector<MacroData> macros = Macros();
    for (int layer = 0; layer < kKeyLayerCount; ++layer) {
        KeyBuffer buffer = LayerTable(layer, maps, macros);
        written = devices_.WriteBlock(WriteTableCommand(layer),
                                      std::span<uint8_t>(buffer.data(), kKeyTableBytes)) &&
                  written;
    }
    return written;
}

TaskResult KeyAssignmentPage::TaskWriteKeyAssignments() {
    const int selected = selectedKey_.load();
    if (selected == kSelectNone) {
        // No key was ever selected: the brackets only, as a restore without a selection does.
        SendBracketCommand(devices_, kCommandBegin);
        SendBracketCommand(devices_, kCommandEnd);
        return TaskResult();
    }
    if (!session_.ConnectionRead()) {
        // The tables and index maps do not describe this keyboard yet: writing them would
        // blank its keys. The rows are stored; the profile is written after the read.
        session_.tableWritePending = true;
        Trace("key tables not written: the keyboard was not read yet\n");
        return TaskResult::Failed(LoadText("KB.DIALOG", kTextTablesNotRead));
    }
    SendBracketCommand(devices_, kCommandBegin);
    const int layer = CurrentLayer();
    if (selected > 0 && session_.currentDeviceType.load() == kWholeTableDeviceType &&
        session_.Info().firmwareText == kWholeTableFirmware) {
        // This firmware takes single entries only as part of whole tables, and its tables are
        // complete without the end command.
        layerWrite_.store(-1);
        return WriteTables() ? TaskResult() : TransferFailed();
    }
    bool written = true;
    const int layerWrite = layerWrite_.exchange(-1);
    if (layerWrite >= 0) {
        // Several keys changed at once: their layer's table in one write.
        KeyBuffer buffer = LayerTable(layerWrite, tables_.IndexMaps(), Macros());
        written = devices_.WriteBlock(WriteTableCommand(layerWrite),
                                      std::span<uint8_t>(buffer.data(), kKeyTableBytes));
    }
    if (selected >= 1 && layerWrite != layer) {
        KeyMacroData row;
        store_.GetKey(CurrentProfile(), layer, selected, row);
        const int index = tables_.IndexOf(selected);
        if (index >= 0) {
            ActionCode code{};
            EncodeAction(row, code, Macros());
            Trace("SetKeyMacroData(keyIndex: %d, KeyCode: %02X)\n", index, selected);
            written = SendTableEntry(devices_, layer, index, code) && written;
        }
    } else if (selected == kSelectLayer) {
        KeyBuffer buffer = tables_.DefaultBuffer(layer);
        written = devices_.WriteBlock(WriteTableCommand(layer),
                                      std::span<uint8_t>(buffer.data(), kKeyTableBytes));
        if (written && tables_.KnobIndicesRead()) {
            // The factory table restores the knob of this layer too: show what it now does.
            const std::vector<MacroData> macros = Macros();
            for (int action = 0; action < kKnobActionCount; ++action) {
                KeyMacroData record = tables_.KnobRecord(layer, action);
                if (record.key_code >= 0 && record.key_code < kKeyTableEntries) {
                    DecodeAction(EntryAt(buffer, record.key_code), record, macros);
                    tables_.SetKnobRecord(layer, action, record);
                }
            }
        }
    } else if (selected == kSelectAllTables) {
        written = WriteTables();
        if (written) {
            session_.tableWritePending = false;
            if (!store_.SetKeyboardProfile(CurrentProfile())) {
                Trace("the profile the keyboard holds could not be recorded\n");
            }
        }
    }
    SendBracketCommand(devices_, kCommandEnd);
    return written ? TaskResult() : TransferFailed();
}

TaskResult KeyAssignmentPage::ApplyProfileKeys() {
    controls_.layers.SetCurKeyLayer(0);
    session_.currentLayer = 0;
    SetSelectedKey(kSelectAllTables);
    ReloadKeyCaptions(CurrentProfile());
    return WriteKeyAssignments();
}

void KeyAssignmentPage::TaskReloadKeyLayer() {
    ReloadKeyCaptions(CurrentProfile());
}

void KeyAssignmentPage::ReloadKeyCaptions(int profile) {
    KeyboardCtrl& keyboard = controls_.keyboard;
    keyboard.ResetAllItemCheck(0);
    keyboard.ResetTipKey();
    std::vector<KeyMacroData> rows;
    store_.ListLayerKeys(profile, CurrentLayer(), rows);
    const std::vector<MacroData> macros = Macros();
    for (const KeyMacroData& row : rows) {
        ShowKeyFunction(row, macros);
    }
    MarkRemapped(rows);
}

void KeyAssignmentPage::ShowLayerCaptions() {
    std::vector<KeyMacroData> rows;
    store_.ListLayerKeys(CurrentProfile(), CurrentLayer(), rows);
    const std::vector<MacroData> macros = Macros();
    for (const KeyMacroData& row : rows) {
        ShowKeyFunction(row, macros);
    }
}

void KeyAssignmentPage::ShowKeyFunction(const KeyMacroData& row,
                                        const std::vector<MacroData>& macros) {
    const std::string caption = KeyFunctionCaption(row, macros);
    controls_.keyboard.SetKeyItemInfo(row.key_code, caption, row.macro_type, caption);
}

void KeyAssignmentPage::MarkRemapped(const std::vector<KeyMacroData>& rows) {
    // Compared as the keyboard sees it: the action a row encodes to against the factory entry
    // of its layer, so "~" or an arrow key of an untouched keyboard is not shown as changed.
    const int layer = CurrentLayer();
    const std::vector<MacroData> macros = Macros();
    for (const KeyMacroData& row : rows) {
        const int index = tables_.IndexOf(row.key_code);
        bool remapped = false;
        if (row.macro_type != kFunctionNone && index >= 0) {
            const ActionCode factory = tables_.DefaultEntry(layer, index);
            ActionCode code{};
            EncodeAction(row, code, macros);
            remapped = code != factory;
        }
        controls_.keyboard.SetKeyRemapped(row.key_code, remapped);
    }
}

bool KeyAssignmentPage::FactoryIsPlainKey(int usage) const {
    if (usage == kUsageFnKey || usage == kUsageAcBackKey || usage == kUsageCalcKey) {
        return false;
    }
    const int index = tables_.IndexOf(usage);
    if (index < 0) {
        return true;  // the keyboard was not read yet: a keyboard usage stands for its key
    }
    KeyMacroData row;
    row.macro_type = kFunctionKey;
    row.macro_value = usage;
    ActionCode code{};
    EncodeAction(row, code, {});
    return code == tables_.DefaultEntry(0, index);
}

bool KeyAssignmentPage::CreateDefaultKeyRows(int profile) {
    // A profile with rows keeps them; only the rows it lacks are added (an imported file need
    // not name every key on every layer, and a key without a row cannot be assigned).
    std::vector<KeyMacroData> existing;
    store_.ListProfileKeys(profile, existing);
    std::set<std::pair<int, int>> present;
    for (const KeyMacroData& row : existing) {
        present.emplace(row.fn_layer, row.key_code);
    }
    std::vector<KeyMacroData> rows;
    for (const KeyItem& item : controls_.keyboard.GetKeyItems()) {
        if (item.code <= 0 || item.code == kUsageKnob) {
            continue;  // the knob has no rows: its functions live in the keyboard only
        }
        for (int layer = 0; layer < kKeyLayerCount; ++layer) {
            if (present.contains({layer, item.code})) {
                continue;
            }
            KeyMacroData row;
            row.profile = profile;
            row.fn_layer = layer;
            row.key_code = item.code;
            row.layout_value = item.code;
            row.layout_desc = item.caption;
            // Layer 0 is the key itself where its factory function is that plain key; every
            // other key (Fn, the >-< and calculator keys) and the Fn layers keep whatever the
            // keyboard has there until the user assigns something: a plain-key row for the Fn
            // key would turn it into a dead key, and a key 0 would switch the key off.
            if (layer == 0 && FactoryIsPlainKey(item.code)) {
                row.macro_type = kFunctionKey;
                row.macro_value = item.code;
                row.macro_desc = item.caption;
            } else {
                row.macro_type = kFunctionNone;
                if (layer == 0) {
                    row.macro_desc = item.caption;
                }
            }
            rows.push_back(std::move(row));
        }
    }
    return rows.empty() || store_.InsertKeys(std::move(rows));
}

// ---- page handlers --------------------------------------------------------------------------

const std::vector<int>& KeyAssignmentPage::FunctionTabs() {
    static const std::vector<int> tabs = {kTabKeys,      kTabMacros,   kTabMouse,      kTabMedia,
                                          kTabShortcuts, kTabInternal, kTabCombination};
    return tabs;
}

void KeyAssignmentPage::InitControls() {
    controls_.functions.SetTabs(FunctionTabs());
    controls_.functions.SetCurTab(kTabKeys);
    ShowFunctionTab(kTabKeys);
    controls_.layers.SetCurKeyLayer(CurrentLayer());
}

void KeyAssignmentPage::OnLayerChanged() {
    session_.currentLayer.store(LayerFromControl(controls_.layers.GetCurKeyLayer()));
    poster_.PostTaskIfIdle(kKeyTaskReloadKeyLayer);
    // The reload clears the picture's selection, so no function is the selected key's: a
    // highlight kept from the previous layer would name what another layer's key does.
    controls_.functions.SetCurSel(-1);
}

void KeyAssignmentPage::SelectKey() {
    LeaveKeyCapture();
    const int key = controls_.keyboard.GetSelectKey();
    selectedKey_.store(key);
    if (key == kUsageKnob) {
        std::function<void()> opener;
        {
            std::lock_guard lock(catalogueMutex_);
            opener = knobOpener_;
        }
        if (opener) {
            opener();
        }
        return;
    }
    if (key < 1) {
        return;
    }
    ShowFunctionOf(key);
}

void KeyAssignmentPage::ShowFunctionOf(int key) {
    KeyFuncValue& functions = controls_.functions;
    KeyMacroData row;
    // Codes of different types overlap (mouse 90 is also the usage of a keypad key), so the
    // entry is looked up only in a list of the row's own type.
    if (key < 1 || !store_.GetKey(CurrentProfile(), CurrentLayer(), key, row) ||
        !IsListedType(row.macro_type) || row.macro_type != currentTab_.load() ||
        !functions.SetCurData(row.macro_value)) {
        functions.SetCurSel(-1);
        return;
    }
    if (row.macro_type == kFunctionMacro) {
        ShowMacroPlayOf(row);
    }
}

void KeyAssignmentPage::ShowMacroPlayOf(const KeyMacroData& row) {
    MacroPlayPanel& play = controls_.macroPlay;
    if (row.macro_value2 >= 1 && row.macro_value2 < MacroPlayPanel::kOptionCount) {
        play.SetOption(row.macro_value2);
        play.SetCountText("1");
        play.SetCountEnabled(false);
    } else {
        play.SetOption(0);
        play.SetCountText(std::to_string(std::clamp(row.macro_value3, 1, kMaxPlayCount)));
        play.SetCountEnabled(true);
    }
}

void KeyAssignmentPage::OnAreaSelected() {
    const int key = controls_.keyboard.GetSelectKey();
    if (key == kUsageKnob) {
        return;  // the knob inside a dragged area does not open its dialog
    }
    SelectKey();
}

void KeyAssignmentPage::OnTabChanged() {
    ShowFunctionTab(controls_.functions.GetCurTab());
}

void KeyAssignmentPage::ShowFunctionTab(int tab) {
    KeyFuncValue& functions = controls_.functions;
    const std::vector<int>& tabs = FunctionTabs();
    if (std::find(tabs.begin(), tabs.end(), tab) == tabs.end()) {
        tab = kTabKeys;
        functions.SetCurTab(tab);
    }
    if (tab != kTabCombination) {
        LeaveKeyCapture();
    }
    currentTab_.store(tab);
    functions.ClearList();
    functions.SetAllHeight(0);
    controls_.macroPlay.SetVisible(tab == kTabMacros);
    controls_.combination.SetVisible(tab == kTabCombination);
    functions.SetListVisible(tab != kTabCombination);

    if (IsCatalogueTab(tab)) {
        for (const KeyFunction& entry : FunctionCatalogue()) {
            if (entry.type == tab) {
                functions.AddItem(entry.name, entry.code, entry.note);
            }
        }
    } else if (tab == kTabMacros) {
        const std::vector<MacroData> macros = Macros();
        for (const MacroData& macro : macros) {
            functions.AddItem(MacroDisplayName(macro.name), macro.macro_id, "");
        }
        const int rows = static_cast<int>((macros.size() + kMacrosPerRow - 1) / kMacrosPerRow);
        functions.SetAllHeight(rows * kMacroRowHeight);
        controls_.macroPlay.SetOption(0);
        controls_.macroPlay.SetCountText("1");
        controls_.macroPlay.SetCountEnabled(true);
        // The selected key's macro, with the play options it stores.
        KeyMacroData row;
        const int key = selectedKey_.load();
        if (key >= 1 && store_.GetKey(CurrentProfile(), CurrentLayer(), key, row) &&
            row.macro_type == kFunctionMacro) {
            controls_.functions.SetCurData(row.macro_value);
            ShowMacroPlayOf(row);
        }
    }
}

void KeyAssignmentPage::ChooseFunction() {
    int code = 0;
    std::string caption;
    controls_.functions.GetCurValue(code, caption);
    if (caption.empty()) {
        return;
    }
    const int tab = currentTab_.load();
    if (tab == kTabMacros) {
        if (store_.CountMacroSteps(code) < 1) {
            dialogs_.MessageBox(LoadText("KB.DIALOG", 232), LoadText("KB.DIALOG", 233));
            return;
        }
        MacroData macro;
        if (store_.GetMacro(code, macro)) {
            MacroPlayPanel& play = controls_.macroPlay;
            if (macro.play_type >= 1 && macro.play_type < MacroPlayPanel::kOptionCount) {
                play.SetOption(macro.play_type);
                play.SetCountText("1");
                play.SetCountEnabled(false);
            } else {
                play.SetOption(0);
                play.SetCountText(std::to_string(macro.play_times));
                play.SetCountEnabled(true);
            }
        }
    }
    const std::vector<int> keys = TargetKeys();
    if (keys.empty()) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", 230), LoadText("KB.DIALOG", 231));
        return;
    }
    std::vector<KeyMacroData> rows;
    for (int key : keys) {
        KeyMacroData row;
        if (!store_.GetKey(CurrentProfile(), CurrentLayer(), key, row)) {
            continue;
        }
        row.macro_type = tab;
        row.macro_value = code;
        row.macro_value2 = 0;
        row.macro_value3 = 0;
        row.macro_desc = caption;
        rows.push_back(std::move(row));
    }
    StoreAndWriteKeys(std::move(rows));
}

std::vector<int> KeyAssignmentPage::TargetKeys() const {
    const int key = selectedKey_.load();
    if (key < 1) {
        return {};
    }
    std::vector<int> keys;
    for (int code : controls_.keyboard.GetSelectedKeys()) {
        if (code >= 1 && code != kUsageKnob) {
            keys.push_back(code);
        }
    }
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
        return {key};
    }
    return keys;
}

bool KeyAssignmentPage::StoreAndWriteKeys(std::vector<KeyMacroData> rows) {
    if (rows.empty()) {
        return true;
    }
    if (rows.size() == 1) {
        if (!StoreKey(rows.front())) {
            return false;
        }
    } else if (!store_.UpdateKeys(rows)) {
        ReportStoreFailure();
        return false;
    }
    const std::vector<MacroData> macros = Macros();
    for (const KeyMacroData& row : rows) {
        ShowKeyFunction(row, macros);
    }
    MarkRemapped(rows);
    if (rows.size() > 1) {
        layerWrite_.store(CurrentLayer());
    }
    poster_.PostTask(kKeyTaskWriteKeyAssignments);
    return true;
}

void KeyAssignmentPage::ApplyMacroPlay(bool optionClicked) {
    MacroPlayPanel& play = controls_.macroPlay;
    const int option = play.SelectedOption();
    if (optionClicked) {
        play.SetCountText("1");
        play.SetCountEnabled(option == 0);
    }
    const std::vector<int> keys = TargetKeys();
    if (keys.empty() || currentTab_.load() != kTabMacros) {
        return;
    }
    int macroId = 0;
    std::string caption;
    controls_.functions.GetCurValue(macroId, caption);
    if (caption.empty()) {
        return;
    }
    const int playType = option >= 1 && option < MacroPlayPanel::kOptionCount ? option : 0;
    std::vector<KeyMacroData> rows;
    for (int key : keys) {
        KeyMacroData row;
        if (!store_.GetKey(CurrentProfile(), CurrentLayer(), key, row)) {
            continue;
        }
        if (playType == 0) {
            row.macro_value3 = PlayCountOf(play.CountText());
        }
        row.macro_type = kFunctionMacro;
        row.macro_value = macroId;
        row.macro_value2 = playType;
        row.macro_desc = caption;
        rows.push_back(std::move(row));
    }
    if (rows.empty()) {
        return;
    }
    const int playTimes = rows.back().macro_value3;
    if (!StoreAndWriteKeys(std::move(rows))) {
        return;
    }
    MacroData macro;
    if (store_.GetMacro(macroId, macro)) {
        macro.play_type = playType;
        macro.play_times = playTimes;
        if (!store_.UpdateMacro(macro)) {
            ReportStoreFailure();
        }
    }
}

void KeyAssignmentPage::StartKeyCapture() {
    controls_.combination.BeginCapture();
}

void KeyAssignmentPage::EndKeyCapture() {
    controls_.combination.EndCapture();
}

void KeyAssignmentPage::LeaveKeyCapture() {
    if (!controls_.combination.Capturing()) {
        return;
    }
    EndKeyCapture();
    std::function<void(bool)> keyTest;
    {
        std::lock_guard lock(catalogueMutex_);
        keyTest = keyTestSwitch_;
    }
    if (keyTest && session_.currentPage.load() == kPageKeys) {
        keyTest(true);
    }
}

void KeyAssignmentPage::OnCaptureKeyEvent(int message, int virtualKey, int scanCode, int flags) {
    CombinationKeyPanel& panel = controls_.combination;
    if (!panel.Capturing()) {
        return;
    }
    const KeyEventInfo event =
        KeyEventName(message, virtualKey, scanCode, flags, KeyEventPurpose::Recording);
    if (event.named) {
        panel.SetCapturedKey(event.virtualKey, event.name);
    }
}

void KeyAssignmentPage::OnCaptureNativeKey(int x11Keycode, bool pressed) {
    const HookKeyEvent event = HookKeyEventFromX11(x11Keycode, pressed);
    OnCaptureKeyEvent(event.message, event.virtualKey, event.scanCode, event.flags);
}

void KeyAssignmentPage::ApplyCombination() {
    const std::vector<int> keys = TargetKeys();
    if (keys.empty()) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", 230), LoadText("KB.DIALOG", 231));
        return;
    }
    const CombinationKeyPanel& panel = controls_.combination;
    const std::string keyName = panel.CaptureText();
    const int mask = panel.ModifierMask();
    const std::string caption = CombinationCaption(mask, keyName);
    std::vector<KeyMacroData> rows;
    for (int key : keys) {
        KeyMacroData row;
        if (!store_.GetKey(CurrentProfile(), CurrentLayer(), key, row)) {
            continue;
        }
        row.macro_type = kFunctionKey;
        row.macro_value = VirtualKeyToUsage(panel.CapturedKey());
        row.macro_value2 = mask;
        row.macro_desc = caption;
        rows.push_back(std::move(row));
    }
    StoreAndWriteKeys(std::move(rows));
}

// ---- restoring defaults ---------------------------------------------------------------------

bool KeyAssignmentPage::RestoreKeyRow(int profile, int layer, int usage, KeyMacroData& row) {
    const int index = tables_.IndexOf(usage);
    if (index < 0 || !store_.GetKey(profile, layer, usage, row)) {
        return false;
    }
    const ActionCode entry = tables_.DefaultEntry(layer, index);
    return ReadBackEntry(entry, entry, row, Macros());
}

void KeyAssignmentPage::OnFactoryTablesRead(int profile) {
    std::vector<KeyMacroData> rows;
    {
        std::lock_guard lock(factoryMutex_);
        if (factoryProfile_ != profile) {
            return;
        }
        rows.swap(factoryRows_);
        factoryProfile_ = 0;
    }
    if (rows.empty() || profile != CurrentProfile()) {
        return;  // another profile is current by now: it was sent to the keyboard
    }
    std::string name;
    store_.GetProfileName(profile, name);
    std::string text = LoadText("KB.DIALOG", 1941);
    if (const size_t at = text.find("%s"); at != std::string::npos) {
        text.replace(at, 2, name);
    }
    if (!dialogs_.Question(text, LoadText("KB.DIALOG", 1942))) {
        return;  // the profile follows the keyboard, as the read left it
    }
    if (!store_.UpdateKeys(std::move(rows))) {
        ReportStoreFailure();
        return;
    }
    ReloadKeyCaptions(profile);
    selectedKey_.store(kSelectAllTables);
    poster_.PostTask(kKeyTaskWriteKeyAssignments);
}

bool KeyAssignmentPage::StoreKey(const KeyMacroData& row) {
    if (store_.UpdateKey(row)) {
        return true;
    }
    ReportStoreFailure();
    return false;
}

void KeyAssignmentPage::ReportStoreFailure() {
    lastStoreFailure_ = store_.LastFailureText();
    dialogs_.MessageBox(lastStoreFailure_, LoadText("KB.DIALOG", 1937));
}

bool KeyAssignmentPage::RestoreLayerRows(int profile, int layer) {
    const KeyIndexMaps maps = tables_.IndexMaps();
    const KeyBuffer buffer = tables_.DefaultBuffer(layer);
    const std::vector<MacroData> macros = Macros();
    std::vector<KeyMacroData> rows;
    for (int i = 0; i < kKeyTableEntries; ++i) {
        const int usage = maps.indexToUsage[static_cast<size_t>(i)];
        if (usage <= 0 || buffer[static_cast<size_t>(3 * i)] == 0) {
            continue;
        }
        KeyMacroData row;
        if (!store_.GetKey(profile, layer, usage, row)) {
            continue;
        }
        if (ReadBackEntry(EntryAt(buffer, i), EntryAt(buffer, i), row, macros)) {
            rows.push_back(std::move(row));
        }
    }
    if (!store_.UpdateKeys(std::move(rows))) {
        ReportStoreFailure();
        return false;
    }
    return true;
}

bool KeyAssignmentPage::RestoreDefault() {
    const int key = selectedKey_.load();
    const int profile = CurrentProfile();
    const int layer = CurrentLayer();
    if (key >= 1) {
        KeyMacroData row;
        if (!RestoreKeyRow(profile, layer, key, row)) {
            return true;
        }
        if (!StoreKey(row)) {
            return false;
        }
        const std::string caption = KeyFunctionCaption(row, Macros());
        controls_.keyboard.SetKeyItemInfo(key, caption, kFunctionKey, caption);
        MarkRemapped({row});
        ShowFunctionOf(key);
        poster_.PostTask(kKeyTaskWriteKeyAssignments);
        return true;
    }
    if (key == kSelectNone) {
        // Nothing was ever selected: restoring the layer's rows here would leave the keyboard
        // with the old functions, as the write job has no table to send for this selection.
        dialogs_.MessageBox(LoadText("KB.DIALOG", 230), LoadText("KB.DIALOG", 231));
        return true;
    }
    if (!RestoreLayerRows(profile, layer)) {
        return false;
    }
    ReloadKeyCaptions(profile);
    ShowFunctionOf(key);
    poster_.PostTask(kKeyTaskWriteKeyAssignments);
    return true;
}

void KeyAssignmentPage::RestoreSelectedKeys() {
    const std::vector<int> keys = TargetKeys();
    if (keys.empty()) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", 230), LoadText("KB.DIALOG", 231));
        return;
    }
    std::vector<KeyMacroData> rows;
    for (int key : keys) {
        KeyMacroData row;
        if (RestoreKeyRow(CurrentProfile(), CurrentLayer(), key, row)) {
            rows.push_back(std::move(row));
        }
    }
    if (StoreAndWriteKeys(std::move(rows))) {
        ShowFunctionOf(selectedKey_.load());
    }
}

void KeyAssignmentPage::RestoreAllDefaults() {
    if (!dialogs_.Question(LoadText("KB.DIALOG", 203), LoadText("KB.DIALOG", 204))) {
        return;
    }
    selectedKey_.store(kSelectLayer);
    RestoreDefault();
}

bool KeyAssignmentPage::ReleaseMacro(int macroId) {
    std::vector<KeyMacroData> rows;
    store_.ListAllKeys(rows);
    const int layer = CurrentLayer();
    const std::vector<MacroData> macros = Macros();
    bool matched = false;
    for (const KeyMacroData& found : rows) {
        if (found.macro_type != kFunctionMacro || found.macro_value != macroId) {
            continue;
        }
        matched = true;
        const int index = tables_.IndexOf(found.key_code);
        KeyMacroData row;
        if (index < 0 || !store_.GetKey(found.profile, found.fn_layer, found.key_code, row)) {
            continue;
        }
        // The factory entry of the layer shown on the page, whatever the row's own layer.
        const ActionCode factory = tables_.DefaultEntry(layer, index);
        ReadBackEntry(factory, factory, row, macros);
        if (!store_.UpdateKey(row)) {
            ReportStoreFailure();  // the keys after it are still released
        }
    }
    if (!matched) {
        return false;
    }
    ReloadKeyCaptions(CurrentProfile());
    selectedKey_.store(kSelectAllTables);
    poster_.PostTask(kKeyTaskDownloadMacros);
    poster_.PostTask(kKeyTaskWriteKeyAssignments);
    return true;
}

void KeyAssignmentPage::RewriteAllTables() {
    selectedKey_.store(kSelectAllTables);
    poster_.PostTask(kKeyTaskWriteKeyAssignments);
}

void KeyAssignmentPage::RefreshMacroList() {
    if (currentTab_.load() == kTabMacros) {
        ShowFunctionTab(kTabMacros);
    }
}

// ---- operations without the page ------------------------------------------------------------

bool KeyAssignmentPage::SetKeyFunction(int layer, int usage, const KeyMacroData& function,
                                       std::string* storeFailure) {
    if (layer < 0 || layer >= kKeyLayerCount) {
        return false;
    }
    KeyMacroData row;
    if (usage < 1 || !store_.GetKey(CurrentProfile(), layer, usage, row)) {
        return false;
    }
    row.macro_type = function.macro_type;
    row.macro_value = function.macro_value;
    row.macro_value2 = function.macro_value2;
    row.macro_value3 = function.macro_value3;
    row.macro_desc = function.macro_desc;
    if (!StoreKey(row)) {
        if (storeFailure != nullptr) {
            *storeFailure = lastStoreFailure_;
        }
        return false;
    }
    session_.currentLayer.store(layer);
    controls_.layers.SetCurKeyLayer(layer);
    ShowKeyFunction(row, Macros());
    MarkRemapped({row});
    selectedKey_.store(usage);
    poster_.PostTask(kKeyTaskWriteKeyAssignments);
    return true;
}

bool KeyAssignmentPage::RestoreKeyDefaults(int layer, int usage, std::string* storeFailure) {
    if (layer < 0 || layer >= kKeyLayerCount) {
        return false;
    }
    if (usage >= 1) {
        KeyMacroData row;
        if (!RestoreKeyRow(CurrentProfile(), layer, usage, row)) {
            return false;
        }
    }
    session_.currentLayer.store(layer);
    controls_.layers.SetCurKeyLayer(layer);
    selectedKey_.store(usage >= 1 ? usage : kSelectLayer);
    if (!RestoreDefault()) {
        if (storeFailure != nullptr) {
            *storeFailure = lastStoreFailure_;
        }
        return false;
    }
    return true;
}

}  // namespace zanvor
