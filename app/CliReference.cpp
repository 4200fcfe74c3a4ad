#include "app/CliReference.h"

#include <algorithm>

namespace zanvor {

namespace {

// Fields of one keyboard in `devices` and `unreachable`.
const std::vector<CliJsonField> kDeviceFields = {
    {"devices", "array: one entry per keyboard interface the program opened"},
    {"devices[].type", "device type of the model (101, 102, ...), the value --device takes"},
    {"devices[].name", "model name from the catalogue"},
    {"devices[].connection", "\"cable\", \"receiver\" (2.4 GHz) or \"direct\""},
    {"devices[].online", "true when the keyboard answers (a receiver's keyboard may be off)"},
    {"devices[].battery", "battery level in percent (100 for keyboards without a battery)"},
    {"devices[].charging", "true while the battery charges"},
    {"devices[].selected", "true for the model commands go to"},
    {"unreachable",
     "array: catalogued keyboards that are plugged in but this user may not open (install "
     "the udev rule, then replug)"},
    {"unreachable[].type", "device type of the model"},
    {"unreachable[].name", "model name from the catalogue"},
    {"unreachable[].connection", "\"cable\", \"receiver\" or \"direct\""},
    {"unreachable[].path", "the device node that could not be opened (/dev/hidrawN)"},
};

const std::vector<CliJsonField> kSettingsFields = {
    {"mac_mode", "\"1\" Mac layout, \"0\" Windows layout"},
    {"game_mode", "\"1\" game mode on (Windows key and shortcuts off)"},
    {"lock_win", "\"1\" Windows key locked"},
    {"wasd_mode", "\"1\" WASD and the arrow keys swapped"},
    {"sleep_time", "minutes without use before the keyboard sleeps"},
    {"key_keyresponse", "key response time as the settings page offers it"},
    {"encoder_mode", "mode of the knob (encoder), where the model has one"},
};

}  // namespace

const std::vector<CliCommandReference>& CliReference() {
    static const std::vector<CliCommandReference> reference = {
        {"", {"--simulate devices", "--device 102 --json info"}, {}},
        {"devices", {"devices", "--json devices"}, kDeviceFields},
        {"info",
         {"--device 102 info"},
         {
             {"device_type", "device type of the selected model"},
             {"firmware", "firmware version as the settings page shows it (\"v1.14\")"},
             {"lighting_protocol", "version of the keyboard's lighting protocol"},
             {"zone1", "true when the keyboard has light zone 1"},
             {"zone2", "true when the keyboard has light zone 2"},
             {"knob", "true when the keyboard has a knob"},
             {"matrix_screen", "true when the keyboard has a matrix screen (light bar)"},
             {"macro_capacity", "bytes the keyboard keeps for macros"},
             {"battery", "battery level in percent"},
             {"charging", "true while the battery charges"},
         }},
        {"profile", {"profile list", "profile add Racing"}, {}},
        {"profile list",
         {"profile list"},
         {
             {"profiles", "array: the profiles of the selected model, in list order"},
             {"profiles[].id", "profile id, the ID the other profile commands take"},
             {"profiles[].name", "profile name as the window shows it"},
             {"profiles[].active", "true for the profile the keyboard has"},
         }},
        {"profile add", {"profile add Racing"}, {{"id", "id of the new profile (made active)"}}},
        {"profile rename", {"profile rename 4 \"Late night\""}, {}},
        {"profile delete", {"--yes profile delete 4"}, {}},
        {"profile activate", {"profile activate 2"}, {}},
        {"settings", {"settings", "settings set sleep_time 10"}, kSettingsFields},
        // With a KEY, only that field.
        {"settings get", {"settings get sleep_time"}, kSettingsFields},
        {"settings set", {"settings set game_mode 1", "settings set sleep_time 10"}, {}},
        {"key", {"key list --layer 2", "key set Esc media:101"}, {}},
        {"key list",
         {"key list", "--json key list --layer 2"},
         {
             {"layer", "the layer listed, 1-4 (1 = the base layer)"},
             {"keys", "array: every key of the selected model"},
             {"keys[].usage",
              "HID usage of the key in hex (\"0x29\"), the KEY other commands take"},
             {"keys[].key", "the key's caption (\"Esc\")"},
             {"keys[].function",
              "its function in the FUNCTION form (\"media:101\"), or \"factory\" for the "
              "keyboard's own"},
             {"keys[].type", "function type as stored (0 = the factory function)"},
             {"keys[].code", "function code as stored"},
             {"keys[].caption", "caption of the function as the key page shows it"},
         }},
        {"key set",
         {"key set Esc media:101", "key set --layer 2 \"Caps Lock\" key:0x06+LCtrl"},
         {}},
        {"key reset", {"key reset Esc", "key reset --layer 2"}, {}},
        {"knob", {"knob list", "knob set 1 media:104"}, {}},
        {"knob list",
         {"knob list"},
         {
             {"knob", "array: the knob's three actions on each of the four layers"},
             {"knob[].layer", "layer, 1-4"},
             {"knob[].action", "0 turn left, 1 turn right, 2 press"},
             {"knob[].name", "name of the action"},
             {"knob[].function", "its function in the FUNCTION form"},
             {"knob[].caption", "caption of the function"},
         }},
        {"knob set", {"knob set 2 media:106", "knob set --layer 2 0 media:105"}, {}},
        {"export", {"export 1 racing.xml"}, {}},
        {"import",
         {"import racing.xml"},
         {
             {"id", "id of the new profile"},
             {"name", "its name, taken from the file"},
             {"keys", "number of key assignments read"},
         }},
        {"macro", {"macro list", "macro set 1 down:LCtrl down:C up:C up:LCtrl"}, {}},
        {"macro list",
         {"macro list"},
         {
             {"macros", "array: every macro, in list order (macros belong to no profile)"},
             {"macros[].id", "macro id, the ID the other macro commands and macro:ID take"},
             {"macros[].name", "name as the macro page shows it"},
             {"macros[].stored_name", "name as stored (a default name stays untranslated)"},
             {"macros[].steps", "number of steps"},
             {"macros[].play_type",
              "0 a number of times, 1 while held, 2 until pressed again, 3 until any key"},
             {"macros[].play_times", "how many times it plays with play_type 0"},
             {"macros[].delay_type", "how recordings fill in delays: 0 none, 1 measured, 2 fixed"},
             {"macros[].delay_time", "the fixed delay in ms (delay_type 2)"},
         }},
        {"macro show",
         {"macro show 1"},
         {
             {"id", "macro id"},
             {"name", "name as the macro page shows it"},
             {"words", "array: the steps in the STEP form macro set takes"},
             {"steps", "array: the steps as stored"},
             {"steps[].type",
              "1 pause, 2 key down, 3 key up, 4 mouse button down, 5 mouse button up (a wheel "
              "turn when its text names one)"},
             {"steps[].value", "virtual-key code, mouse button bit or pause in ms"},
             {"steps[].delay", "delay after the step in ms"},
             {"steps[].text", "the step as the macro page shows it"},
         }},
        {"macro add", {"macro add Greeting"}, {{"id", "id of the new macro"}}},
        {"macro rename", {"macro rename 1 \"Copy all\""}, {}},
        {"macro delete", {"macro delete 1"}, {}},
        {"macro set",
         {"macro set 1 down:LCtrl down:C up:C up:LCtrl", "macro set 2 down:A@50 up:A pause:200"},
         {
             {"id", "macro id"},
             {"steps", "number of steps stored"},
             {"block_bytes", "size of the macro block sent to the keyboard"},
             {"left_out",
              "array: names of macros whose steps did not fit the keyboard's memory (not sent)"},
         }},
        {"macro delay", {"macro delay 1 fixed:20", "macro delay 1 measured"}, {}},
        {"light", {"light show", "light mode main 2 --brightness 3"}, {}},
        {"light show",
         {"light show"},
         {
             {"zones", "array: each light zone of the keyboard"},
             {"zones[].zone", "\"main\", \"1\" or \"2\", the ZONE other light commands take"},
             {"zones[].enabled", "true while the lighting is on"},
             {"zones[].mode", "light mode number (custom sets are modes of their own)"},
             {"zones[].name", "name of the mode as the lighting page shows it"},
             {"zones[].brightness", "brightness of the mode"},
             {"zones[].speed", "speed of the mode"},
             {"zones[].colour", "colour as RRGGBB"},
             {"zones[].colourful", "true when the mode cycles through colours instead"},
         }},
        {"light mode",
         {"light mode main 2 --brightness 3 --speed 2", "light mode 1 1 --colour 00D8F0"},
         {}},
        {"light on", {"light on", "light on 1"}, {}},
        {"light off", {"light off"}, {}},
        {"light custom",
         {"light custom 0 --all 000000 Esc=FF0000 W=00D8F0 A=00D8F0 S=00D8F0 D=00D8F0"},
         {}},
        {"light custom-show",
         {"light custom-show 0"},
         {
             {"set", "the custom set, 0-4"},
             {"source",
              "\"stored\" (painted here) or \"keyboard\" (never painted: read from the "
              "keyboard)"},
             {"keys", "array: every key with a light"},
             {"keys[].usage", "HID usage of the key in hex"},
             {"keys[].key", "the key's caption"},
             {"keys[].colour", "its colour as RRGGBB"},
         }},
        {"screen", {"--device 103 screen list", "--device 103 screen import intro.gif"}, {}},
        {"screen list",
         {"--device 103 screen list"},
         {
             {"model", "the keyboard model whose library is listed"},
             {"animations", "array: the animations of the library"},
             {"animations[].id", "animation id, the ID screen export and delete take"},
             {"animations[].folder", "its folder in the library"},
             {"animations[].frames", "number of frames"},
             {"animations[].duration_ms", "length of one run in ms"},
             {"animations[].factory", "true for the keyboard's own animation"},
             {"animations[].missing", "true when its files are gone from the library"},
         }},
        {"screen import",
         {"--device 103 screen import intro.gif"},
         {
             {"id", "id of the new animation"},
             {"frames", "number of frames taken from the file"},
             {"duration_ms", "length of one run in ms"},
         }},
        {"screen export", {"--device 103 screen export 1 intro.gif"}, {}},
        {"screen delete", {"--device 103 screen delete 2"}, {}},
        {"reset", {"--yes reset"}, {}},
        {"app", {"app language 1045", "app autostart on --minimised on"}, {}},
        {"app language",
         {"app language", "app language 1045"},
         {
             {"language", "LCID of the interface language (1033 English, 1045 Polski)"},
             {"available", "array: LCIDs of the installed languages"},
         }},
        {"app autostart",
         {"app autostart on", "app autostart on --minimised on"},
         {
             {"autostart", "true when the program starts with the desktop session"},
             {"minimised", "true when it then starts minimised"},
         }},
        {"app exit-mode",
         {"app exit-mode tray"},
         {{"exit_mode", "\"tray\" (closing hides the window) or \"exit\""}}},
    };
    return reference;
}

const CliCommandReference* FindCliReference(const std::string& path) {
    const auto& reference = CliReference();
    const auto found =
        std::find_if(reference.begin(), reference.end(),
                     [&path](const CliCommandReference& entry) { return entry.path == path; });
    return found == reference.end() ? nullptr : &*found;
}

}  // namespace zanvor
