#include "app/CliBindingCommands.h"

#include <iostream>
#include <nlohmann/json.hpp>

#include "app/CliOutput.h"
#include "app/DevicePages.h"
#include "app/ProgramBindings.h"
#include "store/DataStore.h"

namespace zanvor {

using nlohmann::json;

namespace {

int NoProfile(int id) {
    return Fail(kCliUsage,
                "no profile " + std::to_string(id) + " (see 'zanvorctl profile list' for the ids)");
}

// The profile as the list shows it: "3 (Dota)".
std::string Named(CliSession& session, int id) {
    ProfileList& list = session.Dlg().Pages().profile.List();
    const int index = list.FindData(id);
    return std::to_string(id) + (index >= 0 ? " (" + list.GetItemText(index) + ")" : "");
}

int BindingStatus(CliSession& session, int id, const Binding& binding) {
    switch (binding.result) {
        case BindingResult::kOk:
            return kCliOk;
        case BindingResult::kNoProfile:
            return NoProfile(id);
        case BindingResult::kBadName:
            return Fail(kCliUsage,
                        "PROGRAM is an executable's file name or a window class on one line "
                        "(at most 255 bytes)");
        case BindingResult::kBoundElsewhere:
            return Fail(kCliFailed, binding.program + " is already bound to profile " +
                                        Named(session, binding.holder) + "; unbind it there first");
        case BindingResult::kNotBound:
            return Fail(kCliFailed,
                        binding.program + " is not bound to profile " + Named(session, id));
        case BindingResult::kStoreFailed:
            break;
    }
    return Fail(kCliFailed, session.Dlg().Store().LastFailureText());
}

}  // namespace

int CmdProfileShow(CliSession& session, int id) {
    ProfilePage& profiles = session.Dlg().Pages().profile;
    const int index = profiles.List().FindData(id);
    if (index < 0) {
        return NoProfile(id);
    }
    const std::string name = profiles.List().GetItemText(index);
    const bool active = id == profiles.CurrentProfile();
    const std::vector<std::string> programs = ProgramBindings(session.Dlg().Store()).ProgramsOf(id);
    if (session.Options().json) {
        PrintJson(json{{"id", id}, {"name", name}, {"active", active}, {"programs", programs}});
        return kCliOk;
    }
    std::string list;
    for (const std::string& program : programs) {
        list += (list.empty() ? "" : ", ") + program;
    }
    TextTable table({"PROPERTY", "VALUE"});
    table.AddRow({"id", std::to_string(id)});
    table.AddRow({"name", name});
    table.AddRow({"active", active ? "yes" : "no"});
    table.AddRow({"programs", list.empty() ? "-" : list});
    table.Print(std::cout);
    return kCliOk;
}

int CmdProfileBind(CliSession& session, int id, const std::string& program) {
    return BindingStatus(session, id, ProgramBindings(session.Dlg().Store()).Bind(id, program));
}

int CmdProfileUnbind(CliSession& session, int id, const std::string& program) {
    return BindingStatus(session, id, ProgramBindings(session.Dlg().Store()).Unbind(id, program));
}

}  // namespace zanvor
