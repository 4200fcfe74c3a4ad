#include "app/CliMacroCommands.h"

#include <algorithm>
#include <iostream>
#include <nlohmann/json.hpp>

#include "app/CliOutput.h"
#include "app/DevicePages.h"
#include "keys/MacroStepText.h"
#include "keys/MacroSteps.h"
#include "keys/MacroTexts.h"
#include "store/DataStore.h"
#include "ui/LoadText.h"

namespace zanvor {

using nlohmann::json;

namespace {

MacroPage& Macros(CliSession& session) {
    MacroPage& page = session.Dlg().Pages().macros;
    page.EnsureLoaded();
    return page;
}

int NoKeyboard() {
    return Fail(kCliNoKeyboard, "no keyboard online");
}

int MacroStatus(MacroResult result, int id) {
    switch (result) {
        case MacroResult::kOk:
            return kCliOk;
        case MacroResult::kNotFound:
            return Fail(kCliUsage, "no macro " + std::to_string(id));
        case MacroResult::kEmptyName:
            return Fail(kCliUsage, "a macro name cannot be empty or only blanks");
        case MacroResult::kLimitReached:
            return Fail(kCliFailed, LoadText("KB.DIALOG", kTextMacroLimit));
        case MacroResult::kMemoryUnknown:
            return Fail(kCliFailed, "the keyboard has not reported the size of its macro memory");
        case MacroResult::kNoRoom:
            return Fail(kCliFailed, "not enough room in the keyboard's macro memory");
        default:
            return Fail(kCliFailed, "the database refused the change");
    }
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

// After a change was posted (between BeginChange and here): waits for the worker and reports a
// job that failed, and macros that did not fit the keyboard's memory (a failure when `id` is
// one of them).
int FinishMacroChange(CliSession& session, int id) {
    if (const int status = session.FinishChange(); status != kCliOk) {
        return status;
    }
    const MacroDownloadResult result = Macros(session).LastDownload();
    if (result.leftOut.empty()) {
        return kCliOk;
    }
    const std::string names = Joined(result.leftOut);
    if (std::find(result.leftOutIds.begin(), result.leftOutIds.end(), id) !=
        result.leftOutIds.end()) {
        return Fail(kCliFailed, "no room in the keyboard's macro memory; not sent: " + names);
    }
    std::cerr << "zanvorctl: no room in the keyboard's macro memory; not sent: " << names << "\n";
    return kCliOk;
}

// A change of macro `id` that the keyboard must take: the macro exists and the keyboard is
// online.
int MacroOnKeyboard(CliSession& session, int id) {
    MacroData macro;
    if (!session.Dlg().Store().GetMacro(id, macro)) {
        return MacroStatus(MacroResult::kNotFound, id);
    }
    return session.KeyboardOnline() ? kCliOk : NoKeyboard();
}

// A name as one line of the table: control characters (a line break typed into a name) show
// as blanks.
std::string OneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(),
        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, ' ');
    return text;
}

std::string PlayText(const MacroData& macro) {
    switch (macro.play_type) {
        case 0:
            return macro.play_times <= 1 ? "once" : std::to_string(macro.play_times) + " times";
        case 1:
            return "while held";
        case 2:
            return "until pressed again";
        case 3:
            return "until any key";
        default:
            return "type " + std::to_string(macro.play_type);
    }
}

std::string DelayText(const MacroData& macro) {
    switch (macro.delay_type) {
        case kDelayNone:
            return "none";
        case kDelayMeasured:
            return "measured";
        case kDelayFixed:
            return "fixed:" + std::to_string(macro.delay_time);
        default:
            return "type " + std::to_string(macro.delay_type);
    }
}

}  // namespace

int CmdMacroList(CliSession& session) {
    Macros(session);
    DataStore& store = session.Dlg().Store();
    std::vector<MacroData> macros;
    store.ListMacros(macros);
    json rows = json::array();
    TextTable table({"ID", "NAME", "STEPS", "PLAY", "DELAY"});
    for (const MacroData& macro : macros) {
        const int steps = store.CountMacroSteps(macro.macro_id);
        const std::string name = MacroPage::PageName(macro.name);
        rows.push_back({{"id", macro.macro_id},
                        {"name", name},
                        {"stored_name", macro.name},
                        {"steps", steps},
                        {"play_type", macro.play_type},
                        {"play_times", macro.play_times},
                        {"delay_type", macro.delay_type},
                        {"delay_time", macro.delay_time}});
        table.AddRow({std::to_string(macro.macro_id), OneLine(name), std::to_string(steps),
                      PlayText(macro), DelayText(macro)});
    }
    session.Options().json ? PrintJson(json{{"macros", rows}}) : table.Print(std::cout);
    return kCliOk;
}

