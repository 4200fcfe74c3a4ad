#pragma once

#include <string>

namespace zanvor {

// Records of the database tables, fields in column order unless noted. A new record has every
// number 0 and every text empty (except MusicLayerData::light_right).

// One row of t_profile_data.
struct ProfileData {
    int profile = 0;  // row id, the profile id used everywhere else
    std::string name;
    std::string app;
    std::string icon_image;
    std::string bkg_image;
    int type = 0;
    int status = 0;  // 1 for the active profile
};

// One row of t_musiclayer_data (the column sel is not read).
struct MusicLayerData {
    int layer_id = 0;
    int profile = 0;
    std::string name;
    int deviceindex = 0;
    int foremode = 0;
    int fore_amplitude = 0;
    int backmode = 0;
    int backb_right = 0;
    int light_right = 100;
};

// One key assignment: one row of t_key_macro_data, addressed by (profile, fn_layer, key_code).
struct KeyMacroData {
    int key_id = 0;
    int profile = 0;
    int fn_layer = 0;
    int key_code = 0;
    int layout_value = 0;
    std::string layout_desc;
    int macro_type = 0;
    int macro_value = 0;
    int macro_value2 = 0;
    int macro_value3 = 0;
    std::string macro_desc;
};

// One macro of t_macro_data (macros belong to no profile).
struct MacroData {
    int macro_id = 0;
    std::string name;
    int play_type = 0;
    int play_times = 0;
    int delay_type = 0;
    int delay_time = 0;
};

// One macro step of t_macrorecord. The table stores desc before value and delay_time.
struct MacroRecordData {
    int record_id = 0;
    int macro_id = 0;
    int type = 0;
    int record_index = 0;
    int value = 0;
    int delay_time = 0;
    std::string desc;
};

// One light mode setting of t_light_data, addressed by (profile, type, mode).
struct LightData {
    int light_id = 0;
    int profile = 0;
    std::string name;
    int type = 0;
    int mode = 0;
    int brightness = 0;
    int speed = 0;
    int direction = 0;
    int colorful = 0;
    int colorindex = 0;
    int color_value = 0;
    int config_func = 0;
    int reserved = 0;
    int status = 0;  // 1 for the active mode of (profile, type)
};

// One per-key colour of a custom colour set (t_userlightrgb_data).
struct UserLightRgbData {
    int userlightrgb_id = 0;
    int profile = 0;
    int userlight_id = 0;
    int key_code = 0;
    int key_rgb = 0;
};

// One screen animation of t_ledlayer_data.
struct LedLayerData {
    int led_id = 0;
    int profile = 0;
    int type = 0;
    std::string name;
    int frame_size = 0;
    std::string file_dir;
    std::string first_file;
};

// One frame of a screen animation (t_ledframe_data).
struct LedFrameData {
    int frame_id = 0;
    int led_id = 0;
    std::string name;
    int delay_time = 0;
    int frame_index = 0;
    std::string file_name;
};

// One row of t_tftscreen_data.
struct TftScreenData {
    int tft_id = 0;
    int profile = 0;
    int frame_size = 0;
    std::string file_name;
};

}  // namespace zanvor
