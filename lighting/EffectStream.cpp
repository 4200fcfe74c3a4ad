#include "lighting/EffectStream.h"

#include <algorithm>

#include "device/DeviceManager.h"
#include "device/ReportFraming.h"
#include "keys/KeyTables.h"
#include "lighting/Visualizer.h"

namespace zanvor {

namespace {

constexpr int kMatrixLightRows = 7;
constexpr int kMatrixLightColumns = 19;
constexpr int kSideBarDeviceType = 101;
constexpr int kTopBarDeviceType = 102;

}  // namespace

GridMaps BuildGridMaps(int rows, int columns) {
    GridMaps maps;
    if (rows <= 0 || columns <= 0) {
        return maps;
    }
    maps.rows = std::min(rows, kGridRowsMax);
    maps.columns = std::min(columns, kGridColumnsMax);
    const int rowStep = 62 / rows;
    for (int i = 0; i < maps.rows; ++i) {
        maps.rowMap[i] = static_cast<int>(rowStep * i + 2 + 0.5 * rowStep);
    }
    const int columnStep = 255 / columns;
    for (int j = 0; j < maps.columns; ++j) {
        maps.columnMap[j] = columnStep * j;
    }
    return maps;
}

size_t BuildEffectFrame(const std::vector<std::pair<int, uint32_t>>& items, const LedLookup& ledOf,
                        std::array<uint8_t, kEffectFrameBuffer>& frame) {
    frame.fill(0);
    for (const auto& [code, color] : items) {
        const int p = ledOf ? ledOf(code) : -1;
        if (p < 0 || static_cast<size_t>(3 * p + 2) >= frame.size()) {
            continue;
        }
        frame[3 * p] = static_cast<uint8_t>(color & 0xFF);
        frame[3 * p + 1] = static_cast<uint8_t>((color >> 8) & 0xFF);
        frame[3 * p + 2] = static_cast<uint8_t>((color >> 16) & 0xFF);
    }
    return std::min(frame.size(), (items.size() + 2) * 3);
}

bool SendEffectFrame(DeviceManager& devices, const AuroraEffect& effect, const LedLookup& ledOf,
                     std::vector<std::pair<int, uint32_t>>& scratch) {
    SendBracketCommand(devices, kCommandBegin);
    std::array<uint8_t, kEffectFrameBuffer> frame;
    effect.GetItemColors(scratch);
    const size_t length = BuildEffectFrame(scratch, ledOf, frame);
    const bool ok =
        devices.WriteBlockChecked(kCommandEffectFrame, std::span<uint8_t>(frame.data(), length));
    SendBracketCommand(devices, kCommandEnd);
    return ok;
}

void FillMusicColourMap(const Visualizer& visualizer, const GridMaps& grid, int foreType,
                        int deviceType, int lightBrightness, AuroraEffect& effect) {
    if (grid.Empty()) {
        return;
    }
    visualizer.ReadFinished([&](const ColourImage& composed, const ColourImage& background) {
        const ColourImage& source = foreType == kFillNone ? background : composed;
        for (int i = 0; i < grid.rows; ++i) {
            for (int j = 0; j < grid.columns; ++j) {
                effect.SetColorMap(j, i, PixelAt(source, grid.rowMap[i], grid.columnMap[j]));
            }
        }
    });
    if (foreType == kFillNone) {
        // The effect's own light matrix over the background; unlit cells keep the background.
        std::array<uint32_t, kMatrixLightRows * kMatrixLightColumns> lights{};
        effect.GetMatrixLightsColors(lights.data(), kMatrixLightRows, kMatrixLightColumns, true,
                                     255);
        for (int i = 0; i < kMatrixLightRows; ++i) {
            for (int j = 0; j < kMatrixLightColumns; ++j) {
                const uint32_t value = lights[i * kMatrixLightColumns + j];
                if (value > 1) {
                    effect.SetColorMap(j, i, value);
                }
            }
        }
    }
    const int s = static_cast<int>(lightBrightness * 2.55);
    if (deviceType == kSideBarDeviceType) {
        std::array<uint32_t, 24> top{};
        effect.GetTopLightsColors(top.data(), static_cast<int>(top.size()), true, 255);
        for (size_t k = 0; k < top.size(); ++k) {
            effect.SetBarColor(AuroraItemKind::TopBar, static_cast<int>(k), ScaleColour(top[k], s));
        }
        std::array<uint32_t, 10> side{};
        effect.GetSideLightsColors(side.data(), static_cast<int>(side.size()), true, 255);
        for (int k = 0; k <= static_cast<int>(side.size()); ++k) {
            const uint32_t colour = k < static_cast<int>(side.size()) ? ScaleColour(side[k], s) : 0;
            effect.SetBarColor(AuroraItemKind::LeftBar, k, colour);
            effect.SetBarColor(AuroraItemKind::RightBar, k, colour);
        }
    } else if (deviceType == kTopBarDeviceType) {
        std::array<uint32_t, 27> top{};
        effect.GetTopLightsColors(top.data(), static_cast<int>(top.size()), true, 255);
        for (size_t k = 0; k < top.size(); ++k) {
            effect.SetBarColor(AuroraItemKind::MatrixBar, static_cast<int>(k),
                               ScaleColour(top[k], s));
        }
    }
}

}  // namespace zanvor
