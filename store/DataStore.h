#pragma once

#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "store/Records.h"
#include "store/SQLite.h"

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
// or list, inserts return 0, updates and deletes return false.
//
// List reads empty the caller's list first, then append one record per row and return the
// number of records. Bulk writes take their list by value and run in one transaction; a row
// that fails is skipped, the others are kept.
class DataStore {
  public:
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
    // the connection first when it is on that file. True when the file is gone afterwards.
    bool DeleteDeviceDatabase(const std::string& dataFolder, const std::string& modelName);
    bool IsOpen() const { return open_.load(); }
    // The path of the last database opened or created (UTF-8).
    std::string Path() const;

    // --- Configuration values of a profile (t_config_data) -----------------------------------
    // Inserts the rows of kDefaultConfig for the profile; a failing row does not stop the rest.
    // False when a row could not be stored.
    bool InsertDefaultConfig(int profile);
    // Empties `value`, then copies the first matching row's value. False when there is none.
    bool GetConfigValue(int profile, const std::string& key, std::string& value);
    // True on success, also when no row matched (nothing is stored then).
    bool UpdateConfigValue(int profile, const std::string& key, const std::string& value);
    // Numeric forms: the value read as a decimal integer (0 when missing or not numeric), and
    // the number written as decimal text.
    int GetConfigInt(int profile, const std::string& key);
    bool UpdateConfigInt(int profile, const std::string& key, int value);

    // --- Profiles (t_profile_data) -----------------------------------------------------------
    // Inserts the profile (status and type are stored as 0); when it gets an id, also its
    // music layer and custom light rows. Returns the new id or 0.
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
    // Change only the five macro columns of (profile, fn_layer, key_code).
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
    void InsertMacroSteps(std::vector<MacroRecordData> list);
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
    // Returns the number of records given.
    int InsertUserLightColors(std::vector<UserLightRgbData> list);
    bool DeleteUserLightColors(int profile, int userlight_id);
    int ListUserLightColors(int profile, int userlight_id, std::vector<UserLightRgbData>& list);

    // --- Screen animation library (t_ledlayer_data, t_ledframe_data, t_tftscreen_data) -------
    // The library is shared by all profiles: rows are stored and read with profile 1.
    // A new animation has name, file_dir and first_file all `folder`, type 0, frame_size 0.
    int InsertLedLayer(const std::string& folder);
    bool SetLedLayerFrameCount(int led_id, int frame_size);
    bool SetLedLayerFirstFile(int led_id, const std::string& file_name);
    // Deletes the animation and, in any case, its frames; the result is that of the first.
    bool DeleteLedLayer(int led_id);
    bool GetLedLayer(int led_id, LedLayerData& layer);
    int ListLedLayers(std::vector<LedLayerData>& list);
    // Returns the number of records given.
    int InsertLedFrames(std::vector<LedFrameData> list);
    bool DeleteLedFrames(int led_id);
    // Sorted by frame_index.
    int ListLedFrames(int led_id, std::vector<LedFrameData>& list);
    int CountLedFrames(int led_id);
    void ClearLedLibrary();
    int InsertScreenFile(int frame_size, const std::string& file_name);
    int ListScreenFiles(std::vector<TftScreenData>& list);

  private:
    using Lock = std::lock_guard<std::recursive_mutex>;

    bool OpenExisting(const std::string& path);
    bool CreateDatabase(const std::string& path);
    void CloseConnection();

    // The store lock: guards the connection, the paths and every query from prepare to
    // finalize. Recursive so an operation may call another.
    mutable std::recursive_mutex mutex_;
    SQLiteDB db_;
    std::string path_;      // last path asked for
    std::string openPath_;  // the file the connection is open on, empty when closed
    std::atomic<bool> open_{false};
};

}  // namespace zanvor
