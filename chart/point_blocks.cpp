#include "chart/point_blocks.h"

PointBlocks::PointBlocks(size_t keep)
{
    // Room for every block that still has a point in the ring, the newest
    // partial one too, rounded up to a power of two.
    for (size_t level = 0; level < kLevels; ++level) {
        uint64_t blocks = 1;
        while (blocks < (keep >> kShifts[level]) + 2)
            blocks *= 2;
        m_ringMasks[level] = blocks - 1;
    }
}

void PointBlocks::Add(uint64_t count, TimeUs time, double value)
{
    for (size_t level = 0; level < kLevels; ++level) {
        const auto offset = static_cast<uint16_t>(count & (Size(level) - 1));
        std::vector<BlockExtremes> &ring = m_rings[level];
        const size_t slot = (count >> kShifts[level]) & m_ringMasks[level];
        if (offset == 0) {
            // Grown one block at a time up to the bound, as the points' ring is.
            const BlockExtremes fresh{time, value, value, 0, 0};
            if (slot == ring.size())
                ring.push_back(fresh);
            else
                ring[slot] = fresh;
            continue;
        }
        BlockExtremes &block = ring[slot];
        block.last = time;
        if (value < block.low) {
            block.low = value;
            block.lowAt = offset;
        }
        if (value > block.high) {
            block.high = value;
            block.highAt = offset;
        }
    }
}
