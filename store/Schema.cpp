#include "store/Schema.h"

namespace zanvor {

// The file format of every model's database. Every table starts with an AUTOINCREMENT key so
// row ids are never handed out twice, even after the last row was deleted.
// clang-format off
const std::array<SchemaStatement, kSchemaTableCount + kSchemaIndexCount> kSchemaStatements = {{
    {"t_config_data",
     "CREATE TABLE IF NOT EXISTS t_config_data (config_id INTEGER PRIMARY KEY AUTOINCREMENT, "
     "profile INTEGER, key TEXT, value TEXT);"},
    {"t_profile_data",
     "CREATE TABLE IF NOT EXISTS t_profile_data (profile INTEGER PRIMARY KEY AUTOINCREMENT, "
     "name TEXT, status INTEGER, app TEXT, icon_image TEXT, bkg_image TEXT, type INTEGER);"},
    {"profileindex",
     "CREATE INDEX IF NOT EXISTS profileindex ON t_profile_data (profile);"},
    {"t_key_macro_data",
     "CREATE TABLE IF NOT EXISTS t_key_macro_data (key_id INTEGER PRIMARY KEY AUTOINCREMENT, "
     "profile INTEGER, fn_layer INTEGER, key_code INTEGER, layout_value INTEGER, "
     "layout_desc TEXT, macro_type INTEGER, macro_value INTEGER, macro_value2 INTEGER, "
     "macro_value3 INTEGER, macro_desc TEXT);"},
    {"keyindex",
     "CREATE INDEX IF NOT EXISTS keyindex ON t_key_macro_data (key_id);"},
    {"t_key_otherdata",
     "CREATE TABLE IF NOT EXISTS t_key_otherdata (macro_value INTEGER PRIMARY KEY AUTOINCREMENT, "
     "macro_desc TEXT, param TEXT, type INTEGER);"},
    {"otheridindex",
     "CREATE INDEX IF NOT EXISTS otheridindex ON t_key_otherdata (macro_value);"},
    {"t_magnetic_key_data",
     "CREATE TABLE IF NOT EXISTS t_magnetic_key_data (macro_id INTEGER PRIMARY KEY AUTOINCREMENT, "
     "profile INTEGER, fn_layer INTEGER, macro_type INTEGER, key1_value INTEGER, "
     "key2_value INTEGER, key1_name TEXT, key2_name TEXT, reserved INTEGER);"},
    {"magnetic_keyindex",
     "CREATE INDEX IF NOT EXISTS magnetic_keyindex ON t_magnetic_key_data (macro_id);"},
    {"t_key_item_data",
     "CREATE TABLE IF NOT EXISTS t_key_item_data (keyitem_id INTEGER PRIMARY KEY AUTOINCREMENT, "
     "macro_id INTEGER, trigger_state1 INTEGER, trigger_state2 INTEGER, trigger_state3 INTEGER, "
     "trigger_state4 INTEGER, key_value INTEGER, key_name TEXT);"},
    {"key_itemindex",
     "CREATE INDEX IF NOT EXISTS key_itemindex ON t_key_item_data (macro_id);"},
    {"t_macro_data",
     "CREATE TABLE IF NOT EXISTS t_macro_data (macro_id INTEGER PRIMARY KEY AUTOINCREMENT, "
     "name TEXT, play_type INTEGER, play_times INTEGER, delay_type INTEGER, delay_time INTEGER);"},
    {"macroidindex",
     "CREATE INDEX IF NOT EXISTS macroidindex ON t_macro_data (macro_id);"},
    {"t_macrorecord",
     "CREATE TABLE IF NOT EXISTS t_macrorecord (record_id INTEGER PRIMARY KEY AUTOINCREMENT, "
     "macro_id INTEGER, type INTEGER, record_index INTEGER, desc TEXT, value INTEGER, "
     "delay_time INTEGER);"},
    {"macrorecordindex",
     "CREATE INDEX IF NOT EXISTS macrorecordindex ON t_macrorecord (record_id);"},
    {"t_light_data",
     "CREATE TABLE IF NOT EXISTS t_light_data (light_id INTEGER PRIMARY KEY AUTOINCREMENT, "
     "profile INTEGER, name TEXT, type INTEGER, mode INTEGER, brightness INTEGER, speed INTEGER, "
     "direction INTEGER, colorful INTEGER, colorindex INTEGER, color_value INTEGER, "
     "config_func INTEGER, reserved INTEGER, status INTEGER);"},
    {"lightindex",
     "CREATE INDEX IF NOT EXISTS lightindex ON t_light_data (light_id);"},
    {"t_userlight_data",
     "CREATE TABLE IF NOT EXISTS t_userlight_data (userlight_id INTEGER PRIMARY KEY AUTOINCREMENT, "
     "profile INTEGER, name TEXT, speed INTEGER, brightness INTEGER, status INTEGER);"},
    {"userlightindex",
     "CREATE INDEX IF NOT EXISTS userlightindex ON t_userlight_data (userlight_id);"},
    {"t_userlightrgb_data",
     "CREATE TABLE IF NOT EXISTS t_userlightrgb_data (userlightrgb_id INTEGER PRIMARY KEY "
     "AUTOINCREMENT, profile INTEGER, userlight_id INTEGER, key_code INTEGER, key_rgb INTEGER);"},
    {"userlightrgbindex",
     "CREATE INDEX IF NOT EXISTS userlightrgbindex ON t_userlightrgb_data (userlightrgb_id);"},
    {"t_customlight_data",
     "CREATE TABLE IF NOT EXISTS t_customlight_data (customlight_id INTEGER PRIMARY KEY "
     "AUTOINCREMENT, profile INTEGER, name TEXT, speed INTEGER, brightness INTEGER, "
     "status INTEGER);"},
    {"customlightindex",
     "CREATE INDEX IF NOT EXISTS customlightindex ON t_customlight_data (customlight_id);"},
    {"t_customrgb_data",
     "CREATE TABLE IF NOT EXISTS t_customrgb_data (customrgb_id INTEGER PRIMARY KEY AUTOINCREMENT, "
     "customlight_id INTEGER, keycode INTEGER, rgbvalue INTEGER, light_mode INTEGER, "
     "colortype INTEGER, light_type INTEGER);"},
    {"customrgbindex",
     "CREATE INDEX IF NOT EXISTS customrgbindex ON t_customrgb_data (customrgb_id);"},
    {"t_musiclayer_data",
     "CREATE TABLE IF NOT EXISTS t_musiclayer_data (layer_id INTEGER PRIMARY KEY AUTOINCREMENT, "
     "profile INTEGER, name TEXT, deviceindex INTEGER, foremode INTEGER, fore_amplitude INTEGER, "
     "backmode INTEGER, backb_right INTEGER, light_right INTEGER, sel INTEGER);"},
    {"musiclayerindex",
     "CREATE INDEX IF NOT EXISTS musiclayerindex ON t_musiclayer_data (layer_id);"},
    {"t_auroralayer_data",
     "CREATE TABLE IF NOT EXISTS t_auroralayer_data (layer_id INTEGER PRIMARY KEY AUTOINCREMENT, "
     "profile INTEGER, name TEXT, layer_mode INTEGER, layer_scale INTEGER, colorful INTEGER, "
     "colorvalue INTEGER, rect_x INTEGER, rect_y INTEGER, rect_width INTEGER, "
     "rect_height INTEGER);"},
    {"auroralayerindex",
     "CREATE INDEX IF NOT EXISTS auroralayerindex ON t_auroralayer_data (layer_id);"},
    {"t_ledlayer_data",
     "CREATE TABLE IF NOT EXISTS t_ledlayer_data (led_id INTEGER PRIMARY KEY AUTOINCREMENT, "
     "profile INTEGER, type INTEGER, name TEXT, frame_size INTEGER, file_dir TEXT, "
     "first_file TEXT);"},
    {"t_ledframe_data",
     "CREATE TABLE IF NOT EXISTS t_ledframe_data (frame_id INTEGER PRIMARY KEY AUTOINCREMENT, "
     "led_id INTEGER, name TEXT, delay_time INTEGER, frame_index INTEGER, file_name TEXT);"},
    {"t_tftscreen_data",
     "CREATE TABLE IF NOT EXISTS t_tftscreen_data (tft_id INTEGER PRIMARY KEY AUTOINCREMENT, "
     "profile INTEGER, frame_size INTEGER, file_name TEXT);"},
}};
// clang-format on

}  // namespace zanvor
