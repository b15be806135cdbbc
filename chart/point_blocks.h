// The extremes of a series' points in aligned blocks of a few sizes, kept
// up as points come, so that decimating a long history takes a block whose
// points all fall in one pixel column at once, without reading its points.
// Blocks are numbered by the points' count since the series began (not
// their place in the ring), so a block the ring has begun to drop is simply
// never taken whole again.
#ifndef ORV_CHART_POINT_BLOCKS_H
#define ORV_CHART_POINT_BLOCKS_H

#include "chart/chart_time.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

struct BlockExtremes {
    TimeUs last; // the time of the block's last point
    double low;
    double high;
    // Offsets within the block of the first point of the lowest and of the highest value.
    uint16_t lowAt;
    uint16_t highAt;
};

class PointBlocks {
public:
    static constexpr size_t kLevels = 4;
    // Of 16, 128, 1024 and 8192 points (an eighth more memory than the
    // points): powers of two, so that finding a block takes shifts and
    // masks rather than divisions.
    static constexpr std::array<unsigned, kLevels> kShifts = {4, 7, 10, 13};
    static constexpr size_t Size(size_t level) { return size_t{1} << kShifts[level]; }

    // `keep`: how many of the newest points the series holds.
    explicit PointBlocks(size_t keep);

    // The point `count` of the series (0 for its first, each once in order).
    void Add(uint64_t count, TimeUs time, double value);
    // The block that starts at the point `count`, a multiple of Size(level);
    // whole once its last point was added, and kept until a later block of
    // the same level takes its place (the ring holds more than the series keeps).
    const BlockExtremes &At(size_t level, uint64_t count) const
    {
        return m_rings[level][(count >> kShifts[level]) & m_ringMasks[level]];
    }

private:
    std::array<std::vector<BlockExtremes>, kLevels> m_rings;
    std::array<uint64_t, kLevels> m_ringMasks{};
};

#endif
