#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "store/Records.h"
#include "store/SQLite.h"
#include "store/StoreFailure.h"

namespace zanvor {

// One configuration value a new profile starts with.
struct ConfigDefault {
    const char* key;
    const char* value;
};
// The configuration rows of a new profile, in the order they are inserted.
extern const std::array<ConfigDefault, 33> kDefaultConfig;

// The database of the selected keyboard model: owns the single SQLite connection and runs
// every query under one recursive store lock, so the UI thread and the worker never
// interleave inside a query or a bulk write. Opening, closing and deleting take the same lock.
//
// With no database open every operation fails softly: reads return false / 0 / an empty text
// or list, inserts return 0, updates and deletes return false. LastFailure() then says why.
//
// List reads empty the caller's list first, then append one record per row and return the
// number of records. Every write that takes more than one statement (bulk writes, a profile
// with its rows) runs in one transaction: when a statement fails nothing of it stays.
class DataStore {
  private:
    // The store lock for one operation; the outermost one on a thread forgets the thread's last
    // failure, so LastFailure() describes the operation that ran last.
    class Lock {
      public:
        explicit Lock(std::recursive_mutex& mutex);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

      private:
        std::lock_guard<std::recursive_mutex> guard_;
    };

  public:
    // Several operations that stay together or not at all. While the object lives, this thread
    // holds the store lock (no other thread's query lands in the middle) and a transaction is
    // open; every operation the thread runs meanwhile joins it (bulk writes become savepoints
    // of it). Rolled back unless Commit() is called.
    class Transaction {
      public:
        explicit Transaction(DataStore& store);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        // False when no transaction could be opened (no database, locked); LastFailure says why.
        bool IsActive() const { return group_.IsActive(); }
        bool Commit();
        void Rollback() { group_.Rollback(); }

      private:
        Lock lock_;
        SQLiteWriteGroup group_;
    };

    // The process-wide store, created on first use.
    static DataStore& Instance();

    // A separate store with its own connection (tests; everything else uses Instance()).
    DataStore();
    ~DataStore();
    DataStore(const DataStore&) = delete;
    DataStore& operator=(const DataStore&) = delete;

    // dataFolder + "db/" + modelName + "_data.db".
    static std::string DatabasePath(const std::string& dataFolder, const std::string& modelName);

    // Opens the model's database, creating it with the full schema when the file does not
    // exist. The "db" folder must exist already. Sets the open flag to the result.
    bool OpenDeviceDatabase(const std::string& dataFolder, const std::string& modelName);
    // Closes the connection and clears the open flag.
    void CloseDatabase();
    // Deletes the model's database file with its -wal, -shm and -journal companions, closing
    // the connection first when it is on that file. True when the file is gone afterwards;
    // otherwise LastFailure says why.
    bool DeleteDeviceDatabase(const std::string& dataFolder, const std::string& modelName);
    bool IsOpen() const { return open_.load(); }
    // The path of the last database opened or created (UTF-8).
    std::string Path() const;
    // How long a write waits for another program's lock (SQLiteDB::kBusyTimeoutMs unless
    // set), for this and every later connection.
    void SetBusyTimeout(int milliseconds);
    // Why the last OpenDeviceDatabase failed (kNone after a successful one). A database that is
    // not a database, fails PRAGMA quick_check or lacks a table counts as damaged.
    StoreFailure OpenFailure() const;
    // Why the last operation of the calling thread that failed did so (the open failure when
    // it failed for want of an open database).
    StoreFailure LastFailure() const;
    // LastFailure as the sentence the user is shown, naming the file.
    std::string LastFailureText() const;
    std::string OpenFailureText() const;
    // Renames the model's database (with its -wal and -shm files) to "<file>.damaged-<date>",
    // closing the connection first when it is on that file, so a new database can be created.
    // `movedTo` is the new name. False, with nothing moved, when the rename fails.
    bool MoveDatabaseAside(const std::string& dataFolder, const std::string& modelName,
                           std::string& movedTo);
    // The name MoveDatabaseAside gives the file now: "<path>.damaged-<YYYYMMDD-HHMMSS>".
    static std::string AsideName(const std::string& path);

    // --- Configuration values of a profile (t_config_data) -----------------------------------
    // Inserts the rows of kDefaultConfig for the profile, all or none. False when they could not
    // be stored.
    bool InsertDefaultConfig(int profile);
    // Empties `value`, then copies the first matching row's value. False when there is none.
    bool GetConfigValue(int profile, const std::string& key, std::string& value);
    // True on success, also when no row matched (nothing is stored then).
    bool UpdateConfigValue(int profile, const std::string& key, const std::string& value);
    // Numeric forms: the value read as a decimal integer (0 when missing or not numeric), and
    // the number written as decimal text.
    int GetConfigInt(int profile, const std::string& key);
    bool UpdateConfigInt(int profile, const std::string& key, int value);

