#include "store/DataStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/Trace.h"
#include "store/Query.h"
#include "store/Schema.h"

namespace zanvor {

using store_detail::Query;
using store_detail::ReadAll;
using store_detail::ReadInt;
using store_detail::ReadOne;
using store_detail::RunInsert;

const std::array<ConfigDefault, 33> kDefaultConfig = {{
    {"version", "1.0.1"},
    {"keyboard_layout", "1"},
    {"fn_layer", "0"},
    {"fn_switch", "0"},
    {"lightmode", "1"},
    {"aurora_mode", "1"},
    {"matrixlight_mode", "1"},
    {"matrixlight_preset_mode", "1"},
    {"matrixlight_amplitude", "50"},
    {"enable_light", "1"},
    {"enable_customlight", "1"},
    {"userlight", "0"},
    {"customlight", "0"},
    {"customlight_run", "0"},
    {"customlight_open", "1"},
    {"mac_mode", "0"},
    {"encoder_mode", "0"},
    {"wasd_mode", "0"},
    {"game_mode", "0"},
    {"lock_alttab", "0"},
    {"lock_altf4", "0"},
    {"lock_win", "0"},
    {"sleep_time", "2"},
    {"key_keyresponse", "2"},
    {"default_color1", "8331093"},
    {"default_color2", "4114939"},
    {"default_color3", "65280"},
    {"default_color4", "16776960"},
    {"default_color5", "255"},
    {"default_color6", "14237951"},
    {"default_color7", "14237951"},
    {"default_color8", "16777215"},
    {"reporte_rate", "4"},
}};

namespace store_detail {

namespace {
thread_local StoreFailure noted = StoreFailure::kNone;
thread_local int operationDepth = 0;
}  // namespace

void NoteFailure(StoreFailure failure) {
    noted = failure;
}

void NoteFailure(const SQLiteDB& db) {
    NoteFailure(ClassifySqliteFailure(db.LastErrorCode(), db.LastSystemError()));
}

}  // namespace store_detail

namespace {

using store_detail::NoteFailure;

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// Removes a file; true when it does not exist afterwards.
bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// Makes a rename or link in `folder` survive a crash.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// True when the file begins with the header every SQLite database file has.
bool HasDatabaseHeader(const std::string& path) {
    static constexpr char kHeader[] = "SQLite format 3";  // with its terminating zero: 16 bytes
    char start[sizeof kHeader] = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return true;  // unreadable: SQLite's own open says why
    }
    const ssize_t got = ::read(fd, start, sizeof start);
    ::close(fd);
    return got == static_cast<ssize_t>(sizeof start) &&
           std::memcmp(start, kHeader, sizeof start) == 0;
}

// A new database is built under this name and linked into place once complete, so a crash
// while it is built never leaves a half-built file under the real name.
constexpr const char* kBuildingSuffix = ".building-";

std::string BuildingPath(const std::string& path) {
    return path + kBuildingSuffix + std::to_string(::getpid());
}

// Removes what a process that died while building `path` left behind.
void RemoveAbandonedBuilds(const std::string& path) {
    const std::string folder = FolderOf(path);
    const std::string prefix = path.substr(folder.size()) + kBuildingSuffix;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            RemoveFile(folder + name);
        }
    }
    ::closedir(dir);
}

void RemoveDatabaseFiles(const std::string& path) {
    RemoveFile(path);
    RemoveFile(path + "-wal");
    RemoveFile(path + "-shm");
    RemoveFile(path + "-journal");
}

// The date and time a damaged file is moved aside with: 20250131-142501.
std::string DamagedStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

