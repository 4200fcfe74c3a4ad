#include "lighting/MatrixZone.h"

#include <string>

#include "lighting/LightParameters.h"
#include "lighting/LightRows.h"
#include "store/DataStore.h"

namespace zanvor {

namespace {

constexpr int kMatrixDefaultBrightness = 80;

struct DefaultMode {
    int mode;
    int nameId;
    int configFunc;
};
constexpr DefaultMode kDefaultModes[] = {
    {0, 900, 0x013}, {1, 901, 0x033}, {2, 902, 0x033}, {3, 903, 0x033},
    {4, 904, 0x033}, {5, 905, 0x131}, {6, 906, 0x131}, {kMatrixModeLive, 907, 0x433},
};

}  // namespace

std::vector<LightData> DefaultMatrixRows(int profile) {
    std::vector<LightData> rows;
    for (const DefaultMode& entry : kDefaultModes) {
        LightData row;
        row.profile = profile;
        row.name = std::to_string(entry.nameId);
        row.type = kLightMatrix;
        row.mode = entry.mode;
        row.brightness = kMatrixDefaultBrightness;
        row.speed = kDefaultSpeed;
        row.direction = 0;
        row.colorful = 1;
        row.colorindex = 0;
        row.color_value = kDefaultColor;
        row.config_func = entry.configFunc;
        rows.push_back(row);
    }
    return rows;
}

bool EnsureMatrixRows(DataStore& store, int profile) {
    std::vector<LightData> rows;
    if (store.ListLightRows(profile, kLightMatrix, rows) > 0) {
        return true;
    }
    for (const LightData& row : DefaultMatrixRows(profile)) {
        store.InsertLightRow(row);
    }
    store.SetActiveLightMode(profile, kLightMatrix, 0);
    return store.ListLightRows(profile, kLightMatrix, rows) > 0;
}

MatrixColorTable CustomColorTable(const MatrixFrame& colors) {
    MatrixColorTable table{};
    for (size_t n = 0; n < colors.size(); ++n) {
        table[3 * n] = RedOf(colors[n]);
        table[3 * n + 1] = GreenOf(colors[n]);
        table[3 * n + 2] = BlueOf(colors[n]);
    }
    return table;
}

MatrixFrame ColorsOfTable(const MatrixColorTable& table) {
    MatrixFrame colors{};
    for (size_t n = 0; n < colors.size(); ++n) {
        colors[n] = MakeColor(table[3 * n], table[3 * n + 1], table[3 * n + 2]);
    }
    return colors;
}

MatrixFrameBytes LiveFrame(const MatrixFrame& colors) {
    MatrixFrameBytes frame{};
    for (size_t n = 0; n < colors.size(); ++n) {
        const uint16_t value = Rgb565(colors[n]);
        frame[2 * n] = static_cast<uint8_t>(value & 0xFF);
        frame[2 * n + 1] = static_cast<uint8_t>(value >> 8);
    }
    return frame;
}

void PatchMatrixGroup(ParameterBlock& block, const LightData& row, int maxSpeed) {
    PutLightGroup(block, LightGroupOffset(kLightMatrix), static_cast<uint8_t>(row.mode), row,
                  maxSpeed);
}

}  // namespace zanvor
