// A block's counts and round trips as its pane shows them.
#ifndef ORV_MODBUS_BLOCK_STATS_H
#define ORV_MODBUS_BLOCK_STATS_H

#include "modbus/session_event.h"

#include <string>

// "12 sent, 1 failed, last error: no answer" (without an error, the counts
// only).
std::string BlockCountsText(const JobCounts &counts);
// "round trip last/min/avg/max 0.21/0.18/0.25/1.20 ms"; "no round trip yet"
// before the first answer.
std::string BlockRoundTripText(const JobCounts &counts);

#endif