void ReadProfile(const Query& q, ProfileData& r) {
    r.profile = q.ColumnInt(0);
    r.name = q.ColumnText(1);
    r.status = q.ColumnInt(2);
    r.app = q.ColumnText(3);
    r.icon_image = q.ColumnText(4);
    r.bkg_image = q.ColumnText(5);
    r.type = q.ColumnInt(6);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Opening, creating, closing and deleting

DataStore::Lock::Lock(std::recursive_mutex& mutex) : guard_(mutex) {
    if (store_detail::operationDepth++ == 0) {
        store_detail::noted = StoreFailure::kNone;
    }
}

DataStore::Lock::~Lock() {
    --store_detail::operationDepth;
}

DataStore::Transaction::Transaction(DataStore& store) : lock_(store.mutex_), group_(&store.db_) {
    if (!group_.IsActive()) {
        NoteFailure(store.db_);
    }
}

DataStore::Transaction::~Transaction() = default;

bool DataStore::Transaction::Commit() {
    if (group_.IsActive() && !group_.Commit()) {
        if (store_detail::noted == StoreFailure::kNone) {
            NoteFailure(ClassifySqliteFailure(group_.FailureCode(), 0));
        }
        return false;
    }
    return group_.FailureCode() == kSqliteOk;
}

DataStore& DataStore::Instance() {
    static DataStore store;
    return store;
}

DataStore::DataStore() = default;

DataStore::~DataStore() {
    CloseDatabase();
}

std::string DataStore::DatabasePath(const std::string& dataFolder, const std::string& modelName) {
    std::string path = dataFolder;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    return path + "db/" + modelName + "_data.db";
}

std::string DataStore::Path() const {
    Lock lock(mutex_);
    return path_;
}

void DataStore::SetBusyTimeout(int milliseconds) {
    Lock lock(mutex_);
    busyTimeoutMs_ = milliseconds;
    db_.SetBusyTimeout(milliseconds);
}

StoreFailure DataStore::OpenFailure() const {
    Lock lock(mutex_);
    return openFailure_;
}

StoreFailure DataStore::LastFailure() const {
    const StoreFailure failure = store_detail::noted;
    std::lock_guard lock(mutex_);  // not Lock: that would forget the failure being read
    if ((failure == StoreFailure::kNotOpen || failure == StoreFailure::kNone) &&
        openFailure_ != StoreFailure::kNone && !db_.IsOpen()) {
        return openFailure_;
    }
    return failure == StoreFailure::kNone ? StoreFailure::kFailed : failure;
}

std::string DataStore::LastFailureText() const {
    const StoreFailure failure = LastFailure();
    return StoreFailureText(failure, Path());
}

std::string DataStore::OpenFailureText() const {
    return StoreFailureText(OpenFailure(), Path());
}

bool DataStore::OpenDeviceDatabase(const std::string& dataFolder, const std::string& modelName) {
    Lock lock(mutex_);
    path_ = ToUtf8(DatabasePath(dataFolder, modelName));
    // A connection still open on another model's file would answer for the wrong keyboard.
    if (db_.IsOpen() && openPath_ != path_) {
        CloseConnection();
    }
    openFailure_ = StoreFailure::kNone;
    bool ok = false;
    if (db_.IsOpen()) {
        ok = true;
    } else if (FileExists(path_)) {
        ok = OpenExisting(path_);
    } else {
        ok = CreateDatabase(path_);
    }
    if (ok) {
        openPath_ = path_;
    } else {
        if (openFailure_ == StoreFailure::kNone) {
            openFailure_ = StoreFailure::kFailed;
        }
        NoteFailure(openFailure_);
        Trace("DataStore: %s: %s\n", path_.c_str(), StoreFailureName(openFailure_));
    }
    open_ = ok;
    return ok;
}

bool DataStore::OpenExisting(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || !HasDatabaseHeader(path)) {
        // A folder, a device, an empty or a foreign file is no database. Checked before SQLite
        // sees it: switching it to WAL would write a database header into an empty file.
        openFailure_ = StoreFailure::kDamaged;
        return false;
    }
    // SQLite would open a file it may not write read-only without a word, and a read-only
    // folder only shows at the first write; both are said at once instead.
    if (::access(path.c_str(), W_OK) != 0 || ::access(FolderOf(path).c_str(), W_OK) != 0) {
        openFailure_ = errno == EROFS || errno == EACCES || errno == EPERM
                           ? StoreFailure::kReadOnly
                           : StoreFailure::kCannotOpen;
        return false;
    }
    // The file is checked through a read-only connection first: another program's SQLite file
    // is refused before anything is written to it (the switch to WAL would rewrite its header
    // and count a change).
    if (!db_.Open(path.c_str(), kOpenReadOnly)) {
        openFailure_ = ClassifySqliteFailure(db_.OpenErrorCode(), db_.OpenSystemError());
        return false;
    }
    db_.SetBusyTimeout(busyTimeoutMs_);
    openFailure_ = CheckOpenedDatabase();
    db_.Close();
    if (openFailure_ != StoreFailure::kNone) {
        return false;
    }
    if (!db_.Open(path.c_str(), kOpenExisting)) {
        openFailure_ = ClassifySqliteFailure(db_.OpenErrorCode(), db_.OpenSystemError());
        return false;
    }
    db_.SetBusyTimeout(busyTimeoutMs_);
    return true;
}

