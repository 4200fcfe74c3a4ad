#pragma once

// The macro page over the virtual keyboard of the key-page fixture, with the key page beside it
// (keys bound to a macro are released through it). Jobs are not run by a worker: tests run job
// 11 themselves and check the database and the bytes the keyboard received.

#include <memory>
#include <string>
#include <vector>

#include "KeyAssignmentFixture.h"
#include "keys/KeyTest.h"
#include "keys/MacroPage.h"
#include "keys/MacroSteps.h"

namespace zanvor::test {

// X11/xkb keycodes (evdev code + 8) of a few keys.
inline constexpr int kX11Esc = 1 + 8;
inline constexpr int kX11Enter = 28 + 8;
inline constexpr int kX11A = 30 + 8;
inline constexpr int kX11B = 48 + 8;
inline constexpr int kX11LeftShift = 42 + 8;

class MacroPageTest : public KeyPageTest {
  protected:
    // Starts the keyboard and both pages; the keyboard reports `capacityBytes` of macro memory
    // (its virtual keyboard keeps 16 × 256 bytes).
    void StartMacros(int capacityBytes = 4096) {
        Start();
        ASSERT_TRUE(Connect());
        SetCapacity(capacityBytes);
        macros = std::make_unique<MacroPage>(*manager, store, session, poster, dialogs, held);
        macros->SetReleaseMacro([this](int id) { return page->ReleaseMacro(id); });
        macros->SetRewriteKeyTables([this] { page->RewriteAllTables(); });
        macros->SetMenuPresenter([this](uint32_t message, std::vector<MacroMenuEntry> entries) {
            menuMessage = message;
            menu = std::move(entries);
        });
        macros->recordButton.SetRect({500, 300, 600, 340});
        macros->LoadMacroPage();
        sim->ClearReports();
    }

    void SetCapacity(int bytes) {
        DeviceInfo info = session.Info();
        info.macroCapacity = bytes;
        session.SetInfo(info);
    }

    void TearDown() override {
        macros.reset();
        KeyPageTest::TearDown();
    }

    // Job 11, as the worker runs it.
    MacroDownloadResult Download() {
        macros->TaskDownloadMacros();
        return macros->LastDownload();
    }

    // The first n bytes of the keyboard's macro block.
    Bytes KeyboardBlock(size_t n) const {
        const Bytes block = sim->Keyboard(kType)->BlockData(kMacroBlockCommand);
        return Bytes(block.begin(), block.begin() + static_cast<long>(std::min(n, block.size())));
    }

    // The reports of command 0x2D as (offset, length).
    std::vector<std::pair<int, int>> BlockReports() const {
        std::vector<std::pair<int, int>> reports;
        for (const Received& r : Writes()) {
            if (r.command == kMacroBlockCommand) {
                reports.emplace_back(r.offset, r.length);
            }
        }
        return reports;
    }

    // The stored steps of a macro as their texts.
    std::vector<std::string> StoredTexts(int macroId) {
        std::vector<MacroRecordData> steps;
        store.ListMacroSteps(macroId, steps);
        std::vector<std::string> texts;
        for (const MacroRecordData& step : steps) {
            texts.push_back(step.desc);
        }
        return texts;
    }

    std::vector<MacroRecordData> StoredSteps(int macroId) {
        std::vector<MacroRecordData> steps;
        store.ListMacroSteps(macroId, steps);
        return steps;
    }

    int MacroId(int index) const { return macros->macros.GetItemData(index); }

    void SelectMacro(int index) {
        macros->macros.ClickItem(index);
        Route(kIdMacroList, MacroList::kEventSelectionChanged);
    }

    // Hands a control event to the page, as the main window does.
    void Route(int controlId, int event) { macros->OnControl(controlId, event); }

    MacroRecordData Step(int type, int value, int delay, const std::string& name) {
        MacroRecordData step;
        step.type = type;
        step.value = value;
        step.delay_time = delay;
        step.desc = type == kStepPause ? PauseText(value) : StepText(type, name);
        return step;
    }

    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& shown : dialogs.History()) {
            texts.push_back(shown.text);
        }
        return texts;
    }

    HeldKeySet held;
    std::unique_ptr<MacroPage> macros;
    uint32_t menuMessage = 0;
    std::vector<MacroMenuEntry> menu;
};

}  // namespace zanvor::test