    // The profile whose tables the keyboard holds: the last one written to it whole or read
    // from it into the database; 0 when not known. Kept in t_config_data under profile 0, so
    // every process sharing the database knows it.
    // Base-layer rows that name one of `keyCodes` as a plain key of its own usage and no
    // modifier get "keep the keyboard's entry" (type 0) and the key's own caption, in one
    // statement. False when the database refused.
    bool RestoreDeadKeyRows(std::span<const int> keyCodes);

    int KeyboardProfile();
    bool SetKeyboardProfile(int profile);

    // --- Profiles (t_profile_data) -----------------------------------------------------------
    // Rows a new profile gets beyond its own (key rows, light rows, ...), run inside the
    // profile's transaction; false undoes the whole profile.
    using ProfileRows = std::function<bool(int profileId)>;
    enum class ProfileCreation { kCreated, kLimitReached, kFailed };
    struct NewProfile {
        ProfileCreation status = ProfileCreation::kFailed;
        int id = 0;
    };
    // Creates a profile whole or not at all: in one transaction it checks that fewer than
    // maxProfiles exist (so concurrent adds never pass the limit), inserts the profile with its
    // music layer and custom light rows, its default configuration rows, and runs `rows`.
    NewProfile CreateProfile(const ProfileData& profile, int maxProfiles, const ProfileRows& rows);
    // Profiles that lack rows every profile has (configuration values, music layer, custom
    // light, key rows except for profiles 2 and 3, which the keyboard read fills from
    // profile 1): their ids, in id order.
    std::vector<int> IncompleteProfiles();
    // Creates the rows the profile lacks (and runs `rows` when it has no key rows, except for
    // profiles 2 and 3) in one transaction. False when it could not be repaired.
    bool RepairProfile(int profile, const ProfileRows& rows);
    // The number of profiles, -1 when it cannot be read.
    int CountProfiles();
    // Inserts the profile (status and type are stored as 0) with its music layer and custom
    // light rows, all or none. Returns the new id or 0.
    int InsertProfile(const ProfileData& profile);
    int InsertMusicLayer(int profile, const std::string& name);
    int InsertCustomLight(int profile, const std::string& name);
    bool DeleteProfile(int profile);
    bool RenameProfile(int profile, const std::string& name);
    bool GetProfileName(int profile, std::string& name);
    int LoadProfiles(std::vector<ProfileData>& list);
    // Leaves exactly one active profile; the result is that of marking `profile` active.
    bool SetActiveProfile(int profile);
    // The active profile id, 0 when none.
    int GetActiveProfile();

    // --- Programs bound to profiles (the app column, see store/ProfilePrograms.h) -------------
    enum class BindOutcome { kOk, kNoProfile, kBoundElsewhere, kNotBound, kFailed };
    // The profile's programs; false when it does not exist or cannot be read.
    bool GetProfilePrograms(int profile, std::vector<std::string>& programs);
    // Adds `program` to the profile's programs in one transaction, unless another profile has
    // it (kBoundElsewhere, `holder` = that profile's id). Binding a program the profile has
    // already changes nothing and succeeds.
    BindOutcome BindProgram(int profile, const std::string& program, int& holder);
    // Removes `program` from the profile's programs; kNotBound when the profile lacks it.
    BindOutcome UnbindProgram(int profile, const std::string& program);

    // --- Music layers (t_musiclayer_data) ----------------------------------------------------
    bool GetMusicLayer(int layer_id, MusicLayerData& layer);
    bool UpdateMusicLayer(int layer_id, const MusicLayerData& layer);

    // --- Key assignments (t_key_macro_data) --------------------------------------------------
    int CountKeys(int profile);
    // All rows in one transaction; false (and nothing stored) when one fails.
    bool InsertKeys(std::vector<KeyMacroData> list);
    // Deletes the key's row of (profile, fn_layer, key_code) and, unless macro_value and
    // macro_value2 are both 0, inserts the record. Returns the new key_id or 0; key_code 0
    // touches nothing.
    int ReplaceKey(const KeyMacroData& key);
    // Change only the five macro columns of (profile, fn_layer, key_code). False also when the
    // key has no row: nothing was stored then.
    bool UpdateKey(const KeyMacroData& key);
    // All rows in one transaction; false (and nothing changed) when one fails.
    bool UpdateKeys(std::vector<KeyMacroData> list);
    bool GetKey(int profile, int fn_layer, int key_code, KeyMacroData& key);
    int ListLayerKeys(int profile, int fn_layer, std::vector<KeyMacroData>& list);
    int ListProfileKeys(int profile, std::vector<KeyMacroData>& list);
    int ListAllKeys(std::vector<KeyMacroData>& list);

