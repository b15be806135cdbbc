// The lines of the Modbus traffic view: each frame in hex with the time it
// passed, to the millisecond, and the outcome of each request.
#ifndef ORV_MODBUS_TRAFFIC_LINES_H
#define ORV_MODBUS_TRAFFIC_LINES_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

// "14:05:09.042" in local time.
std::string ClockText(std::chrono::system_clock::time_point when);
// "14:05:09.042 > 01 03 00 00 00 02 C4 0B" for a request, "<" for an
// answer (as far as it came).
std::string FrameLine(const std::string &clock, bool sent, const uint8_t *frame, size_t length);
// "14:05:09.043 = Read 2 registers".
std::string OutcomeLine(const std::string &clock, const std::string &outcome);

#endif