int CmdMacroShow(CliSession& session, int id) {
    Macros(session);
    DataStore& store = session.Dlg().Store();
    MacroData macro;
    if (!store.GetMacro(id, macro)) {
        return MacroStatus(MacroResult::kNotFound, id);
    }
    std::vector<MacroRecordData> steps;
    store.ListMacroSteps(id, steps);
    const std::vector<std::string> words = FormatMacroSteps(steps);
    if (session.Options().json) {
        json list = json::array();
        for (const MacroRecordData& step : steps) {
            list.push_back({{"type", step.type},
                            {"value", step.value},
                            {"delay", step.delay_time},
                            {"text", step.desc}});
        }
        PrintJson(json{{"id", id},
                       {"name", MacroPage::PageName(macro.name)},
                       {"words", words},
                       {"steps", list}});
        return kCliOk;
    }
    for (const std::string& word : words) {
        std::cout << word << "\n";
    }
    return kCliOk;
}

int CmdMacroAdd(CliSession& session, const std::string& name) {
    int id = 0;
    const int status = MacroStatus(Macros(session).AddMacro(name, id), 0);
    if (status == kCliOk) {
        session.Options().json ? PrintJson(json{{"id", id}}) : void(std::cout << id << "\n");
    }
    return status;
}

int CmdMacroRename(CliSession& session, int id, const std::string& name) {
    return MacroStatus(Macros(session).RenameMacro(id, name), id);
}

int CmdMacroDelete(CliSession& session, int id) {
    MacroPage& page = Macros(session);
    // Keys playing it are released and the keyboard's block is rebuilt: the keyboard must be
    // there, or they would keep playing what the keyboard still holds.
    if (const int status = MacroOnKeyboard(session, id); status != kCliOk) {
        return status;
    }
    session.BeginChange();
    if (const int status = MacroStatus(page.DeleteMacro(id), id); status != kCliOk) {
        return status;
    }
    return FinishMacroChange(session, id);
}

int CmdMacroSet(CliSession& session, int id, const std::vector<std::string>& words) {
    std::vector<MacroRecordData> steps;
    std::string bad;
    std::string reason;
    if (!ParseMacroSteps(words, steps, bad, reason)) {
        return Fail(kCliUsage,
                    "not a step: '" + bad + "': " + reason + " (steps: " + kMacroStepForms + ")");
    }
    MacroPage& page = Macros(session);
    if (const int status = MacroOnKeyboard(session, id); status != kCliOk) {
        return status;
    }
    session.BeginChange();
    const MacroResult result = page.SetMacroSteps(id, steps);
    if (result == MacroResult::kNoRoom) {
        // The block's headers take room as well: the step count alone may seem to fit.
        return Fail(kCliFailed,
                    "the keyboard's macro memory holds " + std::to_string(page.StepCapacity()) +
                        " steps over all macros, and the block's headers take room "
                        "too: macro " +
                        std::to_string(id) + " can have at most " +
                        std::to_string(page.StepRoom(id)) + " steps beside the others, not " +
                        std::to_string(steps.size()));
    }
    if (const int status = MacroStatus(result, id); status != kCliOk) {
        return status;
    }
    const int status = FinishMacroChange(session, id);
    if (status == kCliOk && session.Options().json) {
        const MacroDownloadResult sent = page.LastDownload();
        PrintJson(json{{"id", id},
                       {"steps", steps.size()},
                       {"block_bytes", sent.length},
                       {"left_out", sent.leftOut}});
    }
    return status;
}

int CmdMacroDelay(CliSession& session, int id, const std::string& delay) {
    int type = kDelayNone;
    int time = 0;
    if (delay == "measured") {
        type = kDelayMeasured;
    } else if (delay.rfind("fixed:", 0) == 0) {
        const std::string number = delay.substr(6);
        if (number.empty() || number.size() > 9 ||
            !std::all_of(number.begin(), number.end(),
                         [](char c) { return c >= '0' && c <= '9'; })) {
            return Fail(kCliUsage, "not a delay: '" + delay + "' (none, measured or fixed:MS)");
        }
        type = kDelayFixed;
        time = std::stoi(number);
        if (time < kMinPause || time > kMaxPause) {
            return Fail(kCliUsage, "not a delay: '" + delay + "' (fixed:MS takes " +
                                       std::to_string(kMinPause) + " to " +
                                       std::to_string(kMaxPause) + " ms)");
        }
    } else if (delay != "none") {
        return Fail(kCliUsage, "not a delay: '" + delay + "' (none, measured or fixed:MS)");
    }
    return MacroStatus(Macros(session).SetMacroDelay(id, type, time), id);
}

}  // namespace zanvor