// SQLite reads the file lazily: what would fail later is found now. The file must be a
// database that passes its quick check and holds every table of the schema.
StoreFailure DataStore::CheckOpenedDatabase() {
    {
        SQLiteStatement check;
        int rc = db_.Prepare(check, "PRAGMA quick_check;");
        if (rc == kSqliteOk) {
            rc = check.Step();
        }
        if (rc != kSqliteRow) {
            const StoreFailure failure =
                ClassifySqliteFailure(db_.LastErrorCode(), db_.LastSystemError());
            return failure == StoreFailure::kNone ? StoreFailure::kFailed : failure;
        }
        const char* verdict = check.ColumnText(0);
        if (verdict == nullptr || std::string(verdict) != "ok") {
            return StoreFailure::kDamaged;
        }
    }
    std::string names;
    for (const SchemaStatement& statement : kSchemaStatements) {
        if (std::string(statement.sql).rfind("CREATE TABLE", 0) == 0) {
            names += std::string(names.empty() ? "'" : ", '") + statement.name + "'";
        }
    }
    SQLiteStatement tables;
    const std::string sql =
        "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN (" + names + ");";
    if (db_.Prepare(tables, sql.c_str()) != kSqliteOk || tables.Step() != kSqliteRow) {
        return ClassifySqliteFailure(db_.LastErrorCode(), db_.LastSystemError());
    }
    return tables.ColumnInt(0) == kSchemaTableCount ? StoreFailure::kNone : StoreFailure::kDamaged;
}

bool DataStore::CreateDatabase(const std::string& path) {
    if (db_.IsOpen()) {
        return true;
    }
    RemoveAbandonedBuilds(path);
    const std::string building = BuildingPath(path);
    if (!CreateSchemaFile(building)) {
        RemoveDatabaseFiles(building);
        return false;
    }
    // link() never replaces a file: when another process created the database meanwhile, its
    // file is kept and opened.
    const bool linked = ::link(building.c_str(), path.c_str()) == 0;
    const int linkError = errno;
    RemoveFile(building);
    if (!linked && linkError != EEXIST) {
        openFailure_ = ClassifySqliteFailure(kSqliteCantOpen, linkError);
        return false;
    }
    SyncFolder(FolderOf(path));
    if (OpenExisting(path)) {
        return true;
    }
    if (linked) {
        // Ours and empty, but it cannot be used here: nothing is lost by removing it, and a
        // file left behind would be taken for the user's database at the next start.
        RemoveDatabaseFiles(path);
    }
    return false;
}

// Builds the whole schema in `path` in one transaction; the file is closed afterwards.
bool DataStore::CreateSchemaFile(const std::string& path) {
    RemoveDatabaseFiles(path);
    if (!db_.Open(path.c_str(), kOpenCreate)) {
        openFailure_ = ClassifySqliteFailure(db_.OpenErrorCode(), db_.OpenSystemError());
        Trace("DataStore: cannot create %s\n", path.c_str());
        return false;
    }
    SQLiteWriteGroup group(&db_);
    bool created = group.IsActive();
    for (const SchemaStatement& statement : kSchemaStatements) {
        if (created && db_.Exec(statement.sql) != kSqliteOk) {
            Trace("DataStore: creating %s failed\n", statement.name);
            created = false;
        }
    }
    if (!created || !group.Commit()) {
        openFailure_ = ClassifySqliteFailure(db_.LastErrorCode(), db_.LastSystemError());
        if (openFailure_ == StoreFailure::kNone) {
            openFailure_ = ClassifySqliteFailure(group.FailureCode(), 0);
        }
        group.Rollback();
        db_.Close();
        return false;
    }
    // Closing checkpoints the write-ahead log into the file, which is then complete by itself.
    if (!db_.Close()) {
        openFailure_ = StoreFailure::kFailed;
        return false;
    }
    return true;
}

void DataStore::CloseConnection() {
    if (!db_.Close()) {
        Trace("DataStore: closing %s failed\n", openPath_.c_str());
    }
    openPath_.clear();
    open_ = false;
}

void DataStore::CloseDatabase() {
    Lock lock(mutex_);
    if (db_.IsOpen() || open_) {
        CloseConnection();
    }
}

std::string DataStore::AsideName(const std::string& path) {
    return path + ".damaged-" + DamagedStamp();
}

