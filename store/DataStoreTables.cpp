// Query operations on the key, macro, light, music and screen library tables.

#include "store/DataStore.h"
#include "store/Query.h"

namespace zanvor {

using store_detail::NoteFailure;
using store_detail::Query;
using store_detail::ReadAll;
using store_detail::ReadInt;
using store_detail::ReadOne;
using store_detail::RunInsert;

namespace {

// Statements used by more than one operation.
constexpr const char* kInsertKey =
    "INSERT INTO t_key_macro_data(profile, fn_layer, key_code, layout_value, layout_desc, "
    "macro_type, macro_value, macro_value2, macro_value3, macro_desc) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?);";
constexpr const char* kUpdateKey =
    "UPDATE t_key_macro_data SET macro_type = ?, macro_value = ?, macro_value2 = ?, "
    "macro_value3 = ?, macro_desc = ? WHERE profile = ? AND fn_layer = ? AND key_code = ?;";

void BindKeyInsert(Query& q, const KeyMacroData& k) {
    q.Int(k.profile).Int(k.fn_layer).Int(k.key_code).Int(k.layout_value).Text(k.layout_desc);
    q.Int(k.macro_type).Int(k.macro_value).Int(k.macro_value2).Int(k.macro_value3);
    q.Text(k.macro_desc);
}

void BindKeyUpdate(Query& q, const KeyMacroData& k) {
    q.Int(k.macro_type).Int(k.macro_value).Int(k.macro_value2).Int(k.macro_value3);
    q.Text(k.macro_desc).Int(k.profile).Int(k.fn_layer).Int(k.key_code);
}

void ReadMusicLayer(const Query& q, MusicLayerData& r) {
    r.layer_id = q.ColumnInt(0);
    r.profile = q.ColumnInt(1);
    r.name = q.ColumnText(2);
    r.deviceindex = q.ColumnInt(3);
    r.foremode = q.ColumnInt(4);
    r.fore_amplitude = q.ColumnInt(5);
    r.backmode = q.ColumnInt(6);
    r.backb_right = q.ColumnInt(7);
    r.light_right = q.ColumnInt(8);
}

void ReadKey(const Query& q, KeyMacroData& r) {
    r.key_id = q.ColumnInt(0);
    r.profile = q.ColumnInt(1);
    r.fn_layer = q.ColumnInt(2);
    r.key_code = q.ColumnInt(3);
    r.layout_value = q.ColumnInt(4);
    r.layout_desc = q.ColumnText(5);
    r.macro_type = q.ColumnInt(6);
    r.macro_value = q.ColumnInt(7);
    r.macro_value2 = q.ColumnInt(8);
    r.macro_value3 = q.ColumnInt(9);
    r.macro_desc = q.ColumnText(10);
}

void ReadMacro(const Query& q, MacroData& r) {
    r.macro_id = q.ColumnInt(0);
    r.name = q.ColumnText(1);
    r.play_type = q.ColumnInt(2);
    r.play_times = q.ColumnInt(3);
    r.delay_type = q.ColumnInt(4);
    r.delay_time = q.ColumnInt(5);
}

void ReadMacroStep(const Query& q, MacroRecordData& r) {
    r.record_id = q.ColumnInt(0);
    r.macro_id = q.ColumnInt(1);
    r.type = q.ColumnInt(2);
    r.record_index = q.ColumnInt(3);
    r.desc = q.ColumnText(4);
    r.value = q.ColumnInt(5);
    r.delay_time = q.ColumnInt(6);
}

void ReadLight(const Query& q, LightData& r) {
    r.light_id = q.ColumnInt(0);
    r.profile = q.ColumnInt(1);
    r.name = q.ColumnText(2);
    r.type = q.ColumnInt(3);
    r.mode = q.ColumnInt(4);
    r.brightness = q.ColumnInt(5);
    r.speed = q.ColumnInt(6);
    r.direction = q.ColumnInt(7);
    r.colorful = q.ColumnInt(8);
    r.colorindex = q.ColumnInt(9);
    r.color_value = q.ColumnInt(10);
    r.config_func = q.ColumnInt(11);
    r.reserved = q.ColumnInt(12);
    r.status = q.ColumnInt(13);
}

void ReadUserLightRgb(const Query& q, UserLightRgbData& r) {
    r.userlightrgb_id = q.ColumnInt(0);
    r.profile = q.ColumnInt(1);
    r.userlight_id = q.ColumnInt(2);
    r.key_code = q.ColumnInt(3);
    r.key_rgb = q.ColumnInt(4);
}

void ReadLedLayer(const Query& q, LedLayerData& r) {
    r.led_id = q.ColumnInt(0);
    r.profile = q.ColumnInt(1);
    r.type = q.ColumnInt(2);
    r.name = q.ColumnText(3);
    r.frame_size = q.ColumnInt(4);
    r.file_dir = q.ColumnText(5);
    r.first_file = q.ColumnText(6);
}

void ReadLedFrame(const Query& q, LedFrameData& r) {
    r.frame_id = q.ColumnInt(0);
    r.led_id = q.ColumnInt(1);
    r.name = q.ColumnText(2);
    r.delay_time = q.ColumnInt(3);
    r.frame_index = q.ColumnInt(4);
    r.file_name = q.ColumnText(5);
}

void ReadScreenFile(const Query& q, TftScreenData& r) {
    r.tft_id = q.ColumnInt(0);
    r.profile = q.ColumnInt(1);
    r.frame_size = q.ColumnInt(2);
    r.file_name = q.ColumnText(3);
}

// The screen library is shared by every profile and always stored under this one.
constexpr int kLibraryProfile = 1;

// Opens a write group and notes why when it cannot be opened.
bool Opened(SQLiteDB& db, const SQLiteWriteGroup& group) {
    if (!group.IsActive()) {
        NoteFailure(db);
    }
    return group.IsActive();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Music layers

bool DataStore::GetMusicLayer(int layer_id, MusicLayerData& layer) {
    Lock lock(mutex_);
    Query q(db_, "SELECT * FROM t_musiclayer_data WHERE layer_id = ?");
    q.Int(layer_id);
    return ReadOne(q, layer, ReadMusicLayer);
}

bool DataStore::UpdateMusicLayer(int layer_id, const MusicLayerData& layer) {
    Lock lock(mutex_);
    Query q(db_,
            "UPDATE t_musiclayer_data SET deviceindex= ?, foremode= ?, fore_amplitude = ?, "
            "backmode= ?, backb_right= ?, light_right= ? WHERE layer_id = ?");
    q.Int(layer.deviceindex).Int(layer.foremode).Int(layer.fore_amplitude).Int(layer.backmode);
    q.Int(layer.backb_right).Int(layer.light_right).Int(layer_id);
    return q.Run();
}

// ---------------------------------------------------------------------------------------------
// Key assignments

int DataStore::CountKeys(int profile) {
    Lock lock(mutex_);
    Query q(db_, "select count(*) FROM t_key_macro_data WHERE profile = ?");
    q.Int(profile);
    return ReadInt(q);
}

bool DataStore::InsertKeys(std::vector<KeyMacroData> list) {
    Lock lock(mutex_);
    SQLiteWriteGroup group(&db_);
    if (!Opened(db_, group)) {
        return false;
    }
    for (const KeyMacroData& key : list) {
        Query q(db_, kInsertKey);
        BindKeyInsert(q, key);
        if (!q.Run()) {
            return false;  // the group rolls back
        }
    }
    return group.Commit();
}

int DataStore::ReplaceKey(const KeyMacroData& key) {
    if (key.key_code == 0) {
        return 0;
    }
    Lock lock(mutex_);
    SQLiteWriteGroup group(&db_);
    if (!Opened(db_, group)) {
        return 0;
    }
    {
        Query q(db_,
                "DELETE FROM t_key_macro_data WHERE profile = ? and fn_layer = ? and key_code = ?");
        if (!q.Int(key.profile).Int(key.fn_layer).Int(key.key_code).Run()) {
            return 0;
        }
    }
    if (key.macro_value == 0 && key.macro_value2 == 0) {
        group.Commit();
        return 0;
    }
    Query q(db_, kInsertKey);
    BindKeyInsert(q, key);
    const int id = RunInsert(db_, q);
    return id > 0 && group.Commit() ? id : 0;
}

bool DataStore::UpdateKey(const KeyMacroData& key) {
    Lock lock(mutex_);
    Query q(db_, kUpdateKey);
    BindKeyUpdate(q, key);
    if (!q.Run()) {
        return false;
    }
    if (db_.Changes() == 0) {
        NoteFailure(StoreFailure::kFailed);  // the row is gone (another program deleted it)
        return false;
    }
    return true;
}

bool DataStore::UpdateKeys(std::vector<KeyMacroData> list) {
    Lock lock(mutex_);
    SQLiteWriteGroup group(&db_);
    if (!Opened(db_, group)) {
        return false;
    }
    for (const KeyMacroData& key : list) {
        Query q(db_, kUpdateKey);
        BindKeyUpdate(q, key);
        if (!q.Run()) {
            return false;
        }
    }
    return group.Commit();
}

bool DataStore::GetKey(int profile, int fn_layer, int key_code, KeyMacroData& key) {
    Lock lock(mutex_);
    Query q(db_,
            "SELECT * FROM t_key_macro_data WHERE profile = ? and fn_layer = ? and key_code = ?");
    q.Int(profile).Int(fn_layer).Int(key_code);
    return ReadOne(q, key, ReadKey);
}

int DataStore::ListLayerKeys(int profile, int fn_layer, std::vector<KeyMacroData>& list) {
    Lock lock(mutex_);
    list.clear();
    Query q(db_, "SELECT * FROM t_key_macro_data WHERE profile = ? and fn_layer = ?");
    q.Int(profile).Int(fn_layer);
    return ReadAll(q, list, ReadKey);
}

int DataStore::ListProfileKeys(int profile, std::vector<KeyMacroData>& list) {
    Lock lock(mutex_);
    list.clear();
    Query q(db_, "SELECT * FROM t_key_macro_data WHERE profile = ?");
    q.Int(profile);
    return ReadAll(q, list, ReadKey);
}

int DataStore::ListAllKeys(std::vector<KeyMacroData>& list) {
    Lock lock(mutex_);
    list.clear();
    Query q(db_, "SELECT * FROM t_key_macro_data");
    return ReadAll(q, list, ReadKey);
}

// ---------------------------------------------------------------------------------------------
// Macros and macro steps

int DataStore::InsertMacro(const std::string& name) {
    Lock lock(mutex_);
    Query q(db_,
            "INSERT INTO t_macro_data(name, play_type, play_times, delay_type, delay_time) "
            "VALUES (?, ?, ?, ?, ?);");
    q.Text(name).Int(0).Int(1).Int(1).Int(0);
    return RunInsert(db_, q);
}

bool DataStore::RenameMacro(int macro_id, const std::string& name) {
    Lock lock(mutex_);
    Query q(db_, "UPDATE t_macro_data SET name = ? WHERE macro_id = ?");
    return q.Text(name).Int(macro_id).Run();
}

bool DataStore::UpdateMacro(const MacroData& macro) {
    Lock lock(mutex_);
    Query q(db_,
            "UPDATE t_macro_data SET name = ?, play_type = ?, play_times = ?, delay_type = ?,"
            "delay_time = ? WHERE macro_id = ?");
    q.Text(macro.name).Int(macro.play_type).Int(macro.play_times).Int(macro.delay_type);
    q.Int(macro.delay_time).Int(macro.macro_id);
    return q.Run();
}

bool DataStore::DeleteMacro(int macro_id) {
    Lock lock(mutex_);
    SQLiteWriteGroup group(&db_);
    if (!Opened(db_, group)) {
        return false;
    }
    {
        Query q(db_, "DELETE FROM t_macro_data WHERE macro_id = ?");
        if (!q.Int(macro_id).Run()) {
            return false;
        }
    }
    Query q(db_, "DELETE FROM t_macrorecord WHERE macro_id = ?");
    return q.Int(macro_id).Run() && group.Commit();
}

bool DataStore::GetMacro(int macro_id, MacroData& macro) {
    Lock lock(mutex_);
    Query q(db_, "SELECT * FROM t_macro_data WHERE macro_id = ?");
    q.Int(macro_id);
    return ReadOne(q, macro, ReadMacro);
}

int DataStore::ListMacros(std::vector<MacroData>& list) {
    Lock lock(mutex_);
    list.clear();
    Query q(db_, "SELECT * FROM t_macro_data");
    return ReadAll(q, list, ReadMacro);
}

bool DataStore::InsertMacroSteps(std::vector<MacroRecordData> list) {
    Lock lock(mutex_);
    SQLiteWriteGroup group(&db_);
    if (!Opened(db_, group)) {
        return false;
    }
    for (const MacroRecordData& step : list) {
        Query q(db_,
                "INSERT INTO t_macrorecord(macro_id, type, record_index, desc, value, delay_time) "
                "VALUES (?, ?, ?, ?, ?, ?);");
        q.Int(step.macro_id).Int(step.type).Int(step.record_index).Text(step.desc);
        if (!q.Int(step.value).Int(step.delay_time).Run()) {
            return false;
        }
    }
    return group.Commit();
}

int DataStore::ListMacroSteps(int macro_id, std::vector<MacroRecordData>& list) {
    Lock lock(mutex_);
    list.clear();
    Query q(db_, "SELECT * FROM t_macrorecord WHERE macro_id = ? ORDER BY record_index ASC");
    q.Int(macro_id);
    return ReadAll(q, list, ReadMacroStep);
}

bool DataStore::DeleteMacroSteps(int macro_id) {
    Lock lock(mutex_);
    Query q(db_, "DELETE FROM t_macrorecord WHERE macro_id = ?");
    return q.Int(macro_id).Run();
}

bool DataStore::ReplaceMacroSteps(int macro_id, const std::vector<MacroRecordData>& steps) {
    Lock lock(mutex_);
    // Deleting and inserting separately would lose the old steps when an insert fails.
    SQLiteWriteGroup group(&db_);
    if (!Opened(db_, group)) {
        return false;
    }
    bool ok = Query(db_, "DELETE FROM t_macrorecord WHERE macro_id = ?").Int(macro_id).Run();
    for (size_t i = 0; ok && i < steps.size(); ++i) {
        const MacroRecordData& step = steps[i];
        Query q(db_,
                "INSERT INTO t_macrorecord(macro_id, type, record_index, desc, value, delay_time) "
                "VALUES (?, ?, ?, ?, ?, ?);");
        q.Int(macro_id).Int(step.type).Int(step.record_index).Text(step.desc);
        ok = q.Int(step.value).Int(step.delay_time).Run();
    }
    return ok && group.Commit();  // otherwise the group rolls back
}

int DataStore::CountMacroSteps(int macro_id) {
    Lock lock(mutex_);
    Query q(db_, "select count(*) FROM t_macrorecord WHERE macro_id = ?");
    q.Int(macro_id);
    return ReadInt(q);
}

int DataStore::CountAllMacroSteps() {
    Lock lock(mutex_);
    Query q(db_, "select count(*) FROM t_macrorecord");
    return ReadInt(q);
}

// ---------------------------------------------------------------------------------------------
// Light settings and per-key colours

int DataStore::CountLightRows(int profile) {
    Lock lock(mutex_);
    Query q(db_, "select count(*) FROM t_light_data WHERE profile = ?");
    q.Int(profile);
    return ReadInt(q);
}

int DataStore::InsertLightRow(const LightData& light) {
    Lock lock(mutex_);
    Query q(db_,
            "INSERT INTO t_light_data(profile, name, type, mode, brightness, speed, direction, "
            "colorful, colorindex, color_value, config_func, reserved, status) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?);");
    q.Int(light.profile).Text(light.name).Int(light.type).Int(light.mode).Int(light.brightness);
    q.Int(light.speed).Int(light.direction).Int(light.colorful).Int(light.colorindex);
    q.Int(light.color_value).Int(light.config_func).Int(light.reserved).Int(light.status);
    return RunInsert(db_, q);
}

bool DataStore::UpdateLightRow(int type, int mode, const LightData& light) {
    Lock lock(mutex_);
    Query q(db_,
            "UPDATE t_light_data SET brightness = ?, speed = ?, direction = ?, colorful = ?, "
            "colorindex = ?, color_value = ?, config_func = ?, reserved = ? "
            "WHERE profile = ? AND type = ? AND mode = ?");
    q.Int(light.brightness).Int(light.speed).Int(light.direction).Int(light.colorful);
    q.Int(light.colorindex).Int(light.color_value).Int(light.config_func).Int(light.reserved);
    q.Int(light.profile).Int(type).Int(mode);
    return q.Run();
}

bool DataStore::SetActiveLightMode(int profile, int type, int mode) {
    Lock lock(mutex_);
    SQLiteWriteGroup group(&db_);
    if (!Opened(db_, group)) {
        return false;
    }
    {
        Query q(db_, "UPDATE t_light_data SET status = ? WHERE profile = ? AND type = ?");
        if (!q.Int(0).Int(profile).Int(type).Run()) {
            return false;
        }
    }
    Query q(db_, "UPDATE t_light_data SET status = ? WHERE profile = ? AND type = ? AND mode = ?");
    return q.Int(1).Int(profile).Int(type).Int(mode).Run() && group.Commit();
}

int DataStore::GetActiveLightMode(int profile, int type) {
    Lock lock(mutex_);
    Query q(db_, "SELECT mode FROM t_light_data WHERE profile = ? AND type = ? and status = ?");
    q.Int(profile).Int(type).Int(1);
    return ReadInt(q);
}

bool DataStore::GetLightRow(int profile, int type, int mode, LightData& light) {
    Lock lock(mutex_);
    Query q(db_, "SELECT * FROM t_light_data WHERE profile = ? AND type = ? AND mode = ?");
    q.Int(profile).Int(type).Int(mode);
    return ReadOne(q, light, ReadLight);
}

int DataStore::ListLightRows(int profile, int type, std::vector<LightData>& list) {
    Lock lock(mutex_);
    list.clear();
    Query q(db_, "SELECT * FROM t_light_data WHERE profile = ? AND type = ?");
    q.Int(profile).Int(type);
    return ReadAll(q, list, ReadLight);
}

int DataStore::InsertUserLightColors(std::vector<UserLightRgbData> list) {
    Lock lock(mutex_);
    SQLiteWriteGroup group(&db_);
    if (!Opened(db_, group)) {
        return 0;
    }
    for (const UserLightRgbData& color : list) {
        Query q(db_,
                "INSERT INTO t_userlightrgb_data(profile, userlight_id, key_code, key_rgb) "
                "VALUES (?, ?, ?, ?);");
        q.Int(color.profile).Int(color.userlight_id).Int(color.key_code).Int(color.key_rgb);
        if (!q.Run()) {
            return 0;
        }
    }
    return group.Commit() ? static_cast<int>(list.size()) : 0;
}

bool DataStore::DeleteUserLightColors(int profile, int userlight_id) {
    Lock lock(mutex_);
    Query q(db_, "DELETE FROM t_userlightrgb_data WHERE profile = ? AND userlight_id = ?");
    return q.Int(profile).Int(userlight_id).Run();
}

int DataStore::ListUserLightColors(int profile, int userlight_id,
                                   std::vector<UserLightRgbData>& list) {
    Lock lock(mutex_);
    list.clear();
    Query q(db_, "SELECT * FROM t_userlightrgb_data WHERE profile = ? AND userlight_id = ?");
    q.Int(profile).Int(userlight_id);
    return ReadAll(q, list, ReadUserLightRgb);
}

// ---------------------------------------------------------------------------------------------
// Screen animation library

int DataStore::InsertLedLayer(const std::string& folder) {
    Lock lock(mutex_);
    Query q(db_,
            "INSERT INTO t_ledlayer_data(profile, type, name, frame_size, file_dir, first_file) "
            "VALUES (?, ?, ?, ?, ?, ?);");
    q.Int(kLibraryProfile).Int(0).Text(folder).Int(0).Text(folder).Text(folder);
    return RunInsert(db_, q);
}

bool DataStore::SetLedLayerFrameCount(int led_id, int frame_size) {
    Lock lock(mutex_);
    Query q(db_, "UPDATE t_ledlayer_data SET frame_size = ? WHERE led_id = ?");
    return q.Int(frame_size).Int(led_id).Run();
}

bool DataStore::SetLedLayerFirstFile(int led_id, const std::string& file_name) {
    Lock lock(mutex_);
    Query q(db_, "UPDATE t_ledlayer_data SET first_file = ? WHERE led_id = ?");
    return q.Text(file_name).Int(led_id).Run();
}

bool DataStore::SetLedLayerName(int led_id, const std::string& name) {
    Lock lock(mutex_);
    Query q(db_, "UPDATE t_ledlayer_data SET name = ? WHERE led_id = ?");
    return q.Text(name).Int(led_id).Run() && db_.Changes() > 0;
}

bool DataStore::DeleteLedLayer(int led_id) {
    Lock lock(mutex_);
    SQLiteWriteGroup group(&db_);
    if (!Opened(db_, group)) {
        return false;
    }
    Query q(db_, "DELETE FROM t_ledlayer_data WHERE led_id = ?");
    return q.Int(led_id).Run() && DeleteLedFrames(led_id) && group.Commit();
}

bool DataStore::GetLedLayer(int led_id, LedLayerData& layer) {
    Lock lock(mutex_);
    Query q(db_, "SELECT * FROM t_ledlayer_data WHERE led_id = ?");
    q.Int(led_id);
    return ReadOne(q, layer, ReadLedLayer);
}

int DataStore::ListLedLayers(std::vector<LedLayerData>& list) {
    Lock lock(mutex_);
    list.clear();
    Query q(db_, "SELECT * FROM t_ledlayer_data WHERE profile = ?");
    q.Int(kLibraryProfile);
    return ReadAll(q, list, ReadLedLayer);
}

int DataStore::InsertLedFrames(std::vector<LedFrameData> list) {
    Lock lock(mutex_);
    SQLiteWriteGroup group(&db_);
    if (!Opened(db_, group)) {
        return 0;
    }
    for (const LedFrameData& frame : list) {
        Query q(db_,
                "INSERT INTO t_ledframe_data(led_id, name, delay_time, frame_index, file_name) "
                "VALUES (?, ?, ?, ?, ?);");
        q.Int(frame.led_id).Text(frame.name).Int(frame.delay_time).Int(frame.frame_index);
        if (!q.Text(frame.file_name).Run()) {
            return 0;
        }
    }
    return group.Commit() ? static_cast<int>(list.size()) : 0;
}

bool DataStore::DeleteLedFrames(int led_id) {
    Lock lock(mutex_);
    Query q(db_, "DELETE FROM t_ledframe_data WHERE led_id = ?");
    return q.Int(led_id).Run();
}

int DataStore::ListLedFrames(int led_id, std::vector<LedFrameData>& list) {
    Lock lock(mutex_);
    list.clear();
    Query q(db_, "SELECT * FROM t_ledframe_data WHERE led_id = ? ORDER BY frame_index ASC");
    q.Int(led_id);
    return ReadAll(q, list, ReadLedFrame);
}

int DataStore::CountLedFrames(int led_id) {
    Lock lock(mutex_);
    Query q(db_, "select count(*) FROM t_ledframe_data WHERE led_id = ?");
    q.Int(led_id);
    return ReadInt(q);
}

bool DataStore::ClearLedLibrary() {
    Lock lock(mutex_);
    SQLiteWriteGroup group(&db_);
    if (!Opened(db_, group)) {
        return false;
    }
    return Query(db_, "DELETE FROM t_ledlayer_data").Run() &&
           Query(db_, "DELETE FROM t_ledframe_data").Run() && group.Commit();
}

int DataStore::InsertScreenFile(int frame_size, const std::string& file_name) {
    Lock lock(mutex_);
    Query q(db_, "INSERT INTO t_tftscreen_data(profile, frame_size, file_name) VALUES (?, ?, ?);");
    q.Int(kLibraryProfile).Int(frame_size).Text(file_name);
    return RunInsert(db_, q);
}

int DataStore::ListScreenFiles(std::vector<TftScreenData>& list) {
    Lock lock(mutex_);
    list.clear();
    Query q(db_, "SELECT * FROM t_tftscreen_data WHERE profile = ?");
    q.Int(kLibraryProfile);
    return ReadAll(q, list, ReadScreenFile);
}

}  // namespace zanvor
