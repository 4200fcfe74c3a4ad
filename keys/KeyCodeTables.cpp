#include "keys/KeyCodeTables.h"

namespace zanvor {

namespace {

// Key usage captions of the keyboard picture and of read-back rows. Usages not listed
// (among them 0x32, 0x62, 0x63, 0x64 and right GUI 0xE7) have no caption.
constexpr UsageCaption kUsageCaptions[] = {
    {0x04, "A"},      {0x05, "B"},      {0x06, "C"},        {0x07, "D"},         {0x08, "E"},
    {0x09, "F"},      {0x0A, "G"},      {0x0B, "H"},        {0x0C, "I"},         {0x0D, "J"},
    {0x0E, "K"},      {0x0F, "L"},      {0x10, "M"},        {0x11, "N"},         {0x12, "O"},
    {0x13, "P"},      {0x14, "Q"},      {0x15, "R"},        {0x16, "S"},         {0x17, "T"},
    {0x18, "U"},      {0x19, "V"},      {0x1A, "W"},        {0x1B, "X"},         {0x1C, "Y"},
    {0x1D, "Z"},      {0x1E, "1"},      {0x1F, "2"},        {0x20, "3"},         {0x21, "4"},
    {0x22, "5"},      {0x23, "6"},      {0x24, "7"},        {0x25, "8"},         {0x26, "9"},
    {0x27, "0"},      {0x28, "Enter"},  {0x29, "Esc"},      {0x2A, "Backspace"}, {0x2B, "Tab"},
    {0x2C, "Space"},  {0x2D, "-"},      {0x2E, "="},        {0x2F, "["},         {0x30, "]"},
    {0x31, "\\"},     {0x33, ";"},      {0x34, "'"},        {0x35, "~"},         {0x36, ","},
    {0x37, "."},      {0x38, "/"},      {0x39, "CapsLock"}, {0x3A, "F1"},        {0x3B, "F2"},
    {0x3C, "F3"},     {0x3D, "F4"},     {0x3E, "F5"},       {0x3F, "F6"},        {0x40, "F7"},
    {0x41, "F8"},     {0x42, "F9"},     {0x43, "F10"},      {0x44, "F11"},       {0x45, "F12"},
    {0x46, "Print"},  {0x47, "Scroll"}, {0x48, "Pause"},    {0x49, "Insert"},    {0x4A, "Home"},
    {0x4B, "PgUp"},   {0x4C, "Delete"}, {0x4D, "End"},      {0x4E, "PgDn"},      {0x4F, "\u2192"},
    {0x50, "\u2190"}, {0x51, "\u2193"}, {0x52, "\u2191"},   {0x53, "Num Lock"},  {0x54, "Num /"},
    {0x55, "Num *"},  {0x56, "Num -"},  {0x57, "Num +"},    {0x58, "Num Enter"}, {0x59, "Num 1"},
    {0x5A, "Num 2"},  {0x5B, "Num 3"},  {0x5C, "Num 4"},    {0x5D, "Num 5"},     {0x5E, "Num 6"},
    {0x5F, "Num 7"},  {0x60, "Num 8"},  {0x61, "Num 9"},    {0x65, "App"},       {0x68, "F13"},
    {0x69, "F14"},    {0x6A, "F15"},    {0x6B, "F16"},      {0x6C, "F17"},       {0x6D, "F18"},
    {0x6E, "F19"},    {0x6F, "F20"},    {0x70, "F21"},      {0x71, "F22"},       {0x72, "F23"},
    {0x73, "F24"},    {0xAF, "Fn"},     {0xD1, ">-<"},      {0xD2, "Calc"},      {0xE0, "Ctrl"},
    {0xE1, "Shift"},  {0xE2, "Alt"},    {0xE3, "Win"},      {0xE4, "Ctrl"},      {0xE5, "Shift"},
    {0xE6, "Alt"},
};

// Virtual keys of captured and recorded keys. 301, 302 and 666 are the program's own codes;
// 0x88-0x8B pass through unchanged. The generic Shift, Ctrl and Alt codes are deliberately
// absent: callers turn them into the left-hand codes first.
constexpr VirtualKeyUsage kVirtualKeyUsages[] = {
    {0x08, 0x2A}, {0x09, 0x2B}, {0x0D, 0x28},  {0x13, 0x48},  {0x14, 0x39},  {0x1B, 0x29},
    {0x20, 0x2C}, {0x21, 0x4B}, {0x22, 0x4E},  {0x23, 0x4D},  {0x24, 0x4A},  {0x25, 0x50},
    {0x26, 0x52}, {0x27, 0x4F}, {0x28, 0x51},  {0x2C, 0x46},  {0x2D, 0x49},  {0x2E, 0x4C},
    {0x30, 0x27}, {0x31, 0x1E}, {0x32, 0x1F},  {0x33, 0x20},  {0x34, 0x21},  {0x35, 0x22},
    {0x36, 0x23}, {0x37, 0x24}, {0x38, 0x25},  {0x39, 0x26},  {0x41, 0x04},  {0x42, 0x05},
    {0x43, 0x06}, {0x44, 0x07}, {0x45, 0x08},  {0x46, 0x09},  {0x47, 0x0A},  {0x48, 0x0B},
    {0x49, 0x0C}, {0x4A, 0x0D}, {0x4B, 0x0E},  {0x4C, 0x0F},  {0x4D, 0x10},  {0x4E, 0x11},
    {0x4F, 0x12}, {0x50, 0x13}, {0x51, 0x14},  {0x52, 0x15},  {0x53, 0x16},  {0x54, 0x17},
    {0x55, 0x18}, {0x56, 0x19}, {0x57, 0x1A},  {0x58, 0x1B},  {0x59, 0x1C},  {0x5A, 0x1D},
    {0x5B, 0xE3}, {0x5C, 0xE7}, {0x5D, 0x65},  {0x60, 0x62},  {0x61, 0x59},  {0x62, 0x5A},
    {0x63, 0x5B}, {0x64, 0x5C}, {0x65, 0x5D},  {0x66, 0x5E},  {0x67, 0x5F},  {0x68, 0x60},
    {0x69, 0x61}, {0x6A, 0x55}, {0x6B, 0x57},  {0x6C, 0x58},  {0x6D, 0x56},  {0x6E, 0x63},
    {0x6F, 0x54}, {0x70, 0x3A}, {0x71, 0x3B},  {0x72, 0x3C},  {0x73, 0x3D},  {0x74, 0x3E},
    {0x75, 0x3F}, {0x76, 0x40}, {0x77, 0x41},  {0x78, 0x42},  {0x79, 0x43},  {0x7A, 0x44},
    {0x7B, 0x45}, {0x7C, 0x68}, {0x7D, 0x69},  {0x7E, 0x6A},  {0x7F, 0x6B},  {0x80, 0x6C},
    {0x81, 0x6D}, {0x82, 0x6E}, {0x83, 0x6F},  {0x84, 0x70},  {0x85, 0x71},  {0x86, 0x72},
    {0x87, 0x73}, {0x88, 0x88}, {0x89, 0x89},  {0x8A, 0x8A},  {0x8B, 0x8B},  {0x90, 0x53},
    {0x91, 0x47}, {0xA0, 0xE1}, {0xA1, 0xE5},  {0xA2, 0xE0},  {0xA3, 0xE4},  {0xA4, 0xE2},
    {0xA5, 0xE6}, {0xBA, 0x33}, {0xBB, 0x2E},  {0xBC, 0x36},  {0xBD, 0x2D},  {0xBE, 0x37},
    {0xBF, 0x38}, {0xC0, 0x35}, {0xDB, 0x2F},  {0xDC, 0x31},  {0xDD, 0x30},  {0xDE, 0x34},
    {0xE2, 0x64}, {0xFE, 0xAF}, {0x12D, 0xEC}, {0x12E, 0xEB}, {0x29A, 0x32},
};

constexpr MouseFunction kMouseFunctions[] = {
    {90, 0x00, 0x01, 220, MouseFunction::kByButtonsAndArgument},  // left
    {91, 0x00, 0x04, 222, MouseFunction::kByButtons},             // middle
    {92, 0x00, 0x02, 223, MouseFunction::kByButtons},             // right
    {94, 0x00, 0x10, 227, MouseFunction::kByButtons},             // forward (button 5)
    {95, 0x00, 0x08, 228, MouseFunction::kByButtons},             // back (button 4)
    {96, 0x05, 0x01, 225, MouseFunction::kByButtonsAndArgument},  // left, argument 5
    {97, 0x06, 0x01, 226, MouseFunction::kByButtonsAndArgument},  // left, argument 6
};

constexpr MediaFunction kMediaFunctions[] = {
    {100, 0x00CD, true, 264, 264, nullptr},  // Play/Pause
    {101, 0x00B7, true, 265, 265, nullptr},  // Stop
    {102, 0x00B6, true, 266, 266, nullptr},  // Scan Previous Track
    {103, 0x00B5, true, 267, 267, nullptr},  // Scan Next Track
    {104, 0x00E9, true, 268, 268, nullptr},  // Volume Increment
    {105, 0x00EA, true, 269, 269, nullptr},  // Volume Decrement
    {106, 0x00E2, true, 270, 270, nullptr},  // Mute
    {110, 0x0183, true, 263, 263, nullptr},  // AL Consumer Control Configuration
    {111, 0x006F, false, 0, 278, nullptr},   // Display Brightness Increment
    {112, 0x0070, false, 0, 279, nullptr},   // Display Brightness Decrement
    {113, 0x0194, true, 260, 280, nullptr},  // AL Local Machine Browser
    {114, 0x0192, true, 261, 281, nullptr},  // AL Calculator
    {115, 0x018A, true, 262, 282, nullptr},  // AL Email Reader
    {116, 0x0223, true, 271, 271, nullptr},  // AC Home
    {117, 0x0227, true, 272, 272, nullptr},  // AC Refresh
    {118, 0x0226, true, 273, 273, nullptr},  // AC Stop
    {119, 0x0224, true, 274, 0, ">-<"},      // AC Back
    {120, 0x0225, true, 275, 275, nullptr},  // AC Forward
    {121, 0x022A, true, 276, 276, nullptr},  // AC Bookmarks
    {122, 0x0221, true, 277, 277, nullptr},  // AC Search
};

constexpr ShortcutFunction kShortcutFunctions[] = {
    {150, {0x10, 0x08, 0x07}, 251, 0},  // left GUI + D
    {151, {0x10, 0x08, 0x08}, 252, 0},  // left GUI + E
    {152, {0x10, 0x08, 0x0F}, 253, 0},  // left GUI + L
    {153, {0x10, 0x01, 0x1A}, 254, 0},  // left Ctrl + W
    {154, {0x10, 0x04, 0x2B}, 255, 0},  // left Alt + Tab
    {155, {0x10, 0x01, 0x06}, 31, 0},   // left Ctrl + C
    {156, {0x10, 0x01, 0x19}, 32, 0},   // left Ctrl + V
    {157, {0x10, 0x01, 0x1B}, 36, 0},   // left Ctrl + X
    {158, {0x10, 0x01, 0x16}, 38, 0},   // left Ctrl + S
    {159, {0x10, 0x01, 0x12}, 39, 0},   // left Ctrl + O
    {160, {0x10, 0x01, 0x11}, 35, 0},   // left Ctrl + N
    {161, {0x02, 0x02, 0x00}, 257, 2}, {162, {0x02, 0x01, 0x00}, 258, 1},
    {163, {0x10, 0x00, 0x00}, 259, 3},
};

constexpr InternalFunction kInternalFunctions[] = {
    {1, "Fn0", "Fn0", 2201},
    {2, "Fn", "Fn1", 2202},
    {3, "Fn2", "Fn2", 2203},
    {4, "Fn3", "Fn3", 2204},
    {5, "To0", "To0", 2205},
    {6, "To1", "To1", 2206},
    {7, "To2", "To2", 2207},
    {8, "To3", "To3", 2208},
    {9, "BL-TOG", "BL-TOG", 2209},
    {10, "BL-MOD", "BL-MOD", 2210},
    {11, "BL-RMOD", "BL-RMOD", 2211},
    {12, "BL-HUT", "BL-HUT", 2212},
    {13, "BL-HUD", "BL-HUD", 2213},
    {14, "BL-VAI", "BL-VAI", 2214},
    {15, "BL-VAD", "BL-VAD", 2215},
    {16, "BL-SPI", "BL-SPI", 2216},
    {17, "BL-SPD", "BL-SPD", 2217},
    {18, "BL-LIGHT1", "BL-LIGHT1", 2218},
    {19, "BL-LIGHT2", "BL-LIGHT2", 2219},
    {20, "BL-LIGHT3", "BL-LIGHT3", 2220},
    {21, "BL-LIGHT4", "BL-LIGHT4", 2221},
    {22, "BL-LIGHT5", "BL-LIGHT5", 2222},
    {41, "Reset", nullptr, 2241},
    {47, "Battery", "Battery", 2247},
    {48, "6N", "6N", 2248},
    {49, "Mac/Win", "Mac/Win", 2249},
    {50, "WinLock", "WinLock", 2250},
    {51, "WASD", "WASD", 2251},
    {52, "KeyDelay", "KeyDelay", 2252},
    {53, "F-Change", "F-Change", 2253},
};

// Keys of the function lists. Their captions differ from the usage captions on purpose
// ("Ins" here, "Insert" in the keyboard picture). A chosen caption is stored with the key row
// and travels in exchange files, so every caption stays as it is; only the misspelt
// "Backsapce" is corrected (and still understood when read, see KeyUsageFromCaption).
constexpr KeyListEntry kKeyListKeys[] = {
    {0x04, "A"},       {0x05, "B"},         {0x06, "C"},           {0x07, "D"},
    {0x08, "E"},       {0x09, "F"},         {0x0A, "G"},           {0x0B, "H"},
    {0x0C, "I"},       {0x0D, "J"},         {0x0E, "K"},           {0x0F, "L"},
    {0x10, "M"},       {0x11, "N"},         {0x12, "O"},           {0x13, "P"},
    {0x14, "Q"},       {0x15, "R"},         {0x16, "S"},           {0x17, "T"},
    {0x18, "U"},       {0x19, "V"},         {0x1A, "W"},           {0x1B, "X"},
    {0x1C, "Y"},       {0x1D, "Z"},         {0x27, "0"},           {0x1E, "1"},
    {0x1F, "2"},       {0x20, "3"},         {0x21, "4"},           {0x22, "5"},
    {0x23, "6"},       {0x24, "7"},         {0x25, "8"},           {0x26, "9"},
    {0x3A, "F1"},      {0x3B, "F2"},        {0x3C, "F3"},          {0x3D, "F4"},
    {0x3E, "F5"},      {0x3F, "F6"},        {0x40, "F7"},          {0x41, "F8"},
    {0x42, "F9"},      {0x43, "F10"},       {0x44, "F11"},         {0x45, "F12"},
    {0x52, "\u2191"},  {0x50, "\u2190"},    {0x51, "\u2193"},      {0x4F, "\u2192"},
    {0x29, "Esc"},     {0x46, "Print"},     {0x47, "Scroll Lock"}, {0x48, "Pause"},
    {0x35, "~"},       {0x2A, "Backspace"}, {0x49, "Ins"},         {0x4A, "Home"},
    {0x4B, "PgUp"},    {0x2B, "Tab"},       {0x4C, "Del"},         {0x4D, "End"},
    {0x4E, "PgDn"},    {0x39, "Caps"},      {0x28, "Enter"},       {0x2C, "Space"},
    {0x53, "NumLock"}, {0x54, "/"},         {0x55, "*"},           {0x56, "-"},
    {0x5F, "7"},       {0x60, "8"},         {0x61, "9"},           {0x57, "+"},
    {0x5C, "4"},       {0x5D, "5"},         {0x5E, "6"},           {0x59, "1"},
    {0x5A, "2"},       {0x5B, "3"},         {0x58, "Enter"},       {0x62, "0"},
    {0x63, "."},       {0xE1, "Shift"},     {0xE0, "Ctrl"},        {0xE3, "Win"},
    {0xE2, "Alt"},     {0xE5, "R-Shift"},   {0xE4, "R-Ctrl"},      {0xE7, "R-Win"},
    {0xE6, "R-Alt"},   {0x2D, "-"},         {0x2E, "="},           {0x2F, "["},
    {0x30, "]"},       {0x31, "||"},        {0x33, ";"},           {0x34, "'"},
    {0x36, ",<"},      {0x37, ".>"},        {0x38, "/?"},
};

constexpr int kKeyListMouseOrder[] = {90, 91, 92, 96, 97, 94, 95};
constexpr int kKeyListMediaOrder[] = {113, 114, 115, 110, 100, 101, 102, 103, 104, 105, 106};
constexpr int kKeyListShortcutOrder[] = {155, 156, 157, 158, 159, 160, 150, 151, 152, 153, 154};
constexpr int kKnobListMediaOrder[] = {113, 114, 115, 110, 100, 101, 102, 103, 104,
                                       105, 106, 116, 117, 118, 119, 120, 121, 122};

// Bit 6 (right Alt) is shown as "Alt".
constexpr std::array<const char*, 8> kModifierNames = {"LCtrl", "LShift", "LAlt", "LWin",
                                                       "RCtrl", "RShift", "Alt",  "RWin"};
constexpr std::array<const char*, 8> kPrefixedModifierNames = {
    "+ LCtrl", "+ LShift", "+ LAlt", "+ LWin", "+ RCtrl", "+ RShift", "+ Alt", "+ RWin"};

constexpr FixedKeyName kRecordingKeyNames[] = {
    {0x10, 0xA0, "Shift"},        {0x11, 0xA2, "Ctrl"},         {0x12, 0xA4, "Alt"},
    {0x13, 0x13, "Pause"},        {0x2C, 0x2C, "Print Screen"}, {0x5B, 0x5B, "Windows"},
    {0x5C, 0x5C, "RWindows"},     {0x5D, 0x5D, "Application"},  {0x90, 0x90, "Num Lock"},
    {0xA0, 0xA0, "Shift"},        {0xA1, 0xA1, "RShift"},       {0xA2, 0xA2, "Ctrl"},
    {0xA3, 0xA3, "RCtrl"},        {0xA4, 0xA4, "Alt"},          {0xA5, 0xA5, "RAlt"},
    {0xA6, 0xA6, "Web-Backward"}, {0xA7, 0xA7, "Web-Forward"},  {0xA8, 0xA8, "Web-Refresh"},
    {0xA9, 0xA9, "Web-Stop"},     {0xAA, 0xAA, "Web-Search"},   {0xAB, 0xAB, "Web-Favorites"},
    {0xAC, 0xAC, "Web-Home"},     {0xAD, 0xAD, "Vol Mute"},     {0xAE, 0xAE, "Vol Down"},
    {0xAF, 0xAF, "Vol Up"},       {0xB0, 0xB0, "Next Track"},   {0xB1, 0xB1, "Prev Track"},
    {0xB2, 0xB2, "Stop"},         {0xB3, 0xB3, "Play/Pause"},   {0xB4, 0xB4, "EMail"},
    {0xB5, 0xB5, "Multimedia"},   {0xB6, 0xB6, "My Computer"},  {0xB7, 0xB7, "Calculator"},
};

constexpr FixedKeyName kKeyTestKeyNames[] = {
    {0x10, 0xA0, "Shift"},      {0x11, 0xA2, "Ctrl"},         {0x12, 0xA4, "Alt"},
    {0x13, 0x13, "Pause"},      {0x2C, 0x2C, "Print Screen"}, {0x5B, 0x5B, "Windows"},
    {0x5C, 0x5C, "RWindows"},   {0x5D, 0x5D, "Application"},  {0x90, 0x90, "Num Lock"},
    {0xA0, 0xA0, "Shift"},      {0xA1, 0xA1, "RShift"},       {0xA2, 0xA2, "Ctrl"},
    {0xA3, 0xA3, "RCtrl"},      {0xA4, 0xA4, "Alt"},          {0xA5, 0xA5, "RAlt"},
    {0xA6, 0xA6, "Backward"},   {0xA7, 0xA7, "Forward"},      {0xA8, 0xA8, "Refresh"},
    {0xA9, 0xA9, "Stop"},       {0xAA, 0xAA, "Search"},       {0xAB, 0xAB, "Favorites"},
    {0xAC, 0xAC, "Home"},       {0xAD, 0xAD, "Vol Mute"},     {0xAE, 0xAE, "Vol Down"},
    {0xAF, 0xAF, "Vol Up"},     {0xB0, 0xB0, "Next"},         {0xB1, 0xB1, "Prev"},
    {0xB2, 0xB2, "Stop"},       {0xB3, 0xB3, "Play/Pause"},   {0xB4, 0xB4, "EMail"},
    {0xB5, 0xB5, "Multimedia"}, {0xB6, 0xB6, "Computer"},     {0xB7, 0xB7, "Cal"},
};

// Key names as a US English layout shows them; the fixed names above take precedence.
constexpr SystemKeyNameEntry kSystemKeyNames[] = {
    {0x08, "Backspace"},
    {0x09, "Tab"},
    {0x0C, "Num 5"},
    {0x0D, "Enter"},
    {0x13, "Pause"},
    {0x14, "Caps Lock"},
    {0x1B, "Esc"},
    {0x20, "Space"},
    {0x21, "Page Up"},
    {0x22, "Page Down"},
    {0x23, "End"},
    {0x24, "Home"},
    {0x25, "Left"},
    {0x26, "Up"},
    {0x27, "Right"},
    {0x28, "Down"},
    {0x2C, "Prnt Scrn"},
    {0x2D, "Insert"},
    {0x2E, "Delete"},
    {0x30, "0"},
    {0x31, "1"},
    {0x32, "2"},
    {0x33, "3"},
    {0x34, "4"},
    {0x35, "5"},
    {0x36, "6"},
    {0x37, "7"},
    {0x38, "8"},
    {0x39, "9"},
    {0x41, "A"},
    {0x42, "B"},
    {0x43, "C"},
    {0x44, "D"},
    {0x45, "E"},
    {0x46, "F"},
    {0x47, "G"},
    {0x48, "H"},
    {0x49, "I"},
    {0x4A, "J"},
    {0x4B, "K"},
    {0x4C, "L"},
    {0x4D, "M"},
    {0x4E, "N"},
    {0x4F, "O"},
    {0x50, "P"},
    {0x51, "Q"},
    {0x52, "R"},
    {0x53, "S"},
    {0x54, "T"},
    {0x55, "U"},
    {0x56, "V"},
    {0x57, "W"},
    {0x58, "X"},
    {0x59, "Y"},
    {0x5A, "Z"},
    {0x5B, "Left Windows"},
    {0x5C, "Right Windows"},
    {0x5D, "Application"},
    {0x60, "Num 0"},
    {0x61, "Num 1"},
    {0x62, "Num 2"},
    {0x63, "Num 3"},
    {0x64, "Num 4"},
    {0x65, "Num 5"},
    {0x66, "Num 6"},
    {0x67, "Num 7"},
    {0x68, "Num 8"},
    {0x69, "Num 9"},
    {0x6A, "Num *"},
    {0x6B, "Num +"},
    {0x6C, "Num Enter"},
    {0x6D, "Num -"},
    {0x6E, "Num Del"},
    {0x6F, "Num /"},
    {0x70, "F1"},
    {0x71, "F2"},
    {0x72, "F3"},
    {0x73, "F4"},
    {0x74, "F5"},
    {0x75, "F6"},
    {0x76, "F7"},
    {0x77, "F8"},
    {0x78, "F9"},
    {0x79, "F10"},
    {0x7A, "F11"},
    {0x7B, "F12"},
    {0x7C, "F13"},
    {0x7D, "F14"},
    {0x7E, "F15"},
    {0x7F, "F16"},
    {0x80, "F17"},
    {0x81, "F18"},
    {0x82, "F19"},
    {0x83, "F20"},
    {0x84, "F21"},
    {0x85, "F22"},
    {0x86, "F23"},
    {0x87, "F24"},
    {0x90, "Num Lock"},
    {0x91, "Scroll Lock"},
    {0xA0, "Shift"},
    {0xA1, "Right Shift"},
    {0xA2, "Ctrl"},
    {0xA3, "Right Ctrl"},
    {0xA4, "Alt"},
    {0xA5, "Right Alt"},
    {0xBA, ";"},
    {0xBB, "="},
    {0xBC, ","},
    {0xBD, "-"},
    {0xBE, "."},
    {0xBF, "/"},
    {0xC0, "`"},
    {0xDB, "["},
    {0xDC, "\\"},
    {0xDD, "]"},
    {0xDE, "'"},
    {0xE2, "\\"},
};

constexpr KeypadScanCode kKeypadScanCodes[] = {
    {0x47, 0x67}, {0x48, 0x68}, {0x49, 0x69}, {0x4B, 0x64}, {0x4C, 0x65}, {0x4D, 0x66},
    {0x4F, 0x61}, {0x50, 0x62}, {0x51, 0x63}, {0x52, 0x60}, {0x53, 0x6E},
};

constexpr HookMouseEvent kHookMouseEvents[] = {
    {0x0201, 0, "MouseL", 1, true},    {0x0202, 0, "MouseL", 1, false},
    {0x0204, 0, "MouseR", 2, true},    {0x0205, 0, "MouseR", 2, false},
    {0x0207, 0, "MouseM", 4, true},    {0x0208, 0, "MouseM", 4, false},
    {0x020B, 1, "Backward", 8, true},  {0x020B, 2, "Forward", 16, true},
    {0x020C, 1, "Backward", 8, false}, {0x020C, 2, "Forward", 16, false},
};

// Tested in this order; the first flag present decides.
constexpr RawMouseEvent kRawMouseEvents[] = {
    {0x0001, "MouseL", 1, true},   {0x0010, "MouseM", 2, true},    {0x0004, "MouseR", 3, true},
    {0x0002, "MouseL", 1, false},  {0x0020, "MouseM", 2, false},   {0x0008, "MouseR", 3, false},
    {0x0040, "Backward", 7, true}, {0x0080, "Backward", 7, false}, {0x0100, "Forward", 8, true},
    {0x0200, "Forward", 8, false},
};

}  // namespace

std::span<const UsageCaption> UsageCaptionTable() {
    return kUsageCaptions;
}
std::span<const VirtualKeyUsage> VirtualKeyUsageTable() {
    return kVirtualKeyUsages;
}
std::span<const MouseFunction> MouseFunctionTable() {
    return kMouseFunctions;
}
std::span<const MediaFunction> MediaFunctionTable() {
    return kMediaFunctions;
}
std::span<const ShortcutFunction> ShortcutFunctionTable() {
    return kShortcutFunctions;
}
std::span<const InternalFunction> InternalFunctionTable() {
    return kInternalFunctions;
}
std::span<const KeyListEntry> KeyListKeys() {
    return kKeyListKeys;
}
std::span<const int> KeyListMouseOrder() {
    return kKeyListMouseOrder;
}
std::span<const int> KeyListMediaOrder() {
    return kKeyListMediaOrder;
}
std::span<const int> KeyListShortcutOrder() {
    return kKeyListShortcutOrder;
}
std::span<const int> KnobListMediaOrder() {
    return kKnobListMediaOrder;
}
const std::array<const char*, 8>& ModifierNames() {
    return kModifierNames;
}
const std::array<const char*, 8>& PrefixedModifierNames() {
    return kPrefixedModifierNames;
}
std::span<const FixedKeyName> RecordingKeyNames() {
    return kRecordingKeyNames;
}
std::span<const FixedKeyName> KeyTestKeyNames() {
    return kKeyTestKeyNames;
}
std::span<const SystemKeyNameEntry> SystemKeyNameTable() {
    return kSystemKeyNames;
}
std::span<const KeypadScanCode> KeypadScanCodeTable() {
    return kKeypadScanCodes;
}
std::span<const HookMouseEvent> HookMouseEventTable() {
    return kHookMouseEvents;
}
std::span<const RawMouseEvent> RawMouseEventTable() {
    return kRawMouseEvents;
}

}  // namespace zanvor
