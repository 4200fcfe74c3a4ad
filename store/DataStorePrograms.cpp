// The programs bound to each profile, kept in the profile's app column.
#include <algorithm>

#include "store/DataStore.h"
#include "store/ProfilePrograms.h"
#include "store/Query.h"

namespace zanvor {

using store_detail::Query;

namespace {

bool HasProgram(const std::vector<std::string>& programs, const std::string& program) {
    return std::any_of(programs.begin(), programs.end(),
                       [&](const std::string& p) { return SameProgram(p, program); });
}

}  // namespace

bool DataStore::GetProfilePrograms(int profile, std::vector<std::string>& programs) {
    Lock lock(mutex_);
    programs.clear();
    Query q(db_, "SELECT app FROM t_profile_data WHERE profile = ?");
    q.Int(profile);
    if (q.Step() != kSqliteRow) {
        return false;
    }
    programs = ParseProfilePrograms(q.ColumnText(0));
    return true;
}

DataStore::BindOutcome DataStore::BindProgram(int profile, const std::string& program,
                                              int& holder) {
    holder = 0;
    // The check and the write in one transaction: two programs binding at once cannot both
    // see the program free.
    Transaction transaction(*this);
    if (!transaction.IsActive()) {
        return BindOutcome::kFailed;
    }
    std::vector<std::string> own;
    bool found = false;
    {
        Query q(db_, "SELECT profile, app FROM t_profile_data ORDER BY profile");
        int rc = 0;
        while ((rc = q.Step()) == kSqliteRow) {
            const int id = q.ColumnInt(0);
            std::vector<std::string> programs = ParseProfilePrograms(q.ColumnText(1));
            if (id == profile) {
                found = true;
                own = std::move(programs);
            } else if (holder == 0 && HasProgram(programs, program)) {
                holder = id;
            }
        }
        if (rc != kSqliteDone) {
            return BindOutcome::kFailed;
        }
    }
    if (!found) {
        return BindOutcome::kNoProfile;
    }
    if (holder != 0) {
        return BindOutcome::kBoundElsewhere;
    }
    if (HasProgram(own, program)) {
        return BindOutcome::kOk;
    }
    own.push_back(program);
    Query update(db_, "UPDATE t_profile_data SET app = ? WHERE profile = ?");
    if (!update.Text(JoinProfilePrograms(own)).Int(profile).Run() || !transaction.Commit()) {
        return BindOutcome::kFailed;
    }
    return BindOutcome::kOk;
}

DataStore::BindOutcome DataStore::UnbindProgram(int profile, const std::string& program) {
    Transaction transaction(*this);
    if (!transaction.IsActive()) {
        return BindOutcome::kFailed;
    }
    std::vector<std::string> programs;
    {
        Query q(db_, "SELECT app FROM t_profile_data WHERE profile = ?");
        const int rc = q.Int(profile).Step();
        if (rc != kSqliteRow) {
            return rc == kSqliteDone ? BindOutcome::kNoProfile : BindOutcome::kFailed;
        }
        programs = ParseProfilePrograms(q.ColumnText(0));
    }
    const auto kept = std::remove_if(programs.begin(), programs.end(),
                                     [&](const std::string& p) { return SameProgram(p, program); });
    if (kept == programs.end()) {
        return BindOutcome::kNotBound;
    }
    programs.erase(kept, programs.end());
    Query update(db_, "UPDATE t_profile_data SET app = ? WHERE profile = ?");
    if (!update.Text(JoinProfilePrograms(programs)).Int(profile).Run() || !transaction.Commit()) {
        return BindOutcome::kFailed;
    }
    return BindOutcome::kOk;
}

}  // namespace zanvor