bool DataStore::MoveDatabaseAside(const std::string& dataFolder, const std::string& modelName,
                                  std::string& movedTo) {
    Lock lock(mutex_);
    const std::string path = ToUtf8(DatabasePath(dataFolder, modelName));
    if (db_.IsOpen() && openPath_ == path) {
        CloseConnection();
    }
    const std::string name = AsideName(path);
    std::string target = name;
    for (int n = 2; FileExists(target); ++n) {
        target = name + "-" + std::to_string(n);
    }
    if (::rename(path.c_str(), target.c_str()) != 0) {
        NoteFailure(errno == EACCES || errno == EPERM || errno == EROFS
                        ? StoreFailure::kReadOnly
                        : ClassifySqliteFailure(kSqliteCantOpen, errno));
        Trace("DataStore: cannot move %s aside: %d\n", path.c_str(), errno);
        return false;
    }
    // The log and the shared-memory index belong to the moved file and go with it.
    for (const char* companion : {"-wal", "-shm", "-journal"}) {
        if (FileExists(path + companion)) {
            ::rename((path + companion).c_str(), (target + companion).c_str());
        }
    }
    SyncFolder(FolderOf(path));
    movedTo = target;
    return true;
}

bool DataStore::DeleteDeviceDatabase(const std::string& dataFolder, const std::string& modelName) {
    Lock lock(mutex_);
    const std::string path = ToUtf8(DatabasePath(dataFolder, modelName));
    // Deleting the file under an open connection would let later writes vanish unseen.
    if (db_.IsOpen() && openPath_ == path) {
        CloseConnection();
    }
    const bool removed = RemoveFile(path);
    if (!removed) {
        // A folder the file may not be removed from is a read-only one to the user.
        NoteFailure(errno == EACCES || errno == EPERM || errno == EROFS
                        ? StoreFailure::kReadOnly
                        : ClassifySqliteFailure(kSqliteCantOpen, errno));
    }
    // A leftover journal or WAL would be replayed into a new database of the same name.
    RemoveFile(path + "-wal");
    RemoveFile(path + "-shm");
    RemoveFile(path + "-journal");
    return removed;
}

// ---------------------------------------------------------------------------------------------
// Configuration values

bool DataStore::InsertDefaultConfig(int profile) {
    Lock lock(mutex_);
    SQLiteWriteGroup group(&db_);
    if (!group.IsActive()) {
        NoteFailure(db_);
        return false;
    }
    for (const ConfigDefault& row : kDefaultConfig) {
        Query q(db_, "INSERT INTO t_config_data(profile, key, value) VALUES (?, ?, ?);");
        if (!q.Int(profile).Text(row.key).Text(row.value).Run()) {
            return false;  // the group rolls back: a profile has all its values or none
        }
    }
    return group.Commit();
}

bool DataStore::GetConfigValue(int profile, const std::string& key, std::string& value) {
    Lock lock(mutex_);
    value.clear();
    Query q(db_, "SELECT value FROM t_config_data WHERE profile = ? and key = ?");
    q.Int(profile).Text(key);
    if (q.Step() != kSqliteRow) {
        return false;
    }
    value = q.ColumnText(0);
    return true;
}

bool DataStore::UpdateConfigValue(int profile, const std::string& key, const std::string& value) {
    Lock lock(mutex_);
    Query q(db_, "UPDATE t_config_data SET value = ? WHERE profile = ? and key = ?");
    return q.Text(value).Int(profile).Text(key).Run();
}

namespace {
constexpr const char* kKeyboardProfileKey = "keyboard_profile";
}  // namespace

bool DataStore::RestoreDeadKeyRows(std::span<const int> keyCodes) {
    static constexpr const char* kFind =
        "SELECT 1 FROM t_key_macro_data WHERE fn_layer = 0 AND macro_type = 2 AND key_code = ? "
        "AND macro_value = key_code AND macro_value2 = 0 LIMIT 1";
    static constexpr const char* kRestore =
        "UPDATE t_key_macro_data SET macro_type = 0, macro_value = 0, macro_value3 = 0, "
        "macro_desc = layout_desc WHERE fn_layer = 0 AND macro_type = 2 AND key_code = ? AND "
        "macro_value = key_code AND macro_value2 = 0";
    Lock lock(mutex_);
    // Read first: on a database without such rows (all but old ones) nothing is written.
    std::vector<int> found;
    for (const int code : keyCodes) {
        Query q(db_, kFind);
        if (q.Int(code).Step() == kSqliteRow) {
            found.push_back(code);
        }
    }
    if (found.empty()) {
        return true;
    }
    SQLiteWriteGroup group(&db_);
    if (!group.IsActive()) {
        NoteFailure(db_);
        return false;
    }
    for (const int code : found) {
        if (!Query(db_, kRestore).Int(code).Run()) {
            return false;
        }
    }
    return group.Commit();
}

