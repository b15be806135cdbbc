// The lines of the Modbus traffic view: each frame in hex with the time it
// passed, to the millisecond, and the outcome of each request.
#ifndef ORV_MODBUS_TRAFFIC_LINES_H
#define ORV_MODBUS_TRAFFIC_LINES_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// "14:05:09.042" in local time.
std::string ClockText(std::chrono::system_clock::time_point when);
// "14:05:09.042 > 01 03 00 00 00 02 C4 0B" for a request, "<" for an
// answer (as far as it came).
std::string FrameLine(const std::string &clock, bool sent, const uint8_t *frame, size_t length);
// What a frame means: "unit 1: read holding registers, address 0, count 2"
// for a request; an answer is read with `request`, the frame it answers
// (empty when unknown). `framing` is MB_FRAMING_RTU or MB_FRAMING_TCP.
std::string FrameMeaning(int framing, bool sent, const uint8_t *frame, size_t length,
                         const std::vector<uint8_t> &request);
// A frame's line followed by its meaning: "... C4 0B | unit 1: read ...".
std::string DescribedFrameLine(const std::string &line, int framing, bool sent, const uint8_t *frame, size_t length,
                               const std::vector<uint8_t> &request);
// "14:05:09.043 = Read 2 registers".
std::string OutcomeLine(const std::string &clock, const std::string &outcome);

#endif
