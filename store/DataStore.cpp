#include "store/DataStore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

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

namespace {

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// Removes a file; true when it does not exist afterwards.
bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
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

bool DataStore::OpenDeviceDatabase(const std::string& dataFolder, const std::string& modelName) {
    Lock lock(mutex_);
    path_ = ToUtf8(DatabasePath(dataFolder, modelName));
    // A connection still open on another model's file would answer for the wrong keyboard.
    if (db_.IsOpen() && openPath_ != path_) {
        CloseConnection();
    }
    bool ok = false;
    if (FileExists(path_)) {
        ok = db_.IsOpen() || OpenExisting(path_);
    } else {
        ok = CreateDatabase(path_);
    }
    if (ok) {
        openPath_ = path_;
    }
    open_ = ok;
    return ok;
}

bool DataStore::OpenExisting(const std::string& path) {
    if (!db_.Open(path.c_str(), kOpenExisting)) {
        Trace("DataStore: cannot open %s\n", path.c_str());
        return false;
    }
    // SQLite reads the file lazily; a file that is not a database would otherwise count as
    // open and make every later query fail.
    if (db_.Exec("SELECT count(*) FROM sqlite_master;") != kSqliteOk) {
        Trace("DataStore: %s is not a readable database\n", path.c_str());
        db_.Close();
        return false;
    }
    return true;
}

bool DataStore::CreateDatabase(const std::string& path) {
    if (db_.IsOpen()) {
        return true;
    }
    if (!db_.Open(path.c_str(), kOpenCreate)) {
        Trace("DataStore: cannot create %s\n", path.c_str());
        return false;
    }
    bool allCreated = true;
    for (const SchemaStatement& statement : kSchemaStatements) {
        if (db_.Exec(statement.sql) != kSqliteOk) {
            Trace("DataStore: creating %s failed\n", statement.name);
            allCreated = false;  // the remaining statements still run
        }
    }
    if (!allCreated) {
        // A half-built file must not be taken for a complete database at the next open.
        db_.Close();
        RemoveFile(path);
        RemoveFile(path + "-wal");
        RemoveFile(path + "-shm");
    }
    return allCreated;
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

bool DataStore::DeleteDeviceDatabase(const std::string& dataFolder, const std::string& modelName) {
    Lock lock(mutex_);
    const std::string path = ToUtf8(DatabasePath(dataFolder, modelName));
    // Deleting the file under an open connection would let later writes vanish unseen.
    if (db_.IsOpen() && openPath_ == path) {
        CloseConnection();
    }
    const bool removed = RemoveFile(path);
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
    bool stored = true;
    for (const ConfigDefault& row : kDefaultConfig) {
        Query q(db_, "INSERT INTO t_config_data(profile, key, value) VALUES (?, ?, ?);");
        stored = q.Int(profile).Text(row.key).Text(row.value).Run() && stored;
    }
    return stored;
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

int DataStore::InsertProfile(const ProfileData& profile) {
    Lock lock(mutex_);
    int id = 0;
    {
        Query q(db_,
                "INSERT INTO t_profile_data(name, status, app, icon_image, bkg_image, type) "
                "VALUES (?, ?, ?, ?, ?, ?);");
        q.Text(profile.name).Int(0).Text(profile.app).Text(profile.icon_image);
        q.Text(profile.bkg_image).Int(0);
        id = RunInsert(db_, q);
    }
    if (id >= 1) {
        InsertMusicLayer(id, "Profile");
        InsertCustomLight(id, "Profile");
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
    {
        Query q(db_, "UPDATE t_profile_data SET status = ?");
        q.Int(0).Step();
    }
    Query q(db_, "UPDATE t_profile_data SET status = ? WHERE profile = ?");
    return q.Int(1).Int(profile).Run();
}

int DataStore::GetActiveProfile() {
    Lock lock(mutex_);
    Query q(db_, "SELECT profile FROM t_profile_data WHERE status = ?");
    q.Int(1);
    return ReadInt(q);
}

}  // namespace zanvor