int DataStore::KeyboardProfile() {
    return GetConfigInt(0, kKeyboardProfileKey);
}

bool DataStore::SetKeyboardProfile(int profile) {
    Lock lock(mutex_);
    SQLiteWriteGroup group(&db_);
    if (!group.IsActive()) {
        NoteFailure(db_);
        return false;
    }
    return Query(db_, "DELETE FROM t_config_data WHERE profile = ? and key = ?")
               .Int(0)
               .Text(kKeyboardProfileKey)
               .Run() &&
           Query(db_, "INSERT INTO t_config_data (profile, key, value) VALUES (?, ?, ?)")
               .Int(0)
               .Text(kKeyboardProfileKey)
               .Text(std::to_string(profile))
               .Run() &&
           group.Commit();
}

int DataStore::GetConfigInt(int profile, const std::string& key) {
    std::string text;
    if (!GetConfigValue(profile, key, text)) {
        return 0;
    }
    // Leading decimal digits count; anything else reads as 0. Out-of-range values clamp.
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

bool DataStore::UpdateConfigInt(int profile, const std::string& key, int value) {
    return UpdateConfigValue(profile, key, std::to_string(value));
}

// ---------------------------------------------------------------------------------------------
// Profiles

DataStore::NewProfile DataStore::CreateProfile(const ProfileData& profile, int maxProfiles,
                                               const ProfileRows& rows) {
    Transaction transaction(*this);
    if (!transaction.IsActive()) {
        return {};
    }
    // Counted under the write lock the transaction holds: no other process adds meanwhile.
    const int count = CountProfiles();
    if (count < 0) {
        return {};
    }
    if (count >= maxProfiles) {
        return {ProfileCreation::kLimitReached, 0};
    }
    const int id = InsertProfile(profile);
    if (id < 1 || !InsertDefaultConfig(id) || (rows && !rows(id)) || !transaction.Commit()) {
        return {};
    }
    return {ProfileCreation::kCreated, id};
}

int DataStore::CountProfiles() {
    Lock lock(mutex_);
    Query q(db_, "SELECT count(*) FROM t_profile_data");
    return q.Step() == kSqliteRow ? q.ColumnInt(0) : -1;
}

std::vector<int> DataStore::IncompleteProfiles() {
    Lock lock(mutex_);
    Query q(db_,
            "SELECT p.profile FROM t_profile_data p WHERE "
            "(SELECT count(DISTINCT c.key) FROM t_config_data c WHERE c.profile = p.profile) < ? "
            "OR NOT EXISTS (SELECT 1 FROM t_musiclayer_data m WHERE m.layer_id = p.profile) "
            "OR NOT EXISTS (SELECT 1 FROM t_customlight_data l WHERE l.profile = p.profile) "
            "OR (p.profile NOT IN (2, 3) AND "
            "NOT EXISTS (SELECT 1 FROM t_key_macro_data k WHERE k.profile = p.profile)) "
            "ORDER BY p.profile");
    q.Int(static_cast<int>(kDefaultConfig.size()));
    std::vector<int> ids;
    while (q.Step() == kSqliteRow) {
        ids.push_back(q.ColumnInt(0));
    }
    return ids;
}

bool DataStore::RepairProfile(int profile, const ProfileRows& rows) {
    Transaction transaction(*this);
    if (!transaction.IsActive()) {
        return false;
    }
    bool ok = true;
    // The music layer's id is the profile's id (readers look it up by the profile id).
    if (ok &&
        ReadInt(
            Query(db_, "SELECT count(*) FROM t_musiclayer_data WHERE layer_id = ?").Int(profile)) ==
            0) {
        Query q(db_,
                "INSERT INTO t_musiclayer_data(layer_id, profile, name, deviceindex, foremode, "
                "fore_amplitude, backmode, backb_right, light_right, sel) "
                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?);");
        ok = q.Int(profile)
                 .Int(profile)
                 .Text("Profile")
                 .Int(0)
                 .Int(4)
                 .Int(300)
                 .Int(0)
                 .Int(100)
                 .Int(100)
                 .Int(0)
                 .Run();
    }
    if (ok &&
        ReadInt(
            Query(db_, "SELECT count(*) FROM t_customlight_data WHERE profile = ?").Int(profile)) ==
            0) {
        ok = InsertCustomLight(profile, "Profile") > 0;
    }
    for (const ConfigDefault& row : kDefaultConfig) {
        if (!ok) {
            break;
        }
        Query has(db_, "SELECT count(*) FROM t_config_data WHERE profile = ? and key = ?");
        if (ReadInt(has.Int(profile).Text(row.key)) == 0) {
            Query q(db_, "INSERT INTO t_config_data(profile, key, value) VALUES (?, ?, ?);");
            ok = q.Int(profile).Text(row.key).Text(row.value).Run();
        }
    }
    // Profiles 2 and 3 get profile 1's key rows from the keyboard read, not default ones.
    if (ok && rows && profile != 2 && profile != 3 && CountKeys(profile) == 0) {
        ok = rows(profile);
    }
    return ok && transaction.Commit();
}

int DataStore::InsertProfile(const ProfileData& profile) {
    Lock lock(mutex_);
    SQLiteWriteGroup group(&db_);
    if (!group.IsActive()) {
        NoteFailure(db_);
        return 0;
    }
    int id = 0;
    {
        Query q(db_,
                "INSERT INTO t_profile_data(name, status, app, icon_image, bkg_image, type) "
                "VALUES (?, ?, ?, ?, ?, ?);");
        q.Text(profile.name).Int(0).Text(profile.app).Text(profile.icon_image);
        q.Text(profile.bkg_image).Int(0);
        id = RunInsert(db_, q);
    }
    if (id < 1 || InsertMusicLayer(id, "Profile") < 1 || InsertCustomLight(id, "Profile") < 1 ||
        !group.Commit()) {
        return 0;
    }
    return id;
}

int DataStore::InsertMusicLayer(int profile, const std::string& name) {
    Lock lock(mutex_);
    Query q(db_,
            "INSERT INTO t_musiclayer_data(profile, name, deviceindex, foremode, fore_amplitude, "
            "backmode, backb_right, light_right, sel) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?);");
    q.Int(profile).Text(name).Int(0).Int(4).Int(300).Int(0).Int(100).Int(100).Int(0);
    return RunInsert(db_, q);
}

int DataStore::InsertCustomLight(int profile, const std::string& name) {
    Lock lock(mutex_);
    Query q(
        db_,
        "INSERT INTO t_customlight_data(profile, name, speed, brightness) VALUES (?, ?, ?, ?);");
    q.Int(profile).Text(name).Int(15).Int(15);
    return RunInsert(db_, q);
}

bool DataStore::DeleteProfile(int profile) {
    Lock lock(mutex_);
    Query q(db_, "DELETE FROM t_profile_data WHERE profile = ?");
    return q.Int(profile).Run();
}

bool DataStore::RenameProfile(int profile, const std::string& name) {
    Lock lock(mutex_);
    Query q(db_, "UPDATE t_profile_data SET name = ? WHERE profile = ?");
    return q.Text(name).Int(profile).Run();
}

bool DataStore::GetProfileName(int profile, std::string& name) {
    Lock lock(mutex_);
    name.clear();
    Query q(db_, "SELECT name FROM t_profile_data WHERE profile = ?");
    q.Int(profile);
    if (q.Step() != kSqliteRow) {
        return false;
    }
    name = q.ColumnText(0);
    return true;
}

int DataStore::LoadProfiles(std::vector<ProfileData>& list) {
    Lock lock(mutex_);
    list.clear();
    Query q(db_, "SELECT * FROM t_profile_data");
    return ReadAll(q, list, ReadProfile);
}

bool DataStore::SetActiveProfile(int profile) {
    Lock lock(mutex_);
    SQLiteWriteGroup group(&db_);
    if (!group.IsActive()) {
        NoteFailure(db_);
        return false;
    }
    // Both or neither: clearing the marks alone would leave no profile active.
    if (!Query(db_, "UPDATE t_profile_data SET status = ?").Int(0).Run()) {
        return false;
    }
    Query q(db_, "UPDATE t_profile_data SET status = ? WHERE profile = ?");
    return q.Int(1).Int(profile).Run() && group.Commit();
}

int DataStore::GetActiveProfile() {
    Lock lock(mutex_);
    Query q(db_, "SELECT profile FROM t_profile_data WHERE status = ?");
    q.Int(1);
    return ReadInt(q);
}

}  // namespace zanvor