    // --- Macros (t_macro_data) and macro steps (t_macrorecord) -------------------------------
    // A new macro plays once: play_type 0, play_times 1, delay_type 1, delay_time 0.
    int InsertMacro(const std::string& name);
    bool RenameMacro(int macro_id, const std::string& name);
    bool UpdateMacro(const MacroData& macro);
    // Deletes the macro and, when that worked, its steps. True only if both worked.
    bool DeleteMacro(int macro_id);
    bool GetMacro(int macro_id, MacroData& macro);
    int ListMacros(std::vector<MacroData>& list);
    // All steps in one transaction; false (and nothing stored) when one fails.
    bool InsertMacroSteps(std::vector<MacroRecordData> list);
    // Sorted by record_index.
    int ListMacroSteps(int macro_id, std::vector<MacroRecordData>& list);
    bool DeleteMacroSteps(int macro_id);
    // The macro's steps become `steps` (their macro_id is set to macro_id) in one transaction:
    // when a statement fails nothing changes and the result is false.
    bool ReplaceMacroSteps(int macro_id, const std::vector<MacroRecordData>& steps);
    int CountMacroSteps(int macro_id);
    int CountAllMacroSteps();

    // --- Light settings (t_light_data) and per-key colours (t_userlightrgb_data) -------------
    int CountLightRows(int profile);
    int InsertLightRow(const LightData& light);
    // Changes the eight setting columns of (light.profile, type, mode); never name or status.
    bool UpdateLightRow(int type, int mode, const LightData& light);
    // Leaves exactly `mode` active among the rows of (profile, type).
    bool SetActiveLightMode(int profile, int type, int mode);
    // The active mode of (profile, type), 0 when none.
    int GetActiveLightMode(int profile, int type);
    bool GetLightRow(int profile, int type, int mode, LightData& light);
    int ListLightRows(int profile, int type, std::vector<LightData>& list);
    // All in one transaction: the number of records given, 0 when nothing was stored.
    int InsertUserLightColors(std::vector<UserLightRgbData> list);
    bool DeleteUserLightColors(int profile, int userlight_id);
    int ListUserLightColors(int profile, int userlight_id, std::vector<UserLightRgbData>& list);

    // --- Screen animation library (t_ledlayer_data, t_ledframe_data, t_tftscreen_data) -------
    // The library is shared by all profiles: rows are stored and read with profile 1.
    // A new animation has name, file_dir and first_file all `folder`, type 0, frame_size 0.
    int InsertLedLayer(const std::string& folder);
    bool SetLedLayerFrameCount(int led_id, int frame_size);
    bool SetLedLayerFirstFile(int led_id, const std::string& file_name);
    // The name the user gave the animation (its folder name when it has none).
    bool SetLedLayerName(int led_id, const std::string& name);
    // Deletes the animation and its frames, both or neither.
    bool DeleteLedLayer(int led_id);
    bool GetLedLayer(int led_id, LedLayerData& layer);
    int ListLedLayers(std::vector<LedLayerData>& list);
    // All in one transaction: the number of records given, 0 when nothing was stored.
    int InsertLedFrames(std::vector<LedFrameData> list);
    bool DeleteLedFrames(int led_id);
    // Sorted by frame_index.
    int ListLedFrames(int led_id, std::vector<LedFrameData>& list);
    int CountLedFrames(int led_id);
    bool ClearLedLibrary();
    int InsertScreenFile(int frame_size, const std::string& file_name);
    int ListScreenFiles(std::vector<TftScreenData>& list);

  private:
    bool OpenExisting(const std::string& path);
    StoreFailure CheckOpenedDatabase();
    bool CreateDatabase(const std::string& path);
    bool CreateSchemaFile(const std::string& path);
    void CloseConnection();

    // The store lock: guards the connection, the paths and every query from prepare to
    // finalize. Recursive so an operation may call another.
    mutable std::recursive_mutex mutex_;
    SQLiteDB db_;
    std::string path_;      // last path asked for
    std::string openPath_;  // the file the connection is open on, empty when closed
    StoreFailure openFailure_ = StoreFailure::kNone;
    int busyTimeoutMs_ = SQLiteDB::kBusyTimeoutMs;
    std::atomic<bool> open_{false};
};

}  // namespace zanvor
