#pragma once

// How blocks are cut into reports: one table run against the scripted fake interface and
// against the virtual keyboard.

#include <cstddef>
#include <utility>
#include <vector>

namespace zanvor::test {

struct ChunkCase {
    int reportLength;
    size_t blockLength;
    int chunkSize;
    std::vector<std::pair<int, int>> offsetAndLength;  // one per report written
};

inline const std::vector<ChunkCase>& ChunkCases() {
    static const std::vector<ChunkCase> cases = {
        {65, 64, 56, {{0, 56}, {56, 8}}},
        {33, 64, 24, {{0, 24}, {24, 24}, {48, 16}}},
        {65, 384, 56, {{0, 56}, {56, 56}, {112, 56}, {168, 56}, {224, 56}, {280, 56}, {0x150, 48}}},
        {65, 56, 56, {{0, 56}}},
        {64, 10, 56, {{0, 10}}},
    };
    return cases;
}

}  // namespace zanvor::test
