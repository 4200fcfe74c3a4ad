#pragma once

#include <string>
#include <vector>

namespace zanvor {

class DataStore;

// Text ids of the bindings (section KB.DIALOG).
enum ProgramBindingText : int {
    kTextFocusNotice = 2300,  // "Profile '%1' for %2"
    kTextPrograms = 2301,
    kTextAddRunningProgram = 2302,
    kTextAddProgramByName = 2303,
    kTextRemoveProgram = 2304,
    kTextNoFocusSource = 2305,
    kTextProgramNamePrompt = 2306,
    kTextBoundElsewhere = 2307,  // "%1 is already bound to the profile '%2'."
    kTextChooseProgram = 2308,
    kTextNoProgramWindows = 2309,
    kTextFocusNoticeSwitch = 2310,
    kTextProgramsHint = 2311,
    kTextBadProgramName = 2312,
    kTextProgramsOf = 2313,          // "Programs of '%1'" (the selected profile)
    kTextProgramNameExample = 2314,  // the name field's placeholder
    kTextAddProgram = 2315,          // the button beside the name field
};
// The text `id` of section KB.DIALOG with %1 and %2 replaced (translations may reorder them).
std::string BindingText(int id, const std::string& first, const std::string& second = {});

// Outcome of binding a program to a profile or unbinding it.
enum class BindingResult {
    kOk,
    kNoProfile,       // no profile with that id
    kBadName,         // nothing usable typed (see ProgramIdentity)
    kBoundElsewhere,  // another profile has the program: `holder`
    kNotBound,        // the profile does not have the program
    kStoreFailed,     // the database refused (or none is open): DataStore::LastFailure says why
};

struct Binding {
    BindingResult result = BindingResult::kStoreFailed;
    std::string program;  // the identity as stored
    int holder = 0;       // kBoundElsewhere: the profile that has the program
};

// The programs each profile is bound to, for the command line, the profile dialog and the
// switch that follows the focused window.
class ProgramBindings {
  public:
    explicit ProgramBindings(DataStore& store) : store_(store) {}

    // `typed`: an executable's file name (a path is reduced to it) or a window class.
    Binding Bind(int profile, const std::string& typed);
    Binding Unbind(int profile, const std::string& typed);
    // The profile's programs in the order they were bound; empty for an unknown profile.
    std::vector<std::string> ProgramsOf(int profile);
    // The profile a window belongs to, given what is known of it (its executable's file name,
    // the two parts of its WM_CLASS); 0 when no profile has any of them. `matched`, when
    // given, receives the bound program that matched.
    int ProfileFor(const std::vector<std::string>& identities, std::string* matched = nullptr);

  private:
    DataStore& store_;
};

}  // namespace zanvor
