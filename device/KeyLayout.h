#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace zanvor {

class KeyboardCtrl;
class AuroraEffect;

// The Keyboard element of a layout file: where and how the keyboard picture is drawn, and the
// size of the keyboard's key matrix.
struct LayoutKeyboard {
    uint32_t bkColor = 0;  // bk_color, hex
    int xpos = 0;
    int ypos = 0;
    int width = 0;
    int height = 0;
    std::string image;  // file name below the skin's "keyboard/" folder
    int rowCount = 0;
    int colCount = 0;
};

// One key element of a layout file.
struct LayoutKey {
    int code = 0;      // HID usage of the key's factory layer-0 function; 0xFF = the knob
    std::string name;  // caption
    std::string desc;
    int keyIndex = 0;
    int lightIndex = 0;
    std::string icon;
    bool fnLayerDisable = false;  // fnlayer_disable == "1"
    int rectLeft = 0;
    int rectTop = 0;
    int rectWidth = 0;
    int rectHeight = 0;
    std::string rowCol;  // row_col as written
    int row = -1;        // parsed from row_col; -1 when it cannot be read
    int column = -1;
};

// A whole layout file, keys in file order.
struct KeyLayout {
    LayoutKeyboard keyboard;
    std::vector<LayoutKey> keys;
};

// Key matrix of the keyboard: 8 rows of 32 one-byte cells.
inline constexpr int kMatrixRows = 8;
inline constexpr int kMatrixColumns = 32;
inline constexpr uint8_t kMatrixEmpty = 0xFF;
using KeyMatrix = std::array<std::array<uint8_t, kMatrixColumns>, kMatrixRows>;

// Colour every key of the keyboard picture starts with.
inline constexpr uint32_t kDefaultKeyColor = 0x604E3A;
// Light-mode colour of the keyboard picture: the colour its keys are drawn with on the
// lighting pages while no per-key colours are shown (the same light grey the lighting page
// resets the keys to).
inline constexpr uint32_t kLightModeColor = 0xF1F1F1;

// The maps the rest of the program reads after a layout is loaded.
struct KeyMaps {
    std::map<int, int> codeToKeyIndex;
    std::map<int, int> codeToLightIndex;  // layout keys and the fixed side-light items
    std::map<int, int> lightIndexToCode;  // layout keys only
    std::set<int> fnDisabled;             // codes that cannot be assigned on fn layers
    KeyMatrix matrix;                     // low byte of each key's code at its row_col
    int rowCount = 0;
    int colCount = 0;

    KeyMaps() { Clear(); }
    // Empties the maps and sets every matrix cell to 0xFF.
    void Clear();
};

// Where a fixed side-light item sits around the keyboard picture.
enum class SideBar { Left, Top, Right, MatrixBar };

// A light of the side light bars; these are not in the layout file.
struct SideLightItem {
    int code = 0;
    int lightIndex = 0;
    SideBar bar = SideBar::Left;
    int position = 0;  // 0-based place along its bar
};

// The fixed side-light items of a device type, in the order they are added:
//  101: codes 300-308 -> 87-95 (left bar), 310-333 -> 96-119 (top bar), 332-340 -> 120-128
//       (right bar). Codes 332 and 333 appear in both the top and the right bar; their light
//       index is the right bar's (120, 121), so light indexes 118 and 119 end up without code.
//  102: codes 300-326, all light index 80 (the light bar in one row).
//  any other type: none.
std::vector<SideLightItem> SideLightItems(int deviceType);

// Parses row_col: the row is the first character; the column is the last character when the
// text is three characters long, otherwise the last two. False (row and column -1) when those
// characters are not digits.
bool ParseRowCol(std::string_view text, int& row, int& column);

// "<applicationFolder>layouts/<layoutName>.xml".
std::string LayoutFilePath(const std::string& applicationFolder, const std::string& layoutName);

// Parses a layout document. False when it is not well-formed XML or has no device.info root
// with a Keyboard element; `out` is then left unchanged. Missing attributes read as empty
// text or 0.
bool ParseLayout(std::string_view xml, KeyLayout& out);
// Reads and parses a layout file; false when it cannot be read or parsed (`out` unchanged).
bool ReadLayoutFile(const std::string& path, KeyLayout& out);

// Builds the key maps of a parsed layout for a device type (keys in file order, then the
// fixed side-light items). Positions outside the 8 x 32 matrix are left out of the matrix.
void BuildKeyMaps(const KeyLayout& layout, int deviceType, KeyMaps& maps);

// Reads a layout file and rebuilds `maps` from it. On failure (missing or malformed file)
// returns false and leaves `maps` and `layout` exactly as they were.
bool LoadKeyMaps(const std::string& path, int deviceType, KeyMaps& maps, KeyLayout& layout);

// Fills the drawing controls from a layout: clears their items, places both at (xpos, ypos,
// xpos + width, ypos + height) with the picture "keyboard/" + image and its size, sets the
// keyboard colour, adds every key (default colour 0x604E3A) to the keyboard control and to the
// effect control, adds the fixed side-light items of the device type to the effect control and
// sets the keyboard control's light-mode colour (kLightModeColor). Side lights are drawn along
// the picture's margins; their row is 0 and their column is their place along the bar.
void ApplyLayoutToControls(const KeyLayout& layout, int deviceType, KeyboardCtrl& keyboard,
                           AuroraEffect& effect);

}  // namespace zanvor
