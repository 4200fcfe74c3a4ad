#pragma once

// Live effect frames: the music renderer's picture sampled at the keys' grid cells into the
// effect control, and the control's key colours sent to the keyboard with command 0x2E.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "ui/AuroraEffect.h"

namespace zanvor {

class DeviceManager;
class Visualizer;

inline constexpr uint8_t kCommandEffectFrame = 0x2E;
inline constexpr size_t kEffectFrameBuffer = 800;
inline constexpr int kGridRowsMax = 8;
inline constexpr int kGridColumnsMax = 32;

// Which picture row and column each cell of the layout's key grid samples.
struct GridMaps {
    int rows = 0;
    int columns = 0;
    std::array<int, kGridRowsMax> rowMap{};
    std::array<int, kGridColumnsMax> columnMap{};
    bool Empty() const { return rows == 0 || columns == 0; }
};

// Rows spread evenly over picture rows 2..63, columns from column 0 in equal steps. Nothing
// (an empty grid) when either count is 0; counts beyond 8 rows or 32 columns are cut there.
GridMaps BuildGridMaps(int rows, int columns);

// The LED position of a key code; -1 when the key has none.
using LedLookup = std::function<int(int code)>;

// The frame for a set of key items: LED position p gets the item's red, green and blue at
// bytes 3p..3p+2 (positions beyond the buffer are skipped). Returns the bytes to send,
// (items + 2) x 3, never more than the buffer.
size_t BuildEffectFrame(const std::vector<std::pair<int, uint32_t>>& items, const LedLookup& ledOf,
                        std::array<uint8_t, kEffectFrameBuffer>& frame);

// Sends the effect control's colours: begin, the frame with WriteBlockChecked 0x2E, end.
// False when the frame was not accepted. `scratch` holds the item colours between calls.
bool SendEffectFrame(DeviceManager& devices, const AuroraEffect& effect, const LedLookup& ledOf,
                     std::vector<std::pair<int, uint32_t>>& scratch);

// The music mode's part of a frame: the renderer's finished picture (or, with foreground
// type 22, its background and the effect's own light matrix) into the colour map, and for the
// models with light bars their colours at the given brightness (percent).
void FillMusicColourMap(const Visualizer& visualizer, const GridMaps& grid, int foreType,
                        int deviceType, int lightBrightness, AuroraEffect& effect);

}  // namespace zanvor
