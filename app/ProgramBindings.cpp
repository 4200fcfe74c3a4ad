#include "app/ProgramBindings.h"

#include "store/DataStore.h"
#include "store/ProfilePrograms.h"
#include "ui/LoadText.h"

namespace zanvor {

namespace {

BindingResult FromStore(DataStore::BindOutcome outcome) {
    switch (outcome) {
        case DataStore::BindOutcome::kOk:
            return BindingResult::kOk;
        case DataStore::BindOutcome::kNoProfile:
            return BindingResult::kNoProfile;
        case DataStore::BindOutcome::kBoundElsewhere:
            return BindingResult::kBoundElsewhere;
        case DataStore::BindOutcome::kNotBound:
            return BindingResult::kNotBound;
        case DataStore::BindOutcome::kFailed:
            break;
    }
    return BindingResult::kStoreFailed;
}

}  // namespace

std::string BindingText(int id, const std::string& first, const std::string& second) {
    std::string text = LoadText("KB.DIALOG", id);
    std::string filled;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == '1' || text[i + 1] == '2')) {
            filled += text[i + 1] == '1' ? first : second;
            ++i;
        } else {
            filled += text[i];
        }
    }
    return filled;
}

Binding ProgramBindings::Bind(int profile, const std::string& typed) {
    Binding binding;
    binding.program = ProgramIdentity(typed);
    if (binding.program.empty()) {
        binding.result = BindingResult::kBadName;
        return binding;
    }
    binding.result = FromStore(store_.BindProgram(profile, binding.program, binding.holder));
    return binding;
}

Binding ProgramBindings::Unbind(int profile, const std::string& typed) {
    Binding binding;
    binding.program = ProgramIdentity(typed);
    if (binding.program.empty()) {
        binding.result = BindingResult::kBadName;
        return binding;
    }
    binding.result = FromStore(store_.UnbindProgram(profile, binding.program));
    return binding;
}

std::vector<std::string> ProgramBindings::ProgramsOf(int profile) {
    std::vector<std::string> programs;
    store_.GetProfilePrograms(profile, programs);
    return programs;
}

int ProgramBindings::ProfileFor(const std::vector<std::string>& identities, std::string* matched) {
    std::vector<ProfileData> profiles;
    store_.LoadProfiles(profiles);
    for (const ProfileData& profile : profiles) {
        for (const std::string& program : ParseProfilePrograms(profile.app)) {
            for (const std::string& identity : identities) {
                if (!identity.empty() && SameProgram(program, identity)) {
                    if (matched != nullptr) {
                        *matched = program;
                    }
                    return profile.profile;
                }
            }
        }
    }
    return 0;
}

}  // namespace zanvor
