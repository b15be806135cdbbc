#include "modbus/block_stats.h"

#include <cstdio>

namespace {

double Millis(std::chrono::microseconds time)
{
    return static_cast<double>(time.count()) / 1000.0;
}

} // namespace

std::string BlockCountsText(const JobCounts &counts)
{
    std::string text = std::to_string(counts.sent) + " sent, " + std::to_string(counts.failed) + " failed";
    if (counts.failed != 0 && !counts.lastReason.empty())
        text += ", last error: " + counts.lastReason;
    return text;
}

std::string BlockRoundTripText(const JobCounts &counts)
{
    if (counts.answered == 0)
        return "no round trip yet";
    char text[128];
    std::snprintf(text, sizeof text, "round trip last/min/avg/max %.2f/%.2f/%.2f/%.2f ms", Millis(counts.last),
                  Millis(counts.min), Millis(counts.Average()), Millis(counts.max));
    return text;
}
